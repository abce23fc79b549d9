// The data-aware grid over the database layer's dataset on the embedded
// engine, set up as the directory program sets up its apartments grid:
// all records loaded, followed by HOME_ID, selection kept as bookmarks,
// sorting by a header click.

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "datagrid/grid/db_grid.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "framework/core/data/data_source.h"
#include "framework/gui/standard/dialogs.h"
#include "framework/gui/standard/forms.h"
#include "framework/core/text/text.h"
#include "framework/gui/controls/custom_control.h"
#include "grid/nodes/sort_comparers.h"
#include "tests/dbaccess/fib_dataset_fixture.h"

namespace {

class FibGridTest : public DataSetTest {
 protected:
  void SetUp() override {
    DataSetTest::SetUp();
    Window = std::make_unique<TForm>(nullptr);
    Window->SetBounds(0, 0, 600, 500);
    Window->Show();
    Home = &NewDataSet(HomeSelect(), "fdsHome");
    Home->RefreshSQL().SetText(
        "SELECT HOME_ID, NAME, STREET_ID, BUILD, CORP, APARTAMENT, PHONE, STREET_NAME FROM HOME_PHONES"
        " WHERE HOME_ID = ?OLD_HOME_ID");
    Source = new TDataSource(&Form());
    Source->SetName("dsHome");
    Source->SetDataSet(Home);
    Grid = new TdxDBGrid(Window.get());
    Grid->SetName("GridHome");
    Grid->SetParent(Window.get());
    Grid->SetBounds(0, 0, 500, 400);
    Grid->SetOptionsDB({edgoCancelOnExit, edgoCanDelete, edgoCanInsert, edgoCanNavigation, edgoConfirmDelete,
                        edgoLoadAllRecords, edgoUseBookmarks});
    for (const char* name : {"HOME_ID", "STREET_ID", "PHONE", "NAME", "STREET_NAME", "BUILD", "CORP"})
      Grid->CreateColumn<TdxDBGridMaskColumn>(Window.get())->SetFieldName(name);
    Grid->SetKeyField("HOME_ID");
    Grid->SetDataSource(Source);
  }
  void TearDown() override {
    Window.reset();
    if (Home->Active()) Home->Close();
    DataSetTest::TearDown();
  }

  int Id(const TdxTreeListNode* node) const { return std::stoi(Grid->GetCellText(node, 0)); }
  int CurrentId() const { return Home->FieldByName("HOME_ID")->AsInteger(); }

  std::unique_ptr<TForm> Window;
  TFIBDataSet* Home = nullptr;
  TDataSource* Source = nullptr;
  TdxDBGrid* Grid = nullptr;
};

TEST_F(FibGridTest, LoadsEveryApartmentAndFollowsLocate) {
  Home->Open();
  ASSERT_EQ(Grid->Count(), HomeRows);
  EXPECT_TRUE(Grid->AllRecordsLoaded());
  EXPECT_EQ(Grid->RecordCount(), HomeRows);
  EXPECT_EQ(Id(Grid->FocusedNode()), 1);
  EXPECT_EQ(Grid->GetCellVariant(Grid->Items(9), 2), Variant(200010));
  ASSERT_TRUE(Home->Locate("HOME_ID", Variant(77), {}));
  EXPECT_EQ(Id(Grid->FocusedNode()), 77);
  Grid->SetFocusedNodeAndColumn(Grid->Items(99), 0, true);
  EXPECT_EQ(CurrentId(), 100);
  Grid->CheckInvariants();
}

TEST_F(FibGridTest, HeaderClickSortsAndFocusStillMovesTheRightRecord) {
  Home->Open();
  Grid->ColumnClick(Grid->Columns(2), false);  // PHONE up
  Grid->ColumnClick(Grid->Columns(2), false);  // PHONE down
  EXPECT_EQ(Id(Grid->GetAbsoluteNode(0)), HomeRows);
  Grid->ColumnClick(Grid->Columns(3), false);  // NAME up: PHONE's sort ends
  EXPECT_EQ(Grid->Columns(2)->Sorted(), csNone);
  for (int i = 1; i < Grid->VisibleNodeCount(); ++i)
    ASSERT_LE(AnsiCompareText(Grid->GetCellText(Grid->GetAbsoluteNode(i - 1), 3),
                              Grid->GetCellText(Grid->GetAbsoluteNode(i), 3)),
              0);
  TdxTreeListNode* node = Grid->GetAbsoluteNode(57);
  Grid->SetFocusedNodeAndColumn(node, 0, true);
  EXPECT_EQ(CurrentId(), Id(node));
}

TEST_F(FibGridTest, RefreshKeepsTopRowFocusAndSelection) {
  Home->Open();
  TdxDBGridOptionsBehavior behavior = Grid->OptionsBehavior();
  behavior.Include(edgoMultiSelect);
  Grid->SetOptionsBehavior(behavior);
  Grid->ClearSelection();
  Grid->SetTopVisibleNode(Grid->Items(40));
  Grid->SetFocusedNodeAndColumn(Grid->Items(45), 0, false);
  Grid->SelectRange(Grid->Items(44), Grid->Items(47));
  ASSERT_EQ(Grid->SelectedCount(), 4);
  Home->Refresh();
  EXPECT_EQ(Grid->Count(), HomeRows);
  EXPECT_EQ(Id(Grid->TopVisibleNode()), 41);
  EXPECT_EQ(Id(Grid->FocusedNode()), 46);
  EXPECT_EQ(CurrentId(), 46);
  std::set<int> selected;
  for (int i = 0; i < Grid->SelectedCount(); ++i) selected.insert(Id(Grid->SelectedNodes(i)));
  EXPECT_EQ(selected, std::set<int>({45, 46, 47, 48}));
}

TEST_F(FibGridTest, RecordWindowScrollsTheDataSet) {
  Grid->SetOptionsDB({edgoCancelOnExit, edgoCanNavigation, edgoUseBookmarks});
  Home->Open();
  EXPECT_TRUE(Grid->IsBufferMode());
  const int rows = Grid->Count();
  EXPECT_GT(rows, 5);
  EXPECT_LT(rows, 40);
  Grid->WMVScroll(SB_PAGEDOWN, 0);
  EXPECT_EQ(CurrentId(), 1 + Grid->RowsInView());
  EXPECT_EQ(Grid->Count(), rows);
  Grid->WMVScroll(SB_BOTTOM, 0);
  EXPECT_EQ(CurrentId(), HomeRows);
  EXPECT_EQ(Id(Grid->FocusedNode()), HomeRows);
}

}  // namespace

namespace {

// Group rows over the server's records: every record sits under the row of
// its street, streets in order, and a footer count and sum over PHONE
// total what the server totals.
TEST_F(FibGridTest, GroupsByStreetAndTotalsAsTheServerDoes) {
  Home->Open();
  auto* street = static_cast<TdxDBTreeListColumn*>(Grid->Columns(1));  // STREET_ID
  auto* phone = static_cast<TdxDBTreeListColumn*>(Grid->Columns(2));
  phone->SetSummaryFooterType(cstSum);
  street->SetSummaryType(cstCount);
  street->SetGroupIndex(0);
  ASSERT_GT(Grid->Count(), 1);
  int records = 0;
  Variant previous = Variant::Null();
  for (int i = 0; i < Grid->Count(); ++i) {
    const auto* group = static_cast<const TdxDBGridNode*>(Grid->Items(i));
    ASSERT_GT(group->Count(), 0);
    if (i > 0) {
      EXPECT_LT(CompareVariants(previous, group->GroupValue()), 0) << "streets ascend";
    }
    previous = group->GroupValue();
    for (int j = 0; j < group->Count(); ++j)
      EXPECT_EQ(Grid->GetCellVariant(group->Items(j), 1), group->GroupValue());
    EXPECT_EQ(static_cast<int>(group->SummaryValue()), group->Count());
    records += group->Count();
  }
  EXPECT_EQ(records, HomeRows);
  long double sum = 0;
  for (int id = 1; id <= HomeRows; ++id) sum += 200000 + id;
  EXPECT_EQ(Grid->FooterSummaryValue(2), sum);

  // Focus follows the dataset into a collapsed group.
  ASSERT_TRUE(Home->Locate("HOME_ID", Variant(77), {}));
  ASSERT_NE(Grid->FocusedNode(), nullptr);
  street->SetGroupIndex(-1);
  EXPECT_EQ(Grid->Count(), HomeRows);
  Grid->CheckInvariants();
}

}  // namespace
