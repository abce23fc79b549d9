#include "grid/tree_list/tree_list_visible_order.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "grid/tree_list/tree_list_errors.h"
#include "tests/grid/test_tree_list.h"

namespace {

// A tree whose visible order follows its nodes as the tree list's does:
// single nodes in place, a subtree leaving row by row, a full rebuild when
// a node expands or collapses.
class TOrderedTree : public TTestTreeList {
 public:
  TdxVisibleOrder Order;

  void NodeAdded(TdxTreeListNode* node) override {
    TTestTreeList::NodeAdded(node);
    Order.NodeAdded(node);
  }
  void NodeDeleted(TdxTreeListNode* node, TdxTreeListNode* before, TdxTreeListNode* next, bool wasLast,
                   bool wasVisible) override {
    Order.NodeDeleted(node);
    TTestTreeList::NodeDeleted(node, before, next, wasLast, wasVisible);
  }
  void RebuildVisibleOrder() override { Order.Rebuild(*this); }

  // The rows as names, from the order.
  std::string Rows() const {
    std::string rows;
    for (int i = 0; i < Order.Count(); ++i) rows += (i > 0 ? " " : "") + Name(Order.NodeAt(i));
    return rows;
  }
  void Check() const {
    CheckInvariants();
    Order.CheckInvariants(*this);
  }
};

TEST(VisibleOrder, RowsAreTopLevelNodesWithTheChildrenOfExpandedNodes) {
  TOrderedTree tree;
  tree.Build("A(B C(D)) E(F) G");
  tree.Find("A")->SetExpanded(true);
  EXPECT_EQ(tree.Rows(), "A B C E G");
  EXPECT_EQ(tree.Order.IndexOf(tree.Find("E")), 3);
  EXPECT_EQ(tree.Order.IndexOf(tree.Find("D")), -1);
  EXPECT_EQ(tree.Order.IndexOf(tree.Find("F")), -1);
  EXPECT_EQ(tree.Order.IndexOf(nullptr), -1);
  EXPECT_EQ(tree.Order.NodeAt(5), nullptr);
  EXPECT_EQ(tree.Order.NodeAt(-1), nullptr);
  tree.Check();
}

TEST(VisibleOrder, AddedNodesTakeTheirPlaceAndHiddenOnesChangeNothing) {
  TOrderedTree tree;
  tree.Build("A(B) C");
  tree.Find("A")->SetExpanded(true);
  tree.Add("X", tree.Find("B"));  // B is collapsed: no row
  EXPECT_EQ(tree.Rows(), "A B C");
  tree.Add("Y", tree.Find("A"));  // last child of A, before C
  EXPECT_EQ(tree.Rows(), "A B Y C");
  static_cast<TTestNode*>(tree.Find("A")->InsertChild(tree.Find("B")))->Name = "Z";
  EXPECT_EQ(tree.Rows(), "A Z B Y C");
  static_cast<TTestNode*>(tree.InsertNode(tree.Find("A")))->Name = "W";
  tree.Add("V");
  EXPECT_EQ(tree.Rows(), "W A Z B Y C V");
  tree.Check();
}

TEST(VisibleOrder, DeletedRowsLeaveAndTheRowsBelowMoveUp) {
  TOrderedTree tree;
  tree.Build("A(B C) D E");
  tree.Find("A")->SetExpanded(true);
  tree.Find("B")->Free();
  EXPECT_EQ(tree.Rows(), "A C D E");
  EXPECT_EQ(tree.Order.IndexOf(tree.Find("E")), 3);
  tree.Find("A")->Free();  // its child C leaves first, then A
  EXPECT_EQ(tree.Rows(), "D E");
  EXPECT_EQ(tree.Order.IndexOf(tree.Find("E")), 1);
  tree.Check();
}

TEST(VisibleOrder, ANodeTheOrderCannotPlaceDropsIt) {
  TOrderedTree tree;
  tree.Build("A B");
  tree.RebuildVisibleOrder();
  tree.Order.NodeAdded(tree.Find("B"));  // already a row
  EXPECT_FALSE(tree.Order.Built());
  EXPECT_EQ(tree.Order.Count(), 0);
  tree.Check();
}

TEST(VisibleOrder, AStaleOrderIsReportedByTheCheck) {
  TOrderedTree tree;
  tree.Build("A(B) C");
  tree.RebuildVisibleOrder();
  // A quiet move the order is not told of.
  tree.Find("C")->Relink(tree.Find("A"), nmFirstSibling);
  EXPECT_THROW(tree.Order.CheckInvariants(tree), EInvaliddxTreeListOperation);
  tree.RebuildVisibleOrder();
  tree.Check();
}

// Random adds, deletes and expansions: after each one the followed order
// must equal a rebuild from scratch.
// Rows whose nodes lie in rising addresses, in a few rising stretches, or
// in falling ones: a rebuilt order finds every row at its position.
struct RebuildCase {
  const char* Name;
  int Rows;
  int Front;  // every Front-th node goes before the first row (0: none)
};

class VisibleOrderRebuild : public ::testing::TestWithParam<RebuildCase> {};

TEST_P(VisibleOrderRebuild, EveryRowIsFoundAtItsPosition) {
  const RebuildCase& c = GetParam();
  TOrderedTree tree;
  for (int i = 0; i < c.Rows; ++i) {
    TdxTreeListNode* node =
        c.Front > 0 && i % c.Front == 0 && tree.Count() > 0 ? tree.InsertNode(tree.Items(0)) : tree.AddNode();
    static_cast<TTestNode*>(node)->Name = "N" + std::to_string(i);
  }
  tree.RebuildVisibleOrder();
  ASSERT_EQ(tree.Order.Count(), c.Rows);
  for (int i = 0; i < c.Rows; ++i) {
    ASSERT_EQ(tree.Order.NodeAt(i), tree.Items(i)) << i;
    ASSERT_EQ(tree.Order.IndexOf(tree.Items(i)), i) << i;
  }
  tree.Check();
}

INSTANTIATE_TEST_SUITE_P(Shapes, VisibleOrderRebuild,
                         ::testing::Values(RebuildCase{"Appended", 2000, 0}, RebuildCase{"FewAtTheFront", 2000, 500},
                                           RebuildCase{"SomeAtTheFront", 2000, 100},
                                           RebuildCase{"AllAtTheFront", 2000, 1}, RebuildCase{"One", 1, 0}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(VisibleOrder, FollowingSingleChangesMatchesRebuilding) {
  TOrderedTree tree;
  tree.RebuildVisibleOrder();
  std::mt19937 random(20240611);
  std::vector<TdxTreeListNode*> nodes;
  int names = 0;
  for (int step = 0; step < 600; ++step) {
    const int what = static_cast<int>(random() % 10);
    TdxTreeListNode* some = nodes.empty() ? nullptr : nodes[random() % nodes.size()];
    if (what < 6 || some == nullptr) {
      TdxTreeListNode* added = tree.Add("N" + std::to_string(++names), what < 3 ? some : nullptr);
      nodes.push_back(added);
    } else if (what < 8) {
      some->SetExpanded(!some->Expanded());
    } else {
      // Freeing a node frees its subtree: forget them all.
      std::erase_if(nodes, [&](TdxTreeListNode* n) { return n == some || n->HasAsParent(some); });
      some->Free();
    }
    tree.Check();
  }
  EXPECT_GT(tree.Order.Count(), 0);
}

}  // namespace
