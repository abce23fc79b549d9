// Moving nodes: MoveTo and the quiet structural moves the grids use.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/tree_list/tree_list_errors.h"
#include "grid/nodes/tree_list_node.h"
#include "tests/grid/test_tree_list.h"

namespace {

// A+(B C+(D)) E+(F) G
void BuildExpanded(TTestTreeList& tree) {
  tree.Build("A(B C(D)) E(F) G");
  for (const char* name : {"A", "C", "E"}) tree.Find(name)->SetExpanded(true);
}

struct MoveCase {
  const char* Name;
  const char* Node;
  const char* Target;
  TdxNodeMoveMode Mode;
  const char* Shape;
  bool Moves;
};

class MoveTo : public ::testing::TestWithParam<MoveCase> {};

TEST_P(MoveTo, PutsTheSubtreeInPlaceOrLeavesTheTreeAlone) {
  TTestTreeList tree;
  BuildExpanded(tree);
  const MoveCase& c = GetParam();
  TTestNode* node = tree.Find(c.Node);
  tree.Log.clear();
  node->MoveTo(tree.Find(c.Target), c.Mode);
  EXPECT_EQ(tree.Shape(), c.Shape);
  tree.CheckInvariants();
  if (c.Moves) {
    EXPECT_EQ(tree.FocusedNode(), node);
    EXPECT_TRUE(node->IsVisible());
    EXPECT_EQ(tree.Log.front(), "begin update");
    EXPECT_EQ(tree.Log.back(), "end update");
  } else {
    EXPECT_TRUE(tree.Log.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    NodeTree, MoveTo,
    ::testing::Values(
        MoveCase{"LastSibling", "B", "E", nmLastSibling, "A+(C+(D)) E+(F) G B", true},
        MoveCase{"FirstSibling", "B", "E", nmFirstSibling, "B A+(C+(D)) E+(F) G", true},
        MoveCase{"LastChild", "B", "E", nmLastChild, "A+(C+(D)) E+(F B) G", true},
        MoveCase{"FirstChild", "B", "E", nmFirstChild, "A+(C+(D)) E+(B F) G", true},
        MoveCase{"Before", "B", "E", nmBefore, "A+(C+(D)) B E+(F) G", true},
        MoveCase{"BeforeAnEarlierSibling", "C", "B", nmBefore, "A+(C+(D) B) E+(F) G", true},
        MoveCase{"BeforeTheNextSiblingChangesNothing", "B", "C", nmBefore, "A+(B C+(D)) E+(F) G", true},
        MoveCase{"OnlyChildToItsOwnEndKeepsItsParentOpen", "D", "D", nmLastSibling, "A+(B C+(D)) E+(F) G",
                 true},
        MoveCase{"ItselfToTheEnd", "A", "A", nmLastSibling, "E+(F) G A+(B C+(D))", true},
        MoveCase{"LastChildLeavingClosesItsParent", "F", "B", nmLastChild, "A+(B+(F) C+(D)) E G", true},
        MoveCase{"UnderACollapsedNodeOpensIt", "C", "G", nmFirstChild, "A+(B) E+(F) G+(C+(D))", true},
        MoveCase{"IntoItsOwnSubtree", "A", "D", nmLastChild, "A+(B C+(D)) E+(F) G", false},
        MoveCase{"BesideItsOwnDescendant", "A", "D", nmBefore, "A+(B C+(D)) E+(F) G", false},
        MoveCase{"UnderItself", "A", "A", nmLastChild, "A+(B C+(D)) E+(F) G", false},
        MoveCase{"BeforeItself", "A", "A", nmBefore, "A+(B C+(D)) E+(F) G", false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(NodeMoves, CanMoveToRefusesWhatWouldBreakTheTree) {
  TTestTreeList tree;
  TTestTreeList other;
  BuildExpanded(tree);
  other.Build("X");
  tree.Find("G")->Detach();
  TTestNode* a = tree.Find("A");
  TTestNode* g = tree.Find("G");
  EXPECT_FALSE(a->CanMoveTo(nullptr, nmLastSibling));
  EXPECT_TRUE(a->CanMoveTo(a, nmLastSibling));
  EXPECT_TRUE(a->CanMoveTo(a, nmFirstSibling));
  EXPECT_FALSE(a->CanMoveTo(tree.Find("C"), nmLastSibling));
  EXPECT_FALSE(a->CanMoveTo(tree.Find("E"), static_cast<TdxNodeMoveMode>(5)));
  EXPECT_FALSE(a->CanMoveTo(other.Find("X"), nmLastChild));
  EXPECT_FALSE(a->CanMoveTo(g, nmBefore));  // a detached node has no siblings
  EXPECT_TRUE(a->CanMoveTo(g, nmLastChild));
  EXPECT_TRUE(g->CanMoveTo(a, nmLastChild));
}

TEST(NodeMoves, RelinkRefusesToCutASubtreeOff) {
  TTestTreeList tree;
  BuildExpanded(tree);
  EXPECT_THROW(tree.Find("A")->Relink(tree.Find("D"), nmLastChild), EInvaliddxTreeListOperation);
  EXPECT_EQ(tree.Shape(), "A+(B C+(D)) E+(F) G");
  tree.CheckInvariants();
}

TEST(NodeMoves, DetachedNodesWaitOutsideTheTreeAndComeBackQuietly) {
  TTestTreeList tree;
  tree.Build("A(B C) D");
  tree.Find("A")->SetExpanded(true);
  tree.Log.clear();
  TTestNode* c = tree.Find("C");
  c->Detach();
  tree.Find("B")->Detach();
  EXPECT_EQ(tree.Shape(), "A D | C B");
  EXPECT_TRUE(tree.Log.empty());
  EXPECT_FALSE(c->IsVisible());
  EXPECT_TRUE(c->IsDetached());
  EXPECT_EQ(c->Index(), -1);
  EXPECT_EQ(c->GetNextSibling(), nullptr);
  EXPECT_EQ(c->AbsoluteIndex(), -1);
  tree.CheckInvariants();

  c->Relink(tree.Find("D"), nmLastChild);
  EXPECT_EQ(tree.Find("B")->AppendToTopLevel(), 2);
  EXPECT_EQ(tree.Shape(), "A D(C) B");
  EXPECT_TRUE(tree.Log.empty());
  tree.CheckInvariants();
}

TEST(NodeMoves, ANodeAppendedToTheTopLevelLeavesItsParent) {
  TTestTreeList tree;
  tree.Build("A(B C) D");
  tree.Find("A")->SetExpanded(true);
  EXPECT_EQ(tree.Find("C")->AppendToTopLevel(), 2);
  EXPECT_EQ(tree.Find("B")->AppendToTopLevel(), 3);
  EXPECT_EQ(tree.Find("D")->AppendToTopLevel(), 3);
  EXPECT_EQ(tree.Shape(), "A C B D");
  tree.CheckInvariants();
}

TEST(NodeMoves, ChildrenAddedToADetachedNodeAreNotAnnounced) {
  TTestTreeList tree;
  tree.Build("A");
  tree.Find("A")->Detach();
  tree.Log.clear();
  tree.Add("B", tree.Find("A"));
  EXPECT_EQ(tree.Shape(), " | A(B)");
  for (const std::string& line : tree.Log) EXPECT_FALSE(line.starts_with("added")) << line;
  tree.Find("A")->Free();
  EXPECT_EQ(tree.Shape(), "");
  tree.CheckInvariants();
}

TEST(NodeMoves, TopLevelLeavesGoUnderTheirGroupRows) {
  TTestTreeList tree;
  tree.Build("L1 L2 L3 G1 G2");
  tree.Log.clear();
  tree.Find("L1")->MoveTopLevelUnder(tree.Find("G2"));
  tree.Find("L2")->MoveTopLevelUnder(tree.Find("G1"));
  tree.Find("L3")->MoveTopLevelUnder(tree.Find("G2"));
  EXPECT_EQ(tree.Shape(), "G1(L2) G2(L1 L3)");
  EXPECT_TRUE(tree.Log.empty());
  EXPECT_THROW(tree.Find("G1")->MoveTopLevelUnder(tree.Find("L2")), EInvaliddxTreeListOperation);
  tree.CheckInvariants();
}

TEST(NodeMoves, PromotingChildrenMovesThemToTheEndOfTheTopLevel) {
  TTestTreeList tree;
  tree.Build("A(B C) D");
  tree.Find("A")->SetExpanded(true);
  std::vector<TdxTreeListNode*> children;
  tree.Find("A")->AppendChildrenTo(children);
  ASSERT_EQ(children.size(), 2u);
  tree.Find("A")->PromoteChildren();
  EXPECT_EQ(tree.Shape(), "A D B C");
  EXPECT_EQ(tree.FocusedNode(), tree.Find("A"));
  EXPECT_EQ(children[0], tree.Items(2));
  EXPECT_EQ(children[1], tree.Items(3));
  tree.CheckInvariants();
}

TEST(NodeMoves, GroupRowsMayKeepTheirButtonWhenEmptied) {
  TTestTreeList tree;
  tree.Build("G(L) M");
  tree.OnCanHaveChildren = [](const TdxTreeListNode* node) { return TTestTreeList::Name(node) == "G"; };
  tree.Find("G")->SetExpanded(true);
  tree.Find("L")->Detach();
  EXPECT_EQ(tree.Shape(), "G* M | L");
  tree.CheckInvariants();
}

}  // namespace
