// TdxInplaceImageEdit and TdxInplacePickEdit: the drop-down editors with a
// list of their own.

#include <algorithm>

#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"
#include "framework/gui/graphics/bitmap.h"
#include "grid/editors/dropdown_editors.h"
#include "grid/editors/editor_host.h"
#include "grid/support/draw_helpers.h"

namespace {

int TextWidthIn(const TFont& font, const std::string& text) {
  TBitmap probe(1, 1);
  probe.Canvas().Font().Assign(&font);
  return probe.Canvas().TextWidth(text);
}

// The list's client height for count items: at most rows of them.
int ListClientHeight(TCustomdxPopupListBox& list, int count, int rows) {
  return std::min(count, rows) * list.MeasuredItemHeight();
}

// The list's outer size for a client area of width x height.
void SizeList(TCustomdxPopupListBox& list, int width, int height) {
  list.SetClientSize(width, height);
}

}  // namespace

// --- TdxInplaceImageEdit -----------------------------------------------------------------------

TdxInplaceImageEdit::TdxInplaceImageEdit(TComponent* owner)
    : TdxInplaceDropDownEdit(owner, fcPainted),
      FValues(std::make_unique<TStringList>()),
      FDescriptions(std::make_unique<TStringList>()),
      FImageIndexes(std::make_unique<TStringList>()),
      FImagesLink(std::make_unique<TChangeLink>()),
      FLargeImagesLink(std::make_unique<TChangeLink>()) {
  SetClickOpens(true);
  SetControlStyle(ControlStyle() + csCaptureMouse);
  const TNotifyEvent changed(this, &TdxInplaceImageEdit::ListsChanged);
  FValues->OnChange = changed;
  FDescriptions->OnChange = changed;
  FImageIndexes->OnChange = changed;
  FImagesLink->OnChange = changed;
  FLargeImagesLink->OnChange = changed;
  // Owned by the editor: it goes with it, also while it is open.
  FPopupList = new TdxPopupImageListBox(this);
}

TdxInplaceImageEdit::~TdxInplaceImageEdit() {
  SetImageList(FImages, *FImagesLink, nullptr);
  SetImageList(FLargeImages, *FLargeImagesLink, nullptr);
}

void TdxInplaceImageEdit::SetImageList(TCustomImageList*& field, TChangeLink& link, TCustomImageList* images) {
  if (images == field) return;
  if (field != nullptr) {
    field->UnRegisterChanges(&link);
    RemoveFreeNotification(field);
  }
  field = images;
  if (field != nullptr) {
    field->RegisterChanges(&link);
    FreeNotification(field);
  }
  if (!ComponentState().Contains(TComponentStateItem::csDestroying)) ListsChanged(this);
}

void TdxInplaceImageEdit::SetImages(TCustomImageList* images) { SetImageList(FImages, *FImagesLink, images); }

void TdxInplaceImageEdit::SetLargeImages(TCustomImageList* images) {
  SetImageList(FLargeImages, *FLargeImagesLink, images);
}

void TdxInplaceImageEdit::SetDefaultImages(bool value) {
  if (value == FDefaultImages) return;
  FDefaultImages = value;
  Invalidate();
}

void TdxInplaceImageEdit::SetShowDescription(bool value) {
  if (value == FShowDescription) return;
  FShowDescription = value;
  Invalidate();
}

void TdxInplaceImageEdit::ListsChanged(TObject* /*sender*/) {
  // The images decide the editor's height.
  StyleChanged();
  Invalidate();
}

void TdxInplaceImageEdit::Notification(TComponent* component, TOperation operation) {
  TdxInplaceDropDownEdit::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FImages) FImages = nullptr;
  if (component == FLargeImages) FLargeImages = nullptr;
  if (component == FPopupList) FPopupList = nullptr;
}

int TdxInplaceImageEdit::ValueIndex() { return FValues->IndexOf(Value()); }

int TdxInplaceImageEdit::ImageIndexOfValue(int index) const {
  if (index < 0 || index >= FValues->Count()) return -1;
  if (FDefaultImages) return index;
  if (index >= FImageIndexes->Count()) return -1;
  int image = -1;
  return TryStrToInt(FImageIndexes->Strings(index), image) ? image : -1;
}

void TdxInplaceImageEdit::SetValueText(const std::string& s) {
  if (s == Value() || !IsEditable() || !CanModify()) return;
  SetText(s);
  SetModified(true);
  Change();
  Invalidate();
}

void TdxInplaceImageEdit::StepValue(int delta) {
  if (ReadOnly() || FValues->Count() == 0) return;
  const int index = ValueIndex();
  const int next = index < 0 ? 0 : std::clamp(index + delta, 0, FValues->Count() - 1);
  SetValueText(FValues->Strings(next));
}

// The list has one item per value, so that the chosen item always names a
// value: a description missing shows empty, one too many shows nowhere.
void TdxInplaceImageEdit::FillList() {
  TdxPopupImageListBox& list = *FPopupList;
  const int count = FValues->Count();
  std::vector<int> images;
  images.reserve(static_cast<std::size_t>(count));
  int widest = 0;
  {
    TStringsUpdateScope update(list.Items());
    list.Items().Clear();
    for (int i = 0; i < count; ++i) {
      std::string text = i < FDescriptions->Count() ? FDescriptions->Strings(i) : std::string();
      widest = std::max(widest, TextWidthIn(list.Font(), text));
      list.Items().Add(std::move(text));
      images.push_back(ImageIndexOfValue(i));
    }
    update.Finish();
  }
  list.SetImageIndexes(std::move(images));
  const TCustomImageList* shown = ListImages();
  const int imageWidth = shown != nullptr ? shown->Width() : list.MeasuredItemHeight();
  const int width = DropDownWidth() > 0 ? DropDownWidth() : std::max(widest + 2, 10) + imageWidth + 4;
  SizeList(list, width, ListClientHeight(list, count, DropDownRows()));
  list.SetItemIndex(ValueIndex());
  PositionPopup(list, true);
}

void TdxInplaceImageEdit::DropDown() {
  if (!IsEditable() || FPopupList == nullptr) return;
  std::weak_ptr<char> life = LifeToken();
  if (!Focused() && CanFocus()) SetFocus();
  if (life.expired()) return;
  if (Focused()) EditButtonClick();
  if (life.expired() || FValues->Count() == 0 || PopupOpen()) return;
  TdxPopupImageListBox& list = *FPopupList;
  SetActiveList(&list);
  list.SetParent(this);
  list.SetColor(Color());
  list.SetFont(Font());
  list.SetImages(ListImages());
  list.SetMultiLineText(FMultiLineText);
  list.SetPopupBorderStyle(GetPopupBorderStyle());
  list.SetShadow(Style().Shadow());
  FillList();
  ShowPopup(list);
}

void TdxInplaceImageEdit::CloseUp(bool accept) {
  if (FPopupList == nullptr || ActiveList() != FPopupList) return;
  std::weak_ptr<char> life = LifeToken();
  if (!HidePopup()) return;
  if (life.expired()) return;
  const int index = FPopupList->ItemIndex();
  if (index < 0 || index >= FValues->Count()) return;
  Variant value(FValues->Strings(index));
  DoCloseUp(value, accept);
  if (!life.expired() && accept) SetValueText(VarToStr(value));
}

void TdxInplaceImageEdit::KeyDown(TKey& key, TShiftState shift) {
  if (!IsInplace() && shift.Empty()) {
    const int page = DropDownRows() - 1;
    switch (key) {
      case VK_PRIOR:
        StepValue(-page);
        key = 0;
        break;
      case VK_NEXT:
        StepValue(page);
        key = 0;
        break;
      case VK_END:
        StepValue(FValues->Count());
        key = 0;
        break;
      case VK_HOME:
        StepValue(-FValues->Count());
        key = 0;
        break;
      case VK_RIGHT:
      case VK_DOWN:
        StepValue(1);
        key = 0;
        break;
      case VK_LEFT:
      case VK_UP:
        StepValue(-1);
        key = 0;
        break;
      default:
        break;
    }
  } else if (Host() != nullptr && (key == VK_LEFT || key == VK_RIGHT) && shift.Empty()) {
    // No caret to move: the arrows go to the next cell.
    FocusNextColumn(key == VK_LEFT);
    key = 0;
  }
  if (key != 0) TdxInplaceDropDownEdit::KeyDown(key, shift);
}

void TdxInplaceImageEdit::KeyPress(char& key) {
  TdxInplaceDropDownEdit::KeyPress(key);
  const auto code = static_cast<unsigned char>(key);
  if (code < 32 || FValues->Count() == 0) return;
  // The next description (after the current value, going round) whose
  // first character is the one typed.
  const int count = FValues->Count();
  const int current = ValueIndex();
  const std::string typed(1, key);
  key = 0;
  for (int step = 1; step <= count; ++step) {
    const int i = ((current < 0 ? -1 : current) + step) % count;
    const std::string description = i < FDescriptions->Count() ? FDescriptions->Strings(i) : std::string();
    if (!description.empty() && AnsiCompareText(description.substr(0, 1), typed) == 0) {
      if (i != current) SetValueText(FValues->Strings(i));
      return;
    }
  }
}

std::unique_ptr<TdxEditViewData> TdxInplaceImageEdit::CreateViewData(bool isPaintCopy) {
  std::unique_ptr<TdxEditViewData> vd = TdxInplaceDropDownEdit::CreateViewData(isPaintCopy);
  if (auto* image = dynamic_cast<TdxImageEditViewData*>(vd.get())) {
    const int index = FValues->IndexOf(VarToStr(vd->Value));
    image->Images = FImages;
    image->ImageIndex = ImageIndexOfValue(index);
    image->Description = index >= 0 && index < FDescriptions->Count() ? FDescriptions->Strings(index) : std::string();
    image->ShowDescription = FShowDescription;
  }
  return vd;
}

bool TdxInplaceImageEdit::DrawContent(TCanvas& canvas, const TRect& rect, TdxEditViewData& vd) {
  TdxInplaceEdit::DrawContent(canvas, rect, vd);
  auto* image = dynamic_cast<TdxImageEditViewData*>(&vd);
  if (image == nullptr) return true;
  TCanvasStateScope state(canvas);
  int left = rect.Left + 1;
  if (image->Images != nullptr) {
    const TCustomImageList& images = *image->Images;
    if (image->ImageIndex >= 0 && image->ImageIndex < images.Count())
      images.Draw(canvas, left, rect.Top + (rect.Height() - images.Height()) / 2, image->ImageIndex);
    left += images.Width() + 2;
  }
  if (!image->ShowDescription) return true;
  if (vd.Font != nullptr) canvas.Font().Assign(vd.Font);
  canvas.Font().SetColor(vd.TextColor);
  canvas.SetBkMode(bkTransparent);
  TRect text = Rect(left, rect.Top, rect.Right - 1, rect.Bottom);
  canvas.DrawText(image->Description, text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (vd.Focused && !IsInplace()) {
    TRect focus = rect;
    InflateRect(focus, -1, -1);
    canvas.DrawFocusRect(focus);
  }
  return true;
}

int TdxInplaceImageEdit::GetRequiredHeight(const TdxEditViewData& vd) {
  int height = TdxInplaceDropDownEdit::GetRequiredHeight(vd);
  if (FImages != nullptr) height = std::max(height, FImages->Height() + 2);
  return height;
}

// --- TdxInplacePickEdit -----------------------------------------------------------------------

TdxInplacePickEdit::TdxInplacePickEdit(TComponent* owner)
    : TdxInplaceDropDownEdit(owner), FItems(std::make_unique<TStringList>()) {
  // Owned by the editor: it goes with it, also while it is open.
  FPickList = new TdxPopupPickListBox(this);
}

void TdxInplacePickEdit::DropDown() {
  if (!IsEditable() || PopupOpen()) return;
  std::weak_ptr<char> life = LifeToken();
  if (!Focused() && CanFocus()) SetFocus();
  if (life.expired()) return;
  if (Focused()) EditButtonClick();
  if (life.expired() || FItems->Count() == 0) return;
  TdxPopupPickListBox& list = *FPickList;
  SetActiveList(&list);
  list.SetParent(this);
  list.SetColor(Color());
  list.SetFont(Font());
  list.SetPopupBorderStyle(GetPopupBorderStyle());
  list.SetShadow(Style().Shadow());
  list.ClearSearchText();
  int widest = 0;
  {
    TStringsUpdateScope update(list.Items());
    list.Items().Assign(FItems.get());
    update.Finish();
  }
  for (int i = 0; i < FItems->Count(); ++i) widest = std::max(widest, TextWidthIn(list.Font(), FItems->Strings(i)));
  const int width = DropDownWidth() > 0 ? DropDownWidth() : std::max(widest + 6, 10);
  SizeList(list, width, ListClientHeight(list, FItems->Count(), DropDownRows()));
  list.SetItemIndex(FItems->IndexOf(GetText()));
  PositionPopup(list, true);
  ShowPopup(list);
}

void TdxInplacePickEdit::CloseUp(bool accept) {
  if (FPickList == nullptr || ActiveList() != FPickList) return;
  std::weak_ptr<char> life = LifeToken();
  if (!HidePopup() || life.expired()) return;
  const int index = FPickList->ItemIndex();
  if (index < 0 || index >= FPickList->Count()) return;
  Variant value(FPickList->Items().Strings(index));
  DoCloseUp(value, accept);
  if (life.expired() || !accept || !CanModify()) return;
  const std::string text = VarToStr(value);
  if (text == GetText()) return;
  SetText(text);
  SetModified(true);
  SelectAll();
}

void TdxInplacePickEdit::StepValue(int delta) {
  if (!IsEditable() || !CanModify() || FItems->Count() == 0) return;
  const int index = FItems->IndexOf(GetText());
  const int next = index < 0 ? 0 : std::clamp(index + delta, 0, FItems->Count() - 1);
  if (next == index) return;
  SetText(FItems->Strings(next));
  SetModified(true);
  SelectAll();
}
