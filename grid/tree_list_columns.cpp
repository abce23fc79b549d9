// Column order of the tree list core, and its rows as text. The core has no
// columns: it reads their order through the band and column geometry
// queries that the column-owning control answers.

#include <algorithm>
#include <string>
#include <vector>

#include "framework/gui/clipboard.h"
#include "grid/tree_list.h"

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
