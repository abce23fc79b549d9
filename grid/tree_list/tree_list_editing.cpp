// TCustomdxTreeList: the in-place editor over the focused cell. When it
// starts, how the cell's value travels into the editor and back, how
// editing ends, and the tree list's answers to the editor's questions.

#include <memory>
#include <string>

#include "framework/gui/application/screen.h"
#include "grid/editors/mask_editor.h"
#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_column.h"

namespace {

// Holds a flag up for a scope.
class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : FFlag(flag), FOld(flag) { FFlag = true; }
  ~TFlagScope() { FFlag = FOld; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& FFlag;
  bool FOld;
};

bool IsBeingDestroyed(const TComponent& component) {
  return component.ComponentState().Contains(TComponentStateItem::csDestroying);
}

}  // namespace

// --- Starting ----------------------------------------------------------------------------

void TCustomdxTreeList::ShowEditor() {
  TdxTreeListNode* node = FocusedNode();
  if (!OptionOn(tloEditing) || OptionOn(tloRowSelect) || node == nullptr) return;
  bool allow = true;
  if (IsNewItemRowActive())
    DoNewItemRowEditing(allow);
  else
    DoEditing(node, allow);
  if (!allow) {
    // An editor on screen is still to be closed: its reference stays.
    if (FState != tsEditing) FInplaceEditor = nullptr;
    return;
  }
  const int column = FocusedColumnAbsoluteIndex();
  if (FState != tsNone || column < 0 || GetVisibleColumnCount() == 0) return;
  MakeColumnVisible(column);
  // A handler of the scrolling above may have moved the focus or freed
  // the node.
  node = FocusedNode();
  if (node == nullptr) return;
  node->MakeVisible();
  SetInteractionState(tsEditing);
  UpdateEditor(true);
}

void TCustomdxTreeList::ShowEditorWithChar(char ch) {
  ShowEditor();
  if (FState != tsEditing || !EditorShown()) return;
  switch (ch) {
    case '\x16':  // Ctrl+V
      PostMessage(*FInplaceEditor, WM_PASTE);
      break;
    case '\x18':  // Ctrl+X
      PostMessage(*FInplaceEditor, WM_CUT);
      break;
    default:
      FInplaceEditor->PostChar(ch);
      break;
  }
}

void TCustomdxTreeList::ShowEditorWithMouse(int x, int y) {
  ShowEditor();
  if (FState == tsEditing && EditorShown()) FInplaceEditor->MouseClickAt(x, y);
}

void TCustomdxTreeList::ShowEditorWithClick() {
  ShowEditor();
  if (FState == tsEditing && EditorShown()) FInplaceEditor->ShownByUser();
}

bool TCustomdxTreeList::CanShowEditor() const {
  return FState == tsEditing && !ComponentState().Contains(TComponentStateItem::csDesigning) &&
         !IsUpdateLocked() && !IsDestroying() && HandleAllocated();
}

bool TCustomdxTreeList::EditorShown() const { return FInplaceEditor != nullptr && FInplaceEditor->Shown(); }

void TCustomdxTreeList::UpdateEditor(bool show) {
  if (!CanShowEditor()) return;
  const int focusedColumn = FocusedColumnAbsoluteIndex();
  TdxTreeListNode* focusedNode = FocusedNode();
  TdxInplaceEdit* editor = FindEditorObject();
  bool setUp = true;
  if (editor != nullptr) {
    const bool sameColumn = focusedColumn == FEditColumn && editor == FInplaceEditor;
    if (!sameColumn || focusedNode != FEditNode) {
      HideEditor(false);
      SetInteractionState(tsEditing);
    } else {
      setUp = false;
    }
  } else {
    editor = GetEditorObject();
    if (editor == nullptr) return;
  }
  if (setUp) {
    SetEditCell(focusedNode, focusedColumn < 0 ? 0 : focusedColumn);
    FInplaceEditor = editor;
    FreeNotification(editor);
    if (auto* mask = dynamic_cast<TdxInplaceMaskEdit*>(editor)) mask->SetClosing(false);
    editor->SetParent(this);
    if (focusedNode != nullptr) {
      TdxEditorInitScope init(*this);
      InitEditor(*editor);
      Variant value;
      InitEditorValue(focusedNode, FEditColumn, *editor, value);
      editor->SetModified(false);
      if (IsReadOnly()) editor->SetReadOnly(true);
      editor->SetActive(true);
    }
  }
  PlaceEditor(show);
}

// Puts the editor over the set-up cell; a cell that is not on screen
// cannot be edited, and the cell is forgotten.
void TCustomdxTreeList::PlaceEditor(bool show) {
  TdxInplaceEdit* editor = FInplaceEditor;
  if (editor == nullptr) return;
  const TRect cell = FEditNode != nullptr ? GetEditorRect(FEditNode, GetVisibleColumnIndex(FEditColumn))
                                          : Rect(-1, -1, -1, -1);
  const bool placed = !(cell.Left == -1 && cell.Top == -1) && !cell.IsEmpty();
  if (!placed) {
    if (editor->Shown()) editor->Hide();
    ForgetEditCell();
    return;
  }
  if (show) {
    editor->ShowAt(cell);
    return;
  }
  TRect r = cell;
  InflateRect(r, 2, 2);
  editor->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  editor->Invalidate();
}

void TCustomdxTreeList::EditorLayoutChanged() {
  // Only an editor on screen follows its cell; one set up but hidden is
  // placed when it is shown.
  if (FState != tsEditing || !EditorShown() || FHidingEditor || IsUpdateLocked()) return;
  const TdxTreeListColumn* edited = Columns(FEditColumn);
  if (FEditNode != nullptr && (edited == nullptr || !edited->Visible() || EditColumnChanged())) {
    // The edited column was hidden, or another one took the focused place:
    // the edit ends, its value saved into the column it was typed in.
    SetInteractionState(tsNone);
    HideEditor(false);
    return;
  }
  PlaceEditor(true);
  if (FEditNode == nullptr) CloseEditor();
}

// The focus went to another window (not to the control's own editor).
void TCustomdxTreeList::EditingFocusLost() {
  StopEditTimer();
  HideHint();
  TFlagScope losing(FLosingFocus);
  CloseEditor();
}

void TCustomdxTreeList::RefreshEditor() {
  if (FLosingFocus) return;
  ForgetEditCell();
  UpdateEditor(false);
}

// --- Ending -------------------------------------------------------------------------------

void TCustomdxTreeList::CloseEditor() {
  if (FState != tsEditing) return;
  if (FInplaceEditor != nullptr && !IsDestroying() && !IsBeingDestroyed(*FInplaceEditor))
    FInplaceEditor->ValidateEdit();
  SetInteractionState(tsNone);
  HideEditor(false);
}

void TCustomdxTreeList::CloseEditorAndFocus() {
  if (FState != tsEditing) return;
  if (FInplaceEditor != nullptr && !IsDestroying() && !IsBeingDestroyed(*FInplaceEditor))
    FInplaceEditor->ValidateEdit();
  SetInteractionState(tsNone);
  HideEditor(true);
}

void TCustomdxTreeList::HideEditor(bool focus) {
  TdxInplaceEdit* editor = FInplaceEditor;
  if (editor == nullptr || FHidingEditor) {
    ForgetEditCell();
    return;
  }
  TFlagScope hiding(FHidingEditor);
  auto* mask = dynamic_cast<TdxInplaceMaskEdit*>(editor);
  // A masked editor that refuses its value while it goes quietly gives the
  // value back instead of holding the focus.
  if (mask != nullptr) mask->SetClosing(true);
  const bool hadFocus = editor->Focused();
  TdxTreeListNode* node = FEditNode;
  const int column = FEditColumn;
  // The cell is forgotten, the editor hidden and the focus taken back on
  // every path: a value the cell refused must not leave the focus in a
  // hidden window.
  auto finish = [&] {
    ForgetEditCell();
    if (editor->Shown()) editor->Hide();
    if ((focus || hadFocus) && !FLosingFocus && HandleAllocated() && Showing() && CanFocus() && !IsDestroying())
      SetFocus();
  };
  try {
    if (!IsBeingDestroyed(*editor) && node != nullptr && column >= 0) {
      if (editor->GetModified()) {
        Variant value;
        SaveEditorValue(node, column, *editor, value);
      }
      DoEdited(node);
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TCustomdxTreeList::EditorRemoved(TComponent* component) {
  if (component == FInplaceEditor) {
    FInplaceEditor = nullptr;
    ForgetEditCell();
    if (FState == tsEditing) FState = tsNone;
  }
  if (component == FDefaultEditor) FDefaultEditor = nullptr;
}

void TCustomdxTreeList::ColumnLeavesEditor(TdxTreeListColumn* column, int index) {
  if (FEditColumn == index) {
    // Nothing to store: the column's cells go with it.
    ForgetEditCell();
    if (FState == tsEditing) {
      SetInteractionState(tsNone);
      HideEditor(false);
    }
  }
  if (FInplaceEditor == nullptr) return;
  // The editor outlives the column; handlers bound to the column would
  // call into a freed object at the next keystroke.
  if (FInplaceEditor->OnChange.Object() == column) FInplaceEditor->OnChange = TNotifyEvent();
  if (FInplaceEditor->OnValidate.Object() == column) FInplaceEditor->OnValidate = TdxEditValidateEvent();
}

// --- Editors and values -------------------------------------------------------------------

TdxInplaceEdit* TCustomdxTreeList::GetEditorObject() {
  if (FDefaultEditor == nullptr) {
    // Owned by the control as its component: it lives as long as the
    // control and goes with it.
    FDefaultEditor = new TdxInplaceTreeListTextEdit(this);
    FreeNotification(FDefaultEditor);
  }
  return FDefaultEditor;
}

TdxInplaceEdit* TCustomdxTreeList::FindEditorObject() const { return FDefaultEditor; }

void TCustomdxTreeList::InitEditor(TdxInplaceEdit& editor) {
  editor.SetColor(GetEditColor());
  editor.SetFont(GetEditFont());
  editor.SetOffsetRect(Rect(1, 0, 0, 0));
}

void TCustomdxTreeList::InitEditorValue(TdxTreeListNode* /*node*/, int /*columnIndex*/, TdxInplaceEdit& editor,
                                        Variant& value) {
  value = Variant(std::string());
  editor.SetEditValue(value);
}

void TCustomdxTreeList::SaveEditorValue(TdxTreeListNode* /*node*/, int /*columnIndex*/, TdxInplaceEdit& /*editor*/,
                                        Variant& value) {
  value = Variant(std::string());
}

std::string TCustomdxTreeList::GetEditingText() const {
  if (FState != tsEditing || FInplaceEditor == nullptr) return {};
  return FInplaceEditor->GetEditText();
}

void TCustomdxTreeList::SetEditingText(const std::string& text) {
  if (FState == tsEditing && FInplaceEditor != nullptr) FInplaceEditor->SetEditText(text);
}

// --- The host's answers -----------------------------------------------------------------

TColor TCustomdxTreeList::GetEditColor() {
  TdxTreeListColumn* column = Columns(FocusedColumnAbsoluteIndex());
  return column != nullptr ? column->Color() : Color();
}

const TFont& TCustomdxTreeList::GetEditFont() {
  TdxTreeListColumn* column = Columns(FocusedColumnAbsoluteIndex());
  return column != nullptr && column->IsAssigned(cavFont) ? column->Font() : Font();
}

bool TCustomdxTreeList::WantsTabs() { return OptionOn(tloTabs) && !GetShiftState().Contains(ssCtrl); }

void TCustomdxTreeList::FocusNextColumn(bool prev) {
  CloseEditorAndFocus();
  const int index = FocusedColumnIndex() + (prev ? -1 : 1);
  if (index >= 0 && index < GetVisibleColumnCount()) SetFocusedColumnIndex(index);
}

void TCustomdxTreeList::EditorFocusChanged() { InvalidateSelection(); }

bool TCustomdxTreeList::EditColumnChanged() const { return FocusedColumnAbsoluteIndex() != FEditColumn; }
