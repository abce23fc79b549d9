// The dataset over the directory's listings: the record window seen by a
// data link, bookmarks, record numbers, locate and lookup, the ring of a
// unidirectional dataset, fetch errors, and the mended edge cases.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "dbaccess/cache/records_cache.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/dataset/fib_fields.h"
#include "dbaccess/statement/query.h"
#include "framework/core/data/data_source.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/fib_dataset_fixture.h"
#include "tests/support/raised.h"

namespace {

class TWindowLink : public TDataLink {
 public:
  explicit TWindowLink(int bufferCount) { SetBufferCount(bufferCount); }
};

// Reaches the protected record protocol for the cases no public operation
// reaches on its own.
class TProbeDataSet : public TFIBDataSet {
 public:
  using TFIBDataSet::TFIBDataSet;
  TGetResult CurrentAfterLast() {
    InternalLast();
    return GetRecord(TempBuffer(), gmCurrent, true);
  }
  void SetActiveStatus(TCachedUpdateStatus status) { ActiveBuffer()[5] = static_cast<std::byte>(status); }
};

struct ListingCase {
  const char* Name;
  bool Home;
  int Rows;
  const char* Key;
};

class ListingWindow : public DataSetTest, public ::testing::WithParamInterface<ListingCase> {};

TEST_P(ListingWindow, NavigatesAWindowOfTenForwardsAndBack) {
  const ListingCase& c = GetParam();
  TFIBDataSet& data = NewDataSet(c.Home ? HomeSelect() : OrgSelect());
  TDataSource source(&Form());
  source.SetDataSet(&data);
  TWindowLink link(10);
  link.SetDataSource(&source);
  data.Open();
  ASSERT_TRUE(link.Active());
  for (int i = 0; i < c.Rows; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(data.RecNo(), i + 1);
    EXPECT_EQ(link.ActiveRecord(), std::min(i, 9));
    EXPECT_EQ(data.FieldByName(c.Key)->AsInteger(), i + 1);
    EXPECT_EQ(data.Bof(), i == 0);
    data.CheckInvariants();
    data.Next();
  }
  EXPECT_TRUE(data.Eof());
  EXPECT_EQ(data.RecordCount(), c.Rows);
  EXPECT_EQ(data.FieldByName(c.Key)->AsInteger(), c.Rows);
  for (int i = c.Rows - 1; i >= 0; --i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(data.RecNo(), i + 1);
    EXPECT_EQ(data.FieldByName(c.Key)->AsInteger(), i + 1);
    EXPECT_EQ(link.ActiveRecord(), std::max(0, 9 - (c.Rows - 1 - i)));
    data.CheckInvariants();
    data.Prior();
  }
  EXPECT_TRUE(data.Bof());
  EXPECT_EQ(data.RecNo(), 1);
  link.SetDataSource(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Directory, ListingWindow,
                         ::testing::Values(ListingCase{"Homes", true, DataSetTest::HomeRows, "HOME_ID"},
                                           ListingCase{"Organisations", false, DataSetTest::OrgRows, "ORG_ID"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DataSetTest, BookmarksSurviveFetchingMoreRows) {
  TFIBDataSet& data = NewDataSet(HomeSelect());
  data.Open();
  data.MoveBy(4);
  const TBookmark fifth = data.Bookmark();
  data.Next();
  const TBookmark sixth = data.Bookmark();
  EXPECT_LT(data.FetchedCount(), HomeRows);
  data.Last();
  EXPECT_EQ(data.FetchedCount(), HomeRows);
  ASSERT_TRUE(data.BookmarkValid(fifth));
  data.GotoBookmark(fifth);
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 5);
  EXPECT_EQ(data.RecNo(), 5);
  EXPECT_EQ(data.CompareBookmarks(fifth, sixth), -1);
  EXPECT_EQ(data.CompareBookmarks(sixth, fifth), 1);
  EXPECT_EQ(data.CompareBookmarks(fifth, fifth), 0);
  // A missing bookmark orders last.
  EXPECT_EQ(data.CompareBookmarks(TBookmark(), fifth), 1);
  EXPECT_EQ(data.CompareBookmarks(fifth, TBookmark()), -1);
  EXPECT_EQ(data.CompareBookmarks(TBookmark(), TBookmark()), 0);
  EXPECT_FALSE(data.BookmarkValid(TBookmark()));
  data.CheckInvariants();
}

TEST_F(DataSetTest, RecNoBeyondTheRecordsFetchesAllAndLandsOnTheLast) {
  TFIBDataSet& data = NewDataSet(HomeSelect("HOME_ID <= 10"));
  int scrolls = 0;
  data.AfterScroll = [&](TDataSet*) { ++scrolls; };
  data.Open();
  scrolls = 0;
  data.SetRecNo(1000);
  EXPECT_EQ(data.RecNo(), 10);
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 10);
  EXPECT_EQ(data.FetchedCount(), 10);
  EXPECT_EQ(scrolls, 1);
  data.SetRecNo(10);  // already there: no scroll
  EXPECT_EQ(scrolls, 1);
  EXPECT_TRUE(data.IsSequenced());
}

// A record number not fetched yet lands on that record; only one past the
// end stops at the last, and the current number moves nothing.
class RecNoTarget : public DataSetTest, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(RecNoTarget, LandsOnTheRecordOfThatNumber) {
  const auto [target, landing] = GetParam();
  TFIBDataSet& data = NewDataSet(HomeSelect());
  data.Open();
  data.SetRecNo(target);
  EXPECT_EQ(data.RecNo(), landing);
  data.SetRecNo(data.RecNo());
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), landing);
}

INSTANTIATE_TEST_SUITE_P(Numbers, RecNoTarget,
                         ::testing::Values(std::pair(57, 57), std::pair(1000, 130), std::pair(0, 1)));

TEST_F(DataSetTest, LocateAndLookupSearchTheCacheAndTheRest) {
  TFIBDataSet& data = NewDataSet(HomeSelect());
  int before = 0, after = 0;
  data.BeforeScroll = [&](TDataSet*) { ++before; };
  data.AfterScroll = [&](TDataSet*) { ++after; };
  data.Open();
  before = after = 0;
  ASSERT_TRUE(data.Locate("NAME", Variant(RU("ЖИЛЕЦ 77")), TLocateOptions{loCaseInsensitive}));
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 77);
  EXPECT_EQ(data.RecNo(), 77);
  EXPECT_EQ(before, 1);
  EXPECT_EQ(after, 1);
  EXPECT_TRUE(data.Locate("NAME", Variant(RU("Жилец 12")), TLocateOptions{loPartialKey}));
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 12);
  EXPECT_FALSE(data.Locate("NAME", Variant(RU("жилец 12")), TLocateOptions{}));
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 12);
  Variant keys = VarArrayCreate(0, 1);
  keys[0] = Variant(2);
  keys[1] = Variant(100);
  EXPECT_TRUE(data.Locate("STREET_ID;APARTAMENT", keys, TLocateOptions{}));
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 100);

  data.First();
  before = after = 0;
  EXPECT_EQ(data.Lookup("HOME_ID", Variant(120), "PHONE").AsInteger(), 200120);
  EXPECT_TRUE(data.Lookup("HOME_ID", Variant(999), "PHONE").IsEmpty());
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 1);
  EXPECT_EQ(before + after, 0);
  data.CheckInvariants();
}

TEST_F(DataSetTest, LocateAndLookupSeeCalculatedFields) {
  TFIBDataSet& data = NewDataSet(HomeSelect());
  auto* id = new TFIBIntegerField(&data);  // owned by the dataset
  id->SetFieldName("HOME_ID");
  id->SetDataSet(&data);
  auto* label = new TFIBStringField(&data);
  label->SetFieldName("LABEL");
  label->SetFieldKind(fkCalculated);
  label->SetSize(10);
  label->SetDataSet(&data);
  data.OnCalcFields = [](TDataSet* ds) {
    ds->FieldByName("LABEL")->SetAsString("N" + std::to_string(ds->FieldByName("HOME_ID")->AsInteger()));
  };
  data.Open();
  EXPECT_EQ(data.Lookup("HOME_ID", Variant(42), "LABEL").AsString(), "N42");
  EXPECT_EQ(data.Lookup("LABEL", Variant("N43"), "HOME_ID").AsInteger(), 43);
  ASSERT_TRUE(data.Locate("LABEL", Variant("N77"), TLocateOptions{}));
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 77);
  EXPECT_EQ(label->AsString(), "N77");
  EXPECT_FALSE(data.Locate("LABEL", Variant("N0"), TLocateOptions{}));
  data.CheckInvariants();
}

TEST_F(DataSetTest, ReadOnlyTransactionRefusesAWrite) {
  TFIBDataSet& data = NewDataSet(HomeSelect());
  data.Open();
  EXPECT_TRUE(TR().Active());
  // Without an update text the edit stops silently before it starts.
  EXPECT_TRUE(RaisedBy<EAbort>([&] { data.Edit(); }).Caught);
  EXPECT_EQ(data.State(), dsBrowse);
  TFIBQuery insert(nullptr);
  insert.SetDatabase(&DB());
  insert.SetTransaction(&TR());
  insert.SQL().SetText("insert into HOME_PHONES (HOME_ID) values (1000)");
  EXPECT_TRUE(RaisedBy<EFIBInterBaseError>([&] { insert.ExecQuery(); }).Caught);
  EXPECT_EQ(data.RecordCount(), data.FetchedCount());
}

TEST_F(DataSetTest, OpenChecksItsTextAndRestoresTheScreenCursor) {
  std::vector<TCursor> shown;
  SetScreenCursorHook([&](TCursor cursor) { shown.push_back(cursor); });
  struct TUnhook {
    ~TUnhook() { SetScreenCursorHook(nullptr); }
  } unhook;
  TFIBDataSet& empty = NewDataSet({}, "fdsEmpty");
  empty.SetSQLScreenCursor(crSQLWait);
  EXPECT_EQ(ClientErrorOf([&] { empty.Open(); }), ceEmptyQuery);
  EXPECT_FALSE(empty.Active());
  ASSERT_EQ(shown.size(), 2U);
  EXPECT_EQ(shown[0], crSQLWait);
  EXPECT_EQ(shown[1], crDefault);

  TFIBDataSet& data = NewDataSet(HomeSelect());
  data.Open();
  EXPECT_EQ(ClientErrorOf([&] { data.SelectSQL().Add("order by 1"); }), ceDatasetOpen);
  EXPECT_EQ(ClientErrorOf([&] { data.SetUniDirectional(true); }), ceDatasetOpen);
  data.Close();
  data.SelectSQL().Add("order by 1 desc");
  data.Open();
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), HomeRows);
}

TEST_F(DataSetTest, EmptyResultShowsNoPhantomRecord) {
  auto* data = new TProbeDataSet(&Form());  // owned by the form
  data->SetDatabase(&DB());
  data->SetTransaction(&TR());
  for (const std::string& line : HomeSelect("1=0")) data->SelectSQL().Add(line);
  data->Open();
  EXPECT_TRUE(data->IsEmpty());
  EXPECT_TRUE(data->Bof());
  EXPECT_TRUE(data->Eof());
  EXPECT_EQ(data->RecordCount(), 0);
  EXPECT_EQ(data->RecNo(), 0);
  EXPECT_TRUE(data->FieldByName("HOME_ID")->IsNull());
  EXPECT_EQ(data->CurrentAfterLast(), grBOF);
  data->Last();
  EXPECT_TRUE(data->IsEmpty());
  data->CheckInvariants();
}

TEST_F(DataSetTest, UniDirectionalRingNeverShowsAnOverwrittenRecord) {
  TFIBDataSet& data = NewDataSet(HomeSelect("HOME_ID <= 12"));
  data.SetUniDirectional(true);
  data.SetBufferChunks(5);
  data.Open();
  for (int i = 1; i < 12; ++i) data.Next();
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 12);
  EXPECT_EQ(data.RecordCount(), 5);
  EXPECT_EQ(data.RecNo(), 5);
  for (int expected = 11; expected >= 8; --expected) {
    data.Prior();
    EXPECT_FALSE(data.Bof());
    EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), expected);
  }
  data.Prior();
  EXPECT_TRUE(data.Bof());
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 8);
  data.First();
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 8);
  EXPECT_EQ(data.RecNo(), 1);
  data.Last();
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 12);
  EXPECT_EQ(data.Cache()->HighRecord(), 5);
}

TEST_F(DataSetTest, UniDirectionalBookmarkOfAnOverwrittenRecordIsInvalid) {
  TFIBDataSet& data = NewDataSet(HomeSelect());
  data.SetUniDirectional(true);
  data.SetBufferChunks(4);
  data.Open();
  const TBookmark first = data.Bookmark();
  EXPECT_TRUE(data.BookmarkValid(first));
  for (int i = 0; i < 10; ++i) data.Next();
  EXPECT_FALSE(data.BookmarkValid(first));
  data.GotoBookmark(first);
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 11);
}

TEST_F(DataSetTest, NonSelectOpenLeavesAnEmptyDataset) {
  TFIBDataSet& data = NewDataSet({"execute block as declare x integer; begin x = 1; end"});
  data.Open();
  EXPECT_TRUE(data.Active());
  EXPECT_TRUE(data.IsEmpty());
  EXPECT_EQ(data.RecordCount(), 0);
  data.Next();
  data.Last();
  data.First();
  EXPECT_TRUE(data.Eof());
  data.CheckInvariants();
  data.Close();
  EXPECT_FALSE(data.Active());
}

TEST_F(DataSetTest, OldValueOfAnUnsavedRecordIsItsCurrentVersion) {
  TFIBDataSet& data = NewDataSet(HomeSelect());
  data.Open();
  data.MoveBy(2);
  EXPECT_EQ(data.FieldByName("HOME_ID")->OldValue().AsInteger(), 3);
  EXPECT_EQ(data.FieldByName("NAME")->OldValue().AsString(), RU("Жилец 3"));
  data.Next();
  EXPECT_EQ(data.FieldByName("HOME_ID")->OldValue().AsInteger(), 4);
}

TEST_F(DataSetTest, AppliedDeletionIsReportedAsDeleted) {
  auto* data = new TProbeDataSet(&Form());  // owned by the form
  data->SetDatabase(&DB());
  data->SetTransaction(&TR());
  for (const std::string& line : HomeSelect()) data->SelectSQL().Add(line);
  data->Open();
  const struct {
    TCachedUpdateStatus Status;
    TUpdateStatus Reported;
  } cases[] = {{cusUnmodified, usUnmodified}, {cusModified, usModified},        {cusInserted, usInserted},
               {cusDeleted, usDeleted},       {cusUninserted, usDeleted},        {cusDeletedApplied, usDeleted}};
  for (const auto& c : cases) {
    data->SetActiveStatus(c.Status);
    EXPECT_EQ(data->UpdateStatus(), c.Reported) << static_cast<int>(c.Status);
  }
}

// A failed fetch is raised; the records read before it stay in view and
// navigable, the cursor where the operation left it.
class FailedFetch : public DataSetTest,
                    public ::testing::WithParamInterface<std::pair<int, std::function<void(TFIBDataSet&)>>> {};

TEST_P(FailedFetch, KeepsTheRecordsReadBeforeIt) {
  TFIBDataSet& data = NewDataSet({"select HOME_ID, 1000 / (HOME_ID - 50) as Q from HOME_PHONES order by HOME_ID"});
  data.Open();
  data.MoveBy(2);
  EXPECT_TRUE(RaisedBy<EFIBInterBaseError>([&] { GetParam().second(data); }).Caught);
  EXPECT_EQ(data.RecordCount(), 49);
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), GetParam().first);
  data.Prior();
  EXPECT_EQ(data.RecNo(), GetParam().first - 1);
  data.Last();
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 49);
}

INSTANTIATE_TEST_SUITE_P(Roads, FailedFetch,
                         ::testing::Values(std::pair(49, [](TFIBDataSet& d) { d.Last(); }),
                                           std::pair(3, [](TFIBDataSet& d) { d.FetchAll(); }),
                                           std::pair(3, [](TFIBDataSet& d) { d.SetRecNo(80); })));

struct GetRecordErrorCase {
  const char* Name;
  TDataAction Action;
  bool Raises;
  bool Silent;
};

class GetRecordError : public DataSetTest, public ::testing::WithParamInterface<GetRecordErrorCase> {};

TEST_P(GetRecordError, HandlerDecidesWhatAFailedFetchDoes) {
  const GetRecordErrorCase& c = GetParam();
  TFIBDataSet& data = NewDataSet({"select HOME_ID, 1000 / (HOME_ID - 5) as Q from HOME_PHONES order by HOME_ID"});
  int calls = 0;
  data.OnGetRecordError = [&](TDataSet*, EDatabaseError&, TDataAction& action) {
    ++calls;
    EXPECT_EQ(action, daFail);
    action = c.Action;
  };
  data.Open();
  const auto walk = [&] {
    for (int i = 0; i < 10 && !data.Eof(); ++i) data.Next();
  };
  if (c.Silent) {
    EXPECT_TRUE(RaisedBy<EAbort>(walk).Caught);
  } else if (c.Raises) {
    EXPECT_TRUE(RaisedBy<EFIBInterBaseError>(walk).Caught);
  } else {
    walk();
    EXPECT_TRUE(data.Eof());
  }
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 4);
}

INSTANTIATE_TEST_SUITE_P(Actions, GetRecordError,
                         ::testing::Values(GetRecordErrorCase{"Fail", daFail, true, false},
                                           GetRecordErrorCase{"Abort", daAbort, false, true},
                                           GetRecordErrorCase{"Retry", daRetry, false, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DataSetTest, ControlsEventsFireOnceAtEachTransition) {
  TFIBDataSet& data = NewDataSet(HomeSelect());
  TDataSource source(&Form());
  source.SetDataSet(&data);
  TWindowLink link(3);
  link.SetDataSource(&source);
  std::vector<std::string> events;
  data.OnDisableControls = [&](TDataSet*) { events.push_back("disable"); };
  data.OnEnableControls = [&](TDataSet*) { events.push_back("enable"); };
  data.Open();
  data.DisableControls();
  data.Next();
  data.Next();
  data.EnableControls();
  data.Next();
  EXPECT_EQ(events, (std::vector<std::string>{"disable", "enable"}));
  link.SetDataSource(nullptr);
}

TEST_F(DataSetTest, FetchEventsSeeEveryRowAndMayStopTheFetching) {
  TFIBDataSet& data = NewDataSet(HomeSelect());
  std::vector<int> before, after;
  data.BeforeFetchRecord = [&](TFIBQuery* query, int number, bool&) {
    EXPECT_EQ(query, &data.SelectQuery());
    before.push_back(number);
  };
  data.AfterFetchRecord = [&](TFIBQuery*, int number, bool& stop) {
    after.push_back(number);
    stop = number == 19;
  };
  data.Open();
  data.Last();
  EXPECT_EQ(data.FetchedCount(), 20);
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 20);
  ASSERT_EQ(after.size(), 20U);
  EXPECT_EQ(after.back(), 19);
  EXPECT_EQ(before.front(), 0);
}

TEST_F(DataSetTest, TransactionEndClosesTheDataset) {
  TFIBDataSet& data = NewDataSet(HomeSelect());
  int ending = 0;
  data.TransactionEnding = [&](TObject*) { ++ending; };
  data.Open();
  TR().Commit();
  EXPECT_EQ(ending, 1);
  EXPECT_FALSE(data.Active());
  data.Open();
  EXPECT_TRUE(data.Active());
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 1);
}

TEST_F(DataSetTest, RecordValueReadsAnotherRecordWithoutMoving) {
  TFIBDataSet& data = NewDataSet(HomeSelect());
  data.Open();
  EXPECT_EQ(data.RecordFieldValue(data.FieldByName("PHONE"), 90).AsInteger(), 200090);
  EXPECT_EQ(data.FieldByName("HOME_ID")->AsInteger(), 1);
  EXPECT_EQ(MessageOf([&] { data.RecordFieldValue(data.FieldByName("PHONE"), 500); }),
            "Can't read record 500.MainForm.fdsTest");
}

TEST_F(DataSetTest, FilterTextIsCompiledAgainstTheFields) {
  TFIBDataSet& data = NewDataSet(HomeSelect());
  data.Open();
  data.SetFilter("HOME_ID > 5");
  EXPECT_EQ(data.Filter(), "HOME_ID > 5");
  EXPECT_TRUE(RaisedBy<EDatabaseError>([&] { data.SetFilter("NO_SUCH_FIELD = 1"); }).Caught);
}

TEST_F(DataSetTest, OriginsNameTheRelationAndTheColumn) {
  TFIBDataSet& data = NewDataSet({"select h.HOME_ID, h.NAME as RESIDENT from HOME_PHONES h"});
  data.Open();
  EXPECT_EQ(data.OriginOf(data.FieldByName("RESIDENT")), "HOME_PHONES.NAME");
  EXPECT_EQ(data.FieldByOrigin("HOME_PHONES.HOME_ID"), data.FieldByName("HOME_ID"));
  EXPECT_EQ(data.FieldByOrigin("HOME_PHONES.PHONE"), nullptr);
}

}  // namespace
