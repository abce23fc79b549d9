#include "framework/gui/graphics/image_list.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/bitmap_p.h"
#include "framework/gui/graphics/canvas.h"
#include "framework/gui/graphics/canvas_p.h"
#include "framework/gui/graphics/qt_graphics.h"

// Each picture keeps its colour pixels and its mask apart, as the platform
// does: the mask decides what is drawn, whatever colour the pixel has.
struct TCustomImageList::TImage {
  QImage Pixels;  // RGB32
  QImage Mask;    // Grayscale8: 255 = masked out
};

namespace {

QRgb Blend(QRgb pixel, QRgb with, int percent) {
  auto mix = [percent](int a, int b) { return (a * (100 - percent) + b * percent) / 100; };
  return qRgb(mix(qRed(pixel), qRed(with)), mix(qGreen(pixel), qGreen(with)), mix(qBlue(pixel), qBlue(with)));
}

// Image-list colour values: CLR_NONE and CLR_DEFAULT are marks, anything
// else an RGB (system colours are resolved by the caller's mapping).
bool IsPlainColor(TColor c) { return c != CLR_NONE && c != CLR_DEFAULT; }

}  // namespace

// --- TChangeLink ------------------------------------------------------------------

TChangeLink::~TChangeLink() {
  if (FSender != nullptr) FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(FSender);
}

// --- TCustomImageList -----------------------------------------------------------

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::TCustomImageList(TComponent* owner, int width, int height) : TComponent(owner) {
  FWidth = std::max(width, 1);
  FHeight = std::max(height, 1);
}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* link : FLinks) link->FSender = nullptr;
  FLinks.clear();
}

void TCustomImageList::SetSize(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (width == FWidth && height == FHeight) return;
  FWidth = width;
  FHeight = height;
  FImages.clear();
  Change();
}

int TCustomImageList::Add(const TBitmap& image, const TBitmap* mask) {
  const int first = Count();
  if (image.Empty()) return -1;
  const QImage& source = TBitmapAccess::Image(image);
  const QImage* maskSource = mask != nullptr && !mask->Empty() ? &TBitmapAccess::Image(*mask) : nullptr;
  const int pieces = std::max(1, source.width() / FWidth);
  for (int i = 0; i < pieces; ++i) {
    auto picture = std::make_unique<TImage>();
    picture->Pixels = QImage(FWidth, FHeight, QImage::Format_RGB32);
    picture->Pixels.fill(Qt::black);
    picture->Mask = QImage(FWidth, FHeight, QImage::Format_Grayscale8);
    picture->Mask.fill(0);
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x) {
        const int sx = i * FWidth + x;
        if (sx >= source.width() || y >= source.height()) {
          picture->Mask.setPixel(x, y, qRgb(255, 255, 255));
          continue;
        }
        picture->Pixels.setPixel(x, y, source.pixel(sx, y));
        if (maskSource != nullptr && maskSource->valid(sx, y) && (maskSource->pixel(sx, y) & 0xFFFFFF) == 0xFFFFFF)
          picture->Mask.setPixel(x, y, qRgb(255, 255, 255));
      }
    FImages.push_back(std::move(picture));
  }
  Change();
  return first;
}

int TCustomImageList::AddMasked(const TBitmap& image, TColor maskColor) {
  if (image.Empty()) return -1;
  const QImage& source = TBitmapAccess::Image(image);
  const QRgb key = maskColor == clDefault ? source.pixel(0, source.height() - 1) & 0xFFFFFF
                                          : ToQColor(maskColor).rgb() & 0xFFFFFF;
  TBitmap mask(source.width(), source.height());
  TCanvas& canvas = mask.Canvas();
  for (int y = 0; y < source.height(); ++y)
    for (int x = 0; x < source.width(); ++x)
      canvas.SetPixel(x, y, (source.pixel(x, y) & 0xFFFFFF) == key ? clWhite : clBlack);
  return Add(image, &mask);
}

void TCustomImageList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  FImages.erase(FImages.begin() + index);
  Change();
}

void TCustomImageList::Clear() {
  if (FImages.empty()) return;
  FImages.clear();
  Change();
}

void TCustomImageList::GetBitmap(int index, TBitmap& bitmap) const {
  if (index < 0 || index >= Count()) return;
  const TImage& picture = *FImages[static_cast<std::size_t>(index)];
  bitmap.SetSize(FWidth, FHeight);
  const TColor transparent = bitmap.TransparentColor();
  TCanvas& canvas = bitmap.Canvas();
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x)
      canvas.SetPixel(x, y, qGray(picture.Mask.pixel(x, y)) != 0 ? transparent : FromQRgb(picture.Pixels.pixel(x, y)));
}

bool TCustomImageList::IsMasked(int index, int x, int y) const {
  if (index < 0 || index >= Count() || x < 0 || y < 0 || x >= FWidth || y >= FHeight) return true;
  return qGray(FImages[static_cast<std::size_t>(index)]->Mask.pixel(x, y)) != 0;
}

void TCustomImageList::SetBkColor(TColor value) {
  if (value == FBkColor) return;
  FBkColor = value;
  Change();
}

void TCustomImageList::SetBlendColor(TColor value) {
  if (value == FBlendColor) return;
  FBlendColor = value;
  Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle value) {
  if (value == FDrawingStyle) return;
  FDrawingStyle = value;
  Change();
}

void TCustomImageList::SetImageType(TImageType value) {
  if (value == FImageType) return;
  FImageType = value;
  Change();
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const {
  if (index < 0 || index >= Count()) return;
  auto map = [](TColor c) { return c == clNone ? CLR_NONE : c == clDefault ? CLR_DEFAULT : ColorToRGB(c); };
  unsigned style = ILD_NORMAL;
  switch (FDrawingStyle) {
    case dsFocus:
      style = ILD_FOCUS;
      break;
    case dsSelected:
      style = ILD_SELECTED;
      break;
    case dsTransparent:
      style = ILD_TRANSPARENT;
      break;
    case dsNormal:
      break;
  }
  if (FImageType == itMask) style |= ILD_MASK;
  if (enabled) {
    DrawEx(canvas, x, y, index, map(FBkColor), map(FBlendColor), style);
    return;
  }
  // Disabled: the picture's shape in the shadow colour, without its
  // colours.
  const TImage& picture = *FImages[static_cast<std::size_t>(index)];
  QImage out(FWidth, FHeight, QImage::Format_ARGB32);
  const QRgb shadow = ToQColor(clBtnShadow).rgb();
  for (int py = 0; py < FHeight; ++py)
    for (int px = 0; px < FWidth; ++px)
      out.setPixel(px, py, qGray(picture.Mask.pixel(px, py)) != 0 ? 0u : shadow);
  QPainter& p = TCanvasAccess::Painter(canvas);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.drawImage(x + canvas.Origin().X, y + canvas.Origin().Y, out);
  TCanvasAccess::Drawn(canvas);
}

void TCustomImageList::DrawEx(TCanvas& canvas, int x, int y, int index, TColor bkColor, TColor blendColor,
                              unsigned style) const {
  if (index < 0 || index >= Count() || !canvas.HandleAllocated()) return;
  const TImage& picture = *FImages[static_cast<std::size_t>(index)];
  QImage out(FWidth, FHeight, QImage::Format_ARGB32);
  const bool maskOnly = (style & ILD_MASK) != 0;
  // A background colour fills the masked pixels unless the drawing is
  // transparent; CLR_NONE and CLR_DEFAULT let the canvas show through.
  const bool fillBack = !(style & ILD_TRANSPARENT) && IsPlainColor(bkColor);
  const QRgb back = fillBack ? ToQColor(bkColor).rgb() : 0u;
  int percent = 0;
  if (style & ILD_SELECTED) percent = 50;
  else if (style & ILD_FOCUS) percent = 25;
  const bool blend = percent > 0 && blendColor != CLR_NONE;
  const QRgb blendWith = blendColor == CLR_DEFAULT || !blend ? ToQColor(clHighlight).rgb() : ToQColor(blendColor).rgb();
  for (int py = 0; py < FHeight; ++py)
    for (int px = 0; px < FWidth; ++px) {
      const bool masked = qGray(picture.Mask.pixel(px, py)) != 0;
      QRgb pixel;
      if (maskOnly)
        pixel = masked ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
      else if (masked)
        pixel = fillBack ? back : 0u;
      else
        pixel = blend ? Blend(picture.Pixels.pixel(px, py), blendWith, percent) : picture.Pixels.pixel(px, py);
      out.setPixel(px, py, pixel);
    }
  QPainter& p = TCanvasAccess::Painter(canvas);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.drawImage(x + canvas.Origin().X, y + canvas.Origin().Y, out);
  TCanvasAccess::Drawn(canvas);
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
  if (link == nullptr) return;
  if (link->FSender != nullptr && link->FSender != this) link->FSender->UnRegisterChanges(link);
  link->FSender = this;
  if (std::find(FLinks.begin(), FLinks.end(), link) == FLinks.end()) FLinks.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
  if (link == nullptr) return;
  std::erase(FLinks, link);
  if (link->FSender == this) link->FSender = nullptr;
}

void TCustomImageList::Change() {
  // A handler may unregister its link (or another one) while being told.
  const std::vector<TChangeLink*> links = FLinks;
  for (TChangeLink* link : links)
    if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end()) link->Change();
}
