#pragma once
// The standard controls, each a wrapper over the matching Qt widget with
// the platform's properties and events: TEdit (line edit), TComboBox (with
// its items as TStrings), TMemo (plain multi-line text, lines as TStrings),
// TLabel, TButton and TGroupBox. Texts cross to Qt through the Windows-1251
// conversion; lengths (MaxLength, SelStart, SelLength) count characters,
// which are bytes here.

#include <memory>
#include <string>

#include "framework/core/component/strings.h"
#include "framework/gui/win_control.h"

class TComboBoxStrings;
class TMemoStrings;

// --- TEdit -----------------------------------------------------------------------------

class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* owner);
  ~TEdit() override;

  std::string Text() const override;
  void SetText(const std::string& text) override;

  // 0: no limit. Text typed or pasted beyond it is cut.
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int maxLength);
  bool ReadOnly() const;
  void SetReadOnly(bool readOnly);
  // Shown in place of every character when not 0.
  char PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char c);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle style);
  bool Modified() const;
  void SetModified(bool modified);

  // Selection: 0-based start and length.
  int SelStart() const;
  void SetSelStart(int start);
  int SelLength() const;
  void SetSelLength(int length);
  std::string SelText() const;
  void SelectAll();
  void ClearSelection();

  TNotifyEvent OnChange;

 protected:
  void CreateWnd() override;
  bool TakesFocusOnClick() const override { return true; }
  unsigned GetDlgCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
  // Text changed (by the user or by code); fires OnChange.
  virtual void Change();

 private:
  int FMaxLength = 0;
  char FPasswordChar = 0;
  TBorderStyle FBorderStyle = bsSingle;
};

// --- TComboBox -------------------------------------------------------------------------

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

class TComboBox : public TWinControl {
 public:
  explicit TComboBox(TComponent* owner);
  ~TComboBox() override;

  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle style);

  // The list. Changing it leaves the edit text alone (as the platform does),
  // except Clear, which empties both.
  TStrings& Items();
  int ItemIndex() const;
  void SetItemIndex(int index);

  std::string Text() const override;
  void SetText(const std::string& text) override;

  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int maxLength);
  int DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int count);
  bool DroppedDown() const;
  void SetDroppedDown(bool droppedDown);

  // Selection inside the edit part.
  int SelStart() const;
  void SetSelStart(int start);
  int SelLength() const;
  void SetSelLength(int length);
  std::string SelText() const;
  void SelectAll();

  // The user changed the text (typing or choosing an item).
  TNotifyEvent OnChange;
  // The user chose an item from the list.
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  // The list closed (after a choice, the text is the chosen item's).
  TNotifyEvent OnCloseUp;

 protected:
  friend class TComboBoxAccess;
  void CreateWnd() override;
  bool TakesFocusOnClick() const override { return true; }
  unsigned GetDlgCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
  virtual void Change();
  virtual void Select();
  virtual void DropDown();
  virtual void CloseUp();

 private:
  std::unique_ptr<TComboBoxStrings> FItems;
  TComboBoxStyle FStyle = csDropDown;
  int FMaxLength = 0;
  int FDropDownCount = 8;
};

// --- TMemo ------------------------------------------------------------------------------

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent* owner);
  ~TMemo() override;

  // Lines joined with CR LF (no break after the last line).
  std::string Text() const override;
  void SetText(const std::string& text) override;
  TStrings& Lines();

  bool ReadOnly() const;
  void SetReadOnly(bool readOnly);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool wordWrap);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle scrollBars);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle style);

  TNotifyEvent OnChange;

 protected:
  void CreateWnd() override;
  bool TakesFocusOnClick() const override { return true; }
  unsigned GetDlgCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS; }
  virtual void Change();

 private:
  std::unique_ptr<TMemoStrings> FLines;
  bool FWordWrap = true;
  TScrollStyle FScrollBars = ssNone;
  TBorderStyle FBorderStyle = bsSingle;
};

// --- TLabel -----------------------------------------------------------------------------

enum TTextLayout { tlTop, tlCenter, tlBottom };

// Static text. '&' marks an access character (shown underlined; "&&" is a
// plain '&'). With AutoSize (the default) the label takes the size of its
// text; with WordWrap too, it keeps its width and takes the height.
class TLabel : public TWinControl {
 public:
  explicit TLabel(TComponent* owner);

  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool autoSize);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool wordWrap);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment alignment);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout layout);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool transparent);
  // The control its access character focuses.
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* control);

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void CreateWnd() override;
  void TextChanged() override;
  void FontChanged() override;
  void Resize() override;
  unsigned GetDlgCode() const override { return 0; }

 private:
  void AdjustSize();
  void ApplyLabel();

  bool FAutoSize = true;
  bool FWordWrap = false;
  bool FAdjusting = false;
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FTransparent = false;
  TWinControl* FFocusControl = nullptr;
};

// --- TButton ----------------------------------------------------------------------------

// A push button. A click fires OnClick and, when ModalResult is set, gives
// the form that result (which ends its ShowModal). Enter clicks the focused
// button, or the Default one while no button has the focus; Escape clicks
// the Cancel one (the form's dialog keys, CM_DIALOGKEY).
class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);

  int ModalResult() const { return FModalResult; }
  void SetModalResult(int result) { FModalResult = result; }
  bool Default() const { return FDefault; }
  void SetDefault(bool isDefault);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool cancel) { FCancel = cancel; }

  void Click() override;

 protected:
  void CreateWnd() override;
  void WndProc(TMessage& message) override;
  void TextChanged() override;
  bool TakesFocusOnClick() const override { return true; }
  unsigned GetDlgCode() const override { return 0; }

 private:
  int FModalResult = 0;
  bool FDefault = false;
  bool FCancel = false;
};

// --- TGroupBox --------------------------------------------------------------------------

// A frame with a caption around child controls; aligned children share the
// area inside the frame.
class TGroupBox : public TWinControl {
 public:
  explicit TGroupBox(TComponent* owner);

 protected:
  void CreateWnd() override;
  void TextChanged() override;
  void AdjustClientRect(TRect& rect) const override;
};
