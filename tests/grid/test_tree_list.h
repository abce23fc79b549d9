#pragma once
// A tree list without a window for the node tests: each node has a name
// (its column-0 text and value) and a variant per further column, and every
// call the nodes make into their owner is written to a log.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/base/variant.h"
#include "grid/tree_list_node.h"
#include "grid/tree_list_node_owner.h"

class TTestNode : public TdxTreeListTextNode {
 public:
  using TdxTreeListTextNode::TdxTreeListTextNode;
  std::string Name;
  std::map<int, Variant> Values;
};

class TTestTreeList : public TObject, public TdxTreeListNodeOwner {
 public:
  // As a tree list does: the nodes go while the owner can still answer.
  ~TTestTreeList() override { FreeAllNodes(); }

  TTLExpandingEvent OnExpanding;
  TTLExpandingEvent OnCollapsing;
  TTLExpandedEvent OnExpanded;
  TTLExpandedEvent OnCollapsed;
  TTLExpandedEvent OnDeletion;
  // Answers FocusNodeOnCollapse when set; the base answer otherwise.
  std::function<bool(TdxTreeListNode*)> OnFocusNodeOnCollapse;
  // Answers CanHaveChildren when set.
  std::function<bool(const TdxTreeListNode*)> OnCanHaveChildren;

  std::vector<std::string> Log;
  bool MultiSelect = false;
  std::map<const TdxTreeListNode*, bool> Selected;

  // A named node: top-level when parent is nil, else parent's last child.
  TTestNode* Add(const std::string& name, TdxTreeListNode* parent = nullptr) {
    TdxTreeListNode* node = parent != nullptr ? parent->AddChild() : AddNode();
    TTestNode* test = static_cast<TTestNode*>(node);
    test->Name = name;
    return test;
  }
  // Builds a tree from "A(B C(D)) E" (names are single words).
  void Build(const std::string& shape);
  // The node with this name; nil when none.
  TTestNode* Find(const std::string& name) const;

  static std::string Name(const TdxTreeListNode* node) {
    return node != nullptr ? static_cast<const TTestNode*>(node)->Name : "-";
  }
  // The tree as text: children in brackets, "+" after an expanded node,
  // "*" after a node with an expand button but no children, detached nodes
  // after " | ".
  std::string Shape() const;
  // Names in full tree order.
  std::string Order() const;

  void Clear() { FreeAllNodes(); }
  using TdxTreeListNodeOwner::SetFocusedNodeField;

  // --- overrides ---
  std::unique_ptr<TdxTreeListNode> CreateNode() override { return std::make_unique<TTestNode>(this); }
  void NodeAdded(TdxTreeListNode* node) override {
    Log.push_back("added " + Name(node));
    TdxTreeListNodeOwner::NodeAdded(node);
  }
  void NodeDeleted(TdxTreeListNode* node, TdxTreeListNode* before, TdxTreeListNode* next, bool wasLast,
                   bool wasVisible) override {
    Log.push_back("deleted " + Name(node) + " before=" + Name(before) + " next=" + Name(next) +
                  (wasLast ? " last" : "") + (wasVisible ? " visible" : ""));
    if (OnDeletion) OnDeletion(this, node);
    TdxTreeListNodeOwner::NodeDeleted(node, before, next, wasLast, wasVisible);
  }
  void NodeChanged(TdxTreeListNode* node, bool relayout) override {
    Log.push_back((relayout ? "relayout " : "changed ") + Name(node));
  }
  bool CanHaveChildren(const TdxTreeListNode* node) const override {
    return OnCanHaveChildren ? OnCanHaveChildren(node) : TdxTreeListNodeOwner::CanHaveChildren(node);
  }
  void DoExpanding(TdxTreeListNode* node, bool& allow) override {
    Log.push_back("expanding " + Name(node));
    if (OnExpanding) OnExpanding(this, node, allow);
  }
  void DoCollapsing(TdxTreeListNode* node, bool& allow) override {
    Log.push_back("collapsing " + Name(node));
    if (OnCollapsing) OnCollapsing(this, node, allow);
  }
  void DoExpanded(TdxTreeListNode* node) override {
    Log.push_back("expanded " + Name(node));
    if (OnExpanded) OnExpanded(this, node);
  }
  void DoCollapsed(TdxTreeListNode* node) override {
    Log.push_back("collapsed " + Name(node));
    if (OnCollapsed) OnCollapsed(this, node);
  }
  bool FocusNodeOnCollapse(TdxTreeListNode* node) override {
    Log.push_back("focus on collapse " + Name(node));
    return OnFocusNodeOnCollapse ? OnFocusNodeOnCollapse(node)
                                 : TdxTreeListNodeOwner::FocusNodeOnCollapse(node);
  }
  void RebuildVisibleOrder() override { Log.push_back("rebuild"); }
  void BeginUpdate() override {
    Log.push_back("begin update");
    TdxTreeListNodeOwner::BeginUpdate();
  }
  void EndUpdate() override {
    TdxTreeListNodeOwner::EndUpdate();
    Log.push_back("end update");
  }
  void SetTopVisibleNode(TdxTreeListNode* node) override {
    Log.push_back("top " + Name(node));
    TdxTreeListNodeOwner::SetTopVisibleNode(node);
  }
  bool IsMultiSelect() const override { return MultiSelect; }
  bool IsNodeSelected(const TdxTreeListNode* node) const override {
    auto it = Selected.find(node);
    return it != Selected.end() && it->second;
  }
  void SetNodeSelected(TdxTreeListNode* node, bool selected) override { Selected[node] = selected; }

  int GetImageIndex(const TdxTreeListNode* node) const override { return Text(node).ImageIndex(); }
  int GetSelectedIndex(const TdxTreeListNode* node) const override { return Text(node).SelectedIndex(); }
  int GetStateIndex(const TdxTreeListNode* node) const override { return Text(node).StateIndex(); }
  std::string GetCellText(const TdxTreeListNode* node, int columnIndex) const override {
    return VarToStr(GetCellVariant(node, columnIndex));
  }
  Variant GetCellVariant(const TdxTreeListNode* node, int columnIndex) const override {
    const TTestNode& test = Text(node);
    if (auto it = test.Values.find(columnIndex); it != test.Values.end()) return it->second;
    return columnIndex == 0 ? Variant(test.Name) : Variant::Null();
  }
  void SetCellText(TdxTreeListNode* node, int columnIndex, const std::string& text) override {
    TTestNode& test = static_cast<TTestNode&>(*node);
    if (columnIndex == 0)
      test.Name = text;
    else
      test.Values[columnIndex] = Variant(text);
  }

 private:
  static const TTestNode& Text(const TdxTreeListNode* node) { return static_cast<const TTestNode&>(*node); }
};

inline void TTestTreeList::Build(const std::string& shape) {
  std::vector<TdxTreeListNode*> parents{nullptr};
  TdxTreeListNode* last = nullptr;
  std::string word;
  auto flush = [&] {
    if (word.empty()) return;
    last = Add(word, parents.back());
    word.clear();
  };
  for (char c : shape) {
    if (c == '(') {
      flush();
      parents.push_back(last);
    } else if (c == ')') {
      flush();
      parents.pop_back();
    } else if (c == ' ') {
      flush();
    } else {
      word += c;
    }
  }
  flush();
}

inline TTestNode* TTestTreeList::Find(const std::string& name) const {
  std::function<TTestNode*(TdxTreeListNode*)> search = [&](TdxTreeListNode* node) -> TTestNode* {
    for (; node != nullptr; node = node->GetNext())
      if (Name(node) == name) return static_cast<TTestNode*>(node);
    return nullptr;
  };
  if (TTestNode* found = search(FirstNode())) return found;
  for (int i = 0; i < DetachedCount(); ++i) {
    TdxTreeListNode* root = DetachedNodes(i);
    if (Name(root) == name) return static_cast<TTestNode*>(root);
    if (TTestNode* found = search(root->GetFirstChild())) return found;
  }
  return nullptr;
}

inline std::string TTestTreeList::Shape() const {
  std::function<std::string(const TdxTreeListNode*)> text = [&](const TdxTreeListNode* node) {
    std::string result = Name(node);
    if (node->Expanded()) result += "+";
    if (node->HasChildren() && node->Count() == 0) result += "*";
    if (node->Count() > 0) {
      result += "(";
      for (int i = 0; i < node->Count(); ++i) result += (i > 0 ? " " : "") + text(node->Items(i));
      result += ")";
    }
    return result;
  };
  std::string result;
  for (int i = 0; i < Count(); ++i) result += (i > 0 ? " " : "") + text(Items(i));
  if (DetachedCount() > 0) {
    result += " |";
    for (int i = 0; i < DetachedCount(); ++i) result += " " + text(DetachedNodes(i));
  }
  return result;
}

inline std::string TTestTreeList::Order() const {
  std::string result;
  for (const TdxTreeListNode* node = FirstNode(); node != nullptr; node = node->GetNext())
    result += (result.empty() ? "" : " ") + Name(node);
  return result;
}
