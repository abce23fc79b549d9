#include "grid/nodes/node_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "grid/nodes/tree_list_node.h"
#include "grid/tree_list/tree_list_errors.h"
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

// What the sibling tests read: a named node added under parent (the top
// level when nil), the names of the nodes shown there and of the detached
// nodes, each list in its order.
TdxTreeListNode* AddNamed(TTestTreeList& tree, TdxTreeListNode* parent, std::string name) {
  TdxTreeListNode* node = parent != nullptr ? parent->AddChild() : tree.AddNode();
  static_cast<TTestNode*>(node)->Name = std::move(name);
  return node;
}
std::vector<std::string> ShownNames(TTestTreeList& tree, TdxTreeListNode* parent) {
  std::vector<std::string> result;
  const int count = parent != nullptr ? parent->Count() : tree.Count();
  for (int i = 0; i < count; ++i)
    result.push_back(TTestTreeList::Name(parent != nullptr ? parent->Items(i) : tree.Items(i)));
  return result;
}
std::vector<std::string> DetachedNames(TTestTreeList& tree) {
  std::vector<std::string> result;
  for (int i = 0; i < tree.DetachedCount(); ++i) result.push_back(TTestTreeList::Name(tree.DetachedNodes(i)));
  return result;
}

// Replacing a list of siblings at once: which nodes end up shown (in the
// order given), which detached (in their order), under a parent or at the
// top level, and refusals that leave the tree as it was.
struct ReplaceCase {
  const char* Name;
  bool UnderParent;
  // Indexes into the six children made first; 10 + i: the i-th node
  // detached beforehand.
  std::vector<int> Shown;
  std::vector<std::string> ExpectShown;
  std::vector<std::string> ExpectDetached;
};

class SiblingsReplaced : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(SiblingsReplaced, ShowTheGivenNodesAndDetachTheRest) {
  const ReplaceCase& c = GetParam();
  TTestTreeList tree;
  TdxTreeListNode* parent = c.UnderParent ? tree.AddNode() : nullptr;
  if (parent != nullptr) static_cast<TTestNode*>(parent)->Name = "P";
  std::vector<TdxTreeListNode*> nodes;
  for (char name : std::string("abcdef")) nodes.push_back(AddNamed(tree, parent, std::string(1, name)));
  // Two nodes detached before: x (a seventh node) and f.
  TdxTreeListNode* x = AddNamed(tree, parent, "x");
  x->Detach();
  nodes[5]->Detach();
  const std::vector<TdxTreeListNode*> detachedBefore = {x, nodes[5]};
  std::vector<TdxTreeListNode*> shown;
  for (int i : c.Shown)
    shown.push_back(i >= 10 ? detachedBefore[static_cast<std::size_t>(i - 10)]
                            : nodes[static_cast<std::size_t>(i)]);
  if (c.ExpectShown.empty() && c.ExpectDetached.empty()) {
    const std::vector<std::string> before = ShownNames(tree, parent);
    EXPECT_THROW(tree.ReplaceSiblings(parent, shown), EInvaliddxTreeListOperation);
    EXPECT_EQ(ShownNames(tree, parent), before);
    EXPECT_EQ(DetachedNames(tree), (std::vector<std::string>{"x", "f"}));
  } else {
    tree.ReplaceSiblings(parent, shown);
    EXPECT_EQ(ShownNames(tree, parent), c.ExpectShown);
    EXPECT_EQ(DetachedNames(tree), c.ExpectDetached);
    for (TdxTreeListNode* node : shown) EXPECT_EQ(node->Parent(), parent);
    if (parent != nullptr) {
      EXPECT_EQ(parent->HasChildren(), !shown.empty());
    }
  }
  tree.CheckInvariants();
}

INSTANTIATE_TEST_SUITE_P(
    NodeTree, SiblingsReplaced,
    ::testing::Values(
        ReplaceCase{"KeepAll", false, {0, 1, 2, 3, 4}, {"a", "b", "c", "d", "e"}, {"x", "f"}},
        ReplaceCase{"HideSome", false, {0, 2, 4}, {"a", "c", "e"}, {"x", "f", "b", "d"}},
        ReplaceCase{"ShowDetachedInOrder", false, {11, 0, 10, 3}, {"f", "a", "x", "d"}, {"b", "c", "e"}},
        ReplaceCase{"HideAllUnderParent", true, {}, {}, {"x", "f", "a", "b", "c", "d", "e"}},
        ReplaceCase{"ReorderUnderParent", true, {4, 3, 11, 2, 1, 0}, {"e", "d", "f", "c", "b", "a"}, {"x"}},
        ReplaceCase{"TwiceIsRefused", false, {0, 1, 0}, {}, {}},
        ReplaceCase{"DetachedTwiceIsRefused", true, {10, 10}, {}, {}}),
    [](const auto& info) { return std::string(info.param.Name); });

// The one-pass form: the kept children stay in their order, the refused
// ones follow the detached list's nodes, with a gap before the list's head
// or without, and a test that raises leaves the tree as it was.
struct DetachCase {
  const char* Name;
  bool UnderParent;
  bool FrontGap;
  std::string Keep;  // names of the children kept
  int RaiseAt;       // the test of this child raises (-1: none)
  std::vector<std::string> ExpectShown;
  std::vector<std::string> ExpectDetached;
};

class RefusedSiblingsDetached : public ::testing::TestWithParam<DetachCase> {};

TEST_P(RefusedSiblingsDetached, AsReplacingThemWithTheKeptOnes) {
  const DetachCase& c = GetParam();
  TTestTreeList tree;
  TdxTreeListNode* parent = c.UnderParent ? tree.AddNode() : nullptr;
  TdxTreeListNode* first = AddNamed(tree, parent, "z");
  for (char name : std::string("abcde")) AddNamed(tree, parent, std::string(1, name));
  AddNamed(tree, parent, "x")->Detach();
  if (c.FrontGap) first->Free();
  const std::vector<std::string> siblings = c.FrontGap
                                                ? std::vector<std::string>{"a", "b", "c", "d", "e"}
                                                : std::vector<std::string>{"z", "a", "b", "c", "d", "e"};
  int tested = 0;
  const auto keep = [&](TdxTreeListNode* node) {
    if (tested++ == c.RaiseAt) RaiseInvalidTreeListOperation("refused");
    return c.Keep.find(TTestTreeList::Name(node)) != std::string::npos;
  };
  if (c.RaiseAt >= 0) {
    EXPECT_THROW(tree.DetachRefusedSiblings(parent, keep, [](const TdxTreeListNode*) {}),
                 EInvaliddxTreeListOperation);
  } else {
    EXPECT_EQ(tree.DetachRefusedSiblings(parent, keep, [](const TdxTreeListNode*) {}),
              c.ExpectShown != siblings);
  }
  const int count = parent != nullptr ? parent->Count() : tree.Count();
  EXPECT_EQ(ShownNames(tree, parent), c.ExpectShown);
  EXPECT_EQ(DetachedNames(tree), c.ExpectDetached);
  for (int i = 0; i < count; ++i) {
    TdxTreeListNode* node = parent != nullptr ? parent->Items(i) : tree.Items(i);
    EXPECT_EQ(node->Parent(), parent);
    EXPECT_EQ(node->Index(), i);
  }
  for (int i = 0; i < tree.DetachedCount(); ++i) EXPECT_TRUE(tree.DetachedNodes(i)->IsDetached());
  if (parent != nullptr) {
    EXPECT_EQ(parent->HasChildren(), count > 0);
  }
  tree.CheckInvariants();
}

INSTANTIATE_TEST_SUITE_P(
    NodeTree, RefusedSiblingsDetached,
    ::testing::Values(
        DetachCase{"HideSome", false, false, "ace", -1, {"a", "c", "e"}, {"x", "z", "b", "d"}},
        DetachCase{"HideSomeAfterAGap", false, true, "bd", -1, {"b", "d"}, {"x", "a", "c", "e"}},
        DetachCase{"KeepAllAfterAGap", true, true, "abcde", -1, {"a", "b", "c", "d", "e"}, {"x"}},
        DetachCase{"HideAllUnderParent", true, false, "", -1, {}, {"x", "z", "a", "b", "c", "d", "e"}},
        DetachCase{"RaiseLeavesTheTree", false, true, "ace", 3, {"a", "b", "c", "d", "e"}, {"x"}},
        DetachCase{"RaiseUnderParent", true, false, "z", 4, {"z", "a", "b", "c", "d", "e"}, {"x"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(NodeTreeBulk, ReplacingSiblingsRefusesNodesFromElsewhere) {
  TTestTreeList tree;
  TdxTreeListNode* group = tree.AddNode();
  TdxTreeListNode* child = group->AddChild();
  TdxTreeListNode* top = tree.AddNode();
  TTestTreeList other;
  TdxTreeListNode* foreign = other.AddNode();
  for (TdxTreeListNode* wrong : {child, foreign}) {
    const std::vector<TdxTreeListNode*> shown = {group, top, wrong};
    EXPECT_THROW(tree.ReplaceSiblings(nullptr, shown), EInvaliddxTreeListOperation);
  }
  // A detached ancestor cannot come back under its own descendant.
  group->Detach();
  const std::vector<TdxTreeListNode*> cycle = {group};
  EXPECT_THROW(tree.ReplaceSiblings(child, cycle), EInvaliddxTreeListOperation);
  tree.CheckInvariants();
}

TEST(NodeTreeBulk, HidingEveryOtherOfManyNodesTakesOnePass) {
  TTestTreeList tree;
  for (int i = 0; i < kManyNodes * 10; ++i) tree.AddNode();
  std::vector<TdxTreeListNode*> kept;
  for (int i = 0; i < tree.Count(); i += 2) kept.push_back(tree.Items(i));
  tree.ReplaceSiblings(nullptr, kept);
  EXPECT_EQ(tree.Count(), kManyNodes * 5);
  EXPECT_EQ(tree.DetachedCount(), kManyNodes * 5);
  std::vector<TdxTreeListNode*> all;
  for (int i = 0; i < tree.DetachedCount(); ++i) all.push_back(tree.DetachedNodes(i));
  tree.ReplaceSiblings(nullptr, all);
  EXPECT_EQ(tree.Count(), kManyNodes * 5);
  EXPECT_EQ(tree.DetachedCount(), kManyNodes * 5);
  tree.CheckInvariants();
}

}  // namespace
