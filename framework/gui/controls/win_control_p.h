#pragma once
// Private to framework/gui: the Qt side of a TWinControl.

#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>

#include "framework/gui/controls/win_control.h"

// The Qt event a message is being made from, while the message passes
// through the window procedure: the default handler marks that the event
// may go on to the Qt widget. Origins nest (a handler may send messages of
// its own, which have none).
class TQtMessageOrigin {
 public:
  TQtMessageOrigin(TMessage& message, QEvent* event);
  ~TQtMessageOrigin();
  TQtMessageOrigin(const TQtMessageOrigin&) = delete;
  TQtMessageOrigin& operator=(const TQtMessageOrigin&) = delete;

  // The origin of message when it is the one being translated now.
  static TQtMessageOrigin* Of(const TMessage& message);
  QEvent* Event() const { return FEvent; }
  bool ReachedDefault() const { return FReachedDefault; }
  void MarkDefault() { FReachedDefault = true; }

 private:
  TMessage& FMessage;
  QEvent* FEvent;
  bool FReachedDefault = false;
  TQtMessageOrigin* FOuter;
};

// Turns the Qt events of a control's widgets into messages through the
// control's window procedure, catching every exception on the way (see
// control_input.cpp).
class TControlInput : public QObject {
 public:
  explicit TControlInput(TWinControl& control);

  // After this the control hears nothing more (its window is being torn
  // down).
  void Detach() { FControl = nullptr; }
  TWinControl* Control() const { return FControl; }

  bool eventFilter(QObject* watched, QEvent* event) override;

  // Runs a handler the way every Qt entry point must: exceptions go to the
  // application's handler.
  template <class F>
  static void Guard(TObject* sender, F&& f) noexcept {
    try {
      f();
    } catch (...) {
      ReportException(sender);
    }
  }
  static void ReportException(TObject* sender) noexcept;

  // Sends message through control's window procedure on behalf of the Qt
  // event origin (nullptr: none), guarded. True when the message reached
  // the default handler, i.e. the Qt widget may have the event.
  static bool Dispatch(TWinControl& control, TMessage& message, QEvent* origin);

  // Lets a key or context-menu event that the framework makes itself pass
  // its own filters on the way to a Qt widget.
  static void SendToWidget(QWidget* widget, QEvent* event);

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  bool MouseEvent(QWidget* widget, QEvent* event);
  bool NonClientMouseEvent(QMouseEvent* event);
  bool KeyEvent(QWidget* widget, QEvent* event);
  void FocusEvent(QEvent* event);
  void GeometryEvent(QWidget* widget);
  bool InputMethodEvent(QWidget* widget, QEvent* event);

  TWinControl* FControl;
  // An input method is composing text in the window; a composition that
  // the window does not see end (the focus went) is over with the focus.
  bool FComposing = false;
};

// A message queued by PostMessage: delivered by the control's filter.
class TPostedMessageEvent : public QEvent {
 public:
  TPostedMessageEvent(unsigned msg, WPARAM wParam, LPARAM lParam);
  static QEvent::Type EventType();
  TMessage Message;
};

// The screen point of the mouse event being translated now.
void SetMessagePos(TPoint p);

class TWinControlHandle {
 public:
  explicit TWinControlHandle(TWinControl& control);
  ~TWinControlHandle();

  TWinControl& Control;
  // The outer widget (owned) and the one that holds children and gets the
  // input (the same one, or a child of the outer one).
  QPointer<QWidget> Window;
  QPointer<QWidget> Client;
  std::unique_ptr<TControlInput> Input;
  std::map<int, int> TimerIds;  // control's timer id -> Qt's
  // Set while the control moves its own widget, so that the resulting Qt
  // events are not taken for outside changes.
  bool SettingGeometry = false;
  // Mouse events also go on to the widget (standard controls that act on
  // them); otherwise the control takes them and they stop there, as the
  // platform delivers a mouse message to one window only.
  bool PassMouse = false;
  // The cursor the client widget had of its own (a line edit's I-beam),
  // shown for crDefault.
  std::optional<QCursor> OwnCursor;
};

class TWidgetAccess {
 public:
  // Gives control its widgets: window is the outer one, client (nullptr:
  // the window) the one that holds children and gets mouse input.
  static void Attach(TWinControl& control, QWidget* window, QWidget* client = nullptr);
  // Mouse input goes on to the widget after the control's handlers.
  static void PassMouse(TWinControl& control) { control.Handle().PassMouse = true; }
  // Also listens to an inner widget that gets input of its own.
  static void Watch(TWinControl& control, QWidget* widget);
  static QWidget* Window(const TWinControl& control);
  static QWidget* Client(const TWinControl& control);
  // The control whose window or client widget this is, or nullptr.
  static TWinControl* ControlOf(const QObject* widget);
  static TWinControlHandle& Handle(const TWinControl& control) { return control.Handle(); }
  static void LayoutWindow(TWinControl& control) { control.LayoutWindow(); }
  static void SetBoundsFromPlatform(TControl& control, int l, int t, int w, int h) {
    control.SetBoundsFromPlatform(l, t, w, h);
  }
};

// Qt spellings of framework values.
Qt::CursorShape ToQtCursorShape(TCursor cursor);
TShiftState ShiftFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
// The virtual key of a Qt key, 0 when there is none.
TKey VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);
// The key data (LParam) of a key message made from a Qt key event.
LPARAM KeyData(const QKeyEvent& event);
// The client button message of a press, release or double click (0 for
// buttons the platform lacks); without doubleClicks a double click is a
// press.
unsigned ButtonMessageOf(const QMouseEvent& event, bool doubleClicks);
