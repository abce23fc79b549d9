// Moving bands and headers by dragging them: a pressed band or header
// that the pointer takes more than 5 pixels away becomes a picture that
// follows the pointer over the screen, two arrows mark where it would
// drop, and the cursor tells a move from hiding (outside the panel). The
// release moves, shows or hides it through the owning control's
// operations, each of which its events may refuse; Escape or cancel mode
// end the drag with the layout as it was.

#include <algorithm>
#include <memory>
#include <string>

#include "framework/core/system/screen_cursor.h"
#include "framework/gui/application/screen.h"
#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/canvas.h"
#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_bands.h"
#include "grid/tree_list/tree_list_column.h"
#include "grid/tree_list/tree_list_interaction_p.h"
#include "grid/tree_list/tree_list_sizing_rules.h"

namespace {

constexpr int ArrowsWidth = 11;

// The client rectangle of the arrows before (after) an item whose edge is
// at x, over an item from top, height high, kept over the panel.
TRect ArrowsAt(int x, int top, int height, const TRect& panel) {
  const int left = std::clamp(x - 5, panel.Left - 5, std::max(panel.Left - 5, panel.Right - 6));
  return Rect(left, top - 9, left + ArrowsWidth, top + height + 9);
}

}  // namespace

TRect TCustomdxTreeList::DropArrowsRect() const {
  if (!FInteraction || !FInteraction->Arrows || !FInteraction->Arrows->Visible()) return TRect{};
  return FInteraction->Arrows->BoundsRect();
}

TRect TCustomdxTreeList::HeaderDragImageRect() const {
  if (!FInteraction || !FInteraction->HeaderImages) return TRect{};
  return FInteraction->HeaderImages->DragImageRect();
}

// --- Drop places ------------------------------------------------------------------------

int TCustomdxTreeList::GetDropPosition(TPoint p) const { return BandDropPlace(p, nullptr); }

int TCustomdxTreeList::BandDropPlace(TPoint p, TRect* arrows) const {
  TdxTreeListLayoutInfo layout;
  CalculateLayout(layout);
  if (!layout.BandPanel.Contains(p)) return -1;
  if (layout.Bands.empty()) return 0;
  const int dragged = FInteraction ? FInteraction->DragBand : -1;
  const TdxTreeListBandItem* target = nullptr;
  for (const TdxTreeListBandItem& band : layout.Bands)
    if (p.X >= band.ClipRect.Left && p.X < band.ClipRect.Right) target = &band;
  bool after = false;
  if (target == nullptr) {
    // Right of the last band the drop goes after it.
    target = &layout.Bands.back();
    if (p.X < target->Rect.Right) return -2;
    after = true;
  } else {
    after = p.X >= (target->Rect.Left + target->Rect.Right) / 2;
  }
  const int index =
      BandDropIndex(dragged, target->BandIndex, after, GetLeftFixedBandIndex(), GetRightFixedBandIndex());
  if (index >= 0 && arrows != nullptr)
    *arrows = ArrowsAt(after ? target->Rect.Right : target->Rect.Left, target->Rect.Top,
                       target->Rect.Height(), layout.BandPanel);
  return index;
}

void TCustomdxTreeList::FillHeaderPosInfo(TPoint p, TdxHeaderPosInfo& info) const {
  HeaderDropPlace(p, info, nullptr);
}

void TCustomdxTreeList::HeaderDropPlace(TPoint p, TdxHeaderPosInfo& info, TRect* arrows) const {
  info = TdxHeaderPosInfo{};
  TdxTreeListLayoutInfo layout;
  CalculateLayout(layout);
  if (!layout.HeaderPanel.Contains(p)) return;
  const int dragged = FInteraction ? FInteraction->DragColumn : -1;
  const TdxTreeListColumn* column = Columns(dragged);
  const TdxTreeListBand* ownBand =
      column != nullptr && column->BandIndex() >= 0 && column->BandIndex() < FBands->Count()
          ? FBands->Items(column->BandIndex())
          : nullptr;
  const int ownVisibleBand = ownBand != nullptr ? ownBand->VisibleIndex() : -1;
  // A band that keeps its own columns takes none from elsewhere, and its
  // columns go nowhere else.
  const auto restricted = [&](const TdxTreeListHeaderItem& cell) {
    if (cell.BandIndex == ownVisibleBand) return false;
    const TdxTreeListBand* band = FBands->VisibleItems(cell.BandIndex);
    return (band != nullptr && band->OnlyOwnColumns()) || (ownBand != nullptr && ownBand->OnlyOwnColumns());
  };
  const TdxTreeListHeaderItem* target = nullptr;
  bool after = false;
  for (const TdxTreeListHeaderItem& cell : layout.Headers)
    if (cell.ClipRect.Contains(p)) target = &cell;
  if (target != nullptr) {
    if (target->AbsoluteIndex == dragged || restricted(*target)) {
      info.DropTarget = -2;
      return;
    }
    after = p.X >= (target->Rect.Left + target->Rect.Right) / 2;
  } else {
    // Outside the cells: the nearest cell of the same header line to the
    // left (the drop goes after it) or else to the right (before it); below
    // a band's rows, the lowest cell above the point.
    for (const TdxTreeListHeaderItem& cell : layout.Headers) {
      if (restricted(cell) || p.Y < cell.Rect.Top || p.Y >= cell.Rect.Bottom) continue;
      if (cell.Rect.Right <= p.X && (target == nullptr || !after || cell.Rect.Right > target->Rect.Right)) {
        target = &cell;
        after = true;
      } else if (cell.Rect.Left > p.X && !after &&
                 (target == nullptr || cell.Rect.Left < target->Rect.Left)) {
        target = &cell;
      }
    }
    if (target == nullptr)
      for (const TdxTreeListHeaderItem& cell : layout.Headers)
        if (!restricted(cell) && p.X >= cell.ClipRect.Left && p.X < cell.ClipRect.Right &&
            cell.Rect.Bottom <= p.Y && (target == nullptr || cell.Rect.Bottom > target->Rect.Bottom)) {
          target = &cell;
          after = p.X >= (cell.Rect.Left + cell.Rect.Right) / 2;
        }
    if (target == nullptr || target->AbsoluteIndex == dragged) {
      info.DropTarget = -2;
      return;
    }
  }
  int own = -1;
  if (column != nullptr && column->Visible() && ownVisibleBand == target->BandIndex)
    for (int p2 = 0; p2 < GetHeaderColumnCount(target->BandIndex, target->RowIndex); ++p2)
      if (GetHeaderAbsoluteIndex(target->BandIndex, target->RowIndex, p2) == dragged) own = p2;
  const int position = HeaderDropPosition(own, target->ColIndex + (after ? 1 : 0));
  if (position < 0) {
    info.DropTarget = -2;
    return;
  }
  info.BandIndex = target->BandIndex;
  info.RowIndex = target->RowIndex;
  info.ColIndex = position;
  info.DropTarget = target->AbsoluteIndex;
  if (arrows != nullptr)
    *arrows = ArrowsAt(after ? target->Rect.Right : target->Rect.Left, target->Rect.Top,
                       Metrics().HeaderLineHeight, layout.HeaderPanel);
}

// --- Cursors and hiding -----------------------------------------------------------------

void TCustomdxTreeList::GetDragCursor(TPoint p, TCursor& cursor) const {
  // Over the customizing box an item would be put away; the only visible
  // column cannot be.
  if (PointInCustomizeBox(p)) {
    if (State() != tsColumnDragging || GetVisibleColumnCount() > 1) cursor = crDrag;
    return;
  }
  if (State() != tsColumnDragging) return;
  if (const TdxTreeListColumn* column = Columns(FInteraction ? FInteraction->DragColumn : -1))
    if (column->DisableCustomizing()) cursor = crDxTLDelete;
  if (GetVisibleBandCount() == 0) cursor = crDxTLDelete;
}

bool TCustomdxTreeList::CanHideBandByDrag(TdxTreeListBand* band) const {
  // The last visible band stays, as the last visible column does: without
  // it there would be no header left to drag anything back onto.
  return (IsCustomizing() || OptionOn(tloExtCustomizing)) && CanHideBand(band) && FBands->VisibleCount() > 1;
}

bool TCustomdxTreeList::CanHideHeaderByDrag(TdxTreeListColumn* column) const {
  return column != nullptr && (IsCustomizing() || OptionOn(tloExtCustomizing)) &&
         !column->DisableCustomizing() && GetVisibleColumnCount() > 1;
}

// --- Starting a drag ----------------------------------------------------------------------

void TCustomdxTreeList::StartBandDrag(int x, int y) {
  TdxTreeListBand* band = FBands->VisibleItems(PressedBand());
  if (band == nullptr || !OptionExOn(tloBandMoving) || !CanDragBand(band)) return;
  TdxLayoutInteraction& in = Interaction();
  const int visible = PressedBand();
  const int screenWidth = Screen != nullptr ? Screen->Width() : 100000;
  const int width =
      std::clamp(GetBandDisplayWidth(visible) + (visible == 0 ? GetGroupIndent() : 0), 1, screenWidth);
  const int height = std::max(1, Metrics().BandPanelHeight / std::max(1, Metrics().BandRowCount));
  TBitmap picture(width, height);
  PaintButtonPicture(picture.Canvas(), Rect(0, 0, width, height), visible, -1);
  in.HeaderImages = std::make_unique<TDragImageList>(nullptr, width, height);
  in.HeaderImages->AddMasked(picture, clNone);
  in.HeaderImages->SetDragImage(0, width / 2, height / 2);
  in.DragBand = visible;
  in.DragColumn = -1;
  const TPoint screen = ClientToScreen(Point(x, y));
  in.HeaderImages->BeginDrag(nullptr, screen.X, screen.Y);
  SetInteractionState(tsBandDragging);
  DoStartBandDragging(band);
  if (State() == tsBandDragging) DragHeaderMove(x, y);
}

void TCustomdxTreeList::StartHeaderDrag(int x, int y) {
  TdxTreeListColumn* column = Columns(PressedColumn());
  if (column == nullptr || !CanDragHeader(column)) return;
  TdxLayoutInteraction& in = Interaction();
  TdxTreeListLayoutInfo layout;
  CalculateLayout(layout);
  int width = column->Width();
  if (const TdxTreeListHeaderItem* cell = layout.FindHeader(PressedColumn()))
    width = cell->Rect.Width();
  else if (column->Visible())
    width = GetColumnWidth(PressedColumn());
  if (width < 1) width = 20;
  if (Screen != nullptr) width = std::min(width, Screen->Width());
  const int height = std::max(1, Metrics().HeaderLineHeight);
  TBitmap picture(width, height);
  PaintButtonPicture(picture.Canvas(), Rect(0, 0, width, height), -1, PressedColumn());
  in.HeaderImages = std::make_unique<TDragImageList>(nullptr, width, height);
  in.HeaderImages->AddMasked(picture, clNone);
  in.HeaderImages->SetDragImage(0, width / 2, height / 2);
  in.DragColumn = PressedColumn();
  in.DragBand = -1;
  const TPoint screen = ClientToScreen(Point(x, y));
  in.HeaderImages->BeginDrag(nullptr, screen.X, screen.Y);
  SetInteractionState(tsColumnDragging);
  DoStartHeaderDragging(column);
  if (State() == tsColumnDragging) DragHeaderMove(x, y);
}

// --- Following the pointer ------------------------------------------------------------------

void TCustomdxTreeList::DragHeaderMove(int x, int y) {
  TdxLayoutInteraction& in = Interaction();
  const TPoint p = Point(x, y);
  const bool band = State() == tsBandDragging;
  StopDragScroll();
  PlaceDropArrows(p);
  TdxTreeListLayoutInfo layout;
  CalcAreaRects(layout);
  const TRect area = band ? layout.BandPanel : layout.HeaderPanel;
  TCursor cursor = area.Contains(p) ? Cursor() : crDxTLDelete;
  GetDragCursor(p, cursor);
  bool accept = cursor != crDxTLDelete;
  if (band)
    DoDragOverBand(FBands->VisibleItems(in.DragBand), p, accept);
  else
    DoDragOverHeader(Columns(in.DragColumn), p, accept);
  if (!accept) cursor = crDxTLDelete;
  // A handler may have ended the drag.
  if (State() != tsBandDragging && State() != tsColumnDragging) return;
  RegisterTreeListDragCursors();
  if (!in.CursorSet) {
    in.SavedCursor = ScreenCursor();
    in.CursorSet = true;
  }
  SetScreenCursor(cursor == crDefault ? crArrow : cursor);
  const TPoint screen = ClientToScreen(p);
  if (in.HeaderImages) in.HeaderImages->DragMove(screen.X, screen.Y);
  DragScroll(p, false);
}

void TCustomdxTreeList::PlaceDropArrows(TPoint p) {
  TRect arrows;
  bool placed = false;
  if (State() == tsBandDragging) {
    placed = BandDropPlace(p, &arrows) >= 0;
  } else if (TRect item; GetOwnHeaderDropItem(p, item)) {
    arrows = Rect(item.Left - 5, item.Top - 9, item.Left - 5 + ArrowsWidth, item.Bottom + 9);
    placed = true;
  } else {
    TdxHeaderPosInfo info;
    HeaderDropPlace(p, info, &arrows);
    placed = info.DropTarget >= 0;
  }
  if (!placed) arrows = TRect{};
  if (arrows == Interaction().ArrowsRect) return;
  if (arrows.IsEmpty())
    HideDropArrows();
  else
    ShowDropArrows(arrows);
}

void TCustomdxTreeList::UpdateDragFeedback() {
  if (State() == tsBandDragging || State() == tsColumnDragging) PlaceDropArrows(ScreenToClient(GetCursorPos()));
}

void TCustomdxTreeList::ShowDropArrows(const TRect& rect) {
  TdxLayoutInteraction& in = Interaction();
  if (!in.Arrows) {
    in.Arrows = std::make_unique<TScreenOverlay>();
    in.Arrows->SetOwner(this);
  }
  const int height = rect.Height();
  if (height != in.ArrowsRect.Height() || !in.Arrows->Visible()) {
    const TColor fill = ArrowsColor();
    const TColor clear = ColorToRGB(fill) == ColorToRGB(clFuchsia) ? clAqua : clFuchsia;
    TBitmap picture(ArrowsWidth, height);
    TCanvas& canvas = picture.Canvas();
    canvas.Brush().SetColor(clear);
    canvas.FillRect(Rect(0, 0, ArrowsWidth, height));
    canvas.Pen().SetColor(clBlack);
    canvas.Brush().SetColor(fill);
    const int b = height;
    canvas.Polygon(
        {Point(5, 8), Point(0, 3), Point(3, 3), Point(3, 0), Point(7, 0), Point(7, 3), Point(10, 3)});
    canvas.Polygon({Point(5, b - 9), Point(10, b - 4), Point(7, b - 4), Point(7, b - 1), Point(3, b - 1),
                    Point(3, b - 4), Point(0, b - 4)});
    picture.SetTransparentColor(clear);
    picture.SetTransparent(true);
    in.Arrows->SetPicture(picture);
  }
  in.Arrows->SetPosition(ClientToScreen(Point(rect.Left, rect.Top)));
  in.Arrows->Show();
  in.ArrowsRect = rect;
}

void TCustomdxTreeList::HideDropArrows() {
  if (!FInteraction) return;
  if (FInteraction->Arrows) FInteraction->Arrows->Hide();
  FInteraction->ArrowsRect = TRect{};
}

// --- Ending a drag ----------------------------------------------------------------------------

void TCustomdxTreeList::EndHeaderFeedback() {
  TdxLayoutInteraction& in = Interaction();
  StopDragScroll();
  SetInteractionState(tsNone);
  if (in.HeaderImages) {
    in.HeaderImages->EndDrag();
    in.HeaderImages.reset();
  }
  HideDropArrows();
  if (in.CursorSet) {
    SetScreenCursor(in.SavedCursor);
    in.CursorSet = false;
  }
  SetPressedBand(-1);
  SetPressedColumn(-1);
  Invalidate();
}

void TCustomdxTreeList::EndBandDrag(bool accept, TPoint p) {
  TdxLayoutInteraction& in = Interaction();
  TdxTreeListBand* band = FBands->VisibleItems(in.DragBand);
  // The drop place is found while the dragged band is still known.
  int index = -1;
  if (accept && band != nullptr && !PointInCustomizeBox(p)) index = GetDropPosition(p);
  in.DragBand = -1;
  EndHeaderFeedback();
  if (!accept || band == nullptr) return;
  bool allow = true;
  DoDragEndBand(band, index, allow);
  if (!allow) return;
  const int own = band->VisibleIndex();
  if (!band->Visible()) {
    if (IsCustomizing() && index >= 0) ShowBandAt(band, index);
  } else if (index >= 0 && index != own) {
    MoveBand(own, index);
    MakeBandVisible(band->VisibleIndex());
  } else if (index == -1 && CanHideBandByDrag(band)) {
    HideBand(band);
  }
}

void TCustomdxTreeList::EndHeaderDrag(bool accept, TPoint p) {
  TdxLayoutInteraction& in = Interaction();
  TdxTreeListColumn* column = Columns(in.DragColumn);
  TdxHeaderPosInfo info;
  if (accept && column != nullptr && !PointInCustomizeBox(p)) HeaderDropPlace(p, info, nullptr);
  in.DragColumn = -1;
  EndHeaderFeedback();
  if (!accept || column == nullptr) return;
  bool allow = true;
  DoDragEndHeader(column, p, info, allow);
  if (!allow) return;
  const int absolute = ColumnIndexOf(column);
  const int bandIndex = FBands->GetAbsoluteIndex(info.BandIndex);
  const bool shown = column->Visible() && column->BandIndex() >= 0 && column->BandIndex() < FBands->Count() &&
                     FBands->Items(column->BandIndex())->Visible();
  if (!shown) {
    if (IsCustomizing() && info.DropTarget >= 0 && bandIndex >= 0)
      ShowHeaderAt(column, bandIndex, info.RowIndex, info.ColIndex);
  } else if (info.DropTarget >= 0 && info.DropTarget != absolute && bandIndex >= 0) {
    MoveHeader(column, bandIndex, info.RowIndex, info.ColIndex);
    DoColumnMoved(column, absolute, p);
    MakeColumnVisible(ColumnIndexOf(column));
  } else if (info.DropTarget == -1 && CanHideHeaderByDrag(column)) {
    HideHeader(column);
  }
}
