#pragma once
// Helpers for the GUI tests: reaching a control's widget (tests may use the
// framework's private door), showing a form and waiting for Qt.

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <functional>

#include "framework/gui/standard/forms.h"
#include "framework/gui/controls/win_control_p.h"

inline QWidget* WindowOf(const TWinControl& c) { return TWidgetAccess::Window(c); }
inline QWidget* ClientOf(const TWinControl& c) { return TWidgetAccess::Client(c); }

// Shows the form, makes it the active window and lets Qt settle.
inline bool ShowActive(TForm& form) {
  form.Show();
  QWidget* w = WindowOf(form);
  w->activateWindow();
  QApplication::setActiveWindow(w);
  return QTest::qWaitForWindowActive(w, 2000);
}

// Processes events until done() holds or the time is up.
inline bool WaitFor(const std::function<bool()>& done, int milliseconds = 2000) {
  return QTest::qWaitFor(done, milliseconds);
}
