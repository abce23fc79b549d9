#pragma once
// TControl: the state and the input protocol every control shares, with no
// window of its own. Position and size (in the parent's client
// coordinates), alignment and anchors, visibility, enabling, colour, font,
// cursor, hint, caption, and the mouse handlers that the window behind a
// control calls (MouseDown, MouseMove, MouseUp, Click, DblClick,
// DoMouseWheel, MouseEnter, MouseLeave).
//
// Every message a control gets passes through one path: `WindowProc`
// (reached with `Perform`, and by the framework for input) runs the hooks
// other controls put in front of it (`TWindowProcHook`), then `WndProc`.
// The base `WndProc` turns the standard messages into calls of the named
// handlers above and ends in `DefaultHandler`; a control that handles a
// message itself overrides `WndProc` with a switch and calls the base for
// the rest.
//
// A control is a component: its owner frees it. Its parent (a
// `TWinControl`) only shows it; a parent that dies first lets go of the
// children it does not own. Every concrete control is a `TWinControl` here
// (see win_control.h): the platform's windowless controls have no
// counterpart, since a Qt widget per control costs little.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/component/component.h"
#include "framework/core/base/event.h"
#include "framework/core/base/object.h"
#include "framework/core/base/set.h"
#include "framework/gui/graphics/cursors.h"
#include "framework/gui/graphics/geometry.h"
#include "framework/gui/graphics/graphics.h"
#include "framework/gui/controls/keys.h"
#include "framework/gui/controls/messages.h"

class TWinControl;
class TPopupMenu;
class TWindowProcHook;
class TDragObject;
class TDragImageList;
class TDragManager;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind, 4>;
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
// Borders of controls (bsNone, bsSingle) and of forms (all of them).
enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

enum TControlStyleItem {
  csAcceptsControls,
  csCaptureMouse,  // a press captures the mouse until the release
  csClickEvents,   // a release over the control after a press is a Click
  csDoubleClicks,  // a second press soon after the first is a double click
  csOpaque,
  csSetCaption,
};
using TControlStyle = TSet<TControlStyleItem, 8>;

// Drag and drop (the manager is in dragdrop/drag_drop.h): whether a left
// press begins a drag by itself, and the state a control under a drag is
// told about.
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

using TMouseEvent = TEvent<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TEvent<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TMouseWheelEvent =
    TEvent<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
// Source is the dragged control (or the drag object a start handler made);
// points are in the receiving control's client coordinates; Target of an
// ended drag is nullptr when nothing took the drop.
using TStartDragEvent = TEvent<void(TObject* Sender, TDragObject*& DragObject)>;
using TDragOverEvent =
    TEvent<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = TEvent<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = TEvent<void(TObject* Sender, TObject* Target, int X, int Y)>;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  // Moves the control into parent's client area (nullptr: into none).
  // Raises EInvalidOperation when parent is the control itself or one of
  // its children.
  virtual void SetParent(TWinControl* parent);

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int left) { SetBounds(left, FTop, FWidth, FHeight); }
  void SetTop(int top) { SetBounds(FLeft, top, FWidth, FHeight); }
  void SetWidth(int width) { SetBounds(FLeft, FTop, width, FHeight); }
  void SetHeight(int height) { SetBounds(FLeft, FTop, FWidth, height); }
  // Negative sizes become 0. Moving an aligned control realigns its parent,
  // which may place it elsewhere.
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }

  // The area inside borders, scroll bars and menus, from (0, 0).
  virtual TRect ClientRect() const { return Rect(0, 0, FWidth, FHeight); }
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  void SetClientWidth(int width) { SetClientSize(width, ClientHeight()); }
  void SetClientHeight(int height) { SetClientSize(ClientWidth(), height); }
  // Grows or shrinks the control so that its client area gets this size.
  void SetClientSize(int width, int height);
  // Screen position of the client area's (0, 0).
  virtual TPoint ClientOrigin() const;
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign align);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors anchors);

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and so are its parents up to a shown window.
  virtual bool Showing() const;

  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool enabled);

  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool parentColor);

  // Changing the font (or assigning one) clears ParentFont.
  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }
  void SetFont(const TFont& font) { FFont.Assign(&font); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool parentFont);

  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor cursor);

  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& hint);
  // The hint shows when ShowHint is on (taken from the parent while
  // ParentShowHint is on).
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool showHint);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool parentShowHint);

  // The window text: caption of forms, labels, buttons; text of edits.
  virtual std::string Text() const { return FText; }
  virtual void SetText(const std::string& text);
  std::string Caption() const { return Text(); }
  void SetCaption(const std::string& caption) { SetText(caption); }

  TControlStyle ControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle style) { FControlStyle = style; }

  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* menu);

  // Whether this control has the mouse capture (see win_control.h).
  virtual bool MouseCapture() const { return false; }
  virtual void SetMouseCapture(bool capture) {}

  // --- Drag and drop (dragdrop/drag_drop.cpp) ----------------------------------
  TDragMode DragMode() const { return FDragMode; }
  void SetDragMode(TDragMode mode) { FDragMode = mode; }
  // The pointer shape while a drag of this control is over a control that
  // accepts it (crNoDrop elsewhere).
  TCursor DragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor cursor) { FDragCursor = cursor; }
  // Starts dragging this control: now, or once the pointer has moved more
  // than threshold pixels (-1: 5) in X or Y from the last mouse message's
  // point; until then the control hears the mouse as usual, and a release
  // ends the attempt quietly. Nothing while any drag runs.
  void BeginDrag(bool immediate, int threshold = -1);
  // Ends this control's drag: dropping where the pointer is (when the
  // control under it accepts), or cancelling.
  void EndDrag(bool drop);
  // A drag of this control runs (or waits for its threshold).
  bool Dragging() const;

  // Asks for the control to be painted again.
  virtual void Invalidate() {}
  // Paints what is invalid now.
  virtual void Update() {}
  void Repaint() {
    Invalidate();
    Update();
  }
  void Refresh() { Repaint(); }

  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;

  // --- Messages ---------------------------------------------------------------
  // Sends a message through the control's window procedure and returns its
  // result. An exception a handler raises reaches the caller.
  LRESULT Perform(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
  // The window procedure: the hooks in front of it, latest first, then
  // WndProc.
  void WindowProc(TMessage& message);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnResize;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TMouseWheelEvent OnMouseWheel;
  TStartDragEvent OnStartDrag;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;

 protected:
  friend class TWinControl;
  friend class TControlInput;
  friend class TWidgetAccess;
  friend class TWindowProcHook;
  friend class TDragManager;

  // The control's own handling of a message; see the class comment.
  virtual void WndProc(TMessage& message);
  // What is done with a message no handler took: nothing for a control
  // without a window; windows pass it on to what lies behind them.
  virtual void DefaultHandler(TMessage& message) {}
  // Expires when the control dies: a handler that calls out (events,
  // other controls) checks it before touching the control again.
  std::weak_ptr<char> LifeToken() const { return FLife; }

  // Input handlers, called with client coordinates. The base ones fire the
  // matching events; overrides call them where the event should fire.
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // True when the wheel turn was used; otherwise the parent gets it.
  // WheelDelta is 120 per notch, positive away from the user.
  virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos);
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}

  // Drag and drop. The drag began (fires OnStartDrag, which may supply its
  // own drag object; otherwise the control itself is the source).
  virtual void DoStartDrag(TDragObject*& dragObject);
  // A drag moves over the control: Accept starts false, and true when
  // OnDragOver is assigned, which then decides.
  virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
  // The drag was dropped on the control (fires OnDragDrop).
  virtual void DragDrop(TObject* source, int x, int y);
  // This control's drag ended (fires OnEndDrag).
  virtual void DoEndDrag(TObject* target, int x, int y);
  // The images that follow the pointer while this control is dragged.
  virtual TDragImageList* GetDragImages() { return nullptr; }
  // A left press on a control with DragMode dmAutomatic: begins a drag
  // with the threshold. Controls that start their drags themselves
  // override it with nothing.
  virtual void BeginAutoDrag();
  // CM_DRAG: what the drag manager asks and tells a control.
  void DragMessage(TMessage& message);

  // After the size changed; fires OnResize.
  virtual void Resize();
  // Change hooks, each called once after its property changed.
  virtual void BoundsChanged() {}
  virtual void VisibleChanged() {}
  virtual void EnabledChanged() {}
  virtual void ColorChanged() {}
  virtual void FontChanged() {}
  virtual void CursorChanged() {}
  virtual void HintChanged() {}
  virtual void TextChanged() {}
  // The parent's font or colour changed; controls following it take it.
  virtual void ParentFontChanged();
  virtual void ParentColorChanged();
  virtual void ParentChanged() {}

  // Anchored controls keep their distances to the parent's edges from the
  // moment their bounds were last set by code.
  void RememberAnchorBase();
  TRect AnchorBaseBounds() const { return FAnchorBounds; }
  TSize AnchorBaseParentSize() const { return FAnchorParentSize; }

  // The platform moved or sized the window (a form resized by the user, a
  // page placed by its page control): take its bounds.
  void SetBoundsFromPlatform(int left, int top, int width, int height);

 private:
  void FontPropertyChanged();
  void MouseButtonMessage(TMessage& message);
  void ContextMenuMessage(TMessage& message);
  void DetachHooks();
  // byCode: move the window and take these bounds as the anchor base.
  void ApplyBounds(int left, int top, int width, int height, bool moveWindow, bool rememberAnchor);

  TWinControl* FParent = nullptr;
  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;
  TAlign FAlign = alNone;
  TAnchors FAnchors = {akLeft, akTop};
  TRect FAnchorBounds;
  TSize FAnchorParentSize{-1, -1};
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clWindow;
  bool FParentColor = false;
  TFont FFont;
  bool FParentFont = true;
  bool FTakingParentFont = false;
  TCursor FCursor = crDefault;
  std::string FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  std::string FText;
  TControlStyle FControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TPopupMenu* FPopupMenu = nullptr;
  TDragMode FDragMode = dmManual;
  TCursor FDragCursor = crDrag;
  // A left press that may end in a click.
  bool FClickPending = false;
  // Hooks in front of WndProc, in the order they were put there.
  std::vector<TWindowProcHook*> FHooks;
  // Lets a handler tell whether the control survived what it called.
  std::shared_ptr<char> FLife = std::make_shared<char>();
};

// Puts a handler in front of another control's window procedure, as a
// drop-down does with the control it serves: the handler sees each message
// first and passes on what it does not take with `CallPrevious`. Hooks on
// one control stack (the latest sees a message first) and come off in any
// order. A hook comes off when it dies (so a control that hooks another
// keeps it as a member) and lets go by itself when the hooked control dies
// first.
class TWindowProcHook {
 public:
  using THandler = std::function<void(TMessage& message)>;

  explicit TWindowProcHook(THandler handler) : FHandler(std::move(handler)) {}
  ~TWindowProcHook() { Unhook(); }
  TWindowProcHook(const TWindowProcHook&) = delete;
  TWindowProcHook& operator=(const TWindowProcHook&) = delete;

  // Puts the handler in front of target's procedure (off any other first).
  void Hook(TControl& target);
  void Unhook();
  // The hooked control; nullptr when none (or once it died).
  TControl* Target() const { return FTarget; }
  // Hands the message to the procedure the hook was put in front of.
  void CallPrevious(TMessage& message);

 private:
  friend class TControl;
  THandler FHandler;
  TControl* FTarget = nullptr;
};
