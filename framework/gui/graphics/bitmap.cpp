#include "framework/gui/graphics/bitmap.h"

#include <QPainter>

#include "framework/gui/graphics/bitmap_p.h"
#include "framework/gui/graphics/canvas.h"
#include "framework/gui/graphics/canvas_p.h"
#include "framework/gui/graphics/qt_graphics.h"

class TBitmapData : public TCanvasTarget {
 public:
  QImage* TargetImage() override { return &Image; }
  QImage Image;
};

namespace {

QImage NewImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

}  // namespace

TBitmap::TBitmap() : FData(std::make_unique<TBitmapData>()) {}

TBitmap::TBitmap(int width, int height) : TBitmap() { SetSize(width, height); }

TBitmap::~TBitmap() {
  // The canvas's painter refers to the image: finish it first.
  if (FCanvas) TCanvasAccess::Release(*FCanvas);
}

int TBitmap::Width() const { return FData->Image.width(); }
int TBitmap::Height() const { return FData->Image.height(); }

void TBitmap::SetSize(int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (width == Width() && height == Height()) return;
  if (FCanvas) TCanvasAccess::Release(*FCanvas);
  if (width == 0 || height == 0) {
    FData->Image = QImage();
    return;
  }
  QImage image = NewImage(width, height);
  if (!FData->Image.isNull()) {
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, FData->Image);
  }
  FData->Image = std::move(image);
}

TCanvas& TBitmap::Canvas() {
  if (!FCanvas) {
    FCanvas = std::make_unique<TCanvas>();
    TCanvasAccess::SetTarget(*FCanvas, FData.get());
  }
  return *FCanvas;
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentColorSet) return FTransparentColor;
  const QImage& image = TBitmapAccess::Image(*this);
  if (image.isNull()) return clWhite;
  return FromQRgb(image.pixel(0, image.height() - 1));
}

void TBitmap::SetTransparentColor(TColor color) {
  FTransparentColor = color;
  FTransparentColorSet = true;
}

void TBitmap::SetMonochrome(bool monochrome) {
  if (monochrome == FMonochrome) return;
  FMonochrome = monochrome;
  if (!monochrome || FData->Image.isNull()) return;
  if (FCanvas) TCanvasAccess::Release(*FCanvas);
  QImage& image = FData->Image;
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x)
      line[x] = (line[x] & 0xFFFFFF) == 0xFFFFFF ? 0xFFFFFFFFu : 0xFF000000u;
  }
}

void TBitmap::Assign(const TPersistent* source) {
  if (source == nullptr) {
    SetSize(0, 0);
    return;
  }
  if (auto* other = dynamic_cast<const TBitmap*>(source)) {
    if (other == this) return;
    if (FCanvas) TCanvasAccess::Release(*FCanvas);
    FData->Image = TBitmapAccess::Image(*other).copy();
    FTransparent = other->FTransparent;
    FTransparentColorSet = other->FTransparentColorSet;
    FTransparentColor = other->FTransparentColor;
    FMonochrome = other->FMonochrome;
    return;
  }
  TPersistent::Assign(source);
}

const QImage& TBitmapAccess::Image(const TBitmap& bitmap) {
  if (bitmap.FCanvas) TCanvasAccess::Release(*bitmap.FCanvas);
  return bitmap.FData->Image;
}

QImage TBitmapAccess::DrawableImage(const TBitmap& bitmap) {
  const QImage& image = Image(bitmap);
  if (!bitmap.Transparent() || image.isNull()) return image;
  QRgb key = ToQColor(bitmap.TransparentColor()).rgb() & 0xFFFFFF;
  QImage masked = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < masked.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
    for (int x = 0; x < masked.width(); ++x)
      if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
  }
  return masked;
}
