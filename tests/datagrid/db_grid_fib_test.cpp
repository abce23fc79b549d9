// The data-aware grid over the database layer's dataset on the embedded
// engine, set up as the directory program sets up its apartments grid:
// all records loaded, followed by HOME_ID, selection kept as bookmarks,
// sorting by a header click.

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "datagrid/filter/grid_filter.h"
#include "datagrid/grid/db_grid.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "framework/core/data/data_source.h"
#include "framework/gui/standard/dialogs.h"
#include "framework/gui/standard/forms.h"
#include "framework/core/text/text.h"
#include "framework/gui/controls/custom_control.h"
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

// The filter's expression, handed to the dataset, leaves the rows the grid
// itself keeps: the dataset's own evaluator reads what the criteria write.
struct FibFilterCase {
  const char* Name;
  int Column;  // STREET_ID 1, PHONE 2, NAME 3, STREET_NAME 4, CORP 6
  int Operator;
  bool Negated;
  Variant Value;
  std::string Expression;
};
void PrintTo(const FibFilterCase& c, std::ostream* os) { *os << c.Name; }

class FibGridFilter : public FibGridTest, public ::testing::WithParamInterface<FibFilterCase> {
 protected:
  std::set<int> ShownIds() const {
    std::set<int> ids;
    for (int i = 0; i < Grid->Count(); ++i) ids.insert(Id(Grid->Items(i)));
    return ids;
  }
};

TEST_P(FibGridFilter, DataSetLeavesTheRowsTheGridKeeps) {
  const FibFilterCase& c = GetParam();
  Home->Open();
  TdxDBGridFilter& filter = Grid->Filter();
  auto* column = Grid->Columns(c.Column);
  filter.Criteria().AddColumnItem(nullptr, column, c.Negated, VarToStr(c.Value), c.Value, c.Operator);
  Grid->FilterChanged();
  const std::set<int> kept = ShownIds();
  ASSERT_FALSE(kept.empty());
  ASSERT_LT(static_cast<int>(kept.size()), HomeRows);
  EXPECT_EQ(Home->Filter(), "") << "the dataset's filter is left alone";
  EXPECT_EQ(filter.FilterText(), RU(c.Expression.c_str()));

  filter.SetAutoDataSetFilter(true);
  EXPECT_EQ(Home->Filter(), RU(c.Expression.c_str()));
  EXPECT_TRUE(Home->Filtered());
  std::set<int> left;
  {
    TDisableControlsScope scope(*Home);
    for (Home->First(); !Home->Eof(); Home->Next()) left.insert(CurrentId());
  }
  EXPECT_EQ(left, kept);
  // The grid reloaded from the filtered dataset shows the same rows.
  Grid->Reload();
  EXPECT_EQ(ShownIds(), kept);
  filter.ClearAll();
  EXPECT_EQ(Home->Filter(), "");
  EXPECT_FALSE(Home->Filtered());
  EXPECT_EQ(Grid->Count(), HomeRows);
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, FibGridFilter,
    ::testing::Values(FibFilterCase{"Number", 1, ocEqual, false, Variant(3), "(STREET_ID = 3)"},
                      FibFilterCase{"NumberAbove", 2, ocGreater, false, Variant(200100), "(PHONE > 200100)"},
                      FibFilterCase{"Text", 4, ocEqual, false, Variant(RU("Улица 2")), "(STREET_NAME = 'Улица 2')"},
                      FibFilterCase{"TextNot", 4, ocEqual, true, Variant(RU("Улица 2")),
                                    "(NOT (STREET_NAME = 'Улица 2'))"},
                      FibFilterCase{"Blanks", 6, ocIsNull, false, Variant::Null(), "(CORP Is Null)"},
                      FibFilterCase{"NonBlanks", 6, ocIsNull, true, Variant::Null(), "(NOT (CORP Is Null))"}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
