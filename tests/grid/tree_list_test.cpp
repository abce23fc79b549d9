#include "grid/tree_list/tree_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "grid/tree_list/tree_list_errors.h"
#include "tests/grid/test_grid_control.h"

namespace {

TEST(TreeList, ANewTreeListHasTheDocumentedDefaults) {
  TTestGrid grid;
  EXPECT_EQ(grid.Width(), 250);
  EXPECT_EQ(grid.Height(), 150);
  EXPECT_TRUE(grid.TabStop());
  EXPECT_EQ(grid.BorderStyle(), bsSingle);
  EXPECT_EQ(grid.Color(), clWindow);
  EXPECT_EQ(grid.Options(), 55u);
  EXPECT_EQ(grid.OptionsEx(), 12350u);
  EXPECT_EQ(grid.LookAndFeel(), lfStandard);
  EXPECT_EQ(grid.ScrollBars(), ssBoth);
  EXPECT_EQ(grid.ArrowsColor(), TColor(65280));
  EXPECT_EQ(grid.GroupNodeTextColor(), TColor(536870911));
  EXPECT_EQ(grid.HideSelectionTextColor(), clBtnText);
  EXPECT_EQ(grid.PreviewFont().Color(), clBlue);
  EXPECT_FALSE(grid.ShowBands());
  EXPECT_TRUE(grid.ShowHeader());
  EXPECT_TRUE(grid.ShowPreviewGrid());
  EXPECT_TRUE(grid.HideSelection());
  EXPECT_TRUE(grid.DblClkExpanding());
  EXPECT_EQ(grid.IndentDesc(), 20);
  EXPECT_EQ(grid.PreviewLines(), 2);
  EXPECT_EQ(grid.MaxRowLineCount(), -1);
  EXPECT_EQ(grid.CustomizingRowCount(), 11);
  // 18 until measured; the fonts of this platform give their own height,
  // never below the expand button's 16 pixels.
  EXPECT_EQ(grid.DefaultRowHeight(), grid.Metrics().RowLineHeight);
  EXPECT_GE(grid.DefaultRowHeight(), 16);
  EXPECT_FALSE(grid.IsDefaultRowHeightAssigned());
  EXPECT_EQ(grid.GrIndicatorWidth(), 12);
  EXPECT_EQ(grid.WaitForExpandNodeTime(), 500u);
  EXPECT_EQ(grid.State(), tsNone);
  EXPECT_EQ(grid.TopIndex(), -1);
  EXPECT_EQ(grid.FocusedAbsoluteIndex(), 0);
  grid.CheckInvariants();
}

struct TClampCase {
  std::string Name;
  void (TCustomdxTreeList::*Set)(int);
  int (TCustomdxTreeList::*Get)() const;
  int Written;
  int Read;
};

class TreeListClamping : public ::testing::TestWithParam<TClampCase> {};

TEST_P(TreeListClamping, WritersClampInsteadOfRaising) {
  const TClampCase& c = GetParam();
  TTestGrid grid;
  (grid.*c.Set)(c.Written);
  EXPECT_EQ((grid.*c.Get)(), c.Read);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TreeListClamping,
    ::testing::Values(TClampCase{"CustomizingRowCount", &TCustomdxTreeList::SetCustomizingRowCount,
                                 &TCustomdxTreeList::CustomizingRowCount, 1, 2},
                      TClampCase{"FixedBandLineWidth", &TCustomdxTreeList::SetFixedBandLineWidth,
                                 &TCustomdxTreeList::FixedBandLineWidth, 0, 1},
                      TClampCase{"RowSeparatorLineWidth", &TCustomdxTreeList::SetRowSeparatorLineWidth,
                                 &TCustomdxTreeList::RowSeparatorLineWidth, 0, 1},
                      TClampCase{"IndentDesc", &TCustomdxTreeList::SetIndentDesc,
                                 &TCustomdxTreeList::IndentDesc, -5, 0},
                      TClampCase{"PreviewLines", &TCustomdxTreeList::SetPreviewLines,
                                 &TCustomdxTreeList::PreviewLines, -3, -1},
                      TClampCase{"MaxRowLineCount", &TCustomdxTreeList::SetMaxRowLineCount,
                                 &TCustomdxTreeList::MaxRowLineCount, -3, -1},
                      TClampCase{"GrIndicatorWidth", &TCustomdxTreeList::SetGrIndicatorWidth,
                                 &TCustomdxTreeList::GrIndicatorWidth, 5, 12},
                      TClampCase{"IndentDescInRange", &TCustomdxTreeList::SetIndentDesc,
                                 &TCustomdxTreeList::IndentDesc, 33, 33}),
    [](const ::testing::TestParamInfo<TClampCase>& info) { return info.param.Name; });

TEST(TreeList, GeometryWritersReMeasureAndColourWritersDoNot) {
  TTestGrid grid;
  const int before = grid.RecalcCount;
  grid.SetShowGrid(true);
  grid.SetShowGrid(true);  // unchanged: nothing
  grid.SetIndentDesc(30);
  grid.HeaderFont().SetHeight(-20);
  grid.SetDefaultRowHeight(25);
  EXPECT_EQ(grid.RecalcCount, before + 4);
  EXPECT_TRUE(grid.IsDefaultRowHeightAssigned());
  grid.SetBandColor(clRed);
  grid.SetHideFocusRect(false);
  grid.SetCustomizingRowCount(5);
  EXPECT_EQ(grid.RecalcCount, before + 4);
}

TEST(TreeList, TheUltraFlatLookGivesTheEditorsTheFlatStyle) {
  TTestGrid grid;
  const int before = grid.RecalcCount;
  grid.SetLookAndFeel(lfUltraFlat);
  EXPECT_EQ(grid.ScrollBarStyle(), 2);
  grid.SetLookAndFeel(lfFlat);
  EXPECT_EQ(grid.ScrollBarStyle(), 0);
  EXPECT_EQ(grid.RecalcCount, before + 2);
}

TEST(TreeList, OnlyTheOutermostEndUpdateReMeasures) {
  TTestGrid grid;
  const int before = grid.RecalcCount;
  grid.BeginUpdate();
  grid.BeginUpdate();
  grid.SetShowBands(true);  // under the lock: nothing yet
  grid.EndUpdate();
  EXPECT_EQ(grid.RecalcCount, before);
  grid.EndUpdate();
  EXPECT_EQ(grid.RecalcCount, before + 1);
  grid.BeginUpdate();
  grid.UnlockUpdate();
  EXPECT_EQ(grid.RecalcCount, before + 1);
  EXPECT_FALSE(grid.IsUpdateLocked());
  EXPECT_THROW(grid.EndUpdate(), EInvaliddxTreeListOperation);
}

TEST(TreeList, BeginUpdateEndsTheInteractionAndForgetsTheEditedCell) {
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  grid.SetEditCell(a, 0);
  grid.SetInteractionState(tsNodeDown);
  grid.BeginUpdate();
  EXPECT_EQ(grid.State(), tsNone);
  EXPECT_EQ(grid.EditNode(), nullptr);
  EXPECT_EQ(grid.EditColumn(), -1);
  grid.EndUpdate();
}

// --- Nodes and the visible order ----------------------------------------------------

TEST(TreeList, RowsFollowAddsExpandsAndDeletesOutsideTheLock) {
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  grid.Add("B", a);
  grid.Add("C");
  EXPECT_EQ(grid.Rows(), "A C");
  a->SetExpanded(true);
  EXPECT_EQ(grid.Rows(), "A B C");
  grid.Add("D", a);
  EXPECT_EQ(grid.Rows(), "A B D C");
  grid.CheckInvariants();
  grid.Find("B")->Free();
  EXPECT_EQ(grid.Rows(), "A D C");
  EXPECT_EQ(grid.GetAbsoluteIndex(grid.Find("C")), 2);
  grid.CheckInvariants();
}

TEST(TreeList, ANodeInsideACollapsedParentHasNoRowWithOrWithoutTheFlattenedOrder) {
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  TdxTreeListNode* b = grid.Add("B", a);
  EXPECT_EQ(grid.GetAbsoluteIndex(b), -1);  // read through the flattened order
  grid.BeginUpdate();                       // the order is dropped: the tree is walked
  EXPECT_EQ(grid.GetAbsoluteIndex(b), -1);
  EXPECT_EQ(grid.GetAbsoluteIndex(a), 0);
  grid.EndUpdate();
  EXPECT_EQ(grid.GetAbsoluteIndex(nullptr), -1);
  // A hidden node's neighbours come from the tree, not from the rows.
  grid.Add("C", a);
  EXPECT_EQ(TTestGrid::Name(grid.GetNextVisibleNode(b)), "C");
}

TEST(TreeList, ABulkLoadUnderTheLockEndsWithOneBuiltOrder) {
  TTestGrid grid;
  {
    TdxTreeListUpdateLock lock(grid);
    for (int i = 0; i < 3000; ++i) {
      TdxTreeListNode* group = grid.Add("G" + std::to_string(i));
      for (int j = 0; j < 3; ++j) grid.Add("N", group);
      if (i % 2 == 0) group->SetExpanded(true);
    }
    lock.Close();
  }
  EXPECT_EQ(grid.VisibleNodeCount(), 3000 + 1500 * 3);
  EXPECT_EQ(TTestGrid::Name(grid.GetAbsoluteNode(4)), "G1");
  EXPECT_EQ(grid.GetAbsoluteIndex(grid.Find("G2")), 5);
  grid.CheckInvariants();
}

TEST(TreeList, FreeingAnExpandedSubtreeOutsideTheLockKeepsTheRowsRight) {
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  for (int i = 0; i < 5; ++i) grid.Add("X" + std::to_string(i), a);
  grid.Add("B");
  a->SetExpanded(true);
  EXPECT_EQ(grid.VisibleNodeCount(), 7);
  a->Free();
  EXPECT_EQ(grid.Rows(), "B");
  grid.CheckInvariants();
}

TEST(TreeList, RelativeNodesByKind) {
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  TdxTreeListNode* b = grid.Add("B", a);
  grid.Add("C", b);
  TdxTreeListNode* d = grid.Add("D");
  grid.Add("E", d);
  EXPECT_EQ(grid.GetRelativeNode(nullptr, rnFirst, false), nullptr);
  EXPECT_EQ(TTestGrid::Name(grid.GetRelativeNode(d, rnFirst, false)), "A");
  EXPECT_EQ(TTestGrid::Name(grid.GetRelativeNode(a, rnNext, false)), "D");
  EXPECT_EQ(TTestGrid::Name(grid.GetRelativeNode(a, rnNext, true)), "B");
  EXPECT_EQ(TTestGrid::Name(grid.GetRelativeNode(d, rnPrev, false)), "A");
  EXPECT_EQ(TTestGrid::Name(grid.GetRelativeNode(a, rnLast, false)), "D");
  EXPECT_EQ(TTestGrid::Name(grid.GetRelativeNode(a, rnLast, true)), "E");
  EXPECT_EQ(TTestGrid::Name(grid.LastVisibleNode()), "D");
}

TEST(TreeList, ADeletedNodeHandsItsReferencesToItsNeighbour) {
  std::vector<std::string> deleted;
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  TdxTreeListNode* b = grid.Add("B");
  TdxTreeListNode* c = grid.Add("C");
  grid.SetFocusedNodeField(b);
  grid.SetSelectionAnchor(b);
  grid.SetDragNode(c);
  grid.SetNodeSelected(b, true);
  grid.OnDeletion = [&](TObject*, TdxTreeListNode* node) { deleted.push_back(TTestGrid::Name(node)); };
  b->Free();
  EXPECT_EQ(deleted, std::vector<std::string>{"B"});
  EXPECT_EQ(grid.FocusedNode(), a);
  EXPECT_EQ(grid.SelectionAnchor(), a);
  EXPECT_EQ(grid.SelectedCount(), 0);
  EXPECT_EQ(grid.DragNode(), nullptr);
  a->Free();  // no node before it: the next one takes over
  EXPECT_EQ(grid.FocusedNode(), c);
  EXPECT_EQ(grid.TopVisibleNode(), c);
  grid.CheckInvariants();
}

TEST(TreeList, TheLastNodeGoneLeavesNoReferenceAndFiresTheTopNodeChange) {
  int topChanges = 0;
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  grid.SetSelectionAnchor(a);
  grid.OnChangeTopVisibleNode = [&](TObject*) { ++topChanges; };
  a->Free();
  EXPECT_EQ(grid.TopVisibleNode(), nullptr);
  EXPECT_EQ(grid.FocusedNode(), nullptr);
  EXPECT_EQ(grid.SelectionAnchor(), nullptr);
  EXPECT_EQ(topChanges, 1);
  EXPECT_EQ(grid.VisibleNodeCount(), 0);
  grid.CheckInvariants();
}

TEST(TreeList, ADeletionHandlerThatRaisesLeavesNoReferenceToTheFreedNode) {
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  TdxTreeListNode* b = grid.Add("B", a);
  grid.Add("C");
  a->SetExpanded(true);
  EXPECT_EQ(grid.VisibleNodeCount(), 3);  // the rows are built
  grid.SetSelectionAnchor(b);
  grid.SetEditCell(b, 1);
  grid.OnDeletion = [](TObject*, TdxTreeListNode*) { throw std::runtime_error("refused"); };
  EXPECT_THROW(b->Free(), std::runtime_error);
  grid.OnDeletion = nullptr;
  EXPECT_EQ(grid.SelectionAnchor(), nullptr);
  EXPECT_EQ(grid.EditNode(), nullptr);
  EXPECT_EQ(grid.Rows(), "A C");
  grid.CheckInvariants();
}

TEST(TreeList, ClearNodesFreesEveryNodeAndTellsOfEach) {
  int deletions = 0;
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  grid.Add("B", a);
  grid.Add("C");
  grid.SetSelectionAnchor(a);
  grid.SetNodeSelected(a, true);
  grid.OnDeletion = [&](TObject*, TdxTreeListNode*) { ++deletions; };
  grid.ClearNodes();
  EXPECT_EQ(deletions, 3);
  EXPECT_EQ(grid.Count(), 0);
  EXPECT_EQ(grid.SelectedCount(), 0);
  EXPECT_EQ(grid.SelectionAnchor(), nullptr);
  EXPECT_EQ(grid.FocusedNode(), nullptr);
  EXPECT_FALSE(grid.IsUpdateLocked());
  grid.CheckInvariants();
}

TEST(TreeList, AnOwnedTreeListGoesWithItsOwnerAndItsNodes) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* grid = new TTestGrid(owner.get());  // owned by owner, which frees it
  grid->Add("A", grid->Add("B"));
  std::vector<std::string> deleted;
  grid->OnDeletion = [&](TObject*, TdxTreeListNode* node) { deleted.push_back(TTestGrid::Name(node)); };
  owner.reset();
  EXPECT_EQ(deleted, (std::vector<std::string>{"A", "B"}));
}

TEST(TreeList, ExpandingEventsReachTheHandlersAndMayRefuse) {
  std::vector<std::string> log;
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  grid.Add("B", a);
  grid.OnExpanding = [&](TObject* sender, TdxTreeListNode* node, bool& allow) {
    EXPECT_EQ(sender, &grid);
    log.push_back("expanding " + TTestGrid::Name(node));
    allow = log.size() > 1;
  };
  grid.OnExpanded = [&](TObject*, TdxTreeListNode* node) {
    log.push_back("expanded " + TTestGrid::Name(node));
  };
  a->SetExpanded(true);
  EXPECT_FALSE(a->Expanded());
  a->SetExpanded(true);
  EXPECT_TRUE(a->Expanded());
  EXPECT_EQ(log, (std::vector<std::string>{"expanding A", "expanding A", "expanded A"}));
  EXPECT_EQ(grid.Rows(), "A B");
}

}  // namespace
