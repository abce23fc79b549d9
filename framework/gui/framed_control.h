#pragma once
// TFramedControl: a windowed control that draws its own frame around its
// client area, for editors that paint their borders themselves. The frame
// may be of a different width on each side (`SetFrameInsets`) and the
// window may take any shape (`SetWindowRegion`). The client area is one of
// two kinds, chosen at construction:
//   fcPainted  the descendant paints it through a canvas (`PaintClient`);
//   fcText     a single-line text window with selection, a length limit,
//              undo and redo, a modified flag, a password character and
//              clipboard commands, all reached through the operations below
//              (they do nothing, or answer empty, on a painted client).
// Colours and font of the text follow the control's Color and Font.
//
// A control may also show and hide its window itself (`SetShowsItself`):
// the window then follows `WindowShown` instead of `Visible`, so that the
// control keeps Visible (and so can take the focus) while its window is
// hidden, as cell editors do between two edits.

#include <memory>
#include <string>

#include "framework/gui/canvas.h"
#include "framework/gui/region.h"
#include "framework/gui/win_control.h"

enum TFramedClient { fcPainted, fcText };

class TFramedControlPrivate;
class TFramedControlAccess;

class TFramedControl : public TWinControl {
 public:
  TFramedControl(TComponent* owner, TFramedClient client);
  ~TFramedControl() override;

  bool HasTextClient() const { return FClientKind == fcText; }

  // --- Frame ------------------------------------------------------------------
  // Width of the frame on each side (Left, Top, Right, Bottom); the client
  // area is the rest (never of negative size).
  TRect FrameInsets() const { return FFrameInsets; }
  void SetFrameInsets(const TRect& insets);
  TRect ClientRect() const override;
  // Asks for the frame to be painted again.
  void InvalidateFrame();
  // The window's shape in window coordinates; nullptr: the whole rectangle.
  void SetWindowRegion(const TRegion* region);
  bool HasWindowRegion() const { return FHasRegion; }
  const TRegion& WindowRegion() const { return FRegion; }

  // --- Showing ----------------------------------------------------------------
  bool ShowsItself() const { return FShowsItself; }
  void SetShowsItself(bool value);
  bool WindowShown() const { return FWindowShown; }
  void SetWindowShown(bool shown);

  // --- Text window ------------------------------------------------------------
  std::string Text() const override;
  // Replaces the text; the modified flag is left as it is and the text is
  // never cut to the limit (only typing and pasting are limited).
  void SetText(const std::string& text) override;
  int TextLength() const { return static_cast<int>(Text().size()); }
  // Most characters that typing and pasting may make; 0: no limit.
  int TextLimit() const { return FTextLimit; }
  void SetTextLimit(int limit);
  // Set by every change the user makes (typing, pasting, undo), never by
  // SetText.
  bool TextModified() const { return FTextModified; }
  void SetTextModified(bool modified) { FTextModified = modified; }
  bool TextReadOnly() const;
  void SetTextReadOnly(bool readOnly);
  char TextPasswordChar() const { return FPasswordChar; }
  void SetTextPasswordChar(char c);
  void SetTextAlignment(TAlignment alignment);
  // Distances of the text from the client area's edges.
  void SetTextMargins(const TRect& margins);
  // Selection as character positions from 0; End -1 (or past the text)
  // means the end of the text; Start -1 removes the selection and puts the
  // caret at the end.
  void GetTextSelection(int& start, int& end) const;
  void SetTextSelection(int start, int end);
  std::string SelectedText() const;
  // Client coordinates of the caret.
  TPoint TextCaretPoint() const;
  bool CanUndoText() const;
  bool CanRedoText() const;
  void UndoText();
  void RedoText();
  // Forgets the undo and redo history; text, selection and flags stay.
  void EmptyTextUndoBuffer();
  // Clipboard commands on the selection; they change nothing in a
  // read-only window.
  void CutText();
  void CopyText();
  void PasteText();
  void ClearText();
  bool CanPasteText() const;
  // Replaces the selection as typing would (within the limit).
  void InsertText(const std::string& text);

 protected:
  friend class TFramedControlAccess;

  void CreateWnd() override;
  // WM_PAINT reaches PaintClient, WM_NCPAINT PaintFrame.
  void WndProc(TMessage& message) override;
  // The clipboard and undo messages (WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR,
  // WM_UNDO) act on the text window.
  void DefaultHandler(TMessage& message) override;
  void LayoutWindow() override;
  void ParentChanged() override;
  void VisibleChanged() override;
  bool TakesFocusOnClick() const override { return HasTextClient(); }

  // Paints the frame; windowRect is the whole window from (0, 0).
  virtual void PaintFrame(TCanvas& canvas, const TRect& windowRect) {}
  // Paints a painted client area.
  virtual void PaintClient(TCanvas& canvas, const TRect& clientRect) {}
  // The text of the text window changed (by the user or by SetText).
  virtual void TextWindowChanged() {}
  // The selection or the caret of the text window moved.
  virtual void TextSelectionChanged() {}

 private:
  void ApplyWindowVisibility();

  TFramedClient FClientKind;
  TRect FFrameInsets;
  bool FHasRegion = false;
  TRegion FRegion;
  bool FShowsItself = false;
  bool FWindowShown = false;
  int FTextLimit = 0;
  bool FTextModified = false;
  char FPasswordChar = 0;
  std::unique_ptr<TFramedControlPrivate> FPrivate;
};
