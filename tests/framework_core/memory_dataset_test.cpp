// The in-memory dataset: fields and their lifetime, locate and lookup,
// filtering, blobs.

#include <gtest/gtest.h>

#include "framework/core/storage/streams.h"
#include "tests/framework_core/dataset_fixture.h"

namespace {

// Hears of the fields it watches being destroyed.
class Watcher : public TComponent {
 public:
  Watcher() : TComponent(nullptr) {}
  std::vector<TComponent*> Removed;
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove) Removed.push_back(component);
  }
};

TEST(MemoryDataSet, DefaultFieldsLiveWhileTheDatasetIsOpen) {
  TMemoryDataSet data(nullptr);
  FillPeople(data, 3);
  EXPECT_TRUE(data.DefaultFields());
  ASSERT_EQ(data.FieldCount(), 2);
  TField* id = data.Fields()[0];
  EXPECT_NE(dynamic_cast<TIntegerField*>(id), nullptr);
  EXPECT_NE(dynamic_cast<TStringField*>(data.Fields()[1]), nullptr);
  EXPECT_EQ(data.Fields()[1]->Size(), 20);
  EXPECT_TRUE(id->Required());
  EXPECT_EQ(id->FieldNo(), 1);
  Watcher watcher;
  watcher.FreeNotification(id);
  data.Close();
  EXPECT_EQ(data.FieldCount(), 0);
  EXPECT_EQ(watcher.Removed, std::vector<TComponent*>({id}));
  data.Open();
  EXPECT_EQ(data.RecordCount(), 3);
  EXPECT_EQ(data.FieldByName("name")->AsString(), "Name1");
}

TEST(MemoryDataSet, PersistentFieldsSurviveClosingAndMustMatchTheDefinitions) {
  TMemoryDataSet data(nullptr);
  DefinePeople(data);
  auto* name = new TStringField(&data);
  name->SetFieldName("NAME");
  name->SetDataSet(&data);
  data.Open();
  EXPECT_FALSE(data.DefaultFields());
  EXPECT_EQ(data.FieldCount(), 1);
  EXPECT_THROW(name->SetSize(5), EDatabaseError);
  EXPECT_THROW(name->SetDataSet(nullptr), EDatabaseError);
  data.Close();
  EXPECT_EQ(data.FieldCount(), 1);
  EXPECT_EQ(name->FieldNo(), 0);

  auto* wrong = new TFloatField(&data);
  wrong->SetFieldName("ID");
  wrong->SetDataSet(&data);
  try {
    data.Open();
    FAIL() << "a float field was bound to an integer column";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Type mismatch for field 'ID', expecting: Float actual: Integer");
  }
  EXPECT_FALSE(data.Active());
  auto* duplicate = new TIntegerField(&data);
  duplicate->SetFieldName("name");
  EXPECT_THROW(duplicate->SetDataSet(&data), EDatabaseError);
  EXPECT_EQ(duplicate->DataSet(), nullptr);
}

TEST(MemoryDataSet, RowsSurviveReopeningUnlessTheColumnsChange) {
  TMemoryDataSet data(nullptr);
  FillPeople(data, 4);
  data.Close();
  data.Open();
  EXPECT_EQ(data.RecordCount(), 4);
  data.Close();
  data.FieldDefs().Add("PHONE", ftString, 12);
  data.Open();
  EXPECT_EQ(data.RecordCount(), 0);
}

TEST(MemoryDataSet, FieldsMoveWithinTheFieldList) {
  TMemoryDataSet data(nullptr);
  FillPeople(data, 1);
  TField* name = data.FieldByName("NAME");
  name->SetIndex(0);
  EXPECT_EQ(data.Fields()[0], name);
  EXPECT_EQ(name->Index(), 0);
  name->SetIndex(99);
  EXPECT_EQ(name->Index(), 1);
  EXPECT_EQ(data.Fields().FieldByNumber(2), name);
  EXPECT_THROW(data.Fields()[2], EListError);
  try {
    data.FieldByName("MISSING");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'MISSING' not found");
  }
  data.SetName("People");
  try {
    data.FieldByName("MISSING");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "People: Field 'MISSING' not found");
  }
}

TEST(MemoryDataSet, LocateFindsByOneOrSeveralKeysWithOptions) {
  TMemoryDataSet data(nullptr);
  FillPeople(data, 20);
  EXPECT_TRUE(data.Locate("ID", Variant(12), {}));
  EXPECT_EQ(CurrentId(data), 12);
  EXPECT_TRUE(data.Locate("NAME", Variant("name7"), {loCaseInsensitive}));
  EXPECT_EQ(CurrentId(data), 7);
  EXPECT_FALSE(data.Locate("NAME", Variant("name7"), {}));
  EXPECT_EQ(CurrentId(data), 7);
  EXPECT_TRUE(data.Locate("NAME", Variant("Name1"), {loPartialKey}));
  EXPECT_EQ(CurrentId(data), 1);
  EXPECT_TRUE(data.Locate("ID;NAME", VarArrayOf({Variant(15), Variant("Name15")}), {}));
  EXPECT_EQ(CurrentId(data), 15);
  EXPECT_FALSE(data.Locate("ID;NAME", VarArrayOf({Variant(15), Variant("Name16")}), {}));
  EXPECT_TRUE(data.Locate("ID", Variant("3"), {}));
  EXPECT_EQ(CurrentId(data), 3);
  EXPECT_FALSE(data.Locate("ID", Variant("three"), {}));
  data.Edit();
  data.FieldByName("NAME")->Clear();
  data.Post();
  EXPECT_TRUE(data.Locate("NAME", Variant::Null(), {}));
  EXPECT_EQ(CurrentId(data), 3);
  data.CheckInvariants();
}

TEST(MemoryDataSet, LookupReadsWithoutMoving) {
  TMemoryDataSet data(nullptr);
  FillPeople(data, 10);
  data.MoveBy(4);
  const Variant values = data.Lookup("ID", Variant(8), "NAME;ID");
  ASSERT_TRUE(values.IsArray());
  EXPECT_EQ(values[0].AsString(), "Name8");
  EXPECT_EQ(values[1].AsInteger(), 8);
  EXPECT_TRUE(data.Lookup("ID", Variant(80), "NAME").IsNull());
  EXPECT_EQ(CurrentId(data), 5);
  EXPECT_EQ(data.FieldValues("ID;NAME")[1].AsString(), "Name5");
}

TEST(MemoryDataSet, FilterRecordDecidesWhatNavigationShows) {
  TMemoryDataSet data(nullptr);
  FillPeople(data, 20);
  int asked = 0;
  data.OnFilterRecord = [&](TDataSet* dataSet, bool& accept) {
    ++asked;
    EXPECT_EQ(dataSet->State(), dsFilter);
    accept = dataSet->FieldByName("ID")->AsInteger() % 3 == 0;
  };
  EXPECT_EQ(asked, 0);
  data.SetFilteredFlag(true);
  EXPECT_GT(asked, 0);
  EXPECT_EQ(CurrentId(data), 3);
  EXPECT_FALSE(data.IsSequenced());
  EXPECT_EQ(data.RecordCount(), 6);
  data.Next();
  EXPECT_EQ(CurrentId(data), 6);
  EXPECT_EQ(data.RecNo(), 2);
  data.Last();
  EXPECT_EQ(CurrentId(data), 18);
  EXPECT_FALSE(data.Locate("ID", Variant(10), {}));
  EXPECT_TRUE(data.Locate("ID", Variant(12), {}));
  data.SetRecNo(5);
  EXPECT_EQ(CurrentId(data), 15);
  data.Append();
  data.FieldByName("ID")->SetAsInteger(22);
  data.Post();
  EXPECT_EQ(data.RecordCount(), 6);
  data.SetFiltered(false);
  EXPECT_EQ(CurrentId(data), 1);
  EXPECT_EQ(data.RecordCount(), 21);
  data.CheckInvariants();
}

TEST(MemoryDataSet, FilterTextAndOptionsAreKeptForTheDescendantToEvaluate) {
  TMemoryDataSet data(nullptr);
  FillPeople(data, 3);
  data.SetFilterExpression("NAME = 'x'");
  data.SetFilterOptionSet({foCaseInsensitive});
  EXPECT_EQ(data.Filter(), "NAME = 'x'");
  EXPECT_TRUE(data.FilterOptions().Contains(foCaseInsensitive));
  data.SetFiltered(true);
  EXPECT_EQ(data.RecordCount(), 3);
}

TEST(MemoryDataSet, BlobsAreWrittenThroughStreamsAndKeptUntilPost) {
  TMemoryDataSet data(nullptr);
  data.FieldDefs().Add("ID", ftInteger);
  data.FieldDefs().Add("NOTES", ftMemo);
  data.Open();
  data.AppendRecord({Variant(1), Variant("first note")});
  data.AppendRecord({Variant(2)});
  data.First();
  auto* notes = dynamic_cast<TMemoField*>(data.FieldByName("NOTES"));
  ASSERT_NE(notes, nullptr);
  EXPECT_EQ(notes->BlobType(), ftMemo);
  EXPECT_EQ(notes->AsString(), "first note");
  EXPECT_EQ(notes->BlobSize(), 10);
  EXPECT_EQ(notes->DisplayText(), "(MEMO)");
  data.Edit();
  notes->SetAsString("second thoughts");
  EXPECT_EQ(notes->AsString(), "second thoughts");
  EXPECT_TRUE(data.Modified());
  data.Cancel();
  EXPECT_EQ(notes->AsString(), "first note");
  data.Edit();
  {
    std::unique_ptr<TStream> stream = data.CreateBlobStream(notes, bmReadWrite);
    stream->Seek(0, soEnd);
    stream->WriteString(", more");
  }
  data.Post();
  EXPECT_EQ(notes->AsString(), "first note, more");
  data.Next();
  EXPECT_TRUE(notes->IsNull());
  EXPECT_EQ(notes->DisplayText(), "(Memo)");
  EXPECT_EQ(notes->AsString(), "");
  EXPECT_THROW(notes->SetAsString("not editing"), EDatabaseError);
  data.Edit();
  notes->SetAsString("");
  data.Post();
  EXPECT_TRUE(notes->IsNull());
}

TEST(MemoryDataSet, ReadsBeyondTheRecordsAreCounted) {
  TMemoryDataSet data(nullptr);
  FillPeople(data, 2);
  data.FieldByName("ID")->AsInteger();
  EXPECT_EQ(data.InvalidReadCount(), 0);
  data.EmptyDataSet();
  EXPECT_TRUE(data.IsEmpty());
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 0);
  EXPECT_EQ(data.InvalidReadCount(), 1);
  data.ResetInvalidReadCount();
  EXPECT_EQ(data.InvalidReadCount(), 0);
}

TEST(MemoryDataSet, ClosedDatasetsRefuseFieldAccess) {
  TMemoryDataSet data(nullptr);
  DefinePeople(data);
  auto* id = new TIntegerField(&data);
  id->SetFieldName("ID");
  id->SetDataSet(&data);
  try {
    id->AsInteger();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Cannot perform this operation on a closed dataset");
  }
  data.Open();
  EXPECT_THROW(data.FieldDefs().Add("id", ftInteger), EDatabaseError);
  EXPECT_THROW(id->SetFieldKind(fkCalculated), EDatabaseError);
}

TEST(MemoryDataSet, AnActiveDatasetOfAFormOpensWhenTheFormHasLoaded) {
  TLoadingScope loading;
  TMemoryDataSet data(nullptr);
  DefinePeople(data);
  int opened = 0;
  data.AfterOpen = [&](TDataSet*) { ++opened; };
  data.SetActive(true);
  EXPECT_FALSE(data.Active());
  loading.Finish();
  EXPECT_TRUE(data.Active());
  EXPECT_EQ(opened, 1);
}

}  // namespace
