// Local sorting of the dataset: orders of Cyrillic texts, nulls, numbers and
// several fields; the current record, bookmarks and the window across a
// sort; moving records; the remembered sort after posts and reopening, and
// as the select's ORDER BY; the sorted search of lookups; and what a sort
// puts back on every way out.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dbaccess/client/errors.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/dataset/fib_fields.h"
#include "framework/core/data/data_source.h"
#include "framework/core/system/screen_cursor.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/fib_dataset_fixture.h"
#include "tests/support/raised.h"

namespace {

// Reaches the cache search with its sorted option.
class TProbeDataSet : public TFIBDataSet {
 public:
  using TFIBDataSet::SearchInCache;
  using TFIBDataSet::TFIBDataSet;
};

class TWindowLink : public TDataLink {
 public:
  explicit TWindowLink(int bufferCount) { SetBufferCount(bufferCount); }
};

// Ten people whose names try the collation: Latin before Cyrillic, Е and Ё
// one letter that Е wins on a tie, lower case before upper case on a tie;
// nulls in every column but the key.
class SortTest : public DataSetTest {
 protected:
  void SetUp() override {
    DataSetTest::SetUp();
    ExecuteSQL(
        "create table PEOPLE (ID integer not null, NAME varchar(30), CITY varchar(20), AGE integer,"
        " CODE char(4), NOTE blob sub_type 1, SALARY numeric(9,2))");
    const char* rows[] = {
        "1, 'Яковлев', 'Москва', 40, 'b', 1500.50",
        "2, 'ёлкин', 'Тверь', null, 'a', null",
        "3, 'Елкин', 'Москва', 25, null, 99.99",
        "4, 'Абрамов', null, 31, 'c', 1500.49",
        "5, null, 'Тверь', 18, 'a', -3",
        "6, 'абрамов', 'Тверь', 25, 'b', 0",
        "7, 'Zimin', 'Москва', null, 'c', 20000",
        "8, 'Ёлкин', null, 50, 'a', 1500.51",
        "9, 'Борисов', 'Тверь', 31, null, 7.5",
        "10, 'Ежов', 'Москва', 62, 'b', 250",
    };
    for (const char* row : rows)
      ExecuteSQL(
          RU(std::string("insert into PEOPLE (ID, NAME, CITY, AGE, CODE, SALARY) values (") + row + ")"));
    ExecuteSQL("update PEOPLE set NOTE = NAME");
  }

  TProbeDataSet& People(const std::string& condition = "ID > 0", const char* name = "fdsPeople") {
    auto* data = new TProbeDataSet(&Form());  // owned by the form
    data->SetName(name);
    data->SetDatabase(&DB());
    data->SetTransaction(&TR());
    data->SelectSQL().SetText("SELECT ID, NAME, CITY, AGE, CODE, NOTE, SALARY FROM PEOPLE WHERE " +
                              condition + " ORDER BY ID");
    return *data;
  }

  // The directory's apartments (DataSetTest) in a probe.
  TProbeDataSet& NewProbe() {
    auto* data = new TProbeDataSet(&Form());  // owned by the form
    data->SetName("fdsHome");
    data->SetDatabase(&DB());
    data->SetTransaction(&TR());
    for (const std::string& line : HomeSelect()) data->SelectSQL().Add(line);
    return *data;
  }

  // The key column of every record in the dataset's order.
  static std::string Ids(TDataSet& data, const char* key = "ID") {
    std::string ids;
    for (data.First(); !data.Eof(); data.Next()) {
      if (!ids.empty()) ids += ',';
      ids += data.FieldByName(key)->AsString();
    }
    return ids;
  }
};

struct SortCase {
  const char* Name;
  std::vector<const char*> Fields;
  std::vector<bool> Ascending;
  const char* Order;
};

class SortOrder : public SortTest, public ::testing::WithParamInterface<SortCase> {};

TEST_P(SortOrder, OrdersTheRecordsKeepingTheCurrentOneAndItsBookmark) {
  const SortCase& c = GetParam();
  TProbeDataSet& data = People();
  data.Open();
  data.MoveBy(2);  // ID 3
  const TBookmark third = data.Bookmark();
  data.Next();  // ID 4
  std::vector<TSortFieldRef> fields(c.Fields.begin(), c.Fields.end());

  data.Sort(fields, c.Ascending);

  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 4);
  const int recNo = data.RecNo();
  EXPECT_EQ(Ids(data), c.Order);
  data.SetRecNo(recNo);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 4);
  ASSERT_TRUE(data.BookmarkValid(third));
  data.GotoBookmark(third);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 3);
  EXPECT_TRUE(data.IsSorted());
  EXPECT_TRUE(data.SortedLocally());
  EXPECT_EQ(data.SortFieldCount(), static_cast<int>(c.Fields.size()));
  // A memo read by number for the sort leaves no blob stream behind.
  EXPECT_EQ(data.BlobStreamCount(), 0);
  data.CheckInvariants();
}

INSTANTIATE_TEST_SUITE_P(
    People, SortOrder,
    ::testing::Values(SortCase{"NameAscending", {"NAME"}, {true}, "5,7,6,4,9,10,3,2,8,1"},
                      SortCase{"NameDescending", {"NAME"}, {false}, "1,8,2,3,10,9,4,6,7,5"},
                      SortCase{"AgeThenIdDescending", {"AGE", "ID"}, {true, false}, "7,2,5,6,3,9,4,1,8,10"},
                      SortCase{"AgeDescendingThenId", {"AGE", "ID"}, {false}, "10,8,1,4,9,3,6,5,2,7"},
                      SortCase{
                          "CityThenNameDescending", {"CITY", "NAME"}, {true, false}, "8,4,1,3,10,7,2,9,6,5"},
                      SortCase{"ShortCharThenId", {"CODE", "ID"}, {}, "3,9,2,5,8,1,6,10,4,7"},
                      SortCase{"MemoReadAsValues", {"NOTE"}, {true}, "5,7,6,4,9,10,3,2,8,1"},
                      SortCase{"IdDescending", {"ID"}, {false}, "10,9,8,7,6,5,4,3,2,1"},
                      SortCase{"ScaledNumber", {"SALARY"}, {true}, "2,5,6,9,3,10,4,1,8,7"},
                      SortCase{"ScaledNumberDescending", {"SALARY"}, {false}, "7,8,1,4,10,3,9,6,5,2"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SortTest, EveryKindOfFieldItemNamesTheSameField) {
  TProbeDataSet& data = People();
  data.Open();
  TField* name = data.FieldByName("NAME");
  const std::vector<TSortFieldRef> items = {TSortFieldRef(1), TSortFieldRef("NAME"), TSortFieldRef(name),
                                            TSortFieldRef(Variant(1)), TSortFieldRef(Variant("NAME"))};
  for (const TSortFieldRef& item : items) {
    data.Sort({item}, {false});
    EXPECT_EQ(Ids(data), "1,8,2,3,10,9,4,6,7,5");
    EXPECT_EQ(data.SortFieldList(), "NAME");
    data.Sort({"ID"});
  }
}

TEST_F(SortTest, InvalidItemRaisesAndForgetsTheSort) {
  TProbeDataSet& data = People();
  TProbeDataSet& other = People("ID > 0", "fdsOther");
  other.Open();
  data.Open();
  data.Sort({"NAME"});
  const std::vector<std::vector<TSortFieldRef>> bad = {{"NAME", "NOSUCH"},
                                                       {"NAME", TSortFieldRef(7)},
                                                       {"NAME", other.FieldByName("ID")},
                                                       {"NAME", TSortFieldRef(Variant(1.5))},
                                                       {"NAME", 'X'}};
  for (const auto& fields : bad) {
    data.Sort({"NAME"});
    EXPECT_EQ(MessageOf([&] { data.Sort(fields); }), "Can't sort. Invalid parameter: Fields[1]");
    EXPECT_FALSE(data.IsSorted());
    EXPECT_EQ(data.SortFieldInfo(1).FieldName, "Unknown");
    EXPECT_FALSE(data.ControlsDisabled());
  }
  // The records stay in their order and every one shows.
  EXPECT_EQ(Ids(data), "5,7,6,4,9,10,3,2,8,1");
  data.Close();
  EXPECT_EQ(ClientErrorOf([&] { data.Sort({"NAME"}); }), ceDatasetClosed);
  // A ring keeps too few records to order.
  data.SetUniDirectional(true);
  data.Open();
  EXPECT_EQ(ClientErrorOf([&] { data.Sort({"NAME"}); }), ceDataSetUniDirectional);
}

TEST_F(SortTest, OneRecordRemembersTheSortAndMovesNothing) {
  TProbeDataSet& data = People("ID = 4");
  data.Open();
  data.Sort({"AGE", "NAME"}, {false, true});
  EXPECT_EQ(Ids(data), "4");
  EXPECT_EQ(data.SortFieldList(), "AGE;NAME");
  const TSortFieldInfo age = data.SortFieldInfo(1);
  EXPECT_EQ(age.FieldName, "AGE");
  EXPECT_EQ(age.FieldIndex, 3);
  EXPECT_EQ(age.Position, 1);
  EXPECT_FALSE(age.Ascending);
  EXPECT_TRUE(data.SortFieldInfo(2).Ascending);
  EXPECT_EQ(data.SortFieldInfo(3).Position, -1);
  EXPECT_EQ(data.SortFieldInfo(0).FieldIndex, -1);
}

// The window a grid shows follows the sort: the current record stays
// current and in the row it was shown in.
TEST_F(SortTest, WindowOfALinkShowsTheSortedRecordsAroundTheCurrentOne) {
  TFIBDataSet& data = NewDataSet(HomeSelect());
  TDataSource source(&Form());
  source.SetDataSet(&data);
  TWindowLink link(10);
  link.SetDataSource(&source);
  data.Open();
  data.MoveBy(14);  // HOME_ID 15, in the window's last row
  ASSERT_EQ(link.ActiveRecord(), 9);

  data.Sort({"STREET_NAME", "NAME"}, {false, true});

  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 15);
  EXPECT_EQ(link.ActiveRecord(), 9);
  EXPECT_EQ(data.RecordCount(), HomeRows);
  data.CheckInvariants();
  std::string street, name;
  int rows = 0;
  for (data.First(); !data.Eof(); data.Next(), ++rows) {
    const std::string s = data.FieldByName("STREET_NAME")->AsString();
    const std::string n = data.FieldByName("NAME")->AsString();
    if (rows > 0) {
      ASSERT_GE(AnsiCompareStr(street, s), 0) << rows;
      if (street == s) {
        ASSERT_LT(AnsiCompareStr(name, n), 0) << rows;
      }
    }
    street = s;
    name = n;
  }
  EXPECT_EQ(rows, HomeRows);
  link.SetDataSource(nullptr);
}

struct MoveCase {
  int From;
  int To;
  const char* Order;
  int Current;
};

class MoveRecord : public SortTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveRecord, MovesOneRecordAndKeepsThePosition) {
  const MoveCase& c = GetParam();
  TProbeDataSet& data = People("ID <= 5");
  data.Open();
  data.Next();  // position 2
  data.MoveRecord(c.From, c.To);
  EXPECT_EQ(data.RecNo(), 2);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), c.Current);
  EXPECT_EQ(Ids(data), c.Order);
  data.CheckInvariants();
}

INSTANTIATE_TEST_SUITE_P(Positions, MoveRecord,
                         ::testing::Values(MoveCase{1, 3, "2,3,1,4,5", 3}, MoveCase{2, 1, "2,1,3,4,5", 1},
                                           MoveCase{2, -5, "2,1,3,4,5", 1}, MoveCase{1, 99, "2,3,4,5,1", 3},
                                           MoveCase{3, 3, "1,2,3,4,5", 2}));

// The sort of a reopened dataset: a persistent one is applied again; any
// other is forgotten, so that lookups no longer halve over records in the
// server's order.
class Reopen : public SortTest, public ::testing::WithParamInterface<bool> {};

TEST_P(Reopen, PersistentSortIsAppliedAgainAndAnyOtherForgotten) {
  const bool persistent = GetParam();
  TProbeDataSet& data = People();
  if (persistent) data.SetOptions(data.Options() + poPersistentSorting);
  data.Open();
  data.Sort({"NAME"}, {false});
  data.Close();
  data.Open();
  EXPECT_EQ(data.IsSorted(), persistent);
  EXPECT_EQ(data.SortedLocally(), persistent);
  EXPECT_EQ(data.RecNo(), 1);
  EXPECT_EQ(Ids(data), persistent ? "1,8,2,3,10,9,4,6,7,5" : "1,2,3,4,5,6,7,8,9,10");
  data.Last();
  for (int id = 1; id <= 10; ++id) {
    if (id == 5) continue;  // the null name
    data.SetRecNo(1);
    while (data.FieldByName("ID")->AsInteger() != id) data.Next();
    const Variant name = data.FieldByName("NAME")->Value();
    EXPECT_EQ(data.Lookup("NAME", name, "ID").AsInteger(), id) << id;
  }
}

INSTANTIATE_TEST_SUITE_P(Options, Reopen, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Persistent" : "NotPersistent"; });

TEST_F(SortTest, ChangedSelectTextForgetsAPersistentSort) {
  TProbeDataSet& data = People();
  data.SetOptions(data.Options() + poPersistentSorting);
  data.Open();
  data.Sort({"NAME"});
  data.Close();
  data.SelectSQL().SetText("SELECT ID, NAME FROM PEOPLE ORDER BY ID DESC");
  data.Open();
  EXPECT_FALSE(data.IsSorted());
  EXPECT_EQ(Ids(data), "10,9,8,7,6,5,4,3,2,1");
}

// The sorted search halves over the records: every name is found where it
// is, names between and beyond them are not, whatever the direction and
// with two fields.
TEST_F(SortTest, SortedSearchFindsWhatAWalkFinds) {
  TProbeDataSet& data = NewProbe();
  data.Open();
  const struct {
    std::vector<TSortFieldRef> Fields;
    std::vector<bool> Ascending;
    const char* Keys;
  } sorts[] = {{{"NAME"}, {true}, "NAME"},
               {{"NAME"}, {false}, "NAME"},
               {{"STREET_ID", "NAME"}, {true, false}, "STREET_ID;NAME"}};
  for (const auto& sort : sorts) {
    SCOPED_TRACE(sort.Keys);
    data.Sort(sort.Fields, sort.Ascending);
    for (data.First(); !data.Eof(); data.Next()) {
      const Variant keys = data.FieldValues(sort.Keys);
      const int walked = data.SearchInCache(sort.Keys, keys, 0);
      ASSERT_GE(walked, 0);
      EXPECT_EQ(data.SearchInCache(sort.Keys, keys, 8), walked) << data.RecNo();
    }
    const std::string between = RU("Жилец 100a");
    Variant keys = Variant(between);
    if (sort.Fields.size() > 1) keys = VarArrayOf({Variant(2), Variant(between)});
    EXPECT_EQ(data.SearchInCache(sort.Keys, keys, 8), -1);
    keys = Variant("");
    if (sort.Fields.size() > 1) keys = VarArrayOf({Variant(99), Variant("")});
    EXPECT_EQ(data.SearchInCache(sort.Keys, keys, 8), -1);
  }
  // A case-insensitive key finds the record of either case.
  data.Sort({"NAME"});
  const int found = data.SearchInCache("NAME", Variant(RU("жИЛЕЦ 77")), 8 | 1);
  ASSERT_GE(found, 0);
  data.SetRecNo(found + 1);
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 77);
  // Records navigation does not show are not found.
  data.SetUpdateRecordTypes(TFIBUpdateRecordTypes{cusModified});
  EXPECT_EQ(data.SearchInCache("NAME", Variant(RU("Жилец 77")), 8), -1);
}

TEST_F(SortTest, LookupHalvesOverRecordsSortedByItsKeys) {
  TProbeDataSet& data = NewProbe();
  data.Open();
  data.Sort({"NAME"});
  EXPECT_EQ(data.Lookup("NAME", Variant(RU("Жилец 99")), "HOME_ID").AsInteger(), 99);
  EXPECT_TRUE(data.Lookup("NAME", Variant(RU("Жилец 999")), "HOME_ID").IsEmpty());
  // Proof of the halving: a record moved out of its place is no longer
  // where the search looks, while locate, which walks, still finds it.
  data.SetRecNo(3);
  const Variant moved = data.FieldByName("NAME")->Value();
  data.MoveRecord(3, HomeRows);
  EXPECT_TRUE(data.Lookup("NAME", moved, "HOME_ID").IsEmpty());
  EXPECT_TRUE(data.Locate("NAME", moved, {}));
  EXPECT_EQ(data.RecNo(), HomeRows);
  // Keys other than the sort's are walked.
  EXPECT_EQ(data.Lookup("PHONE", Variant(200042), "HOME_ID").AsInteger(), 42);
}

// Keep-sorting puts the current record back in its place after its values
// changed; moving it by hand stands in for the change.
TEST_F(SortTest, KeepSortingPlacesTheCurrentRecordAndKeepsItCurrent) {
  TProbeDataSet& data = People();
  data.SetOptions(data.Options() + poKeepSorting + poVisibleRecno);
  data.Open();
  data.Sort({"CITY", "NAME"}, {true, false});
  ASSERT_EQ(Ids(data), "8,4,1,3,10,7,2,9,6,5");
  for (int from : {1, 4, 10}) {
    for (int to : {1, 6, 10}) {
      data.MoveRecord(from, to);
      data.SetRecNo(to);
      const int id = data.FieldByName("ID")->AsInteger();
      int scrolls = 0;
      data.AfterScroll = [&](TDataSet*) { ++scrolls; };
      data.KeepSorting();
      data.AfterScroll = nullptr;
      EXPECT_EQ(data.FieldByName("ID")->AsInteger(), id);
      EXPECT_EQ(scrolls, 0);
      EXPECT_EQ(Ids(data), "8,4,1,3,10,7,2,9,6,5") << from << " -> " << to;
    }
  }
  EXPECT_TRUE(data.Options().Contains(poVisibleRecno));
  data.SetOptions(data.Options() - poKeepSorting);
  data.KeepSorting();
  EXPECT_FALSE(data.IsSorted());
}

// Needs the editing layer's post: until it is there the post raises and the
// case is skipped.
TEST_F(SortTest, InsertedRecordIsPostedToItsSortedPlace) {
  TProbeDataSet& data = People();
  data.SetOptions(data.Options() + poKeepSorting);
  data.SetCachedUpdates(true);
  data.InsertSQL().SetText("insert into PEOPLE (ID, NAME) values (?ID, ?NAME)");
  data.Open();
  data.Sort({"NAME"}, {false});
  data.First();
  data.Insert();
  data.FieldByName("ID")->SetAsInteger(11);
  data.FieldByName("NAME")->SetAsString(RU("Ежиков"));
  const TRaised raised = RaisedBy<EFIBClientError>([&] { data.Post(); });
  if (raised.Code == ceCannotPost) GTEST_SKIP() << "posting comes with the editing layer";
  ASSERT_FALSE(raised.Caught) << raised.Text();
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 11);
  EXPECT_EQ(Ids(data), "1,8,2,3,10,11,9,4,6,7,5");
}

struct OrderInfoCase {
  const char* Name;
  const char* Select;
  const char* Fields;
  bool FirstAscending;
};

class OrderInfo : public SortTest, public ::testing::WithParamInterface<OrderInfoCase> {};

TEST_P(OrderInfo, SelectOrderBecomesTheRememberedSort) {
  const OrderInfoCase& c = GetParam();
  TProbeDataSet& data = People();
  data.SelectSQL().SetText(c.Select);
  data.Open();
  data.ReadOrderInfo();
  EXPECT_EQ(data.SortFieldList(), c.Fields);
  EXPECT_FALSE(data.SortedLocally());
  if (data.IsSorted()) {
    EXPECT_EQ(data.SortFieldInfo(1).Ascending, c.FirstAscending);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Selects, OrderInfo,
    ::testing::Values(
        OrderInfoCase{"Plain", "SELECT ID, NAME FROM PEOPLE ORDER BY NAME DESC, ID", "NAME;ID", false},
        OrderInfoCase{"Qualified", "SELECT P.ID, P.NAME FROM PEOPLE P ORDER BY P.NAME", "NAME", true},
        OrderInfoCase{"ByTable", "SELECT ID, NAME FROM PEOPLE ORDER BY PEOPLE.ID DESC", "ID", false},
        OrderInfoCase{"Position", "SELECT ID, NAME FROM PEOPLE ORDER BY 2 DESC, 1", "NAME;ID", false},
        OrderInfoCase{"Expression", "SELECT ID, NAME FROM PEOPLE ORDER BY NAME, UPPER(CITY)", "", true},
        OrderInfoCase{"None", "SELECT ID, NAME FROM PEOPLE", "", true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SortTest, PersistentLocalSortIsNotReplacedByTheSelectOrder) {
  TProbeDataSet& data = People();
  data.SetOptions(data.Options() + poPersistentSorting);
  data.Open();
  data.Sort({"NAME"});
  data.ReadOrderInfo();
  EXPECT_EQ(data.SortFieldList(), "NAME");
  EXPECT_TRUE(data.SortedLocally());
}

// What a sort changes for its duration comes back on every way out: the
// screen cursor shown before it (not the default one), the statuses shown
// and the enabled controls.
enum class SortExit { Sorted, OneRecord, BadField, FailingCalculation };

class SortExits : public SortTest, public ::testing::WithParamInterface<SortExit> {
 protected:
  void TearDown() override {
    SetScreenCursorHook({});
    SetScreenCursor(crDefault);
    SortTest::TearDown();
  }
};

TEST_P(SortExits, PreviousScreenCursorStatusesAndControlsComeBack) {
  const SortExit exit = GetParam();
  TProbeDataSet& data = People(exit == SortExit::OneRecord ? "ID = 1" : "ID > 0");
  // Persistent fields with a calculated one that fails on the fourth record.
  for (const char* name : {"ID", "NAME"}) {
    TField* field = name[0] == 'I' ? static_cast<TField*>(new TFIBIntegerField(&data))
                                   : static_cast<TField*>(new TFIBStringField(&data));
    field->SetFieldName(name);
    if (name[0] == 'N') field->SetSize(30);
    field->SetDataSet(&data);
  }
  auto* label = new TFIBStringField(&data);  // owned by the dataset
  label->SetFieldName("LABEL");
  label->SetFieldKind(fkCalculated);
  label->SetSize(10);
  label->SetDataSet(&data);
  bool failing = false;
  data.OnCalcFields = [&](TDataSet* ds) {
    const int id = ds->FieldByName("ID")->AsInteger();
    if (failing && id == 4) throw Exception("calculation failed");
    ds->FieldByName("LABEL")->SetAsString(std::to_string(100 - id));
  };
  data.SelectSQL().SetText("SELECT ID, NAME FROM PEOPLE WHERE " +
                           std::string(exit == SortExit::OneRecord ? "ID = 1" : "ID > 0") + " ORDER BY ID");
  data.SetSQLScreenCursor(crSQLWait);
  const TFIBUpdateRecordTypes shown{cusUnmodified, cusInserted};
  data.SetUpdateRecordTypes(shown);
  data.Open();
  SetScreenCursor(crHourGlass);
  std::vector<TCursor> cursors;
  SetScreenCursorHook([&](TCursor cursor) { cursors.push_back(cursor); });

  TRaised raised;
  switch (exit) {
    case SortExit::Sorted:
    case SortExit::OneRecord:
      data.Sort({"LABEL"});
      EXPECT_TRUE(data.IsSorted());
      break;
    case SortExit::BadField:
      raised = RaisedBy([&] { data.Sort({"NOSUCH"}); });
      break;
    case SortExit::FailingCalculation:
      failing = true;
      raised = RaisedBy([&] { data.Sort({"LABEL"}); });
      failing = false;
      EXPECT_EQ(raised.Message, "calculation failed");
      break;
  }
  EXPECT_EQ(raised.Caught, exit == SortExit::BadField || exit == SortExit::FailingCalculation);
  if (raised.Caught) {
    EXPECT_FALSE(data.IsSorted());
  }
  EXPECT_EQ(ScreenCursor(), crHourGlass);
  ASSERT_FALSE(cursors.empty());
  EXPECT_EQ(cursors.front(), crSQLWait);
  EXPECT_EQ(cursors.back(), crHourGlass);
  EXPECT_EQ(data.UpdateRecordTypes(), shown);
  EXPECT_FALSE(data.ControlsDisabled());
  data.CheckInvariants();
  if (exit == SortExit::Sorted) {
    EXPECT_EQ(Ids(data), "10,9,8,7,6,5,4,3,2,1");
  }
}

std::string SortExitName(const ::testing::TestParamInfo<SortExit>& info) {
  switch (info.param) {
    case SortExit::Sorted:
      return "Sorted";
    case SortExit::OneRecord:
      return "OneRecord";
    case SortExit::BadField:
      return "BadField";
    case SortExit::FailingCalculation:
      return "FailingCalculation";
  }
  return "";
}

INSTANTIATE_TEST_SUITE_P(Exits, SortExits,
                         ::testing::Values(SortExit::Sorted, SortExit::OneRecord, SortExit::BadField,
                                           SortExit::FailingCalculation),
                         SortExitName);

}  // namespace
