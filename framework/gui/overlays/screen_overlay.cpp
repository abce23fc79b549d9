#include "framework/gui/overlays/screen_overlay.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QWindow>

#include "framework/gui/graphics/bitmap_p.h"
#include "framework/gui/graphics/qt_graphics.h"
#include "framework/gui/overlays/screen_overlay_p.h"
#include "framework/gui/controls/win_control_p.h"

namespace {

class TOverlayWidget : public QWidget {
 public:
  QImage Picture;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, Picture);
  }
};

}  // namespace

void MakeInertWindow(QWidget* widget) {
  // Not Qt::Popup, which grabs the mouse and the keyboard.
  widget->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput);
  widget->setAttribute(Qt::WA_ShowWithoutActivating);
  widget->setAttribute(Qt::WA_TransparentForMouseEvents);
  widget->setFocusPolicy(Qt::NoFocus);
}

class TScreenOverlayPrivate {
 public:
  TScreenOverlayPrivate() : Widget(new TOverlayWidget) { MakeInertWindow(Widget); }
  ~TScreenOverlayPrivate() { delete Widget.data(); }

  void ApplyShape() {
    QRegion shape;
    if (!Widget->Picture.isNull() && Widget->Picture.hasAlphaChannel())
      shape = QRegion(QBitmap::fromImage(Widget->Picture.createAlphaMask()));
    else
      shape = QRegion(Widget->rect());
    if (HasShape) shape = shape.intersected(Shape);
    if (shape == QRegion(Widget->rect()))
      Widget->clearMask();
    else
      Widget->setMask(shape);
  }

  QPointer<TOverlayWidget> Widget;
  bool HasShape = false;
  QRegion Shape;
};

QWidget* TScreenOverlayAccess::Widget(const TScreenOverlay& overlay) { return overlay.FPrivate->Widget; }

TScreenOverlay::TScreenOverlay() : FPrivate(std::make_unique<TScreenOverlayPrivate>()) {}

TScreenOverlay::~TScreenOverlay() = default;

void TScreenOverlayAccess::SetImage(TScreenOverlay& overlay, const QImage& image) {
  TOverlayWidget* w = overlay.FPrivate->Widget;
  w->Picture = image;
  w->resize(std::max(1, image.width()), std::max(1, image.height()));
  overlay.FPrivate->ApplyShape();
  w->update();
}

void TScreenOverlay::SetPicture(const TBitmap& picture) {
  TScreenOverlayAccess::SetImage(*this, TBitmapAccess::DrawableImage(picture));
}

void TScreenOverlay::SetShape(const TRegion* shape) {
  FPrivate->HasShape = shape != nullptr;
  FPrivate->Shape = shape ? TRegionAccess::Region(*shape) : QRegion();
  FPrivate->ApplyShape();
}

TPoint TScreenOverlay::Position() const { return FromQPoint(FPrivate->Widget->pos()); }

void TScreenOverlay::SetPosition(TPoint topLeft) {
  if (FPrivate->Widget->pos() != ToQPoint(topLeft)) FPrivate->Widget->move(ToQPoint(topLeft));
}

TRect TScreenOverlay::BoundsRect() const { return FromQRect(FPrivate->Widget->geometry()); }

bool TScreenOverlay::Visible() const { return FPrivate->Widget->isVisible(); }

void TScreenOverlay::Show() { FPrivate->Widget->show(); }

void TScreenOverlay::Hide() { FPrivate->Widget->hide(); }

void TScreenOverlay::SetOwner(TWinControl* owner) {
  QWidget* w = FPrivate->Widget;
  w->winId();
  QWindow* parent = owner ? TWidgetAccess::Window(*owner)->window()->windowHandle() : nullptr;
  if (w->windowHandle()) w->windowHandle()->setTransientParent(parent);
}
