#pragma once
// A host for editor tests that drives its editor as the tree list does:
// prepare inside the init bracket, show over a cell, close by validating,
// storing the value when modified, hiding and taking the focus back.
// Enter, Escape and Tab close the editor; losing the focus closes it.

#include <optional>
#include <string>
#include <vector>

#include "framework/core/base/variant.h"
#include "grid/editor_host.h"
#include "grid/inplace_editor.h"

class TTestHost : public TCustomdxContainer {
 public:
  explicit TTestHost(TComponent* owner) : TCustomdxContainer(owner) {
    SetTabStop(true);
    SetBounds(10, 10, 300, 200);
  }

  bool AllowChars = true;
  bool AllowModify = true;
  bool ReadOnlyHost = false;
  bool Immediate = false;
  bool Tabs = false;
  int FocusChanges = 0;
  int DblClicks = 0;
  std::vector<TKey> HostKeys;
  std::optional<std::string> Stored;
  TdxInplaceEdit* Editor = nullptr;
  bool Editing = false;

  bool CanEditorModify() override { return AllowModify; }
  bool IsEditorCharAllowed(char) override { return AllowChars; }
  bool IsReadOnly() override { return ReadOnlyHost; }
  bool WantsTabs() override { return Tabs; }
  bool IsImmediateEditor() override { return Immediate; }
  void EditorFocusChanged() override { ++FocusChanges; }

  template <class E>
  E& StartEdit(const Variant& value, const TRect& cell = Rect(20, 20, 120, 40)) {
    if (!Editor) Editor = new E(this);
    {
      TdxEditorInitScope init(*this);
      Editor->SetParent(this);
      Editor->SetColor(GetEditColor());
      Editor->SetFont(GetEditFont());
      Editor->SetOffsetRect(Rect(1, 0, 0, 0));
      Editor->SetEditValue(value);
      Editor->SetModified(false);
      if (IsReadOnly()) Editor->SetReadOnly(true);
      Editor->SetActive(true);
    }
    Editing = true;
    Editor->ShowAt(cell);
    return static_cast<E&>(*Editor);
  }

  // Raises the editor's refusal and leaves it open then.
  void CloseEdit(bool focus = true) {
    if (!Editing) return;
    Editor->ValidateEdit();
    Editing = false;
    if (Editor->GetModified()) Stored = VarToStr(Editor->GetEditValue(false));
    Editor->Hide();
    if (focus && CanFocus()) SetFocus();
  }

 protected:
  void KeyDown(TKey& key, TShiftState shift) override {
    HostKeys.push_back(key);
    if (key == VK_RETURN || key == VK_ESCAPE || key == VK_TAB) CloseEdit();
  }
  void DblClick() override { ++DblClicks; }
  void DoExit() override {
    CloseEdit(false);
    TCustomdxContainer::DoExit();
  }
};
