#pragma once
// Input as the window system delivers it: to the Qt window under a point,
// from where Qt routes it to a widget (the pressed one, the one holding
// the mouse capture). QTest's widget functions skip that routing, so tests
// of capture, modal loops and dragging use these. Points are in the
// client coordinates of the control named; a key goes to the window of
// the control named and on to the focused widget.
//
// `TInputSteps` runs steps one per turn of whatever event loop runs next,
// for input into a modal loop that a test waits in.

#include <QPointer>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>
#include <vector>

#include "framework/gui/controls/win_control.h"
#include "framework/gui/graphics/qt_graphics.h"
#include "tests/framework_gui/gui_test_support.h"

inline QWindow* QtWindowOf(const TWinControl& control) { return WindowOf(control)->window()->windowHandle(); }

// The window point of a client point of control.
inline QPoint WindowPointOf(const TWinControl& control, TPoint client) {
  QWidget* c = ClientOf(control);
  return c->mapTo(c->window(), ToQPoint(client));
}

inline void MouseMoveTo(const TWinControl& control, TPoint client) {
  QTest::mouseMove(QtWindowOf(control), WindowPointOf(control, client));
}
inline void MousePressAt(const TWinControl& control, TPoint client, Qt::MouseButton button = Qt::LeftButton,
                         Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::mousePress(QtWindowOf(control), button, modifiers, WindowPointOf(control, client));
}
inline void MouseReleaseAt(const TWinControl& control, TPoint client, Qt::MouseButton button = Qt::LeftButton,
                           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::mouseRelease(QtWindowOf(control), button, modifiers, WindowPointOf(control, client));
}
inline void KeyInto(const TWinControl& control, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(QtWindowOf(control), key, modifiers);
}

class TInputSteps {
 public:
  // Steps run in order, one per event loop turn, starting once an event
  // loop runs. After the last one, a watchdog of `patience` milliseconds
  // lets go of the mouse capture, which ends a modal loop that should
  // have ended already (the test then fails on its result, not by hanging).
  explicit TInputSteps(std::vector<std::function<void()>> steps, int patience = 2000)
      : FSteps(std::move(steps)), FPatience(patience), FContext(std::make_unique<QObject>()) {
    Next();
  }
  int Done() const { return FDone; }
  bool WatchdogFired() const { return FWatchdog; }

 private:
  void Next() {
    if (FDone == static_cast<int>(FSteps.size())) {
      QTimer::singleShot(FPatience, FContext.get(), [this] {
        FWatchdog = true;
        ReleaseCapture();
      });
      return;
    }
    QTimer::singleShot(0, FContext.get(), [this] { Run(); });
  }
  void Run() {
    // A step that sends input lets Qt process events (QTest does): the
    // next step waits for it to return, unless the step started an event
    // loop of its own (a nested modal loop) that waits for the next step.
    int level = QThread::currentThread()->loopLevel();
    if (!FRunning.empty() && level <= FRunning.back()) {
      QTimer::singleShot(0, FContext.get(), [this] { Run(); });
      return;
    }
    auto step = static_cast<std::size_t>(FDone++);
    FRunning.push_back(level);
    Next();
    FSteps[step]();
    FRunning.pop_back();
  }

  std::vector<std::function<void()>> FSteps;
  int FPatience;
  int FDone = 0;
  std::vector<int> FRunning;  // loop levels of the steps running now
  bool FWatchdog = false;
  std::unique_ptr<QObject> FContext;
};
