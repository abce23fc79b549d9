#include "framework/gui/controls/win_control.h"

#include <QApplication>
#include <QHash>
#include <QPalette>
#include <QWindow>
#include <algorithm>
#include <cstdio>

#include "framework/core/base/exceptions.h"
#include "framework/gui/application/application.h"
#include "framework/gui/graphics/qt_graphics.h"
#include "framework/gui/graphics/qt_text.h"
#include "framework/gui/controls/win_control_p.h"

namespace {

// Widget -> control, for the controls' own widgets (window and client).
QHash<const QObject*, TWinControl*>& WidgetRegistry() {
  static QHash<const QObject*, TWinControl*> registry;
  return registry;
}

TWinControl* GCaptureControl = nullptr;

// The part of a hint before '|' is the one shown over the control.
QString ShortHint(const std::string& hint) {
  auto bar = hint.find('|');
  return ToQString(bar == std::string::npos ? std::string_view(hint) : std::string_view(hint).substr(0, bar));
}

}  // namespace

TWinControl* GetCaptureControl() { return GCaptureControl; }

// --- The window handle ---------------------------------------------------------------

TWinControlHandle::TWinControlHandle(TWinControl& control)
    : Control(control), Input(std::make_unique<TControlInput>(control)) {}

TWinControlHandle::~TWinControlHandle() {
  // Deleting the widget sends it events (focus, hide): the control hears
  // none of them any more.
  Input->Detach();
  WidgetRegistry().remove(Window.data());
  WidgetRegistry().remove(Client.data());
  delete Window.data();
}

void TWidgetAccess::Attach(TWinControl& control, QWidget* window, QWidget* client) {
  auto handle = std::make_unique<TWinControlHandle>(control);
  handle->Window = window;
  handle->Client = client ? client : window;
  WidgetRegistry().insert(window, &control);
  WidgetRegistry().insert(handle->Client.data(), &control);
  window->installEventFilter(handle->Input.get());
  if (handle->Client != window) handle->Client->installEventFilter(handle->Input.get());
  handle->Client->setMouseTracking(true);
  window->setMouseTracking(true);  // the frame hears the pointer too (WM_NCMOUSEMOVE)
  if (handle->Client->testAttribute(Qt::WA_SetCursor)) handle->OwnCursor = handle->Client->cursor();
  control.FHandle = std::move(handle);
  control.ApplyObjectName();

  // Bring the new window up to the control's state.
  control.ParentChanged();
  control.BoundsChanged();
  control.EnabledChanged();
  control.ApplyPalette();
  control.CursorChanged();
  control.HintChanged();
  control.ApplyFocusPolicy();
  control.LayoutWindow();
}

void TWidgetAccess::Watch(TWinControl& control, QWidget* widget) {
  widget->installEventFilter(control.Handle().Input.get());
  widget->setMouseTracking(true);
}

QWidget* TWidgetAccess::Window(const TWinControl& control) { return control.Handle().Window; }
QWidget* TWidgetAccess::Client(const TWinControl& control) { return control.Handle().Client; }

TWinControl* TWidgetAccess::ControlOf(const QObject* widget) {
  for (const QObject* o = widget; o; o = o->parent()) {
    auto it = WidgetRegistry().find(o);
    if (it != WidgetRegistry().end()) return it.value();
  }
  return nullptr;
}

// --- TWinControl ---------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  // Hooks of other controls hear nothing of a control being torn down.
  DetachHooks();
  // Owned children die while this parent can still hear them leave.
  Destroying();
  DestroyComponents();
  while (!FControls.empty()) {
    TControl* child = FControls.back();
    try {
      child->SetParent(nullptr);
    } catch (...) {
      // Letting go of a child only moves widgets; nothing is lost if it
      // fails, so the destructor carries on.
      FControls.pop_back();
    }
  }
  if (GCaptureControl == this) GCaptureControl = nullptr;
  FHandle.reset();
}

TWinControlHandle& TWinControl::Handle() const {
  if (!FHandle) const_cast<TWinControl*>(this)->HandleNeeded();
  return *FHandle;
}

void TWinControl::HandleNeeded() {
  if (!FHandle) CreateWnd();
}

void TWinControl::CreateWnd() { TWidgetAccess::Attach(*this, new QWidget); }

void TWinControl::SetName(const std::string& name) {
  TControl::SetName(name);
  ApplyObjectName();
}

void TWinControl::ApplyObjectName() {
  if (!FHandle) return;
  const QString name = QString::fromLatin1(Name().data(), static_cast<qsizetype>(Name().size()));
  if (FHandle->Window) FHandle->Window->setObjectName(name);
  if (FHandle->Client && FHandle->Client != FHandle->Window) FHandle->Client->setObjectName(name + QLatin1String("Client"));
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FControls[static_cast<std::size_t>(index)];
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c; c = c->Parent())
    if (c == this) return true;
  return false;
}

void TWinControl::InsertControl(TControl* control) {
  FControls.push_back(control);
  control->FParent = this;
}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(FControls.begin(), FControls.end(), control);
  if (it == FControls.end()) return;
  FControls.erase(it);
  control->FParent = nullptr;
  if (!ComponentState().Contains(TComponentStateItem::csDestroying) && control->Align() != alNone) Realign();
}

TRect TWinControl::ClientRect() const {
  if (FHandle && FHandle->Client && FHandle->Client != FHandle->Window)
    return Rect(0, 0, FHandle->Client->width(), FHandle->Client->height());
  return TControl::ClientRect();
}

TPoint TWinControl::ClientOrigin() const {
  if (!FHandle || !FHandle->Client) return TControl::ClientOrigin();
  return FromQPoint(FHandle->Client->mapToGlobal(QPoint(0, 0)));
}

bool TWinControl::Showing() const { return FHandle && FHandle->Window && FHandle->Window->isVisible(); }

void TWinControl::ParentChanged() {
  if (!FHandle) return;
  QWidget* window = FHandle->Window;
  FHandle->SettingGeometry = true;
  if (FPopupWindow) {
    // Never Qt::Popup: that one grabs the keyboard and takes the focus,
    // while the control a list drops down from keeps both.
    Qt::WindowFlags flags = Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                            Qt::WindowDoesNotAcceptFocus;
    // The window system passes the pointer through, not only Qt.
    if (FMouseTransparent) flags |= Qt::WindowTransparentForInput;
    window->setParent(nullptr, flags);
    if (Parent()) {
      // Kept above the window it drops down from.
      QWidget* owner = TWidgetAccess::Window(*Parent())->window();
      window->winId();
      if (window->windowHandle() && owner->windowHandle())
        window->windowHandle()->setTransientParent(owner->windowHandle());
    }
  } else if (Parent()) {
    window->setParent(TWidgetAccess::Client(*Parent()));
  } else {
    window->setParent(nullptr, Qt::Widget);
  }
  window->setGeometry(Left(), Top(), Width(), Height());
  FHandle->SettingGeometry = false;
  if (Parent() || FPopupWindow) window->setVisible(Visible());
  HintChanged();
}

void TWinControl::SetPopupWindow(bool popup) {
  if (popup == FPopupWindow) return;
  FPopupWindow = popup;
  if (!FHandle) return;
  FHandle->Window->setAttribute(Qt::WA_ShowWithoutActivating, popup);
  ApplyFocusPolicy();
  ParentChanged();
}

void TWinControl::SetMouseTransparent(bool transparent) {
  if (transparent == FMouseTransparent) return;
  FMouseTransparent = transparent;
  if (!FHandle) return;
  FHandle->Window->setAttribute(Qt::WA_TransparentForMouseEvents, transparent);
  if (FPopupWindow) ParentChanged();
}

void TWinControl::SetAcceptsInputMethod(bool accepts) {
  if (FHandle) FHandle->Client->setAttribute(Qt::WA_InputMethodEnabled, accepts);
}

void TWinControl::BoundsChanged() {
  if (!FHandle) return;
  FHandle->SettingGeometry = true;
  FHandle->Window->setGeometry(Left(), Top(), Width(), Height());
  FHandle->SettingGeometry = false;
}

void TWinControl::VisibleChanged() {
  if (FHandle && (Parent() || FPopupWindow)) FHandle->Window->setVisible(Visible());
}

void TWinControl::EnabledChanged() {
  if (FHandle) FHandle->Window->setEnabled(Enabled());
}

void TWinControl::ApplyPalette() {
  if (!FHandle) return;
  QWidget* w = FHandle->Window;
  QPalette palette = w->palette();
  QColor back = ToQColor(Color());
  QColor text = ToQColor(Font().Color());
  palette.setColor(QPalette::Window, back);
  palette.setColor(QPalette::Base, back);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::ButtonText, text);
  w->setPalette(palette);
  w->setFont(ToQFont(Font()));
}

void TWinControl::ColorChanged() {
  ApplyPalette();
  Invalidate();
  for (TControl* child : FControls) child->ParentColorChanged();
}

void TWinControl::FontChanged() {
  ApplyPalette();
  Invalidate();
  for (TControl* child : FControls) child->ParentFontChanged();
}

void TWinControl::CursorChanged() { SetWindowCursor(Cursor()); }

void TWinControl::HintChanged() {
  if (!FHandle) return;
  bool show = ShowHint();
  for (const TControl* c = this; c && c->ParentShowHint() && c->Parent(); c = c->Parent())
    show = c->Parent()->ShowHint();
  if (Application && !Application->ShowHint()) show = false;
  FHandle->Window->setToolTip(show ? ShortHint(Hint()) : QString());
  for (TControl* child : FControls)
    if (child->ParentShowHint()) child->HintChanged();
}

void TWinControl::Resize() {
  LayoutWindow();
  Realign();
  TControl::Resize();
}

void TWinControl::Loaded() {
  TControl::Loaded();
  if (FAlignPending) Realign();
}

// --- Focus ----------------------------------------------------------------------------

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

bool TWinControl::Focused() const {
  if (!FHandle) return false;
  QWidget* focus = QApplication::focusWidget();
  return focus && (focus == FHandle->Client || focus == FHandle->Window);
}

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  // Qt gives the focus whatever the widget's focus policy, which only
  // governs clicks and Tab.
  Handle().Client->setFocus(Qt::OtherFocusReason);
}

void TWinControl::SetTabStop(bool tabStop) {
  FTabStop = tabStop;
  ApplyFocusPolicy();
}

void TWinControl::ApplyFocusPolicy() {
  if (!FHandle) return;
  bool click = TakesFocusOnClick();
  Qt::FocusPolicy policy =
      FTabStop ? (click ? Qt::StrongFocus : Qt::TabFocus) : (click ? Qt::ClickFocus : Qt::NoFocus);
  // A pop-up leaves the focus where it is, whatever it is.
  if (FPopupWindow) policy = Qt::NoFocus;
  FHandle->Client->setFocusPolicy(policy);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::KeyDown(TKey& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(TKey& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

// --- Timers and capture -----------------------------------------------------------------

void TWinControl::SetTimer(int id, int milliseconds) {
  TWinControlHandle& h = Handle();
  KillTimer(id);
  int qtId = h.Input->startTimer(std::max(0, milliseconds));
  if (qtId == 0) throw EInvalidOperation("No timer available");
  h.TimerIds[id] = qtId;
}

void TWinControl::KillTimer(int id) {
  if (!FHandle) return;
  auto it = FHandle->TimerIds.find(id);
  if (it == FHandle->TimerIds.end()) return;
  FHandle->Input->killTimer(it->second);
  FHandle->TimerIds.erase(it);
}

bool TWinControl::TimerActive(int id) const { return FHandle && FHandle->TimerIds.count(id) > 0; }

bool TWinControl::MouseCapture() const { return GCaptureControl == this; }

void SetCapture(TWinControl& control) { control.SetMouseCapture(true); }

void ReleaseCapture() {
  if (TWinControl* holder = GCaptureControl) holder->SetMouseCapture(false);
}

namespace {

void ReleaseGrab(TWinControlHandle* handle) {
  if (handle && handle->Client && QWidget::mouseGrabber() == handle->Client) handle->Client->releaseMouse();
}

}  // namespace

void TWinControl::SetMouseCapture(bool capture) {
  if (capture) {
    if (GCaptureControl == this) return;
    TWinControl* old = GCaptureControl;
    if (old) ReleaseGrab(old->FHandle.get());
    GCaptureControl = this;
    QWidget* client = Handle().Client;
    if (client->isVisible()) client->grabMouse();
    // The control that lost the capture hears who took it.
    if (old) old->Perform(WM_CAPTURECHANGED, 0, static_cast<LPARAM>(ControlParam(this)));
  } else if (GCaptureControl == this) {
    GCaptureControl = nullptr;
    ReleaseGrab(FHandle.get());
    Perform(WM_CAPTURECHANGED, 0, 0);
  }
}

// --- Painting ---------------------------------------------------------------------------

void TWinControl::Invalidate() {
  if (FHandle && FHandle->Client) FHandle->Client->update();
}

void TWinControl::Update() {
  if (FHandle && FHandle->Client && FHandle->Client->isVisible()) FHandle->Client->repaint();
}

// --- Alignment --------------------------------------------------------------------------

void TWinControl::DisableAlign() { ++FAlignLevel; }

void TWinControl::EnableAlign() {
  if (FAlignLevel > 0 && --FAlignLevel == 0 && FAlignPending) Realign();
}

void TWinControl::ChildBoundsChanged(TControl* control) {
  if (control->Align() != alNone) Realign();
}

void TWinControl::Realign() {
  TComponentState state = ComponentState();
  if (FAlignLevel > 0 || state.Contains(TComponentStateItem::csLoading) ||
      state.Contains(TComponentStateItem::csDestroying)) {
    FAlignPending = true;
    return;
  }
  if (FAligning) return;
  FAligning = true;
  FAlignPending = false;
  try {
    TRect client = ClientRect();
    TRect rect = client;
    AdjustClientRect(rect);
    AlignControls(nullptr, rect);
    AlignAnchored(client);
  } catch (...) {
    FAligning = false;
    throw;
  }
  FAligning = false;
}

void TWinControl::AlignControls(TControl* control, TRect& rect) {
  static constexpr TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
  for (TAlign align : order) {
    std::vector<TControl*> list;
    for (TControl* c : FControls)
      if (c->Align() == align && c->Visible()) list.push_back(c);
    // Controls of one side are stacked in the order of their current
    // places, so that moving one changes its rank.
    auto key = [align](const TControl* c) {
      switch (align) {
        case alTop:
          return c->Top();
        case alBottom:
          return -(c->Top() + c->Height());
        case alLeft:
          return c->Left();
        case alRight:
          return -(c->Left() + c->Width());
        default:
          return 0;
      }
    };
    std::stable_sort(list.begin(), list.end(),
                     [&](const TControl* a, const TControl* b) { return key(a) < key(b); });
    for (TControl* c : list) {
      int w = std::max(0, rect.Width()), h = std::max(0, rect.Height());
      switch (align) {
        case alTop:
          c->ApplyBounds(rect.Left, rect.Top, w, c->Height(), true, false);
          rect.Top += c->Height();
          break;
        case alBottom:
          c->ApplyBounds(rect.Left, rect.Bottom - c->Height(), w, c->Height(), true, false);
          rect.Bottom -= c->Height();
          break;
        case alLeft:
          c->ApplyBounds(rect.Left, rect.Top, c->Width(), h, true, false);
          rect.Left += c->Width();
          break;
        case alRight:
          c->ApplyBounds(rect.Right - c->Width(), rect.Top, c->Width(), h, true, false);
          rect.Right -= c->Width();
          break;
        case alClient:
          c->ApplyBounds(rect.Left, rect.Top, w, h, true, false);
          break;
        case alNone:
          break;
      }
    }
  }
}

void TWinControl::AlignAnchored(const TRect& client) {
  for (TControl* c : FControls) {
    TAnchors anchors = c->Anchors();
    if (c->Align() != alNone || anchors == TAnchors{akLeft, akTop}) continue;
    TSize base = c->AnchorBaseParentSize();
    if (base.cx < 0) {
      c->RememberAnchorBase();
      continue;
    }
    TRect b = c->AnchorBaseBounds();
    int dx = client.Width() - base.cx, dy = client.Height() - base.cy;
    int left = b.Left, width = b.Width(), top = b.Top, height = b.Height();
    if (anchors.Contains(akRight)) {
      if (anchors.Contains(akLeft))
        width += dx;
      else
        left += dx;
    } else if (!anchors.Contains(akLeft)) {
      left += dx / 2;
    }
    if (anchors.Contains(akBottom)) {
      if (anchors.Contains(akTop))
        height += dy;
      else
        top += dy;
    } else if (!anchors.Contains(akTop)) {
      top += dy / 2;
    }
    c->ApplyBounds(left, top, width, height, true, false);
  }
}
