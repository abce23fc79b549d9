// Column order of the tree list core, and its rows as text. The core has no
// columns: it reads their order through the band and column geometry
// queries that the column-owning control answers.

#include <algorithm>
#include <string>
#include <vector>

#include "framework/gui/application/clipboard.h"
#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_column.h"
#include "grid/tree_list/tree_list_edit_style.h"

namespace {

std::string JoinWithTabs(const std::vector<std::string>& parts) {
  std::string line;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) line += '\t';
    line += parts[i];
  }
  return line;
}

}  // namespace

// Visible columns in header order: every band's row 0, then row 1, and so
// on; within a row band by band, left to right.
std::vector<int> TCustomdxTreeList::VisibleColumnsInOrder() const {
  std::vector<int> columns;
  const int bands = GetVisibleBandCount();
  int rows = 0;
  for (int band = 0; band < bands; ++band) rows = std::max(rows, GetBandHeaderRowCount(band));
  for (int row = 0; row < rows; ++row)
    for (int band = 0; band < bands; ++band) {
      if (row >= GetBandHeaderRowCount(band)) continue;
      const int count = GetHeaderColumnCount(band, row);
      for (int position = 0; position < count; ++position)
        columns.push_back(GetHeaderAbsoluteIndex(band, row, position));
    }
  return columns;
}

int TCustomdxTreeList::GetVisibleColumnCount() const {
  return static_cast<int>(VisibleColumnsInOrder().size());
}

int TCustomdxTreeList::GetAbsoluteColumnIndex(int visibleIndex) const {
  const std::vector<int> columns = VisibleColumnsInOrder();
  if (visibleIndex < 0 || visibleIndex >= static_cast<int>(columns.size())) return -1;
  return columns[static_cast<std::size_t>(visibleIndex)];
}

int TCustomdxTreeList::GetVisibleColumnIndex(int absoluteIndex) const {
  const std::vector<int> columns = VisibleColumnsInOrder();
  auto it = std::find(columns.begin(), columns.end(), absoluteIndex);
  return it != columns.end() ? static_cast<int>(it - columns.begin()) : 0;
}

void TCustomdxTreeList::DeleteColumnNodeData(int absoluteIndex) {
  if (absoluteIndex < 0) return;
  auto drop = [absoluteIndex](TdxTreeListNode* node) {
    if (auto* text = dynamic_cast<TdxTreeListTextNode*>(node))
      if (absoluteIndex < text->Strings().Count()) text->Strings().Delete(absoluteIndex);
  };
  for (TdxTreeListNode* node = FirstNode(); node != nullptr; node = node->GetNext()) drop(node);
  for (int i = 0; i < DetachedCount(); ++i)
    for (TdxTreeListNode* node = DetachedNodes(i); node != nullptr; node = node->GetNext()) drop(node);
}

// --- Rows as text -----------------------------------------------------------------

// The header line is one entry of the list like every row; the list puts
// the line break after it, so the copied text has no empty second line.
std::string TCustomdxTreeList::HeaderLine(const std::vector<int>& columns) const {
  std::vector<std::string> parts;
  for (int column : columns) parts.push_back(GetColumnCaption(column));
  return JoinWithTabs(parts);
}

std::string TCustomdxTreeList::NodeLine(const TdxTreeListNode* node, const std::vector<int>& columns) const {
  if (IsGroupNode(node)) return GetCellText(node, 0);
  std::vector<std::string> parts;
  for (int column : columns) parts.push_back(GetCellText(node, column));
  return JoinWithTabs(parts);
}

void TCustomdxTreeList::SaveAllToStrings(TStrings& strings) const {
  const std::vector<int> columns = VisibleColumnsInOrder();
  TStringsUpdateScope update(strings);
  strings.Add(HeaderLine(columns));
  for (const TdxTreeListNode* node = FirstNode(); node != nullptr; node = GetNextVisibleNode(node))
    strings.Add(NodeLine(node, columns));
}

void TCustomdxTreeList::SaveSelectedToStrings(TStrings& strings) const {
  const std::vector<int> columns = VisibleColumnsInOrder();
  TStringsUpdateScope update(strings);
  strings.Add(HeaderLine(columns));
  if (IsMultiSelect()) {
    std::vector<const TdxTreeListNode*> selected;
    for (int i = 0; i < SelectedCount(); ++i)
      if (const TdxTreeListNode* node = SelectedNodes(i)) selected.push_back(node);
    std::stable_sort(
        selected.begin(), selected.end(),
        [](const TdxTreeListNode* a, const TdxTreeListNode* b) { return CompareNodePositions(a, b) < 0; });
    for (const TdxTreeListNode* node : selected) strings.Add(NodeLine(node, columns));
  } else if (FocusedNode() != nullptr) {
    strings.Add(NodeLine(FocusedNode(), columns));
  }
}

void TCustomdxTreeList::CopySelectedToClipboard() const {
  TStringList lines;
  SaveSelectedToStrings(lines);
  Clipboard().SetAsText(lines.Text());
}

// --- Bands and columns -------------------------------------------------------------

TdxTreeListColumn* TCustomdxTreeList::Columns(int index) const {
  return index >= 0 && index < ColumnCount() ? FColumns[static_cast<std::size_t>(index)] : nullptr;
}

int TCustomdxTreeList::ColumnIndexOf(const TdxTreeListColumn* column) const {
  auto it = std::find(FColumns.begin(), FColumns.end(), column);
  return it != FColumns.end() ? static_cast<int>(it - FColumns.begin()) : -1;
}

void TCustomdxTreeList::AddColumn(TdxTreeListColumn* column) {
  if (column == nullptr || ColumnIndexOf(column) >= 0) return;
  FColumns.push_back(column);
  column->FTreeList = this;
  ColumnsChanged(nullptr);
}

void TCustomdxTreeList::RemoveColumn(TdxTreeListColumn* column) {
  const int index = ColumnIndexOf(column);
  if (index < 0) return;
  ColumnRemoving(column);
  ColumnLeavesEditor(column, index);
  FColumns.erase(FColumns.begin() + index);
  std::erase(FSortedColumns, column);
  column->FTreeList = nullptr;
  // The edited cell's column moved one place left.
  if (FEditColumn > index) --FEditColumn;
  ColumnsChanged(nullptr);
}

// Text nodes keep their cells by column position, so the texts move with
// the column.
void TCustomdxTreeList::MoveColumn(int fromIndex, int toIndex) {
  if (fromIndex < 0 || fromIndex >= ColumnCount() || toIndex < 0 || toIndex >= ColumnCount() ||
      fromIndex == toIndex)
    return;
  auto move = [fromIndex, toIndex](TdxTreeListNode* node) {
    auto* text = dynamic_cast<TdxTreeListTextNode*>(node);
    if (text == nullptr) return;
    TStringList& strings = text->Strings();
    if (strings.Count() <= std::max(fromIndex, toIndex)) {
      if (fromIndex >= strings.Count()) return;  // nothing to carry
      while (strings.Count() <= toIndex) strings.Add("");
    }
    strings.Move(fromIndex, toIndex);
  };
  for (TdxTreeListNode* node = FirstNode(); node != nullptr; node = node->GetNext()) move(node);
  for (int i = 0; i < DetachedCount(); ++i)
    for (TdxTreeListNode* node = DetachedNodes(i); node != nullptr; node = node->GetNext()) move(node);
  TdxTreeListColumn* column = FColumns[static_cast<std::size_t>(fromIndex)];
  FColumns.erase(FColumns.begin() + fromIndex);
  FColumns.insert(FColumns.begin() + toIndex, column);
  // The edited cell is held by its column's place in the list: it moves
  // with the column, so that the value typed is saved where it was typed.
  if (FEditColumn == fromIndex)
    FEditColumn = toIndex;
  else if (fromIndex < FEditColumn && FEditColumn <= toIndex)
    --FEditColumn;
  else if (toIndex <= FEditColumn && FEditColumn < fromIndex)
    ++FEditColumn;
  ColumnsChanged(nullptr);
}

void TCustomdxTreeList::SetHeaderPanelRowCount(int value) {
  value = std::max(value, 1);
  if (value == FHeaderPanelRowCount) return;
  FHeaderPanelRowCount = value;
  ColumnsChanged(nullptr);
}

void TCustomdxTreeList::ColumnsChanged(TdxTreeListColumn* /*column*/) {
  if (IsDestroying() || IsLoading()) return;
  // The focused visible place may now hold another column.
  FFocusedColumnAbsolute = -2;
  LayoutChanged();
}

void TCustomdxTreeList::BandsChanged() {
  if (IsDestroying() || IsLoading()) return;
  LayoutChanged();
}

std::vector<int> TCustomdxTreeList::RowColumns(int bandIndex, int rowIndex) const {
  std::vector<int> columns;
  for (int i = 0; i < ColumnCount(); ++i) {
    const TdxTreeListColumn* column = FColumns[static_cast<std::size_t>(i)];
    if (column->Visible() && column->BandIndex() == bandIndex && column->RowIndex() == rowIndex)
      columns.push_back(i);
  }
  return columns;
}

int TCustomdxTreeList::GetVisibleBandCount() const { return FBands->VisibleCount(); }

// The rows down to the band's lowest visible column: a band may use fewer
// rows than the header panel has (its last cells then reach down to the
// panel's bottom), and a band without columns uses none.
int TCustomdxTreeList::GetBandHeaderRowCount(int visibleBandIndex) const {
  const int band = FBands->GetAbsoluteIndex(visibleBandIndex);
  if (band < 0) return 0;
  int rows = 0;
  for (const TdxTreeListColumn* column : FColumns)
    if (column->Visible() && column->BandIndex() == band) rows = std::max(rows, column->RowIndex() + 1);
  return std::min(rows, FHeaderPanelRowCount);
}

int TCustomdxTreeList::GetHeaderColumnCount(int visibleBandIndex, int rowIndex) const {
  const int band = FBands->GetAbsoluteIndex(visibleBandIndex);
  return band < 0 ? 0 : static_cast<int>(RowColumns(band, rowIndex).size());
}

int TCustomdxTreeList::GetHeaderAbsoluteIndex(int visibleBandIndex, int rowIndex, int position) const {
  const int band = FBands->GetAbsoluteIndex(visibleBandIndex);
  if (band < 0) return -1;
  const std::vector<int> columns = RowColumns(band, rowIndex);
  return position >= 0 && position < static_cast<int>(columns.size()) ? columns[static_cast<std::size_t>(position)]
                                                                       : -1;
}

std::string TCustomdxTreeList::GetColumnCaption(int absoluteIndex) const {
  const TdxTreeListColumn* column = Columns(absoluteIndex);
  return column != nullptr ? column->Caption() : std::string();
}

void TCustomdxTreeList::SetBandWidth(int visibleBandIndex, int width) {
  if (TdxTreeListBand* band = FBands->VisibleItems(visibleBandIndex)) band->SetWidth(width);
}

void TCustomdxTreeList::SetColumnWidth(int absoluteIndex, int width) {
  if (TdxTreeListColumn* column = Columns(absoluteIndex)) column->SetWidth(width);
}

TdxTreeListColumn* TCustomdxTreeList::SortedColumns(int index) const {
  return index >= 0 && index < SortedColumnCount() ? FSortedColumns[static_cast<std::size_t>(index)] : nullptr;
}

int TCustomdxTreeList::SortedColumnIndexOf(const TdxTreeListColumn* column) const {
  auto it = std::find(FSortedColumns.begin(), FSortedColumns.end(), column);
  return it != FSortedColumns.end() ? static_cast<int>(it - FSortedColumns.begin()) : -1;
}

void TCustomdxTreeList::ColumnSorted(TdxTreeListColumn* column) {
  if (SortedColumnIndexOf(column) < 0) FSortedColumns.push_back(column);
  ColumnsChanged(column);
  if (!IsLoading() && column->Sorted() != csNone)
    SortNodes(-1, ColumnIndexOf(column), column->Sorted() == csDown);
}

void TCustomdxTreeList::ColumnUnsorted(TdxTreeListColumn* column) { std::erase(FSortedColumns, column); }

// --- Editors and custom drawing ------------------------------------------------------

bool TCustomdxTreeList::CanEditorModify() {
  const TdxTreeListColumn* column = Columns(FocusedColumnAbsoluteIndex());
  return column != nullptr && !column->ReadOnly();
}

std::unique_ptr<TdxEditStyle> TCustomdxTreeList::CreateEditStyle(TdxInplaceEdit* editor) {
  return std::make_unique<TdxTreeListEditStyle>(editor, this);
}

bool TCustomdxTreeList::IsCustomDrawCell(const TdxTreeListNode* /*node*/, const TdxTreeListColumn* column) const {
  return static_cast<bool>(OnCustomDrawCell) || (column != nullptr && column->HasCustomDrawCell());
}

bool TCustomdxTreeList::IsCustomDrawColumnHeader(const TdxTreeListColumn* column) const {
  return static_cast<bool>(OnCustomDrawColumnHeader) || (column != nullptr && column->HasCustomDrawColumnHeader());
}

void TCustomdxTreeList::DoCustomDrawCell(TCanvas& canvas, const TRect& rect, TdxTreeListNode* node,
                                         TdxTreeListColumn* column, bool selected, bool focused, bool newItemRow,
                                         std::string& text, TColor& color, TFont& font, TAlignment& alignment,
                                         bool& done) {
  if (OnCustomDrawCell)
    OnCustomDrawCell(this, &canvas, rect, node, column, selected, focused, newItemRow, text, color, &font, alignment,
                     done);
  if (done || column == nullptr || IsGroupNode(node) || (newItemRow && !NewItemRowHasData())) return;
  column->DoCustomDrawCell(canvas, rect, node, selected, focused, newItemRow, text, color, font, alignment, done);
}

void TCustomdxTreeList::DoCustomDrawColumnHeader(TCanvas& canvas, const TRect& rect, TdxTreeListColumn* column,
                                                 std::string& text, TColor& color, TFont& font,
                                                 TAlignment& alignment, TdxTreeListColumnSort& sorted, bool& done) {
  if (OnCustomDrawColumnHeader)
    OnCustomDrawColumnHeader(this, column, &canvas, rect, text, color, &font, alignment, sorted, done);
  if (!done && column != nullptr)
    column->DoCustomDrawColumnHeader(canvas, rect, text, color, font, alignment, sorted, done);
}
