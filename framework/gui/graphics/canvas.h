#pragma once
// The drawing surface of the framework, in the manner of the platform's
// device contexts: a current font, brush and pen, a pen position, a
// background mode, a clip region and an origin, and the text, line, fill,
// edge and bit-block operations that the grid and the controls use.
//
// A canvas draws on a pixel image that someone else provides: a `TBitmap`
// owns one canvas over its pixels; a `TCustomControl` owns one over its back
// buffer (see custom_control.h). A canvas without an image raises
// `EInvalidOperation` "Canvas does not allow drawing" when asked to draw.
//
// Coordinates are logical: device = logical + Origin(). Rectangles follow the
// platform rule (right and bottom edges excluded). Lines exclude their end
// point, as the platform's LineTo does. Colours are `TColor`s; system colours
// resolve through `ColorToRGB`.

#include <initializer_list>
#include <memory>
#include <span>
#include <string_view>

#include "framework/gui/graphics/geometry.h"
#include "framework/gui/graphics/graphics.h"

class TBitmap;
class TRegion;
class TCanvasPrivate;
class TCanvasAccess;

// DrawText format flags.
inline constexpr unsigned DT_TOP = 0x0;
inline constexpr unsigned DT_LEFT = 0x0;
inline constexpr unsigned DT_CENTER = 0x1;
inline constexpr unsigned DT_RIGHT = 0x2;
inline constexpr unsigned DT_VCENTER = 0x4;
inline constexpr unsigned DT_BOTTOM = 0x8;
inline constexpr unsigned DT_WORDBREAK = 0x10;
inline constexpr unsigned DT_SINGLELINE = 0x20;
inline constexpr unsigned DT_EXPANDTABS = 0x40;
inline constexpr unsigned DT_TABSTOP = 0x80;
inline constexpr unsigned DT_NOCLIP = 0x100;
inline constexpr unsigned DT_EXTERNALLEADING = 0x200;
inline constexpr unsigned DT_CALCRECT = 0x400;
inline constexpr unsigned DT_NOPREFIX = 0x800;
inline constexpr unsigned DT_INTERNAL = 0x1000;
inline constexpr unsigned DT_EDITCONTROL = 0x2000;
inline constexpr unsigned DT_PATH_ELLIPSIS = 0x4000;
inline constexpr unsigned DT_END_ELLIPSIS = 0x8000;
inline constexpr unsigned DT_MODIFYSTRING = 0x10000;
inline constexpr unsigned DT_WORD_ELLIPSIS = 0x40000;
inline constexpr unsigned DT_HIDEPREFIX = 0x100000;

// ExtTextOut options.
inline constexpr unsigned ETO_OPAQUE = 0x2;
inline constexpr unsigned ETO_CLIPPED = 0x4;

// DrawEdge edges and flags.
inline constexpr unsigned BDR_RAISEDOUTER = 0x1;
inline constexpr unsigned BDR_SUNKENOUTER = 0x2;
inline constexpr unsigned BDR_RAISEDINNER = 0x4;
inline constexpr unsigned BDR_SUNKENINNER = 0x8;
inline constexpr unsigned BDR_OUTER = 0x3;
inline constexpr unsigned BDR_INNER = 0xC;
inline constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
inline constexpr unsigned BF_LEFT = 0x1;
inline constexpr unsigned BF_TOP = 0x2;
inline constexpr unsigned BF_RIGHT = 0x4;
inline constexpr unsigned BF_BOTTOM = 0x8;
inline constexpr unsigned BF_TOPLEFT = BF_TOP | BF_LEFT;
inline constexpr unsigned BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
inline constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
inline constexpr unsigned BF_MIDDLE = 0x800;
inline constexpr unsigned BF_SOFT = 0x1000;
inline constexpr unsigned BF_ADJUST = 0x2000;
inline constexpr unsigned BF_FLAT = 0x4000;
inline constexpr unsigned BF_MONO = 0x8000;

// Whether text (and hatched fills) paint their background.
enum TBkMode { bkTransparent = 1, bkOpaque = 2 };

// How CopyRect combines the source with what is there.
enum TCopyMode { cmSrcCopy, cmSrcInvert, cmSrcAnd, cmSrcPaint, cmDstInvert };

struct TTextMetric {
  int Height = 0;  // ascent + descent
  int Ascent = 0;
  int Descent = 0;
  int InternalLeading = 0;
  int ExternalLeading = 0;
  int AveCharWidth = 0;
  int MaxCharWidth = 0;
};

class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;

  TFont& Font() { return FFont; }
  TBrush& Brush() { return FBrush; }
  TPen& Pen() { return FPen; }
  const TFont& Font() const { return FFont; }
  const TBrush& Brush() const { return FBrush; }
  const TPen& Pen() const { return FPen; }

  // Text background mode; assigning the brush sets it, as on the platform:
  // opaque for a solid brush, transparent otherwise.
  TBkMode BkMode() const { return FBkMode; }
  void SetBkMode(TBkMode mode) { FBkMode = mode; }
  TCopyMode CopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode mode) { FCopyMode = mode; }
  TPoint PenPos() const { return FPenPos; }
  void SetPenPos(TPoint p) { FPenPos = p; }

  // Device position of the logical point (0, 0).
  TPoint Origin() const { return FOrigin; }
  void SetOrigin(TPoint origin);

  // True when the canvas has an image to draw on.
  bool HandleAllocated() const;

  // --- Clipping (logical coordinates) -----------------------------------
  // Bounding rectangle of the area that drawing can reach: the clip region,
  // or the whole image when there is none.
  TRect ClipRect() const;
  bool RectVisible(const TRect& rect) const;
  void IntersectClipRect(const TRect& rect);
  void ExcludeClipRect(const TRect& rect);
  // Replaces the clip region by region (nullptr: no clip of the caller's;
  // a paint cycle's own limits stay).
  void SelectClipRegion(const TRegion* region);
  // The caller's clip region; false (region untouched) when there is none.
  bool GetClipRegion(TRegion& region) const;

  // --- Lines and shapes --------------------------------------------------
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(std::span<const TPoint> points);
  void Polyline(std::initializer_list<TPoint> points) { Polyline(std::span<const TPoint>(points)); }
  void Polygon(std::span<const TPoint> points);
  void Polygon(std::initializer_list<TPoint> points) { Polygon(std::span<const TPoint>(points)); }
  // Outline with the pen, inside with the brush; the outline occupies the
  // rectangle's outer pixels.
  void Rectangle(const TRect& rect);
  void Ellipse(const TRect& rect);

  // --- Fills -------------------------------------------------------------
  void FillRect(const TRect& rect);
  // A one-pixel frame in the brush.
  void FrameRect(const TRect& rect);
  void InvertRect(const TRect& rect);
  // Dotted frame drawn by inverting; drawing it twice removes it.
  void DrawFocusRect(const TRect& rect);
  // Three-dimensional edges in the system colours. With BF_ADJUST rect
  // shrinks by what was drawn.
  bool DrawEdge(TRect& rect, unsigned edge, unsigned flags);

  TColor Pixels(int x, int y) const;
  void SetPixel(int x, int y, TColor color);

  // --- Text --------------------------------------------------------------
  // Text at the top-left point (x, y) in the font colour; opaque background
  // per BkMode; moves PenPos to the end of the text.
  void TextOut(int x, int y, std::string_view text);
  // Text at (x, y) clipped to rect; rect filled with the brush unless the
  // brush is clear.
  void TextRect(const TRect& rect, int x, int y, std::string_view text);
  TSize TextExtent(std::string_view text) const;
  int TextWidth(std::string_view text) const { return TextExtent(text).cx; }
  int TextHeight(std::string_view text) const { return TextExtent(text).cy; }
  // Whether the text is wider than width; a long text is measured only as
  // far as it could fit.
  bool TextWiderThan(std::string_view text, int width) const;
  TTextMetric TextMetrics() const;
  // Formats text in rect by the DT_ flags. With DT_CALCRECT nothing is drawn
  // and rect is widened or narrowed to the text. Returns the text height (with
  // DT_VCENTER or DT_BOTTOM: the offset of the text's bottom from rect.Top);
  // drawn clipped, only the lines that reach into rect count.
  int DrawText(std::string_view text, TRect& rect, unsigned format);
  // Text at (x, y): ETO_OPAQUE fills rect with the brush colour first,
  // ETO_CLIPPED clips to rect.
  void ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::string_view text);

  // --- Images ------------------------------------------------------------
  // Draws the bitmap; a transparent bitmap leaves its transparent colour out.
  void Draw(int x, int y, const TBitmap& bitmap);
  void StretchDraw(const TRect& dest, const TBitmap& bitmap);
  // Copies source's pixels by CopyMode (stretching when the sizes differ).
  // The source may be this canvas.
  void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);
  // Fills dest with the brush and draws the source part of bitmap over it,
  // its pixels of colour `transparent` showing the brush.
  void BrushCopy(const TRect& dest, const TBitmap& bitmap, const TRect& source, TColor transparent);

  // Moves the pixels of rect (limited to clip when given) by (dx, dy); the
  // area left behind keeps its old pixels.
  void ScrollPixels(int dx, int dy, const TRect& rect);

 private:
  friend class TCanvasAccess;
  friend class TCanvasStateScope;

  void BrushChanged();
  // False when there is nothing to draw on now (an empty bitmap) or nothing
  // in rect; raises when the canvas has no image at all.
  bool CanDraw(const TRect& rect) const;

  TFont FFont;
  TBrush FBrush;
  TPen FPen;
  TBkMode FBkMode = bkOpaque;
  TCopyMode FCopyMode = cmSrcCopy;
  TPoint FPenPos;
  TPoint FOrigin;
  std::unique_ptr<TCanvasPrivate> FPrivate;
};

// Saves a canvas's font, brush, pen, modes, origin and clip region and
// restores them when it ends, on every path.
class TCanvasStateScope {
 public:
  explicit TCanvasStateScope(TCanvas& canvas);
  ~TCanvasStateScope();
  TCanvasStateScope(const TCanvasStateScope&) = delete;
  TCanvasStateScope& operator=(const TCanvasStateScope&) = delete;

 private:
  struct TSaved;
  TCanvas& FCanvas;
  std::unique_ptr<TSaved> FSaved;
};
