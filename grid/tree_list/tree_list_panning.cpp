// Middle-button panning: the neutral zone around the press, drawn as a
// round window over the screen, a cursor that shows which way the view
// moves, and a modal loop in which a 20 ms timer scrolls a line every few
// ticks, faster the further the pointer goes from the zone. The state of a
// run lives on RunPanningMode's stack and belongs to its control alone.

#include "grid/tree_list/tree_list_panning.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "framework/core/system/screen_cursor.h"
#include "framework/gui/application/screen.h"
#include "framework/gui/controls/modal_loop.h"
#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/canvas.h"
#include "framework/gui/graphics/region.h"
#include "framework/gui/overlays/screen_overlay.h"
#include "grid/tree_list/tree_list.h"

// --- The zone's rules ------------------------------------------------------------------------

TdxPanningZone::TdxPanningZone(TPoint start, int zoneWidth, bool horizontalBar, bool verticalBar,
                               const TRect& screen)
    : FStart(start),
      FZoneWidth(std::max(zoneWidth, 1)),
      FHorizontalBar(horizontalBar),
      FVerticalBar(verticalBar),
      FScreen(screen) {}

TRect TdxPanningZone::NeutralRect() const {
  const int half = FZoneWidth / 2;
  TRect r = Bounds(FStart.X - half, FStart.Y - half, FZoneWidth, FZoneWidth);
  if (!FHorizontalBar) {
    r.Left = std::min(r.Left, FScreen.Left);
    r.Right = std::max(r.Right, FScreen.Right);
  }
  if (!FVerticalBar) {
    r.Top = std::min(r.Top, FScreen.Top);
    r.Bottom = std::max(r.Bottom, FScreen.Bottom);
  }
  return r;
}

TdxPanningMove TdxPanningZone::MoveTo(TPoint p) const {
  TdxPanningMove move;
  if (NeutralRect().Contains(p)) return move;
  move.Outside = true;
  const int dx = p.X - FStart.X;
  const int dy = p.Y - FStart.Y;
  const bool vertical = !FHorizontalBar || (FVerticalBar && std::abs(dy) >= std::abs(dx));
  const int distance = vertical ? std::abs(dy) : std::abs(dx);
  move.Direction = vertical ? (dy < 0 ? pdUp : pdDown) : (dx < 0 ? pdLeft : pdRight);
  move.Speed = std::clamp((distance - FZoneWidth / 2) / 5 + 1, 0, PanningMaxSpeed);
  return move;
}

TCursor TdxPanningZone::CursorFor(TdxPanningDirection direction) const {
  switch (direction) {
    case pdLeft:
      return crdxTLLeftScroll;
    case pdUp:
      return crdxTLUpScroll;
    case pdRight:
      return crdxTLRightScroll;
    case pdDown:
      return crdxTLDownScroll;
    case pdNone:
      break;
  }
  if (FHorizontalBar && FVerticalBar) return crdxTLFullScroll;
  return FHorizontalBar ? crdxTLHorzScroll : crdxTLVertScroll;
}

int PanningTicksPerLine(int speed) {
  if (speed <= 0) return 0;
  return PanningMaxSpeed + 1 - std::min(speed, PanningMaxSpeed);
}

// --- Pictures ---------------------------------------------------------------------------------

namespace {

constexpr int PictureSize = 32;
// Never drawn: the cursors' transparent colour.
constexpr TColor CursorBackground = 0x00FF00FF;

// Arrows pointing out from the middle of a size x size picture, for the
// directions the flags name.
void DrawArrows(TCanvas& canvas, bool left, bool up, bool right, bool down, TColor color) {
  const int c = PictureSize / 2;
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(color);
  canvas.Pen().SetColor(color);
  if (up) canvas.Polygon({Point(c, 3), Point(c - 5, 8), Point(c + 5, 8)});
  if (down) canvas.Polygon({Point(c, PictureSize - 4), Point(c - 5, PictureSize - 9), Point(c + 5, PictureSize - 9)});
  if (left) canvas.Polygon({Point(3, c), Point(8, c - 5), Point(8, c + 5)});
  if (right) canvas.Polygon({Point(PictureSize - 4, c), Point(PictureSize - 9, c - 5), Point(PictureSize - 9, c + 5)});
  canvas.FillRect(Rect(c - 2, c - 2, c + 2, c + 2));
}

std::unique_ptr<TBitmap> CursorPicture(bool left, bool up, bool right, bool down) {
  auto bitmap = std::make_unique<TBitmap>(PictureSize, PictureSize);
  TCanvas& canvas = bitmap->Canvas();
  canvas.Brush().SetColor(CursorBackground);
  canvas.FillRect(Rect(0, 0, PictureSize, PictureSize));
  DrawArrows(canvas, left, up, right, down, clBlack);
  bitmap->SetTransparentColor(CursorBackground);
  bitmap->SetTransparent(true);
  return bitmap;
}

// The neutral zone as it shows around the press: the ways the control can
// scroll, inside a round outline in the window text colour.
std::unique_ptr<TBitmap> ZonePicture(bool horizontal, bool vertical) {
  if (!horizontal && !vertical) vertical = true;
  auto bitmap = std::make_unique<TBitmap>(PictureSize, PictureSize);
  TCanvas& canvas = bitmap->Canvas();
  canvas.Brush().SetColor(clWindow);
  canvas.FillRect(Rect(0, 0, PictureSize, PictureSize));
  DrawArrows(canvas, horizontal, vertical, horizontal, vertical, clWindowText);
  canvas.Brush().SetStyle(bsClear);
  canvas.Pen().SetColor(clWindowText);
  canvas.Ellipse(Rect(0, 0, PictureSize, PictureSize));
  return bitmap;
}

}  // namespace

void RegisterTreeListPanningCursors() {
  if (Screen == nullptr || Screen->HasCursorImage(crdxTLFullScroll)) return;
  struct TShape {
    TCursor Cursor;
    bool Left, Up, Right, Down;
  };
  static constexpr TShape shapes[] = {
      {crdxTLFullScroll, true, true, true, true},    {crdxTLHorzScroll, true, false, true, false},
      {crdxTLVertScroll, false, true, false, true},  {crdxTLUpScroll, false, true, false, false},
      {crdxTLRightScroll, false, false, true, false}, {crdxTLDownScroll, false, false, false, true},
      {crdxTLLeftScroll, true, false, false, false},
  };
  // The first one last: it marks the set as registered.
  for (auto it = std::rbegin(shapes); it != std::rend(shapes); ++it) {
    const std::unique_ptr<TBitmap> picture = CursorPicture(it->Left, it->Up, it->Right, it->Down);
    Screen->SetCursorImage(it->Cursor, *picture, Point(PictureSize / 2, PictureSize / 2));
  }
}

// --- The panning loop --------------------------------------------------------------------------

struct TCustomdxTreeList::TPanningRun {
  explicit TPanningRun(const TdxPanningZone& zone) : Zone(zone) {}
  TdxPanningZone Zone;
  TdxPanningMove Move;
  bool LeftZone = false;
  int Ticks = 0;
  TModalLoop* Loop = nullptr;
};

void TCustomdxTreeList::RunPanningMode() {
  if (FPanning != nullptr || !IsScrollingAllowed()) return;
  RegisterTreeListPanningCursors();
  const bool horizontal = ScrollBarVisible(sbHorizontal);
  const bool vertical = ScrollBarVisible(sbVertical);
  // Where the press that asked for panning was.
  const TPoint start = GetMessagePos();
  const std::unique_ptr<TBitmap> picture = ZonePicture(horizontal, vertical);
  const int width = picture->Width();
  const TRect screen = Screen != nullptr ? Screen->DesktopRect() : Rect(0, 0, 0, 0);
  TPanningRun run(TdxPanningZone(start, width, horizontal, vertical, screen));

  TScreenOverlay zone;
  zone.SetPicture(*picture);
  const TRegion shape = TRegion::Elliptic(Rect(0, 0, width + 1, picture->Height() + 1));
  zone.SetShape(&shape);
  zone.SetOwner(this);
  zone.SetPosition(Point(start.X - width / 2, start.Y - picture->Height() / 2));
  zone.Show();
  TScreenCursorScope cursor(run.Zone.CursorFor(pdNone));

  TModalLoop loop(*this, [this](TModalLoop&, TMessage& message) { return PanningMessage(message); });
  loop.SetTimerInterval(PanningTickInterval);
  run.Loop = &loop;
  // Ends the run on every path: the capture goes back, the mark is gone.
  struct TRunScope {
    TCustomdxTreeList& T;
    ~TRunScope() {
      T.FPanning = nullptr;
      if (T.MouseCapture()) ReleaseCapture();
    }
  } scope{*this};
  FPanning = &run;
  loop.Run();
}

bool TCustomdxTreeList::PanningMessage(TMessage& message) {
  TPanningRun& run = *FPanning;
  switch (message.Msg) {
    case WM_TIMER:
      if (message.WParam != ModalLoopTimerId) return false;
      PanningTick();
      return true;
    case WM_MOUSEMOVE: {
      const TdxPanningMove move = run.Zone.MoveTo(GetMessagePos());
      if (move.Outside) run.LeftZone = true;
      if (move.Direction != run.Move.Direction) SetScreenCursor(run.Zone.CursorFor(move.Direction));
      run.Move = move;
      return true;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (message.WParam == VK_ESCAPE) run.Loop->Stop();
      return true;
    case WM_MBUTTONUP:
      // A click without moving keeps the mode until the next button.
      if (run.LeftZone) run.Loop->Stop();
      return true;
    default:
      // Any other button or the wheel ends the mode; the press that ends it
      // is used up by that and reaches nothing under the pointer.
      if (message.Msg >= WM_LBUTTONDOWN && message.Msg <= WM_MOUSEWHEEL) {
        run.Loop->Stop();
        return true;
      }
      return false;
  }
}

void TCustomdxTreeList::PanningTick() {
  TPanningRun& run = *FPanning;
  const int perLine = PanningTicksPerLine(run.Move.Speed);
  if (run.Move.Direction == pdNone || perLine == 0) {
    run.Ticks = 0;
    return;
  }
  if (++run.Ticks < perLine) return;
  run.Ticks = 0;
  switch (run.Move.Direction) {
    case pdLeft:
      Perform(WM_HSCROLL, ScrollParam(SB_LINELEFT, 0));
      break;
    case pdRight:
      Perform(WM_HSCROLL, ScrollParam(SB_LINERIGHT, 0));
      break;
    case pdUp:
      Perform(WM_VSCROLL, ScrollParam(SB_LINEUP, 0));
      break;
    case pdDown:
      Perform(WM_VSCROLL, ScrollParam(SB_LINEDOWN, 0));
      break;
    case pdNone:
      break;
  }
}
