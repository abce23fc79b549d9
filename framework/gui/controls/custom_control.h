#pragma once
// TCustomControl: a windowed control that paints itself. `Paint` draws on
// `Canvas()` into a back buffer of the client area, limited to what is
// invalid; the window then shows the buffer. Drawing on the canvas outside
// `Paint` (a sizing line, say) goes into the same buffer and shows at once.
//
// Around the client area lie the non-client parts the layout code expects
// outside it: a border (`BorderStyle`, or `NonClientBorder` when a
// descendant draws its own) and the window's two scroll bars, with the
// platform's scroll-bar protocol (SetScrollInfo / GetScrollInfo, WM_VSCROLL
// and WM_HSCROLL with SB_ codes reaching WMVScroll and WMHScroll, a bar
// shown only while there is something to scroll). `ScrollWindowEx` moves
// buffer pixels instead of repainting. Painting is a message too: WM_PAINT
// reaches `Paint`, WM_NCPAINT `PaintNonClient`.

#include <memory>

#include "framework/gui/graphics/canvas.h"
#include "framework/gui/graphics/region.h"
#include "framework/gui/controls/win_control.h"

class TCustomControlPrivate;
class TCustomControlAccess;

enum TScrollBarKind { sbHorizontal, sbVertical };

inline constexpr unsigned SIF_RANGE = 0x1;
inline constexpr unsigned SIF_PAGE = 0x2;
inline constexpr unsigned SIF_POS = 0x4;
inline constexpr unsigned SIF_DISABLENOSCROLL = 0x8;
inline constexpr unsigned SIF_TRACKPOS = 0x10;
inline constexpr unsigned SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

// Scroll requests (WMVScroll / WMHScroll codes).
inline constexpr int SB_LINEUP = 0;
inline constexpr int SB_LINELEFT = 0;
inline constexpr int SB_LINEDOWN = 1;
inline constexpr int SB_LINERIGHT = 1;
inline constexpr int SB_PAGEUP = 2;
inline constexpr int SB_PAGELEFT = 2;
inline constexpr int SB_PAGEDOWN = 3;
inline constexpr int SB_PAGERIGHT = 3;
inline constexpr int SB_THUMBPOSITION = 4;
inline constexpr int SB_THUMBTRACK = 5;
inline constexpr int SB_TOP = 6;
inline constexpr int SB_LEFT = 6;
inline constexpr int SB_BOTTOM = 7;
inline constexpr int SB_RIGHT = 7;
inline constexpr int SB_ENDSCROLL = 8;

// ScrollWindowEx flags.
inline constexpr unsigned SW_SCROLLCHILDREN = 0x1;
inline constexpr unsigned SW_INVALIDATE = 0x2;
inline constexpr unsigned SW_ERASE = 0x4;

struct TScrollInfo {
  unsigned Mask = SIF_ALL;
  int Min = 0;
  int Max = 0;  // inclusive
  int Page = 0;
  int Pos = 0;
  int TrackPos = 0;
};

// Width of a vertical scroll bar (and height of a horizontal one).
int GetScrollBarExtent();

class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;

  TCanvas& Canvas();

  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle style);

  TRect ClientRect() const override;

  void Invalidate() override;
  // Marks part of the client area for painting.
  void InvalidateRect(const TRect& rect);
  // Paints what is invalid now, before returning.
  void Update() override;
  // Moves the pixels of scroll (the client area when nullptr), limited to
  // clip, by (dx, dy). With SW_INVALIDATE the uncovered part is painted
  // again; with SW_SCROLLCHILDREN child controls in scroll move along.
  void ScrollWindowEx(int dx, int dy, const TRect* scroll, const TRect* clip, unsigned flags);

  bool ScrollBarVisible(TScrollBarKind kind) const;
  void ShowScrollBar(TScrollBarKind kind, bool show);
  // Takes the parts named by Mask; the bar shows while Max - Min + 1
  // exceeds Page (disabled instead of hidden with SIF_DISABLENOSCROLL).
  // Returns the position, clamped into the range.
  int SetScrollInfo(TScrollBarKind kind, const TScrollInfo& info, bool redraw = true);
  // Fills the parts named by info.Mask; TrackPos is the thumb's place
  // while it is dragged.
  bool GetScrollInfo(TScrollBarKind kind, TScrollInfo& info) const;

  // Asks for the border to be measured and drawn again (after a change of
  // what NonClientBorder answers).
  void FrameChanged();

  // The window's shape in window coordinates (a pop-up leaving out the
  // corners its shadow does not cover); nullptr: the whole rectangle.
  void SetWindowRegion(const TRegion* region);
  bool HasWindowRegion() const;

 protected:
  friend class TCustomControlAccess;

  void CreateWnd() override;
  void WndProc(TMessage& message) override;
  // Draws the control; the base fills the client area with Color.
  virtual void Paint();
  virtual void WMVScroll(int code, int pos) {}
  virtual void WMHScroll(int code, int pos) {}
  // Border width on each side, around the client area and scroll bars:
  // 2 for bsSingle, 0 for bsNone.
  virtual int NonClientBorder() const;
  // The border's width on each side (Left, Top, Right, Bottom), for frames
  // wider on some sides (a pop-up with a shadow at its right and bottom);
  // the base gives NonClientBorder on all four.
  virtual TRect NonClientInsets() const;
  // Paints the border in window coordinates; the base draws a sunken edge
  // for bsSingle and fills the corner between two scroll bars.
  virtual void PaintNonClient(TCanvas& canvas, const TRect& windowRect);

  void LayoutWindow() override;
  unsigned GetDlgCode() const override { return 0; }

 private:
  std::unique_ptr<TCustomControlPrivate> FPrivate;
  TBorderStyle FBorderStyle = bsNone;
};
