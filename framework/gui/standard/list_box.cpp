#include "framework/gui/standard/list_box.h"

#include <algorithm>
#include <cstdint>

#include "framework/core/text/text.h"
#include "framework/gui/graphics/bitmap.h"

// The items tell the box of every change.
class TCustomListBox::TItems : public TStringList {
 public:
  explicit TItems(TCustomListBox& box) : FBox(box) {}

 protected:
  void Changed() override {
    TStringList::Changed();
    if (UpdateCount() == 0) FBox.ItemsChanged();
  }

 private:
  TCustomListBox& FBox;
};

TCustomListBox::TCustomListBox(TComponent* owner)
    : TCustomControl(owner), FItems(std::make_unique<TItems>(*this)) {
  SetBounds(0, 0, 121, 97);
  SetBorderStyle(bsSingle);
  SetTabStop(true);
}

TCustomListBox::~TCustomListBox() = default;

TStrings& TCustomListBox::Items() { return *FItems; }
const TStrings& TCustomListBox::Items() const { return *FItems; }
int TCustomListBox::Count() const { return FItems->Count(); }

void TCustomListBox::SetStyle(TListBoxStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  ItemsChanged();
}

void TCustomListBox::ItemsChanged() {
  ForgetHeights();
  if (FItemIndex >= Count()) FItemIndex = -1;
  FTopIndex = std::clamp(FTopIndex, 0, MaxTopIndex());
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::ForgetHeights() { FHeights.clear(); }

// --- Heights and places ------------------------------------------------------------------

int TCustomListBox::ItemHeight() const {
  if (FStyle != lbStandard) return FItemHeight;
  if (FLineHeight == 0) {
    // The font's line, measured on a bitmap's canvas (the control's own
    // is busy while it paints).
    TBitmap measure(1, 1);
    measure.Canvas().Font().Assign(&Font());
    FLineHeight = std::max(1, measure.Canvas().TextHeight("Wg"));
  }
  return FLineHeight;
}

void TCustomListBox::SetItemHeight(int height) {
  if (height <= 0 || height == FItemHeight) return;
  FItemHeight = height;
  ItemsChanged();
}

void TCustomListBox::MeasureItem(int index, int& height) {
  if (OnMeasureItem) OnMeasureItem(this, index, height);
}

int TCustomListBox::ItemHeightOf(int index) {
  if (FStyle != lbOwnerDrawVariable) return ItemHeight();
  if (static_cast<int>(FHeights.size()) != Count()) {
    FHeights.assign(static_cast<std::size_t>(Count()), 0);
    for (int i = 0; i < Count(); ++i) {
      int h = FItemHeight;
      MeasureItem(i, h);
      FHeights[static_cast<std::size_t>(i)] = std::max(1, h);
    }
  }
  if (index < 0 || index >= Count()) return FItemHeight;
  return FHeights[static_cast<std::size_t>(index)];
}

TRect TCustomListBox::ItemRect(int index) {
  if (index < 0 || index >= Count()) return TRect();
  int y = 0;
  if (index >= FTopIndex)
    for (int i = FTopIndex; i < index; ++i) y += ItemHeightOf(i);
  else
    for (int i = index; i < FTopIndex; ++i) y -= ItemHeightOf(i);
  return Rect(0, y, ClientWidth(), y + ItemHeightOf(index));
}

int TCustomListBox::ItemAtPos(TPoint pos, bool existing) {
  if (!ClientRect().Contains(pos)) return -1;
  int y = 0;
  for (int i = FTopIndex; i < Count(); ++i) {
    y += ItemHeightOf(i);
    if (pos.Y < y) return i;
  }
  return existing ? -1 : Count();
}

int TCustomListBox::FullyVisibleCount() {
  int height = ClientHeight(), y = 0, n = 0;
  for (int i = FTopIndex; i < Count(); ++i) {
    y += ItemHeightOf(i);
    if (y > height) break;
    ++n;
  }
  return std::max(1, n);
}

int TCustomListBox::MaxTopIndex() {
  int count = Count();
  if (count == 0) return 0;
  int height = ClientHeight(), top = count, used = 0;
  while (top > 0 && used + ItemHeightOf(top - 1) <= height) used += ItemHeightOf(--top);
  return top == count ? count - 1 : top;
}

// --- Selection and scrolling -------------------------------------------------------------

void TCustomListBox::InvalidateItem(int index) {
  TRect r = ItemRect(index);
  if (!r.IsEmpty()) InvalidateRect(r);
}

void TCustomListBox::SetItemIndex(int index) {
  if (index < -1 || index >= Count()) index = -1;
  if (index == FItemIndex) {
    if (index >= 0) MakeVisible(index);
    return;
  }
  InvalidateItem(FItemIndex);
  FItemIndex = index;
  InvalidateItem(FItemIndex);
  if (index >= 0) MakeVisible(index);
}

void TCustomListBox::SetTopIndex(int index) {
  index = std::clamp(index, 0, MaxTopIndex());
  if (index == FTopIndex) return;
  FTopIndex = index;
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::MakeVisible(int index) {
  if (index < FTopIndex) {
    SetTopIndex(index);
    return;
  }
  int height = ClientHeight();
  if (ItemRect(index).Bottom <= height) return;
  // The lowest top that still shows the whole item.
  int top = index, used = ItemHeightOf(index);
  while (top > 0 && used + ItemHeightOf(top - 1) <= height) used += ItemHeightOf(--top);
  SetTopIndex(top);
}

void TCustomListBox::UpdateScrollBar() {
  // Showing or hiding the bar resizes the client, which comes back here.
  static thread_local int depth = 0;
  if (depth > 2) return;
  ++depth;
  TScrollInfo info;
  info.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.Min = 0;
  info.Max = std::max(0, Count() - 1);
  // A page is what the last page shows: the bar goes exactly when all fit.
  info.Page = Count() - MaxTopIndex();
  info.Pos = FTopIndex;
  try {
    SetScrollInfo(sbVertical, info);
  } catch (...) {
    --depth;
    throw;
  }
  --depth;
}

void TCustomListBox::WMVScroll(int code, int pos) {
  int page = std::max(1, FullyVisibleCount());
  switch (code) {
    case SB_LINEUP:
      SetTopIndex(FTopIndex - 1);
      break;
    case SB_LINEDOWN:
      SetTopIndex(FTopIndex + 1);
      break;
    case SB_PAGEUP:
      SetTopIndex(FTopIndex - page);
      break;
    case SB_PAGEDOWN:
      SetTopIndex(FTopIndex + page);
      break;
    case SB_TOP:
      SetTopIndex(0);
      break;
    case SB_BOTTOM:
      SetTopIndex(Count());
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      SetTopIndex(pos);
      break;
    default:
      break;
  }
}

void TCustomListBox::Resize() {
  TCustomControl::Resize();
  FTopIndex = std::clamp(FTopIndex, 0, MaxTopIndex());
  UpdateScrollBar();
}

void TCustomListBox::FontChanged() {
  TCustomControl::FontChanged();
  FLineHeight = 0;
  ItemsChanged();
}

int TCustomListBox::FindString(int start, std::string_view prefix) const {
  int count = Count();
  if (count == 0) return -1;
  if (start < -1 || start >= count) start = -1;
  for (int step = 1; step <= count; ++step) {
    int i = (start + step) % count;
    std::string item = FItems->Strings(i);
    if (item.size() >= prefix.size() && AnsiCompareText(std::string_view(item).substr(0, prefix.size()), prefix) == 0)
      return i;
  }
  return -1;
}

int TCustomListBox::SelectString(int start, std::string_view prefix) {
  int found = FindString(start, prefix);
  if (found >= 0) SetItemIndex(found);
  return found;
}

void TCustomListBox::UserSelect(int index) {
  int old = FItemIndex;
  SetItemIndex(index);
  if (FItemIndex != old) Click();
}

// --- Input ----------------------------------------------------------------------------------

void TCustomListBox::KeyDown(TKey& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  int count = Count();
  if (count == 0 || key == 0) return;
  int current = FItemIndex;
  int step = std::max(1, FullyVisibleCount() - 1);
  int next = current;
  switch (key) {
    case VK_UP:
      next = current < 0 ? 0 : current - 1;
      break;
    case VK_DOWN:
      next = current < 0 ? 0 : current + 1;
      break;
    case VK_PRIOR:
      next = current < 0 ? 0 : current - step;
      break;
    case VK_NEXT:
      next = current < 0 ? 0 : current + step;
      break;
    case VK_HOME:
      next = 0;
      break;
    case VK_END:
      next = count - 1;
      break;
    default:
      return;
  }
  UserSelect(std::clamp(next, 0, count - 1));
}

void TCustomListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    FTracking = true;
    int index = ItemAtPos(Point(x, y), true);
    if (index >= 0) SetItemIndex(index);
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomListBox::MouseMove(TShiftState shift, int x, int y) {
  if (FTracking && shift.Contains(ssLeft) && Count() > 0) {
    // Above or below the items the nearest one is taken.
    TRect client = ClientRect();
    int cy = std::clamp(y, 0, std::max(0, client.Bottom - 1));
    int index = ItemAtPos(Point(std::clamp(x, 0, std::max(0, client.Right - 1)), cy), false);
    if (y < 0) index = std::max(0, FTopIndex - 1);
    if (index >= 0) SetItemIndex(std::min(index, Count() - 1));
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TCustomListBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) FTracking = false;
  TCustomControl::MouseUp(button, shift, x, y);
}

void TCustomListBox::WMSetFocus() {
  FShowsFocus = true;
  InvalidateItem(FItemIndex);
}

void TCustomListBox::WMKillFocus() {
  FShowsFocus = false;
  InvalidateItem(FItemIndex);
}

// --- Painting -------------------------------------------------------------------------------

void TCustomListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if (OnDrawItem) {
    OnDrawItem(this, index, rect, state);
    return;
  }
  TCanvas& canvas = Canvas();
  canvas.FillRect(rect);
  TRect text = rect;
  text.Left += 2;
  canvas.SetBkMode(bkTransparent);
  canvas.DrawText(FItems->Strings(index), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void TCustomListBox::Paint() {
  TCanvas& canvas = Canvas();
  TRect client = ClientRect();
  int y = 0;
  for (int i = FTopIndex; i < Count() && y < client.Bottom; ++i) {
    TRect r = Rect(0, y, client.Right, y + ItemHeightOf(i));
    y = r.Bottom;
    if (!canvas.RectVisible(r)) continue;
    TCanvasStateScope scope(canvas);
    TOwnerDrawState state;
    if (!Enabled()) state.Include(odDisabled);
    canvas.Font().Assign(&Font());
    canvas.Brush().SetColor(Color());
    if (i == FItemIndex) {
      state.Include(odSelected);
      if (FShowsFocus) state.Include(odFocused);
      canvas.Brush().SetColor(clHighlight);
      canvas.Font().SetColor(clHighlightText);
    }
    DrawItem(i, r, state);
    if (state.Contains(odFocused)) canvas.DrawFocusRect(r);
  }
  if (y < client.Bottom) {
    canvas.Brush().SetColor(Color());
    canvas.FillRect(Rect(0, y, client.Right, client.Bottom));
  }
}

// --- Messages -------------------------------------------------------------------------------

void TCustomListBox::WndProc(TMessage& message) {
  auto index = static_cast<int>(static_cast<std::intptr_t>(message.WParam));
  switch (message.Msg) {
    case LB_GETCOUNT:
      message.Result = Count();
      return;
    case LB_GETCURSEL:
      message.Result = FItemIndex >= 0 ? FItemIndex : LB_ERR;
      return;
    case LB_SETCURSEL:
      SetItemIndex(index);
      message.Result = index >= 0 && index < Count() ? index : LB_ERR;
      return;
    case LB_GETTOPINDEX:
      message.Result = FTopIndex;
      return;
    case LB_SETTOPINDEX:
      if (index < 0 || index >= Count()) {
        message.Result = LB_ERR;
        return;
      }
      SetTopIndex(index);
      message.Result = 0;
      return;
    case LB_GETITEMRECT:
      if (index < 0 || index >= Count() || !message.LParam) {
        message.Result = LB_ERR;
        return;
      }
      *reinterpret_cast<TRect*>(message.LParam) = ItemRect(index);
      message.Result = 1;
      return;
    case LB_SELECTSTRING:
    case LB_FINDSTRING: {
      const char* text = reinterpret_cast<const char*>(message.LParam);
      std::string_view prefix = text ? std::string_view(text) : std::string_view();
      int found = message.Msg == LB_SELECTSTRING ? SelectString(index, prefix) : FindString(index, prefix);
      message.Result = found >= 0 ? found : LB_ERR;
      return;
    }
    case LB_GETITEMHEIGHT:
      message.Result = ItemHeightOf(index);
      return;
    case LB_SETITEMHEIGHT: {
      int height = static_cast<int>(message.LParam);
      if (height <= 0 || height > 255) {
        message.Result = LB_ERR;
        return;
      }
      if (FStyle == lbOwnerDrawVariable && index >= 0 && index < Count()) {
        ItemHeightOf(index);
        FHeights[static_cast<std::size_t>(index)] = height;
        UpdateScrollBar();
        Invalidate();
      } else {
        SetItemHeight(height);
      }
      message.Result = 0;
      return;
    }
    default:
      TCustomControl::WndProc(message);
  }
}
