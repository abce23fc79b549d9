#include "grid/tree_list_node_owner.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "grid/tree_list_errors.h"
#include "tests/grid/test_tree_list.h"
#include "tests/support/raised.h"

namespace {

TEST(NodeOwner, TopLevelNodesComeInOrderAndTheFirstIsFocused) {
  TTestTreeList tree;
  tree.Build("B D");
  static_cast<TTestNode*>(tree.InsertNode(tree.Find("B")))->Name = "A";
  static_cast<TTestNode*>(tree.InsertNode(tree.Find("D")))->Name = "C";
  EXPECT_EQ(tree.Shape(), "A B C D");
  EXPECT_EQ(TTestTreeList::Name(tree.FocusedNode()), "B");
  EXPECT_EQ(TTestTreeList::Name(tree.TopVisibleNode()), "B");
  EXPECT_EQ(tree.Find("C")->Index(), 2);
  tree.CheckInvariants();
}

TEST(NodeOwner, InsertingBeforeANodeBelowTheTopLevelIsRefused) {
  TTestTreeList tree;
  tree.Build("A(B)");
  tree.Log.clear();
  EXPECT_EQ(MessageOf<EInvaliddxTreeListOperation>([&] { tree.InsertNode(tree.Find("B")); }),
            "The node to insert before is not a top-level node");
  EXPECT_TRUE(tree.Log.empty());
  EXPECT_EQ(tree.Shape(), "A(B)");
}

// A tree list whose node factory misbehaves.
class TBadFactory : public TTestTreeList {
 public:
  std::unique_ptr<TdxTreeListNode> CreateNode() override {
    if (Throw) throw std::runtime_error("no memory for nodes");
    return Foreign ? Other.CreateNode() : nullptr;
  }
  bool Throw = false;
  bool Foreign = false;
  TTestTreeList Other;
};

TEST(NodeOwner, AFactoryNodeOfAnotherTreeListIsRefused) {
  TBadFactory tree;
  tree.Foreign = true;
  EXPECT_EQ(MessageOf<EInvaliddxTreeListOperation>([&] { tree.AddNode(); }), "Invalid Owner TdxTreeListNode");
  tree.Foreign = false;
  EXPECT_EQ(MessageOf<EInvaliddxTreeListOperation>([&] { tree.AddNode(); }), "Invalid Owner TdxTreeListNode");
  tree.Throw = true;
  EXPECT_THROW(tree.AddNode(), std::runtime_error);
  EXPECT_EQ(tree.Count(), 0);
  EXPECT_TRUE(tree.Log.empty());
  tree.CheckInvariants();
}

TEST(NodeOwner, UpdateLockNestsAndRefusesAnUnmatchedEnd) {
  TTestTreeList tree;
  {
    TdxTreeListUpdateLock outer(tree);
    TdxTreeListUpdateLock inner(tree, !tree.IsUpdateLocked());
    EXPECT_TRUE(tree.IsUpdateLocked());
  }
  EXPECT_FALSE(tree.IsUpdateLocked());
  EXPECT_EQ(MessageOf<EInvaliddxTreeListOperation>([&] { tree.EndUpdate(); }),
            "EndUpdate without BeginUpdate");
  try {
    TdxTreeListUpdateLock lock(tree);
    throw std::runtime_error("failure inside the lock");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(tree.IsUpdateLocked());
}

TEST(NodeOwner, AWrongNewOrderLeavesTheSiblingsAlone) {
  TTestTreeList tree;
  TTestTreeList other;
  tree.Build("A B C(D)");
  other.Build("X");
  TdxTreeListNode* a = tree.Find("A");
  TdxTreeListNode* b = tree.Find("B");
  TdxTreeListNode* c = tree.Find("C");
  const std::vector<std::vector<TdxTreeListNode*>> wrong{
      {a, b}, {a, b, b}, {a, b, tree.Find("D")}, {a, b, nullptr}, {a, b, other.Find("X")}};
  for (const auto& order : wrong) {
    EXPECT_THROW(tree.ReorderSiblings(nullptr, order), EInvaliddxTreeListOperation);
    EXPECT_EQ(tree.Shape(), "A B C(D)");
  }
  tree.ReorderSiblings(nullptr, std::vector<TdxTreeListNode*>{c, a, b});
  EXPECT_EQ(tree.Shape(), "C(D) A B");
  EXPECT_THROW(tree.ReorderSiblings(other.Find("X"), std::vector<TdxTreeListNode*>{}),
               EInvaliddxTreeListOperation);
  tree.CheckInvariants();
}

// A tree list that forgets to move its references off deleted nodes.
class TForgetfulTreeList : public TTestTreeList {
 public:
  void NodeDeleted(TdxTreeListNode*, TdxTreeListNode*, TdxTreeListNode*, bool, bool) override {}
};

TEST(NodeOwner, AFreedNodeIsNeverLeftReferenced) {
  TForgetfulTreeList tree;
  tree.Build("A B");
  tree.Find("B")->SetFocused(true);
  tree.SetTopVisibleNode(tree.Find("B"));
  tree.Find("B")->Free();
  EXPECT_EQ(tree.FocusedNode(), nullptr);
  EXPECT_EQ(tree.TopVisibleNode(), nullptr);
  tree.CheckInvariants();
}

TEST(NodeOwner, InvariantsCatchAReferenceToAForeignNode) {
  TTestTreeList tree;
  TTestTreeList other;
  tree.Build("A");
  other.Build("X");
  tree.SetFocusedNodeField(other.Find("X"));
  EXPECT_EQ(MessageOf<EInvaliddxTreeListOperation>([&] { tree.CheckInvariants(); }),
            "Node tree: the focused node is not a node of the tree");
  tree.SetFocusedNodeField(nullptr);
}

// An owner that never clears its nodes: they go with it, silently.
class TBareOwner : public TdxTreeListNodeOwner {
 public:
  std::unique_ptr<TdxTreeListNode> CreateNode() override { return std::make_unique<TdxTreeListNode>(this); }
  void NodeDeleted(TdxTreeListNode*, TdxTreeListNode*, TdxTreeListNode*, bool, bool) override { ++*Calls; }
  int GetImageIndex(const TdxTreeListNode*) const override { return 0; }
  int GetSelectedIndex(const TdxTreeListNode*) const override { return -1; }
  int GetStateIndex(const TdxTreeListNode*) const override { return -1; }
  std::string GetCellText(const TdxTreeListNode*, int) const override { return {}; }
  Variant GetCellVariant(const TdxTreeListNode*, int) const override { return Variant::Null(); }
  void SetCellText(TdxTreeListNode*, int, const std::string&) override {}
  int* Calls = nullptr;
};

TEST(NodeOwner, NodesLeftAtDestructionGoWithoutCallingBack) {
  int calls = 0;
  {
    TBareOwner owner;
    owner.Calls = &calls;
    TdxTreeListNode* a = owner.AddNode();
    a->AddChild()->AddChild();
    owner.AddNode()->Detach();
    owner.CheckInvariants();
  }
  EXPECT_EQ(calls, 0);
}

}  // namespace
