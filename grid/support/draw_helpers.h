#pragma once
// Drawing routines that the grid's painting and its editors share: cell
// text under a 16-bit flag word (`DrawCellText`), bitmaps over a brush, drop
// shadows, the placement of pop-ups inside the monitor's work area, and the
// two brushes made once per process (the checkerboard and the shadow brush),
// which live while a `TdxDrawingBrushesScope` is open.

#include <string_view>

#include "framework/gui/graphics/geometry.h"
#include "framework/gui/graphics/graphics.h"

class TCanvas;
class TBitmap;

// The flag word of DrawCellText.
inline constexpr unsigned CTF_LEFT = 0x0000;
inline constexpr unsigned CTF_CENTER = 0x0001;
inline constexpr unsigned CTF_RIGHT = 0x0002;
inline constexpr unsigned CTF_HALIGN = 0x0003;  // mask of the three above
// Vertical layout; none of these: one line at the top.
inline constexpr unsigned CTF_VCENTER = 0x0004;    // one line, centred
inline constexpr unsigned CTF_BOTTOM = 0x0008;     // one line, at the bottom
inline constexpr unsigned CTF_WORDBREAK = 0x0010;  // lines broken at blanks
inline constexpr unsigned CTF_END_ELLIPSIS = 0x0100;
inline constexpr unsigned CTF_PATH_ELLIPSIS = 0x0200;
inline constexpr unsigned CTF_FOCUSRECT = 0x0400;
// The focus rectangle goes around the text itself, and only when there is
// text (with CTF_FOCUSRECT).
inline constexpr unsigned CTF_FOCUS_ON_TEXT = 0x0800;
inline constexpr unsigned CTF_NOFILL = 0x1000;
// '&' marks the next character (underlined); without it '&' is plain text.
inline constexpr unsigned CTF_PREFIX = 0x2000;
inline constexpr unsigned CTF_MEASURE = 0x4000;
// Leaves the canvas's background mode as it is; without it text is drawn
// transparently over the filled cell.
inline constexpr unsigned CTF_KEEP_BKMODE = 0x8000;

// Draws text in the cell, or only measures it with CTF_MEASURE.
//
// The text goes into textRect in font and textColor, over cellRect filled
// with brush (unless CTF_NOFILL); bkColor is the colour of an opaque text
// background. Short single lines are written in one run clipped to the
// cell; wrapped, prefixed or ellipsised text is formatted. The canvas's
// font, brush and modes are as before afterwards.
//
// Measuring draws nothing. textHeight (when given) receives the height of
// one line of the text, 0 for an empty text, which ends the measuring with
// result 0. Otherwise the result is the height cellRect needs for the whole
// text: its formatted height plus cellRect's margins above and below
// textRect. Drawing returns 0.
int DrawCellText(TCanvas& canvas, std::string_view text, int* textHeight, TColor textColor, TColor bkColor,
                 const TFont& font, const TBrush& brush, unsigned flags, const TRect& textRect,
                 const TRect& cellRect);

// Grows the bitmap to at least width x height; never shrinks it.
void EnsureBitmapSize(TBitmap& bitmap, int width, int height);
// Draws the bitmap into rect with its transparent-colour pixels showing
// brush instead.
void DrawBitmapOverBrush(TCanvas& canvas, const TBrush& brush, const TRect& rect, const TBitmap& bitmap);
// Fills destRect with brush and draws the bitmap at bitmapRect (inside
// destRect) over it, its transparent-colour pixels showing the brush.
void FillAndDrawBitmapMask(TCanvas& canvas, const TBrush& brush, const TRect& destRect, const TBitmap& bitmap,
                           const TRect& bitmapRect);
// Fills the bottom strip (size high, full width) and the right strip (size
// wide, full height) of rect: a drop shadow.
void FillShadowStrips(TCanvas& canvas, const TRect& rect, int size, const TBrush& brush);

// The work area of the monitor nearest the point. Needs the application's
// screen; raises EInvalidOperation without one.
TRect GetWorkAreaAtPoint(TPoint point);
// Keeps a pop-up of width x height whose top-left is origin inside area.
// origin is the bottom of the control it drops from (anchorHeight high):
// the pop-up moves left or right into the area, and goes above the control
// when it would pass the area's bottom and there is more room above.
void FitPopupToArea(TPoint& origin, int width, int height, int anchorHeight, const TRect& area);
// FitPopupToArea in the work area of the monitor at origin.
void FitPopupToWorkArea(TPoint& origin, int width, int height, int anchorHeight);

// The checkerboard brush: an 8 x 8 monochrome pattern, black where column
// and row have the same parity (drawn in the canvas's font colour), white
// elsewhere (the brush colour). Raises EInvalidOperation outside every
// TdxDrawingBrushesScope.
const TBrush& CheckerboardBrush();
// The solid clBtnShadow brush of every drop shadow. Raises as above.
const TBrush& ShadowBrush();

// Makes the process-wide brushes live for its lifetime. The program opens
// one at start-up and closes it at the end; scopes nest by counting, and
// only the outermost makes and frees the brushes. GUI thread only.
class TdxDrawingBrushesScope {
 public:
  TdxDrawingBrushesScope();
  ~TdxDrawingBrushesScope();
  TdxDrawingBrushesScope(const TdxDrawingBrushesScope&) = delete;
  TdxDrawingBrushesScope& operator=(const TdxDrawingBrushesScope&) = delete;
};

class TCustomImageList;

// The image-list form of a colour: its RGB value; clNone becomes CLR_NONE
// and clDefault CLR_DEFAULT.
TColor ColorToImageListColor(TColor color);
// Draws picture index of the list at (x, y) with the list's background and
// blend colours and its drawing style and image type; nothing while the list
// has no pictures to draw.
void DrawImageListImage(TCanvas& canvas, int x, int y, const TCustomImageList& imageList, int index);
