#pragma once
// TdxInplaceEdit: the base of every editor window of the grid library. It
// edits one value as text, draws its own border from its edit style, and
// either lives inside a host (`TCustomdxContainer`, its owner) as a cell
// editor ("in-place"), or stands alone on a form. A host keeps one editor
// per editor class, shows it over a cell with `ShowAt`, closes it with
// `ValidateEdit`, takes the value when `GetModified`, then calls `Hide`
// (see editor_host.h). While in-place, every question the editor has for
// its host goes to the owner; stand-alone, the editor answers itself.
//
// The editor owns its style; a style controller is only referred to and
// detaches itself through free notification when it dies first.
//
// Virtual operations are declared in a fixed order (descendants override
// them); the base answers with neutral defaults.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "framework/core/base/event.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/base/variant.h"
#include "framework/gui/controls/framed_control.h"
#include "grid/editors/edit_styles.h"

class TCustomdxContainer;

TULVO_DECLARE_EXCEPTION(EdxEditInvalidInput, Exception);

using TdxEditValidateEvent = TEvent<void(TObject* Sender, std::string& ErrorText, bool& Accept)>;

// Bits of the stored-values word: which properties were set explicitly.
inline constexpr std::uint16_t dxStoredAlignment = 0x01;
inline constexpr std::uint16_t dxStoredMaxLength = 0x02;
inline constexpr std::uint16_t dxStoredEditMask = 0x04;
inline constexpr std::uint16_t dxStoredReadOnly = 0x40;

// The text that a refused validation reports unless OnValidate gives one.
std::string dxInvalidInputText();

// How the value's text is laid out vertically.
enum TdxDrawAlignment { daSingleLine, daVCenter, daBottom, daMultiLine };

// What painting, measuring and hit-testing an editor need to know, made
// anew for each of them (CreateViewData) and dropped right after.
class TdxEditViewData {
 public:
  virtual ~TdxEditViewData() = default;

  bool Enabled = true;
  bool Focused = false;
  bool Hot = false;
  TColor BorderColor = clWindowFrame;
  TdxEditBorderStyle BorderStyle = xbs3D;
  TdxEditButtonViewStyle ButtonStyle = btsDefault;
  bool ButtonTransparent = false;
  TdxEditEdges Edges = dxAllEdges;
  bool Shadow = false;
  bool Transparent = false;
  TRect Bounds;
  TRect OffsetRect;
  TdxDrawAlignment DrawAlignment = daSingleLine;
  const TFont* Font = nullptr;
  TColor BrushColor = clWindow;
  TColor BkColor = 0;    // RGB
  TColor TextColor = 0;  // RGB
  TAlignment Alignment = taLeftJustify;
  bool HasTextWindow = false;
  Variant Value;
  TCursor Cursor = crDefault;
};

// The parts of an editor's outline, in the editor's window coordinates.
struct TdxEditBorderGeometry {
  int BorderWidth = 0;
  int ShadowSize = 0;
  TRect Bounds;
  TRect InnerRect;
  bool EdgeLeft = false;
  bool EdgeTop = false;
  bool EdgeRight = false;
  bool EdgeBottom = false;
  TRect BorderRect;
  TRect ShadowRect;
};

class TdxInplaceEdit : public TFramedControl, public TdxEditStyleLink {
 public:
  // An editor whose owner is a host is made for in-place use (no tab stop,
  // colours its own); any other is made stand-alone (121 x 21, a tab stop).
  explicit TdxInplaceEdit(TComponent* owner);
  ~TdxInplaceEdit() override;

  // --- Properties ---------------------------------------------------------------
  TdxEditStyle& Style() const { return *FStyle; }
  TdxEditStyleController* StyleController() const override { return FStyleController; }
  void SetStyleController(TdxEditStyleController* controller);

  TAlignment Alignment() const { return FAlignment.value_or(GetDefaultAlignment()); }
  // Marks the alignment as stored.
  void SetAlignment(TAlignment alignment);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool autoSize);
  // The read-only flag counts only while it is stored (set through here).
  bool ReadOnly() const { return (FStoredValues & dxStoredReadOnly) && FReadOnly; }
  void SetReadOnly(bool readOnly);
  bool Modified() const { return GetModified(); }
  bool Active() const { return FActive; }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool transparent);
  TRect OffsetRect() const { return FOffsetRect; }
  void SetOffsetRect(const TRect& rect);

  // The stored-values word, and the two values a stored form keeps.
  std::uint16_t StoredValues() const { return FStoredValues; }
  void SetStoredValues(std::uint16_t values) { FStoredValues = values; }
  bool IsHeightStored() const { return !FAutoSize || IsInplace(); }
  bool IsStoredValuesStored() const { return FStoredValues != 0; }

  // --- Host side ----------------------------------------------------------------
  // The host while in-place (the owner, when it is one), else nullptr.
  TCustomdxContainer* GetContainer() const;
  // Places the editor over rect (grown by 2 on every side), shows it and
  // gives it the focus; nothing stand-alone or for an empty rect.
  void ShowAt(const TRect& rect);
  // Whether the editor is shown: its own flag in-place, Visible otherwise.
  bool Shown() const;
  // The time (GetTickCount) of the click that started editing.
  void SetClickTime(std::uint64_t tick) { FClickTime = tick; }
  void LockValidate();
  void UnlockValidate();
  void IncShowLock() { ++FShowLock; }
  void DecShowLock() { if (FShowLock > 0) --FShowLock; }
  // Posts ch to the editor as a typed character (WM_CHAR): it is typed
  // through the editor's character checks once the waiting messages are
  // handled.
  void PostChar(char ch);
  // Clipboard commands (WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR); cut, paste
  // and clear only while CanModify.
  void CutToClipboard();
  void CopyToClipboard();
  void PasteFromClipboard();
  void ClearSelection();

  void UpdateBounds();
  void RefreshHotTrack();

  // --- Virtual operations, in their fixed order ---------------------------------------
  virtual void SetEditValue(const Variant& value);
  virtual Variant GetEditValue(bool fromDefinition);
  virtual Variant GetTextValue();
  virtual bool IsValidChar(char ch);
 protected:
  virtual void Change();
 public:
  virtual std::unique_ptr<TdxEditViewData> CreateViewData(bool isPaintCopy);
 protected:
  virtual void FocusReceived();
 public:
  virtual bool CanModify();
  virtual bool IsCloseLocked() { return false; }
  virtual bool GetModified() const { return FModified; }
  virtual bool IsEditKey(TKey key, TShiftState shift);
  virtual bool IsCtrlDown();
  virtual bool RedrawsOnFocus() { return !HasTextWindow(); }
  virtual bool HandlesMouseWheel() { return false; }
  virtual bool WantsTab() { return false; }
  virtual void FocusNextColumn(bool prev);
  virtual void Undo();
  virtual void SetActive(bool active);
 protected:
  virtual void StoreAlignment(TAlignment alignment);
 public:
  virtual void SetReadOnlyFlag(bool value) { FReadOnly = value; }
  virtual void SetModified(bool value) { FModified = value; }
  virtual void SetHot(bool value) { FHot = value; }
  void StyleChanged() override;
 protected:
  virtual void FirstShown() {}
 public:
  virtual bool IsEditable() { return !ReadOnly(); }
  virtual TAlignment GetDefaultAlignment() const { return taLeftJustify; }
 public:
  // F2, and what the host asks when editing begins or Esc is pressed.
  virtual void EditButtonKey() {}
 protected:
  virtual void FocusLost();
 public:
  virtual std::string GetEditText() { return Text(); }
  virtual void Hide();
  virtual bool HasTextWindow() const { return false; }
  virtual bool ValidateOnEnter() { return false; }
  virtual bool IsFocused() { return Focused(); }
  virtual bool PaintsInactive() { return !Enabled(); }
  virtual bool IsHot() { return FHot || (IsFocused() && Enabled()); }
  virtual bool ShowButtonAlways();
  virtual bool CanUndo() { return HasTextWindow(); }
  virtual void MouseClickAt(int x, int y) {}
  virtual void ShownByUser() {}
  virtual void ResetStoredValues();
  virtual void AfterShow() {}
  virtual void SetEditText(const std::string& text);
  virtual void Show();
  virtual void ValidateEdit();
  virtual void CalcGeometry(const TdxEditViewData& viewData, bool autoSize, TdxEditBorderGeometry& geometry);
  // Paints the editor as it looks, border and content, onto another
  // canvas at rect; when clip is given, the editor's outline is taken out
  // of it.
  virtual void PaintCopy(TCanvas& canvas, const TRect& rect, TRegion* clip, TdxEditViewData& viewData);
  virtual void DrawBorder(TCanvas& canvas, TdxEditBorderGeometry& geometry, const TdxEditViewData& viewData);
  virtual bool DrawContent(TCanvas& canvas, const TRect& rect, TdxEditViewData& viewData);
  virtual TCursor GetCursorAt(int x, int y, const TdxEditViewData& viewData);
  virtual int GetRequiredHeight(const TdxEditViewData& viewData);
  virtual void GetTextExtent(const TdxEditViewData& viewData, TRect& rect) { rect = TRect{}; }
 protected:
  virtual std::unique_ptr<TdxEditViewData> NewViewData() const { return std::make_unique<TdxEditViewData>(); }
 public:
  virtual bool IsInplace() const { return true; }

  TNotifyEvent OnChange;
  TdxEditValidateEvent OnValidate;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  // For text editors: the client is a text window.
  TdxInplaceEdit(TComponent* owner, TFramedClient client);

  void DoChange();
  void DoValidate(std::string& errorText, bool& accept);

  // Where the platform would make the window anew (alignment, margins):
  // the window takes the new settings.
  virtual void WindowParamsChanged() { Invalidate(); }

  // The undo snapshot that Undo restores (named apart from the text
  // window's UndoText, which it would hide).
  const std::string& UndoSnapshot() const { return FUndoText; }

  // Framework handlers.
  void WndProc(TMessage& message) override;
  void DblClick() override;
  void KeyDown(TKey& key, TShiftState shift) override;
  void KeyUp(TKey& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  unsigned GetDlgCode() const override;
  void WMSetFocus() override;
  void WMKillFocus() override;
  void DoEnter() override;
  void DoExit() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void ColorChanged() override;
  void EnabledChanged() override;
  void FontChanged() override;
  void TextChanged() override;
  void Resize() override;
  void PaintFrame(TCanvas& canvas, const TRect& windowRect) override;
  void PaintClient(TCanvas& canvas, const TRect& clientRect) override;

  // Whether the editor has a host to ask (in-place with a host owner).
  TCustomdxContainer* Host() const { return GetContainer(); }

 private:
  void Construct(TComponent* owner);
  // The style controller went away first: fall back to the default one.
  void StyleControllerRemoved();
  void KeyDownInplace(TKey& key, TShiftState shift);

  std::unique_ptr<TdxEditStyle> FStyle;
  TdxEditStyleController* FStyleController = nullptr;
  std::optional<TAlignment> FAlignment;
  bool FAutoSize = true;
  bool FReadOnly = false;
  bool FModified = false;
  std::uint16_t FStoredValues = 0;
  bool FActive = false;
  std::string FUndoText;
  bool FUndoModified = false;
  int FValidateLock = 0;
  int FShowLock = 0;
  bool FHot = false;
  bool FTransparent = false;
  std::uint64_t FClickTime = 0;
  TRect FOffsetRect;
  bool FUpdatingBounds = false;
  // The character of an Enter (or an unwanted Tab) that the key itself
  // handled is not typed.
  bool FDropNextChar = false;
};

// Milliseconds since some fixed moment, for click times.
std::uint64_t GetTickCount();
