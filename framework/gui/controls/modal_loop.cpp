// The modal loop: a QEventLoop and an application event filter that takes
// input at the window level (each real input event reaches exactly one Qt
// window once, before Qt routes it to a widget), turns it into the
// control's messages and offers them to the body.

#include "framework/gui/controls/modal_loop.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimerEvent>
#include <QWheelEvent>
#include <exception>

#include "framework/core/base/exceptions.h"
#include "framework/gui/application/application.h"
#include "framework/gui/graphics/qt_graphics.h"
#include "framework/gui/controls/win_control_p.h"

class TModalLoopPrivate : public QObject {
 public:
  TModalLoopPrivate(TModalLoop& owner, TWinControl& control, TModalLoop::TBody body)
      : Owner(owner), Control(control), Body(std::move(body)), CaptureHook([this](TMessage& m) {
          if (m.Msg == WM_CAPTURECHANGED) Finish(mleCaptureLost);
          CaptureHook.CallPrevious(m);
        }) {}

  bool eventFilter(QObject* watched, QEvent* event) override;
  void Finish(TModalLoopEnd end);
  // Runs the body; a failure ends the loop and is kept for Run.
  bool Offer(TMessage& message);
  bool Translate(QEvent* event, TMessage& message) const;

  TModalLoop& Owner;
  TWinControl& Control;
  TModalLoop::TBody Body;
  TWindowProcHook CaptureHook;
  QEventLoop Loop;
  QPointer<QWidget> Window;  // gone when the control is freed
  int Interval = 0;
  int TimerId = 0;
  bool Running = false;
  bool Finished = false;
  TModalLoopEnd End = mleStopped;
  std::exception_ptr Failure;
  TModalLoopPrivate* Outer = nullptr;

 protected:
  void timerEvent(QTimerEvent* event) override;
};

namespace {

// The loop that hears input now.
TModalLoopPrivate* GInnermost = nullptr;

bool Terminating() { return Application && Application->Terminated(); }

}  // namespace

void TModalLoopPrivate::Finish(TModalLoopEnd end) {
  if (Finished) return;
  Finished = true;
  End = end;
  Loop.exit();
}

bool TModalLoopPrivate::Offer(TMessage& message) {
  try {
    bool taken = Body && Body(Owner, message);
    if (!taken && message.Msg == WM_KEYDOWN && message.WParam == VK_ESCAPE) {
      Finish(mleCancelled);
      taken = true;
    }
    if (Terminating()) Finish(mleTerminated);
    return taken;
  } catch (...) {
    Failure = std::current_exception();
    Finish(mleStopped);
    return true;
  }
}

bool TModalLoopPrivate::Translate(QEvent* event, TMessage& message) const {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      auto* me = static_cast<QMouseEvent*>(event);
      TPoint screen = FromQPoint(me->globalPosition().toPoint());
      SetMessagePos(screen);
      unsigned msg = WM_MOUSEMOVE;
      if (event->type() != QEvent::MouseMove) {
        msg = ButtonMessageOf(*me, Control.ControlStyle().Contains(csDoubleClicks));
        if (msg == 0) return false;
      }
      message = {msg, ShiftStateToMouseKeys(ShiftFromQt(me->modifiers(), me->buttons())),
                 PointParam(Control.ScreenToClient(screen))};
      return true;
    }
    case QEvent::Wheel: {
      auto* we = static_cast<QWheelEvent*>(event);
      TPoint screen = FromQPoint(we->globalPosition().toPoint());
      SetMessagePos(screen);
      WPARAM keys = ShiftStateToMouseKeys(ShiftFromQt(we->modifiers(), we->buttons()));
      message = {WM_MOUSEWHEEL,
                 MakeLong(static_cast<unsigned>(keys), static_cast<unsigned>(we->angleDelta().y())),
                 PointParam(screen)};
      return true;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* ke = static_cast<QKeyEvent*>(event);
      TKey key = VirtualKeyFromQt(ke->key(), ke->modifiers());
      if (key == 0) return false;
      bool alt = ke->modifiers() & Qt::AltModifier;
      unsigned msg = event->type() == QEvent::KeyPress ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN)
                                                       : (alt ? WM_SYSKEYUP : WM_KEYUP);
      message = {msg, key, KeyData(*ke)};
      return true;
    }
    default:
      return false;
  }
}

bool TModalLoopPrivate::eventFilter(QObject* watched, QEvent* event) {
  if (GInnermost != this || Finished) return false;
  if (Terminating()) {
    Finish(mleTerminated);
    return false;
  }
  // Input reaches a Qt window once, then Qt hands it to widgets (and on to
  // their parents when one ignores it): taking it at the window hears
  // each input once.
  if (!watched->isWindowType()) return false;
  TMessage message;
  if (!Translate(event, message)) return false;
  return Offer(message);
}

void TModalLoopPrivate::timerEvent(QTimerEvent* event) {
  if (event->timerId() != TimerId || GInnermost != this || Finished) return;
  TMessage message{WM_TIMER, ModalLoopTimerId};
  Offer(message);
}

// --- TModalLoop ------------------------------------------------------------------------

TModalLoop::TModalLoop(TWinControl& control, TBody body)
    : FPrivate(std::make_unique<TModalLoopPrivate>(*this, control, std::move(body))) {}

TModalLoop::~TModalLoop() = default;

void TModalLoop::SetTimerInterval(int milliseconds) { FPrivate->Interval = std::max(0, milliseconds); }
int TModalLoop::TimerInterval() const { return FPrivate->Interval; }
bool TModalLoop::Running() const { return FPrivate->Running; }
TWinControl& TModalLoop::Control() const { return FPrivate->Control; }

void TModalLoop::Stop() { FPrivate->Finish(mleStopped); }

TModalLoopEnd TModalLoop::Run() {
  TModalLoopPrivate& d = *FPrivate;
  if (d.Running) throw EInvalidOperation("The modal loop runs already");
  d.Finished = false;
  d.Failure = nullptr;
  d.End = mleStopped;
  if (Terminating()) return mleTerminated;

  TWinControl& control = d.Control;
  bool tookCapture = !control.MouseCapture();
  if (tookCapture) SetCapture(control);
  if (!control.MouseCapture()) return mleCaptureLost;
  d.Window = TWidgetAccess::Window(control);
  QMetaObject::Connection died =
      QObject::connect(d.Window.data(), &QObject::destroyed, [&d] { d.Finish(mleCaptureLost); });
  d.CaptureHook.Hook(control);
  qApp->installEventFilter(&d);
  if (d.Interval > 0) d.TimerId = d.startTimer(d.Interval);
  d.Outer = GInnermost;
  GInnermost = &d;
  d.Running = true;

  if (!d.Finished) d.Loop.exec();

  d.Running = false;
  GInnermost = d.Outer;
  if (d.TimerId) d.killTimer(d.TimerId);
  d.TimerId = 0;
  qApp->removeEventFilter(&d);
  d.CaptureHook.Unhook();
  QObject::disconnect(died);
  bool alive = !d.Window.isNull();
  // The loop may have been left from outside (the application quitting
  // every loop at once).
  if (!d.Finished) d.Finish(Terminating() ? mleTerminated : mleStopped);
  if (alive && tookCapture && control.MouseCapture()) ReleaseCapture();
  if (d.Failure) std::rethrow_exception(d.Failure);
  return d.End;
}

TModalLoopEnd RunModalLoop(TWinControl& control, TModalLoop::TBody body, int timerInterval) {
  TModalLoop loop(control, std::move(body));
  loop.SetTimerInterval(timerInterval);
  return loop.Run();
}
