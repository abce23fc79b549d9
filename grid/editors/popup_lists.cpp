#include "grid/editors/popup_lists.h"

#include <algorithm>

#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/region.h"
#include "grid/editors/inplace_editor.h"

namespace {

// Height of a text line of the font.
int LineHeight(const TFont& font) {
  TBitmap probe(1, 1);
  probe.Canvas().Font().Assign(&font);
  return probe.Canvas().TextHeight("Wg");
}

}  // namespace

// --- TCustomdxPopupListBox ------------------------------------------------------------------

TCustomdxPopupListBox::TCustomdxPopupListBox(TComponent* owner) : TCustomListBox(owner) {
  SetVisible(false);
  SetTabStop(false);
  SetBorderStyle(bsNone);
  SetStyle(lbOwnerDrawVariable);
  SetPopupWindow(true);
}

void TCustomdxPopupListBox::SetPopupBorderStyle(TdxPopupBorderStyle value) {
  if (value < pbsSingle || value > pbsFlat || value == FPopupBorderStyle) return;
  FPopupBorderStyle = value;
  FrameChanged();
  UpdateShape();
}

void TCustomdxPopupListBox::SetShadow(bool value) {
  if (value == FShadow) return;
  FShadow = value;
  FrameChanged();
  UpdateShape();
}

int TCustomdxPopupListBox::BorderWidth() const {
  switch (FPopupBorderStyle) {
    case pbsThick:
      return 4;
    case pbsFlat:
      return 2;
    default:
      return 1;
  }
}

TRect TCustomdxPopupListBox::NonClientInsets() const {
  const int b = BorderWidth();
  const int s = FShadow ? ShadowSize() : 0;
  return Rect(b, b, b + s, b + s);
}

void TCustomdxPopupListBox::PaintNonClient(TCanvas& canvas, const TRect& windowRect) {
  // The corner between two scroll bars; the base draws no border of its
  // own (bsNone).
  TCustomListBox::PaintNonClient(canvas, windowRect);
  const int s = FShadow ? ShadowSize() : 0;
  TRect r = Rect(windowRect.Left, windowRect.Top, windowRect.Right - s, windowRect.Bottom - s);
  switch (FPopupBorderStyle) {
    case pbsThick:
      canvas.DrawEdge(r, EDGE_RAISED, BF_RECT | BF_ADJUST);
      canvas.DrawEdge(r, BDR_SUNKENINNER, BF_RECT | BF_FLAT | BF_ADJUST);
      canvas.DrawEdge(r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
      break;
    case pbsFlat:
      canvas.DrawEdge(r, EDGE_RAISED, BF_RECT | BF_ADJUST);
      break;
    default:
      canvas.DrawEdge(r, BDR_RAISEDOUTER, BF_RECT | BF_MONO | BF_ADJUST);
      break;
  }
  if (s == 0) return;
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(clBtnShadow);
  canvas.FillRect(Rect(windowRect.Left + s, windowRect.Bottom - s, windowRect.Right, windowRect.Bottom));
  canvas.FillRect(Rect(windowRect.Right - s, windowRect.Top + s, windowRect.Right, windowRect.Bottom));
}

void TCustomdxPopupListBox::UpdateShape() {
  if (!FShadow) {
    SetWindowRegion(nullptr);
    return;
  }
  const int s = ShadowSize();
  TRegion shape(Rect(0, 0, std::max(0, Width() - s), std::max(0, Height() - s)));
  shape.Combine(TRegion(Rect(s, s, Width(), Height())), rcOr);
  SetWindowRegion(&shape);
}

void TCustomdxPopupListBox::Resize() {
  TCustomListBox::Resize();
  UpdateShape();
}

int TCustomdxPopupListBox::MeasuredItemHeight() const { return std::max(1, LineHeight(Font())); }

void TCustomdxPopupListBox::MeasureItem(int index, int& height) {
  height = MeasuredItemHeight();
  TCustomListBox::MeasureItem(index, height);
}

void TCustomdxPopupListBox::FontChanged() {
  TCustomListBox::FontChanged();
  SetItemHeight(MeasuredItemHeight());
}

void TCustomdxPopupListBox::MouseMove(TShiftState shift, int x, int y) {
  if (FHotTrack && !shift.Contains(ssLeft)) {
    const int index = ItemAtPos(Point(x, y), true);
    if (index >= 0 && index != ItemIndex()) SetItemIndex(index);
  }
  TCustomListBox::MouseMove(shift, x, y);
}

void TCustomdxPopupListBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  std::weak_ptr<char> life = LifeToken();
  TCustomListBox::MouseUp(button, shift, x, y);
  if (life.expired() || button != mbLeft || !OnPopupMouseUp) return;
  OnPopupMouseUp(this, ClientRect().Contains(Point(x, y)));
}

// --- TdxPopupImageListBox ----------------------------------------------------------------------

TdxPopupImageListBox::TdxPopupImageListBox(TComponent* owner) : TCustomdxPopupListBox(owner) {}

void TdxPopupImageListBox::SetImages(TCustomImageList* images) {
  if (images == FImages) return;
  if (FImages != nullptr) RemoveFreeNotification(FImages);
  FImages = images;
  if (FImages != nullptr) FreeNotification(FImages);
  SetItemHeight(MeasuredItemHeight());
  ItemsChanged();
}

void TdxPopupImageListBox::SetMultiLineText(bool value) {
  if (value == FMultiLineText) return;
  FMultiLineText = value;
  Invalidate();
}

void TdxPopupImageListBox::SetImageIndexes(std::vector<int> indexes) {
  FImageIndexes = std::move(indexes);
  Invalidate();
}

int TdxPopupImageListBox::ImageIndexOf(int item) const {
  return item >= 0 && item < static_cast<int>(FImageIndexes.size()) ? FImageIndexes[static_cast<std::size_t>(item)]
                                                                      : -1;
}

int TdxPopupImageListBox::MeasuredItemHeight() const {
  int height = TCustomdxPopupListBox::MeasuredItemHeight() + 5;
  if (FImages != nullptr) height = std::max(height, FImages->Height() + 2);
  return height;
}

void TdxPopupImageListBox::Notification(TComponent* component, TOperation operation) {
  TCustomdxPopupListBox::Notification(component, operation);
  if (operation == opRemove && component == FImages) {
    FImages = nullptr;
    ItemsChanged();
  }
}

void TdxPopupImageListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if (OnDrawItem) {
    TCustomdxPopupListBox::DrawItem(index, rect, state);
    return;
  }
  TCanvas& canvas = Canvas();
  canvas.FillRect(rect);
  int imageWidth = 0;
  if (FImages != nullptr) {
    imageWidth = FImages->Width();
    const int image = ImageIndexOf(index);
    if (image >= 0 && image < FImages->Count())
      FImages->Draw(canvas, rect.Left + 1, rect.Top + (rect.Height() - FImages->Height()) / 2, image);
  }
  canvas.SetBkMode(bkTransparent);
  const std::string& text = Items().Strings(index);
  if (FMultiLineText) {
    TRect r = rect;
    InflateRect(r, -2, -2);
    r.Left += imageWidth;
    canvas.DrawText(text, r, DT_END_ELLIPSIS | DT_NOPREFIX | DT_EXPANDTABS | DT_WORDBREAK);
  } else {
    TRect r = rect;
    r.Left += imageWidth + 3;
    canvas.DrawText(text, r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
}

// --- TCustomdxPopupPickListBox ---------------------------------------------------------------

std::uint64_t TCustomdxPopupPickListBox::CurrentTick() const { return GetTickCount(); }

void TCustomdxPopupPickListBox::KeyPress(char& key) {
  const auto code = static_cast<unsigned char>(key);
  if (key == '\b' || key == '\x1b') {
    FSearchText.clear();
  } else if (code >= 32) {
    const std::uint64_t now = CurrentTick();
    if (now - FLastTick > SearchPause) FSearchText.clear();
    FLastTick = now;
    const bool added = FSearchText.size() < MaxSearchLength;
    if (added) FSearchText.push_back(key);
    if (SelectString(-1, FSearchText) < 0 && added) FSearchText.pop_back();
    key = 0;
  }
  TCustomdxPopupListBox::KeyPress(key);
}
