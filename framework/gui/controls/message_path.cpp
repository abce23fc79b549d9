// The one message path of every control: Perform and WindowProc, the hooks
// in front of a window procedure, the base window procedures that turn the
// standard messages into the named handlers, the default handling (a Qt
// event goes on to its widget, or the platform's default is done), posted
// messages and cancel mode.

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QThread>
#include <algorithm>

#include "framework/core/base/exceptions.h"
#include "framework/gui/controls/control.h"
#include "framework/gui/standard/menus.h"
#include "framework/gui/graphics/qt_graphics.h"
#include "framework/gui/graphics/qt_text.h"
#include "framework/gui/application/screen.h"
#include "framework/gui/application/screen_p.h"
#include "framework/gui/controls/win_control_p.h"

namespace {

TQtMessageOrigin* GOrigin = nullptr;
TPoint GMessagePos;

// The Qt key that stands for a control character typed by a message.
int QtKeyOfCharacter(char ch) {
  switch (ch) {
    case '\b':
      return Qt::Key_Backspace;
    case '\r':
      return Qt::Key_Return;
    case '\t':
      return Qt::Key_Tab;
    case '\x1b':
      return Qt::Key_Escape;
    default:
      return Qt::Key_unknown;
  }
}

}  // namespace

// --- Origins, message position -----------------------------------------------------------

TQtMessageOrigin::TQtMessageOrigin(TMessage& message, QEvent* event)
    : FMessage(message), FEvent(event), FOuter(GOrigin) {
  GOrigin = this;
}

TQtMessageOrigin::~TQtMessageOrigin() { GOrigin = FOuter; }

TQtMessageOrigin* TQtMessageOrigin::Of(const TMessage& message) {
  for (TQtMessageOrigin* o = GOrigin; o; o = o->FOuter)
    if (&o->FMessage == &message) return o;
  return nullptr;
}

void SetMessagePos(TPoint p) { GMessagePos = p; }

TPoint GetMessagePos() { return GMessagePos; }

// --- Perform, WindowProc, hooks -------------------------------------------------------------

LRESULT TControl::Perform(unsigned msg, WPARAM wParam, LPARAM lParam) {
  TMessage message{msg, wParam, lParam, 0};
  WindowProc(message);
  return message.Result;
}

void TControl::WindowProc(TMessage& message) {
  if (FHooks.empty()) {
    WndProc(message);
    return;
  }
  TWindowProcHook* outermost = FHooks.back();
  if (outermost->FHandler)
    outermost->FHandler(message);
  else
    outermost->CallPrevious(message);
}

void TControl::DetachHooks() {
  for (TWindowProcHook* hook : FHooks) hook->FTarget = nullptr;
  FHooks.clear();
}

void TWindowProcHook::Hook(TControl& target) {
  Unhook();
  FTarget = &target;
  target.FHooks.push_back(this);
}

void TWindowProcHook::Unhook() {
  if (!FTarget) return;
  auto& hooks = FTarget->FHooks;
  hooks.erase(std::remove(hooks.begin(), hooks.end(), this), hooks.end());
  FTarget = nullptr;
}

void TWindowProcHook::CallPrevious(TMessage& message) {
  if (!FTarget) return;  // the hooked control is gone
  auto& hooks = FTarget->FHooks;
  auto it = std::find(hooks.begin(), hooks.end(), this);
  if (it == hooks.end() || it == hooks.begin()) {
    FTarget->WndProc(message);
    return;
  }
  TWindowProcHook* previous = *(it - 1);
  if (previous->FHandler)
    previous->FHandler(message);
  else
    previous->CallPrevious(message);
}

// --- TControl: mouse and context menu ------------------------------------------------------

void TControl::WndProc(TMessage& message) {
  std::weak_ptr<char> life = FLife;
  switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      MouseButtonMessage(message);
      return;
    case WM_MOUSEMOVE: {
      TPoint p = PointOf(message.LParam);
      MouseMove(MouseKeysToShiftState(message.WParam), p.X, p.Y);
      break;
    }
    case WM_MOUSEWHEEL:
      if (DoMouseWheel(MouseKeysToShiftState(LoWord(message.WParam)), HiWordSigned(message.WParam),
                       PointOf(message.LParam))) {
        message.Result = 1;
        return;
      }
      break;
    case CM_MOUSEENTER:
      MouseEnter();
      break;
    case CM_MOUSELEAVE:
      MouseLeave();
      break;
    case WM_CONTEXTMENU:
      ContextMenuMessage(message);
      return;
    case CM_DRAG:
      DragMessage(message);
      return;
    default:
      break;
  }
  if (!life.expired()) DefaultHandler(message);
}

void TControl::MouseButtonMessage(TMessage& message) {
  TMouseButton button = mbLeft;
  enum { Down, Double, Up } kind = Down;
  switch (message.Msg) {
    case WM_RBUTTONDOWN:
      button = mbRight;
      break;
    case WM_MBUTTONDOWN:
      button = mbMiddle;
      break;
    case WM_LBUTTONDBLCLK:
      kind = Double;
      break;
    case WM_RBUTTONDBLCLK:
      button = mbRight;
      kind = Double;
      break;
    case WM_MBUTTONDBLCLK:
      button = mbMiddle;
      kind = Double;
      break;
    case WM_LBUTTONUP:
      kind = Up;
      break;
    case WM_RBUTTONUP:
      button = mbRight;
      kind = Up;
      break;
    case WM_MBUTTONUP:
      button = mbMiddle;
      kind = Up;
      break;
    default:
      break;
  }
  TPoint p = PointOf(message.LParam);
  TShiftState shift = MouseKeysToShiftState(message.WParam);
  bool left = button == mbLeft;
  std::weak_ptr<char> life = FLife;
  if (kind == Up) {
    bool click = FClickPending && left;
    if (left) FClickPending = false;
    if (!(message.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) SetMouseCapture(false);
    if (life.expired()) return;
    if (click && ClientRect().Contains(p)) Click();
    if (life.expired()) return;
    MouseUp(button, shift, p.X, p.Y);
  } else {
    if (left && kind == Down && FDragMode == dmAutomatic) {
      BeginAutoDrag();
      if (life.expired()) return;
    }
    if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
    if (kind == Double) {
      shift.Include(ssDouble);
      if (left && FControlStyle.Contains(csClickEvents)) DblClick();
    } else if (left && FControlStyle.Contains(csClickEvents)) {
      FClickPending = true;
    }
    if (life.expired()) return;
    MouseDown(button, shift, p.X, p.Y);
  }
  if (!life.expired()) DefaultHandler(message);
}

void TControl::ContextMenuMessage(TMessage& message) {
  TPopupMenu* menu = nullptr;
  for (TControl* c = this; c && !menu; c = c->Parent()) menu = c->PopupMenu();
  if (menu && menu->AutoPopup()) {
    TPoint p = PointOf(message.LParam);
    if (p.X == -1 && p.Y == -1) p = ClientToScreen(Point(0, 0));
    menu->SetPopupComponent(this);
    menu->Popup(p.X, p.Y);
    message.Result = 1;
    return;
  }
  DefaultHandler(message);
}

// --- TWinControl: keys, focus, timers, dialog keys --------------------------------------------

void TWinControl::WndProc(TMessage& message) {
  std::weak_ptr<char> life = FLife;
  switch (message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      auto key = static_cast<TKey>(message.WParam);
      TShiftState shift = KeyDataToShiftState(message.LParam);
      if (message.Msg == WM_KEYDOWN || message.Msg == WM_SYSKEYDOWN)
        KeyDown(key, shift);
      else
        KeyUp(key, shift);
      message.WParam = key;
      if (key == 0) return;  // swallowed: nothing goes on
      break;
    }
    case WM_CHAR:
    case WM_SYSCHAR: {
      auto ch = static_cast<char>(message.WParam);
      KeyPress(ch);
      message.WParam = static_cast<unsigned char>(ch);
      if (ch == 0) return;
      break;
    }
    case WM_SETFOCUS:
      WMSetFocus();
      break;
    case WM_KILLFOCUS:
      WMKillFocus();
      break;
    case CM_ENTER:
      DoEnter();
      break;
    case CM_EXIT:
      DoExit();
      break;
    case WM_TIMER:
      WMTimer(static_cast<int>(message.WParam));
      break;
    case WM_GETDLGCODE:
      message.Result = GetDlgCode();
      return;
    case CM_DIALOGKEY:
      Broadcast(message);
      return;
    default:
      TControl::WndProc(message);
      return;
  }
  if (!life.expired()) DefaultHandler(message);
}

void TWinControl::Broadcast(TMessage& message) {
  for (std::size_t i = 0; i < FControls.size(); ++i) {
    FControls[i]->WindowProc(message);
    if (message.Result != 0) return;
  }
}

void TWinControl::DefaultHandler(TMessage& message) {
  TQtMessageOrigin* origin = TQtMessageOrigin::Of(message);
  if (origin) origin->MarkDefault();
  bool wrapped = FHandle && FHandle->PassMouse;
  switch (message.Msg) {
    case WM_CANCELMODE:
      if (MouseCapture()) SetMouseCapture(false);
      break;
    case WM_NCHITTEST:
      if (FHandle && FHandle->Window) {
        TPoint screen = PointOf(message.LParam);
        QWidget* window = FHandle->Window;
        if (ClientRect().Contains(ScreenToClient(screen)))
          message.Result = HTCLIENT;
        else if (window->rect().contains(window->mapFromGlobal(ToQPoint(screen))))
          message.Result = HTBORDER;
        else
          message.Result = HTNOWHERE;
      }
      break;
    case WM_CLOSE:
      // A pop-up closes by hiding; its owner frees it.
      if (FPopupWindow) SetVisible(false);
      break;
    case WM_SETCURSOR:
      SetWindowCursor(Cursor());
      message.Result = 1;
      break;
    case WM_MOUSEWHEEL:
      // Unused turns go to the parent, as the platform passes them on.
      if (Parent()) message.Result = Parent()->Perform(message.Msg, message.WParam, message.LParam);
      break;
    case WM_RBUTTONUP:
      Perform(WM_CONTEXTMENU, ControlParam(this), PointParam(ClientToScreen(PointOf(message.LParam))));
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (message.WParam == VK_F10 && KeyDataToShiftState(message.LParam).Contains(ssShift))
        Perform(WM_CONTEXTMENU, ControlParam(this), PointParam(-1, -1));
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (message.WParam == VK_APPS) Perform(WM_CONTEXTMENU, ControlParam(this), PointParam(-1, -1));
      break;
    case WM_CONTEXTMENU:
      // A standard control shows its own menu when nobody took the request.
      if (wrapped && FHandle->Client) {
        TPoint p = PointOf(message.LParam);
        bool fromKeys = p.X == -1 && p.Y == -1;
        QWidget* client = FHandle->Client;
        QPoint global = fromKeys ? client->mapToGlobal(QPoint(0, 0)) : ToQPoint(p);
        QContextMenuEvent event(fromKeys ? QContextMenuEvent::Keyboard : QContextMenuEvent::Mouse,
                                client->mapFromGlobal(global), global);
        TControlInput::SendToWidget(client, &event);
      }
      break;
    case WM_CHAR:
      // A character sent or posted, not typed: the Qt widget types it.
      if (!origin && wrapped && FHandle->Client) {
        auto ch = static_cast<char>(message.WParam);
        int key = QtKeyOfCharacter(ch);
        QString text = static_cast<unsigned char>(ch) >= 32 || key != Qt::Key_unknown
                           ? ToQString(std::string(1, ch))
                           : QString();
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
        TControlInput::SendToWidget(FHandle->Client, &event);
      }
      break;
    default:
      break;
  }
}

void TWinControl::SetWindowCursor(TCursor cursor) {
  // A window made later takes the control's cursor when it is attached.
  if (!FHandle || !FHandle->Client) return;
  // Asked on every pointer move: a shape already shown is left alone.
  if (cursor == FWindowCursor) return;
  FWindowCursor = cursor;
  QWidget* client = FHandle->Client;
  if (cursor != crDefault)
    client->setCursor(ToQCursor(cursor));
  else if (FHandle->OwnCursor)
    client->setCursor(*FHandle->OwnCursor);
  else
    client->unsetCursor();
}

// --- Posted messages, cancel mode -----------------------------------------------------------

TPostedMessageEvent::TPostedMessageEvent(unsigned msg, WPARAM wParam, LPARAM lParam)
    : QEvent(EventType()), Message{msg, wParam, lParam, 0} {}

QEvent::Type TPostedMessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

void PostMessage(TWinControl& control, unsigned msg, WPARAM wParam, LPARAM lParam) {
  if (QCoreApplication::instance() && QThread::currentThread() != QCoreApplication::instance()->thread())
    throw EInvalidOperation("Messages are posted from the GUI thread only");
  // Qt drops the events posted to a widget that is deleted first, and the
  // control's widget dies with the control.
  QCoreApplication::postEvent(TWidgetAccess::Window(control), new TPostedMessageEvent(msg, wParam, lParam));
}

void CancelModes() {
  TWinControl* capture = GetCaptureControl();
  if (capture) capture->Perform(WM_CANCELMODE);
  TWinControl* focus = Screen ? Screen->ActiveControl() : nullptr;
  if (focus && focus != capture) focus->Perform(WM_CANCELMODE);
}
