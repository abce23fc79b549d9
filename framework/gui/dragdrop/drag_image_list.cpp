#include "framework/gui/dragdrop/drag_image_list.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/gui/controls/win_control.h"
#include "framework/gui/graphics/bitmap_p.h"
#include "framework/gui/graphics/qt_graphics.h"
#include "framework/gui/overlays/screen_overlay.h"
#include "framework/gui/overlays/screen_overlay_p.h"

class TDragImageListPrivate {
 public:
  // Each image at the list's size, masked pixels fully transparent.
  std::vector<QImage> Images;
  TScreenOverlay Overlay;
};

TDragImageList::TDragImageList(TComponent* owner)
    : TComponent(owner), FPrivate(std::make_unique<TDragImageListPrivate>()) {}

TDragImageList::TDragImageList(TComponent* owner, int width, int height) : TDragImageList(owner) {
  SetSize(width, height);
}

TDragImageList::~TDragImageList() = default;

int TDragImageList::Count() const { return static_cast<int>(FPrivate->Images.size()); }

void TDragImageList::SetSize(int width, int height) {
  width = std::max(1, width);
  height = std::max(1, height);
  if (width == FWidth && height == FHeight) return;
  if (FDragging) EndDrag();
  FWidth = width;
  FHeight = height;
  Clear();
}

int TDragImageList::AddMasked(const TBitmap& image, TColor maskColor) {
  QImage picture(FWidth, FHeight, QImage::Format_ARGB32);
  picture.fill(Qt::transparent);
  {
    QPainter p(&picture);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, TBitmapAccess::Image(image));
  }
  if (maskColor != clNone) {
    QRgb key = ToQColor(maskColor).rgb() & 0xFFFFFF;
    for (int y = 0; y < picture.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
      for (int x = 0; x < picture.width(); ++x)
        if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
  }
  FPrivate->Images.push_back(std::move(picture));
  return Count() - 1;
}

void TDragImageList::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  FPrivate->Images.erase(FPrivate->Images.begin() + index);
}

void TDragImageList::Clear() { FPrivate->Images.clear(); }

bool TDragImageList::SetDragImage(int index, int hotSpotX, int hotSpotY) {
  if (index < 0 || index >= Count()) return false;
  FDragIndex = index;
  FHotSpot = Point(hotSpotX, hotSpotY);
  return true;
}

bool TDragImageList::BeginDrag(TWinControl* window, int x, int y) {
  if (FDragIndex < 0 || FDragIndex >= Count()) return false;
  FOrigin = window ? window->ClientToScreen(Point(0, 0)) : Point(0, 0);
  TScreenOverlayAccess::SetImage(FPrivate->Overlay, FPrivate->Images[static_cast<std::size_t>(FDragIndex)]);
  FDragging = true;
  PlaceImage(x, y);
  FPrivate->Overlay.Show();
  return true;
}

void TDragImageList::PlaceImage(int x, int y) {
  FPrivate->Overlay.SetPosition(Point(FOrigin.X + x - FHotSpot.X, FOrigin.Y + y - FHotSpot.Y));
}

bool TDragImageList::DragMove(int x, int y) {
  if (!FDragging) return false;
  PlaceImage(x, y);
  return true;
}

void TDragImageList::EndDrag() {
  FDragging = false;
  FPrivate->Overlay.Hide();
}

void TDragImageList::HideDragImage() {
  if (!FDragging) return;
  FPrivate->Overlay.Hide();
}

void TDragImageList::ShowDragImage() {
  if (!FDragging) return;
  FPrivate->Overlay.Show();
}

bool TDragImageList::DragImageShown() const { return FDragging && FPrivate->Overlay.Visible(); }

TRect TDragImageList::DragImageRect() const { return FDragging ? FPrivate->Overlay.BoundsRect() : TRect(); }
