#include "framework/gui/standard/forms.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QMenuBar>
#include <QTimer>
#include <QWidget>

#include "framework/core/base/exceptions.h"
#include "framework/gui/application/application.h"
#include "framework/gui/standard/menus.h"
#include "framework/gui/standard/menus_p.h"
#include "framework/gui/graphics/qt_graphics.h"
#include "framework/gui/graphics/qt_text.h"
#include "framework/gui/application/screen.h"
#include "framework/gui/controls/win_control_p.h"

class TFormAccess {
 public:
  static void Close(TForm& form) { form.Close(); }
  static void Activate(TForm& form, bool active) {
    if (active) {
      form.Activate();
      return;
    }
    // Drop-downs of the focused control close when their form goes to the
    // background.
    std::weak_ptr<char> life = form.LifeToken();
    form.Perform(CM_DEACTIVATE);
    if (TWinControl* control = life.expired() ? nullptr : form.ActiveControl()) control->Perform(CM_DEACTIVATE);
    if (!life.expired()) form.Deactivate();
  }
};

namespace {

class TFormWindow : public QWidget {
 public:
  explicit TFormWindow(TForm& form) : FForm(form) { setAttribute(Qt::WA_QuitOnClose, false); }

 protected:
  void closeEvent(QCloseEvent* event) override {
    // The form decides (OnCloseQuery, OnClose); the window hides itself
    // only when the form hides it.
    event->ignore();
    TControlInput::Guard(&FForm, [&] { TFormAccess::Close(FForm); });
  }
  void changeEvent(QEvent* event) override {
    if (event->type() == QEvent::ActivationChange)
      TControlInput::Guard(&FForm, [&] { TFormAccess::Activate(FForm, isActiveWindow()); });
    QWidget::changeEvent(event);
  }

 private:
  TForm& FForm;
};

}  // namespace

class TFormPrivate {
 public:
  QPointer<QMenuBar> Bar;
};

// --- TSizeConstraints -------------------------------------------------------------------

void TSizeConstraints::Changed() {
  if (OnChange) OnChange(this);
}
void TSizeConstraints::SetMinWidth(int value) {
  FMinWidth = std::max(0, value);
  Changed();
}
void TSizeConstraints::SetMinHeight(int value) {
  FMinHeight = std::max(0, value);
  Changed();
}
void TSizeConstraints::SetMaxWidth(int value) {
  FMaxWidth = std::max(0, value);
  Changed();
}
void TSizeConstraints::SetMaxHeight(int value) {
  FMaxHeight = std::max(0, value);
  Changed();
}

void TSizeConstraints::Constrain(int& width, int& height) const {
  if (FMaxWidth > 0) width = std::min(width, FMaxWidth);
  if (FMaxHeight > 0) height = std::min(height, FMaxHeight);
  width = std::max(width, FMinWidth);
  height = std::max(height, FMinHeight);
}

// --- TForm --------------------------------------------------------------------------------

TForm::TForm(TComponent* owner) : TWinControl(owner), FPrivate(std::make_unique<TFormPrivate>()) {
  SetParentFont(false);
  SetColor(clBtnFace);
  SetVisible(false);
  HandleNeeded();
  SetBounds(0, 0, 320, 240);
  FConstraints.OnChange = [this](TObject*) {
    QWidget* w = TWidgetAccess::Window(*this);
    w->setMinimumSize(FConstraints.MinWidth(), FConstraints.MinHeight());
    w->setMaximumSize(FConstraints.MaxWidth() > 0 ? FConstraints.MaxWidth() : QWIDGETSIZE_MAX,
                      FConstraints.MaxHeight() > 0 ? FConstraints.MaxHeight() : QWIDGETSIZE_MAX);
    SetBounds(Left(), Top(), Width(), Height());
  };
  if (::Screen) ::Screen->AddForm(this);
}

TForm::~TForm() {
  BeforeDestruction();
  if (::Screen) ::Screen->RemoveForm(this);
  // The children go while the form is still a form.
  Destroying();
  DestroyComponents();
}

void TForm::CreateWnd() {
  auto* window = new TFormWindow(*this);
  auto* client = new QWidget(window);
  client->setAutoFillBackground(false);
  window->setAutoFillBackground(true);
  TWidgetAccess::Attach(*this, window, client);
  ApplyBorderStyle();
}

void TForm::LayoutWindow() {
  if (!HandleAllocated()) return;
  QWidget* client = TWidgetAccess::Client(*this);
  int top = 0;
  if (FPrivate->Bar) {
    top = FPrivate->Bar->sizeHint().height();
    FPrivate->Bar->setGeometry(0, 0, Width(), top);
  }
  TWinControlHandle& h = TWidgetAccess::Handle(*this);
  h.SettingGeometry = true;
  client->setGeometry(0, top, Width(), std::max(0, Height() - top));
  h.SettingGeometry = false;
}

void TForm::TextChanged() {
  if (HandleAllocated()) TWidgetAccess::Window(*this)->setWindowTitle(ToQString(Text()));
}

void TForm::SetBounds(int left, int top, int width, int height) {
  FConstraints.Constrain(width, height);
  TWinControl::SetBounds(left, top, width, height);
}

void TForm::SetBorderStyle(TBorderStyle style) {
  if (style == FBorderStyle) return;
  FBorderStyle = style;
  ApplyBorderStyle();
}

void TForm::ApplyBorderStyle() {
  QWidget* w = TWidgetAccess::Window(*this);
  Qt::WindowFlags flags = Qt::Window;
  switch (FBorderStyle) {
    case bsNone:
      flags = Qt::Window | Qt::FramelessWindowHint;
      break;
    case bsDialog:
      flags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint;
      break;
    case bsToolWindow:
    case bsSizeToolWin:
      flags = Qt::Tool;
      break;
    default:
      break;
  }
  bool shown = w->isVisible();
  w->setWindowFlags(flags);
  if (shown) w->show();
}

TWindowState TForm::WindowState() const {
  Qt::WindowStates s = TWidgetAccess::Window(*this)->windowState();
  if (s & Qt::WindowMinimized) return wsMinimized;
  if (s & Qt::WindowMaximized) return wsMaximized;
  return wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
  QWidget* w = TWidgetAccess::Window(*this);
  Qt::WindowStates s = w->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  if (state == wsMinimized) s |= Qt::WindowMinimized;
  if (state == wsMaximized) s |= Qt::WindowMaximized;
  w->setWindowState(s);
}

void TForm::SetMenu(TMainMenu* menu) {
  if (menu == FMenu) return;
  if (FMenu) {
    TMenuAccess::AttachBar(*FMenu, nullptr);
    FMenu->RemoveFreeNotification(this);
  }
  FMenu = menu;
  delete FPrivate->Bar.data();
  if (menu) {
    menu->FreeNotification(this);
    auto* bar = new QMenuBar(TWidgetAccess::Window(*this));
    FPrivate->Bar = bar;
    TMenuAccess::AttachBar(*menu, bar);
    bar->show();
  }
  LayoutWindow();
  Realign();
}

void TForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FMenu) {
    FMenu = nullptr;
    delete FPrivate->Bar.data();
    if (!ComponentState().Contains(TComponentStateItem::csDestroying)) LayoutWindow();
  }
  if (component == FActiveControl) FActiveControl = nullptr;
}

TWinControl* TForm::ActiveControl() const {
  QWidget* focus = TWidgetAccess::Window(*this)->focusWidget();
  TWinControl* c = TWidgetAccess::ControlOf(focus);
  if (c && c != this && GetParentForm(c) == this) return c;
  return FActiveControl;
}

void TForm::SetActiveControl(TWinControl* control) {
  if (control == FActiveControl) return;
  if (FActiveControl) FActiveControl->RemoveFreeNotification(this);
  FActiveControl = control;
  if (!control) return;
  control->FreeNotification(this);
  if (control->CanFocus()) TWidgetAccess::Client(*control)->setFocus(Qt::OtherFocusReason);
}

void TForm::SetVisible(bool visible) {
  QWidget* w = TWidgetAccess::Window(*this);
  if (visible == Visible() && visible == w->isVisible()) return;
  TControl::SetVisible(visible);
  if (visible) {
    ApplyPosition();
    w->show();
    if (FActiveControl && FActiveControl->CanFocus()) TWidgetAccess::Client(*FActiveControl)->setFocus();
    DoShow();
  } else {
    w->hide();
    DoHide();
  }
}

bool TForm::Showing() const { return HandleAllocated() && TWidgetAccess::Window(*this)->isVisible(); }

void TForm::ApplyPosition() {
  TRect area = ::Screen ? ::Screen->WorkAreaRect() : Rect(0, 0, 800, 600);
  TRect around = area;
  switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
      break;
    case poMainFormCenter:
      if (Application && Application->MainForm() && Application->MainForm() != this)
        around = Application->MainForm()->BoundsRect();
      break;
    case poOwnerFormCenter:
      if (auto* owner = dynamic_cast<TForm*>(Owner())) around = owner->BoundsRect();
      break;
    default:
      return;
  }
  SetBounds(around.Left + (around.Width() - Width()) / 2, around.Top + (around.Height() - Height()) / 2,
            Width(), Height());
}

void TForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::Close() {
  if (FModal) {
    if (CloseQuery()) {
      FModalResult = mrCancel;
      FModalResultAsked = true;
    }
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TForm::Release() {
  Hide();
  if (!Owner()) return;  // held by a unique_ptr: its holder frees it
  QTimer::singleShot(0, TWidgetAccess::Window(*this), [this] {
    BeforeDestruction();
    Free();
  });
}

TModalResult TForm::ShowModal() {
  if (Visible() || FModal) throw EInvalidOperation("Cannot make a visible window modal");
  CancelModes();
  QWidget* w = TWidgetAccess::Window(*this);
  FModal = true;
  FModalResult = mrNone;
  w->setWindowModality(Qt::ApplicationModal);
  struct TModalEnd {
    TForm& Form;
    QWidget* Window;
    ~TModalEnd() {
      Form.FModal = false;
      Window->setWindowModality(Qt::NonModal);
      // Hiding only moves a widget; nothing here can fail in a way that
      // matters more than the exception that may be passing.
      try {
        Form.Hide();
      } catch (...) {
      }
    }
  } end{*this, w};
  Show();
  for (;;) {
    if (FModalResult != mrNone) {
      // A result a button set must still pass OnCloseQuery (Close asked it
      // already); a refusal, or an error a handler raised (shown like any
      // handler's), keeps the form open.
      bool canClose = false;
      if (FModalResultAsked) {
        canClose = true;
      } else {
        try {
          canClose = CloseQuery();
        } catch (...) {
          if (Application == nullptr) throw;
          Application->HandleException(this);
        }
      }
      FModalResultAsked = false;
      if (canClose) break;
      FModalResult = mrNone;
    }
    if (Application && Application->Terminated()) {
      FModalResult = mrCancel;
      break;
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return FModalResult;
}

bool TForm::GetWindowPlacement(TWindowPlacement& placement) const {
  QWidget* w = TWidgetAccess::Window(*this);
  Qt::WindowStates s = w->windowState();
  QRect normal = (s & (Qt::WindowMinimized | Qt::WindowMaximized)) ? w->normalGeometry() : w->geometry();
  if (!normal.isValid()) normal = QRect(Left(), Top(), Width(), Height());
  placement.flags = (s & Qt::WindowMinimized) && (s & Qt::WindowMaximized) ? WPF_RESTORETOMAXIMIZED : 0;
  placement.showCmd = (s & Qt::WindowMinimized)   ? SW_SHOWMINIMIZED
                      : (s & Qt::WindowMaximized) ? SW_SHOWMAXIMIZED
                                                  : SW_SHOWNORMAL;
  placement.ptMinPosition = {-1, -1};
  placement.ptMaxPosition = {-1, -1};
  placement.rcNormalPosition = FromQRect(normal);
  return true;
}

bool TForm::SetWindowPlacement(const TWindowPlacement& placement) {
  const TRect& r = placement.rcNormalPosition;
  SetWindowState(wsNormal);
  SetBounds(r.Left, r.Top, r.Width(), r.Height());
  switch (placement.showCmd) {
    case SW_HIDE:
      Hide();
      break;
    case SW_SHOWMINIMIZED:
      SetWindowState(wsMinimized);
      Show();
      break;
    case SW_SHOWMAXIMIZED:
      SetWindowState(wsMaximized);
      Show();
      break;
    default:
      Show();
      break;
  }
  return true;
}

void TForm::AfterConstruction() {
  try {
    if (OnCreate) OnCreate(this);
  } catch (...) {
    TControlInput::ReportException(this);
  }
}

void TForm::BeforeDestruction() {
  if (FDestroyFired) return;
  FDestroyFired = true;
  try {
    if (OnDestroy) OnDestroy(this);
  } catch (...) {
    TControlInput::ReportException(this);
  }
}

TForm* GetParentForm(const TControl* control) {
  const TControl* top = control;
  while (top && top->Parent()) top = top->Parent();
  return dynamic_cast<TForm*>(const_cast<TControl*>(top));
}
