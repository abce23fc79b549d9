#pragma once
// TdxInplaceMaskEdit: the text editor typing through an edit mask
// (grid/edit_mask.h). With a mask it works in overwrite mode, one character
// at a time: the caret always selects the character it stands on, skips
// literals, and refused characters beep. Validation refuses an edit text
// that leaves a required position empty. Without a mask it is the text
// editor. TdxInplaceTreeListMaskEdit is the class the grid's mask columns
// edit with; it changes nothing.

#include <string>

#include "grid/editors/edit_mask.h"
#include "grid/editors/text_editor.h"

class TdxInplaceMaskEdit : public TdxInplaceTextEdit {
 public:
  explicit TdxInplaceMaskEdit(TComponent* owner);

  const std::string& EditMask() const { return FMask.Mask(); }
  const TEditMask& Mask() const { return FMask; }
  int MaxChars() const { return FMask.MaxChars(); }
  bool MaskSave() const { return FMask.SaveLiterals(); }
  char MaskBlank() const { return FMask.Blank(); }
  bool HasMask() const { return !FMask.Empty(); }
  bool IgnoreMaskBlank() const { return FIgnoreMaskBlank; }
  void SetIgnoreMaskBlank(bool value) { FIgnoreMaskBlank = value; }
  // Set by the host while it hides the editor: a refused validation then
  // quietly gives back the text the editor was shown with.
  bool Closing() const { return FClosing; }
  void SetClosing(bool value) { FClosing = value; }

  // The value: without a mask the text; with one the edit text's input
  // characters (blanks as spaces), with the literals when MaskSave.
  std::string GetText();
  // Lays a value into the mask (without a mask: the text).
  void SetText(const std::string& value) override;
  // The window's text as shown, literals and blanks included.
  std::string EditText() const { return TFramedControl::Text(); }

  // --- Virtual operations, in their fixed order ---------------------------------------
  virtual void GetSel(int& start, int& stop);
  // Marks the mask as stored.
  virtual void SetEditMask(const std::string& value);
  virtual void GetDefaultEditMask(std::string& mask) { mask.clear(); }

  // --- Overrides -----------------------------------------------------------------------
  Variant GetTextValue() override { return Variant(GetText()); }
  bool IsCloseLocked() override { return GetModified(); }
  std::string GetEditText() override;
  void ValidateEdit() override;
  int GetDefaultMaxLength() override { return HasMask() ? MaxChars() : 0; }
  // Text cannot be dragged into a masked editor.
  bool UsesOleCallback() override { return HasMask(); }

 protected:
  TdxInplaceMaskEdit(TComponent* owner, TFramedClient client);

  // With a mask: keeps Escape from the form while modified (it undoes),
  // and cuts, pastes and clears through the mask.
  void WndProc(TMessage& message) override;
  void KeyDown(TKey& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void DoEnter() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void TextWindowChanged() override;

 private:
  // Selects the character at pos (clamped to MaxChars), or the end.
  void PlaceCaret(int pos);
  int CaretPos();
  void DeleteSelection(bool backspace);
  // Lays the clipboard's text into the input positions from the selection
  // on, then validates at once.
  void PasteMasked();
  void ReplaceText(const std::string& editText, int caret);

  TEditMask FMask;
  bool FIgnoreMaskBlank = false;
  bool FClosing = false;
  bool FReentering = false;
  int FCaret = 0;
};

class TdxInplaceTreeListMaskEdit : public TdxInplaceMaskEdit {
 public:
  using TdxInplaceMaskEdit::TdxInplaceMaskEdit;
};
