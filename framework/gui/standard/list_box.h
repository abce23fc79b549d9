#pragma once
// TCustomListBox: a painted list of text items, each with an object, one of
// which may be selected, with a vertical scroll bar while they do not fit.
// Styles: lbStandard (the box draws each item's text; the item height
// follows the font), lbOwnerDrawFixed (one ItemHeight for all, drawn by
// DrawItem / OnDrawItem), lbOwnerDrawVariable (each item measured once by
// MeasureItem / OnMeasureItem, again after the items change). The
// platform's list-box messages (LB_...) reach the same operations through
// Perform.
//
// Input: Up, Down, Page Up / Page Down (a page less one item), Home and End
// move the selection and scroll it into view; a press selects the item
// under the pointer and moving with the button held follows the pointer. A
// selection the user changed fires OnClick; one set by code does not.
// Sent key and mouse messages act as typed and clicked ones.
//
// As a pop-up (SetPopupWindow) the list never takes the focus; it looks
// focused (the selected item framed) while it has been told it has the
// focus by a WM_SETFOCUS sent to it, until a WM_KILLFOCUS, as drop-down
// lists are while their editor keeps the focus.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/base/set.h"
#include "framework/core/component/strings.h"
#include "framework/gui/controls/custom_control.h"

// The platform's list-box messages (WParam / LParam / Result as there).
inline constexpr unsigned LB_SETCURSEL = 0x0186;     // index (-1: none)
inline constexpr unsigned LB_GETCURSEL = 0x0188;     // -> index or LB_ERR
inline constexpr unsigned LB_GETCOUNT = 0x018B;
inline constexpr unsigned LB_SELECTSTRING = 0x018C;  // start, const char* -> index or LB_ERR
inline constexpr unsigned LB_GETTOPINDEX = 0x018E;
inline constexpr unsigned LB_FINDSTRING = 0x018F;    // start, const char* -> index or LB_ERR
inline constexpr unsigned LB_SETTOPINDEX = 0x0197;
inline constexpr unsigned LB_GETITEMRECT = 0x0198;   // index, TRect* -> LB_ERR when out of range
inline constexpr unsigned LB_SETITEMHEIGHT = 0x01A0;  // index, height
inline constexpr unsigned LB_GETITEMHEIGHT = 0x01A1;  // index
inline constexpr unsigned LB_ITEMFROMPOINT = 0x01A9;  // 0, client point -> index, high word 1 outside
inline constexpr LRESULT LB_ERR = -1;

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
enum TOwnerDrawStateItem { odSelected, odGrayed, odDisabled, odChecked, odFocused };
using TOwnerDrawState = TSet<TOwnerDrawStateItem, 8>;

class TWinControl;
using TDrawItemEvent = TEvent<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = TEvent<void(TWinControl* Control, int Index, int& Height)>;

class TCustomListBox : public TCustomControl {
 public:
  explicit TCustomListBox(TComponent* owner);
  ~TCustomListBox() override;

  TStrings& Items();
  const TStrings& Items() const;
  void SetItems(const TStrings& items) { Items().Assign(&items); }
  int Count() const;
  void Clear() { Items().Clear(); }

  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle style);

  // -1: none.
  int ItemIndex() const { return FItemIndex; }
  // Selects an item (scrolled into view); out of range selects none.
  void SetItemIndex(int index);
  int TopIndex() const { return FTopIndex; }
  // Scrolls so that index is the first item shown (as far as the last
  // page allows).
  void SetTopIndex(int index);

  // The height of every item (lbStandard: the font's line; owner-drawn:
  // what was set, 16 by default).
  int ItemHeight() const;
  void SetItemHeight(int height);
  // The height of item index (measured for lbOwnerDrawVariable).
  int ItemHeightOf(int index);

  // Client rectangle of item index; empty for an item out of range.
  TRect ItemRect(int index);
  // The item under a client point; with existing false, a point below the
  // last item gives Count (the place after the last).
  int ItemAtPos(TPoint pos, bool existing);
  // Items fully shown from TopIndex on (at least 1).
  int FullyVisibleCount();

  // The first item after start (-1: from the first) whose text begins
  // with prefix, without regard to case (Windows-1251 rules), going round
  // to the start; -1 when none. SelectString also selects it.
  int FindString(int start, std::string_view prefix) const;
  int SelectString(int start, std::string_view prefix);

  // Looks focused: told by WM_SETFOCUS / WM_KILLFOCUS (or really focused).
  bool ShowsFocus() const { return FShowsFocus; }

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  void WndProc(TMessage& message) override;
  void Paint() override;
  // Draws item index in rect with the canvas's brush and font already set
  // for its state (highlight colours when selected); the base calls
  // OnDrawItem when set, else fills rect and draws the text. The focus
  // frame is drawn after it.
  virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
  // Height of item index for lbOwnerDrawVariable (starts as ItemHeight;
  // the base calls OnMeasureItem).
  virtual void MeasureItem(int index, int& height);
  // The items changed (added, removed, replaced).
  virtual void ItemsChanged();

  void KeyDown(TKey& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void WMVScroll(int code, int pos) override;
  void WMSetFocus() override;
  void WMKillFocus() override;
  void Resize() override;
  void FontChanged() override;
  unsigned GetDlgCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
  bool TakesFocusOnClick() const override { return true; }

 private:
  class TItems;
  // The user moved the selection: into view, and OnClick when it changed.
  void UserSelect(int index);
  void UpdateScrollBar();
  // The largest TopIndex that still fills the client area.
  int MaxTopIndex();
  void MakeVisible(int index);
  void InvalidateItem(int index);
  void ForgetHeights();

  std::unique_ptr<TItems> FItems;
  TListBoxStyle FStyle = lbStandard;
  int FItemIndex = -1;
  int FTopIndex = 0;
  int FItemHeight = 16;
  std::vector<int> FHeights;  // measured heights (lbOwnerDrawVariable)
  mutable int FLineHeight = 0;  // the font's line (lbStandard), 0 until measured
  bool FShowsFocus = false;
  bool FTracking = false;  // the left button went down in the list
};

// A list box with its properties public, for forms.
class TListBox : public TCustomListBox {
 public:
  using TCustomListBox::TCustomListBox;
};
