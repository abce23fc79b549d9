// TCustomdxTreeList: where the keyboard, the mouse, the focus and the
// window timers start, end and place the in-place editor and show and hide
// the hints. The Editing... steps are what the tree list's input handling
// does for editing; the handlers below run them in the order that handling
// gives them (the framework's handler, then the step, for keys; the step,
// then the framework's handler, for presses).

#include "framework/gui/application/screen.h"
#include "grid/editors/inplace_editor.h"
#include "grid/tree_list/tree_list.h"

namespace {

// The parts of a row that a press focuses (with its cell).
bool IsRowHit(TdxTreeListHitTest hit) {
  switch (hit) {
    case htIcon:
    case htStateIcon:
    case htLabel:
    case htRowFooter:
    case htPreview:
    case htIndicator:
      return true;
    default:
      return false;
  }
}

bool IsEditCellHit(TdxTreeListHitTest hit) { return hit == htLabel || hit == htNewItemRow; }

// Holds a flag up for a scope.
class TRaisedFlag {
 public:
  explicit TRaisedFlag(bool& flag) : FFlag(flag), FOld(flag) { FFlag = true; }
  ~TRaisedFlag() { FFlag = FOld; }
  TRaisedFlag(const TRaisedFlag&) = delete;
  TRaisedFlag& operator=(const TRaisedFlag&) = delete;

 private:
  bool& FFlag;
  bool FOld;
};

}  // namespace

// --- Steps ---------------------------------------------------------------------------------

bool TCustomdxTreeList::EditingKeyDown(TKey& key, TShiftState shift) {
  if (key == 0 || Count() == 0) return false;
  if (FState == tsEditing) {
    switch (key) {
      case VK_TAB:
      case VK_RETURN:
      case VK_ESCAPE:
      case VK_PRIOR:
      case VK_NEXT:
      case VK_UP:
      case VK_DOWN:
        CloseEditorAndFocus();
        // Escape only ends the edit; the other keys go on to move.
        if (key != VK_ESCAPE) return false;
        key = 0;
        return true;
      default:
        return false;
    }
  }
  if (key == VK_F2 && FState == tsNone && !shift.Contains(ssAlt) && !shift.Contains(ssCtrl)) {
    ShowEditor();
    return true;
  }
  return false;
}

bool TCustomdxTreeList::EditingKeyPress(char& key) {
  // An open editor types its own characters; the ones the host hears go
  // to its handlers only.
  if (FState != tsNone || !OptionExOn(tloEnterShowEditor)) return false;
  const auto code = static_cast<unsigned char>(key);
  if (code == '\r') {
    ShowEditor();
    key = 0;
    return true;
  }
  if (code != '\b' && code != 0x16 && code != 0x18 && code < 32) return false;
  ShowEditorWithChar(key);
  // Without an editor the character is the tree list's to handle.
  if (FState != tsEditing) return false;
  key = 0;
  return true;
}

void TCustomdxTreeList::EditingMouseDown(TMouseButton button, TShiftState shift, const TdxTreeListHitInfo& hit,
                                         TdxTreeListNode* focusedBefore, int focusedColumnBefore, bool hadFocus) {
  FEditPressNode = nullptr;
  FEditPressColumn = -1;
  if (button != mbLeft) return;
  if (shift.Contains(ssDouble)) {
    // A double click never starts editing.
    StopEditTimer();
    return;
  }
  if (!IsEditCellHit(hit.HitTest) || OptionOn(tloRowSelect) || hit.Node == nullptr) return;
  FEditPressNode = hit.Node;
  FEditPressColumn = hit.Column;
  if (hit.Node == focusedBefore && hit.Column == focusedColumnBefore && hadFocus && FState != tsEditing &&
      !FEditTimerRunning)
    StartEditTimer();
}

void TCustomdxTreeList::EditingMouseUp(TMouseButton button, TShiftState shift, const TdxTreeListHitInfo& hit) {
  TdxTreeListNode* pressed = FEditPressNode;
  const int pressedColumn = FEditPressColumn;
  FEditPressNode = nullptr;
  FEditPressColumn = -1;
  const bool pressing = FState == tsEditing || FState == tsNodeDragging || FState == tsNodeDown;
  if (!pressing || button != mbLeft || !OptionOn(tloImmediateEditor) || OptionOn(tloRowSelect)) return;
  if (pressed == nullptr || !IsEditCellHit(hit.HitTest) || hit.Node != pressed || hit.Column != pressedColumn)
    return;
  SetInteractionState(tsNone);
  if (shift.Contains(ssShift) || shift.Contains(ssCtrl)) return;
  StopEditTimer();
  ShowEditorWithClick();
  // The editor counts a second click soon after this one as a double click.
  if (FState == tsEditing && FInplaceEditor != nullptr) FInplaceEditor->SetClickTime(GetTickCount());
}

void TCustomdxTreeList::EditingFocusLost() {
  StopEditTimer();
  HideHint();
  TRaisedFlag losing(FLosingFocus);
  CloseEditor();
}

// --- Handlers ------------------------------------------------------------------------------

void TCustomdxTreeList::KeyDown(TKey& key, TShiftState shift) {
  TCustomdxContainer::KeyDown(key, shift);
  EditingKeyDown(key, shift);
}

void TCustomdxTreeList::KeyPress(char& key) {
  if (EditingKeyPress(key)) return;
  TCustomdxContainer::KeyPress(key);
}

void TCustomdxTreeList::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  std::weak_ptr<char> life = LifeToken();
  HideHint();
  StopEditTimer();
  if (FState == tsEditing && EditorShown() && !FInplaceEditor->IsCloseLocked()) CloseEditorAndFocus();
  const bool hadFocus = Focused();
  if (!Focused() && CanFocus()) SetFocus();
  if (life.expired()) return;
  if (!Focused()) {
    ReleaseCapture();
    return;
  }
  TdxTreeListHitInfo hit;
  HitTestPoint(Point(x, y), hit);
  TdxTreeListNode* focusedBefore = FocusedNode();
  const int columnBefore = FocusedColumnAbsoluteIndex();
  if (button == mbLeft && FState == tsNone && hit.Node != nullptr && IsRowHit(hit.HitTest)) {
    if (hit.HitTest != htIndicator) SetInteractionState(tsNodeDown);
    const int column = hit.Column >= 0 ? hit.Column : columnBefore;
    SetFocusedNodeAndColumn(hit.Node, GetVisibleColumnIndex(column), true);
    if (life.expired()) return;
  } else if (FState == tsEditing) {
    CloseEditor();
  }
  EditingMouseDown(button, shift, hit, focusedBefore, columnBefore, hadFocus);
  if (FInplaceEditor != nullptr && button == mbLeft) FInplaceEditor->SetClickTime(GetTickCount());
  TCustomdxContainer::MouseDown(button, shift, x, y);
}

void TCustomdxTreeList::MouseMove(TShiftState shift, int x, int y) {
  TdxTreeListHitInfo hit;
  HitTestPoint(Point(x, y), hit);
  if (FState == tsNodeDown && !shift.Contains(ssLeft)) SetInteractionState(tsNone);
  UpdateHint(hit);
  TCustomdxContainer::MouseMove(shift, x, y);
}

void TCustomdxTreeList::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  std::weak_ptr<char> life = LifeToken();
  TdxTreeListHitInfo hit;
  HitTestPoint(Point(x, y), hit);
  EditingMouseUp(button, shift, hit);
  if (life.expired()) return;
  if (FState == tsNodeDown) SetInteractionState(tsNone);
  TCustomdxContainer::MouseUp(button, shift, x, y);
}

void TCustomdxTreeList::MouseLeave() {
  HideHint();
  TCustomdxContainer::MouseLeave();
}

void TCustomdxTreeList::WMTimer(int id) {
  if (!EditingTimer(id)) TCustomdxContainer::WMTimer(id);
}

void TCustomdxTreeList::WMKillFocus() {
  TCustomdxContainer::WMKillFocus();
  // The focus going into the control's own editor is part of editing.
  if (FInplaceEditor != nullptr && Screen != nullptr && Screen->ActiveControl() == FInplaceEditor) return;
  EditingFocusLost();
}

void TCustomdxTreeList::DoExit() {
  {
    TRaisedFlag losing(FLosingFocus);
    CloseEditor();
  }
  TCustomdxContainer::DoExit();
}

void TCustomdxTreeList::Resize() {
  TCustomdxContainer::Resize();
  EditorLayoutChanged();
}

void TCustomdxTreeList::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_CANCELMODE:
      HideHint();
      break;
    case CM_CANCELMODE:
      HideHint();
      // An open editor hears it too (a drop-down closes its list), unless
      // it sent it.
      if (FInplaceEditor != nullptr && EditorShown() && ControlOf(static_cast<std::uintptr_t>(message.LParam)) !=
                                                             static_cast<TControl*>(FInplaceEditor))
        FInplaceEditor->Perform(message.Msg, message.WParam, message.LParam);
      break;
    case WM_DESTROY:
      HideHint();
      break;
    default:
      break;
  }
  TCustomdxContainer::WndProc(message);
}
