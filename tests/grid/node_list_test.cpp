#include "grid/nodes/node_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "grid/nodes/tree_list_node.h"
#include "tests/grid/test_tree_list.h"

namespace {

// Sibling lists are checked against a plain vector of names through random
// insertions, removals and moves at the front, the back and in between, at
// the top level and below a node.
class SiblingListModel : public ::testing::TestWithParam<bool> {
 protected:
  TdxTreeListNode* Parent() { return FParent; }
  int Count() { return Parent() != nullptr ? Parent()->Count() : tree.Count(); }
  TdxTreeListNode* At(int index) { return Parent() != nullptr ? Parent()->Items(index) : tree.Items(index); }
  TdxTreeListNode* Insert(int index) {
    TdxTreeListNode* before = At(index);
    if (Parent() != nullptr) return Parent()->InsertChild(before);
    return tree.InsertNode(before);
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 0; i < Count(); ++i) {
      names.push_back(TTestTreeList::Name(At(i)));
      EXPECT_EQ(At(i)->Index(), i);
    }
    return names;
  }

  TTestTreeList tree;
  TdxTreeListNode* FParent = nullptr;
};

TEST_P(SiblingListModel, FollowsAPlainVector) {
  if (GetParam()) {
    tree.Build("P Q");
    FParent = tree.Find("P");
  }
  std::vector<std::string> model;
  std::mt19937 random(20240601);
  auto pick = [&](int bound) { return static_cast<int>(random() % static_cast<unsigned>(bound)); };
  int serial = 0;
  for (int step = 0; step < 2000; ++step) {
    const int count = Count();
    const int operation = count == 0 ? 0 : pick(7);
    if (operation <= 2) {
      // Insert: at the front, the back or anywhere.
      const int index = operation == 0 ? 0 : operation == 1 ? count : pick(count + 1);
      const std::string name = "n" + std::to_string(serial++);
      static_cast<TTestNode*>(Insert(index))->Name = name;
      model.insert(model.begin() + index, name);
    } else if (operation <= 4) {
      // Free: the front node or any node.
      const int index = operation == 3 ? 0 : pick(count);
      At(index)->Free();
      model.erase(model.begin() + index);
    } else if (operation == 5) {
      const int from = pick(count);
      const int to = pick(count);
      if (from != to) {
        At(from)->Relink(At(to), nmBefore);
        const std::string name = model[static_cast<std::size_t>(from)];
        const std::string target = model[static_cast<std::size_t>(to)];
        model.erase(model.begin() + from);
        model.insert(std::find(model.begin(), model.end(), target), name);
      }
    } else {
      const int from = pick(count);
      At(from)->Relink(At(pick(count)), nmLastSibling);
      const std::string name = model[static_cast<std::size_t>(from)];
      model.erase(model.begin() + from);
      model.push_back(name);
    }
    tree.CheckInvariants();
    ASSERT_EQ(Names(), model) << "step " << step;
  }
}

INSTANTIATE_TEST_SUITE_P(NodeTree, SiblingListModel, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Children" : "TopLevel"; });

// The grids load tens of thousands of records as nodes; these shapes are the
// ones that would go quadratic with a plain vector.
constexpr int kManyNodes = 20000;

TEST(NodeTreeBulk, LeavesMoveFromTheFrontUnderTheirGroups) {
  TTestTreeList tree;
  for (int i = 0; i < kManyNodes; ++i) tree.AddNode();
  std::vector<TdxTreeListNode*> groups;
  for (int g = 0; g < 10; ++g) groups.push_back(tree.AddNode());
  std::vector<TdxTreeListNode*> leaves;
  for (int i = 0; i < kManyNodes; ++i) leaves.push_back(tree.Items(i));
  for (int i = 0; i < kManyNodes; ++i)
    tree.FirstNode()->MoveTopLevelUnder(groups[static_cast<std::size_t>(i % 10)]);
  ASSERT_EQ(tree.Count(), 10);
  for (int g = 0; g < 10; ++g) {
    ASSERT_EQ(groups[static_cast<std::size_t>(g)]->Count(), kManyNodes / 10);
    EXPECT_EQ(groups[static_cast<std::size_t>(g)]->Items(7), leaves[static_cast<std::size_t>(70 + g)]);
  }
  tree.CheckInvariants();
}

TEST(NodeTreeBulk, FreeingANodeWithManyChildrenFreesThemAll) {
  TTestTreeList tree;
  TdxTreeListNode* parent = tree.AddNode();
  TdxTreeListNode* after = tree.AddNode();
  for (int i = 0; i < kManyNodes; ++i) parent->AddChild();
  parent->SetExpanded(true);
  parent->Items(kManyNodes / 2)->SetFocused(true);
  int deletions = 0;
  tree.OnDeletion = [&](TObject*, TdxTreeListNode*) { ++deletions; };
  parent->Free();
  EXPECT_EQ(deletions, kManyNodes + 1);
  EXPECT_EQ(tree.Count(), 1);
  EXPECT_EQ(tree.FocusedNode(), after);
  tree.CheckInvariants();
}

TEST(NodeTreeBulk, InsertingAtTheFrontAgainAndAgainKeepsTheOrder) {
  TTestTreeList tree;
  for (int i = 0; i < kManyNodes; ++i)
    static_cast<TTestNode*>(tree.InsertNode(tree.FirstNode()))->Name = std::to_string(i);
  EXPECT_EQ(TTestTreeList::Name(tree.FirstNode()), std::to_string(kManyNodes - 1));
  EXPECT_EQ(TTestTreeList::Name(tree.Items(kManyNodes - 1)), "0");
  tree.CheckInvariants();
}

}  // namespace
