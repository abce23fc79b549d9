#pragma once
// TdxInplaceTextEdit: the single-line text editor of the grid's cells and
// the base of the mask, drop-down and image editors. Its client is the
// framework's text window (undo and redo, selection, a length limit, a
// password character); it adds character-case conversion, the length
// limit as a stored property, selection access, and its own edit menu
// (undo, redo, cut, copy, paste, delete, select all), shown for a right
// click or the menu keys when neither the editor nor a parent control has
// a PopupMenu.
// TdxInplaceTreeListTextEdit is the class a tree-list column edits text
// with; it changes nothing.

#include <string>

#include "grid/editors/inplace_editor.h"

class TPopupMenu;

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TdxTextEditViewData : public TdxEditViewData {
 public:
  TEditCharCase CharCase = ecNormal;
  bool EndEllipsis = false;
  char PasswordChar = 0;
  bool SelectionBar = false;
  // A stand-alone editor that has no text window.
  bool StandAloneWithoutText = false;
};

class TdxInplaceTextEdit : public TdxInplaceEdit {
 public:
  explicit TdxInplaceTextEdit(TComponent* owner);

  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool value) { FAutoSelect = value; }
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool value) { FHideSelection = value; }
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase value);
  int MaxLength() const { return FMaxLength; }
  // Marks the length limit as stored.
  void SetMaxLength(int value);
  bool OEMConvert() const { return FOEMConvert; }
  void SetOEMConvert(bool value) { FOEMConvert = value; }
  char PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char value);
  bool SelectionBar() const { return FSelectionBar; }
  void SetSelectionBar(bool value);

  // The edit menu, made on first use and owned by the editor; its items
  // are enabled for the editor's state each time it opens.
  TPopupMenu& EditMenu();

  int SelStart() { return GetSelStart(); }
  int SelLength() { return GetSelLength(); }
  std::string SelText() { return GetSelText(); }
  void SelectAll() { SetTextSelection(0, -1); }

  TNotifyEvent OnSelectionChange;

  // --- Virtual operations, in their fixed order ---------------------------------------
  virtual void ApplyCharCase();
  virtual void SetTextLimit(int limit) { TFramedControl::SetTextLimit(limit); }
  virtual int GetSelLength();
  virtual int GetSelStart();
  virtual std::string GetSelText() { return SelectedText(); }
  virtual bool UsesOleCallback() { return false; }
 protected:
  virtual void SelectionChange();
  virtual void StoreMaxLength(int value);
 public:
  virtual void SetSelLength(int length);
  virtual void SetSelStart(int pos) { SetTextSelection(pos, pos); }
  virtual int GetDefaultMaxLength() { return 0; }
  // Copies at most bufSize characters of the selection; the number copied.
  virtual int GetSelTextBuf(char* buffer, int bufSize);

  // --- Overrides of the editor's operations ------------------------------------------
  void SetEditValue(const Variant& value) override;
  std::unique_ptr<TdxEditViewData> CreateViewData(bool isPaintCopy) override;
  bool GetModified() const override { return TextModified(); }
  void SetReadOnlyFlag(bool value) override;
  void SetModified(bool value) override { SetTextModified(value); }
  bool HasTextWindow() const override { return true; }
  void ResetStoredValues() override;
  void AfterShow() override { SelectAll(); }
  bool DrawContent(TCanvas& canvas, const TRect& rect, TdxEditViewData& viewData) override;

  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  // For editors that paint their value instead of showing a text window.
  TdxInplaceTextEdit(TComponent* owner, TFramedClient client);

  void WndProc(TMessage& message) override;
  // A right button's release never reaches the text window: the editor
  // opens its own menu after it.
  void DefaultHandler(TMessage& message) override;
  std::unique_ptr<TdxEditViewData> NewViewData() const override { return std::make_unique<TdxTextEditViewData>(); }
  void EditButtonKey() override { SetTextSelection(2147483647, -1); }
  void WindowParamsChanged() override;
  void TextWindowChanged() override;
  void TextSelectionChanged() override;
  void KeyPress(char& key) override;
  void DoEnter() override;
  void Resize() override;

 private:
  std::string Converted(const std::string& text) const;
  // Shows the edit menu for a WM_CONTEXTMENU at point (screen; (-1, -1)
  // from the keys: at the caret); false when it is not the editor's to show.
  bool ShowEditMenu(TPoint point);
  void UpdateEditMenu();
  void EditMenuCommand(int item);

  bool FAutoSelect = true;
  bool FHideSelection = true;
  TEditCharCase FCharCase = ecNormal;
  int FMaxLength = 0;
  bool FOEMConvert = false;
  char FPasswordChar = 0;
  bool FSelectionBar = false;
  bool FAssigning = false;
  bool FConvertingCase = false;
  TPopupMenu* FEditMenu = nullptr;
};

class TdxInplaceTreeListTextEdit : public TdxInplaceTextEdit {
 public:
  using TdxInplaceTextEdit::TdxInplaceTextEdit;
};
