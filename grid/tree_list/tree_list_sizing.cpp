// Sizing by the mouse: bands and columns by their right edges, the band
// and header panels by their row counts, rows by their height. A press on
// an edge starts the interaction, the sizing line follows the pointer
// within its limits (drawn by inverting pixels, so it never disturbs the
// painting), and the release applies the change in one update; Escape,
// the right button or cancel mode drop it.
//
// The line stands where the new edge would be: the right edge (exclusive)
// of a band or column, the bottom of a panel or row. It moves with the
// pointer by the same distance, so a press a few pixels beside the edge
// changes nothing until the pointer moves.

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "framework/gui/graphics/geometry.h"
#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_bands.h"
#include "grid/tree_list/tree_list_column.h"
#include "grid/tree_list/tree_list_interaction_p.h"
#include "grid/tree_list/tree_list_sizing_rules.h"

void TCustomdxTreeList::TdxLayoutInteractionDeleter::operator()(
    TdxLayoutInteraction* interaction) const noexcept {
  std::default_delete<TdxLayoutInteraction>()(interaction);
}

TdxLayoutInteraction& TCustomdxTreeList::Interaction() const {
  if (!FInteraction) FInteraction.reset(std::make_unique<TdxLayoutInteraction>().release());
  return *FInteraction;
}

bool TCustomdxTreeList::IsLayoutInteractionState(TdxTreeListState state) {
  switch (state) {
    case tsColumnSizing:
    case tsColumnDragging:
    case tsColumnDown:
    case tsBandSizing:
    case tsBandDragging:
    case tsBandDown:
    case tsBandPanelSizing:
    case tsHeaderPanelSizing:
    case tsRowSizing:
      return true;
    default:
      return false;
  }
}

int TCustomdxTreeList::SizingLinePos() const { return FInteraction ? FInteraction->LinePos : 0; }

bool TCustomdxTreeList::SizingLineShown() const {
  return FInteraction && FInteraction->LineShown && FInteraction->Xor && !FInteraction->Xor->Empty();
}

bool TCustomdxTreeList::PressedItemDown() const { return !FInteraction || FInteraction->PressedDown; }

void TCustomdxTreeList::SetPressedItemDown(bool value) { Interaction().PressedDown = value; }

void TCustomdxTreeList::ForgetInteractionNodes() {
  FDragOverNode = nullptr;
  FExpandNode = nullptr;
  FSizingNode = nullptr;
}

// --- Dispatch ---------------------------------------------------------------------------

bool TCustomdxTreeList::StartLayoutInteraction(const TdxTreeListHitInfo& hit, TShiftState shift) {
  if (State() != tsNone) return false;
  const bool doubleClick = shift.Contains(ssDouble);
  TdxLayoutInteraction& in = Interaction();
  in.PressPoint = Point(hit.X, hit.Y);
  in.PressedDown = true;
  switch (hit.HitTest) {
    case htBandEdge:
      if (hit.Band < 0) return false;
      if (doubleClick)
        ApplyBandBestFit(hit.Band);
      else
        StartSizing(tsBandSizing, hit);
      return true;
    case htColumnEdge:
      if (hit.Column < 0) return false;
      if (doubleClick)
        ApplyColumnBestFit(hit.Column);
      else
        StartSizing(tsColumnSizing, hit);
      return true;
    case htBandPanelEdge:
      StartSizing(tsBandPanelSizing, hit);
      return true;
    case htHeaderPanelEdge:
      StartSizing(tsHeaderPanelSizing, hit);
      return true;
    case htRowEdge:
      if (hit.Node == nullptr) return false;
      StartSizing(tsRowSizing, hit);
      return true;
    case htBand:
      if (hit.Band < 0) return false;
      SetPressedBand(hit.Band);
      SetInteractionState(tsBandDown);
      Invalidate();
      return true;
    case htColumn:
      if (hit.Column < 0) return false;
      SetPressedColumn(hit.Column);
      SetInteractionState(tsColumnDown);
      Invalidate();
      return true;
    default:
      return false;
  }
}

void TCustomdxTreeList::LayoutInteractionMove(TShiftState shift, int x, int y) {
  switch (State()) {
    case tsColumnSizing:
    case tsBandSizing:
    case tsBandPanelSizing:
    case tsHeaderPanelSizing:
    case tsRowSizing:
      MoveSizingLine(x, y);
      return;
    case tsBandDown:
    case tsColumnDown: {
      TdxLayoutInteraction& in = Interaction();
      if (std::abs(x - in.PressPoint.X) > 5 || std::abs(y - in.PressPoint.Y) > 5) {
        if (State() == tsBandDown)
          StartBandDrag(x, y);
        else
          StartHeaderDrag(x, y);
        if (State() == tsBandDragging || State() == tsColumnDragging) return;
      }
      // A press that may not become a drag stays down only over its item.
      TdxTreeListHitInfo hit;
      HitTestPoint(Point(x, y), hit);
      const bool over = State() == tsBandDown ? hit.HitTest == htBand && hit.Band == PressedBand()
                                              : hit.HitTest == htColumn && hit.Column == PressedColumn();
      if (over != in.PressedDown) {
        in.PressedDown = over;
        Invalidate();
      }
      return;
    }
    case tsBandDragging:
    case tsColumnDragging:
      DragHeaderMove(x, y);
      return;
    default:
      return;
  }
}

void TCustomdxTreeList::EndLayoutInteraction(TShiftState shift, int x, int y) {
  switch (State()) {
    case tsColumnSizing:
    case tsBandSizing:
    case tsBandPanelSizing:
    case tsHeaderPanelSizing:
    case tsRowSizing:
      EndSizing(x, y);
      return;
    case tsBandDown: {
      const int band = PressedBand();
      SetInteractionState(tsNone);
      SetPressedBand(-1);
      Invalidate();
      TdxTreeListHitInfo hit;
      HitTestPoint(Point(x, y), hit);
      if (hit.HitTest == htBand && hit.Band == band) DoBandClick(Bands().VisibleItems(band));
      return;
    }
    case tsColumnDown: {
      const int column = PressedColumn();
      SetInteractionState(tsNone);
      SetPressedColumn(-1);
      Invalidate();
      TdxTreeListHitInfo hit;
      HitTestPoint(Point(x, y), hit);
      if (hit.HitTest == htColumn && hit.Column == column) HeaderClick(Columns(column), shift);
      return;
    }
    case tsBandDragging:
      EndBandDrag(true, Point(x, y));
      return;
    case tsColumnDragging:
      EndHeaderDrag(true, Point(x, y));
      return;
    default:
      return;
  }
}

bool TCustomdxTreeList::CancelLayoutInteraction() {
  switch (State()) {
    case tsColumnSizing:
    case tsBandSizing:
    case tsBandPanelSizing:
    case tsHeaderPanelSizing:
    case tsRowSizing:
      HideSizingLine();
      SetInteractionState(tsNone);
      SetPressedBand(-1);
      SetPressedColumn(-1);
      FSizingNode = nullptr;
      return true;
    case tsBandDown:
    case tsColumnDown:
      SetInteractionState(tsNone);
      SetPressedBand(-1);
      SetPressedColumn(-1);
      Invalidate();
      return true;
    case tsBandDragging:
      EndBandDrag(false, Point(0, 0));
      return true;
    case tsColumnDragging:
      EndHeaderDrag(false, Point(0, 0));
      return true;
    default:
      return false;
  }
}

// --- The sizing line --------------------------------------------------------------------

void TCustomdxTreeList::StartSizing(TdxTreeListState state, const TdxTreeListHitInfo& hit) {
  TdxLayoutInteraction& in = Interaction();
  TdxTreeListLayoutInfo layout;
  CalculateLayout(layout);
  const int client = OptionExOn(tloFullSizing) ? 100000 : ClientWidth() - 2;
  int press = hit.X;
  switch (state) {
    case tsBandSizing: {
      const TdxTreeListBandItem* item = nullptr;
      for (const TdxTreeListBandItem& band : layout.Bands)
        if (band.BandIndex == hit.Band) item = &band;
      if (item == nullptr) return;
      in.LineStart = item->Rect.Right;
      in.LineMin = in.LineStart - GetBandDisplayWidth(hit.Band) + GetBandMinWidth(hit.Band);
      in.LineMax = std::max(client, in.LineStart);
      SetPressedBand(hit.Band);
      break;
    }
    case tsColumnSizing: {
      const TdxTreeListHeaderItem* cell = layout.FindHeader(hit.Column);
      if (cell == nullptr) return;
      const int indent = cell->BandIndex == 0 && cell->ColIndex == 0 ? GetGroupIndent() : 0;
      const int width = cell->Rect.Width() - indent;
      in.LineStart = cell->Rect.Right;
      in.LineMin = in.LineStart - width + GetColumnWidthItem(hit.Column).MinWidth;
      in.LineMax = std::max(client, in.LineStart);
      const bool bandGrows =
          IsColumnAutoWidth() && !OptionOn(tloAutoWidth) && GetBandHeaderRowCount(cell->BandIndex) == 1;
      if (!bandGrows) {
        // The columns that give way can shrink to their minimums, no further.
        const int count = GetHeaderColumnCount(cell->BandIndex, cell->RowIndex);
        const bool last = cell->ColIndex == count - 1;
        int spare = 0;
        for (int p = 0; p < count; ++p) {
          if (last ? p >= cell->ColIndex : p <= cell->ColIndex) continue;
          const int column = GetHeaderAbsoluteIndex(cell->BandIndex, cell->RowIndex, p);
          const TdxWidthItem item = GetColumnWidthItem(column);
          if (!item.Sizable) continue;
          const int shown = GetColumnWidth(column) - (cell->BandIndex == 0 && p == 0 ? GetGroupIndent() : 0);
          spare += std::max(0, shown - item.MinWidth);
        }
        in.LineMax = std::max(in.LineStart, std::min(in.LineMax, in.LineStart + spare));
      }
      SetPressedColumn(hit.Column);
      break;
    }
    case tsBandPanelSizing:
      in.PanelTop = layout.BandPanel.Top;
      in.RowHeight = Metrics().BandTextHeight;
      in.Extra = Metrics().BandPanelHeight - Metrics().BandRowCount * Metrics().BandTextHeight;
      in.LineStart = layout.BandPanel.Bottom;
      press = hit.Y;
      break;
    case tsHeaderPanelSizing:
      in.PanelTop = layout.HeaderPanel.Top;
      in.RowHeight = Metrics().HeaderLineHeight;
      in.Extra = 0;
      in.LineStart = layout.HeaderPanel.Bottom;
      press = hit.Y;
      break;
    case tsRowSizing: {
      const TdxTreeListRowItem* row = layout.FindRow(hit.Node);
      if (row == nullptr) return;
      in.RowTop = row->Top;
      in.LineStart = row->Top + row->Height;
      in.LineMin = row->Top + GetNodeHeight(hit.Node, Metrics().MinRowLineHeight, true);
      in.LineMax = (FShowFooter ? layout.Footer.Top : ClientRect().Bottom) - 1;
      in.LineMax = std::max(in.LineMax, in.LineMin);
      FSizingNode = hit.Node;
      press = hit.Y;
      break;
    }
    default:
      return;
  }
  in.Offset = in.LineStart - press;
  in.LinePos = in.LineStart;
  SetInteractionState(state);
  ShowSizingLine(in.LinePos);
}

void TCustomdxTreeList::MoveSizingLine(int x, int y) {
  TdxLayoutInteraction& in = Interaction();
  int pos = in.LinePos;
  switch (State()) {
    case tsBandSizing:
    case tsColumnSizing:
      pos = std::clamp(x + in.Offset, in.LineMin, std::max(in.LineMin, in.LineMax));
      break;
    case tsRowSizing:
      pos = std::clamp(y + in.Offset, in.LineMin, std::max(in.LineMin, in.LineMax));
      break;
    case tsBandPanelSizing: {
      const int rows = PanelRowsAt(y + in.Offset, in.PanelTop, in.RowHeight, in.Extra, BandMaxRowCount());
      pos = in.PanelTop + rows * in.RowHeight + in.Extra;
      break;
    }
    case tsHeaderPanelSizing: {
      const int rows = PanelRowsAt(y + in.Offset, in.PanelTop, in.RowHeight, 0, HeaderPanelMaxRowCount());
      pos = in.PanelTop + rows * in.RowHeight;
      break;
    }
    default:
      return;
  }
  if (pos == in.LinePos) return;
  HideSizingLine();
  in.LinePos = pos;
  ShowSizingLine(pos);
}

void TCustomdxTreeList::ShowSizingLine(int pos) {
  TdxLayoutInteraction& in = Interaction();
  if (!in.Xor) in.Xor = std::make_unique<TXorOverlay>(*this);
  TdxTreeListLayoutInfo layout;
  CalcAreaRects(layout);
  const auto panelTop = [](const TRect& panel, int otherwise) {
    return panel.IsEmpty() ? otherwise : panel.Top;
  };
  const int rowsLeft = FShowIndicator ? layout.Indicator.Left : layout.Rows.Left;
  std::vector<TRect> lines;
  switch (State()) {
    case tsBandSizing: {
      const int top = panelTop(layout.BandPanel, panelTop(layout.HeaderPanel, layout.Rows.Top));
      lines = {Rect(pos - 1, top, pos, layout.Rows.Bottom), Rect(pos, top, pos + 1, layout.Rows.Bottom)};
      break;
    }
    case tsColumnSizing:
      lines = {Rect(pos - 1, panelTop(layout.HeaderPanel, layout.Rows.Top), pos, layout.Rows.Bottom)};
      break;
    case tsBandPanelSizing:
    case tsHeaderPanelSizing:
      lines = {Rect(rowsLeft, pos - 1, layout.Rows.Right, pos),
               Rect(rowsLeft, pos, layout.Rows.Right, pos + 1)};
      break;
    case tsRowSizing:
      lines = {Rect(rowsLeft, pos - 1, layout.Rows.Right, pos)};
      break;
    default:
      return;
  }
  for (const TRect& line : lines) in.Xor->Toggle(line);
  in.LineShown = true;
}

void TCustomdxTreeList::HideSizingLine() {
  if (!FInteraction || !FInteraction->LineShown) return;
  if (FInteraction->Xor) FInteraction->Xor->Clear();
  FInteraction->LineShown = false;
}

void TCustomdxTreeList::EndSizing(int x, int y) {
  MoveSizingLine(x, y);
  HideSizingLine();
  TdxLayoutInteraction& in = Interaction();
  const TdxTreeListState state = State();
  const int band = PressedBand();
  const int column = PressedColumn();
  SetInteractionState(tsNone);
  SetPressedBand(-1);
  SetPressedColumn(-1);
  const int delta = in.LinePos - in.LineStart;
  switch (state) {
    case tsBandSizing:
      if (delta != 0) ApplyBandSizing(band, delta);
      break;
    case tsColumnSizing:
      if (delta != 0) ApplyColumnSizing(column, delta);
      break;
    case tsBandPanelSizing:
      if (in.RowHeight > 0) SetBandRowCount((in.LinePos - in.PanelTop - in.Extra) / in.RowHeight);
      break;
    case tsHeaderPanelSizing:
      if (in.RowHeight > 0) SetHeaderPanelRowCount((in.LinePos - in.PanelTop) / in.RowHeight);
      break;
    case tsRowSizing:
      if (delta != 0) ApplyRowSizing(in.LinePos);
      FSizingNode = nullptr;
      break;
    default:
      break;
  }
}

// --- Applying the new widths ------------------------------------------------------------

namespace {

// One header row of a band: its columns and the widths they show (the
// group indent of the first band's first column left out).
struct TRowWidths {
  std::vector<int> Columns;
  std::vector<int> Widths;
};

}  // namespace

void TCustomdxTreeList::ApplyBandSizing(int visibleBandIndex, int delta) {
  const int count = GetVisibleBandCount();
  if (visibleBandIndex < 0 || visibleBandIndex >= count) return;
  std::vector<int> widths(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) widths[static_cast<std::size_t>(k)] = GetBandDisplayWidth(k);
  std::vector<int> changed{visibleBandIndex};
  long long rangeBefore = 0;
  long long rangeAfter = 0;
  if (OptionOn(tloAutoWidth) && count > 1) {
    // The bands after the sized one (before it, for the last one) give or
    // take the difference: the total stays the client's width.
    std::vector<int> range;
    for (int k = 0; k < count; ++k) {
      const bool side = visibleBandIndex < count - 1 ? k > visibleBandIndex : k < visibleBandIndex;
      if (side && GetBandWidthItem(k).Sizable) range.push_back(k);
    }
    std::vector<int> old;
    for (int k : range) {
      old.push_back(widths[static_cast<std::size_t>(k)]);
      rangeBefore += old.back();
    }
    rangeAfter = rangeBefore - delta;
    const std::vector<int> scaled = ScaleWidths(old, static_cast<int>(rangeAfter));
    for (std::size_t i = 0; i < range.size(); ++i) widths[static_cast<std::size_t>(range[i])] = scaled[i];
    changed.clear();
    for (int k = 0; k < count; ++k) changed.push_back(k);
  }
  widths[static_cast<std::size_t>(visibleBandIndex)] += delta;

  TdxTreeListUpdateLock lock(*this);
  for (int k : changed) ApplyBandWidth(k, widths[static_cast<std::size_t>(k)]);
  if (rangeBefore > 0) {
    for (int i = 0; i < FBands->Count(); ++i) {
      TdxTreeListBand* band = FBands->Items(i);
      if (!band->Visible() && band->Sizing())
        band->SetWidth(MulDiv(band->Width(), static_cast<int>(rangeAfter), static_cast<int>(rangeBefore)));
    }
  }
  lock.Close();
  DoChangedColumnsWidth();
}

void TCustomdxTreeList::ApplyBandWidth(int visibleBandIndex, int width) {
  if (visibleBandIndex < 0 || visibleBandIndex >= GetVisibleBandCount()) return;
  if (!IsColumnAutoWidth()) {
    SetBandWidth(visibleBandIndex, width);
    return;
  }
  // Every width is read before any is written: each write re-shares.
  const int indent = visibleBandIndex == 0 ? GetGroupIndent() : 0;
  const int oldWidth = GetBandDisplayWidth(visibleBandIndex);
  std::vector<std::pair<int, int>> plan;
  const int rows = GetBandHeaderRowCount(visibleBandIndex);
  for (int row = 0; row < rows; ++row) {
    TRowWidths sizable;
    int fixed = 0;
    const int count = GetHeaderColumnCount(visibleBandIndex, row);
    for (int p = 0; p < count; ++p) {
      const int column = GetHeaderAbsoluteIndex(visibleBandIndex, row, p);
      const TdxWidthItem item = GetColumnWidthItem(column);
      const int shown = GetColumnWidth(column) - (p == 0 ? indent : 0);
      if (item.Sizable) {
        sizable.Columns.push_back(column);
        sizable.Widths.push_back(shown);
      } else {
        fixed += shown;
      }
    }
    const std::vector<int> scaled = ScaleWidths(sizable.Widths, width - fixed);
    for (std::size_t i = 0; i < scaled.size(); ++i) plan.emplace_back(sizable.Columns[i], scaled[i]);
  }
  // The band's hidden columns keep their proportion to it.
  if (oldWidth > 0) {
    const TdxTreeListBand* band = FBands->VisibleItems(visibleBandIndex);
    const int bandIndex = band != nullptr ? band->Index() : -1;
    for (int i = 0; i < ColumnCount(); ++i) {
      const TdxTreeListColumn* column = Columns(i);
      if (column->Visible() || column->BandIndex() != bandIndex || !GetColumnWidthItem(i).Sizable) continue;
      plan.emplace_back(i, MulDiv(column->Width(), width, oldWidth));
    }
  }
  TdxTreeListUpdateLock lock(*this);
  SetBandWidth(visibleBandIndex, width);
  for (const auto& [column, columnWidth] : plan) SetColumnWidth(column, columnWidth);
  lock.Close();
}

void TCustomdxTreeList::ApplyColumnSizing(int absoluteIndex, int delta) {
  int band = 0;
  int row = 0;
  int position = 0;
  if (!FindColumnPlace(absoluteIndex, band, row, position)) return;
  const int indent = band == 0 ? GetGroupIndent() : 0;
  const int count = GetHeaderColumnCount(band, row);
  TRowWidths shown;
  for (int p = 0; p < count; ++p) {
    const int column = GetHeaderAbsoluteIndex(band, row, p);
    shown.Columns.push_back(column);
    shown.Widths.push_back(GetColumnWidth(column) - (p == 0 ? indent : 0));
  }
  std::vector<int> widths = shown.Widths;
  widths[static_cast<std::size_t>(position)] += delta;
  const int bandWidth = GetBandDisplayWidth(band);
  const bool bandGrows = IsColumnAutoWidth() && !OptionOn(tloAutoWidth) && GetBandHeaderRowCount(band) == 1;
  if (!bandGrows) {
    // The band keeps its width: the columns right of the sized one (left
    // of it, for the row's last) give or take the difference.
    std::vector<int> range;
    std::vector<int> old;
    int total = 0;
    for (int p = 0; p < count; ++p) {
      const bool side = position < count - 1 ? p > position : p < position;
      if (!side || !GetColumnWidthItem(shown.Columns[static_cast<std::size_t>(p)]).Sizable) continue;
      range.push_back(p);
      old.push_back(shown.Widths[static_cast<std::size_t>(p)]);
      total += old.back();
    }
    const std::vector<int> scaled = ScaleWidths(old, total - delta);
    for (std::size_t i = 0; i < range.size(); ++i) widths[static_cast<std::size_t>(range[i])] = scaled[i];
  }
  TdxTreeListUpdateLock lock(*this);
  // The band's own width goes along too: it is the least a band takes that
  // cannot be sized by itself, even one that follows its columns.
  if (bandGrows) SetBandWidth(band, bandWidth + delta);
  for (int p = 0; p < count; ++p)
    SetColumnWidth(shown.Columns[static_cast<std::size_t>(p)], widths[static_cast<std::size_t>(p)]);
  lock.Close();
  DoChangedColumnsWidth();
}

void TCustomdxTreeList::ApplyRowSizing(int linePos) {
  TdxTreeListNode* node = FSizingNode;
  if (node == nullptr) return;
  const int space = linePos - Interaction().RowTop;
  const int minimum = Metrics().MinRowLineHeight;
  int best = -1;
  for (int height = minimum; height <= std::max(space, minimum); ++height) {
    if (GetNodeHeight(node, height, true) > space) break;
    best = height;
  }
  SetDefaultRowHeight(best < 0 ? minimum : best);
}
