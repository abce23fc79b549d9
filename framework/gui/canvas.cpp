#include "framework/gui/canvas.h"

#include <QPainterPath>
#include <QPolygon>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/gui/bitmap.h"
#include "framework/gui/bitmap_p.h"
#include "framework/gui/canvas_p.h"
#include "framework/gui/qt_graphics.h"
#include "framework/gui/region.h"

// --- Painter state ---------------------------------------------------------------

QPen MakeQPen(const TPen& pen) {
  if (pen.Style() == psClear) return QPen(Qt::NoPen);
  QPen p(ToQColor(pen.Color()));
  // Width 0 and 1 are the one-pixel cosmetic pen.
  p.setWidth(pen.Width() <= 1 ? 0 : pen.Width());
  switch (pen.Style()) {
    case psDash:
      p.setStyle(Qt::DashLine);
      break;
    case psDot:
      p.setStyle(Qt::DotLine);
      break;
    case psDashDot:
      p.setStyle(Qt::DashDotLine);
      break;
    case psDashDotDot:
      p.setStyle(Qt::DashDotDotLine);
      break;
    default:
      p.setStyle(Qt::SolidLine);
      break;
  }
  // Flat caps leave out a line's end point, as the platform's lines do.
  p.setCapStyle(Qt::FlatCap);
  p.setJoinStyle(Qt::MiterJoin);
  return p;
}

QBrush MakeQBrush(const TBrush& brush, TColor textColor) {
  if (brush.Bitmap() && !brush.Bitmap()->Empty()) {
    QImage pattern = TBitmapAccess::Image(*brush.Bitmap()).copy();
    if (brush.Bitmap()->Monochrome()) {
      QRgb fore = ToQColor(textColor).rgb();
      QRgb back = ToQColor(brush.Color()).rgb();
      for (int y = 0; y < pattern.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(pattern.scanLine(y));
        for (int x = 0; x < pattern.width(); ++x) line[x] = (line[x] & 0xFFFFFF) == 0xFFFFFF ? back : fore;
      }
    }
    return QBrush(pattern);
  }
  QColor color = ToQColor(brush.Color());
  switch (brush.Style()) {
    case bsClear:
      return QBrush(Qt::NoBrush);
    case bsHorizontal:
      return QBrush(color, Qt::HorPattern);
    case bsVertical:
      return QBrush(color, Qt::VerPattern);
    case bsFDiagonal:
      return QBrush(color, Qt::FDiagPattern);
    case bsBDiagonal:
      return QBrush(color, Qt::BDiagPattern);
    case bsCross:
      return QBrush(color, Qt::CrossPattern);
    case bsDiagCross:
      return QBrush(color, Qt::DiagCrossPattern);
    case bsSolid:
      break;
  }
  return QBrush(color);
}

QPainter::CompositionMode PenComposition(TPenMode mode) {
  switch (mode) {
    case pmNot:
      return QPainter::RasterOp_NotDestination;
    case pmXor:
      return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor:
      return QPainter::RasterOp_NotSourceXorDestination;
    case pmCopy:
      break;
  }
  return QPainter::CompositionMode_Source;
}

// --- Access ----------------------------------------------------------------------

void TCanvasAccess::SetTarget(TCanvas& canvas, TCanvasTarget* target) {
  Release(canvas);
  canvas.FPrivate->Target = target;
  canvas.FPrivate->ClipDirty = true;
}

void TCanvasAccess::Release(TCanvas& canvas) {
  TCanvasPrivate& d = *canvas.FPrivate;
  if (d.Painter) {
    d.Painter->end();
    d.Painter.reset();
  }
  d.ClipDirty = true;
}

void TCanvasAccess::SetBaseClip(TCanvas& canvas, const QRegion* region) {
  TCanvasPrivate& d = *canvas.FPrivate;
  d.BaseClip = region ? std::optional<QRegion>(*region) : std::nullopt;
  d.ClipDirty = true;
}

QImage* TCanvasAccess::Image(const TCanvas& canvas) {
  TCanvasTarget* target = canvas.FPrivate->Target;
  return target ? target->TargetImage() : nullptr;
}

QRegion TCanvasAccess::EffectiveClip(const TCanvas& canvas) {
  const TCanvasPrivate& d = *canvas.FPrivate;
  QImage* image = Image(canvas);
  QRegion clip = d.BaseClip ? *d.BaseClip : QRegion(image ? image->rect() : QRect());
  if (d.UserClip) clip = clip.intersected(*d.UserClip);
  return clip;
}

QPainter& TCanvasAccess::Painter(TCanvas& canvas) {
  TCanvasPrivate& d = *canvas.FPrivate;
  if (!d.Painter) {
    QImage* image = Image(canvas);
    if (!image || image->isNull()) throw EInvalidOperation("Canvas does not allow drawing");
    d.Painter = std::make_unique<QPainter>(image);
    d.ClipDirty = true;
  }
  if (d.ClipDirty) {
    if (d.BaseClip || d.UserClip)
      d.Painter->setClipRegion(EffectiveClip(canvas));
    else
      d.Painter->setClipping(false);
    d.ClipDirty = false;
  }
  return *d.Painter;
}

const QFont& TCanvasAccess::Font(const TCanvas& canvas) {
  TCanvasPrivate& d = *canvas.FPrivate;
  if (!d.Font) d.Font = ToQFont(canvas.FFont);
  return *d.Font;
}

void TCanvasAccess::Drawn(TCanvas& canvas) {
  if (canvas.FPrivate->Target) canvas.FPrivate->Target->TargetDrawn();
}

// --- TCanvas ---------------------------------------------------------------------

namespace {

// Drawing on an empty bitmap does nothing, as on the platform; drawing on a
// canvas without any image is an error.
bool Drawable(const TCanvas& canvas) {
  QImage* image = TCanvasAccess::Image(canvas);
  if (!image && !canvas.HandleAllocated()) throw EInvalidOperation("Canvas does not allow drawing");
  return image && !image->isNull();
}

}  // namespace

TCanvas::TCanvas() : FPrivate(std::make_unique<TCanvasPrivate>()) {
  FFont.OnChange = [this](TObject*) { FPrivate->Font.reset(); };
  FBrush.OnChange = [this](TObject*) { BrushChanged(); };
}

TCanvas::~TCanvas() { TCanvasAccess::Release(*this); }

void TCanvas::BrushChanged() {
  FBkMode = FBrush.Style() == bsSolid && !FBrush.Bitmap() ? bkOpaque : bkTransparent;
}

bool TCanvas::HandleAllocated() const { return FPrivate->Target != nullptr; }

void TCanvas::SetOrigin(TPoint origin) {
  if (origin == FOrigin) return;
  // The caller's clip stays on the same device pixels, as on the platform.
  FOrigin = origin;
}

// --- Clipping ----------------------------------------------------------------------

TRect TCanvas::ClipRect() const {
  QRect r = TCanvasAccess::EffectiveClip(*this).boundingRect();
  TRect result = FromQRect(r);
  OffsetRect(result, -FOrigin.X, -FOrigin.Y);
  return result;
}

bool TCanvas::RectVisible(const TRect& rect) const {
  TRect dev = rect;
  OffsetRect(dev, FOrigin.X, FOrigin.Y);
  return !dev.IsEmpty() && TCanvasAccess::EffectiveClip(*this).intersects(ToQRect(dev));
}

void TCanvas::IntersectClipRect(const TRect& rect) {
  TRect dev = rect;
  OffsetRect(dev, FOrigin.X, FOrigin.Y);
  QRegion r(ToQRect(dev));
  if (!FPrivate->UserClip) {
    QImage* image = TCanvasAccess::Image(*this);
    FPrivate->UserClip = QRegion(image ? image->rect() : QRect());
  }
  FPrivate->UserClip = FPrivate->UserClip->intersected(r);
  FPrivate->ClipDirty = true;
}

void TCanvas::ExcludeClipRect(const TRect& rect) {
  TRect dev = rect;
  OffsetRect(dev, FOrigin.X, FOrigin.Y);
  if (!FPrivate->UserClip) {
    QImage* image = TCanvasAccess::Image(*this);
    FPrivate->UserClip = QRegion(image ? image->rect() : QRect());
  }
  FPrivate->UserClip = FPrivate->UserClip->subtracted(QRegion(ToQRect(dev)));
  FPrivate->ClipDirty = true;
}

void TCanvas::SelectClipRegion(const TRegion* region) {
  if (region) {
    QRegion r = TRegionAccess::Region(*region);
    r.translate(FOrigin.X, FOrigin.Y);
    FPrivate->UserClip = r;
  } else {
    FPrivate->UserClip.reset();
  }
  FPrivate->ClipDirty = true;
}

bool TCanvas::GetClipRegion(TRegion& region) const {
  if (!FPrivate->UserClip) return false;
  QRegion r = *FPrivate->UserClip;
  r.translate(-FOrigin.X, -FOrigin.Y);
  TRegionAccess::Region(region) = r;
  return true;
}

// --- Lines and shapes ----------------------------------------------------------------

void TCanvas::MoveTo(int x, int y) { FPenPos = {x, y}; }

void TCanvas::LineTo(int x, int y) {
  TPoint from = FPenPos;
  FPenPos = {x, y};
  if (!Drawable(*this) || FPen.Style() == psClear || from == FPenPos) return;
  QPainter& p = TCanvasAccess::Painter(*this);
  p.setCompositionMode(PenComposition(FPen.Mode()));
  p.setPen(MakeQPen(FPen));
  p.drawLine(from.X + FOrigin.X, from.Y + FOrigin.Y, x + FOrigin.X, y + FOrigin.Y);
  TCanvasAccess::Drawn(*this);
}

void TCanvas::Polyline(std::span<const TPoint> points) {
  if (points.empty()) return;
  FPenPos = points.back();
  if (!Drawable(*this) || FPen.Style() == psClear || points.size() < 2) return;
  QPolygon poly;
  for (TPoint pt : points) poly << QPoint(pt.X + FOrigin.X, pt.Y + FOrigin.Y);
  QPainter& p = TCanvasAccess::Painter(*this);
  p.setCompositionMode(PenComposition(FPen.Mode()));
  p.setPen(MakeQPen(FPen));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(poly);
  TCanvasAccess::Drawn(*this);
}

void TCanvas::Polygon(std::span<const TPoint> points) {
  if (points.size() < 2 || !Drawable(*this)) return;
  QPolygon poly;
  for (TPoint pt : points) poly << QPoint(pt.X + FOrigin.X, pt.Y + FOrigin.Y);
  QPainter& p = TCanvasAccess::Painter(*this);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.setPen(MakeQPen(FPen));
  p.setBrush(MakeQBrush(FBrush, FFont.Color()));
  p.drawPolygon(poly);
  TCanvasAccess::Drawn(*this);
}

void TCanvas::Rectangle(const TRect& rect) {
  if (rect.IsEmpty() || !Drawable(*this)) return;
  QRect r(rect.Left + FOrigin.X, rect.Top + FOrigin.Y, rect.Width() - 1, rect.Height() - 1);
  QPainter& p = TCanvasAccess::Painter(*this);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  if (FPen.Style() == psClear) {
    if (r.width() > 0 && r.height() > 0) p.fillRect(r, MakeQBrush(FBrush, FFont.Color()));
  } else {
    p.setPen(MakeQPen(FPen));
    p.setBrush(MakeQBrush(FBrush, FFont.Color()));
    p.drawRect(r);
  }
  TCanvasAccess::Drawn(*this);
}

void TCanvas::Ellipse(const TRect& rect) {
  if (rect.IsEmpty() || !Drawable(*this)) return;
  QPainter& p = TCanvasAccess::Painter(*this);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.setPen(MakeQPen(FPen));
  p.setBrush(MakeQBrush(FBrush, FFont.Color()));
  p.drawEllipse(QRect(rect.Left + FOrigin.X, rect.Top + FOrigin.Y, rect.Width() - 1, rect.Height() - 1));
  TCanvasAccess::Drawn(*this);
}

// --- Fills ---------------------------------------------------------------------------

void TCanvas::FillRect(const TRect& rect) {
  if (rect.IsEmpty() || !Drawable(*this)) return;
  if (FBrush.Style() == bsClear && !FBrush.Bitmap()) return;
  QPainter& p = TCanvasAccess::Painter(*this);
  bool solid = FBrush.Style() == bsSolid || FBrush.Bitmap();
  p.setCompositionMode(solid ? QPainter::CompositionMode_Source : QPainter::CompositionMode_SourceOver);
  QRect r(rect.Left + FOrigin.X, rect.Top + FOrigin.Y, rect.Width(), rect.Height());
  if (!solid && FBkMode == bkOpaque) p.fillRect(r, ToQColor(FBrush.Color()));
  p.fillRect(r, MakeQBrush(FBrush, FFont.Color()));
  TCanvasAccess::Drawn(*this);
}

void TCanvas::FrameRect(const TRect& rect) {
  if (rect.IsEmpty() || !Drawable(*this)) return;
  QPainter& p = TCanvasAccess::Painter(*this);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  QBrush brush = MakeQBrush(FBrush, FFont.Color());
  int l = rect.Left + FOrigin.X, t = rect.Top + FOrigin.Y, w = rect.Width(), h = rect.Height();
  p.fillRect(QRect(l, t, w, 1), brush);
  p.fillRect(QRect(l, t + h - 1, w, 1), brush);
  p.fillRect(QRect(l, t, 1, h), brush);
  p.fillRect(QRect(l + w - 1, t, 1, h), brush);
  TCanvasAccess::Drawn(*this);
}

void TCanvas::InvertRect(const TRect& rect) {
  if (rect.IsEmpty() || !Drawable(*this)) return;
  QPainter& p = TCanvasAccess::Painter(*this);
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  p.fillRect(QRect(rect.Left + FOrigin.X, rect.Top + FOrigin.Y, rect.Width(), rect.Height()),
             QColor(255, 255, 255));
  TCanvasAccess::Drawn(*this);
}

TColor TCanvas::Pixels(int x, int y) const {
  QImage* image = TCanvasAccess::Image(*this);
  if (!image) throw EInvalidOperation("Canvas does not allow drawing");
  x += FOrigin.X;
  y += FOrigin.Y;
  if (!image->valid(x, y)) return -1;
  TCanvasAccess::Release(const_cast<TCanvas&>(*this));
  return FromQRgb(image->pixel(x, y));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  if (!Drawable(*this)) return;
  x += FOrigin.X;
  y += FOrigin.Y;
  if (!TCanvasAccess::EffectiveClip(*this).contains(QPoint(x, y))) return;
  TCanvasAccess::Release(*this);
  TCanvasAccess::Image(*this)->setPixel(x, y, ToQColor(color).rgb());
  TCanvasAccess::Drawn(*this);
}

// --- Images --------------------------------------------------------------------------

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
  if (bitmap.Empty() || !Drawable(*this)) return;
  QImage image = TBitmapAccess::DrawableImage(bitmap);
  QPainter& p = TCanvasAccess::Painter(*this);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.drawImage(x + FOrigin.X, y + FOrigin.Y, image);
  TCanvasAccess::Drawn(*this);
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap& bitmap) {
  if (bitmap.Empty() || dest.IsEmpty() || !Drawable(*this)) return;
  QImage image = TBitmapAccess::DrawableImage(bitmap);
  QPainter& p = TCanvasAccess::Painter(*this);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  TRect d = dest;
  OffsetRect(d, FOrigin.X, FOrigin.Y);
  p.drawImage(ToQRect(d), image);
  TCanvasAccess::Drawn(*this);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
  if (dest.IsEmpty() || !Drawable(*this)) return;
  QPainter::CompositionMode mode = QPainter::CompositionMode_Source;
  switch (FCopyMode) {
    case cmSrcCopy:
      break;
    case cmSrcInvert:
      mode = QPainter::RasterOp_SourceXorDestination;
      break;
    case cmSrcAnd:
      mode = QPainter::RasterOp_SourceAndDestination;
      break;
    case cmSrcPaint:
      mode = QPainter::RasterOp_SourceOrDestination;
      break;
    case cmDstInvert:
      InvertRect(dest);
      return;
  }
  QImage* sourceImage = TCanvasAccess::Image(source);
  if (!sourceImage || sourceImage->isNull() || sourceRect.IsEmpty()) return;
  TCanvasAccess::Release(source);
  TRect s = sourceRect;
  OffsetRect(s, source.FOrigin.X, source.FOrigin.Y);
  QImage part = sourceImage->copy(ToQRect(s));
  TRect d = dest;
  OffsetRect(d, FOrigin.X, FOrigin.Y);
  QPainter& p = TCanvasAccess::Painter(*this);
  p.setCompositionMode(mode);
  p.drawImage(ToQRect(d), part);
  TCanvasAccess::Drawn(*this);
}

void TCanvas::BrushCopy(const TRect& dest, const TBitmap& bitmap, const TRect& source, TColor transparent) {
  if (dest.IsEmpty() || !Drawable(*this)) return;
  FillRect(dest);
  if (bitmap.Empty() || source.IsEmpty()) return;
  QImage part = TBitmapAccess::Image(bitmap).copy(ToQRect(source)).convertToFormat(QImage::Format_ARGB32);
  QRgb key = ToQColor(transparent).rgb() & 0xFFFFFF;
  for (int y = 0; y < part.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(part.scanLine(y));
    for (int x = 0; x < part.width(); ++x)
      if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
  }
  TRect d = dest;
  OffsetRect(d, FOrigin.X, FOrigin.Y);
  QPainter& p = TCanvasAccess::Painter(*this);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.drawImage(ToQRect(d), part);
  TCanvasAccess::Drawn(*this);
}

void TCanvas::ScrollPixels(int dx, int dy, const TRect& rect) {
  if (rect.IsEmpty() || (dx == 0 && dy == 0) || !Drawable(*this)) return;
  TRect r = rect;
  OffsetRect(r, FOrigin.X, FOrigin.Y);
  TCanvasAccess::Release(*this);
  QImage* image = TCanvasAccess::Image(*this);
  QRect area = ToQRect(r).intersected(image->rect());
  QImage part = image->copy(area);
  QPainter p(image);
  p.setClipRect(area);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(area.topLeft() + QPoint(dx, dy), part);
  p.end();
  TCanvasAccess::Drawn(*this);
}

// --- State scope ---------------------------------------------------------------------

struct TCanvasStateScope::TSaved {
  TFont Font;
  TBrush Brush;
  TPen Pen;
  TBkMode BkMode;
  TCopyMode CopyMode;
  TPoint PenPos;
  TPoint Origin;
  std::optional<QRegion> UserClip;
};

TCanvasStateScope::TCanvasStateScope(TCanvas& canvas) : FCanvas(canvas), FSaved(std::make_unique<TSaved>()) {
  FSaved->Font.Assign(&canvas.FFont);
  FSaved->Brush.Assign(&canvas.FBrush);
  FSaved->Pen.Assign(&canvas.FPen);
  FSaved->BkMode = canvas.FBkMode;
  FSaved->CopyMode = canvas.FCopyMode;
  FSaved->PenPos = canvas.FPenPos;
  FSaved->Origin = canvas.FOrigin;
  FSaved->UserClip = canvas.FPrivate->UserClip;
}

TCanvasStateScope::~TCanvasStateScope() {
  // Assigning plain data does not throw; the change handlers are the
  // canvas's own, which do not either.
  FCanvas.FFont.Assign(&FSaved->Font);
  FCanvas.FBrush.Assign(&FSaved->Brush);
  FCanvas.FPen.Assign(&FSaved->Pen);
  FCanvas.FBkMode = FSaved->BkMode;
  FCanvas.FCopyMode = FSaved->CopyMode;
  FCanvas.FPenPos = FSaved->PenPos;
  FCanvas.FOrigin = FSaved->Origin;
  FCanvas.FPrivate->UserClip = FSaved->UserClip;
  FCanvas.FPrivate->ClipDirty = true;
}
