// The Qt entry points of every control: mouse, keyboard, focus, geometry,
// context-menu and timer events become calls of the control's handlers.
// Every call runs under Guard, so an exception a handler throws reaches the
// application's handler and never unwinds through Qt.

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimerEvent>
#include <QWheelEvent>
#include <cstdio>

#include "framework/gui/application.h"
#include "framework/gui/menus.h"
#include "framework/gui/qt_graphics.h"
#include "framework/gui/qt_text.h"
#include "framework/gui/win_control_p.h"

namespace {

// The control that last had the focus, to tell which controls the focus
// leaves and enters.
QPointer<QWidget> GLastFocusWidget;
// A key event we send ourselves (a changed character) passes unfiltered.
bool GSendingCharacter = false;
// Qt offers an unused wheel turn to the parent widgets; the control chain
// has heard it once already.
const QEvent* GLastWheelEvent = nullptr;

std::optional<TMouseButton> ButtonFromQt(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return mbLeft;
    case Qt::RightButton:
      return mbRight;
    case Qt::MiddleButton:
      return mbMiddle;
    default:
      return std::nullopt;
  }
}

// The character a key press types, as the platform would deliver it:
// control characters for Enter, Backspace, Tab, Esc and Ctrl+letter;
// nothing for Alt combinations and for Delete.
char CharacterOf(const QKeyEvent& e) {
  Qt::KeyboardModifiers mods = e.modifiers();
  if (mods & Qt::AltModifier) return 0;
  int key = e.key();
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return '\r';
    case Qt::Key_Backspace:
      return '\b';
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return '\t';
    case Qt::Key_Escape:
      return '\x1b';
    case Qt::Key_Delete:
      return 0;
    default:
      break;
  }
  if ((mods & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
    return static_cast<char>(key - Qt::Key_A + 1);
  if (mods & Qt::ControlModifier) return 0;
  QString text = e.text();
  if (text.isEmpty()) return 0;
  std::string ansi = FromQString(text.left(text.at(0).isHighSurrogate() ? 2 : 1));
  char c = ansi.empty() ? 0 : ansi[0];
  return static_cast<unsigned char>(c) == 0x7F ? 0 : c;
}

}  // namespace

// --- Conversions ---------------------------------------------------------------------

Qt::CursorShape ToQtCursorShape(TCursor cursor) {
  switch (cursor) {
    case crNone:
      return Qt::BlankCursor;
    case crCross:
      return Qt::CrossCursor;
    case crIBeam:
      return Qt::IBeamCursor;
    case crSizeNESW:
      return Qt::SizeBDiagCursor;
    case crSizeNS:
      return Qt::SizeVerCursor;
    case crSizeNWSE:
      return Qt::SizeFDiagCursor;
    case crSizeWE:
      return Qt::SizeHorCursor;
    case crUpArrow:
      return Qt::UpArrowCursor;
    case crHourGlass:
      return Qt::WaitCursor;
    case crDrag:
      return Qt::DragMoveCursor;
    case crNoDrop:
    case crNo:
      return Qt::ForbiddenCursor;
    case crHSplit:
      return Qt::SplitHCursor;
    case crVSplit:
      return Qt::SplitVCursor;
    case crMultiDrag:
      return Qt::DragCopyCursor;
    case crSQLWait:
    case crAppStart:
      return Qt::BusyCursor;
    case crHelp:
      return Qt::WhatsThisCursor;
    case crHandPoint:
      return Qt::PointingHandCursor;
    case crSizeAll:
      return Qt::SizeAllCursor;
    default:
      return Qt::ArrowCursor;
  }
}

TShiftState ShiftFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  TShiftState s;
  if (modifiers & Qt::ShiftModifier) s.Include(ssShift);
  if (modifiers & Qt::AltModifier) s.Include(ssAlt);
  if (modifiers & Qt::ControlModifier) s.Include(ssCtrl);
  if (buttons & Qt::LeftButton) s.Include(ssLeft);
  if (buttons & Qt::RightButton) s.Include(ssRight);
  if (buttons & Qt::MiddleButton) s.Include(ssMiddle);
  return s;
}

TKey VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers) {
  bool keypad = modifiers & Qt::KeypadModifier;
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<TKey>(key);
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return static_cast<TKey>(keypad ? VK_NUMPAD0 + (key - Qt::Key_0) : key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return static_cast<TKey>(VK_F1 + (key - Qt::Key_F1));
  switch (key) {
    case Qt::Key_Space:
      return VK_SPACE;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VK_RETURN;
    case Qt::Key_Escape:
      return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return VK_TAB;
    case Qt::Key_Backspace:
      return VK_BACK;
    case Qt::Key_Insert:
      return VK_INSERT;
    case Qt::Key_Delete:
      return VK_DELETE;
    case Qt::Key_Home:
      return VK_HOME;
    case Qt::Key_End:
      return VK_END;
    case Qt::Key_PageUp:
      return VK_PRIOR;
    case Qt::Key_PageDown:
      return VK_NEXT;
    case Qt::Key_Left:
      return VK_LEFT;
    case Qt::Key_Up:
      return VK_UP;
    case Qt::Key_Right:
      return VK_RIGHT;
    case Qt::Key_Down:
      return VK_DOWN;
    case Qt::Key_Shift:
      return VK_SHIFT;
    case Qt::Key_Control:
      return VK_CONTROL;
    case Qt::Key_Alt:
      return VK_MENU;
    case Qt::Key_Pause:
      return VK_PAUSE;
    case Qt::Key_Print:
      return VK_SNAPSHOT;
    case Qt::Key_Menu:
      return VK_APPS;
    case Qt::Key_CapsLock:
      return VK_CAPITAL;
    case Qt::Key_NumLock:
      return VK_NUMLOCK;
    case Qt::Key_ScrollLock:
      return VK_SCROLL;
    case Qt::Key_Asterisk:
      return keypad ? VK_MULTIPLY : 0;
    case Qt::Key_Plus:
      return keypad ? VK_ADD : 0xBB;
    case Qt::Key_Minus:
      return keypad ? VK_SUBTRACT : 0xBD;
    case Qt::Key_Slash:
      return keypad ? VK_DIVIDE : 0xBF;
    case Qt::Key_Period:
      return keypad ? VK_DECIMAL : 0xBE;
    case Qt::Key_Comma:
      return 0xBC;
    case Qt::Key_Equal:
      return 0xBB;
    case Qt::Key_Semicolon:
      return 0xBA;
    case Qt::Key_QuoteLeft:
      return 0xC0;
    case Qt::Key_BracketLeft:
      return 0xDB;
    case Qt::Key_Backslash:
      return 0xDC;
    case Qt::Key_BracketRight:
      return 0xDD;
    case Qt::Key_Apostrophe:
      return 0xDE;
    default:
      return 0;
  }
}

// --- TControlInput -------------------------------------------------------------------

TControlInput::TControlInput(TWinControl& control) : FControl(&control) {}

void TControlInput::ReportException(TObject* sender) noexcept {
  if (Application) {
    Application->HandleException(sender);
    return;
  }
  try {
    throw;
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Unhandled exception in an event handler: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "Unhandled exception in an event handler\n");
  }
}

bool TControlInput::eventFilter(QObject* watched, QEvent* event) {
  if (!FControl || !watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
      return MouseEvent(widget, event);
    case QEvent::Enter:
      Guard(FControl, [&] { FControl->MouseEnter(); });
      return false;
    case QEvent::Leave:
      Guard(FControl, [&] { FControl->MouseLeave(); });
      return false;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      return KeyEvent(widget, event);
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      FocusEvent(event);
      return false;
    case QEvent::Resize:
    case QEvent::Move:
      if (widget == FControl->Handle().Window) GeometryEvent(widget);
      return false;
    case QEvent::ContextMenu:
      return ContextMenuEvent(widget, event);
    case QEvent::UngrabMouse:
      if (FControl->MouseCapture())
        Guard(FControl, [&] {
          FControl->SetMouseCapture(false);
          WMCancelMode(*FControl);
        });
      return false;
    default:
      return false;
  }
}

bool TControlInput::MouseEvent(QWidget* widget, QEvent* event) {
  TWinControl& c = *FControl;
  QPointer<TControlInput> alive(this);
  QWidget* client = c.Handle().Client;
  // The outer parts of a window (frame, scroll bars) are not the client's.
  if (widget != client && !client->isAncestorOf(widget)) return false;
  bool pass = c.Handle().PassMouse;
  if (event->type() == QEvent::Wheel) {
    if (event == GLastWheelEvent) return false;
    GLastWheelEvent = event;
    auto* we = static_cast<QWheelEvent*>(event);
    int delta = we->angleDelta().y();
    if (delta == 0) return false;
    TShiftState shift = ShiftFromQt(we->modifiers(), we->buttons());
    TPoint pos = FromQPoint(we->globalPosition().toPoint());
    bool handled = false;
    Guard(&c, [&] {
      for (TControl* t = &c; t && !handled; t = t->Parent()) handled = MouseWheel(*t, shift, delta, pos);
    });
    return handled || !alive;
  }

  auto* me = static_cast<QMouseEvent*>(event);
  QPoint local = me->position().toPoint();
  if (widget != client) local = widget->mapTo(client, local);
  int x = local.x(), y = local.y();
  TShiftState shift = ShiftFromQt(me->modifiers(), me->buttons());
  TControlStyle style = c.ControlStyle();

  if (event->type() == QEvent::MouseMove) {
    Guard(&c, [&] { MouseMove(c, shift, x, y); });
    return !alive || !pass;
  }
  std::optional<TMouseButton> button = ButtonFromQt(me->button());
  if (!button) return !pass;

  switch (event->type()) {
    case QEvent::MouseButtonDblClick:
      if (style.Contains(csDoubleClicks)) {
        shift.Include(ssDouble);
        Guard(&c, [&] {
          if (style.Contains(csCaptureMouse)) c.SetMouseCapture(true);
          if (*button == mbLeft && style.Contains(csClickEvents)) DblClick(c);
          if (alive) MouseDown(c, *button, shift, x, y);
        });
        return !alive || !pass;
      }
      [[fallthrough]];
    case QEvent::MouseButtonPress:
      Guard(&c, [&] {
        if (style.Contains(csCaptureMouse)) c.SetMouseCapture(true);
        if (*button == mbLeft && style.Contains(csClickEvents)) FClickPending = true;
        MouseDown(c, *button, shift, x, y);
      });
      return !alive || !pass;
    case QEvent::MouseButtonRelease: {
      bool click = FClickPending && *button == mbLeft;
      if (*button == mbLeft) FClickPending = false;
      Guard(&c, [&] {
        if (me->buttons() == Qt::NoButton) c.SetMouseCapture(false);
        if (click && c.ClientRect().Contains(Point(x, y))) Click(c);
        if (alive) MouseUp(c, *button, shift, x, y);
      });
      return !alive || !pass;
    }
    default:
      return false;
  }
}

bool TControlInput::KeyEvent(QWidget* widget, QEvent* event) {
  if (GSendingCharacter) return false;
  TWinControl& c = *FControl;
  // Keys go to the focused widget; when it does not use one, Qt offers it to
  // the parent widgets, which belong to other controls (or to this one's
  // frame): the platform gives a key to the focused window only.
  QWidget* focus = QApplication::focusWidget();
  if (!focus || TWidgetAccess::ControlOf(focus) != &c || (widget != focus && !widget->isAncestorOf(focus)))
    return false;
  if (widget != focus && widget == c.Handle().Window && c.Handle().Client != widget) return false;
  bool pass = c.Handle().PassMouse;
  QPointer<TControlInput> alive(this);
  auto* ke = static_cast<QKeyEvent*>(event);
  TShiftState shift = ShiftFromQt(ke->modifiers(), QGuiApplication::mouseButtons());
  TKey key = VirtualKeyFromQt(ke->key(), ke->modifiers());

  if (event->type() == QEvent::KeyRelease) {
    if (key == 0) return !pass;
    Guard(&c, [&] { KeyUp(c, key, shift); });
    return !alive || key == 0 || !pass;
  }

  // Tab moves the focus unless the control wants it.
  if (key == VK_TAB && !(TWidgetAccess::GetDlgCode(c) & DLGC_WANTTAB) &&
      !(ke->modifiers() & Qt::ControlModifier))
    return false;

  bool keyTaken = false;
  if (key != 0) {
    Guard(&c, [&] { KeyDown(c, key, shift); });
    if (!alive) return true;
    keyTaken = key == 0;
  }
  char typed = CharacterOf(*ke);
  if (typed == 0) return keyTaken || !pass;
  char ch = typed;
  Guard(&c, [&] { KeyPress(c, ch); });
  if (!alive) return true;
  if (ch == 0) return true;
  if (ch == typed && !keyTaken) return !pass;
  if (!pass) return true;
  // The handler changed the character (or kept the key from the window but
  // not its character): type the character alone.
  QKeyEvent replacement(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, ToQString(std::string(1, ch)));
  GSendingCharacter = true;
  QCoreApplication::sendEvent(widget, &replacement);
  GSendingCharacter = false;
  return true;
}

void TControlInput::FocusEvent(QEvent* event) {
  TWinControl& c = *FControl;
  auto* fe = static_cast<QFocusEvent*>(event);
  bool windowChange = fe->reason() == Qt::ActiveWindowFocusReason || fe->reason() == Qt::PopupFocusReason;
  QPointer<TControlInput> alive(this);
  if (event->type() == QEvent::FocusOut) {
    GLastFocusWidget = c.Handle().Client;
    Guard(&c, [&] { TWidgetAccess::WMKillFocus(c); });
    return;
  }
  TWinControl* previous = GLastFocusWidget ? TWidgetAccess::ControlOf(GLastFocusWidget) : nullptr;
  Guard(&c, [&] { TWidgetAccess::WMSetFocus(c); });
  if (!alive || windowChange || previous == &c) return;
  if (previous && previous->Handle().Window->window() != c.Handle().Window->window()) previous = nullptr;
  // Exits from the old control up to the first parent that holds the new
  // one; enters from below that parent down to the new control.
  Guard(&c, [&] {
    TWinControl* common = previous;
    while (common && !common->ContainsControl(&c)) {
      TWidgetAccess::DoExit(*common);
      common = common->Parent();
    }
    std::vector<TWinControl*> path;
    for (TWinControl* w = &c; w && w != common; w = w->Parent()) path.push_back(w);
    for (auto it = path.rbegin(); it != path.rend(); ++it) TWidgetAccess::DoEnter(**it);
  });
}

void TControlInput::GeometryEvent(QWidget* widget) {
  TWinControl& c = *FControl;
  if (c.Handle().SettingGeometry) return;
  QRect g = widget->geometry();
  Guard(&c, [&] { TWidgetAccess::SetBoundsFromPlatform(c, g.x(), g.y(), g.width(), g.height()); });
}

bool TControlInput::ContextMenuEvent(QWidget* widget, QEvent* event) {
  TWinControl& c = *FControl;
  TPopupMenu* menu = nullptr;
  for (TControl* t = &c; t && !menu; t = t->Parent()) menu = t->PopupMenu();
  if (!menu || !menu->AutoPopup()) return false;
  auto* ce = static_cast<QContextMenuEvent*>(event);
  QPoint global = ce->globalPos();
  Guard(&c, [&] {
    menu->SetPopupComponent(&c);
    menu->Popup(global.x(), global.y());
  });
  return true;
}

void TControlInput::timerEvent(QTimerEvent* event) {
  if (!FControl) return;
  TWinControl& c = *FControl;
  for (const auto& [id, qtId] : c.Handle().TimerIds) {
    if (qtId == event->timerId()) {
      int timerId = id;
      Guard(&c, [&] { WMTimer(c, timerId); });
      return;
    }
  }
}
