#include "grid/nodes/tree_list_node.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "grid/tree_list/tree_list_errors.h"
#include "tests/grid/test_tree_list.h"
#include "tests/support/raised.h"

namespace {

std::string Joined(const std::vector<std::string>& lines, const std::string& prefix = "") {
  std::string result;
  for (const std::string& line : lines)
    if (line.starts_with(prefix)) result += (result.empty() ? "" : "; ") + line;
  return result;
}

class NodeTree : public ::testing::Test {
 protected:
  TTestNode* N(const std::string& name) {
    TTestNode* node = tree.Find(name);
    EXPECT_NE(node, nullptr) << name;
    return node;
  }
  // The log since the last call, lines starting with prefix.
  std::string TakeLog(const std::string& prefix = "") {
    std::string result = Joined(tree.Log, prefix);
    tree.Log.clear();
    return result;
  }

  TTestTreeList tree;
};

TEST_F(NodeTree, FirstChildGivesTheButtonAndLastChildLeavingTakesItAway) {
  tree.Build("A");
  TTestNode* a = N("A");
  TakeLog();
  TdxTreeListNode* b = tree.Add("B", a);
  // A's button first, then the new node (named only after it was added).
  EXPECT_EQ(TakeLog(), "changed A; added ");
  EXPECT_TRUE(a->HasChildren());
  EXPECT_EQ(a->Count(), 1);
  EXPECT_EQ(b->Parent(), a);
  tree.CheckInvariants();

  a->SetExpanded(true);
  b->Free();
  EXPECT_EQ(a->Count(), 0);
  EXPECT_FALSE(a->HasChildren());
  EXPECT_FALSE(a->Expanded());
  EXPECT_EQ(tree.Shape(), "A");
  tree.CheckInvariants();
}

TEST_F(NodeTree, InsertChildIgnoresBeforeOnlyWhileThereAreNoChildren) {
  tree.Build("A B");
  TTestNode* x = static_cast<TTestNode*>(N("A")->InsertChild(N("B")));
  x->Name = "X";
  EXPECT_EQ(tree.Shape(), "A(X) B");
  static_cast<TTestNode*>(N("A")->InsertChild(x))->Name = "Y";
  EXPECT_EQ(tree.Shape(), "A(Y X) B");
  TakeLog();
  EXPECT_EQ(MessageOf<EInvaliddxTreeListOperation>([&] { N("A")->InsertChild(N("B")); }),
            "The node to insert before is not a child of this node");
  EXPECT_EQ(tree.Shape(), "A(Y X) B");
  EXPECT_EQ(TakeLog(), "");
  tree.CheckInvariants();
}

TEST(NodeCreation, ANodeWithoutOwnerIsRefused) {
  EXPECT_EQ(MessageOf<EInvaliddxTreeListOperation>([] { TTestNode node(nullptr); }),
            "Invalid Owner TdxTreeListNode");
}

TEST(NodeCreation, TextNodeStartsWithImageZeroAndNoSelectedOrStateImage) {
  TTestTreeList tree;
  TTestNode* node = tree.Add("A");
  EXPECT_EQ(node->ImageIndex(), 0);
  EXPECT_EQ(node->SelectedIndex(), -1);
  EXPECT_EQ(node->StateIndex(), -1);
  EXPECT_EQ(node->Strings().Count(), 0);
  // The base node asks the tree list, which answers with the stored values.
  node->SetStateIndex(3);
  const TdxTreeListNode* base = node;
  EXPECT_EQ(base->ImageIndex(), 0);
  EXPECT_EQ(base->StateIndex(), 3);
}

// --- Navigation ----------------------------------------------------------------

struct NavigationCase {
  const char* Node;
  int Index, Level;
  const char *Next, *Prev, *NextVisible, *PrevVisible, *PrevSiblingOrParent;
  bool IsLast, IsVisible;
  int AbsoluteIndex;
};

class Navigation : public ::testing::TestWithParam<NavigationCase> {};

// A+(B C(D E)) F(G) H: A expanded, C and F collapsed.
TEST_P(Navigation, FollowsFullAndVisibleOrder) {
  TTestTreeList tree;
  tree.Build("A(B C(D E)) F(G) H");
  tree.Find("A")->SetExpanded(true);
  const NavigationCase& c = GetParam();
  const TdxTreeListNode* node = tree.Find(c.Node);
  EXPECT_EQ(node->Index(), c.Index);
  EXPECT_EQ(node->Level(), c.Level);
  EXPECT_EQ(TTestTreeList::Name(node->GetNext()), c.Next);
  EXPECT_EQ(TTestTreeList::Name(node->GetPrev()), c.Prev);
  EXPECT_EQ(TTestTreeList::Name(node->GetNextVisible()), c.NextVisible);
  EXPECT_EQ(TTestTreeList::Name(node->GetPrevVisible()), c.PrevVisible);
  EXPECT_EQ(TTestTreeList::Name(node->GetPrevSiblingOrParent()), c.PrevSiblingOrParent);
  EXPECT_EQ(node->IsLast(), c.IsLast);
  EXPECT_EQ(node->IsVisible(), c.IsVisible);
  EXPECT_EQ(node->AbsoluteIndex(), c.AbsoluteIndex);
}

INSTANTIATE_TEST_SUITE_P(
    NodeTree, Navigation,
    ::testing::Values(NavigationCase{"A", 0, 0, "B", "-", "B", "-", "-", false, true, 0},
                      NavigationCase{"B", 0, 1, "C", "A", "C", "A", "A", false, true, 1},
                      NavigationCase{"C", 1, 1, "D", "B", "F", "B", "B", true, true, 2},
                      NavigationCase{"D", 0, 2, "E", "C", "E", "C", "C", false, false, -1},
                      NavigationCase{"E", 1, 2, "F", "D", "F", "D", "D", true, false, -1},
                      NavigationCase{"F", 1, 0, "G", "E", "H", "C", "A", false, true, 3},
                      NavigationCase{"G", 0, 1, "H", "F", "H", "F", "F", true, false, -1},
                      NavigationCase{"H", 2, 0, "-", "G", "-", "F", "F", true, true, 4}),
    [](const auto& info) { return std::string(info.param.Node); });

TEST_F(NodeTree, ChildrenAreFoundByIndexOnlyInRange) {
  tree.Build("A(B C) D");
  TTestNode* a = N("A");
  EXPECT_EQ(a->Items(-1), nullptr);
  EXPECT_EQ(a->Items(2), nullptr);
  EXPECT_EQ(TTestTreeList::Name(a->Items(1)), "C");
  EXPECT_EQ(a->IndexOf(N("C")), 1);
  EXPECT_EQ(a->IndexOf(N("D")), -1);
  EXPECT_EQ(N("D")->IndexOf(a), -1);
  EXPECT_EQ(TTestTreeList::Name(a->GetFirstChild()), "B");
  EXPECT_EQ(TTestTreeList::Name(a->GetLastChild()), "C");
  EXPECT_EQ(N("D")->GetFirstChild(), nullptr);
  EXPECT_TRUE(N("C")->HasAsParent(a));
  EXPECT_FALSE(a->HasAsParent(N("C")));
  EXPECT_FALSE(a->HasAsParent(nullptr));
  EXPECT_EQ(tree.Items(5), nullptr);
}

// --- Expanding and collapsing ------------------------------------------------------

struct ExpandCase {
  const char* Name;
  std::function<void(TTestTreeList&)> Setup;
  std::function<void(TTestTreeList&)> Act;
  const char* Shape;
  const char* Log;  // lines other than "top" and "changed"
  const char* Focused;
  const char* Top;
};

class Expanding : public ::testing::TestWithParam<ExpandCase> {};

TEST_P(Expanding, AsksTellsAndKeepsReferences) {
  TTestTreeList tree;
  tree.Build("A(B(C)) D");
  if (GetParam().Setup) GetParam().Setup(tree);
  tree.Log.clear();
  GetParam().Act(tree);
  EXPECT_EQ(tree.Shape(), GetParam().Shape);
  std::string log;
  for (const std::string& line : tree.Log)
    if (!line.starts_with("top ") && !line.starts_with("changed ")) log += (log.empty() ? "" : "; ") + line;
  EXPECT_EQ(log, GetParam().Log);
  EXPECT_EQ(TTestTreeList::Name(tree.FocusedNode()), GetParam().Focused);
  EXPECT_EQ(TTestTreeList::Name(tree.TopVisibleNode()), GetParam().Top);
  tree.CheckInvariants();
}

void Expand(TTestTreeList& t, const char* name) { t.Find(name)->SetExpanded(true); }
void Collapse(TTestTreeList& t, const char* name) { t.Find(name)->SetExpanded(false); }
void Refuse(TObject*, TdxTreeListNode*, bool& allow) { allow = false; }

INSTANTIATE_TEST_SUITE_P(
    NodeTree, Expanding,
    ::testing::Values(
        ExpandCase{"Expands", nullptr, [](auto& t) { Expand(t, "A"); }, "A+(B(C)) D",
                   "expanding A; rebuild; relayout A; expanded A", "A", "A"},
        ExpandCase{"RefusedExpanding", [](auto& t) { t.OnExpanding = Refuse; },
                   [](auto& t) { Expand(t, "A"); }, "A(B(C)) D", "expanding A", "A", "A"},
        ExpandCase{"RefusedCollapsing",
                   [](auto& t) {
                     Expand(t, "A");
                     t.OnCollapsing = Refuse;
                   },
                   [](auto& t) { Collapse(t, "A"); }, "A+(B(C)) D", "collapsing A", "A", "A"},
        ExpandCase{"CollapsingMovesFocusOutOfTheSubtree", [](auto& t) { t.Find("C")->SetFocused(true); },
                   [](auto& t) { Collapse(t, "A"); }, "A(B+(C)) D",
                   "collapsing A; focus on collapse A; rebuild; relayout A; collapsed A", "A", "A"},
        ExpandCase{"RefusedFocusKeepsTheNodeExpanded",
                   [](auto& t) {
                     t.Find("C")->SetFocused(true);
                     t.OnFocusNodeOnCollapse = [](TdxTreeListNode*) { return false; };
                   },
                   [](auto& t) { Collapse(t, "B"); }, "A+(B+(C)) D", "collapsing B; focus on collapse B", "C",
                   "A"},
        ExpandCase{"CollapsingMovesTheTopRowOutOfTheSubtree",
                   [](auto& t) {
                     Expand(t, "A");
                     Expand(t, "B");
                     t.SetTopVisibleNode(t.Find("C"));
                   },
                   [](auto& t) { Collapse(t, "A"); }, "A(B+(C)) D",
                   "collapsing A; rebuild; relayout A; collapsed A", "A", "A"},
        ExpandCase{"NodeWithoutButtonIsLeftAlone", nullptr, [](auto& t) { Expand(t, "D"); }, "A(B(C)) D", "",
                   "A", "A"},
        ExpandCase{"UnderUpdateLockTheOrderIsNotRebuilt", [](auto& t) { t.BeginUpdate(); },
                   [](auto& t) {
                     Expand(t, "A");
                     t.EndUpdate();
                   },
                   "A+(B(C)) D", "expanding A; relayout A; expanded A; end update", "A", "A"},
        ExpandCase{
            "ExpandingWithRecurseOpensTheSubtreeUnderOneLock", nullptr,
            [](auto& t) { t.Find("A")->Expand(true); }, "A+(B+(C)) D",
            "begin update; expanding A; relayout A; expanded A; expanding B; relayout B; expanded B; end "
            "update",
            "A", "A"},
        ExpandCase{
            "MakeVisibleExpandsTheAncestors", nullptr, [](auto& t) { t.Find("C")->MakeVisible(); },
            "A+(B+(C)) D",
            "begin update; expanding A; relayout A; expanded A; expanding B; relayout B; expanded B; end "
            "update",
            "A", "A"},
        ExpandCase{
            "FocusingMakesTheNodeVisible", nullptr, [](auto& t) { t.Find("C")->SetFocused(true); },
            "A+(B+(C)) D",
            "begin update; expanding A; relayout A; expanded A; expanding B; relayout B; expanded B; end "
            "update",
            "C", "A"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(NodeTree, ChildrenLoadedWhileExpanding) {
  tree.Build("A");
  TTestNode* a = N("A");
  a->SetHasChildren(true);
  EXPECT_EQ(tree.Shape(), "A*");
  tree.OnExpanding = [this](TObject*, TdxTreeListNode* node, bool&) {
    tree.Add("B", node);
    tree.Add("C", node);
  };
  a->SetExpanded(true);
  EXPECT_EQ(tree.Shape(), "A+(B C)");
  tree.CheckInvariants();
}

TEST_F(NodeTree, ExpandingThatFindsNoChildrenLeavesTheNodeClosed) {
  tree.Build("A");
  TTestNode* a = N("A");
  a->SetHasChildren(true);
  tree.OnExpanding = [](TObject*, TdxTreeListNode* node, bool&) { node->SetHasChildren(false); };
  TakeLog();
  a->SetExpanded(true);
  EXPECT_EQ(tree.Shape(), "A");
  EXPECT_EQ(TakeLog("expanded"), "");
  tree.CheckInvariants();
}

TEST_F(NodeTree, ExpandButtonStaysWhileThereAreChildrenAndGoesWithExpandedState) {
  tree.Build("A(B) C");
  N("A")->SetExpanded(true);
  N("A")->SetHasChildren(false);
  EXPECT_TRUE(N("A")->HasChildren());
  EXPECT_TRUE(N("A")->Expanded());

  N("C")->SetHasChildren(true);
  N("C")->SetExpanded(true);
  EXPECT_EQ(tree.Shape(), "A+(B) C+*");
  N("C")->SetHasChildren(false);
  EXPECT_EQ(tree.Shape(), "A+(B) C");
  tree.CheckInvariants();
}

TEST_F(NodeTree, FocusAndSelectionAreAskedOfTheTreeList) {
  tree.Build("A B");
  EXPECT_TRUE(N("A")->IsFocused());  // the first node added
  N("B")->SetFocused(true);
  EXPECT_TRUE(N("B")->IsSelected());
  EXPECT_FALSE(N("A")->IsSelected());
  N("B")->SetFocused(false);
  EXPECT_EQ(tree.FocusedNode(), nullptr);

  tree.MultiSelect = true;
  N("A")->SetSelected(true);
  EXPECT_TRUE(N("A")->IsSelected());
  EXPECT_FALSE(N("B")->IsSelected());

  N("A")->SetCellText(2, "x");
  EXPECT_EQ(N("A")->CellText(2), "x");
  EXPECT_EQ(N("A")->CellValue(0), Variant("A"));
}

// --- Deleting -------------------------------------------------------------------------

TEST_F(NodeTree, FreeingANodeFreesItsSubtreeFirstAndTellsTheNeighbours) {
  tree.Build("A(B(C) D) E");
  N("A")->SetExpanded(true);
  N("B")->SetExpanded(true);
  TakeLog();
  N("A")->Free();
  EXPECT_EQ(TakeLog("deleted"),
            "deleted C before=B next=D last; deleted B before=A next=D; deleted D before=A next=E last; "
            "deleted A before=- next=E visible");
  EXPECT_EQ(tree.Shape(), "E");
  tree.CheckInvariants();
}

TEST_F(NodeTree, ReferencesMoveOffAFreedSubtree) {
  tree.Build("X A(B(C)) E");
  N("C")->SetFocused(true);
  tree.SetTopVisibleNode(N("B"));
  N("A")->Free();
  EXPECT_EQ(TTestTreeList::Name(tree.FocusedNode()), "X");
  EXPECT_EQ(TTestTreeList::Name(tree.TopVisibleNode()), "X");
  N("X")->SetFocused(true);
  N("X")->Free();
  EXPECT_EQ(TTestTreeList::Name(tree.FocusedNode()), "E");  // no node before it: the next one
  N("E")->Free();
  EXPECT_EQ(tree.FocusedNode(), nullptr);
  EXPECT_EQ(tree.TopVisibleNode(), nullptr);
  tree.CheckInvariants();
}

TEST_F(NodeTree, DeletionHandlerSeesTheWholeNode) {
  tree.Build("A(B)");
  N("B")->SetCellText(1, "cell");
  std::vector<std::string> seen;
  tree.OnDeletion = [&](TObject*, TdxTreeListNode* node) {
    seen.push_back(node->CellText(0) + ":" + node->CellText(1) + ":" + TTestTreeList::Name(node->Parent()));
  };
  N("A")->Free();
  EXPECT_EQ(seen, (std::vector<std::string>{"B:cell:A", "A::-"}));
}

TEST_F(NodeTree, DeleteChildrenKeepsTheNodeAndFocusesItWhenAChildWasFocused) {
  tree.Build("A(B C D) E");
  N("C")->SetFocused(true);
  N("A")->DeleteChildren();
  EXPECT_EQ(tree.Shape(), "A E");
  EXPECT_EQ(TTestTreeList::Name(tree.FocusedNode()), "A");
  tree.CheckInvariants();
}

TEST_F(NodeTree, FreeingAnAncestorFromADeletionHandlerIsRefusedWithoutHarm) {
  tree.Build("A(B(C D))");
  tree.OnDeletion = [this](TObject*, TdxTreeListNode* node) {
    if (TTestTreeList::Name(node) == "C") N("A")->Free();
  };
  EXPECT_THROW(N("B")->Free(), EInvaliddxTreeListOperation);
  EXPECT_EQ(tree.Shape(), "A(B(D))");
  tree.OnDeletion = nullptr;
  tree.CheckInvariants();
}

TEST_F(NodeTree, FreeingTwiceFromAHandlerFreesOnce) {
  tree.Build("A(B) C");
  tree.OnDeletion = [](TObject*, TdxTreeListNode* node) {
    if (node->Parent() != nullptr) node->Parent()->Free();  // already being freed: nothing
  };
  N("A")->Free();
  EXPECT_EQ(tree.Shape(), "C");
  tree.CheckInvariants();
}

TEST_F(NodeTree, ClearingFreesEveryNodeChildrenFirstWithoutNeighbours) {
  tree.Build("A(B) C(D)");
  N("D")->Detach();
  int deletions = 0;
  tree.OnDeletion = [&](TObject*, TdxTreeListNode*) { ++deletions; };
  TakeLog();
  tree.Clear();
  EXPECT_EQ(TakeLog("deleted"),
            "deleted B before=- next=-; deleted A before=- next=-; deleted C before=- next=-; "
            "deleted D before=- next=-");
  EXPECT_EQ(deletions, 4);
  EXPECT_EQ(tree.Count(), 0);
  EXPECT_EQ(tree.DetachedCount(), 0);
  EXPECT_EQ(tree.FocusedNode(), nullptr);
  EXPECT_EQ(tree.TopVisibleNode(), nullptr);
  tree.CheckInvariants();
}

// A chain as deep as nested data may make it: built, expanded, walked,
// checked, detached and linked in again, and freed from its middle with
// the focus at its far end. Nothing may recurse once per level (a thread's
// stack holds far fewer frames under the sanitizers) or walk to the root
// once per node.
TEST_F(NodeTree, AChainTensOfThousandsDeepIsHandledLevelByLevelWithoutRecursion) {
  constexpr int Depth = 60000;
  std::vector<TdxTreeListNode*> chain{tree.Add("root")};
  for (int i = 1; i < Depth; ++i) chain.push_back(chain.back()->AddChild());
  chain[0]->Expand(true);
  EXPECT_TRUE(chain[Depth - 2]->Expanded());
  int rows = 0;
  for (const TdxTreeListNode* node = tree.FirstNode(); node != nullptr; node = node->GetNextVisible()) ++rows;
  EXPECT_EQ(rows, Depth);
  EXPECT_EQ(chain.back()->Level(), Depth - 1);
  tree.CheckInvariants();

  // Detached, the chain's nodes are no rows: a child added below tells
  // the tree list nothing until the chain is linked in again.
  chain[0]->Detach();
  EXPECT_TRUE(chain.back()->IsDetached());
  tree.Log.clear();
  chain.back()->AddChild()->Free();
  EXPECT_EQ(TakeLog("added"), "");
  chain[0]->AppendToTopLevel();
  EXPECT_FALSE(chain.back()->IsDetached());
  chain.back()->AddChild()->Free();
  EXPECT_EQ(TakeLog("added"), "added ");

  tree.SetFocusedNodeField(chain.back());
  chain[Depth / 2]->Free();
  EXPECT_EQ(tree.FocusedNode(), chain[Depth / 2 - 1]);
  EXPECT_EQ(chain[Depth / 2 - 1]->Count(), 0);
  EXPECT_FALSE(chain[Depth / 2 - 1]->Expanded());
  tree.CheckInvariants();
  // Levels follow a move of an ancestor.
  EXPECT_EQ(chain[Depth / 2 - 1]->Level(), Depth / 2 - 1);
  chain[10]->AppendToTopLevel();
  EXPECT_EQ(chain[10]->Level(), 0);
  EXPECT_EQ(chain[Depth / 2 - 1]->Level(), Depth / 2 - 11);
  chain[10]->MoveTo(chain[3], nmFirstChild);
  EXPECT_EQ(chain[Depth / 2 - 1]->Level(), Depth / 2 - 7);
  tree.CheckInvariants();
  // The rest goes with the tree list.
}

}  // namespace
