// The tree list's metrics and layout: what fonts and options make of the
// heights, where panels, bands, header cells and rows go, how wide bands
// and columns are shown, and how high a row is. Everything here is
// computed from the top visible row down to the client's bottom, so its
// cost follows the screen, not the node count.

#include <algorithm>
#include <string>
#include <vector>

#include "framework/gui/graphics/canvas.h"
#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_column.h"

namespace {

// Two intervals overlap when an end of the first lies inside the second,
// or the first covers the second.
bool Overlaps(int a1, int a2, int b1, int b2) {
  return (a1 >= b1 && a1 < b2) || (a2 > b1 && a2 <= b2) || (a1 <= b1 && a2 >= b2);
}

}  // namespace

// --- Metrics ------------------------------------------------------------------------

int TCustomdxTreeList::MeasureTextHeight(const TFont& font) const {
  if (!FMeasureCanvas) FMeasureCanvas = std::make_unique<TCanvas>();
  FMeasureCanvas->Font().Assign(&font);
  return FMeasureCanvas->TextHeight("Wg");
}

int TCustomdxTreeList::GetMinRowHeight(TCanvas& canvas) const {
  int height = 0;
  for (int i = 0; i < ColumnCount(); ++i) {
    TdxTreeListColumn* column = Columns(i);
    if (column == nullptr || !column->Visible() || !column->IsAssigned(cavFont)) continue;
    canvas.Font().Assign(&column->Font());
    height = std::max(height, canvas.TextHeight("Wg") + 3);
  }
  return height;
}

void TCustomdxTreeList::RecalcMetrics() {
  if (IsLoading() || IsDestroying()) return;
  TdxTreeListMetrics m;
  const bool standard = FLookAndFeel == lfStandard;
  const int rows = FHeaderPanelRowCount;
  m.BandRowCount = std::max(1, BandRowCount());
  m.HeaderLineCount = std::max(1, GetHeaderLineCount());
  m.BandTextHeight = MeasureTextHeight(FBandFont);
  m.BandPanelHeight = FShowBands ? m.BandRowCount * m.BandTextHeight + (standard ? 1 : 0) + 5 : 0;
  m.HeaderTextHeight = MeasureTextHeight(FHeaderFont);
  m.HeaderLineHeight = m.HeaderTextHeight * m.HeaderLineCount + (standard ? 1 : 0) + 5;
  m.HeaderPanelHeight = FShowHeader ? m.HeaderLineHeight * rows : 0;
  m.TopPanelHeight = std::max(0, GetTopPanelHeight());
  m.IndicatorWidth = FShowIndicator ? GrIndicatorWidth() : 0;
  m.RowTextHeight = MeasureTextHeight(Font());
  m.FooterHeight = FShowFooter ? (m.RowTextHeight + 7) * rows + (standard ? 1 : 0) + 3 : 0;
  const int gridAdd = FShowGrid && FShowPreviewGrid ? 1 : 0;
  m.RowFooterHeight = (m.RowTextHeight + 7) * rows + gridAdd + 2;
  m.BottomPanelHeight = IsBottomPanelShown() ? std::max(m.RowTextHeight + 5, 17) : 0;
  if (FImages != nullptr) {
    m.ImageWidth = FImages->Width();
    m.ImageHeight = FImages->Height();
  }
  if (FStateImages != nullptr) {
    m.StateImageWidth = FStateImages->Width();
    m.StateImageHeight = FStateImages->Height();
  }
  int line = std::max(m.RowTextHeight + 3, TreeButtonSize);
  for (int height : {m.ImageHeight, m.StateImageHeight, GetMinRowHeight(*FMeasureCanvas)})
    if (height > (line + gridAdd) * rows) line = height;
  line += gridAdd;
  if (OptionExOn(tloInvertSelect)) line += 2;
  m.MinRowLineHeight = line;
  if (FDefaultRowHeightAssigned) {
    // A height set by hand is never below what the fonts need; set equal
    // to it, the height follows the fonts again.
    if (FDefaultRowHeight == line) FDefaultRowHeightAssigned = false;
    FDefaultRowHeight = std::max(FDefaultRowHeight, line);
  } else {
    FDefaultRowHeight = line;
  }
  m.RowLineHeight = FDefaultRowHeight;
  m.NewItemRowSeparator = standard ? 6 : 5;
  m.NewItemRowHeight =
      rows == 1 && FShowNewItemRow && GetVisibleBandCount() > 0 ? m.RowLineHeight + m.NewItemRowSeparator : 0;
  FMeasureCanvas->Font().Assign(&Font());
  m.DigitWidth = FMeasureCanvas->TextWidth("0");
  m.PreviewLineHeight = MeasureTextHeight(FPreviewFont);
  FMetrics = m;

  // Re-measuring changes heights and widths, not which rows there are: a
  // visible order that is built stays (rebuilding it would cost the whole
  // tree for a column resize).
  {
    const TKeepVisibleOrderScope keep(*this);
    ClearCaches();
  }
  LayoutRecalculated();
  UpdateScrollBars();
  CorrectScrollPosition();
  if (!FVisibleOrder.Built()) RebuildVisibleOrder();
  MetricsChanged();
  if (!FVisibleOrder.Built()) RebuildVisibleOrder();
  Invalidate();
}

// --- Band and column geometry --------------------------------------------------------

int TCustomdxTreeList::GetLeftFixedBandIndex() const {
  const TdxTreeListBand* band = FBands->VisibleItems(0);
  return band != nullptr && band->Fixed() == bfLeft ? 0 : -1;
}

int TCustomdxTreeList::GetRightFixedBandIndex() const {
  const int last = FBands->VisibleCount() - 1;
  const TdxTreeListBand* band = FBands->VisibleItems(last);
  return band != nullptr && last > 0 && band->Fixed() == bfRight ? last : -1;
}

std::string TCustomdxTreeList::GetBandCaption(int visibleBandIndex) const {
  const TdxTreeListBand* band = FBands->VisibleItems(visibleBandIndex);
  return band != nullptr ? band->Caption() : std::string();
}

TAlignment TCustomdxTreeList::GetBandAlignment(int visibleBandIndex) const {
  const TdxTreeListBand* band = FBands->VisibleItems(visibleBandIndex);
  return band != nullptr ? band->Alignment() : taCenter;
}

TdxWidthItem TCustomdxTreeList::GetBandWidthItem(int visibleBandIndex) const {
  const TdxTreeListBand* band = FBands->VisibleItems(visibleBandIndex);
  if (band == nullptr) return {};
  return {band->Width(), band->MinWidth(), OptionExOn(tloBandSizing) && band->Sizing()};
}

TdxWidthItem TCustomdxTreeList::GetColumnWidthItem(int absoluteIndex) const {
  const TdxTreeListColumn* column = Columns(absoluteIndex);
  if (column == nullptr) return {};
  return {column->Width(), column->MinWidth(), OptionOn(tloColumnSizing) && column->Sizing()};
}

int TCustomdxTreeList::GetColumnHeaderMaxLineCount(int absoluteIndex) const {
  const TdxTreeListColumn* column = Columns(absoluteIndex);
  return column != nullptr ? column->HeaderMaxLineCount() : 1;
}

bool TCustomdxTreeList::FindColumnPlace(int absoluteIndex, int& visibleBandIndex, int& rowIndex,
                                        int& position) const {
  const int bands = GetVisibleBandCount();
  for (int band = 0; band < bands; ++band) {
    const int rows = GetBandHeaderRowCount(band);
    for (int row = 0; row < rows; ++row) {
      const int count = GetHeaderColumnCount(band, row);
      for (int p = 0; p < count; ++p)
        if (GetHeaderAbsoluteIndex(band, row, p) == absoluteIndex) {
          visibleBandIndex = band;
          rowIndex = row;
          position = p;
          return true;
        }
    }
  }
  return false;
}

int TCustomdxTreeList::GetBandMinWidth(int visibleBandIndex) const {
  const TdxWidthItem band = GetBandWidthItem(visibleBandIndex);
  int minimum = band.Sizable ? band.MinWidth : band.Width;
  const int rows = GetBandHeaderRowCount(visibleBandIndex);
  for (int row = 0; row < rows; ++row) {
    int sum = 0;
    const int count = GetHeaderColumnCount(visibleBandIndex, row);
    for (int p = 0; p < count; ++p) {
      const TdxWidthItem column = GetColumnWidthItem(GetHeaderAbsoluteIndex(visibleBandIndex, row, p));
      sum += column.Sizable ? column.MinWidth : column.Width;
    }
    minimum = std::max(minimum, sum);
  }
  return minimum;
}

int TCustomdxTreeList::BandNaturalWidth(int visibleBandIndex) const {
  const TdxWidthItem band = GetBandWidthItem(visibleBandIndex);
  int width = band.Width;
  if (OptionExOn(tloBandHeaderWidth)) {
    int widest = 0;
    const int rows = GetBandHeaderRowCount(visibleBandIndex);
    for (int row = 0; row < rows; ++row) {
      int sum = 0;
      const int count = GetHeaderColumnCount(visibleBandIndex, row);
      for (int p = 0; p < count; ++p) sum += GetColumnWidthItem(GetHeaderAbsoluteIndex(visibleBandIndex, row, p)).Width;
      widest = std::max(widest, sum);
    }
    if (widest > 0) width = widest;
  }
  return std::max(width, GetBandMinWidth(visibleBandIndex));
}

std::vector<int> TCustomdxTreeList::BandDisplayWidthsNow(int& total) const {
  const int count = GetVisibleBandCount();
  std::vector<TdxWidthItem> bands;
  bands.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int k = 0; k < count; ++k) {
    TdxWidthItem band = GetBandWidthItem(k);
    band.Width = BandNaturalWidth(k);
    band.MinWidth = GetBandMinWidth(k);
    bands.push_back(band);
  }
  const int available = ClientRect().Width() - FMetrics.IndicatorWidth;
  return BandDisplayWidths(bands, OptionOn(tloAutoWidth), available, GetGroupIndent(), total);
}

int TCustomdxTreeList::GetBandDisplayWidth(int visibleBandIndex) const {
  int total = 0;
  const std::vector<int> widths = BandDisplayWidthsNow(total);
  return visibleBandIndex >= 0 && visibleBandIndex < static_cast<int>(widths.size())
             ? widths[static_cast<std::size_t>(visibleBandIndex)]
             : 0;
}

int TCustomdxTreeList::GetTotalBandsWidth() const {
  int total = 0;
  BandDisplayWidthsNow(total);
  return total;
}

int TCustomdxTreeList::GetColumnWidth(int absoluteIndex) const {
  int band = 0;
  int row = 0;
  int position = 0;
  if (!FindColumnPlace(absoluteIndex, band, row, position)) return GetColumnWidthItem(absoluteIndex).Width;
  std::vector<TdxWidthItem> columns;
  const int count = GetHeaderColumnCount(band, row);
  for (int p = 0; p < count; ++p) columns.push_back(GetColumnWidthItem(GetHeaderAbsoluteIndex(band, row, p)));
  int width = HeaderColumnWidth(columns, position, GetBandDisplayWidth(band));
  if (band == 0 && position == 0) width += GetGroupIndent();
  return width;
}

int TCustomdxTreeList::GetScrollingBandsWidth() const {
  int total = 0;
  const std::vector<int> widths = BandDisplayWidthsNow(total);
  const int left = GetLeftFixedBandIndex();
  const int right = GetRightFixedBandIndex();
  if (left >= 0 && left < static_cast<int>(widths.size()))
    total -= widths[static_cast<std::size_t>(left)] + GetGroupIndent();
  if (right >= 0 && right < static_cast<int>(widths.size())) total -= widths[static_cast<std::size_t>(right)];
  return total;
}

int TCustomdxTreeList::GetScrollAreaWidth() const {
  int width = ClientRect().Width() - (FShowIndicator ? FMetrics.IndicatorWidth : 0);
  if (!OptionOn(tloAutoWidth)) {
    const int left = GetLeftFixedBandIndex();
    const int right = GetRightFixedBandIndex();
    if (left >= 0) width -= GetBandDisplayWidth(left) + GetGroupIndent();
    if (right >= 0) width -= GetBandDisplayWidth(right);
  }
  return width;
}

int TCustomdxTreeList::GetBandScrollOffset(int visibleBandIndex) const {
  const int count = GetVisibleBandCount();
  if (count <= 1 || visibleBandIndex < 0 || visibleBandIndex >= count) return 0;
  const int left = GetLeftFixedBandIndex();
  const int right = GetRightFixedBandIndex();
  if (visibleBandIndex == left || visibleBandIndex == right) return 0;
  int total = 0;
  const std::vector<int> widths = BandDisplayWidthsNow(total);
  int offset = 0;
  for (int k = 0; k < visibleBandIndex; ++k) {
    if (k == left || k == right) continue;
    offset += widths[static_cast<std::size_t>(k)] + (k == 0 ? GetGroupIndent() : 0);
  }
  return offset;
}

// --- Panels --------------------------------------------------------------------------

void TCustomdxTreeList::CalcAreaRects(TdxTreeListLayoutInfo& layout) const {
  const TRect c = ClientRect();
  const int indicator = FMetrics.IndicatorWidth;
  int top = c.Top;
  layout.TopPanel = TRect{};
  if (FMetrics.TopPanelHeight > 0) {
    layout.TopPanel = Rect(c.Left, top, c.Right, top + FMetrics.TopPanelHeight);
    top += FMetrics.TopPanelHeight;
  }
  layout.BandPanel = Rect(c.Left + indicator, top, c.Right, top + FMetrics.BandPanelHeight);
  layout.BandButton = indicator > 0 ? Rect(c.Left, top, c.Left + indicator, layout.BandPanel.Bottom) : TRect{};
  top = layout.BandPanel.Bottom;
  layout.HeaderPanel = Rect(c.Left + indicator, top, c.Right, top + FMetrics.HeaderPanelHeight);
  layout.HeaderButton = indicator > 0 ? Rect(c.Left, top, c.Left + indicator, layout.HeaderPanel.Bottom) : TRect{};
  top = layout.HeaderPanel.Bottom;
  layout.NewItemRow = TRect{};
  if (FMetrics.NewItemRowHeight > 0) {
    layout.NewItemRow = Rect(c.Left, top, c.Right, top + FMetrics.NewItemRowHeight);
    top += FMetrics.NewItemRowHeight;
  }
  const int bottom = std::max(top, c.Bottom - FMetrics.FooterHeight - FMetrics.BottomPanelHeight);
  layout.Rows = Rect(c.Left + indicator, top, c.Right, bottom);
  layout.Indicator = Rect(c.Left, top, layout.Rows.Left, bottom);
  layout.Footer = Rect(c.Left, bottom, c.Right, bottom + FMetrics.FooterHeight);
  layout.BottomPanel = Rect(c.Left, layout.Footer.Bottom, c.Right, layout.Footer.Bottom + FMetrics.BottomPanelHeight);
}

void TCustomdxTreeList::FreeLayout(TdxTreeListLayoutInfo& layout) {
  layout.Bands.clear();
  layout.Headers.clear();
  layout.EmptyBandHeaders.clear();
  layout.RowItems.clear();
}

void TCustomdxTreeList::CalculateLayout(TdxTreeListLayoutInfo& layout) const {
  FreeLayout(layout);
  CalcAreaRects(layout);
  PlaceBands(layout);
  PlaceHeaders(layout);
  PlaceRows(layout);
  auto dropIfFlat = [](TRect& r) {
    if (r.Top == r.Bottom) r = TRect{};
  };
  dropIfFlat(layout.BandPanel);
  dropIfFlat(layout.HeaderPanel);
  dropIfFlat(layout.BandButton);
  dropIfFlat(layout.HeaderButton);
}

// --- Bands ---------------------------------------------------------------------------

void TCustomdxTreeList::PlaceBands(TdxTreeListLayoutInfo& layout) const {
  const TRect panel = layout.BandPanel;
  const int left = panel.Left;
  int right = panel.Right;
  int total = 0;
  const std::vector<int> widths = BandDisplayWidthsNow(total);
  layout.TotalBandsWidth = total;
  const int indent = GetGroupIndent();
  const int count = static_cast<int>(widths.size());
  const int leftFixed = GetLeftFixedBandIndex();
  const int rightFixed = GetRightFixedBandIndex();
  const int fixedBottom = layout.Rows.Top - (layout.NewItemRow.IsEmpty() ? 0 : FMetrics.NewItemRowSeparator);
  const int lineWidth = FFixedBandLineWidth;
  layout.LeftFixedRect = layout.RightFixedRect = layout.EmptyArea = TRect{};
  if (count == 0) {
    layout.ScrollAreaLeft = layout.ScrollAreaRight = left;
    return;
  }

  int scrollLeft = left;
  if (leftFixed >= 0 && leftFixed < count) {
    const int width = widths[static_cast<std::size_t>(leftFixed)] + indent;
    layout.LeftFixedRect = Rect(left, panel.Top, left + width, fixedBottom);
    const TRect band = Rect(left, panel.Top, left + width - lineWidth, panel.Bottom);
    layout.LeftFixedItem = static_cast<int>(layout.Bands.size());
    layout.Bands.push_back({leftFixed, band, band});
    scrollLeft = left + width;
  }
  if (total < right - left) {
    const int end = left + total;
    layout.EmptyArea = Rect(end, panel.Top, right, layout.Rows.Bottom);
    layout.BandPanel.Right = layout.HeaderPanel.Right = end;
    if (!layout.NewItemRow.IsEmpty()) layout.NewItemRow.Right = end;
    right = end;
  }
  int scrollRight = right;
  TRect rightBand;
  if (rightFixed >= 0 && rightFixed < count) {
    const int width = widths[static_cast<std::size_t>(rightFixed)];
    const int start =
        std::max(right - width, std::max(layout.LeftFixedRect.IsEmpty() ? left : layout.LeftFixedRect.Right,
                                          layout.Indicator.Right));
    layout.RightFixedRect = Rect(start, panel.Top, start + width, fixedBottom);
    rightBand = Rect(start + lineWidth, panel.Top, start + width, panel.Bottom);
    scrollRight = start;
  }
  layout.ScrollAreaLeft = scrollLeft;
  layout.ScrollAreaRight = std::max(scrollLeft, scrollRight);

  const int area = layout.ScrollAreaRight - scrollLeft;
  int offset = -FLeftCoord;
  for (int k = 0; k < count; ++k) {
    if (k == leftFixed || k == rightFixed) continue;
    const int width = widths[static_cast<std::size_t>(k)] + (k == 0 ? indent : 0);
    if (Overlaps(offset, offset + width, 0, area)) {
      const TRect band = Rect(scrollLeft + offset, panel.Top, scrollLeft + offset + width, panel.Bottom);
      TRect clip = band;
      clip.Left = std::max(clip.Left, scrollLeft);
      clip.Right = std::min(clip.Right, layout.ScrollAreaRight);
      layout.LastScrollingItem = static_cast<int>(layout.Bands.size());
      layout.Bands.push_back({k, band, clip});
    }
    const bool beyond = offset > area;
    offset += width;
    if (beyond) break;
  }
  if (!layout.RightFixedRect.IsEmpty()) {
    layout.RightFixedItem = static_cast<int>(layout.Bands.size());
    layout.Bands.push_back({rightFixed, rightBand, rightBand});
  }
}

// --- Header cells --------------------------------------------------------------------

void TCustomdxTreeList::PlaceHeaders(TdxTreeListLayoutInfo& layout) const {
  const int indent = GetGroupIndent();
  const int lineHeight = FMetrics.HeaderLineHeight;
  const int panelRows = FHeaderPanelRowCount;
  const TRect& panel = layout.HeaderPanel;
  for (int item = 0; item < static_cast<int>(layout.Bands.size()); ++item) {
    const TdxTreeListBandItem& band = layout.Bands[static_cast<std::size_t>(item)];
    const int k = band.BandIndex;
    const int rows = GetBandHeaderRowCount(k);
    if (rows <= 0) {
      TdxTreeListEmptyBandHeader empty{k, Rect(band.Rect.Left, panel.Top, band.Rect.Right, panel.Top + FMetrics.HeaderPanelHeight), false};
      if (Overlaps(empty.Rect.Left, empty.Rect.Right, band.ClipRect.Left, band.ClipRect.Right)) {
        empty.CutRight = band.ClipRect.Right < empty.Rect.Right;
        empty.Rect.Left = std::max(empty.Rect.Left, band.ClipRect.Left);
        empty.Rect.Right = std::min(empty.Rect.Right, band.ClipRect.Right);
        layout.EmptyBandHeaders.push_back(empty);
      }
      continue;
    }
    const int shared = band.Rect.Width() - (k == 0 ? indent : 0);
    for (int row = 0; row < rows; ++row) {
      const int count = GetHeaderColumnCount(k, row);
      std::vector<int> columns;
      std::vector<TdxWidthItem> items;
      for (int p = 0; p < count; ++p) {
        columns.push_back(GetHeaderAbsoluteIndex(k, row, p));
        items.push_back(GetColumnWidthItem(columns.back()));
      }
      const std::vector<int> widths = ShareHeaderRowWidths(items, shared);
      int x = band.Rect.Left;
      const int top = band.Rect.Bottom + lineHeight * row;
      for (int p = 0; p < count; ++p) {
        const bool last = p == count - 1;
        const int width = widths[static_cast<std::size_t>(p)] + (k == 0 && p == 0 && count > 1 ? indent : 0);
        const int right = last ? band.Rect.Right : x + width;
        const int absolute = columns[static_cast<std::size_t>(p)];
        int lines = 1;
        if (row == rows - 1) {
          const int maxLines = GetColumnHeaderMaxLineCount(absolute);
          lines = std::max(1, std::min(maxLines == 0 ? panelRows : maxLines, panelRows - row));
        }
        TdxTreeListHeaderItem cell;
        cell.AbsoluteIndex = absolute;
        cell.BandIndex = k;
        cell.RowIndex = row;
        cell.ColIndex = p;
        cell.LineCount = lines;
        cell.Rect = Rect(x, top, right, top + lineHeight * lines);
        if (Overlaps(cell.Rect.Left, cell.Rect.Right, band.ClipRect.Left, band.ClipRect.Right)) {
          cell.ClipRect = cell.Rect;
          cell.ClipRect.Left = std::max(cell.ClipRect.Left, band.ClipRect.Left);
          cell.ClipRect.Right = std::min(cell.ClipRect.Right, band.ClipRect.Right);
          cell.FirstInRow = p == 0;
          cell.LastInRow = last;
          cell.FirstCell = k == 0 && p == 0;
          cell.LastCell = last && item == layout.LastScrollingItem;
          cell.HeaderButton = GetColumnHeaderButtonState(absolute) != 0;
          if (row == rows - 1 && cell.Rect.Bottom < panel.Top + FMetrics.HeaderPanelHeight)
            cell.FillRect = Rect(cell.Rect.Left, cell.Rect.Bottom, cell.Rect.Right, panel.Top + FMetrics.HeaderPanelHeight);
          layout.Headers.push_back(cell);
        }
        x = right;
      }
    }
  }
}

// --- Rows ----------------------------------------------------------------------------

bool TCustomdxTreeList::IsRowSelected(const TdxTreeListNode* node) const {
  if (IsNodeSelected(node)) return true;
  return !IsMultiSelect() && node != nullptr && node == FocusedNode();
}

TColor TCustomdxTreeList::GetLevelColor(const TdxTreeListNode* node, bool /*selected*/) const {
  TColor color = FGroupNodeColor;
  if (node != nullptr && IsLevelColorEventAssigned())
    const_cast<TCustomdxTreeList*>(this)->DoGetLevelColor(node->Level(), color);
  return color;
}

void TCustomdxTreeList::DoGetLevelColor(int level, TColor& color) {
  if (OnGetLevelColor) OnGetLevelColor(this, level, color);
}

void TCustomdxTreeList::PlaceRows(TdxTreeListLayoutInfo& layout) const {
  const TRect& rows = layout.Rows;
  const bool previews = OptionOn(tloPreview) && FPreviewLines != 0;
  const bool autoHeight = !previews && FHeaderPanelRowCount == 1 && RowAutoHeight();
  layout.RowSeparatorWidth = FShowGrid ? FRowSeparatorLineWidth : 0;
  int columnsRight = rows.Left + layout.TotalBandsWidth - 1;
  if (layout.LeftFixedItem < 0) columnsRight -= FLeftCoord;
  if (layout.RightFixedItem >= 0) columnsRight = std::min(columnsRight, rows.Right - 1);
  layout.ColumnsRight = columnsRight;

  // The tree column: the first band (with the group indent), within the
  // fixed bands.
  const int indent = GetGroupIndent();
  if (!layout.Bands.empty()) {
    const TdxTreeListBandItem* first = nullptr;
    for (const TdxTreeListBandItem& band : layout.Bands)
      if (band.BandIndex == 0) first = &band;
    int treeLeft = layout.LeftFixedItem >= 0 ? layout.LeftFixedRect.Left : layout.ScrollAreaLeft - FLeftCoord;
    if (first != nullptr) treeLeft = first->Rect.Left;
    int treeRight = treeLeft + GetBandDisplayWidth(0) + indent;
    if (layout.LeftFixedItem >= 0) treeRight = std::min(treeRight, layout.LeftFixedRect.Right - FFixedBandLineWidth);
    if (layout.RightFixedItem >= 0) treeRight = std::min(treeRight, layout.RightFixedRect.Left);
    layout.TreeColumnLeft = treeLeft;
    layout.TreeColumnRight = treeRight;
  }

  TdxTreeListNode* node = TopVisibleNode() != nullptr ? TopVisibleNode() : FirstNode();
  int top = rows.Top;
  while (node != nullptr && top < rows.Bottom) {
    TdxTreeListRowItem row;
    row.Node = node;
    row.GroupNode = IsGroupNode(node);
    row.Selected = IsRowSelected(node);
    row.Top = top;
    row.Height = GetNodeHeight(node, FMetrics.RowLineHeight, false);
    row.FooterCount = GetRowFooterCount(node);
    row.FootersHeight = row.FooterCount * FMetrics.RowFooterHeight;
    row.LevelColor = GetLevelColor(node, row.Selected);
    row.PreviewLineCount = previews && !row.GroupNode ? GetPreviewLineCount(node) : 0;
    row.LineCount = autoHeight ? static_cast<int>(node->CachedLineCount()) : -1;
    layout.RowItems.push_back(row);
    top += row.Height;
    node = GetNextVisibleNode(node);
  }
  layout.EmptyRows = TRect{};
  if (top < rows.Bottom) {
    // From the client's left: the indicator column ends at the last row
    // and the empty rows take its place below.
    layout.EmptyRows = Rect(layout.Indicator.Left, top, columnsRight + 1, rows.Bottom);
    layout.Indicator.Bottom = std::min(layout.Indicator.Bottom, top);
  }
}

// --- Row heights ---------------------------------------------------------------------

int TCustomdxTreeList::GetNodeHeight(TdxTreeListNode* node, int lineHeight, bool noCache) const {
  if (node == nullptr) return 0;
  if (CanCacheRowHeights() && !noCache && node->CachedRowHeight() != 0 && node->CachedStamp() == FRowHeightStamp)
    return node->CachedRowHeight();
  const bool previews = OptionOn(tloPreview) && FPreviewLines != 0;
  const bool group = IsGroupNode(node);
  const int preview = previews && !group ? GetPreviewLineCount(node) : 0;
  const int separator = FShowGrid ? FRowSeparatorLineWidth : 0;
  const bool gridLines = FShowGrid && FShowPreviewGrid;
  int lines = -1;
  if (!previews && FHeaderPanelRowCount == 1 && RowAutoHeight()) {
    int calculated = lineHeight;
    lines = CalcNodeLineCount(node, calculated);
    int grown = calculated;
    if (lines > 1 && calculated == lineHeight) grown = lineHeight + (lines - 1) * FMetrics.RowTextHeight;
    lineHeight = std::max(grown, calculated);
  }
  int height = group ? lineHeight + separator
                     : separator + FHeaderPanelRowCount * lineHeight + preview * FMetrics.PreviewLineHeight +
                           (preview > 0 && gridLines ? 1 : 0);
  if (!FShowGrid && node->HasChildren() && FNodeIndentMode) height += 1;
  if (preview > 0 && !group) height += 2;
  if (gridLines) height -= 1;
  height += GetRowFooterCount(node) * FMetrics.RowFooterHeight;
  if (!noCache) {
    node->SetCachedRowHeight(height);
    node->SetCachedLineCount(static_cast<std::uint32_t>(std::max(lines, 0)));
    node->SetCachedStamp(FRowHeightStamp);
  }
  return height;
}

int TCustomdxTreeList::GetRowFooterCount(const TdxTreeListNode* node) const {
  if (!FShowRowFooter || node == nullptr || node->Count() > 0 || !node->IsLast()) return 0;
  int count = 0;
  for (const TdxTreeListNode* n = node; n->Parent() != nullptr && n->IsLast(); n = n->Parent())
    if (IsLevelFooter(n->Parent()->Level())) ++count;
  return count;
}

int TCustomdxTreeList::GetRowFooterLevel(const TdxTreeListNode* node, int footerIndex) const {
  if (!FShowRowFooter || node == nullptr || node->Count() > 0 || !node->IsLast()) return -1;
  int found = -1;
  int index = 0;
  for (const TdxTreeListNode* parent = node->Parent(); parent != nullptr; parent = parent->Parent()) {
    if (!IsLevelFooter(parent->Level())) continue;
    found = parent->Level();
    if (index == footerIndex) return found;
    ++index;
  }
  return found;
}

int TCustomdxTreeList::GetPreviewLineCount(const TdxTreeListNode* node) const {
  if (node == nullptr) return FPreviewLines;
  int lines = FPreviewLines;
  if (OptionExOn(tloAutoCalcPreviewLines)) {
    const std::string text = GetPreviewText(node);
    if (text.empty()) return 0;
    int width = GetTotalBandsWidth() - (FShowGrid ? 1 : 0) - GetNodeIndentParts(node).End - FIndentDesc;
    TRect rect = Rect(0, 0, std::max(width - 4, 1), 0);
    if (!FMeasureCanvas) FMeasureCanvas = std::make_unique<TCanvas>();
    FMeasureCanvas->Font().Assign(&FPreviewFont);
    FMeasureCanvas->DrawText(text, rect, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    int lineHeight = FMetrics.PreviewLineHeight;
    if (lineHeight == 0) lineHeight = FMeasureCanvas->TextHeight("Wg");
    lines = lineHeight > 0 ? rect.Height() / lineHeight : 0;
    if (FPreviewLines != -1) lines = std::min(lines, FPreviewLines);
  }
  return std::max(lines, 0);
}

void TCustomdxTreeList::CalcRowLineHeight(TdxTreeListNode* node, int absoluteIndex, const std::string& text,
                                          int width, int textHeight, int maxLineCount, bool inflate, bool grid,
                                          int& lineCount, int& lineHeight) const {
  TdxTreeListColumn* column = Columns(absoluteIndex);
  if (OnCalcRowLineHeight) {
    bool done = false;
    int count = lineCount;
    int height = lineHeight;
    OnCalcRowLineHeight(const_cast<TCustomdxTreeList*>(this), node, column, text, width, textHeight, maxLineCount,
                        inflate, grid, count, height, done);
    if (done) {
      lineCount = count;
      if (height != lineHeight) lineHeight = height + (grid ? 1 : 0) + (inflate ? 2 : 0);
      return;
    }
  }
  // The text word-wrapped in the cell's font, as many lines as it takes.
  if (!FMeasureCanvas) FMeasureCanvas = std::make_unique<TCanvas>();
  if (column != nullptr)
    FMeasureCanvas->Font().Assign(&column->Font());
  else
    FMeasureCanvas->Font().Assign(&Font());
  const int oneLine = std::max(1, FMeasureCanvas->TextHeight("Wg"));
  TRect rect = Rect(0, 0, std::max(width - 4, 1), 0);
  int lines = 1;
  if (!text.empty()) {
    FMeasureCanvas->DrawText(text, rect, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    lines = std::max(1, (rect.Height() + oneLine - 1) / oneLine);
  }
  if (maxLineCount > 0) lines = std::min(lines, maxLineCount);
  lineCount = lines;
}

int TCustomdxTreeList::CalcNodeLineCount(TdxTreeListNode* node, int& lineHeight) const {
  if (node->CachedRowHeight() != 0 && node->CachedStamp() == FRowHeightStamp && node->CachedLineCount() != 0)
    return static_cast<int>(node->CachedLineCount());
  if (IsGroupNode(node)) return 1;
  const std::vector<int> columns = VisibleColumnsInOrder();
  const bool inflate = OptionExOn(tloInvertSelect);
  const bool grid = FShowGrid && FShowPreviewGrid;
  int count = -1;
  int height = lineHeight;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const int absolute = columns[i];
    int width = GetColumnWidth(absolute);
    if (i == 0) width -= GetNodeIndentParts(node).End + (inflate ? 1 : 0);
    if (i + 1 == columns.size() && inflate) width -= 1;
    if (grid) width -= 1;
    int lines = -1;
    int lineH = lineHeight;
    CalcRowLineHeight(node, absolute, GetCellText(node, absolute), width, FMetrics.RowTextHeight, FMaxRowLineCount,
                      inflate, grid, lines, lineH);
    if (lines >= 0) {
      count = std::max(count, lines);
      height = std::max(height, lineH);
    }
  }
  lineHeight = std::max(lineHeight, height);
  return count;
}

// --- Indent, cells and rows ----------------------------------------------------------

TdxNodeIndentParts TCustomdxTreeList::GetNodeIndentParts(const TdxTreeListNode* node) const {
  TdxNodeIndentParts parts;
  if (node == nullptr) return parts;
  const int level = node->Level();
  const bool hasChildren = node->HasChildren() || node->Count() > 0;
  // Without tree lines (the grouping mode) a row without children has no
  // slot of its own.
  const bool ownSlot = !FNodeIndentMode || hasChildren;
  int x = (level + (ownSlot ? 1 : 0)) * TreeButtonSize;
  if (hasChildren) parts.ButtonLeft = level * TreeButtonSize;
  if (FStateImages != nullptr && GetStateIndex(node) != -1) {
    parts.StateImageLeft = x;
    x += FMetrics.StateImageWidth;
  }
  if (FImages != nullptr && (GetImageIndex(node) != -1 || GetSelectedIndex(node) != -1)) {
    parts.ImageLeft = x;
    x += FMetrics.ImageWidth;
  }
  parts.End = x;
  return parts;
}

TRect TCustomdxTreeList::GetCellRect(const TdxTreeListLayoutInfo& layout, const TdxTreeListNode* node,
                                     int absoluteIndex) const {
  const TdxTreeListRowItem* row = layout.FindRow(node);
  const TdxTreeListHeaderItem* cell = layout.FindHeader(absoluteIndex);
  if (row == nullptr || cell == nullptr) return Rect(-1, -1, -1, -1);
  TRect r;
  r.Left = cell->Rect.Left;
  r.Right = cell->Rect.Right;
  const int indentEnd = layout.TreeColumnLeft + GetNodeIndentParts(node).End;
  if (r.Left < indentEnd && cell->Rect.Right > layout.TreeColumnLeft && cell->Rect.Left <= layout.TreeColumnLeft)
    r.Left = std::min(indentEnd, r.Right);
  const int lineHeight = FMetrics.RowLineHeight;
  r.Top = row->Top + lineHeight * cell->RowIndex +
          (!FShowGrid && node->HasChildren() && FNodeIndentMode ? 1 : 0);
  r.Bottom = r.Top + lineHeight * cell->LineCount - (FShowGrid && FShowPreviewGrid ? 1 : 0);
  if (row->LineCount > 0) r.Bottom = row->Top + row->Height - row->FootersHeight - layout.RowSeparatorWidth;
  return r;
}

TRect TCustomdxTreeList::GetCellRect(const TdxTreeListNode* node, int visibleColumnIndex) const {
  TdxTreeListLayoutInfo layout;
  CalculateLayout(layout);
  return GetCellRect(layout, node, GetAbsoluteColumnIndex(visibleColumnIndex));
}

TRect TCustomdxTreeList::GetEditorRect(const TdxTreeListNode* node, int visibleColumnIndex) const {
  TdxTreeListLayoutInfo layout;
  CalculateLayout(layout);
  const int absolute = GetAbsoluteColumnIndex(visibleColumnIndex);
  TRect r = GetCellRect(layout, node, absolute);
  if (r.Left == -1 && r.Top == -1) return r;
  const TdxTreeListHeaderItem* cell = layout.FindHeader(absolute);
  // The editor leaves the pixel between two cells (the grid line) to the
  // next cell; the grid's last cell has no neighbour to leave it to.
  const bool gridEnd = cell != nullptr && cell->LastCell;
  if (!gridEnd) r.Right -= 1;
  if (cell != nullptr && cell->FirstCell)
    r.Left = std::max(r.Left, layout.TreeColumnLeft + GetNodeIndentParts(node).End);
  if (OptionExOn(tloInvertSelect)) {
    r.Top += 1;
    r.Bottom -= 1;
    if (cell != nullptr && cell->FirstInRow) r.Left += 1;
    if (cell != nullptr && cell->LastInRow) r.Right -= 1;
  }
  return r;
}

TRect TCustomdxTreeList::GetRowsAreaRect() const {
  TdxTreeListLayoutInfo layout;
  CalcAreaRects(layout);
  TRect rows = layout.Rows;
  if (!layout.Indicator.IsEmpty()) rows.Left = layout.Indicator.Left;
  return rows;
}

TRect TCustomdxTreeList::GetNodeRowRect(const TdxTreeListNode* node) const {
  if (node == nullptr) return Rect(-1, -1, -1, -1);
  TdxTreeListLayoutInfo layout;
  CalcAreaRects(layout);
  const int left = layout.Indicator.IsEmpty() ? layout.Rows.Left : layout.Indicator.Left;
  TdxTreeListNode* row = TopVisibleNode() != nullptr ? TopVisibleNode() : FirstNode();
  int top = layout.Rows.Top;
  while (row != nullptr && top < layout.Rows.Bottom) {
    const int height = GetNodeHeight(row, FMetrics.RowLineHeight, false);
    if (row == node) return Rect(left, top, layout.Rows.Right, top + height);
    top += height;
    row = GetNextVisibleNode(row);
  }
  return Rect(-1, -1, -1, -1);
}
