// Three-dimensional edges and focus rectangles of TCanvas, drawn pixel by
// pixel in the system colours the way the platform draws them.

#include <QImage>

#include "framework/core/base/exceptions.h"
#include "framework/gui/canvas.h"
#include "framework/gui/canvas_p.h"
#include "framework/gui/qt_graphics.h"

namespace {

// Colours of one edge ring, indexed by the edge bits (inner bits * 4 +
// outer bits); -1 draws nothing. Top-left and bottom-right sides differ.
constexpr int None = -1;
constexpr int LTInner[16] = {None,
                             None,
                             None,
                             None,
                             None,
                             COLOR_BTNHIGHLIGHT,
                             COLOR_BTNHIGHLIGHT,
                             None,
                             None,
                             COLOR_3DDKSHADOW,
                             COLOR_3DDKSHADOW,
                             None,
                             None,
                             None,
                             None,
                             None};
constexpr int LTOuter[16] = {None,
                             COLOR_3DLIGHT,
                             COLOR_BTNSHADOW,
                             None,
                             COLOR_BTNHIGHLIGHT,
                             COLOR_3DLIGHT,
                             COLOR_BTNSHADOW,
                             None,
                             COLOR_3DDKSHADOW,
                             COLOR_3DLIGHT,
                             COLOR_BTNSHADOW,
                             None,
                             None,
                             COLOR_3DLIGHT,
                             COLOR_BTNSHADOW,
                             None};
constexpr int RBInner[16] = {
    None, None, None, None, None, COLOR_BTNSHADOW, COLOR_BTNSHADOW, None, None, COLOR_3DLIGHT, COLOR_3DLIGHT,
    None, None, None, None, None};
constexpr int RBOuter[16] = {None,
                             COLOR_3DDKSHADOW,
                             COLOR_BTNHIGHLIGHT,
                             None,
                             COLOR_BTNSHADOW,
                             COLOR_3DDKSHADOW,
                             COLOR_BTNHIGHLIGHT,
                             None,
                             COLOR_3DLIGHT,
                             COLOR_3DDKSHADOW,
                             COLOR_BTNHIGHLIGHT,
                             None,
                             None,
                             COLOR_3DDKSHADOW,
                             COLOR_BTNHIGHLIGHT,
                             None};
// Soft raised edges swap the light colours of the top-left sides.
constexpr int LTInnerSoft[16] = {
    None, None, None, None, None, COLOR_3DLIGHT, COLOR_3DLIGHT, None, None, COLOR_BTNSHADOW, COLOR_BTNSHADOW,
    None, None, None, None, None};
constexpr int LTOuterSoft[16] = {None,
                                 COLOR_BTNHIGHLIGHT,
                                 COLOR_3DDKSHADOW,
                                 None,
                                 COLOR_3DLIGHT,
                                 COLOR_BTNHIGHLIGHT,
                                 COLOR_3DDKSHADOW,
                                 None,
                                 COLOR_BTNSHADOW,
                                 COLOR_BTNHIGHLIGHT,
                                 COLOR_3DDKSHADOW,
                                 None,
                                 None,
                                 COLOR_BTNHIGHLIGHT,
                                 COLOR_3DDKSHADOW,
                                 None};

QColor Sys(int index) { return ToQColor(GetSysColor(static_cast<TSysColorIndex>(index))); }

}  // namespace

bool TCanvas::DrawEdge(TRect& rect, unsigned edge, unsigned flags) {
  unsigned bits = edge & 0xF;
  int ltInner = None, ltOuter = None, rbInner = None, rbOuter = None;
  if (flags & BF_MONO) {
    if (bits & BDR_OUTER) ltOuter = rbOuter = COLOR_WINDOWFRAME;
    if (bits & BDR_INNER) ltInner = rbInner = COLOR_WINDOW;
    if (!(bits & BDR_OUTER) && (bits & BDR_INNER)) {
      ltOuter = rbOuter = COLOR_WINDOWFRAME;
      ltInner = rbInner = None;
    }
  } else if (flags & BF_FLAT) {
    if (bits & BDR_OUTER) ltOuter = rbOuter = COLOR_BTNSHADOW;
    if (bits & BDR_INNER) ltInner = rbInner = COLOR_BTNFACE;
    if (!(bits & BDR_OUTER) && (bits & BDR_INNER)) {
      ltOuter = rbOuter = COLOR_BTNSHADOW;
      ltInner = rbInner = None;
    }
  } else {
    ltInner = (flags & BF_SOFT) ? LTInnerSoft[bits] : LTInner[bits];
    ltOuter = (flags & BF_SOFT) ? LTOuterSoft[bits] : LTOuter[bits];
    rbInner = RBInner[bits];
    rbOuter = RBOuter[bits];
  }

  TRect inner = rect;
  bool drew = CanDraw(rect);
  auto ring = [&](int lt, int rb) {
    if (lt == None && rb == None) return;
    TRect r = inner;
    if (drew && !r.IsEmpty()) {
      QPainter& p = TCanvasAccess::Painter(*this);
      p.setCompositionMode(QPainter::CompositionMode_Source);
      int l = r.Left + FOrigin.X, t = r.Top + FOrigin.Y, w = r.Width(), h = r.Height();
      // As on the platform, the bottom-right colour owns the top-right and
      // bottom-left corners.
      if (rb != None) {
        if (flags & BF_BOTTOM) p.fillRect(QRect(l, t + h - 1, w, 1), Sys(rb));
        if (flags & BF_RIGHT) p.fillRect(QRect(l + w - 1, t, 1, h), Sys(rb));
      }
      if (lt != None) {
        if (flags & BF_TOP) p.fillRect(QRect(l, t, w - ((flags & BF_RIGHT) ? 1 : 0), 1), Sys(lt));
        if (flags & BF_LEFT) p.fillRect(QRect(l, t, 1, h - ((flags & BF_BOTTOM) ? 1 : 0)), Sys(lt));
      }
    }
    if (flags & BF_LEFT) ++inner.Left;
    if (flags & BF_TOP) ++inner.Top;
    if (flags & BF_RIGHT) --inner.Right;
    if (flags & BF_BOTTOM) --inner.Bottom;
  };
  ring(ltOuter, rbOuter);
  ring(ltInner, rbInner);

  if ((flags & BF_MIDDLE) && drew && !inner.IsEmpty()) {
    QPainter& p = TCanvasAccess::Painter(*this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    QRect r(inner.Left + FOrigin.X, inner.Top + FOrigin.Y, inner.Width(), inner.Height());
    p.fillRect(r, Sys((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
  }
  if (drew) TCanvasAccess::Drawn(*this);
  if (flags & BF_ADJUST) rect = inner;
  return true;
}

bool TCanvas::CanDraw(const TRect& rect) const {
  if (!HandleAllocated()) throw EInvalidOperation("Canvas does not allow drawing");
  QImage* image = TCanvasAccess::Image(*this);
  return image && !image->isNull() && !rect.IsEmpty();
}

void TCanvas::DrawFocusRect(const TRect& rect) {
  if (!CanDraw(rect)) return;
  // Every other pixel of the frame is inverted, in a checkerboard anchored
  // at the device origin, so that a second call restores the pixels.
  static const QImage pattern = [] {
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, 0xFFFFFFFF);
    image.setPixel(1, 1, 0xFFFFFFFF);
    image.setPixel(1, 0, 0xFF000000);
    image.setPixel(0, 1, 0xFF000000);
    return image;
  }();
  QPainter& p = TCanvasAccess::Painter(*this);
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  QBrush brush(pattern);
  int l = rect.Left + FOrigin.X, t = rect.Top + FOrigin.Y, w = rect.Width(), h = rect.Height();
  p.fillRect(QRect(l, t, w, 1), brush);
  if (h > 1) p.fillRect(QRect(l, t + h - 1, w, 1), brush);
  if (h > 2) {
    p.fillRect(QRect(l, t + 1, 1, h - 2), brush);
    if (w > 1) p.fillRect(QRect(l + w - 1, t + 1, 1, h - 2), brush);
  }
  TCanvasAccess::Drawn(*this);
}
