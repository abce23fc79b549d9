#pragma once
// A concrete tree list core for the window tests: text nodes named by their
// column-0 text, a selection kept in a list, bands and columns given as
// plain data, and a log of the hooks the core calls.

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "grid/tree_list/tree_list.h"

class TTestGrid : public TCustomdxTreeList {
 public:
  explicit TTestGrid(TComponent* owner = nullptr) : TCustomdxTreeList(owner) {}
  // The nodes go while this class can still answer for them.
  ~TTestGrid() override { ClearNodes(); }

  // Band -> header rows -> absolute column indexes, left to right.
  std::vector<std::vector<std::vector<int>>> Bands;
  std::map<int, std::string> Captions;
  std::vector<TdxTreeListNode*> Selection;
  std::vector<std::string> Log;
  int RecalcCount = 0;

  // A named node: top-level when parent is nil, else parent's last child;
  // texts of further columns follow the name.
  TdxTreeListTextNode* Add(const std::string& name, TdxTreeListNode* parent = nullptr,
                           const std::vector<std::string>& more = {}) {
    TdxTreeListNode* node = parent != nullptr ? parent->AddChild() : AddNode();
    auto* text = static_cast<TdxTreeListTextNode*>(node);
    text->Strings().Add(name);
    for (const std::string& s : more) text->Strings().Add(s);
    return text;
  }
  TdxTreeListNode* Find(const std::string& name) const {
    for (TdxTreeListNode* node = FirstNode(); node != nullptr; node = node->GetNext())
      if (GetCellText(node, 0) == name) return node;
    return nullptr;
  }
  static std::string Name(const TdxTreeListNode* node) {
    if (node == nullptr) return "-";
    const auto* text = static_cast<const TdxTreeListTextNode*>(node);
    return text->Strings().Count() > 0 ? text->Strings().Strings(0) : "";
  }
  // Names of the rows in visible order, as the core answers them by index.
  std::string Rows() const {
    std::string rows;
    for (int i = 0; i < VisibleNodeCount(); ++i) rows += (i > 0 ? " " : "") + Name(GetAbsoluteNode(i));
    return rows;
  }

  using TCustomdxTreeList::DragNode;
  using TCustomdxTreeList::ResetNodeReferences;
  using TCustomdxTreeList::SetDragNode;
  using TCustomdxTreeList::SetEditCell;
  using TCustomdxTreeList::SetShowIndicator;
  using TdxTreeListNodeOwner::SetFocusedNodeField;

  // --- overrides ---
  std::unique_ptr<TdxTreeListNode> CreateNode() override {
    return std::make_unique<TdxTreeListTextNode>(this);
  }
  int GetImageIndex(const TdxTreeListNode* node) const override { return Text(node).ImageIndex(); }
  int GetSelectedIndex(const TdxTreeListNode* node) const override { return Text(node).SelectedIndex(); }
  int GetStateIndex(const TdxTreeListNode* node) const override { return Text(node).StateIndex(); }
  std::string GetCellText(const TdxTreeListNode* node, int columnIndex) const override {
    const TStringList& strings = Text(node).Strings();
    return columnIndex >= 0 && columnIndex < strings.Count() ? strings.Strings(columnIndex) : std::string();
  }
  Variant GetCellVariant(const TdxTreeListNode* node, int columnIndex) const override {
    return Variant(GetCellText(node, columnIndex));
  }
  void SetCellText(TdxTreeListNode* node, int columnIndex, const std::string& text) override {
    TStringList& strings = static_cast<TdxTreeListTextNode*>(node)->Strings();
    while (strings.Count() <= columnIndex) strings.Add("");
    strings.SetStrings(columnIndex, text);
  }

  int SelectedCount() const override { return static_cast<int>(Selection.size()); }
  TdxTreeListNode* SelectedNodes(int index) const override {
    return index >= 0 && index < SelectedCount() ? Selection[static_cast<std::size_t>(index)] : nullptr;
  }
  bool IsNodeSelected(const TdxTreeListNode* node) const override {
    return std::find(Selection.begin(), Selection.end(), node) != Selection.end();
  }
  void SetNodeSelected(TdxTreeListNode* node, bool selected) override {
    std::erase(Selection, node);
    if (selected) Selection.push_back(node);
  }

  void RecalcMetrics() override {
    ++RecalcCount;
    TCustomdxTreeList::RecalcMetrics();
  }
  void ClearSortedColumns() override { Log.push_back("clear sorted"); }
  void CalcHeaderPanelRowCount() override { Log.push_back("header rows"); }
  void EndAutoSearch() override { Log.push_back("end search"); }

  int GetVisibleBandCount() const override { return static_cast<int>(Bands.size()); }
  int GetBandHeaderRowCount(int band) const override { return static_cast<int>(Bands[Index(band)].size()); }
  int GetHeaderColumnCount(int band, int row) const override {
    return static_cast<int>(Bands[Index(band)][Index(row)].size());
  }
  int GetHeaderAbsoluteIndex(int band, int row, int position) const override {
    return Bands[Index(band)][Index(row)][Index(position)];
  }
  std::string GetColumnCaption(int column) const override {
    auto it = Captions.find(column);
    return it != Captions.end() ? it->second : std::string();
  }
  int GetBandDisplayWidth(int band) const override { return 100 + band; }
  int GetGroupIndent() const override { return 7; }
  int GetColumnWidth(int column) const override { return 10 * column + 5; }
  void SetBandWidth(int band, int width) override {
    Log.push_back("band " + std::to_string(band) + " width " + std::to_string(width));
  }
  void SetColumnWidth(int column, int width) override {
    Log.push_back("column " + std::to_string(column) + " width " + std::to_string(width));
  }

 private:
  static std::size_t Index(int i) { return static_cast<std::size_t>(i); }
  static const TdxTreeListTextNode& Text(const TdxTreeListNode* node) {
    return static_cast<const TdxTreeListTextNode&>(*node);
  }
};
