// The Qt entry points of every control: mouse, keyboard, focus, geometry,
// timer and posted events become messages through the control's window
// procedure. Every message runs under Guard, so an exception a handler
// throws reaches the application's handler and never unwinds through Qt.
// A Qt event goes on to its widget only when its message reached the
// default handler (and, for mouse and keys, only for standard controls
// that act on them).

#include <QApplication>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimerEvent>
#include <QWheelEvent>
#include <cstdio>

#include "framework/gui/application/application.h"
#include "framework/gui/standard/forms.h"
#include "framework/gui/graphics/qt_graphics.h"
#include "framework/gui/graphics/qt_text.h"
#include "framework/gui/controls/win_control_p.h"

namespace {

// The control that last had the focus, to tell which controls the focus
// leaves and enters.
QPointer<QWidget> GLastFocusWidget;
// An event we send ourselves (a changed character, a default context
// menu) passes unfiltered.
bool GSendingToWidget = false;
// Qt offers an unused wheel turn to the parent widgets; the control chain
// has heard it once already.
const QEvent* GLastWheelEvent = nullptr;
QPointer<QWidget> GLastWheelWidget;

// The message of a mouse button event, 0 for buttons the platform lacks.
unsigned ButtonMessage(QEvent::Type type, Qt::MouseButton button, bool doubleClicks) {
  int index = button == Qt::LeftButton     ? 0
              : button == Qt::RightButton  ? 1
              : button == Qt::MiddleButton ? 2
                                           : -1;
  if (index < 0) return 0;
  static constexpr unsigned downs[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  static constexpr unsigned ups[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
  static constexpr unsigned doubles[] = {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK};
  switch (type) {
    case QEvent::MouseButtonPress:
      return downs[index];
    case QEvent::MouseButtonRelease:
      return ups[index];
    case QEvent::MouseButtonDblClick:
      // Without double clicks the second press is a press.
      return doubleClicks ? doubles[index] : downs[index];
    default:
      return 0;
  }
}

// Whether the focused control keeps key for itself rather than leaving it
// to the form (mask: the DLGC_ flag that wants it).
bool WantsKey(TWinControl& c, TKey key, unsigned mask) {
  if (c.Perform(CM_WANTSPECIALKEY, key) != 0) return true;
  return (static_cast<unsigned>(c.Perform(WM_GETDLGCODE)) & mask) != 0;
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

LPARAM KeyData(const QKeyEvent& e) {
  LPARAM data = KF_REPEATCOUNT_ONE;
  Qt::KeyboardModifiers mods = e.modifiers();
  if (mods & Qt::ShiftModifier) data |= KF_SHIFTDOWN;
  if (mods & Qt::ControlModifier) data |= KF_CTRLDOWN;
  if (mods & Qt::AltModifier) data |= KF_ALTDOWN;
  if (e.isAutoRepeat()) data |= KF_REPEAT;
  return data;
}

unsigned ButtonMessageOf(const QMouseEvent& e, bool doubleClicks) {
  return ButtonMessage(e.type(), e.button(), doubleClicks);
}

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

bool TControlInput::Dispatch(TWinControl& control, TMessage& message, QEvent* origin) {
  if (!origin) {
    Guard(&control, [&] { control.WindowProc(message); });
    return false;
  }
  TQtMessageOrigin scope(message, origin);
  Guard(&control, [&] { control.WindowProc(message); });
  return scope.ReachedDefault();
}

void TControlInput::SendToWidget(QWidget* widget, QEvent* event) {
  bool outer = GSendingToWidget;
  GSendingToWidget = true;
  QCoreApplication::sendEvent(widget, event);
  GSendingToWidget = outer;
}

bool TControlInput::eventFilter(QObject* watched, QEvent* event) {
  if (!FControl || !watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  TWinControl& c = *FControl;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
      return MouseEvent(widget, event);
    case QEvent::Enter:
    case QEvent::Leave: {
      // Moving between the window's own parts is neither.
      if (widget != c.Handle().Window) return false;
      TMessage m{event->type() == QEvent::Enter ? CM_MOUSEENTER : CM_MOUSELEAVE};
      Dispatch(c, m, nullptr);
      return false;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      return KeyEvent(widget, event);
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      FComposing = false;
      FocusEvent(event);
      return false;
    case QEvent::InputMethod:
      return InputMethodEvent(widget, event);
    case QEvent::Resize:
    case QEvent::Move:
      if (widget == c.Handle().Window) GeometryEvent(widget);
      return false;
    case QEvent::ContextMenu:
      // Context menus come from the right button's release and from the
      // menu keys (TWinControl::DefaultHandler); Qt's own request (on X11
      // at the press) would be a second one.
      return !GSendingToWidget;
    case QEvent::UngrabMouse:
      if (c.MouseCapture()) {
        TMessage m{WM_CANCELMODE};
        Dispatch(c, m, nullptr);
      }
      return false;
    default:
      if (event->type() == TPostedMessageEvent::EventType() && widget == c.Handle().Window) {
        Dispatch(c, static_cast<TPostedMessageEvent*>(event)->Message, nullptr);
        return true;
      }
      return false;
  }
}

bool TControlInput::MouseEvent(QWidget* widget, QEvent* event) {
  TWinControl& c = *FControl;
  QPointer<TControlInput> alive(this);
  QWidget* client = c.Handle().Client;
  bool pass = c.Handle().PassMouse;
  QEvent::Type type = event->type();

  if (type == QEvent::Wheel) {
    // The same event offered to a parent of the widget that had it is the
    // one passed on; another one at the same address is a new turn.
    if (event == GLastWheelEvent && GLastWheelWidget && widget != GLastWheelWidget &&
        widget->isAncestorOf(GLastWheelWidget))
      return false;
    GLastWheelEvent = event;
    GLastWheelWidget = widget;
    auto* we = static_cast<QWheelEvent*>(event);
    int delta = we->angleDelta().y();
    if (delta == 0) return false;
    TPoint pos = FromQPoint(we->globalPosition().toPoint());
    SetMessagePos(pos);
    WPARAM keys = ShiftStateToMouseKeys(ShiftFromQt(we->modifiers(), we->buttons()));
    TMessage m{WM_MOUSEWHEEL, MakeLong(static_cast<unsigned>(keys), static_cast<unsigned>(delta)),
               PointParam(pos)};
    Dispatch(c, m, event);
    return m.Result != 0 || !alive;
  }

  auto* me = static_cast<QMouseEvent*>(event);
  SetMessagePos(FromQPoint(me->globalPosition().toPoint()));
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
    // A press anywhere on a form (frames and scroll bars too) tells the
    // form's active control, which ends what it was doing with the mouse
    // unless the press is its own.
    Guard(&c, [&] {
      if (TForm* form = GetParentForm(&c))
        if (TWinControl* active = form->ActiveControl())
          active->Perform(CM_CANCELMODE, 0, static_cast<LPARAM>(ControlParam(&c)));
    });
    if (!alive) return true;
  }
  // The outer parts of a window are not the client's: the frame hears
  // non-client messages, scroll bars act by themselves.
  if (widget != client && !client->isAncestorOf(widget))
    return widget == c.Handle().Window ? NonClientMouseEvent(me) : false;

  QPoint local = me->position().toPoint();
  if (widget != client) local = widget->mapTo(client, local);
  WPARAM keys = ShiftStateToMouseKeys(ShiftFromQt(me->modifiers(), me->buttons()));

  unsigned msg = WM_MOUSEMOVE;
  if (type == QEvent::MouseMove) {
    // Where the pointer is goes first (a control remembers it for the
    // cursor), then which cursor to show.
    TMessage hit{WM_NCHITTEST, 0, PointParam(FromQPoint(me->globalPosition().toPoint()))};
    Dispatch(c, hit, nullptr);
    if (!alive) return true;
    TMessage cursor{WM_SETCURSOR, ControlParam(&c),
                    static_cast<LPARAM>(MakeLong(static_cast<unsigned>(hit.Result), WM_MOUSEMOVE))};
    Dispatch(c, cursor, nullptr);
    if (!alive) return true;
  } else {
    msg = ButtonMessage(type, me->button(), c.ControlStyle().Contains(csDoubleClicks));
    if (msg == 0) return !pass;
  }
  TMessage m{msg, keys, PointParam(local.x(), local.y())};
  bool reached = Dispatch(c, m, event);
  return !alive || !(pass && reached);
}

bool TControlInput::NonClientMouseEvent(QMouseEvent* me) {
  TWinControl& c = *FControl;
  QPointer<TControlInput> alive(this);
  TPoint screen = FromQPoint(me->globalPosition().toPoint());
  TMessage hit{WM_NCHITTEST, 0, PointParam(screen)};
  Dispatch(c, hit, nullptr);
  if (!alive) return true;
  auto code = static_cast<WPARAM>(hit.Result);
  unsigned msg = WM_NCMOUSEMOVE;
  if (me->type() == QEvent::MouseMove) {
    TMessage cursor{WM_SETCURSOR, ControlParam(&c), static_cast<LPARAM>(MakeLong(LoWord(code), WM_NCMOUSEMOVE))};
    Dispatch(c, cursor, nullptr);
    if (!alive) return true;
  } else {
    // The client's button message, moved into the non-client range.
    msg = ButtonMessage(me->type(), me->button(), c.ControlStyle().Contains(csDoubleClicks));
    if (msg == 0) return true;
    msg = msg - WM_LBUTTONDOWN + WM_NCLBUTTONDOWN;
  }
  TMessage m{msg, code, PointParam(screen)};
  Dispatch(c, m, nullptr);
  return true;
}

bool TControlInput::KeyEvent(QWidget* widget, QEvent* event) {
  if (GSendingToWidget) return false;
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
  TKey key = VirtualKeyFromQt(ke->key(), ke->modifiers());
  LPARAM data = KeyData(*ke);
  bool alt = ke->modifiers() & Qt::AltModifier;

  if (event->type() == QEvent::KeyRelease) {
    if (key == 0) return !pass;
    TMessage m{alt ? WM_SYSKEYUP : WM_KEYUP, key, data};
    bool reached = Dispatch(c, m, event);
    return !alive || !(pass && reached);
  }

  // The form's step before a key is dispatched: Tab moves the focus, Enter
  // and Escape go to its default and cancel buttons, unless the control
  // keeps the key.
  if (key == VK_TAB && !(ke->modifiers() & Qt::ControlModifier)) {
    bool wanted = false, asked = false;
    Guard(&c, [&] {
      wanted = WantsKey(c, key, DLGC_WANTTAB);
      asked = true;
    });
    // A handler that failed while asked ends the key here.
    if (!alive || !asked) return true;
    if (!wanted) return false;
  } else if (key == VK_RETURN || key == VK_ESCAPE) {
    bool taken = true;
    Guard(&c, [&] {
      TForm* form = WantsKey(c, key, DLGC_WANTALLKEYS) ? nullptr : GetParentForm(&c);
      taken = form && form->Perform(CM_DIALOGKEY, key, data) != 0;
    });
    if (!alive || taken) return true;
  }

  // The key goes on to the widget from the default handling of its
  // character, or of the key itself when it types none.
  bool keyReached = true;
  if (key != 0) {
    TMessage m{alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, data};
    keyReached = Dispatch(c, m, event);
    if (!alive) return true;
  }
  char typed = CharacterOf(*ke);
  if (typed == 0) return !(pass && keyReached);
  TMessage cm{WM_CHAR, static_cast<unsigned char>(typed), data};
  bool charReached = Dispatch(c, cm, event);
  if (!alive) return true;
  auto ch = static_cast<char>(cm.WParam);
  if (!charReached || ch == 0 || !pass) return true;
  if (ch == typed && keyReached) return false;
  // The handler changed the character (or kept the key from the window but
  // not its character): type the character alone.
  QKeyEvent replacement(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, ToQString(std::string(1, ch)));
  SendToWidget(widget, &replacement);
  return true;
}

// The first step of a composition (text being composed, or committed at
// once as a dead key's compose does, where there was none) is the
// composition's start; its end is a step without text being composed.
// A window that takes the start by moving the focus (an editor it opens)
// gets this first step there, as it gets the later ones. A step that
// commits text is a message of its own, which the window may keep from
// its default handling to refuse the text (a read-only editor does);
// otherwise the widget (an edit box) takes the text itself.
bool TControlInput::InputMethodEvent(QWidget* widget, QEvent* event) {
  auto* step = static_cast<QInputMethodEvent*>(event);
  const bool composing = !step->preeditString().isEmpty();
  const bool started = !FComposing && (composing || !step->commitString().isEmpty());
  FComposing = composing;
  QPointer<QWidget> watched(widget);
  if (started) {
    TMessage m{WM_IME_STARTCOMPOSITION};
    Dispatch(*FControl, m, nullptr);
    if (!watched) return true;
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && focus != widget && focus->testAttribute(Qt::WA_InputMethodEnabled)) {
      QInputMethodEvent moved(step->preeditString(), step->attributes());
      moved.setCommitString(step->commitString(), step->replacementStart(), step->replacementLength());
      QApplication::sendEvent(focus, &moved);
      return true;
    }
  }
  if (step->commitString().isEmpty()) return false;
  TMessage m{WM_IME_COMPOSITION, 0, GCS_RESULTSTR};
  const bool taken = Dispatch(*FControl, m, event);
  return !taken || !watched;
}

void TControlInput::FocusEvent(QEvent* event) {
  TWinControl& c = *FControl;
  auto* fe = static_cast<QFocusEvent*>(event);
  bool windowChange = fe->reason() == Qt::ActiveWindowFocusReason || fe->reason() == Qt::PopupFocusReason;
  QPointer<TControlInput> alive(this);
  if (event->type() == QEvent::FocusOut) {
    GLastFocusWidget = c.Handle().Client;
    TMessage m{WM_KILLFOCUS};
    Dispatch(c, m, nullptr);
    return;
  }
  TWinControl* previous = GLastFocusWidget ? TWidgetAccess::ControlOf(GLastFocusWidget) : nullptr;
  TMessage m{WM_SETFOCUS, ControlParam(previous)};
  Dispatch(c, m, nullptr);
  if (!alive || windowChange || previous == &c) return;
  if (previous && previous->Handle().Window->window() != c.Handle().Window->window()) previous = nullptr;
  // Exits from the old control up to the first parent that holds the new
  // one; enters from below that parent down to the new control.
  Guard(&c, [&] {
    TWinControl* common = previous;
    while (common && !common->ContainsControl(&c)) {
      common->Perform(CM_EXIT);
      common = common->Parent();
    }
    std::vector<TWinControl*> path;
    for (TWinControl* w = &c; w && w != common; w = w->Parent()) path.push_back(w);
    for (auto it = path.rbegin(); it != path.rend(); ++it) (*it)->Perform(CM_ENTER);
  });
}

void TControlInput::GeometryEvent(QWidget* widget) {
  TWinControl& c = *FControl;
  if (c.Handle().SettingGeometry) return;
  QRect g = widget->geometry();
  Guard(&c, [&] { TWidgetAccess::SetBoundsFromPlatform(c, g.x(), g.y(), g.width(), g.height()); });
}

void TControlInput::timerEvent(QTimerEvent* event) {
  if (!FControl) return;
  TWinControl& c = *FControl;
  for (const auto& [id, qtId] : c.Handle().TimerIds) {
    if (qtId == event->timerId()) {
      TMessage m{WM_TIMER, static_cast<WPARAM>(id)};
      Dispatch(c, m, nullptr);
      return;
    }
  }
}
