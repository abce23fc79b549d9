#include "grid/support/draw_helpers.h"

#include <algorithm>
#include <memory>

#include "framework/core/base/exceptions.h"
#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/canvas.h"
#include "framework/gui/graphics/image_list.h"
#include "framework/gui/application/screen.h"

// ------------------------------------------------------------ cell text

namespace {

// Left edge of a run of the given width placed in rect by the alignment.
int AlignedLeft(unsigned flags, const TRect& rect, int width) {
  switch (flags & CTF_HALIGN) {
    case CTF_CENTER:
      return (rect.Left + rect.Right - width) / 2;
    case CTF_RIGHT:
      return rect.Right - width;
    default:
      return rect.Left;
  }
}

unsigned FormatFor(unsigned flags, bool fits) {
  unsigned format = DT_EXPANDTABS;
  if ((flags & CTF_HALIGN) == CTF_CENTER)
    format |= DT_CENTER;
  else if ((flags & CTF_HALIGN) == CTF_RIGHT)
    format |= DT_RIGHT;
  if (!(flags & (CTF_PREFIX | CTF_WORDBREAK)) && fits) format |= DT_NOCLIP;
  if (!(flags & CTF_PREFIX)) format |= DT_NOPREFIX;
  if (flags & CTF_END_ELLIPSIS) format |= DT_END_ELLIPSIS;
  if (flags & CTF_PATH_ELLIPSIS) format |= DT_PATH_ELLIPSIS;
  if (flags & CTF_VCENTER)
    format |= DT_SINGLELINE | DT_VCENTER;
  else if (flags & CTF_BOTTOM)
    format |= DT_SINGLELINE | DT_BOTTOM;
  else if (flags & CTF_WORDBREAK)
    format |= DT_WORDBREAK;
  else
    format |= DT_SINGLELINE;
  return format;
}

void FillWith(TCanvas& canvas, const TBrush& brush, const TRect& rect) {
  canvas.Brush().Assign(&brush);
  canvas.FillRect(rect);
}

// The colour an opaque text background is drawn in: the canvas takes it
// from its brush.
void UseBackgroundColor(TCanvas& canvas, TColor bkColor) {
  canvas.Brush().SetBitmap(nullptr);
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(bkColor);
}

// Formatted text: wrapped, prefixed, or ellipsised because it does not fit.
// Returns the formatted height; fills *textBounds (when drawing with a
// focus rectangle around the text) with where the text went.
int FormattedText(TCanvas& canvas, std::string_view text, TColor bkColor, const TBrush& brush, unsigned flags,
                  const TRect& textRect, const TRect& cellRect, bool fits, TBkMode callerBkMode,
                  TRect* textBounds) {
  const unsigned format = FormatFor(flags, fits);
  if (flags & CTF_MEASURE) {
    TRect r = textRect;
    return canvas.DrawText(text, r, format | DT_CALCRECT);
  }
  if (!(flags & CTF_NOFILL)) FillWith(canvas, brush, cellRect);
  UseBackgroundColor(canvas, bkColor);
  canvas.SetBkMode((flags & CTF_KEEP_BKMODE) ? callerBkMode : bkTransparent);
  TRect r = textRect;
  const int bottom = canvas.DrawText(text, r, format);
  if (!textBounds) return 0;
  TRect bounds = textRect;
  const int height = canvas.DrawText(text, bounds, format | DT_CALCRECT);
  // The measured rectangle starts at textRect's top-left; move it to where
  // the alignment put the text, so that the focus frame surrounds it.
  const int width = bounds.Width();
  bounds.Left = AlignedLeft(flags, textRect, width);
  bounds.Right = bounds.Left + width;
  if (format & DT_SINGLELINE) {
    bounds.Bottom = textRect.Top + bottom;
    bounds.Top = bounds.Bottom - height;
  }
  *textBounds = bounds;
  return 0;
}

// One run of text clipped to the cell. Returns the text bounds.
TRect SingleRun(TCanvas& canvas, std::string_view text, TSize extent, TColor bkColor, const TBrush& brush,
                unsigned flags, const TRect& textRect, const TRect& cellRect, TBkMode callerBkMode) {
  TRect clip = cellRect;
  int x = textRect.Left;
  if (extent.cx > textRect.Width()) {
    if (!(flags & (CTF_NOFILL | CTF_MEASURE)))
      FillWith(canvas, brush, Rect(textRect.Right, cellRect.Top, cellRect.Right, cellRect.Bottom));
    clip.Right = textRect.Right;
  } else {
    x = AlignedLeft(flags, textRect, extent.cx);
  }
  int y = textRect.Top;
  if (flags & CTF_VCENTER)
    y = textRect.Top + (textRect.Height() - extent.cy) / 2;
  else if (flags & CTF_BOTTOM)
    y = textRect.Bottom - extent.cy;
  if (!(flags & CTF_MEASURE)) {
    UseBackgroundColor(canvas, bkColor);
    if (flags & CTF_NOFILL) {
      canvas.SetBkMode((flags & CTF_KEEP_BKMODE) ? callerBkMode : bkTransparent);
      canvas.ExtTextOut(x, y, ETO_CLIPPED, &clip, text);
    } else {
      canvas.SetBkMode(callerBkMode);
      canvas.ExtTextOut(x, y, ETO_CLIPPED | ETO_OPAQUE, &clip, text);
    }
  }
  return Rect(x, y, std::min(x + extent.cx, clip.Right), y + extent.cy);
}

}  // namespace

int DrawCellText(TCanvas& canvas, std::string_view text, int* textHeight, TColor textColor, TColor bkColor,
                 const TFont& font, const TBrush& brush, unsigned flags, const TRect& textRect,
                 const TRect& cellRect) {
  TCanvasStateScope restore(canvas);
  const TBkMode callerBkMode = canvas.BkMode();
  canvas.Font().Assign(&font);
  canvas.Font().SetColor(textColor);
  const bool measuring = flags & CTF_MEASURE;
  // An empty text has no height, so that measuring it asks for no room. A
  // text to be cut by an ellipsis is measured only as far as it could fit:
  // past that, only its height matters.
  TSize extent;
  if (!text.empty()) {
    if ((flags & (CTF_END_ELLIPSIS | CTF_PATH_ELLIPSIS)) && !measuring &&
        canvas.TextWiderThan(text, textRect.Width())) {
      extent = canvas.TextExtent(" ");
      extent.cx = textRect.Width() + 1;
    } else {
      extent = canvas.TextExtent(text);
    }
  }
  if (measuring) {
    if (textHeight) *textHeight = extent.cy;
    if (extent.cy == 0) return 0;
  }

  const bool fits = extent.cx <= textRect.Width();
  const bool hasLineBreak = text.find_first_of("\r\n") != std::string_view::npos;
  const bool formatted = (flags & (CTF_PREFIX | CTF_WORDBREAK)) ||
                         ((flags & (CTF_END_ELLIPSIS | CTF_PATH_ELLIPSIS)) && (!fits || hasLineBreak));
  const bool focusOnText = (flags & CTF_FOCUSRECT) && (flags & CTF_FOCUS_ON_TEXT);

  int height = extent.cy;
  TRect textBounds = textRect;
  if (formatted) {
    height = FormattedText(canvas, text, bkColor, brush, flags, textRect, cellRect, fits, callerBkMode,
                           focusOnText ? &textBounds : nullptr);
  } else {
    textBounds = SingleRun(canvas, text, extent, bkColor, brush, flags, textRect, cellRect, callerBkMode);
  }
  if (measuring) return height + (cellRect.Height() - textRect.Height());

  if ((flags & CTF_FOCUSRECT) && (!focusOnText || !text.empty())) {
    TRect frame = focusOnText ? textBounds : textRect;
    InflateRect(frame, 1, 1);
    canvas.Brush().SetColor(clBlack);
    canvas.Font().SetColor(clWhite);
    canvas.DrawFocusRect(frame);
  }
  return 0;
}

// ------------------------------------------------------------ bitmaps

void EnsureBitmapSize(TBitmap& bitmap, int width, int height) {
  const int w = std::max(bitmap.Width(), width);
  const int h = std::max(bitmap.Height(), height);
  if (w != bitmap.Width() || h != bitmap.Height()) bitmap.SetSize(w, h);
}

void DrawBitmapOverBrush(TCanvas& canvas, const TBrush& brush, const TRect& rect, const TBitmap& bitmap) {
  TCanvasStateScope restore(canvas);
  canvas.Brush().Assign(&brush);
  canvas.BrushCopy(rect, bitmap, Rect(0, 0, bitmap.Width(), bitmap.Height()), bitmap.TransparentColor());
}

void FillAndDrawBitmapMask(TCanvas& canvas, const TBrush& brush, const TRect& destRect, const TBitmap& bitmap,
                           const TRect& bitmapRect) {
  TCanvasStateScope restore(canvas);
  canvas.Brush().Assign(&brush);
  canvas.FillRect(destRect);
  canvas.BrushCopy(bitmapRect, bitmap, Rect(0, 0, bitmap.Width(), bitmap.Height()),
                   bitmap.TransparentColor());
}

void FillShadowStrips(TCanvas& canvas, const TRect& rect, int size, const TBrush& brush) {
  TCanvasStateScope restore(canvas);
  canvas.Brush().Assign(&brush);
  canvas.FillRect(Rect(rect.Left, rect.Bottom - size, rect.Right, rect.Bottom));
  canvas.FillRect(Rect(rect.Right - size, rect.Top, rect.Right, rect.Bottom));
}

// ------------------------------------------------------------ pop-ups

TRect GetWorkAreaAtPoint(TPoint point) {
  if (!Screen) throw EInvalidOperation("No screen to place a pop-up on");
  return Screen->MonitorWorkAreaAt(point);
}

void FitPopupToArea(TPoint& origin, int width, int height, int anchorHeight, const TRect& area) {
  origin.X = std::max(origin.X, area.Left);
  if (origin.X + width > area.Right) origin.X = area.Right - width;
  if (origin.Y + height <= area.Bottom) return;
  // origin is the anchor's bottom: the room below starts there, the room
  // above ends at the anchor's top.
  const int roomBelow = area.Bottom - origin.Y;
  const int roomAbove = origin.Y - anchorHeight - area.Top;
  if (roomBelow < roomAbove) origin.Y -= height + anchorHeight;
}

void FitPopupToWorkArea(TPoint& origin, int width, int height, int anchorHeight) {
  FitPopupToArea(origin, width, height, anchorHeight, GetWorkAreaAtPoint(origin));
}

// ------------------------------------------------------------ brushes

namespace {

struct TDrawingBrushes {
  TBitmap CheckerboardPattern{8, 8};
  TBrush Checkerboard;
  TBrush Shadow;

  TDrawingBrushes() {
    TCanvas& canvas = CheckerboardPattern.Canvas();
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) canvas.SetPixel(x, y, (x % 2) == (y % 2) ? clBlack : clWhite);
    CheckerboardPattern.SetMonochrome(true);
    Checkerboard.SetBitmap(&CheckerboardPattern);
    Shadow.SetColor(clBtnShadow);
  }
};

// Made and freed only by TdxDrawingBrushesScope.
std::unique_ptr<TDrawingBrushes> GBrushes;
int GBrushScopes = 0;

const TDrawingBrushes& Brushes() {
  if (!GBrushes) throw EInvalidOperation("The grid's drawing brushes are not made");
  return *GBrushes;
}

}  // namespace

const TBrush& CheckerboardBrush() { return Brushes().Checkerboard; }

const TBrush& ShadowBrush() { return Brushes().Shadow; }

TdxDrawingBrushesScope::TdxDrawingBrushesScope() {
  if (GBrushScopes == 0) GBrushes = std::make_unique<TDrawingBrushes>();
  ++GBrushScopes;
}

TdxDrawingBrushesScope::~TdxDrawingBrushesScope() {
  if (--GBrushScopes == 0) GBrushes.reset();
}

// --- Image lists ------------------------------------------------------------------

TColor ColorToImageListColor(TColor color) {
  if (color == clNone) return CLR_NONE;
  if (color == clDefault) return CLR_DEFAULT;
  return ColorToRGB(color);
}

void DrawImageListImage(TCanvas& canvas, int x, int y, const TCustomImageList& imageList, int index) {
  if (!imageList.HandleAllocated()) return;
  unsigned style = ILD_NORMAL;
  switch (imageList.DrawingStyle()) {
    case dsFocus:
      style = ILD_FOCUS;
      break;
    case dsSelected:
      style = ILD_SELECTED;
      break;
    case dsNormal:
      style = ILD_NORMAL;
      break;
    case dsTransparent:
      style = ILD_TRANSPARENT;
      break;
  }
  if (imageList.ImageType() == itMask) style |= ILD_MASK;
  imageList.DrawEx(canvas, x, y, index, ColorToImageListColor(imageList.BkColor()),
                   ColorToImageListColor(imageList.BlendColor()), style);
}
