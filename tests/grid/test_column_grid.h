#pragma once
// A tree list with real bands and columns for the column tests: text nodes
// keep one text per column, and re-measuring is counted.

#include <memory>
#include <string>

#include "grid/tree_list.h"

class TColumnGrid : public TCustomdxTreeList {
 public:
  explicit TColumnGrid(TComponent* owner = nullptr) : TCustomdxTreeList(owner) {}
  ~TColumnGrid() override { ClearNodes(); }
  int RecalcCount = 0;
  // Answers IsGroupNode for this node.
  const TdxTreeListNode* GroupNode = nullptr;
  bool NewItemRowData = true;

  // A top-level node with these cell texts.
  TdxTreeListTextNode* AddRow(std::initializer_list<std::string> texts) {
    auto* node = static_cast<TdxTreeListTextNode*>(AddNode());
    for (const std::string& text : texts) node->Strings().Add(text);
    return node;
  }

  std::unique_ptr<TdxTreeListNode> CreateNode() override { return std::make_unique<TdxTreeListTextNode>(this); }
  int GetImageIndex(const TdxTreeListNode*) const override { return -1; }
  int GetSelectedIndex(const TdxTreeListNode*) const override { return -1; }
  int GetStateIndex(const TdxTreeListNode*) const override { return -1; }
  std::string GetCellText(const TdxTreeListNode* node, int column) const override {
    const TStringList& s = static_cast<const TdxTreeListTextNode*>(node)->Strings();
    return column >= 0 && column < s.Count() ? s.Strings(column) : std::string();
  }
  Variant GetCellVariant(const TdxTreeListNode* node, int column) const override {
    return Variant(GetCellText(node, column));
  }
  void SetCellText(TdxTreeListNode* node, int column, const std::string& text) override {
    TStringList& s = static_cast<TdxTreeListTextNode*>(node)->Strings();
    while (s.Count() <= column) s.Add("");
    s.SetStrings(column, text);
  }
  void RecalcMetrics() override {
    ++RecalcCount;
    TCustomdxTreeList::RecalcMetrics();
  }
  using TCustomdxTreeList::GetHeaderAbsoluteIndex;
  using TCustomdxTreeList::GetHeaderColumnCount;

 protected:
  bool IsGroupNode(const TdxTreeListNode* node) const override { return node != nullptr && node == GroupNode; }
  bool NewItemRowHasData() const override { return NewItemRowData; }
};
