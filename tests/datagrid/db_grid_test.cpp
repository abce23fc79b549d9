// The data-aware grid over the in-memory dataset: the three record modes,
// following the dataset's current record, and reloads that keep the view.

#include <gtest/gtest.h>

#include "tests/datagrid/grid_fixture.h"

namespace {

struct ModeCase {
  const char* Name;
  TdxDBGridOptionsDB Options;
  int Rows;
  int ExpectedNodes;
  bool AllLoaded;
  bool BufferMode;
};

class GridModes : public GridTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(GridModes, HoldTheNodesTheirModeAsksFor) {
  const ModeCase& mode = GetParam();
  Fill(mode.Rows);
  MakeGrid(mode.Options);
  EXPECT_EQ(Grid->Count(), mode.ExpectedNodes);
  EXPECT_EQ(Grid->AllRecordsLoaded(), mode.AllLoaded);
  EXPECT_EQ(Grid->IsBufferMode(), mode.BufferMode);
  EXPECT_EQ(FocusedId(), mode.Rows > 0 ? 1 : -1);
  EXPECT_EQ(Data->InvalidReadCount(), 0);
  Grid->CheckInvariants();
}

INSTANTIATE_TEST_SUITE_P(
    Modes, GridModes,
    ::testing::Values(ModeCase{"LoadAll", GridTest::DirectoryOptions(), 250, 250, true, false},
                      ModeCase{"LoadAllEmpty", GridTest::DirectoryOptions(), 0, 0, true, false},
                      ModeCase{"RecordWindow", GridTest::RecordWindowOptions(), 250, 10, false, true},
                      ModeCase{"RecordWindowShort", GridTest::RecordWindowOptions(), 4, 4, false, true},
                      ModeCase{"Partial", GridTest::PartialOptions(), 250, 100, false, false},
                      ModeCase{"PartialWholeTable", GridTest::PartialOptions(), 60, 60, true, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(GridTest, KeyFieldTheDataSetLacksLeavesTheGridEmpty) {
  Fill(20);
  MakeGrid(DirectoryOptions(), "NO_SUCH_FIELD");
  EXPECT_EQ(Grid->Count(), 0);
  EXPECT_FALSE(Grid->IsBusy());
  Grid->SetKeyField("HOME_ID");
  EXPECT_EQ(Grid->Count(), 20);
}

TEST_F(GridTest, RecordWindowScrollsTheDataSetNotTheNodes) {
  Fill(100);
  MakeGrid(RecordWindowOptions());
  TdxTreeListNode* firstRow = Grid->Items(0);
  Grid->WMVScroll(SB_PAGEDOWN, 0);
  EXPECT_EQ(CurrentId(), 11);
  EXPECT_EQ(Grid->Count(), 10);
  EXPECT_EQ(Grid->Items(0), firstRow);
  EXPECT_EQ(FocusedId(), 11);
  TScrollInfo bar;
  ASSERT_TRUE(Grid->GetScrollInfo(sbVertical, bar));
  EXPECT_EQ(bar.Pos, 11);
  EXPECT_EQ(bar.Max, 100 + Grid->RowsInView() - 1);
  TKey down = VK_DOWN;
  Grid->KeyDown(down, {});
  EXPECT_EQ(CurrentId(), 12);
  EXPECT_EQ(FocusedId(), 12);
  Grid->WMVScroll(SB_BOTTOM, 0);
  EXPECT_EQ(CurrentId(), 100);
  EXPECT_EQ(VisibleIds().back(), 100);
  EXPECT_TRUE(Grid->IsAtLastNode());
  Grid->WMVScroll(SB_TOP, 0);
  EXPECT_TRUE(Grid->IsAtFirstNode());
  EXPECT_EQ(VisibleIds(), std::vector<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(Data->InvalidReadCount(), 0);
}

TEST_F(GridTest, FocusingARowInTheRecordWindowMovesTheDataSet) {
  Fill(30);
  MakeGrid(RecordWindowOptions());
  Grid->SetFocusedNodeAndColumn(Grid->Items(6), 0, true);
  EXPECT_EQ(CurrentId(), 7);
  EXPECT_EQ(FocusedId(), 7);
}

TEST_F(GridTest, PartialWindowReloadsAroundARecordBeyondItsEdge) {
  Fill(1000);
  MakeGrid(PartialOptions());
  EXPECT_TRUE(Grid->PartialBOF());
  EXPECT_FALSE(Grid->PartialEOF());
  Data->MoveBy(499);
  EXPECT_EQ(CurrentId(), 500);
  EXPECT_EQ(FocusedId(), 500);
  EXPECT_LE(Grid->Count(), 100);
  EXPECT_FALSE(Grid->PartialBOF());
  EXPECT_FALSE(Grid->PartialEOF());
  const std::vector<int> ids = VisibleIds();
  EXPECT_LT(ids.front(), 500);
  EXPECT_GT(ids.back(), 500);
  Data->Last();
  EXPECT_EQ(FocusedId(), 1000);
  EXPECT_TRUE(Grid->PartialEOF());
  Data->First();
  EXPECT_EQ(FocusedId(), 1);
  EXPECT_TRUE(Grid->PartialBOF());
  EXPECT_EQ(Data->InvalidReadCount(), 0);
  Grid->CheckInvariants();
}

TEST_F(GridTest, PartialWindowGrowsWhenTheTopRowNearsItsEnd) {
  Fill(1000);
  MakeGrid(PartialOptions());
  ASSERT_EQ(Grid->Count(), 100);
  Grid->SetTopVisibleNode(Grid->Items(85));
  EXPECT_EQ(Grid->Count(), 200);
  const std::vector<int> ids = VisibleIds();
  for (std::size_t i = 1; i < ids.size(); ++i) ASSERT_EQ(ids[i], ids[i - 1] + 1);
  EXPECT_EQ(CurrentId(), 1);
}

TEST_F(GridTest, LoadAllFocusFollowsLocateAndMovesTheDataSet) {
  Fill(200);
  MakeGrid(DirectoryOptions());
  ASSERT_TRUE(Data->Locate("HOME_ID", Variant(137), {}));
  EXPECT_EQ(FocusedId(), 137);
  Data->Next();
  EXPECT_EQ(FocusedId(), 138);
  Grid->SetFocusedNodeAndColumn(Grid->Items(41), 0, true);
  EXPECT_EQ(CurrentId(), 42);
  EXPECT_EQ(FocusedId(), 42);
  EXPECT_EQ(Grid->Count(), 200);
}

TEST_F(GridTest, HeaderSortKeepsFocusMovingTheRightRecord) {
  Fill(50);
  MakeGrid(DirectoryOptions());
  EXPECT_TRUE(Grid->OptionOn(tloAutoSort));
  Grid->ColumnClick(Grid->Columns(0), false);
  Grid->ColumnClick(Grid->Columns(0), false);
  EXPECT_EQ(Grid->Columns(0)->Sorted(), csDown);
  EXPECT_EQ(VisibleIds().front(), 50);
  Grid->SetFocusedNodeAndColumn(Grid->GetAbsoluteNode(3), 0, true);
  EXPECT_EQ(CurrentId(), 47);
  Grid->SetFocusedNodeAndColumn(Grid->GetAbsoluteNode(40), 0, true);
  EXPECT_EQ(CurrentId(), 10);
}

TEST_F(GridTest, RefreshKeepsTheTopRowAndTheFocusedRecord) {
  Fill(100);
  MakeGrid(DirectoryOptions());
  Grid->SetTopVisibleNode(Grid->Items(29));
  Grid->SetFocusedNodeAndColumn(Grid->Items(34), 0, false);
  ASSERT_EQ(CurrentId(), 35);
  Data->Refresh();
  EXPECT_EQ(NodeId(Grid->TopVisibleNode()), 30);
  EXPECT_EQ(FocusedId(), 35);
  EXPECT_EQ(CurrentId(), 35);
  // A record changed elsewhere shows its new text after the reload.
  {
    TDisableControlsScope controls(*Data);
    Data->Locate("HOME_ID", Variant(60), {});
    Data->Edit();
    Data->FieldByName("NAME")->SetAsString("Moved out");
    Data->Post();
    Data->Locate("HOME_ID", Variant(35), {});
  }
  EXPECT_EQ(Grid->GetCellText(Grid->Items(59), 1), "Moved out");
  EXPECT_EQ(NodeId(Grid->TopVisibleNode()), 30);
  EXPECT_EQ(FocusedId(), 35);
  Grid->CheckInvariants();
}

TEST_F(GridTest, ClosingAndOpeningTheDataSetReloads) {
  Fill(30);
  MakeGrid(DirectoryOptions());
  Data->Close();
  EXPECT_EQ(Grid->Count(), 0);
  Data->Open();
  EXPECT_EQ(Grid->Count(), 30);
  EXPECT_EQ(Grid->GetCellText(Grid->Items(2), 1), "Resident 3");
  EXPECT_EQ(Grid->GetCellVariant(Grid->Items(2), 2), Variant(200003));
}

// Records the distances the link hands on.
class ScrollSpyGrid : public TdxDBGrid {
 public:
  using TdxDBGrid::TdxDBGrid;
  std::vector<int> Distances;
  void DataSetScrolled(int distance) override {
    Distances.push_back(distance);
    TdxDBGrid::DataSetScrolled(distance);
  }
};

TEST_F(GridTest, ADataSetScrollReachesTheGridNegated) {
  Fill(40);
  auto* grid = new ScrollSpyGrid(Form.get());
  grid->SetParent(Form.get());
  grid->SetOptionsDB(DirectoryOptions());
  grid->SetKeyField("HOME_ID");
  grid->SetDataSource(Source);
  Data->SetBookmark(Data->GetBookmark());
  grid->Distances.clear();
  Data->MoveBy(3);
  ASSERT_FALSE(grid->Distances.empty());
  EXPECT_EQ(grid->Distances.front(), -3);
}

TEST_F(GridTest, LiveGridsKnowWhoIsBusy) {
  const int before = LiveGridCount();
  Fill(5);
  MakeGrid(DirectoryOptions());
  EXPECT_EQ(LiveGridCount(), before + 1);
  EXPECT_FALSE(IsDataSetBusyInGrid(Data));
  {
    TdxGridBusyScope busy(*Grid);
    EXPECT_TRUE(IsDataSetBusyInGrid(Data));
  }
  Grid->Free();
  Grid = nullptr;
  EXPECT_EQ(LiveGridCount(), before);
}

}  // namespace
