// What the column-owning control adds to sizing and sorting by the mouse:
// best fit (a double click on an edge) and the header click that sorts by
// one column unless Shift adds it to the others.

#include <algorithm>
#include <string>
#include <vector>

#include "framework/gui/graphics/canvas.h"
#include "grid/tree_list/tree_list_bands.h"
#include "grid/tree_list/tree_list_column.h"
#include "grid/tree_list/tree_list_control.h"

void TCustomdxTreeListControl::BeforeColumnSort(TdxTreeListColumn* column) {
  // Without the multi-sort flag a header click would otherwise leave the
  // other columns' sort marks standing while the rows follow only this
  // column (or, with tloMultiSort, make every click one more key).
  if (!IsHeaderSortClick() || IsMultiSortClick()) return;
  std::vector<TdxTreeListColumn*> others;
  for (int i = 0; i < SortedColumnCount(); ++i)
    if (SortedColumns(i) != column) others.push_back(SortedColumns(i));
  if (others.empty()) return;
  BeginSortUpdate();
  try {
    for (TdxTreeListColumn* other : others) other->SetSorted(csNone);
  } catch (...) {
    EndSortUpdate();
    throw;
  }
  EndSortUpdate();
}

void TCustomdxTreeListControl::ApplyBestFit(TdxTreeListColumn* column) {
  if (column == nullptr) {
    TdxTreeListUpdateLock lock(*this);
    for (int i = 0; i < ColumnCount(); ++i) ApplyBestFit(Columns(i));
    lock.Close();
    return;
  }
  if (!column->Sizing()) return;
  TCanvas canvas;
  canvas.Font().Assign(&Font());
  const int margin = canvas.TextWidth("0") / 2 + 1;
  // The tree column's cells begin after the node's indent and images.
  bool treeColumn = false;
  if (IsColumnShown(column)) {
    const TdxTreeListBand* band = Bands().Items(column->BandIndex());
    treeColumn = band != nullptr && band->VisibleIndex() == 0 && column->ColIndex() == 0;
  }
  canvas.Font().Assign(&column->Font());
  int widest = 0;
  for (TdxTreeListNode* node = FirstNode(); node != nullptr; node = node->GetNext()) {
    if (IsGroupNode(node)) continue;
    int width = column->GetCellTextWidth(canvas, node);
    if (treeColumn) width += GetNodeIndentParts(node).End - GetGroupIndent();
    widest = std::max(widest, width);
  }
  canvas.Font().Assign(&HeaderFont());
  const std::string caption = column->DisableCaption() ? std::string() : column->Caption();
  widest = std::max(widest, canvas.TextWidth(caption) + (column->DisableFilter() ? 0 : 15));
  column->SetWidth(widest + 2 * margin);
}

void TCustomdxTreeListControl::ApplyBandBestFit(int visibleBandIndex) {
  const TdxTreeListBand* band = Bands().VisibleItems(visibleBandIndex);
  if (band == nullptr) return;
  TdxTreeListUpdateLock lock(*this);
  for (int i = 0; i < ColumnCount(); ++i)
    if (Columns(i)->Visible() && Columns(i)->BandIndex() == band->Index()) ApplyBestFit(Columns(i));
  lock.Close();
  DoChangedColumnsWidth();
}

void TCustomdxTreeListControl::ApplyColumnBestFit(int absoluteIndex) {
  TdxTreeListColumn* column = Columns(absoluteIndex);
  if (column == nullptr) return;
  ApplyBestFit(column);
  DoChangedColumnsWidth();
}
