#include "framework/gui/controls/custom_control.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/bitmap_p.h"
#include "framework/gui/controls/custom_control_p.h"
#include "framework/gui/graphics/qt_graphics.h"
#include "framework/gui/controls/win_control_p.h"

namespace {

// The outer widget: border, scroll bars and the client widget inside.
class TFrameWidget : public QWidget {
 public:
  explicit TFrameWidget(TCustomControl& control) : FControl(control) {}

 protected:
  void paintEvent(QPaintEvent* event) override {
    TControlInput::Guard(&FControl, [&] {
      TBitmap frame(width(), height());
      TRect r = Rect(0, 0, width(), height());
      FControl.Perform(WM_NCPAINT, reinterpret_cast<WPARAM>(&frame.Canvas()), reinterpret_cast<LPARAM>(&r));
      QPainter p(this);
      QImage image = TBitmapAccess::Image(frame);
      p.drawImage(event->rect(), image, event->rect());
    });
  }

 private:
  TCustomControl& FControl;
};

// The client area: shows the back buffer.
class TClientWidget : public QWidget {
 public:
  explicit TClientWidget(TCustomControl& control, QWidget* parent) : QWidget(parent), FControl(control) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    TCustomControlAccess::Private(FControl).PaintClient(this, event->region(), event->rect());
  }

 private:
  TCustomControl& FControl;
};

int Index(TScrollBarKind kind) { return kind == sbHorizontal ? 0 : 1; }

}  // namespace

int GetScrollBarExtent() {
  return QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
}

// --- Back buffer -----------------------------------------------------------------------

QImage* TCustomControlPrivate::TargetImage() {
  QSize size(std::max(1, Control.ClientWidth()), std::max(1, Control.ClientHeight()));
  if (Buffer.size() != size) {
    if (Canvas) TCanvasAccess::Release(*Canvas);
    QImage resized(size, QImage::Format_RGB32);
    resized.fill(ToQColor(Control.Color()));
    if (!Buffer.isNull()) {
      QPainter p(&resized);
      p.drawImage(0, 0, Buffer);
    }
    Buffer = std::move(resized);
    Valid = Valid.intersected(QRect(QPoint(0, 0), size));
  }
  return &Buffer;
}

void TCustomControlPrivate::TargetDrawn() {
  if (Painting) return;
  QWidget* client = TWidgetAccess::Client(Control);
  if (client) client->update();
}

void TCustomControlPrivate::PaintClient(QWidget* client, const QRegion& exposed, const QRect& shown) {
  TCanvas& canvas = Control.Canvas();
  TargetImage();
  QRect all(QPoint(0, 0), Buffer.size());
  QRegion need = Invalid.united(exposed.subtracted(Valid)).intersected(all);
  Invalid = QRegion();
  if (!need.isEmpty()) {
    TCanvasAccess::Release(canvas);
    TCanvasAccess::SetBaseClip(canvas, &need);
    canvas.SelectClipRegion(nullptr);
    canvas.SetOrigin(Point(0, 0));
    Painting = true;
    TRect client = Rect(0, 0, Control.ClientWidth(), Control.ClientHeight());
    TControlInput::Guard(&Control, [&] {
      Control.Perform(WM_PAINT, reinterpret_cast<WPARAM>(&canvas), reinterpret_cast<LPARAM>(&client));
    });
    Painting = false;
    TCanvasAccess::Release(canvas);
    TCanvasAccess::SetBaseClip(canvas, nullptr);
    canvas.SelectClipRegion(nullptr);
    canvas.SetOrigin(Point(0, 0));
    Valid = Valid.united(need);
  }
  QPainter p(client);
  p.drawImage(shown, Buffer, shown);
}

// --- TCustomControl --------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), FPrivate(std::make_unique<TCustomControlPrivate>(*this)) {
  SetControlStyle(ControlStyle() + csOpaque);
  HandleNeeded();
}

TCustomControl::~TCustomControl() {
  if (FPrivate->Canvas) TCanvasAccess::Release(*FPrivate->Canvas);
}

void TCustomControl::CreateWnd() {
  auto* frame = new TFrameWidget(*this);
  auto* client = new TClientWidget(*this, frame);
  for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
    auto* bar = new QScrollBar(kind == sbHorizontal ? Qt::Horizontal : Qt::Vertical, frame);
    bar->setTracking(false);
    bar->setFocusPolicy(Qt::NoFocus);
    bar->hide();
    int i = Index(kind);
    FPrivate->Bars[i] = bar;
    // The control decides where the bar goes: after each request the thumb
    // returns to the position the control set, except while it is dragged.
    QObject::connect(bar, &QAbstractSlider::actionTriggered, [this, bar, kind, i](int action) {
      int code = -1;
      switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
          code = SB_LINEDOWN;
          break;
        case QAbstractSlider::SliderSingleStepSub:
          code = SB_LINEUP;
          break;
        case QAbstractSlider::SliderPageStepAdd:
          code = SB_PAGEDOWN;
          break;
        case QAbstractSlider::SliderPageStepSub:
          code = SB_PAGEUP;
          break;
        case QAbstractSlider::SliderToMinimum:
          code = SB_TOP;
          break;
        case QAbstractSlider::SliderToMaximum:
          code = SB_BOTTOM;
          break;
        case QAbstractSlider::SliderMove:
          code = SB_THUMBTRACK;
          break;
        default:
          return;
      }
      int pos = bar->sliderPosition();
      if (code == SB_THUMBTRACK) FPrivate->Info[i].TrackPos = pos;
      TControlInput::Guard(
          this, [&] { Perform(kind == sbVertical ? WM_VSCROLL : WM_HSCROLL, ScrollParam(code, pos)); });
      if (code != SB_THUMBTRACK && FPrivate->Bars[i])
        FPrivate->Bars[i]->setSliderPosition(FPrivate->Info[i].Pos);
    });
    QObject::connect(bar, &QAbstractSlider::sliderReleased, [this, bar, kind, i] {
      int pos = bar->sliderPosition();
      FPrivate->Info[i].TrackPos = pos;
      TControlInput::Guard(this, [&] {
        unsigned msg = kind == sbVertical ? WM_VSCROLL : WM_HSCROLL;
        Perform(msg, ScrollParam(SB_THUMBPOSITION, pos));
        Perform(msg, ScrollParam(SB_ENDSCROLL, 0));
      });
      if (FPrivate->Bars[i]) FPrivate->Bars[i]->setSliderPosition(FPrivate->Info[i].Pos);
    });
  }
  TWidgetAccess::Attach(*this, frame, client);
  // A press on a bar is a press on the form too (cancel mode).
  for (QScrollBar* bar : FPrivate->Bars) TWidgetAccess::Watch(*this, bar);
}

void TCustomControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_PAINT:
      Paint();
      return;
    case WM_NCPAINT:
      if (message.WParam && message.LParam)
        PaintNonClient(*reinterpret_cast<TCanvas*>(message.WParam),
                       *reinterpret_cast<const TRect*>(message.LParam));
      return;
    case WM_VSCROLL:
      WMVScroll(ScrollCodeOf(message.WParam), ScrollPosOf(message.WParam));
      return;
    case WM_HSCROLL:
      WMHScroll(ScrollCodeOf(message.WParam), ScrollPosOf(message.WParam));
      return;
    default:
      TWinControl::WndProc(message);
  }
}

TCanvas& TCustomControl::Canvas() {
  if (!FPrivate->Canvas) {
    FPrivate->Canvas = std::make_unique<TCanvas>();
    TCanvasAccess::SetTarget(*FPrivate->Canvas, FPrivate.get());
  }
  return *FPrivate->Canvas;
}

void TCustomControl::SetBorderStyle(TBorderStyle style) {
  if (style == FBorderStyle) return;
  FBorderStyle = style;
  FrameChanged();
}

int TCustomControl::NonClientBorder() const { return FBorderStyle == bsSingle ? 2 : 0; }

TRect TCustomControl::NonClientInsets() const {
  int b = std::max(0, NonClientBorder());
  return Rect(b, b, b, b);
}

namespace {

// Insets never below 0.
TRect Insets(const TRect& insets) {
  return Rect(std::max(0, insets.Left), std::max(0, insets.Top), std::max(0, insets.Right),
              std::max(0, insets.Bottom));
}

}  // namespace

void TCustomControl::SetWindowRegion(const TRegion* region) {
  FPrivate->HasRegion = region != nullptr;
  QWidget* frame = TWidgetAccess::Window(*this);
  if (region)
    frame->setMask(TRegionAccess::Region(*region));
  else
    frame->clearMask();
}

bool TCustomControl::HasWindowRegion() const { return FPrivate->HasRegion; }

void TCustomControl::FrameChanged() {
  LayoutWindow();
  Realign();
  if (HandleAllocated()) TWidgetAccess::Window(*this)->update();
}

void TCustomControl::LayoutWindow() {
  if (!HandleAllocated()) return;
  QWidget* frame = TWidgetAccess::Window(*this);
  QWidget* client = TWidgetAccess::Client(*this);
  TRect in = Insets(NonClientInsets());
  int extent = GetScrollBarExtent();
  bool h = FPrivate->BarShown[0], v = FPrivate->BarShown[1];
  TRect c = ClientRect();
  int cw = c.Width(), ch = c.Height();
  TWidgetAccess::Handle(*this).SettingGeometry = true;
  client->setGeometry(in.Left, in.Top, cw, ch);
  TWidgetAccess::Handle(*this).SettingGeometry = false;
  if (QScrollBar* bar = FPrivate->Bars[0]) {
    bar->setGeometry(in.Left, in.Top + ch, cw, extent);
    bar->setVisible(h);
  }
  if (QScrollBar* bar = FPrivate->Bars[1]) {
    bar->setGeometry(in.Left + cw, in.Top, extent, ch);
    bar->setVisible(v);
  }
  frame->update();
}

TRect TCustomControl::ClientRect() const {
  TRect in = Insets(NonClientInsets());
  int extent = GetScrollBarExtent();
  int cw = std::max(0, Width() - in.Left - in.Right - (FPrivate->BarShown[1] ? extent : 0));
  int ch = std::max(0, Height() - in.Top - in.Bottom - (FPrivate->BarShown[0] ? extent : 0));
  return Rect(0, 0, cw, ch);
}

void TCustomControl::Paint() {
  Canvas().Brush().SetColor(Color());
  Canvas().FillRect(ClientRect());
}

void TCustomControl::PaintNonClient(TCanvas& canvas, const TRect& windowRect) {
  TRect r = windowRect;
  if (FBorderStyle == bsSingle) canvas.DrawEdge(r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  if (FPrivate->BarShown[0] && FPrivate->BarShown[1]) {
    int extent = GetScrollBarExtent();
    TRect in = Insets(NonClientInsets());
    canvas.Brush().SetColor(clBtnFace);
    canvas.FillRect(Rect(windowRect.Right - in.Right - extent, windowRect.Bottom - in.Bottom - extent,
                         windowRect.Right - in.Right, windowRect.Bottom - in.Bottom));
  }
}

// --- Invalidation and scrolling ---------------------------------------------------------

void TCustomControl::Invalidate() {
  FPrivate->Invalid = QRegion(0, 0, std::max(0, ClientWidth()), std::max(0, ClientHeight()));
  if (QWidget* client = TWidgetAccess::Client(*this)) client->update();
}

void TCustomControl::InvalidateRect(const TRect& rect) {
  if (rect.IsEmpty()) return;
  FPrivate->Invalid = FPrivate->Invalid.united(ToQRect(rect));
  if (QWidget* client = TWidgetAccess::Client(*this)) client->update(ToQRect(rect));
}

void TCustomControl::Update() {
  QWidget* client = TWidgetAccess::Client(*this);
  if (!client || !client->isVisible() || FPrivate->Invalid.isEmpty()) return;
  client->repaint(FPrivate->Invalid);
}

void TCustomControl::ScrollWindowEx(int dx, int dy, const TRect* scroll, const TRect* clip, unsigned flags) {
  QRect area(0, 0, ClientWidth(), ClientHeight());
  if (scroll) area = area.intersected(ToQRect(*scroll));
  QRect limit = area;
  if (clip) limit = limit.intersected(ToQRect(*clip));
  if (limit.isEmpty() || (dx == 0 && dy == 0)) return;

  TCustomControlPrivate& d = *FPrivate;
  TCanvas& canvas = Canvas();
  d.TargetImage();
  TCanvasAccess::Release(canvas);
  QImage part = d.Buffer.copy(area);
  {
    QPainter p(&d.Buffer);
    p.setClipRect(limit);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(area.topLeft() + QPoint(dx, dy), part);
  }
  // Pending repaints move with the pixels; the uncovered part is new.
  QRegion moved = d.Invalid.intersected(area).translated(dx, dy).intersected(limit);
  d.Invalid = d.Invalid.subtracted(limit).united(moved);
  QRegion validMoved = d.Valid.intersected(area).translated(dx, dy).intersected(limit);
  d.Valid = d.Valid.subtracted(limit).united(validMoved);
  QRegion uncovered = QRegion(limit).subtracted(QRegion(area.translated(dx, dy)));
  if (flags & SW_INVALIDATE) d.Invalid = d.Invalid.united(uncovered);
  if (flags & SW_SCROLLCHILDREN) {
    for (int i = 0; i < ControlCount(); ++i) {
      TControl* child = Controls(i);
      if (area.intersects(ToQRect(child->BoundsRect())))
        child->SetBounds(child->Left() + dx, child->Top() + dy, child->Width(), child->Height());
    }
  }
  if (QWidget* client = TWidgetAccess::Client(*this)) client->update(limit);
}

// --- Scroll bars ----------------------------------------------------------------------------

bool TCustomControl::ScrollBarVisible(TScrollBarKind kind) const { return FPrivate->BarShown[Index(kind)]; }

void TCustomControl::ShowScrollBar(TScrollBarKind kind, bool show) {
  int i = Index(kind);
  if (FPrivate->BarShown[i] == show) return;
  FPrivate->BarShown[i] = show;
  FrameChanged();
  Resize();
}

int TCustomControl::SetScrollInfo(TScrollBarKind kind, const TScrollInfo& info, bool redraw) {
  int i = Index(kind);
  TScrollInfo& s = FPrivate->Info[i];
  if (info.Mask & SIF_RANGE) {
    s.Min = info.Min;
    s.Max = std::max(info.Min, info.Max);
  }
  if (info.Mask & SIF_PAGE) s.Page = std::clamp(info.Page, 0, s.Max - s.Min + 1);
  if (info.Mask & SIF_POS) s.Pos = info.Pos;
  int highest = s.Max - std::max(s.Page - 1, 0);
  s.Pos = std::clamp(s.Pos, s.Min, std::max(s.Min, highest));
  if (QScrollBar* bar = FPrivate->Bars[i]) {
    QSignalBlocker block(bar);
    bar->setRange(s.Min, std::max(s.Min, highest));
    bar->setPageStep(std::max(1, s.Page));
    bar->setSingleStep(1);
    bar->setValue(s.Pos);
    bar->setSliderPosition(s.Pos);
  }
  bool needed = s.Page > 0 ? s.Max - s.Min + 1 > s.Page : s.Max > s.Min;
  bool show = needed || (info.Mask & SIF_DISABLENOSCROLL && FPrivate->BarShown[i]);
  if (QScrollBar* bar = FPrivate->Bars[i]) bar->setEnabled(needed);
  ShowScrollBar(kind, show);
  return s.Pos;
}

bool TCustomControl::GetScrollInfo(TScrollBarKind kind, TScrollInfo& info) const {
  const TScrollInfo& s = FPrivate->Info[Index(kind)];
  if (info.Mask & SIF_RANGE) {
    info.Min = s.Min;
    info.Max = s.Max;
  }
  if (info.Mask & SIF_PAGE) info.Page = s.Page;
  if (info.Mask & SIF_POS) info.Pos = s.Pos;
  if (info.Mask & SIF_TRACKPOS) info.TrackPos = s.TrackPos;
  return true;
}
