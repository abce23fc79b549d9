// TdxInplaceEdit: outline geometry, border and content drawing, sizing.

#include <algorithm>

#include "framework/gui/graphics/bitmap.h"
#include "grid/editors/inplace_editor.h"

namespace {

// Text height of a font, as the platform's text metrics give it.
int FontHeight(const TFont* font) {
  TBitmap probe(1, 1);
  if (font) probe.Canvas().Font().Assign(font);
  return probe.Canvas().TextMetrics().Height;
}

void FillStrips(TCanvas& canvas, const TRect& r, int size) {
  canvas.Brush().SetColor(clBtnShadow);
  canvas.FillRect(Rect(r.Left, r.Bottom - size, r.Right, r.Bottom));
  canvas.FillRect(Rect(r.Right - size, r.Top, r.Right, r.Bottom));
}

}  // namespace

void TdxInplaceEdit::CalcGeometry(const TdxEditViewData& vd, bool autoSize, TdxEditBorderGeometry& g) {
  g = TdxEditBorderGeometry{};
  g.ShadowSize = vd.Shadow ? 2 : 0;
  g.Bounds = vd.Bounds;
  g.InnerRect = Rect(g.Bounds.Left + 2, g.Bounds.Top + 2, g.Bounds.Right - 2 - g.ShadowSize,
                     g.Bounds.Bottom - 2 - g.ShadowSize);
  switch (vd.BorderStyle) {
    case xbsSingle:
      g.BorderWidth = 1;
      break;
    case xbsThick:
    case xbsFlat:
    case xbs3D:
      g.BorderWidth = 2;
      break;
    case xbsNone:
      g.BorderWidth = 0;
      break;
  }
  if (autoSize) {
    const int extra = 2;
    TRect extent;
    GetTextExtent(vd, extent);
    int height;
    if (extent.IsEmpty()) {
      height = GetRequiredHeight(vd);
    } else {
      g.Bounds.Right = g.Bounds.Left + extent.Width() + 2 * extra + g.ShadowSize;
      g.InnerRect.Right = g.Bounds.Left + extent.Width() + extra;
      height = extent.Height();
    }
    g.Bounds.Bottom = g.Bounds.Top + height + 2 * extra + g.ShadowSize;
    g.InnerRect.Bottom = g.Bounds.Top + height + extra;
  }
  g.EdgeLeft = vd.Edges.Contains(edgLeft);
  g.EdgeTop = vd.Edges.Contains(edgTop);
  g.EdgeRight = vd.Edges.Contains(edgRight);
  g.EdgeBottom = vd.Edges.Contains(edgBottom);
  g.BorderRect = g.InnerRect;
  if (g.EdgeLeft) g.BorderRect.Left -= g.BorderWidth;
  if (g.EdgeTop) g.BorderRect.Top -= g.BorderWidth;
  if (g.EdgeRight) g.BorderRect.Right += g.BorderWidth;
  if (g.EdgeBottom) g.BorderRect.Bottom += g.BorderWidth;
  if (g.ShadowSize > 0) {
    g.ShadowRect = g.BorderRect;
    ::OffsetRect(g.ShadowRect, g.ShadowSize, g.ShadowSize);
  }
}

int TdxInplaceEdit::GetRequiredHeight(const TdxEditViewData& vd) {
  int height = FontHeight(vd.Font);
  return IsInplace() ? height + 3 : height + 2 * 1 + 2;
}

void TdxInplaceEdit::UpdateBounds() {
  if (!HandleAllocated() || FUpdatingBounds || !FStyle) return;
  FUpdatingBounds = true;
  struct TDone {
    bool& Flag;
    ~TDone() { Flag = false; }
  } done{FUpdatingBounds};
  std::unique_ptr<TdxEditViewData> vd = CreateViewData(false);
  TdxEditBorderGeometry g;
  CalcGeometry(*vd, AutoSize() && !IsInplace(), g);
  SetFrameInsets(Rect(std::max(0, g.InnerRect.Left - g.Bounds.Left), std::max(0, g.InnerRect.Top - g.Bounds.Top),
                      std::max(0, g.Bounds.Right - g.InnerRect.Right),
                      std::max(0, g.Bounds.Bottom - g.InnerRect.Bottom)));
  SetBounds(Left(), Top(), g.Bounds.Width(), g.Bounds.Height());
  bool allEdges = g.EdgeLeft && g.EdgeTop && g.EdgeRight && g.EdgeBottom;
  if (g.ShadowSize == 0 && g.BorderWidth > 1 && allEdges) {
    SetWindowRegion(nullptr);
  } else {
    TRegion region(g.BorderRect);
    if (g.ShadowSize > 0) region.Combine(TRegion(g.ShadowRect), rcOr);
    SetWindowRegion(&region);
  }
  InvalidateFrame();
}

void TdxInplaceEdit::DrawBorder(TCanvas& canvas, TdxEditBorderGeometry& g, const TdxEditViewData& vd) {
  TRect r = g.BorderRect;
  unsigned sides = (g.EdgeLeft ? BF_LEFT : 0) | (g.EdgeTop ? BF_TOP : 0) | (g.EdgeRight ? BF_RIGHT : 0) |
                   (g.EdgeBottom ? BF_BOTTOM : 0);
  switch (vd.BorderStyle) {
    case xbsSingle:
    case xbsThick: {
      canvas.Brush().SetColor(vd.BorderColor);
      canvas.Brush().SetStyle(bsSolid);
      int w = g.BorderWidth;
      if (sides == BF_RECT) {
        for (int i = 0; i < w; ++i) {
          canvas.FrameRect(r);
          InflateRect(r, -1, -1);
        }
      } else {
        int top = g.EdgeTop ? r.Top : r.Top - w;
        if (g.EdgeLeft) canvas.FillRect(Rect(r.Left, top, r.Left + w, r.Bottom));
        if (g.EdgeTop) canvas.FillRect(Rect(r.Left, r.Top, r.Right, r.Top + w));
        if (g.EdgeRight) canvas.FillRect(Rect(r.Right - w, top, r.Right, r.Bottom));
        if (g.EdgeBottom) canvas.FillRect(Rect(r.Left, r.Bottom - w, r.Right, r.Bottom));
      }
      break;
    }
    case xbsFlat:
      canvas.DrawEdge(r, BDR_SUNKENOUTER, sides | BF_ADJUST);
      canvas.DrawEdge(r, BDR_SUNKENINNER, sides | BF_FLAT);
      break;
    case xbs3D:
      canvas.DrawEdge(r, EDGE_SUNKEN, sides);
      break;
    case xbsNone:
      break;
  }
  if (g.ShadowSize > 0) FillStrips(canvas, g.ShadowRect, g.ShadowSize);
}

bool TdxInplaceEdit::DrawContent(TCanvas& canvas, const TRect& rect, TdxEditViewData& vd) {
  if (!vd.Transparent) {
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(vd.BrushColor);
    canvas.FillRect(rect);
  }
  return true;
}

void TdxInplaceEdit::PaintCopy(TCanvas& canvas, const TRect& rect, TRegion* clip, TdxEditViewData& vd) {
  TdxEditBorderGeometry g;
  CalcGeometry(vd, false, g);
  {
    TCanvasStateScope state(canvas);
    TPoint o = canvas.Origin();
    canvas.SetOrigin(Point(o.X + rect.Left, o.Y + rect.Top));
    DrawBorder(canvas, g, vd);
    DrawContent(canvas, g.InnerRect, vd);
  }
  if (!clip) return;
  TRegion outline = HasWindowRegion() ? WindowRegion() : TRegion(g.BorderRect);
  outline.Offset(rect.Left, rect.Top);
  clip->Combine(outline, rcDiff);
}

TCursor TdxInplaceEdit::GetCursorAt(int x, int y, const TdxEditViewData& vd) {
  if (vd.Cursor != crDefault) return vd.Cursor;
  return vd.HasTextWindow ? crDefault : crArrow;
}

void TdxInplaceEdit::PaintFrame(TCanvas& canvas, const TRect& windowRect) {
  std::unique_ptr<TdxEditViewData> vd = CreateViewData(false);
  // What lies between the border and the client shows the editor's colour.
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(vd->BrushColor);
  canvas.FillRect(windowRect);
  vd->Bounds = windowRect;
  TdxEditBorderGeometry g;
  CalcGeometry(*vd, false, g);
  DrawBorder(canvas, g, *vd);
}

void TdxInplaceEdit::PaintClient(TCanvas& canvas, const TRect& clientRect) {
  if (clientRect.IsEmpty()) return;
  bool asCopy = !(Active() || !PaintsInactive());
  std::unique_ptr<TdxEditViewData> vd = CreateViewData(asCopy);
  DrawContent(canvas, clientRect, *vd);
}
