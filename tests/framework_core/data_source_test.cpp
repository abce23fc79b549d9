// Data sources and data links: what they are told, in which order, and how
// they come and go.

#include <gtest/gtest.h>

#include <memory>

#include "tests/framework_core/dataset_fixture.h"

namespace {

using Events = std::vector<std::string>;

class Links : public ::testing::Test {
 protected:
  void SetUp() override {
    DefinePeople(Data);
    Source.SetDataSet(&Data);
    Link.LogBrowseChecks = true;
    Link.SetBufferCount(10);
    Link.SetDataSource(&Source);
    FillPeople(Data, 30);
    Link.Take();
  }

  TMemoryDataSet Data{nullptr};
  TDataSource Source{nullptr};
  RecordingLink Link;
};

TEST_F(Links, EditingNotifiesTheLinksInOrder) {
  Data.MoveBy(4);
  Link.Take();
  Data.Edit();
  EXPECT_EQ(Link.Take(), Events({"check browse", "editing", "record"}));
  Data.FieldByName("NAME")->SetAsString("Edited");
  EXPECT_EQ(Link.Take(), Events({"record NAME"}));
  Data.Post();
  EXPECT_EQ(Link.Take(), Events({"update data", "check browse", "browsing", "changed"}));
  EXPECT_EQ(Data.FieldByName("NAME")->AsString(), "Edited");
  EXPECT_EQ(Link.ActiveRecord(), 4);
}

TEST_F(Links, InsertPostCancelAppendAndDeleteNotifyTheLinksInOrder) {
  Data.MoveBy(3);
  Link.Take();

  Data.Insert();
  EXPECT_EQ(Link.Take(), Events({"check browse", "editing", "changed"}));
  EXPECT_EQ(Link.ActiveRecord(), 3);
  Data.FieldByName("ID")->SetAsInteger(100);
  Link.Take();
  Data.Post();
  EXPECT_EQ(Link.Take(), Events({"update data", "check browse", "browsing", "changed"}));
  EXPECT_EQ(WindowIds(Link), std::vector<int>({1, 2, 3, 100, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(Link.ActiveRecord(), 3);

  Data.Insert();
  Link.Take();
  Data.Cancel();
  EXPECT_EQ(Link.Take(), Events({"check browse", "browsing", "changed"}));
  EXPECT_EQ(CurrentId(Data), 100);
  EXPECT_EQ(WindowIds(Link), std::vector<int>({1, 2, 3, 100, 4, 5, 6, 7, 8, 9}));

  Data.Append();
  EXPECT_EQ(Link.Take(), Events({"check browse", "editing", "changed"}));
  EXPECT_EQ(Link.ActiveRecord(), 9);
  EXPECT_TRUE(Data.FieldByName("ID")->IsNull());
  Data.FieldByName("ID")->SetAsInteger(200);
  Data.Post();
  Link.Take();
  EXPECT_EQ(CurrentId(Data), 200);
  EXPECT_EQ(WindowIds(Link), std::vector<int>({22, 23, 24, 25, 26, 27, 28, 29, 30, 200}));

  Data.Delete();
  EXPECT_EQ(Link.Take(), Events({"check browse", "changed"}));
  EXPECT_EQ(CurrentId(Data), 30);
  EXPECT_EQ(Data.RecordCount(), 31);
  Data.CheckInvariants();
}

TEST_F(Links, NonVisualLinksHearBeforeControls) {
  Events shared;
  RecordingLink detail(false), control(true);
  detail.Tag = "detail ";
  control.Tag = "control ";
  control.SetDataSource(&Source);
  detail.SetDataSource(&Source);
  detail.Shared = &shared;
  control.Shared = &shared;
  Data.Next();
  EXPECT_EQ(shared, Events({"detail scrolled 1", "control scrolled 1"}));
}

TEST_F(Links, LinksFollowTheDatasetOpeningAndClosing) {
  Data.Close();
  EXPECT_EQ(Link.Take(), Events({"inactive"}));
  EXPECT_FALSE(Link.Active());
  EXPECT_EQ(Link.ActiveRecord(), 0);
  EXPECT_EQ(Link.RecordCount(), 0);
  Data.Open();
  EXPECT_EQ(Link.Take(), Events({"active"}));
  EXPECT_EQ(Link.RecordCount(), 10);
  Source.SetEnabled(false);
  EXPECT_EQ(Link.Take(), Events({"inactive"}));
  Source.SetEnabled(true);
  EXPECT_EQ(Link.Take(), Events({"active"}));
}

TEST_F(Links, ALinkLeavingTheSourceGivesUpItsWindow) {
  RecordingLink big;
  big.SetBufferCount(20);
  big.SetDataSource(&Source);
  Data.MoveBy(15);
  Data.CheckInvariants();
  big.SetDataSource(nullptr);
  EXPECT_EQ(big.Take().back(), "inactive");
  Data.CheckInvariants();
  EXPECT_EQ(CurrentId(Data), 16);
  {
    auto shortLived = std::make_unique<RecordingLink>();
    shortLived->SetBufferCount(25);
    shortLived->SetDataSource(&Source);
    EXPECT_EQ(Source.DataLinkCount(), 2);
  }
  EXPECT_EQ(Source.DataLinkCount(), 1);
  Data.CheckInvariants();
}

TEST_F(Links, DestroyedDatasetsAndSourcesLeaveTheirLinksInactive) {
  auto data = std::make_unique<TMemoryDataSet>(nullptr);
  auto source = std::make_unique<TDataSource>(nullptr);
  FillPeople(*data, 5);
  source->SetDataSet(data.get());
  RecordingLink link;
  link.SetDataSource(source.get());
  EXPECT_TRUE(link.Active());
  data.reset();
  EXPECT_EQ(source->DataSet(), nullptr);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(link.DataSet(), nullptr);
  source.reset();
  EXPECT_EQ(link.DataSource(), nullptr);
}

TEST_F(Links, ActiveRecordCanBeMovedOnlyOntoRowsThatHoldRecords) {
  Link.SetActiveRecord(7);
  EXPECT_EQ(CurrentId(Data), 8);
  Link.SetActiveRecord(0);
  EXPECT_THROW(Link.SetActiveRecord(10), EDatabaseError);
  EXPECT_THROW(Link.SetActiveRecord(-1), EDatabaseError);
  Data.CheckInvariants();
}

TEST_F(Links, EditRequestsGoThroughTheSourceAndRespectReadOnly) {
  Link.SetReadOnly(true);
  EXPECT_FALSE(Link.Edit());
  EXPECT_EQ(Data.State(), dsBrowse);
  Link.SetReadOnly(false);
  Source.SetAutoEdit(false);
  EXPECT_FALSE(Link.RequestEdit());
  Source.SetAutoEdit(true);
  EXPECT_TRUE(Link.RequestEdit());
  EXPECT_EQ(Data.State(), dsEdit);
  Data.Cancel();
  Data.SetReadOnly(true);
  EXPECT_THROW(Link.Edit(), EDatabaseError);
  EXPECT_EQ(Data.State(), dsBrowse);
}

TEST_F(Links, FocusControlReachesTheLinksWithTheField) {
  Data.FieldByName("NAME")->FocusControl();
  EXPECT_EQ(Link.Take(), Events({"focus NAME"}));
}

TEST_F(Links, FieldLayoutChangesReachTheLinks) {
  Data.FieldByName("NAME")->SetDisplayWidth(30);
  EXPECT_EQ(Link.Take(), Events({"layout"}));
  Data.FieldByName("NAME")->SetAlignment(taCenter);
  EXPECT_EQ(Link.Take(), Events({"changed"}));
}

TEST_F(Links, SourceEventsReportStateAndData) {
  int states = 0, changes = 0, updates = 0;
  TField* changedField = nullptr;
  Source.OnStateChange = [&](TObject*) { ++states; };
  Source.OnDataChange = [&](TObject*, TField* field) {
    ++changes;
    changedField = field;
  };
  Source.OnUpdateData = [&](TObject*) { ++updates; };
  Data.Next();
  EXPECT_EQ(changes, 1);
  Data.Edit();
  EXPECT_EQ(states, 1);
  Data.FieldByName("NAME")->SetAsString("x");
  EXPECT_EQ(changedField, Data.FieldByName("NAME"));
  Data.Post();
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(states, 2);
  EXPECT_EQ(Source.State(), dsBrowse);
}

// A dataset whose master is another source, for the circular-link check.
class DetailData : public TMemoryDataSet {
 public:
  using TMemoryDataSet::TMemoryDataSet;
  TDataSource* Master = nullptr;
  TDataSource* GetDataSource() const override { return Master; }
};

TEST(DataSource, RefusesADatasetWhoseMasterChainLeadsBackToIt) {
  DetailData detail(nullptr);
  TDataSource master(nullptr);
  detail.Master = &master;
  EXPECT_THROW(master.SetDataSet(&detail), EDatabaseError);
  EXPECT_EQ(master.DataSet(), nullptr);
  TDataSource other(nullptr);
  EXPECT_NO_THROW(other.SetDataSet(&detail));
}

}  // namespace
