// Scrolling the tree list: vertically by rows (the top row), horizontally
// by pixels (LeftCoord, the offset of the scrolling bands), through the
// window's two scroll bars and the wheel, and automatically while the user
// selects or drags near an edge. Every position here is computed from the
// rows around the screen, so scrolling a million rows costs what a screen
// of them costs.

#include <algorithm>
#include <cstdlib>

#include "framework/gui/application/screen.h"
#include "framework/gui/dragdrop/drag_drop.h"
#include "grid/tree_list/tree_list.h"

namespace {

constexpr int HorzAutoScrollZone = 12;
constexpr int HorzAutoScrollStep = 32;
constexpr int DragAutoScrollInterval = 100;
constexpr int SelectAutoScrollInterval = 60;

}  // namespace

// --- Rows in view -------------------------------------------------------------------

void TCustomdxTreeList::CountRowsInHeight(TdxTreeListNode* start, int height, int& partlyVisible,
                                          int& fullyVisible) const {
  int partly = 0;
  int fully = 0;
  int top = 0;
  for (TdxTreeListNode* node = start; node != nullptr && top < height; node = GetNextVisibleNode(node)) {
    top += GetNodeHeight(node, FMetrics.RowLineHeight, false);
    ++partly;
    if (top <= height) ++fully;
  }
  partlyVisible = std::max(partly, 1);
  fullyVisible = std::max(fully, 1);
}

void TCustomdxTreeList::CalcRowsInView() {
  TdxTreeListNode* top = TopVisibleNode() != nullptr ? TopVisibleNode() : FirstNode();
  CountRowsInHeight(top, GetRowsAreaRect().Height(), FRowsInView, FFullRowsInView);
}

int TCustomdxTreeList::RowsInViewCount() {
  CalcRowsInView();
  return FFullRowsInView;
}

// Counted backwards from the last row: the first row of the last full page.
int TCustomdxTreeList::MaxTopIndex() const {
  const int count = VisibleNodeCount();
  if (count == 0) return 0;
  const int height = GetRowsAreaRect().Height();
  int fit = 0;
  int used = 0;
  for (TdxTreeListNode* node = GetAbsoluteNode(count - 1); node != nullptr; node = GetPrevVisibleNode(node)) {
    used += GetNodeHeight(node, FMetrics.RowLineHeight, false);
    if (used > height) break;
    ++fit;
  }
  return std::max(0, count - std::max(fit, 1));
}

int TCustomdxTreeList::MaxLeftCoord() const {
  return std::max(0, GetScrollingBandsWidth() - GetScrollAreaWidth());
}

// --- Vertical ------------------------------------------------------------------------

void TCustomdxTreeList::SetTopIndex(int index) {
  CloseEditor();
  if (VisibleNodeCount() < 2) return;
  index = std::clamp(index, 0, MaxTopIndex());
  const int oldIndex = TopIndex();
  TdxTreeListNode* node = GetAbsoluteNode(index);
  if (node == nullptr || (index == oldIndex && node == TopVisibleNode())) return;
  TdxTreeListNode* const oldTop = TopVisibleNode();
  TdxTreeListNode* const focused = FocusedNode();
  const bool updating = IsUpdateLocked();
  if (!updating && focused != nullptr) NodeChanged(focused, false);
  SetTopVisibleNode(node);
  UpdateScrollBars();
  if (updating) return;
  if (oldTop == nullptr || oldIndex < 0 || std::abs(index - oldIndex) > FFullRowsInView) {
    Invalidate();
  } else {
    // The rows passed, summed from the upper of the two tops down.
    const int step = index > oldIndex ? 1 : -1;
    int pixels = 0;
    TdxTreeListNode* row = step > 0 ? oldTop : node;
    for (int i = 0; i < std::abs(index - oldIndex) && row != nullptr; ++i, row = GetNextVisibleNode(row))
      pixels += GetNodeHeight(row, FMetrics.RowLineHeight, false);
    ScrollRows(step > 0 ? -pixels : pixels);
  }
  if (focused != nullptr) NodeChanged(focused, false);
}

void TCustomdxTreeList::ScrollRows(int dy) {
  if (dy == 0) return;
  const TRect rows = GetRowsAreaRect();
  ScrollWindowEx(0, dy, &rows, &rows, SW_INVALIDATE);
}

void TCustomdxTreeList::MakeNodeVisible(TdxTreeListNode* node) {
  if (node == nullptr) return;
  TdxTreeListNodeOwner::MakeNodeVisible(node);
  if (IsUpdateLocked() || IsDestroying()) return;
  const int index = GetAbsoluteIndex(node);
  if (index < 0) return;
  const int top = TopIndex();
  if (top < 0 || index < top) {
    SetTopIndex(index);
    return;
  }
  CalcRowsInView();
  if (index <= top + FFullRowsInView - 1) return;
  // The node becomes the last fully visible row: the rows above it that
  // still fit with it, counted upwards by their heights.
  const int height = GetRowsAreaRect().Height();
  int used = 0;
  int first = index;
  for (TdxTreeListNode* row = node; row != nullptr; row = GetPrevVisibleNode(row)) {
    used += GetNodeHeight(row, FMetrics.RowLineHeight, false);
    if (used > height) break;
    first = GetAbsoluteIndex(row);
  }
  SetTopIndex(first);
}

void TCustomdxTreeList::GetVertScrollInfo(int& min, int& max, int& pos, int& page, unsigned& /*mask*/) {
  CalcRowsInView();
  const int count = VisibleNodeCount();
  min = 0;
  max = count <= FFullRowsInView ? 0 : count - 1;
  pos = std::max(TopIndex(), 0);
  page = FFullRowsInView;
}

void TCustomdxTreeList::WMVScroll(int code, int /*pos*/) {
  if (!IsScrollingAllowed()) return;
  const int count = VisibleNodeCount();
  int index = TopIndex();
  switch (code) {
    case SB_LINEUP:
      --index;
      break;
    case SB_LINEDOWN:
      ++index;
      break;
    case SB_PAGEUP:
      index -= RowsInViewCount();
      break;
    case SB_PAGEDOWN:
      index += RowsInViewCount();
      break;
    case SB_TOP:
      index = 0;
      break;
    case SB_BOTTOM:
      index = count;
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      TScrollInfo info;
      info.Mask = SIF_ALL;
      GetScrollInfo(sbVertical, info);
      index = info.TrackPos < 0 ? 0 : info.TrackPos >= count ? count : info.TrackPos;
      break;
    }
    default:
      return;
  }
  SetTopIndex(index);
}

// --- Horizontal ----------------------------------------------------------------------

void TCustomdxTreeList::SetLeftCoord(int x) {
  CloseEditor();
  x = std::clamp(x, 0, MaxLeftCoord());
  if (x == FLeftCoord) return;
  const int old = FLeftCoord;
  FLeftCoord = x;
  UpdateScrollBars();
  if (!IsUpdateLocked()) {
    const bool fixedBands = GetLeftFixedBandIndex() >= 0 || GetRightFixedBandIndex() >= 0;
    if (FShowFooter || fixedBands || std::abs(x - old) > GetScrollAreaWidth()) {
      Invalidate();
    } else {
      // Everything right of the indicator moves, from the band panel down
      // to the rows' bottom; the top and bottom panels stay.
      TdxTreeListLayoutInfo layout;
      CalcAreaRects(layout);
      const TRect area = Rect(layout.Rows.Left, layout.BandPanel.Top, layout.Rows.Right, layout.Rows.Bottom);
      ScrollWindowEx(old - x, 0, &area, &area, SW_INVALIDATE);
    }
  }
  DoChangeLeftCoord();
}

void TCustomdxTreeList::WMHScroll(int code, int /*pos*/) {
  if (!IsScrollingAllowed() || GetVisibleColumnCount() == 0) return;
  const int total = GetScrollingBandsWidth();
  const int visible = GetScrollAreaWidth();
  int x = FLeftCoord;
  switch (code) {
    case SB_LINELEFT:
      x -= FMetrics.DigitWidth;
      break;
    case SB_LINERIGHT:
      x += FMetrics.DigitWidth;
      break;
    case SB_PAGELEFT:
      x -= visible;
      break;
    case SB_PAGERIGHT:
      x += visible;
      break;
    case SB_LEFT:
      x = 0;
      break;
    case SB_RIGHT:
      x = total;
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      TScrollInfo info;
      info.Mask = SIF_ALL;
      GetScrollInfo(sbHorizontal, info);
      const int p = info.TrackPos;
      // Away from the far end the thumb moves the bands in steps of 4.
      if (p <= 0)
        x = 0;
      else if (p + visible + 1 < total)
        x = (p + 1) / 4 * 4;
      else
        x = p + 1;
      break;
    }
    default:
      return;
  }
  SetLeftCoord(x);
}

void TCustomdxTreeList::MakeColumnVisible(int absoluteColumnIndex) {
  int band = 0;
  int row = 0;
  int position = 0;
  if (absoluteColumnIndex < 0 || absoluteColumnIndex >= ColumnCount()) return;
  if (!FindColumnPlace(absoluteColumnIndex, band, row, position)) return;
  if (band == GetLeftFixedBandIndex() || band == GetRightFixedBandIndex()) return;
  int left = GetBandScrollOffset(band);
  for (int p = 0; p < position; ++p) left += GetColumnWidth(GetHeaderAbsoluteIndex(band, row, p));
  const int right = left + GetColumnWidth(absoluteColumnIndex);
  const int visible = GetScrollAreaWidth();
  if (left < FLeftCoord)
    SetLeftCoord(left);
  else if (right > FLeftCoord + visible)
    SetLeftCoord(std::min(left, right - visible));
}

void TCustomdxTreeList::MakeBandVisible(int visibleBandIndex) {
  if (visibleBandIndex < 0 || visibleBandIndex >= GetVisibleBandCount()) return;
  if (visibleBandIndex == GetLeftFixedBandIndex() || visibleBandIndex == GetRightFixedBandIndex()) return;
  const int left = GetBandScrollOffset(visibleBandIndex);
  const int right = left + GetBandDisplayWidth(visibleBandIndex) + (visibleBandIndex == 0 ? GetGroupIndent() : 0);
  const int visible = GetScrollAreaWidth();
  if (left < FLeftCoord)
    SetLeftCoord(left);
  else if (right > FLeftCoord + visible)
    SetLeftCoord(std::min(left, right - visible));
}

// --- Scroll bars ---------------------------------------------------------------------

void TCustomdxTreeList::UpdateScrollBars() {
  if (!HandleAllocated() || !FBands || IsLoading() || IsDestroying() || IsClearing()) return;
  if (FScrollBarDepth > 0) {
    FScrollBarsAgain = true;
    return;
  }
  // Several passes below ask for row indexes: the flattened order answers
  // them at once where walking the tree would cost every row each time.
  if (!FVisibleOrder.Built()) RebuildVisibleOrder();
  struct TDepth {
    int& Depth;
    ~TDepth() { --Depth; }
  } depth{++FScrollBarDepth};
  // A bar that appears or goes changes the other's page: both twice, and
  // again while showing or hiding one resized the client under us.
  for (int pass = 0; pass < 4; ++pass) {
    FScrollBarsAgain = false;
    UpdateVertScrollBar();
    UpdateHorzScrollBar();
    UpdateVertScrollBar();
    UpdateHorzScrollBar();
    RemoveScrollBarsWhenAllFits();
    if (!FScrollBarsAgain) break;
  }
}

void TCustomdxTreeList::UpdateVertScrollBar() {
  if (FScrollBars != ssBoth && FScrollBars != ssVertical) {
    if (ScrollBarVisible(sbVertical)) ShowScrollBar(sbVertical, false);
    return;
  }
  TScrollInfo wanted;
  unsigned mask = SIF_ALL;
  GetVertScrollInfo(wanted.Min, wanted.Max, wanted.Pos, wanted.Page, mask);
  wanted.Mask = mask & (SIF_RANGE | SIF_PAGE | SIF_POS);
  TScrollInfo now;
  now.Mask = SIF_ALL;
  GetScrollInfo(sbVertical, now);
  if (now.Min == wanted.Min && now.Max == wanted.Max && now.Pos == wanted.Pos && now.Page == wanted.Page) return;
  SetScrollInfo(sbVertical, wanted, true);
}

void TCustomdxTreeList::UpdateHorzScrollBar() {
  if (FScrollBars != ssBoth && FScrollBars != ssHorizontal) {
    if (ScrollBarVisible(sbHorizontal)) ShowScrollBar(sbHorizontal, false);
    return;
  }
  const int total = GetScrollingBandsWidth();
  const int visible = GetScrollAreaWidth();
  TScrollInfo wanted;
  wanted.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
  wanted.Min = 0;
  wanted.Max = visible >= total ? 0 : total - 1;
  wanted.Page = std::max(visible, 0);
  wanted.Pos = FLeftCoord;
  TScrollInfo now;
  now.Mask = SIF_ALL;
  GetScrollInfo(sbHorizontal, now);
  if (now.Min == wanted.Min && now.Max == wanted.Max && now.Pos == wanted.Pos && now.Page == wanted.Page) return;
  SetScrollInfo(sbHorizontal, wanted, true);
}

// Both bars may be there only because each takes room from the other: when
// the rows and the bands fit into the client with neither, both go at once.
void TCustomdxTreeList::RemoveScrollBarsWhenAllFits() {
  if (KeepScrollBars() || !ScrollBarVisible(sbHorizontal) || !ScrollBarVisible(sbVertical)) return;
  const int extent = GetScrollBarExtent();
  const int height = GetRowsAreaRect().Height() + extent;
  int rows = 0;
  for (TdxTreeListNode* node = FirstNode(); node != nullptr && rows <= height; node = GetNextVisibleNode(node))
    rows += GetNodeHeight(node, FMetrics.RowLineHeight, false);
  if (rows > height) return;
  if (GetScrollingBandsWidth() > GetScrollAreaWidth() + extent) return;
  FScrollBarsAgain = true;
  ShowScrollBar(sbHorizontal, false);
  ShowScrollBar(sbVertical, false);
}

void TCustomdxTreeList::CorrectScrollPosition() {
  if (!FBands || IsLoading() || IsDestroying() || IsClearing()) return;
  TdxTreeListNode* const before = TopVisibleNode();
  TdxTreeListNode* top = before;
  // A top row whose parent was collapsed gives way to that parent.
  while (top != nullptr && !top->IsVisible()) top = top->Parent();
  if (top != nullptr) {
    const int maxTop = MaxTopIndex();
    if (GetAbsoluteIndex(top) > maxTop) top = GetAbsoluteNode(maxTop);
  }
  if (top != before) SetTopVisibleNode(top);
  const int maxLeft = MaxLeftCoord();
  const bool leftMoved = FLeftCoord > maxLeft;
  if (leftMoved) FLeftCoord = maxLeft;
  // The bars were set for the old position.
  if (top != before || leftMoved) UpdateScrollBars();
  if (leftMoved) DoChangeLeftCoord();
}

void TCustomdxTreeList::Resize() {
  if (!FBands || IsDestroying() || IsLoading()) {
    TCustomdxContainer::Resize();
    return;
  }
  if (FScrollBarDepth > 0) {
    // A bar came or went inside UpdateScrollBars, which runs again.
    TCustomdxContainer::Resize();
    FScrollBarsAgain = true;
    return;
  }
  // Row heights may follow the width (row auto height, previews); which
  // rows there are does not change.
  {
    const TKeepVisibleOrderScope keep(*this);
    ClearCaches();
  }
  RemoveScrollBarsWhenAllFits();
  TCustomdxContainer::Resize();
  UpdateScrollBars();
  CorrectScrollPosition();
  Invalidate();
  // The editor stays open and follows its cell (it closes when the cell
  // left the rows).
  EditorLayoutChanged();
}

// --- Automatic scrolling -----------------------------------------------------------------

void TCustomdxTreeList::CheckHorzAutoScroll(TPoint p) {
  TdxTreeListLayoutInfo layout;
  CalculateLayout(layout);
  const int left = layout.LeftFixedRect.IsEmpty() ? layout.Rows.Left : layout.LeftFixedRect.Right;
  const int right = layout.RightFixedRect.IsEmpty() ? layout.Rows.Right : layout.RightFixedRect.Left;
  int direction = 0;
  if (p.X >= left && p.X < left + HorzAutoScrollZone)
    direction = -1;
  else if (p.X < right && p.X >= right - HorzAutoScrollZone)
    direction = 1;
  if (direction == 0) {
    StopHorzAutoScroll();
    return;
  }
  if (direction == FHorzScrollDirection && TimerActive(TreeListHorzScrollTimer)) return;
  FHorzScrollDirection = direction;
  SetTimer(TreeListHorzScrollTimer, DragAutoScrollInterval);
}

void TCustomdxTreeList::StopHorzAutoScroll() {
  KillTimer(TreeListHorzScrollTimer);
  FHorzScrollDirection = 0;
}

void TCustomdxTreeList::HorzScrollTick() {
  // Header and band drags are the control's own states; a node drag (ours
  // or another control's over this one) is the framework's.
  const bool dragging = FState == tsColumnDragging || FState == tsNodeDragging || FState == tsBandDragging ||
                        CurrentDragObject() != nullptr;
  const int target = std::clamp(FLeftCoord + FHorzScrollDirection * HorzAutoScrollStep, 0, MaxLeftCoord());
  if (!dragging || FHorzScrollDirection == 0 || target == FLeftCoord) {
    StopHorzAutoScroll();
    return;
  }
  SetLeftCoord(target);
  UpdateDragFeedback();
}

void TCustomdxTreeList::DragScroll(TPoint p, bool vertical) {
  if (vertical)
    CheckVertDragAutoScroll(GetNodeAt(p.X, p.Y));
  else
    CheckHorzAutoScroll(p);
}

void TCustomdxTreeList::StopDragScroll() {
  StopHorzAutoScroll();
  StopVertDragAutoScroll();
}

void TCustomdxTreeList::CheckVertDragAutoScroll(TdxTreeListNode* nodeUnderPointer) {
  int direction = 0;
  if (nodeUnderPointer != nullptr && OptionExOn(tloDragScroll)) {
    CalcRowsInView();
    const int index = GetAbsoluteIndex(nodeUnderPointer);
    const int top = TopIndex();
    if (index == top && index > 0)
      direction = -1;
    else if (index >= top + FFullRowsInView - 1 && index < VisibleNodeCount() - 1)
      direction = 1;
  }
  if (direction == 0) {
    StopVertDragAutoScroll();
    return;
  }
  if (direction == FVertScrollDirection && TimerActive(TreeListVertScrollTimer)) return;
  FVertScrollDirection = direction;
  SetTimer(TreeListVertScrollTimer, DragAutoScrollInterval);
}

void TCustomdxTreeList::StopVertDragAutoScroll() {
  KillTimer(TreeListVertScrollTimer);
  FVertScrollDirection = 0;
}

void TCustomdxTreeList::VertScrollTick() {
  const bool overControl = ClientRect().Contains(ScreenToClient(GetCursorPos()));
  if (FState != tsNodeDragging || FVertScrollDirection == 0 || !overControl) {
    StopVertDragAutoScroll();
    return;
  }
  FocusAbsoluteIndex(FocusedAbsoluteIndex() + FVertScrollDirection);
  UpdateDragFeedback();
}

void TCustomdxTreeList::SelectScrollTick() {
  if (FState != tsNodeDown || FSelectScrollDirection == 0) {
    KillTimer(TreeListSelectScrollTimer);
    FSelectScrollDirection = 0;
    return;
  }
  FocusAbsoluteIndex(FocusedAbsoluteIndex() + FSelectScrollDirection);
}

void TCustomdxTreeList::WMTimer(int id) {
  switch (id) {
    case TreeListSelectScrollTimer:
      SelectScrollTick();
      return;
    case TreeListHorzScrollTimer:
      HorzScrollTick();
      return;
    case TreeListVertScrollTimer:
      VertScrollTick();
      return;
    case TreeListEditTimer:
      // The click on the focused cell was not the first of a double click.
      KillTimer(TreeListEditTimer);
      if (FState == tsNone) ShowEditor();
      return;
    case TreeListDragExpandTimer:
      DragExpandTimer();
      return;
    case TreeListHintShowTimer:
    case TreeListHintHideTimer:
      EditingTimer(id);
      return;
    default:
      TCustomdxContainer::WMTimer(id);
  }
}
