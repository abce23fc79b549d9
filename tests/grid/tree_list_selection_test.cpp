#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/component/strings.h"
#include "framework/gui/clipboard.h"
#include "grid/tree_list.h"
#include "grid/tree_list_errors.h"
#include "tests/grid/test_grid_control.h"

namespace {

std::string Names(const std::vector<TdxTreeListNode*>& nodes) {
  std::string names;
  for (const TdxTreeListNode* node : nodes) names += (names.empty() ? "" : " ") + TTestGrid::Name(node);
  return names;
}

// --- Focus -------------------------------------------------------------------------

TEST(TreeListFocus, ChangingNodeAndColumnFiresBothEventsInOrder) {
  std::vector<std::string> log;
  TTestGrid grid;
  grid.Bands = {{{0, 1, 2}}};
  TdxTreeListNode* a = grid.Add("A");
  TdxTreeListNode* b = grid.Add("B");
  grid.SetOptions(grid.Options() & ~(1u << tloRowSelect));
  grid.OnChangeNode = [&](TObject*, TdxTreeListNode* old, TdxTreeListNode* node) {
    log.push_back("node " + TTestGrid::Name(old) + ">" + TTestGrid::Name(node));
  };
  grid.OnChangeColumn = [&](TObject*, TdxTreeListNode* node, int column) {
    log.push_back("column " + TTestGrid::Name(node) + " " + std::to_string(column));
  };
  ASSERT_EQ(grid.FocusedNode(), a);
  b->SetFocused(true);
  grid.SetFocusedColumnIndex(2);
  grid.SetFocusedColumnIndex(7);  // not a visible column: ignored
  grid.SetFocusedNodeAndColumn(a, 1, true);
  EXPECT_EQ(log, (std::vector<std::string>{"node A>B", "column B 2", "node B>A", "column A 1"}));
  EXPECT_EQ(grid.FocusedColumnIndex(), 1);
  EXPECT_EQ(grid.FocusedColumnAbsoluteIndex(), 1);
}

TEST(TreeListFocus, UnderTheLockFocusIsOnlyStored) {
  int changes = 0;
  TTestGrid grid;
  TdxTreeListNode* b = (grid.Add("A"), grid.Add("B"));
  grid.OnChangeNode = [&](TObject*, TdxTreeListNode*, TdxTreeListNode*) { ++changes; };
  grid.BeginUpdate();
  grid.SetFocusedNodeAndColumn(b, 0, true);
  EXPECT_EQ(grid.FocusedNode(), b);
  grid.EndUpdate();
  EXPECT_EQ(changes, 0);
}

TEST(TreeListFocus, FocusedColumnIndexIsZeroWithoutColumnsOrInRowSelect) {
  TTestGrid grid;
  EXPECT_EQ(grid.FocusedColumnIndex(), 0);  // no columns at all
  grid.Bands = {{{4, 5}}};
  grid.SetOptions(grid.Options() & ~(1u << tloRowSelect));
  grid.SetFocusedColumnIndex(1);
  EXPECT_EQ(grid.FocusedColumnIndex(), 1);
  grid.SetOptions(grid.Options() | (1u << tloRowSelect));
  EXPECT_EQ(grid.FocusedColumnIndex(), 0);
}

TEST(TreeListFocus, MakingAFocusedNodeVisibleExpandsItsAncestors) {
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  TdxTreeListNode* b = grid.Add("B", grid.Add("X", a));
  grid.SetFocusedNodeAndColumn(b, 0, true);
  EXPECT_TRUE(a->Expanded());
  EXPECT_EQ(grid.FocusedAbsoluteIndex(), 2);
  grid.CheckInvariants();
}

// --- Column order --------------------------------------------------------------------

TEST(TreeListColumns, VisibleColumnsCountRowByRowAcrossTheBands) {
  TTestGrid grid;
  // Band 0: row 0 holds 3 and 1, row 1 holds 0. Band 1: row 0 holds 2.
  grid.Bands = {{{3, 1}, {0}}, {{2}}};
  std::vector<int> order;
  for (int i = 0; i < grid.GetVisibleColumnCount(); ++i) order.push_back(grid.GetAbsoluteColumnIndex(i));
  EXPECT_EQ(order, (std::vector<int>{3, 1, 2, 0}));
  EXPECT_EQ(grid.GetAbsoluteColumnIndex(4), -1);
  EXPECT_EQ(grid.GetAbsoluteColumnIndex(-1), -1);
  EXPECT_EQ(grid.GetVisibleColumnIndex(2), 2);
  EXPECT_EQ(grid.GetVisibleColumnIndex(9), 0);  // hidden: 0, not -1
}

TEST(TreeListColumns, RowsAsTextFollowTheHeaderOrder) {
  TTestGrid grid;
  grid.Bands = {{{1, 0}}};
  grid.Captions = {{0, "Name"}, {1, "Phone"}};
  TdxTreeListNode* a = grid.Add("Ann", nullptr, {"111"});
  grid.Add("Kid", a, {"333"});
  grid.Add("Bob", nullptr, {"222"});
  TStringList all;
  grid.SaveAllToStrings(all);
  EXPECT_EQ(all.Text(), "Phone\tName\r\n111\tAnn\r\n222\tBob\r\n");
  a->SetExpanded(true);
  grid.SetOptions(grid.Options() | (1u << tloMultiSelect) | (1u << tloExtMultiSelect));
  grid.Selection = {grid.Find("Bob"), grid.Find("Kid")};
  TStringList selected;
  grid.SaveSelectedToStrings(selected);
  EXPECT_EQ(selected.Text(), "Phone\tName\r\n333\tKid\r\n222\tBob\r\n");
  grid.CopySelectedToClipboard();
  EXPECT_EQ(Clipboard().AsText(), selected.Text());
}

TEST(TreeListColumns, WithoutMultiSelectTheFocusedRowIsTheSelection) {
  TTestGrid grid;
  grid.Bands = {{{0}}};
  grid.Add("Ann");
  TStringList selected;
  grid.SaveSelectedToStrings(selected);
  EXPECT_EQ(selected.Text(), "\r\nAnn\r\n");
}

TEST(TreeListColumns, DroppingAColumnsDataShiftsTheLaterTextsInEveryNode) {
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("Ann", nullptr, {"111", "x"});
  grid.Add("Kid", a, {"333"});
  grid.DeleteColumnNodeData(1);
  EXPECT_EQ(grid.GetCellText(a, 1), "x");
  EXPECT_EQ(grid.GetCellText(grid.Find("Kid"), 1), "");
  EXPECT_EQ(grid.GetCellText(grid.Find("Kid"), 0), "Kid");
  grid.DeleteColumnNodeData(5);  // beyond every node's texts: nothing
  EXPECT_EQ(grid.GetCellText(a, 0), "Ann");
}

// --- Selection ------------------------------------------------------------------------

TEST(TreeListSelection, TheCountChangeFiresOnceAtTheOutermostClose) {
  int fired = 0;
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  TdxTreeListNode* b = grid.Add("B");
  grid.OnSelectedCountChange = [&](TObject*) { ++fired; };
  grid.BeginSelectionChange();
  grid.BeginSelectionChange();
  grid.SetNodeSelected(a, true);
  grid.EndSelectionChange();
  grid.SetNodeSelected(b, true);
  EXPECT_EQ(fired, 0);
  grid.EndSelectionChange();
  EXPECT_EQ(fired, 1);
  {
    TdxSelectionChangeScope bracket(grid);
    grid.SetNodeSelected(a, false);
    grid.SetNodeSelected(grid.Add("C"), true);  // same count again
    bracket.Close();
  }
  EXPECT_EQ(fired, 1);
  EXPECT_THROW(grid.EndSelectionChange(), EInvaliddxTreeListOperation);
}

TEST(TreeListSelection, ARangeSelectsSiblingsOfItsFirstNodeOnly) {
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  grid.Add("A1", a);
  grid.Add("B");
  TdxTreeListNode* c = grid.Add("C");
  a->SetExpanded(true);
  grid.SelectRange(c, a);
  EXPECT_EQ(Names(grid.Selection), "A B C");
  grid.ClearSelection();
  EXPECT_EQ(grid.SelectedCount(), 0);
  grid.SetOptions(grid.Options() | (1u << tloExtMultiSelect));
  grid.SelectRange(a, c);
  EXPECT_EQ(Names(grid.Selection), "A A1 B C");
}

TEST(TreeListSelection, TheSelectionHandlerMayRefuseANode) {
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  grid.Add("B");
  TdxTreeListNode* c = grid.Add("C");
  grid.OnCanNodeSelected = [](TObject*, TdxTreeListNode* node, bool& allow) {
    allow = TTestGrid::Name(node) != "B";
  };
  grid.SelectRange(a, c);
  EXPECT_EQ(Names(grid.Selection), "A C");
  grid.SetSelectionAnchor(grid.Find("B"));
  EXPECT_EQ(grid.CompareWithAnchor(a), -1);
  EXPECT_EQ(grid.CompareWithAnchor(c), 1);
  EXPECT_EQ(grid.CompareWithAnchor(grid.Find("B")), 0);
}

TEST(TreeListSelection, DeletingASelectedParentAndChildFreesEachOnce) {
  int deleted = 0;
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  TdxTreeListNode* a1 = grid.Add("A1", a);
  grid.Add("B");
  grid.Selection = {a1, a};
  grid.OnDeletion = [&](TObject*, TdxTreeListNode*) { ++deleted; };
  grid.DeleteSelection();
  EXPECT_EQ(deleted, 2);
  EXPECT_EQ(grid.Rows(), "B");
  EXPECT_EQ(grid.SelectedCount(), 0);
  grid.CheckInvariants();
}

// --- Options ------------------------------------------------------------------------------

TEST(TreeListOptionsWriter, ChangingOptionsResetsTheSelectionToTheFocusedNode) {
  TTestGrid grid;
  TdxTreeListNode* a = grid.Add("A");
  grid.Selection = {grid.Add("B"), grid.Add("C")};
  grid.SetOptions(grid.Options() | (1u << tloMultiSelect));
  EXPECT_EQ(Names(grid.Selection), "A");
  EXPECT_EQ(grid.FocusedNode(), a);
  EXPECT_TRUE(grid.IsMultiSelect());
  EXPECT_TRUE(a->IsSelected());
}

TEST(TreeListOptionsWriter, CoupledBitsAndFollowUpWorkReachTheHooks) {
  TTestGrid grid;
  grid.Bands = {{{0, 2}}};
  grid.SetOptionsEx(grid.OptionsEx() | (1u << tloInvertSelect) | (1u << tloAutoHeaderPanelHeight) |
                    (1u << tloKeepColumnWidth));
  EXPECT_FALSE(grid.OptionOn(tloRowSelect));
  EXPECT_EQ(grid.Log, (std::vector<std::string>{"header rows", "end search"}));
  grid.Log.clear();
  grid.SetOptions(grid.Options() | (1u << tloAutoWidth) | (1u << tloAutoSort));
  EXPECT_EQ(grid.Log, (std::vector<std::string>{"clear sorted"}));
  grid.Log.clear();
  // One band with tloBandHeaderWidth: the columns keep their widths.
  grid.SetOptions(grid.Options() & ~(1u << tloAutoWidth));
  EXPECT_EQ(grid.Log, (std::vector<std::string>{"column 0 width 5", "column 2 width 25"}));
  grid.Log.clear();
  grid.Bands = {{{0}}, {{2}}};
  grid.SetOptions(grid.Options() | (1u << tloAutoWidth));
  grid.SetOptions(grid.Options() & ~(1u << tloAutoWidth));
  EXPECT_EQ(grid.Log, (std::vector<std::string>{"band 0 width 107"}));
}

TEST(TreeListOptionsWriter, CoupledQueriesAnswerForTheirPartners) {
  TTestGrid grid;
  grid.SetOptionsEx(grid.OptionsEx() | (1u << tloMouseScroll) | (1u << tloEnterThrough));
  EXPECT_TRUE(grid.OptionExOn(tloMouseScroll));  // row select is on by default
  grid.SetOptions(grid.Options() & ~(1u << tloRowSelect));
  EXPECT_FALSE(grid.OptionExOn(tloMouseScroll));  // editing without row select
  EXPECT_FALSE(grid.OptionExOn(tloEnterThrough));
  grid.SetOptionsEx(grid.OptionsEx() | (1u << tloEnterShowEditor));
  EXPECT_TRUE(grid.OptionExOn(tloEnterThrough));
  EXPECT_FALSE(grid.OptionExOn(tloBandSizing));  // band header width without bands shown
  grid.SetShowBands(true);
  EXPECT_TRUE(grid.OptionExOn(tloBandSizing));
  EXPECT_FALSE(grid.GetHideFocusRect());
  grid.SetOptions(grid.Options() | (1u << tloHideFocusRect) | (1u << tloImmediateEditor));
  EXPECT_TRUE(grid.GetHideFocusRect());
  EXPECT_TRUE(grid.IsImmediateEditor());
}

}  // namespace
