// The edit state machine with its events, and calculated and lookup fields.

#include <gtest/gtest.h>

#include "tests/framework_core/dataset_fixture.h"
#include "tests/support/city_lookup.h"

namespace {

using Events = std::vector<std::string>;

class Editing : public ::testing::Test {
 protected:
  void SetUp() override {
    FillPeople(Data, 5);
    const auto note = [this](const char* name) {
      return TDataSetNotifyEvent([this, name](TDataSet*) { Log.push_back(name); });
    };
    Data.BeforeInsert = note("BeforeInsert");
    Data.AfterInsert = note("AfterInsert");
    Data.BeforeEdit = note("BeforeEdit");
    Data.AfterEdit = note("AfterEdit");
    Data.BeforePost = note("BeforePost");
    Data.AfterPost = note("AfterPost");
    Data.BeforeCancel = note("BeforeCancel");
    Data.AfterCancel = note("AfterCancel");
    Data.BeforeDelete = note("BeforeDelete");
    Data.AfterDelete = note("AfterDelete");
    Data.BeforeScroll = note("BeforeScroll");
    Data.AfterScroll = note("AfterScroll");
    Data.OnNewRecord = note("OnNewRecord");
    Data.BeforeRefresh = note("BeforeRefresh");
    Data.AfterRefresh = note("AfterRefresh");
  }

  Events Take() {
    Events events = std::move(Log);
    Log.clear();
    return events;
  }

  std::vector<int> AllIds() {
    std::vector<int> ids;
    TDisableControlsScope quiet(Data);
    const TBookmark mark = Data.Bookmark();
    for (Data.First(); !Data.Eof(); Data.Next()) ids.push_back(CurrentId(Data));
    Data.GotoBookmark(mark);
    Take();
    return ids;
  }

  TMemoryDataSet Data{nullptr};
  Events Log;
};

TEST_F(Editing, EachOperationFiresItsEventsInOrder) {
  Data.Next();
  Take();
  Data.Edit();
  EXPECT_EQ(Take(), Events({"BeforeEdit", "AfterEdit"}));
  Data.Post();
  EXPECT_EQ(Take(), Events({"BeforePost", "AfterPost"}));
  Data.Insert();
  EXPECT_EQ(Take(), Events({"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"}));
  Data.Cancel();
  EXPECT_EQ(Take(), Events({"BeforeCancel", "BeforeScroll", "AfterCancel", "AfterScroll"}));
  Data.Edit();
  Take();
  Data.Cancel();
  EXPECT_EQ(Take(), Events({"BeforeCancel", "AfterCancel"}));
  Data.Delete();
  EXPECT_EQ(Take(), Events({"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
  Data.Refresh();
  EXPECT_EQ(Take(), Events({"BeforeRefresh", "AfterRefresh"}));
  Data.AppendRecord({Variant(9), Variant("Nine")});
  EXPECT_EQ(Take(), Events({"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "BeforePost",
                            "AfterPost"}));
}

TEST_F(Editing, InsertGoesBeforeTheCurrentRecordAndAppendAtTheEnd) {
  Data.MoveBy(2);
  Data.Insert();
  EXPECT_EQ(Data.State(), dsInsert);
  Data.FieldByName("ID")->SetAsInteger(30);
  Data.Post();
  EXPECT_EQ(CurrentId(Data), 30);
  EXPECT_EQ(AllIds(), std::vector<int>({1, 2, 30, 3, 4, 5}));
  Data.First();
  Data.Append();
  Data.FieldByName("ID")->SetAsInteger(60);
  Data.Post();
  EXPECT_EQ(CurrentId(Data), 60);
  EXPECT_EQ(AllIds(), std::vector<int>({1, 2, 30, 3, 4, 5, 60}));
  Data.First();
  Data.InsertRecord({Variant(10), Variant("Ten")});
  Data.AppendRecord({Variant(70)});
  EXPECT_EQ(AllIds(), std::vector<int>({10, 1, 2, 30, 3, 4, 5, 60, 70}));
  EXPECT_EQ(Data.FieldByName("NAME")->IsNull(), true);
  Data.CheckInvariants();
}

TEST_F(Editing, CancelAndFailedPostLoseNothingOfTheStoredRecord) {
  Data.Edit();
  Data.FieldByName("NAME")->SetAsString("Changed");
  EXPECT_TRUE(Data.Modified());
  Data.Cancel();
  EXPECT_EQ(Data.FieldByName("NAME")->AsString(), "Name1");
  Data.Insert();
  Data.FieldByName("NAME")->SetAsString("No id");
  try {
    Data.Post();
    FAIL() << "a required field without value was posted";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'ID' must have a value");
  }
  EXPECT_EQ(Data.State(), dsInsert);
  Data.Cancel();
  EXPECT_EQ(AllIds(), Range(1, 5));
}

TEST_F(Editing, CheckBrowseModePostsChangesAndCancelsUntouchedInserts) {
  Data.Edit();
  Data.FieldByName("NAME")->SetAsString("Kept");
  Data.Next();
  EXPECT_EQ(Data.State(), dsBrowse);
  Data.Prior();
  EXPECT_EQ(Data.FieldByName("NAME")->AsString(), "Kept");
  Data.Insert();
  Data.Next();
  EXPECT_EQ(AllIds(), Range(1, 5));
}

TEST_F(Editing, MisuseIsRefused) {
  EXPECT_THROW(Data.Post(), EDatabaseError);
  EXPECT_THROW(Data.FieldByName("NAME")->SetAsString("x"), EDatabaseError);
  Data.SetReadOnly(true);
  EXPECT_THROW(Data.Edit(), EDatabaseError);
  EXPECT_THROW(Data.Insert(), EDatabaseError);
  EXPECT_THROW(Data.Delete(), EDatabaseError);
  EXPECT_EQ(Data.State(), dsBrowse);
  EXPECT_EQ(AllIds(), Range(1, 5));
  Data.SetReadOnly(false);
  Data.FieldByName("ID")->SetReadOnly(true);
  Data.Edit();
  EXPECT_THROW(Data.FieldByName("ID")->SetAsInteger(7), EDatabaseError);
  Data.Cancel();
}

TEST_F(Editing, EditOnAnEmptyDatasetInsertsAndDeletingTheLastRecordEmptiesIt) {
  TMemoryDataSet empty(nullptr);
  FillPeople(empty, 0);
  empty.Edit();
  EXPECT_EQ(empty.State(), dsInsert);
  empty.FieldByName("ID")->SetAsInteger(1);
  empty.Post();
  EXPECT_EQ(empty.RecordCount(), 1);
  empty.Delete();
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_THROW(empty.Delete(), EDatabaseError);
  empty.CheckInvariants();
}

TEST_F(Editing, ANewRecordHandlerThatFailsLeavesTheDatasetBrowsing) {
  Data.OnNewRecord = [](TDataSet*) { throw EDatabaseError("no new records today"); };
  Data.MoveBy(1);
  EXPECT_THROW(Data.Insert(), EDatabaseError);
  EXPECT_EQ(Data.State(), dsBrowse);
  EXPECT_EQ(CurrentId(Data), 2);
  Data.CheckInvariants();
  EXPECT_THROW(Data.AppendRecord({Variant(9)}), EDatabaseError);
  EXPECT_EQ(AllIds(), Range(1, 5));
  Data.CheckInvariants();
}

TEST_F(Editing, OldAndNewValuesAndValidationSeeTheRightRecord) {
  TField* name = Data.FieldByName("NAME");
  std::string seen;
  name->OnValidate = [&](TField* field) {
    seen = field->AsString();
    if (seen == "bad") throw EDatabaseError("bad name");
  };
  Data.Edit();
  name->SetAsString("good");
  EXPECT_EQ(seen, "good");
  EXPECT_THROW(name->SetAsString("bad"), EDatabaseError);
  EXPECT_EQ(name->AsString(), "good");
  EXPECT_EQ(name->OldValue().AsString(), "Name1");
  EXPECT_EQ(name->NewValue().AsString(), "good");
  Data.Post();
  EXPECT_EQ(name->OldValue().AsString(), "good");
  int changes = 0;
  name->OnChange = [&](TField*) { ++changes; };
  Data.Edit();
  name->SetNewValue(Variant("quiet"));
  EXPECT_EQ(changes, 0);
  name->SetAsString("loud");
  EXPECT_EQ(changes, 1);
  Data.Cancel();
}

// Calculated fields: the buffer of a record that leaves the window is
// reused for the next one; a calculation that leaves a field unset must
// show it empty, not the value of the record that was there before.
TEST(CalculatedFields, NeverShowAPreviousRecordsValues) {
  TMemoryDataSet data(nullptr);
  DefinePeople(data);
  auto* id = new TIntegerField(&data);
  id->SetFieldName("ID");
  id->SetDataSet(&data);
  auto* name = new TStringField(&data);
  name->SetFieldName("NAME");
  name->SetDataSet(&data);
  auto* even = new TStringField(&data);
  even->SetFieldName("EVEN_NAME");
  even->SetFieldKind(fkCalculated);
  even->SetDataSet(&data);
  data.OnCalcFields = [&](TDataSet*) {
    if (id->AsInteger() % 2 == 0) even->SetAsString("even " + name->AsString());
  };
  TDataSource source(nullptr);
  source.SetDataSet(&data);
  RecordingLink link;
  link.SetBufferCount(4);
  link.SetDataSource(&source);
  FillPeople(data, 12);
  EXPECT_FALSE(data.DefaultFields());
  for (int step = 0; step < 12; ++step) {
    for (int row = 0; row < link.RecordCount(); ++row) {
      link.SetActiveRecord(row);
      const int current = id->AsInteger();
      if (current % 2 == 0)
        EXPECT_EQ(even->AsString(), "even Name" + std::to_string(current));
      else
        EXPECT_TRUE(even->IsNull()) << "record " << current << " shows " << even->AsString();
    }
    data.Next();
  }
  for (int step = 0; step < 12; ++step) {
    EXPECT_EQ(even->IsNull(), id->AsInteger() % 2 != 0) << id->AsInteger();
    data.Prior();
  }
  // Editing recalculates from the edited values.
  data.First();
  data.Edit();
  id->SetAsInteger(2);
  EXPECT_EQ(even->AsString(), "even Name1");
  id->SetAsInteger(3);
  EXPECT_TRUE(even->IsNull());
  data.Cancel();
}

TEST(LookupFields, ShowTheLookupDatasetsValueForTheKey) {
  TCityLookup lookup;
  TMemoryDataSet& people = lookup.People;
  TStringField* title = lookup.Title;
  people.Open();
  people.AppendRecord({Variant(1), Variant(2)});
  people.AppendRecord({Variant(2), Variant(1)});
  people.AppendRecord({Variant(3), Variant::Null()});
  people.AppendRecord({Variant(4), Variant(9)});
  people.First();
  EXPECT_EQ(title->AsString(), "Kelvorsk");
  EXPECT_TRUE(title->IsLookupField());
  people.Next();
  EXPECT_EQ(title->AsString(), "Tulvo");
  people.Next();
  EXPECT_TRUE(title->IsNull());
  people.Next();
  EXPECT_TRUE(title->IsNull());
  EXPECT_EQ(people.Lookup("ID", Variant(2), "CITY_TITLE").AsString(), "Tulvo");
  EXPECT_TRUE(title->CanModify());
  people.SetReadOnly(true);
  EXPECT_FALSE(title->CanModify());
}

TEST(LookupFields, IncompleteDefinitionsAreRefusedAtOpening) {
  TMemoryDataSet people(nullptr);
  people.FieldDefs().Add("ID", ftInteger);
  auto* title = new TStringField(&people);
  title->SetFieldName("TITLE");
  title->SetFieldKind(fkLookup);
  title->SetDataSet(&people);
  EXPECT_THROW(people.Open(), EDatabaseError);
  EXPECT_FALSE(people.Active());
}

}  // namespace
