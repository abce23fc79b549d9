#pragma once
// TCustomdxContainer: the host side of the in-place editors. A host owns
// its editors (one per editor class, made on first use), shows one at a
// time over a cell and answers the editor's questions through the virtual
// operations below, declared in their fixed order; the base answers
// neutrally (no character allowed, nothing may be modified) and the tree
// list overrides them. How a host drives an editor:
//   BeginEditorInit; parent, colour, font, SetOffsetRect, the value
//   (SetEditValue), SetModified(false), ReadOnly, SetActive(true);
//   EndEditorInit (always) -> ShowAt(cell) -> the key, character or click
//   that started it -> ... -> ValidateEdit -> the value when GetModified ->
//   Hide -> the host takes the focus back.
//
// TdxContainerHintWindow: a small borderless window over everything in
// which a host shows a text (a cell's full text, a button's hint).

#include <cstdint>
#include <memory>
#include <string>

#include "framework/gui/controls/custom_control.h"
#include "grid/editors/edit_styles.h"

class TdxInplaceEdit;

class TCustomdxContainer : public TCustomControl {
 public:
  explicit TCustomdxContainer(TComponent* owner);
  ~TCustomdxContainer() override;

  // 0 regular, 1 encarta, 2 flat scroll bars; only remembered here, since
  // the platform's scroll bars have one look.
  std::uint8_t ScrollBarStyle() const { return FScrollBarStyle; }
  void SetScrollBarStyle(std::uint8_t style);
  // Set between BeginEditorInit and EndEditorInit.
  bool InitializingEditor() const { return FInitializingEditor; }

  // --- Virtual operations, in their fixed order ---------------------------------------
  virtual bool CanEditorModify() { return false; }
  virtual bool IsEditorCharAllowed(char ch) { return false; }
  virtual bool IsEditorQuery() { return true; }  // nothing asks it
  virtual std::unique_ptr<TdxEditStyle> CreateEditStyle(TdxInplaceEdit* editor);
  virtual void ScrollLines(bool up, int count);
  virtual TColor GetEditColor() { return Color(); }
  virtual const TFont& GetEditFont() { return Font(); }
  virtual bool IsReadOnly() { return false; }
  virtual bool GetHideFocusRect() { return false; }
  virtual void EditorKeyDown(TKey& key, TShiftState shift);
  virtual bool IgnoreEditorKeys() { return false; }
  virtual bool IsImmediateEditor() { return false; }
  virtual bool ShowButtonAlways() { return false; }
  virtual bool WantsTabs() { return false; }
  virtual void FocusNextColumn(bool prev) {}
  virtual void EditorFocusChanged() {}
  virtual void BeginEditorInit() { FInitializingEditor = true; }
  virtual void EndEditorInit() { FInitializingEditor = false; }
  virtual TdxEditBorderStyle GetPopupBorderStyle(TdxEditBorderStyle editBorderStyle) { return xbsThick; }

 protected:
  // The editor reaches the host's own key, mouse and cancel handlers.
  friend class TdxInplaceEdit;

  bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;

 private:
  std::uint8_t FScrollBarStyle = 0;
  bool FInitializingEditor = false;
};

// Holds BeginEditorInit ... EndEditorInit for a scope; the end runs on
// every path.
class TdxEditorInitScope {
 public:
  explicit TdxEditorInitScope(TCustomdxContainer& host) : FHost(host) { FHost.BeginEditorInit(); }
  ~TdxEditorInitScope();
  TdxEditorInitScope(const TdxEditorInitScope&) = delete;
  TdxEditorInitScope& operator=(const TdxEditorInitScope&) = delete;

 private:
  TCustomdxContainer& FHost;
};

class TdxContainerHintWindow : public TCustomControl {
 public:
  explicit TdxContainerHintWindow(TComponent* owner);

  // Shows text at the screen point p in font's face (its size too with
  // useFontSize), word-wrapped at maxWidth (the screen's width when 0 or
  // less), kept inside the screen, on top and without taking the focus.
  void ShowHintEx(TPoint p, int maxWidth, bool useFontSize, const TFont& font, const std::string& text);
  void ShowHint(TPoint p, const std::string& text, const TFont& font);

 protected:
  void Paint() override;
};
