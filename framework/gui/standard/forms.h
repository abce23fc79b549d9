#pragma once
// TForm: a top-level window. It has a caption, a border style, size
// constraints, a position rule applied when it is first shown, an optional
// main menu above its client area, an active control, and the life cycle
// events: OnCreate (after construction), OnShow, OnActivate, OnClose /
// OnCloseQuery, OnDestroy (before destruction).
//
// Forms are components: the application owns the ones it makes
// (`Application->CreateForm<T>()`); a form made with another owner, or
// held in a `std::unique_ptr`, lives as long as that. A form class builds
// its components in its constructor (inside a `TLoadingScope`); whoever
// makes a form calls `AfterConstruction()` once it is built, and
// `BeforeDestruction()` before freeing it while its own members still
// live (the application and `Release` do both).
//
// A form's Left, Top, Width and Height are those of its window without
// the decoration the window manager adds.

#include <memory>

#include "framework/gui/standard/dialogs.h"
#include "framework/gui/controls/win_control.h"

class TMainMenu;
class TFormPrivate;

enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

// The window placement record: how the window shows and where its normal
// (restored) rectangle lies, in screen coordinates.
inline constexpr unsigned SW_HIDE = 0;
inline constexpr unsigned SW_SHOWNORMAL = 1;
inline constexpr unsigned SW_SHOWMINIMIZED = 2;
inline constexpr unsigned SW_SHOWMAXIMIZED = 3;
inline constexpr unsigned WPF_RESTORETOMAXIMIZED = 2;

struct TWindowPlacement {
  unsigned length = 44;
  unsigned flags = 0;
  unsigned showCmd = SW_SHOWNORMAL;
  TPoint ptMinPosition{-1, -1};
  TPoint ptMaxPosition{-1, -1};
  TRect rcNormalPosition;
};

// Limits of a form's size; 0 means no limit.
class TSizeConstraints : public TPersistent {
 public:
  int MinWidth() const { return FMinWidth; }
  int MinHeight() const { return FMinHeight; }
  int MaxWidth() const { return FMaxWidth; }
  int MaxHeight() const { return FMaxHeight; }
  void SetMinWidth(int value);
  void SetMinHeight(int value);
  void SetMaxWidth(int value);
  void SetMaxHeight(int value);
  // A size inside the limits.
  void Constrain(int& width, int& height) const;

  TNotifyEvent OnChange;

 private:
  void Changed();
  int FMinWidth = 0;
  int FMinHeight = 0;
  int FMaxWidth = 0;
  int FMaxHeight = 0;
};

using TCloseEvent = TEvent<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TEvent<void(TObject* Sender, bool& CanClose)>;

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition position) { FPosition = position; }
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle style);
  TSizeConstraints& Constraints() { return FConstraints; }
  TWindowState WindowState() const;
  void SetWindowState(TWindowState state);

  TMainMenu* Menu() const { return FMenu; }
  void SetMenu(TMainMenu* menu);

  // The control that has (or, while the form is not active, will get) the
  // focus in this form.
  TWinControl* ActiveControl() const;
  void SetActiveControl(TWinControl* control);

  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult result) { FModalResult = result; }
  // Shows the form modally and returns its ModalResult once a handler set
  // one that OnCloseQuery accepts (or the form was closed: mrCancel). Raises EInvalidOperation for a
  // form that is visible already.
  TModalResult ShowModal();
  bool Modal() const { return FModal; }

  // Asks OnCloseQuery, then closes: a modal form ends its ShowModal with
  // mrCancel; otherwise OnClose decides (hide by default); closing the
  // application's main form terminates the application.
  void Close();
  bool CloseQuery();
  // Frees the form once the current message is handled.
  void Release();

  bool GetWindowPlacement(TWindowPlacement& placement) const;
  bool SetWindowPlacement(const TWindowPlacement& placement);

  // Fires OnCreate; a handler's exception goes to the application's handler.
  void AfterConstruction();
  // Fires OnDestroy, once; called before the form is freed.
  void BeforeDestruction();

  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool visible) override;
  bool Showing() const override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  friend class TFormAccess;

  void CreateWnd() override;
  void LayoutWindow() override;
  void TextChanged() override;
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& action);
  virtual void Activate();
  virtual void Deactivate();

 private:
  void ApplyPosition();
  void ApplyBorderStyle();

  std::unique_ptr<TFormPrivate> FPrivate;
  TPosition FPosition = poDesigned;
  TBorderStyle FBorderStyle = bsSizeable;
  TSizeConstraints FConstraints;
  TMainMenu* FMenu = nullptr;
  TWinControl* FActiveControl = nullptr;
  TModalResult FModalResult = mrNone;
  // The modal result came from Close, which asked OnCloseQuery already.
  bool FModalResultAsked = false;
  bool FModal = false;
  bool FPositioned = false;
  bool FDestroyFired = false;
};

// The form a control lies on, or nullptr.
TForm* GetParentForm(const TControl* control);
