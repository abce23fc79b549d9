#pragma once
// TWinControl: a control with a window of its own, which can hold child
// controls, take the keyboard focus, run window timers and capture the
// mouse. The window is one Qt widget that the control owns and creates in
// `CreateWnd` (each framework class makes its own kind: a line edit, a
// combo box, a painted surface). Qt events reach the control as messages
// through its window procedure (control.h); what no handler takes goes on
// to the Qt widget from `DefaultHandler`. An exception thrown by a handler
// of such a message goes to `Application->HandleException`, never back
// into Qt.
//
// Children: a control whose parent is this one is shown in its client area
// and placed by its Align and Anchors whenever the client area changes.
// When a TWinControl is destroyed it first frees the components it owns,
// then lets go of the remaining children (their owners free them).

#include <memory>
#include <vector>

#include "framework/gui/controls/control.h"

class TWinControlHandle;
class TWidgetAccess;
class TControlInput;

using TKeyEvent = TEvent<void(TObject* Sender, TKey& Key, TShiftState Shift)>;
using TKeyPressEvent = TEvent<void(TObject* Sender, char& Key)>;

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // Child controls in the order they were given this parent.
  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int index) const;
  // True when control is this one or lies inside it.
  bool ContainsControl(const TControl* control) const;

  // The window exists (it does from construction until destruction).
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();

  // The window carries the component's name as its Qt object name, so that
  // tools and tests that look at the widget tree find controls by the names
  // the forms give them.
  void SetName(const std::string& name) override;

  TRect ClientRect() const override;
  TPoint ClientOrigin() const override;
  bool Showing() const override;

  // --- Focus ---------------------------------------------------------------
  // Visible and enabled, and so are all its parents.
  bool CanFocus() const;
  // This control's window has the keyboard focus.
  bool Focused() const;
  // Raises EInvalidOperation "Cannot focus a disabled or invisible window"
  // when the control cannot take the focus.
  virtual void SetFocus();
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool tabStop);

  // --- Timers: window timers by id, as the platform has them ------------------
  // Starts (or restarts) timer id; WMTimer(id) runs every interval.
  void SetTimer(int id, int milliseconds);
  // Stops timer id; nothing when it does not run.
  void KillTimer(int id);
  bool TimerActive(int id) const;

  // --- Mouse capture --------------------------------------------------------
  bool MouseCapture() const override;
  void SetMouseCapture(bool capture) override;

  // --- Painting ---------------------------------------------------------------
  void Invalidate() override;
  void Update() override;

  // --- Alignment --------------------------------------------------------------
  // Brackets in which moving children does not realign; the last
  // EnableAlign realigns once.
  void DisableAlign();
  void EnableAlign();
  void Realign();

  // A control shown as a borderless window of its own, on top, that never
  // takes the activation or the focus (hint windows, drop-down lists): a
  // click into it leaves both where they are. Its Left and Top are screen
  // coordinates, also when it has a parent (the control it drops down
  // from, whose window it stays above). It shows while Visible (so a pop-up
  // that opens later is made invisible first); WM_CLOSE hides it.
  bool PopupWindow() const { return FPopupWindow; }
  void SetPopupWindow(bool popup);
  // The mouse passes through the window to whatever lies under it (a hint
  // shown over the control it describes, which keeps the pointer).
  bool MouseTransparent() const { return FMouseTransparent; }
  void SetMouseTransparent(bool transparent);
  // The window takes text from input methods: their compositions reach it
  // (WM_IME_STARTCOMPOSITION when one begins). Off for a new window.
  void SetAcceptsInputMethod(bool accepts);

  // The pointer shape the window shows now (crDefault: the window's own),
  // as the last WM_SETCURSOR left it.
  TCursor WindowCursor() const { return FWindowCursor; }

  // Sends the message to each child control in turn until one sets a
  // non-zero Result.
  void Broadcast(TMessage& message);

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

 protected:
  friend class TWidgetAccess;
  friend class TControlInput;
  friend class TControl;

  // Makes the window; overrides attach their own widget through the
  // framework's private widget door. The base makes a plain container.
  virtual void CreateWnd();

  void WndProc(TMessage& message) override;
  // Messages made from a Qt event go on to the Qt widget; messages without
  // one get what the platform's default window procedure would do.
  void DefaultHandler(TMessage& message) override;
  // Shows this shape over the window until the next WM_SETCURSOR (call it
  // while handling one).
  void SetWindowCursor(TCursor cursor);

  // Keyboard handlers; the base ones fire the events. Setting Key to 0
  // swallows the key (a zero character is not typed).
  virtual void KeyDown(TKey& key, TShiftState shift);
  virtual void KeyUp(TKey& key, TShiftState shift);
  virtual void KeyPress(char& key);
  // Keys the control keeps from the form's focus moves (DLGC_ flags, the
  // answer to WM_GETDLGCODE); without DLGC_WANTTAB, Tab moves the focus and
  // KeyDown never sees it; without DLGC_WANTALLKEYS, Enter and Escape go to
  // the form's buttons first.
  virtual unsigned GetDlgCode() const { return DLGC_WANTARROWS; }
  // Whether a click gives the control the focus by itself (standard
  // controls); painted controls take it in their own MouseDown.
  virtual bool TakesFocusOnClick() const { return false; }
  // Applies TabStop and TakesFocusOnClick to the window.
  void ApplyFocusPolicy();

  // The window got or lost the keyboard focus (also when the whole
  // window is activated or deactivated).
  virtual void WMSetFocus() {}
  virtual void WMKillFocus() {}
  // The focus moved onto or off this control within its form; fire
  // OnEnter and OnExit.
  virtual void DoEnter();
  virtual void DoExit();
  virtual void WMTimer(int id) {}

  // The client area that aligned children share.
  virtual void AdjustClientRect(TRect& rect) const {}
  virtual void AlignControls(TControl* control, TRect& rect);

  void BoundsChanged() override;
  void VisibleChanged() override;
  void EnabledChanged() override;
  void ColorChanged() override;
  void FontChanged() override;
  void CursorChanged() override;
  void HintChanged() override;
  void ParentChanged() override;
  void Resize() override;
  void Loaded() override;

  // Places the window's own parts (frame, scroll bars, menu) after a size
  // change; the base has none.
  virtual void LayoutWindow() {}

  TWinControlHandle& Handle() const;

 private:
  friend class TWinControlHandle;

  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void ChildBoundsChanged(TControl* control);
  void AlignAnchored(const TRect& client);
  void ApplyPalette();
  void ApplyObjectName();

  std::vector<TControl*> FControls;
  std::unique_ptr<TWinControlHandle> FHandle;
  bool FTabStop = false;
  bool FPopupWindow = false;
  bool FMouseTransparent = false;
  TCursor FWindowCursor = crDefault;
  int FAlignLevel = 0;
  bool FAligning = false;
  bool FAlignPending = false;
};

// The control holding the mouse capture, or nullptr. While a control holds
// it, the mouse messages that reach any window of the program (another
// control, a pop-up, another form) go to it, in its client coordinates;
// a control that loses it hears WM_CAPTURECHANGED with the new holder in
// LParam (0 when none).
TWinControl* GetCaptureControl();
// The platform's names: the capture goes to control; ReleaseCapture lets
// whoever holds it go; GetCapture answers who does.
void SetCapture(TWinControl& control);
void ReleaseCapture();
inline TWinControl* GetCapture() { return GetCaptureControl(); }

// Sends WM_CANCELMODE to the control holding the mouse capture and to the
// focused control: a modal window, a menu or a message box is about to
// open, and whatever they are in the middle of with the mouse ends.
void CancelModes();

// Queues a message for control's window procedure (hooks included). It
// arrives once the messages waiting now are handled, through the same
// boundary as input: an exception goes to the application's handler. A
// message for a control freed before then is dropped. GUI thread only.
void PostMessage(TWinControl& control, unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
