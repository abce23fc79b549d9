#pragma once
// Private to framework/gui: the Qt side of a TWinControl.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>

#include "framework/gui/win_control.h"

// Turns the Qt events of a control's widgets into calls of the control's
// handlers, catching every exception on the way (see TControlInput in
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

  // Calls into the protected handlers of controls.
  static void MouseDown(TControl& c, TMouseButton b, TShiftState s, int x, int y) { c.MouseDown(b, s, x, y); }
  static void MouseMove(TControl& c, TShiftState s, int x, int y) { c.MouseMove(s, x, y); }
  static void MouseUp(TControl& c, TMouseButton b, TShiftState s, int x, int y) { c.MouseUp(b, s, x, y); }
  static void Click(TControl& c) { c.Click(); }
  static void DblClick(TControl& c) { c.DblClick(); }
  static bool MouseWheel(TControl& c, TShiftState s, int delta, TPoint p) {
    return c.DoMouseWheel(s, delta, p);
  }
  static void KeyDown(TWinControl& c, TKey& key, TShiftState s) { c.KeyDown(key, s); }
  static void KeyUp(TWinControl& c, TKey& key, TShiftState s) { c.KeyUp(key, s); }
  static void KeyPress(TWinControl& c, char& key) { c.KeyPress(key); }
  static void WMTimer(TWinControl& c, int id) { c.WMTimer(id); }
  static void WMCancelMode(TControl& c) { c.WMCancelMode(); }

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  bool MouseEvent(QWidget* widget, QEvent* event);
  bool KeyEvent(QWidget* widget, QEvent* event);
  void FocusEvent(QEvent* event);
  void GeometryEvent(QWidget* widget);
  bool ContextMenuEvent(QWidget* widget, QEvent* event);

  TWinControl* FControl;
  bool FClickPending = false;
};

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
  static void DoEnter(TWinControl& control) { control.DoEnter(); }
  static void DoExit(TWinControl& control) { control.DoExit(); }
  static void WMSetFocus(TWinControl& control) { control.WMSetFocus(); }
  static void WMKillFocus(TWinControl& control) { control.WMKillFocus(); }
  static unsigned GetDlgCode(const TWinControl& control) { return control.GetDlgCode(); }
  static void SetBoundsFromPlatform(TControl& control, int l, int t, int w, int h) {
    control.SetBoundsFromPlatform(l, t, w, h);
  }
};

// Qt spellings of framework values.
Qt::CursorShape ToQtCursorShape(TCursor cursor);
TShiftState ShiftFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
// The virtual key of a Qt key, 0 when there is none.
TKey VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);
