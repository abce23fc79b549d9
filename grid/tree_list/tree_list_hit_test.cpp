// Which part of the tree list lies under a point, answered from the same
// layout the painting uses. The first rule that applies decides; sizing
// edges reach 4 pixels to each side of a boundary.

#include <algorithm>

#include "grid/tree_list/tree_list.h"

namespace {

constexpr int EdgeZone = 4;

bool InRange(int v, int from, int to) { return v >= from && v < to; }

}  // namespace

TdxTreeListHitTest TCustomdxTreeList::GetHitCodeAt(int x, int y) const {
  TdxTreeListHitInfo info;
  HitTestPoint(Point(x, y), info);
  return info.HitTest;
}

TdxTreeListNode* TCustomdxTreeList::GetNodeAt(int x, int y) const {
  TdxTreeListHitInfo info;
  HitTestPoint(Point(x, y), info);
  return info.Node;
}

void TCustomdxTreeList::HitTestPoint(TPoint p, TdxTreeListHitInfo& info) const {
  info = TdxTreeListHitInfo{};
  info.X = p.X;
  info.Y = p.Y;
  if (!ClientRect().Contains(p)) return;
  info.HitTest = htNowhere;
  TdxTreeListLayoutInfo layout;
  CalculateLayout(layout);
  const auto bandSizable = [this](int band) { return band >= 0 && GetBandWidthItem(band).Sizable; };
  const auto columnSizable = [this](int column) { return column >= 0 && GetColumnWidthItem(column).Sizable; };
  const auto setBand = [&](int band, TdxTreeListHitTest code) {
    info.Band = band;
    info.HitTest = code;
  };

  if (layout.TopPanel.Contains(p)) {
    info.HitTest = htTopPanel;
    return;
  }
  // Band panel.
  if (!layout.BandPanel.IsEmpty()) {
    const int left = layout.BandButton.IsEmpty() ? layout.BandPanel.Left : layout.BandButton.Left;
    if (OptionExOn(tloBandPanelSizing) && p.X >= left && p.X < layout.BandPanel.Right &&
        std::abs(p.Y - layout.BandPanel.Bottom) <= EdgeZone) {
      info.HitTest = htBandPanelEdge;
      return;
    }
  }
  if (layout.BandButton.Contains(p)) {
    info.HitTest = htBandButton;
    return;
  }
  if (layout.BandPanel.Contains(p)) {
    const TdxTreeListBandItem* under = nullptr;
    for (const TdxTreeListBandItem& band : layout.Bands)
      if (InRange(p.X, band.ClipRect.Left, band.ClipRect.Right)) under = &band;
    if (under == nullptr && !layout.Bands.empty() && p.X >= layout.Bands.back().Rect.Right)
      under = &layout.Bands.back();
    if (under == nullptr) return;
    setBand(under->BandIndex, htBand);
    // The band's own right edge, or the previous band's right edge.
    if (bandSizable(under->BandIndex) && InRange(p.X, under->Rect.Right - EdgeZone, under->Rect.Right + EdgeZone)) {
      setBand(under->BandIndex, htBandEdge);
      return;
    }
    for (const TdxTreeListBandItem& band : layout.Bands)
      if (&band != under && bandSizable(band.BandIndex) && InRange(p.X, band.Rect.Right, band.Rect.Right + EdgeZone)) {
        setBand(band.BandIndex, htBandEdge);
        return;
      }
    return;
  }
  if (!layout.BandPanel.IsEmpty() && InRange(p.Y, layout.BandPanel.Top, layout.BandPanel.Bottom) &&
      InRange(p.X, layout.BandPanel.Right, layout.BandPanel.Right + EdgeZone)) {
    const int last = layout.Bands.empty() ? -1 : layout.Bands.back().BandIndex;
    if (bandSizable(last)) setBand(last, htBandEdge);
    return;
  }
  // Header panel.
  if (!layout.HeaderPanel.IsEmpty() && OptionExOn(tloHeaderPanelSizing) &&
      std::abs(p.Y - layout.HeaderPanel.Bottom) <= EdgeZone && p.X < layout.HeaderPanel.Right) {
    info.HitTest = htHeaderPanelEdge;
    return;
  }
  if (layout.HeaderButton.Contains(p)) {
    info.HitTest = htHeaderButton;
    return;
  }
  const bool headerWidthOnly = OptionExOn(tloBandHeaderWidth) && !FShowBands;
  // The edge at the right of a header cell: the column's, or at the end of
  // a band row the band's (the column's when the band takes its width from
  // its columns and no band panel shows).
  const auto cellEdge = [&](const TdxTreeListHeaderItem& cell) {
    if (cell.LastInRow) {
      if (headerWidthOnly) {
        if (!columnSizable(cell.AbsoluteIndex)) return false;
        info.Band = cell.BandIndex;
        info.Column = cell.AbsoluteIndex;
        info.HitTest = htColumnEdge;
        return true;
      }
      if (!bandSizable(cell.BandIndex)) return false;
      info.Band = cell.BandIndex;
      info.Column = -1;
      info.HitTest = htBandEdge;
      return true;
    }
    if (!columnSizable(cell.AbsoluteIndex)) return false;
    info.Band = cell.BandIndex;
    info.Column = cell.AbsoluteIndex;
    info.HitTest = htColumnEdge;
    return true;
  };
  if (layout.HeaderPanel.Contains(p)) {
    info.HitTest = htColumn;
    const TdxTreeListHeaderItem* under = nullptr;
    for (const TdxTreeListHeaderItem& cell : layout.Headers)
      if (cell.ClipRect.Contains(p)) under = &cell;
    if (under == nullptr) return;
    info.Band = under->BandIndex;
    info.Column = under->AbsoluteIndex;
    if (InRange(p.X, under->Rect.Right - EdgeZone, under->Rect.Right) && cellEdge(*under)) return;
    if (InRange(p.X, under->Rect.Left, under->Rect.Left + EdgeZone)) {
      // The previous cell's edge: in the same band row, or the previous
      // band's last cell in that row.
      const TdxTreeListHeaderItem* previous = nullptr;
      for (const TdxTreeListHeaderItem& cell : layout.Headers)
        if (&cell != under && cell.Rect.Right == under->Rect.Left && cell.Rect.Top <= p.Y && p.Y < cell.Rect.Bottom)
          previous = &cell;
      const TdxTreeListHeaderItem saved = *under;
      if (previous != nullptr && cellEdge(*previous)) return;
      info.Band = saved.BandIndex;
      info.Column = saved.AbsoluteIndex;
      info.HitTest = htColumn;
    }
    return;
  }
  if (!layout.HeaderPanel.IsEmpty() && InRange(p.Y, layout.HeaderPanel.Top, layout.HeaderPanel.Bottom) &&
      InRange(p.X, layout.HeaderPanel.Right, layout.HeaderPanel.Right + EdgeZone)) {
    const TdxTreeListHeaderItem* last = nullptr;
    for (const TdxTreeListHeaderItem& cell : layout.Headers)
      if (cell.LastInRow && cell.Rect.Top <= p.Y && p.Y < cell.Rect.Bottom &&
          (last == nullptr || cell.Rect.Right > last->Rect.Right))
        last = &cell;
    if (last != nullptr) cellEdge(*last);
    return;
  }
  const auto columnUnder = [&](int y0) {
    for (const TdxTreeListHeaderItem& cell : layout.Headers) {
      const int top = y0 + FMetrics.RowLineHeight * cell.RowIndex;
      if (InRange(p.X, cell.ClipRect.Left, cell.ClipRect.Right) &&
          InRange(p.Y, top, top + FMetrics.RowLineHeight * cell.LineCount)) {
        info.Band = cell.BandIndex;
        info.Column = cell.AbsoluteIndex;
        return;
      }
    }
  };
  if (!layout.NewItemRow.IsEmpty() && layout.NewItemRow.Contains(p)) {
    info.HitTest = htNewItemRow;
    columnUnder(layout.NewItemRow.Top);
    return;
  }
  // Indicator column; with the indicator hidden the row edges are looked
  // for across the rows.
  const bool indicatorShown = FShowIndicator && layout.Rows.Left > layout.Indicator.Left;
  const TRect zone = indicatorShown ? Rect(layout.Indicator.Left, layout.Rows.Top, layout.Rows.Left, layout.Rows.Bottom)
                                    : layout.Rows;
  if (zone.Contains(p)) {
    const int count = static_cast<int>(layout.RowItems.size());
    if (OptionExOn(tloRowSizing)) {
      for (int i = 0; i < count; ++i) {
        const TdxTreeListRowItem& row = layout.RowItems[static_cast<std::size_t>(i)];
        const int bottom = row.Top + row.Height;
        const bool belowTop = i > 0 && InRange(p.Y, row.Top, row.Top + EdgeZone);
        const bool aboveBottom = InRange(p.Y, bottom - EdgeZone, bottom);
        const bool belowLast = i == count - 1 && InRange(p.Y, bottom, bottom + EdgeZone);
        if (belowTop || aboveBottom || belowLast) {
          const int line = belowTop ? i - 1 : i;
          info.HitTest = htRowEdge;
          info.Node = layout.RowItems[static_cast<std::size_t>(line)].Node;
          info.LineIndex = line;
          return;
        }
      }
    }
    if (indicatorShown) {
      info.HitTest = htIndicator;
      for (int i = 0; i < count; ++i) {
        const TdxTreeListRowItem& row = layout.RowItems[static_cast<std::size_t>(i)];
        if (InRange(p.Y, row.Top, row.Top + row.Height)) {
          info.Node = row.Node;
          info.LineIndex = i;
        }
      }
      return;
    }
  }
  if (layout.BottomPanel.Contains(p)) {
    info.HitTest = htBottomPanel;
    return;
  }
  if (layout.Footer.Contains(p)) {
    info.HitTest = htSummaryFooter;
    const int lineHeight = FMetrics.RowTextHeight + 7;
    for (const TdxTreeListHeaderItem& cell : layout.Headers) {
      const int top = layout.Footer.Top + lineHeight * cell.RowIndex;
      if (InRange(p.X, cell.ClipRect.Left, cell.ClipRect.Right) &&
          InRange(p.Y, top, top + lineHeight * cell.LineCount)) {
        info.Band = cell.BandIndex;
        info.Column = cell.AbsoluteIndex;
      }
    }
    return;
  }
  if (!layout.Rows.Contains(p)) return;
  for (int i = 0; i < static_cast<int>(layout.RowItems.size()); ++i) {
    const TdxTreeListRowItem& row = layout.RowItems[static_cast<std::size_t>(i)];
    if (!InRange(p.Y, row.Top, row.Top + row.Height)) continue;
    info.Node = row.Node;
    info.LineIndex = i;
    info.HitTest = p.X <= layout.ColumnsRight ? htLabel : htRight;
    const int footersTop = row.Top + row.Height - row.FootersHeight - layout.RowSeparatorWidth;
    if (row.FooterCount > 0 && InRange(p.Y, footersTop, footersTop + row.FootersHeight)) {
      info.HitTest = htRowFooter;
      info.FooterIndex = (p.Y - footersTop) / std::max(1, FMetrics.RowFooterHeight);
      columnUnder(row.Top);
      for (const TdxTreeListHeaderItem& cell : layout.Headers)
        if (InRange(p.X, cell.ClipRect.Left, cell.ClipRect.Right) && cell.RowIndex == 0) {
          info.Band = cell.BandIndex;
          info.Column = cell.AbsoluteIndex;
        }
      return;
    }
    const TdxNodeIndentParts parts = GetNodeIndentParts(row.Node);
    const int indentEnd = std::min(layout.TreeColumnLeft + parts.End, layout.TreeColumnRight);
    if (p.X >= layout.TreeColumnLeft && p.X < indentEnd) {
      const int x = p.X - layout.TreeColumnLeft;
      int first = parts.End;
      for (int part : {parts.ButtonLeft, parts.StateImageLeft, parts.ImageLeft})
        if (part >= 0) first = std::min(first, part);
      if (parts.ButtonLeft >= 0 && InRange(x, parts.ButtonLeft, parts.ButtonLeft + TreeButtonSize))
        info.HitTest = htButton;
      else if (parts.StateImageLeft >= 0 && InRange(x, parts.StateImageLeft, parts.StateImageLeft + FMetrics.StateImageWidth))
        info.HitTest = htStateIcon;
      else if (parts.ImageLeft >= 0 && InRange(x, parts.ImageLeft, parts.ImageLeft + FMetrics.ImageWidth))
        info.HitTest = htIcon;
      else if (x < first)
        info.HitTest = htIndent;
      else
        info.HitTest = htNowhere;
      return;
    }
    if (info.HitTest == htLabel) {
      columnUnder(row.Top);
      if (row.PreviewLineCount > 0) {
        const int previewTop = footersTop - row.PreviewLineCount * FMetrics.PreviewLineHeight - 2 -
                               (FShowGrid && FShowPreviewGrid ? 1 : 0);
        if (p.Y >= previewTop) info.HitTest = htPreview;
      }
    }
    return;
  }
}
