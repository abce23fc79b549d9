// A transparent child widget over the control's client area that paints
// its marks with an inverting raster operation: Qt paints the control
// under it first, so the marks invert whatever is there, also after the
// control repainted.

#include "framework/gui/overlays/xor_overlay.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include "framework/gui/graphics/qt_graphics.h"
#include "framework/gui/controls/win_control_p.h"

namespace {

class TXorWidget : public QWidget {
 public:
  explicit TXorWidget(QWidget* client) : QWidget(client) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(client->rect());
    client->installEventFilter(this);
  }

  QRegion Marks;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parent() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    return false;
  }
  void paintEvent(QPaintEvent* event) override {
    QRegion paint = Marks.intersected(event->region());
    if (paint.isEmpty()) return;
    QPainter p(this);
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    for (const QRect& r : paint) p.fillRect(r, Qt::black);
  }
};

}  // namespace

class TXorOverlayPrivate {
 public:
  explicit TXorOverlayPrivate(TWinControl& control) : Widget(new TXorWidget(TWidgetAccess::Client(control))) {}
  ~TXorOverlayPrivate() { delete Widget.data(); }

  // Dies with the control's client widget when the control goes first.
  QPointer<TXorWidget> Widget;
  QRegion Marks;

  void Apply(const QRegion& changed) {
    if (!Widget) return;
    Widget->Marks = Marks;
    if (Marks.isEmpty()) {
      Widget->hide();
    } else {
      // Above the children made since (an editor, say).
      Widget->raise();
      Widget->show();
    }
    Widget->parentWidget()->update(changed);
  }
};

TXorOverlay::TXorOverlay(TWinControl& control) : FPrivate(std::make_unique<TXorOverlayPrivate>(control)) {
  if (FPrivate->Widget) FPrivate->Widget->hide();
}

TXorOverlay::~TXorOverlay() = default;

void TXorOverlay::Toggle(const TRect& rect) {
  if (rect.IsEmpty()) return;
  QRegion r(ToQRect(rect));
  FPrivate->Marks = FPrivate->Marks.xored(r);
  FPrivate->Apply(r);
}

void TXorOverlay::Clear() {
  QRegion old = FPrivate->Marks;
  if (old.isEmpty()) return;
  FPrivate->Marks = QRegion();
  FPrivate->Apply(old);
}

bool TXorOverlay::Empty() const { return FPrivate->Marks.isEmpty(); }

TRegion TXorOverlay::Marks() const {
  TRegion region;
  TRegionAccess::Region(region) = FPrivate->Marks;
  return region;
}
