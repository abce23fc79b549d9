#pragma once
// The editors with a button and a pop-up control below them.
//
// TdxInplaceDropDownEdit: the masked editor with buttons drawn inside its
// border (an arrow, or a glyph) and a pop-up control (ActiveList) that
// opens below it (above when there is more room there). The editor keeps
// the focus while the pop-up is open and passes it the keys; Alt+Down,
// Alt+Up and F4 open and close it, Enter closes it accepting, Escape
// without. A press on the button opens it (a second one closes it); a
// press anywhere else on the form, the editor losing the focus, or the
// editor being hidden closes it. This class has no pop-up of its own:
// DropDown and CloseUp are for its descendants.
//
// TdxInplaceImageEdit: picks one of Values, showing its description and
// image; its list (a TdxPopupImageListBox it owns) shows them all. Typing
// the first letter of a description chooses it; the wheel and, alone on a
// form, the arrow and page keys step through the values.
//
// TdxInplacePickEdit: a text editor that offers the strings of Items in a
// list (a TdxPopupPickListBox it owns); typing while the list is open
// chooses the first item beginning with what was typed.
//
// Editors are owned like any control (by their host when in-place); the
// lists they own go with them, and a list they only show is hidden when
// they go.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/base/event.h"
#include "framework/core/component/strings.h"
#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/image_list.h"
#include "grid/editors/mask_editor.h"
#include "grid/editors/popup_lists.h"

// Where the pop-up lines up under its editor.
enum TdxPopupAlignment : std::uint8_t { paLeft = 0, paRight = 1, paCenter = 2 };
enum TdxEditButtonKind : std::uint8_t { bkArrow, bkGlyph };

// The private messages of the drop-down editors: open the pop-up (posted,
// so that the press that asked for it is over first), and the pop-up is
// closed.
inline constexpr unsigned DXM_DROPDOWN = 0x8066;
inline constexpr unsigned DXM_CLOSEDUP = 0x8065;

using TdxEditCloseUpEvent = TEvent<void(TObject* Sender, Variant& Value, bool& Accept)>;

class TdxDropDownEditViewData : public TdxTextEditViewData {
 public:
  struct TButton {
    int Width = 0;
    bool Right = true;
    TdxEditButtonKind Kind = bkArrow;
  };
  // Laid from the border inwards.
  std::vector<TButton> Buttons;
  const TBitmap* Glyph = nullptr;
  bool HideButtons = false;
  int ActiveButton = -1;
  int PressedButton = -1;
};

class TdxInplaceDropDownEdit : public TdxInplaceMaskEdit {
 public:
  explicit TdxInplaceDropDownEdit(TComponent* owner);
  // An open pop-up the editor does not own is hidden: it never outlives
  // the editor on the screen.
  ~TdxInplaceDropDownEdit() override;

  // --- Properties -----------------------------------------------------------------
  // Rows the list shows at most; at least 1.
  int DropDownRows() const { return FDropDownRows; }
  void SetDropDownRows(int value);
  // 0: as wide as the list's items need.
  int DropDownWidth() const { return FDropDownWidth; }
  void SetDropDownWidth(int value);
  // An empty glyph draws the arrow.
  const TBitmap& ButtonGlyph() const { return FButtonGlyph; }
  void SetButtonGlyph(const TBitmap& glyph);
  TdxPopupAlignment PopupAlignment() const { return FPopupAlignment; }
  void SetPopupAlignment(TdxPopupAlignment value) { FPopupAlignment = value; }
  // The pop-up's border (a TdxPopupBorderStyle); 0: the host's choice
  // (in-place) or the one the editor's border suggests (alone).
  std::uint8_t PopupBorder() const { return FPopupBorder; }
  void SetPopupBorder(std::uint8_t value);
  bool ImmediatePopup() const { return FImmediatePopup; }
  void SetImmediatePopup(bool value) { FImmediatePopup = value; }

  // The pop-up shown now (nil when none); whether it is open.
  TWinControl* ActiveList() const { return FActiveList; }
  bool ListVisible() const { return FListVisible; }
  bool PopupOpen() const;
  // Opens (through a posted request) or closes (at once, not accepting).
  void SetDroppedDown(bool value);
  int ActiveButton() const { return FActiveButton; }
  int PressedButton() const { return FPressedButton; }
  // The buttons' rectangles in window coordinates, from the border inwards.
  std::vector<TRect> ButtonRects();
  // The pop-up's border style as its editor's style and host decide it.
  TdxPopupBorderStyle GetPopupBorderStyle();

  TNotifyEvent OnEditButtonClick;
  TNotifyEvent OnDropDown;
  TdxEditCloseUpEvent OnCloseUp;

  // --- Virtual operations, in their fixed order ---------------------------------------
  // Places the pop-up under the editor (over it when there is more room
  // there), inside the monitor's work area; with adjustWidth at least as
  // wide as the editor's border.
  virtual void PositionPopup(TControl& popup, bool adjustWidth);
  virtual void CloseUp(bool accept) {}
 protected:
  virtual void ButtonDown(bool byMouseInClient, int button);
  virtual void ButtonClick(int button) {}
  virtual void DoCloseUp(Variant& value, bool& accept);
  virtual void PopupKeyDown(TKey& key, TShiftState shift);
 public:
  virtual void StepValue(int delta) {}
  virtual void DropDown() {}
  virtual void EditButtonClick();
 protected:
  virtual void SearchText(const std::string& text) {}
  virtual void CalcButtons(TdxDropDownEditViewData& viewData);
  virtual int GetButtonWidth(const TdxDropDownEditViewData& viewData, int button);

 public:
  // --- Overrides of the editor's operations ------------------------------------------
  std::unique_ptr<TdxEditViewData> CreateViewData(bool isPaintCopy) override;
  void CalcGeometry(const TdxEditViewData& viewData, bool autoSize, TdxEditBorderGeometry& geometry) override;
  void DrawBorder(TCanvas& canvas, TdxEditBorderGeometry& geometry, const TdxEditViewData& viewData) override;
  bool IsFocused() override;
  void Hide() override;
  void Show() override;
  void MouseClickAt(int x, int y) override;
  void ShownByUser() override;
  void SetHot(bool value) override;
  bool HandlesMouseWheel() override { return true; }

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  // Made for a painted client (editors that draw their value themselves).
  TdxInplaceDropDownEdit(TComponent* owner, TFramedClient client);

  std::unique_ptr<TdxEditViewData> NewViewData() const override {
    return std::make_unique<TdxDropDownEditViewData>();
  }
  void FirstShown() override;
  void WndProc(TMessage& message) override;
  unsigned GetDlgCode() const override;

  // Makes list the shown pop-up: it reports its releases here and is
  // forgotten when it goes.
  void SetActiveList(TWinControl* list);
  void SetListVisible(bool value) { FListVisible = value; }
  // A click anywhere in the editor presses the button (image editors).
  void SetClickOpens(bool value) { FClickOpens = value; }
  bool ClickOpens() const { return FClickOpens; }
  // Typed characters edit the editor's own text while the pop-up is open,
  // which then searches it (SearchText); otherwise they go to the pop-up.
  virtual bool SearchesWhileOpen() const { return false; }
  // Shows the pop-up at its place without activating it, tells it that it
  // has the focus, and marks the list visible.
  void ShowPopup(TWinControl& popup);
  // Hides the shown pop-up: a capture elsewhere is cancelled, the editor
  // takes the focus back when it can. False when none was open.
  bool HidePopup();

 private:
  void Construct();
  // The button under a point in window coordinates; -1 when none.
  int ButtonAt(TPoint windowPoint);
  TPoint WindowPointOf(TPoint screen) const;
  void SetActiveButton(int button);
  void ReleasePress();
  void PopupMouseUp(TObject* sender, bool inside);
  // Keys and characters while the pop-up is open; true when taken.
  bool RouteToPopup(TMessage& message);
  void DrawButton(TCanvas& canvas, const TRect& face, int index, const TdxDropDownEditViewData& viewData);

  int FActiveButton = -1;
  int FPressedButton = -1;
  int FDropDownRows = 7;
  int FDropDownWidth = 0;
  TBitmap FButtonGlyph;
  TdxPopupAlignment FPopupAlignment = paLeft;
  std::uint8_t FPopupBorder = 0;
  bool FListVisible = false;
  TWinControl* FActiveList = nullptr;
  bool FImmediatePopup = false;
  bool FRouteKeys = true;
  bool FClickOpens = false;
  // The character of a key the pop-up handling used is not typed.
  bool FDropChar = false;
};

class TdxImageEditViewData : public TdxDropDownEditViewData {
 public:
  const TCustomImageList* Images = nullptr;
  int ImageIndex = -1;
  std::string Description;
  bool ShowDescription = true;
};

class TdxInplaceImageEdit : public TdxInplaceDropDownEdit {
 public:
  explicit TdxInplaceImageEdit(TComponent* owner);
  ~TdxInplaceImageEdit() override;

  // Item i of each belongs together.
  TStringList& Values() { return *FValues; }
  TStringList& Descriptions() { return *FDescriptions; }
  TStringList& ImageIndexes() { return *FImageIndexes; }
  // Referred to, not owned.
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* images);
  TCustomImageList* LargeImages() const { return FLargeImages; }
  void SetLargeImages(TCustomImageList* images);
  // True: value i shows image i; false: the image its ImageIndexes entry names.
  bool DefaultImages() const { return FDefaultImages; }
  void SetDefaultImages(bool value);
  bool ShowDescription() const { return FShowDescription; }
  void SetShowDescription(bool value);
  bool MultiLineText() const { return FMultiLineText; }
  void SetMultiLineText(bool value) { FMultiLineText = value; }
  TdxPopupImageListBox& PopupList() const { return *FPopupList; }

  // The value now, and its place in Values (-1 when it is none of them).
  std::string Value() { return GetText(); }
  int ValueIndex();
  // The image index value i shows (-1: none).
  int ImageIndexOfValue(int index) const;
  // Takes s as the value when it differs and the editor may change it.
  virtual void SetValueText(const std::string& s);

  void CloseUp(bool accept) override;
  void StepValue(int delta) override;
  void DropDown() override;
  std::unique_ptr<TdxEditViewData> CreateViewData(bool isPaintCopy) override;
  bool DrawContent(TCanvas& canvas, const TRect& rect, TdxEditViewData& viewData) override;
  int GetRequiredHeight(const TdxEditViewData& viewData) override;
  bool HasTextWindow() const override { return false; }
  bool CanUndo() override { return false; }
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  std::unique_ptr<TdxEditViewData> NewViewData() const override { return std::make_unique<TdxImageEditViewData>(); }
  void KeyDown(TKey& key, TShiftState shift) override;
  void KeyPress(char& key) override;

 private:
  void FillList();
  void ListsChanged(TObject* sender);
  void SetImageList(TCustomImageList*& field, TChangeLink& link, TCustomImageList* images);
  TCustomImageList* ListImages() const { return FLargeImages ? FLargeImages : FImages; }

  std::unique_ptr<TStringList> FValues;
  std::unique_ptr<TStringList> FDescriptions;
  std::unique_ptr<TStringList> FImageIndexes;
  TCustomImageList* FImages = nullptr;
  TCustomImageList* FLargeImages = nullptr;
  std::unique_ptr<TChangeLink> FImagesLink;
  std::unique_ptr<TChangeLink> FLargeImagesLink;
  bool FDefaultImages = true;
  bool FShowDescription = true;
  bool FMultiLineText = false;
  TdxPopupImageListBox* FPopupList = nullptr;
};

class TdxInplacePickEdit : public TdxInplaceDropDownEdit {
 public:
  explicit TdxInplacePickEdit(TComponent* owner);

  TStringList& Items() { return *FItems; }
  TdxPopupPickListBox& PickList() const { return *FPickList; }

  void CloseUp(bool accept) override;
  void StepValue(int delta) override;
  void DropDown() override;

 private:
  std::unique_ptr<TStringList> FItems;
  TdxPopupPickListBox* FPickList = nullptr;
};
