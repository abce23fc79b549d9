#pragma once
// A tree list for the keyboard, mouse and scrolling tests: three real
// columns 100 pixels wide in one band, text nodes named by their first
// cell, a selection kept in a list, rows exactly RowHeight high, a log of
// the hooks the input calls into the editing and sizing parts, and a form
// around it, shown and active, so that Qt's input reaches it as a user's.

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/gui/standard/forms.h"
#include "grid/tree_list/tree_list_column.h"
#include "tests/framework_gui/gui_test_support.h"
#include "tests/grid/test_column_grid.h"

class TInputGrid : public TColumnGrid {
 public:
  static constexpr int RowHeight = 20;
  static constexpr int ColumnWidth = 100;

  explicit TInputGrid(TComponent* owner, int columns = 3) : TColumnGrid(owner) {
    SetBorderStyle(bsNone);
    for (int i = 0; i < columns; ++i) {
      auto column = std::make_unique<TdxTreeListColumn>(nullptr);
      column->SetTreeList(this);
      column->SetCaption("C" + std::to_string(i));
      column->SetWidth(ColumnWidth);
      FColumns.push_back(std::move(column));
    }
    SetDefaultRowHeight(RowHeight);
  }
  ~TInputGrid() override {
    ClearNodes();
    for (auto& column : FColumns) column->SetTreeList(nullptr);
  }

  TdxTreeListColumn& Column(int i) { return *FColumns[static_cast<std::size_t>(i)]; }
  // Client height that shows the header and exactly rows rows.
  int HeightFor(int rows) const { return Metrics().HeaderPanelHeight + rows * RowHeight; }

  // Top-level rows "r0" .. "r<n-1>", their second cell "x<i>".
  void AddRows(int count) {
    TdxTreeListUpdateLock lock(*this);
    for (int i = 0; i < count; ++i) AddRow({"r" + std::to_string(i), "x" + std::to_string(i)});
    lock.Close();
  }
  TdxTreeListNode* Row(int index) const { return GetAbsoluteNode(index); }
  // A column's header cell as laid out now.
  TRect HeaderRect(int column) const {
    TdxTreeListLayoutInfo layout;
    CalculateLayout(layout);
    const TdxTreeListHeaderItem* cell = layout.FindHeader(column);
    return cell != nullptr ? cell->Rect : TRect{};
  }
  // The middle of the cell of a column in the screen row (0: the top row).
  TPoint CellPoint(int screenRow, int column = 1) const {
    const TRect header = HeaderRect(column);
    return Point((header.Left + header.Right) / 2,
                 Metrics().HeaderPanelHeight + screenRow * RowHeight + RowHeight / 2);
  }
  // A point in a column's header, dx from its left (from its right when
  // negative).
  TPoint HeaderPoint(int column, int dx) const {
    const TRect header = HeaderRect(column);
    return Point(dx >= 0 ? header.Left + dx : header.Right + dx, (header.Top + header.Bottom) / 2);
  }
  static std::string Name(const TdxTreeListNode* node) {
    if (node == nullptr) return "-";
    const auto* text = static_cast<const TdxTreeListTextNode*>(node);
    return text->Strings().Count() > 0 ? text->Strings().Strings(0) : "";
  }
  std::string FocusedName() const { return Name(FocusedNode()); }
  // The selected rows' names in row order.
  std::string SelectedNames() const {
    std::vector<const TdxTreeListNode*> rows(Selection.begin(), Selection.end());
    std::sort(rows.begin(), rows.end(), [this](const TdxTreeListNode* a, const TdxTreeListNode* b) {
      return GetAbsoluteIndex(a) < GetAbsoluteIndex(b);
    });
    std::string names;
    for (const TdxTreeListNode* node : rows) names += (names.empty() ? "" : " ") + Name(node);
    return names;
  }

  std::vector<TdxTreeListNode*> Selection;
  std::vector<std::string> Log;
  TdxInplaceEdit* Editor = nullptr;

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
  void NodeDeleted(TdxTreeListNode* node, TdxTreeListNode* before, TdxTreeListNode* next, bool wasLast,
                   bool wasVisible) override {
    std::erase(Selection, node);
    TColumnGrid::NodeDeleted(node, before, next, wasLast, wasVisible);
  }

  using TCustomdxTreeList::DownHitInfo;
  using TCustomdxTreeList::HotTrackNode;
  using TCustomdxTreeList::PaintTo;
  using TCustomdxTreeList::PressedColumn;

  // Sizing as the states show it, and whether it changed any width.
  void SetInteractionState(TdxTreeListState state) override {
    const TdxTreeListState before = State();
    TColumnGrid::SetInteractionState(state);
    if (IsSizingState(state) && !IsSizingState(before)) Log.push_back("start sizing " + std::to_string(state));
    if (IsSizingState(before) && !IsSizingState(state)) Log.push_back("stop sizing");
  }

 protected:
  TdxInplaceEdit* InplaceEditor() const override { return Editor; }
  void ShowEditor() override { Log.push_back("show editor"); }
  void ShowEditorWithChar(char ch) override { Log.push_back(std::string("show editor with ") + ch); }
  void ShowEditorWithClick() override { Log.push_back("show editor with click"); }
  void DoChangedColumnsWidth() override { Log.push_back("widths changed"); }
  void ColumnClick(TdxTreeListColumn* column, bool clearSorting) override {
    Log.push_back("header click " + std::to_string(ColumnIndexOf(column)) + (IsMultiSortClick() ? " shift" : "") +
                  (clearSorting ? " ctrl" : ""));
  }

 private:
  static bool IsSizingState(TdxTreeListState state) {
    return state == tsColumnSizing || state == tsBandSizing || state == tsBandPanelSizing ||
           state == tsHeaderPanelSizing || state == tsRowSizing;
  }
  std::vector<std::unique_ptr<TdxTreeListColumn>> FColumns;
};

// A shown, active form with an input grid of `rows` rows that shows
// `visibleRows` of them, the grid focused.
struct TInputForm {
  explicit TInputForm(int rows, int visibleRows = 10, int width = 400) {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, width + 60, 400);
    Grid = new TInputGrid(Form.get());
    Grid->SetParent(Form.get());
    Grid->AddRows(rows);
    Grid->SetBounds(10, 10, width, Grid->HeightFor(visibleRows));
  }
  // Shows the form and gives the grid the focus; false when Qt would not.
  bool Show() {
    if (!ShowActive(*Form)) return false;
    Grid->SetFocus();
    return WaitFor([&] { return Grid->Focused(); });
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(ClientOf(*Grid), key, modifiers);
  }
  void Type(const QString& text) { QTest::keyClicks(ClientOf(*Grid), text); }

  std::unique_ptr<TForm> Form;
  TInputGrid* Grid = nullptr;  // owned by the form
};
