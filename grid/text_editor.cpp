#include "grid/text_editor.h"

#include <algorithm>
#include <cstring>

#include "framework/core/text/text.h"
#include "framework/gui/screen.h"

namespace {

// A flag raised for a scope, lowered on every path.
class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : FFlag(flag) { FFlag = true; }
  ~TFlagScope() { FFlag = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& FFlag;
};

}  // namespace

TdxInplaceTextEdit::TdxInplaceTextEdit(TComponent* owner) : TdxInplaceEdit(owner, fcText) {
  SetControlStyle(ControlStyle() + csClickEvents + csSetCaption + csDoubleClicks);
  WindowParamsChanged();
}

// --- Properties --------------------------------------------------------------------------

void TdxInplaceTextEdit::SetCharCase(TEditCharCase value) {
  if (value == FCharCase) return;
  FCharCase = value;
  ApplyCharCase();
}

void TdxInplaceTextEdit::SetMaxLength(int value) {
  SetStoredValues(StoredValues() | dxStoredMaxLength);
  StoreMaxLength(value);
}

void TdxInplaceTextEdit::StoreMaxLength(int value) {
  value = std::max(0, value);
  if (value == FMaxLength) return;
  FMaxLength = value;
  SetTextLimit(value);
}

void TdxInplaceTextEdit::SetPasswordChar(char value) {
  if (value == FPasswordChar) return;
  FPasswordChar = value;
  SetTextPasswordChar(value);
}

void TdxInplaceTextEdit::SetSelectionBar(bool value) {
  if (value == FSelectionBar) return;
  FSelectionBar = value;
  WindowParamsChanged();
}

void TdxInplaceTextEdit::SetReadOnlyFlag(bool value) {
  TdxInplaceEdit::SetReadOnlyFlag(value);
  SetTextReadOnly(!IsEditable());
}

void TdxInplaceTextEdit::ResetStoredValues() {
  TdxInplaceEdit::ResetStoredValues();
  StoreMaxLength(GetDefaultMaxLength());
}

void TdxInplaceTextEdit::Loaded() {
  TdxInplaceEdit::Loaded();
  ApplyCharCase();
}

// The text window takes alignment and margins where the platform would
// make its window anew.
void TdxInplaceTextEdit::WindowParamsChanged() {
  SetTextAlignment(Alignment());
  TRect offset = OffsetRect();
  int left = 1 + (FSelectionBar ? 8 : 0) + offset.Left;
  int right = 1 + (Alignment() == taRightJustify ? 1 : 0) + offset.Right;
  SetTextMargins(Rect(left, 1 + offset.Top, right, 1));
  Invalidate();
}

void TdxInplaceTextEdit::Resize() {
  TdxInplaceEdit::Resize();
  WindowParamsChanged();
}

// --- Selection -----------------------------------------------------------------------------

int TdxInplaceTextEdit::GetSelStart() {
  int start = 0, end = 0;
  GetTextSelection(start, end);
  return start;
}

int TdxInplaceTextEdit::GetSelLength() {
  int start = 0, end = 0;
  GetTextSelection(start, end);
  return end - start;
}

void TdxInplaceTextEdit::SetSelLength(int length) {
  int start = GetSelStart();
  SetTextSelection(start, start + std::max(0, length));
}

int TdxInplaceTextEdit::GetSelTextBuf(char* buffer, int bufSize) {
  if (!buffer || bufSize <= 0) return 0;
  std::string s = GetSelText();
  int n = std::min(bufSize, static_cast<int>(s.size()));
  std::memcpy(buffer, s.data(), static_cast<std::size_t>(n));
  return n;
}

void TdxInplaceTextEdit::SelectionChange() {
  if (OnSelectionChange) OnSelectionChange(this);
}

void TdxInplaceTextEdit::TextSelectionChanged() {
  if (!ComponentState().Contains(TComponentStateItem::csLoading)) SelectionChange();
}

// --- Text and case -------------------------------------------------------------------------

std::string TdxInplaceTextEdit::Converted(const std::string& text) const {
  switch (FCharCase) {
    case ecUpperCase:
      return AnsiUpperCase(text);
    case ecLowerCase:
      return AnsiLowerCase(text);
    default:
      return text;
  }
}

void TdxInplaceTextEdit::ApplyCharCase() {
  if (FCharCase == ecNormal) return;
  std::string text = Text();
  std::string converted = Converted(text);
  if (converted == text) return;
  TFlagScope converting(FConvertingCase);
  int start = 0, end = 0;
  GetTextSelection(start, end);
  bool modified = GetModified();
  try {
    SetText(converted);
  } catch (...) {
    SetModified(modified);
    throw;
  }
  SetModified(modified);
  SetTextSelection(start, end);
}

void TdxInplaceTextEdit::SetEditValue(const Variant& value) {
  {
    TFlagScope assigning(FAssigning);
    TdxInplaceEdit::SetEditValue(value);
  }
  EmptyTextUndoBuffer();
}

void TdxInplaceTextEdit::TextWindowChanged() {
  if (ComponentState().Contains(TComponentStateItem::csLoading) || FConvertingCase) return;
  ApplyCharCase();
  if (!FAssigning) Change();
}

void TdxInplaceTextEdit::KeyPress(char& key) {
  TdxInplaceEdit::KeyPress(key);
  if (static_cast<unsigned char>(key) >= 32) key = Converted(std::string(1, key))[0];
}

void TdxInplaceTextEdit::DoEnter() {
  if (FAutoSelect && !GetShiftState().Contains(ssLeft)) SelectAll();
  TdxInplaceEdit::DoEnter();
}

// --- Painting ------------------------------------------------------------------------------

std::unique_ptr<TdxEditViewData> TdxInplaceTextEdit::CreateViewData(bool isPaintCopy) {
  std::unique_ptr<TdxEditViewData> vd = TdxInplaceEdit::CreateViewData(isPaintCopy);
  auto& text = static_cast<TdxTextEditViewData&>(*vd);
  text.CharCase = FCharCase;
  text.PasswordChar = FPasswordChar;
  text.SelectionBar = FSelectionBar;
  text.StandAloneWithoutText = !IsInplace() && !HasTextWindow();
  return vd;
}

bool TdxInplaceTextEdit::DrawContent(TCanvas& canvas, const TRect& rect, TdxEditViewData& viewData) {
  auto* vd = dynamic_cast<TdxTextEditViewData*>(&viewData);
  TEditCharCase charCase = vd ? vd->CharCase : FCharCase;
  char password = vd ? vd->PasswordChar : FPasswordChar;
  std::string text = viewData.Value.IsNull() || viewData.Value.IsEmpty() ? std::string() : VarToStr(viewData.Value);
  if (charCase == ecUpperCase) text = AnsiUpperCase(text);
  if (charCase == ecLowerCase) text = AnsiLowerCase(text);
  if (password != 0 && !text.empty()) text.assign(text.size(), password);

  TRect r = rect;
  if (vd && vd->SelectionBar) r.Left += 8;
  if (vd && vd->StandAloneWithoutText) {
    InflateRect(r, -2, -2);
  } else {
    InflateRect(r, -1, -1);
    r.Left += viewData.OffsetRect.Left;
    r.Top += viewData.OffsetRect.Top;
    r.Right -= viewData.OffsetRect.Right;
    if (viewData.Alignment == taRightJustify) r.Right -= 1;
  }

  TCanvasStateScope state(canvas);
  if (!viewData.Transparent) {
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(viewData.BrushColor);
    canvas.FillRect(rect);
  }
  if (viewData.Font) canvas.Font().Assign(viewData.Font);
  canvas.Font().SetColor(viewData.TextColor);
  canvas.SetBkMode(bkTransparent);
  unsigned format = DT_NOPREFIX | DT_EXPANDTABS;
  format |= viewData.Alignment == taRightJustify ? DT_RIGHT : viewData.Alignment == taCenter ? DT_CENTER : DT_LEFT;
  switch (viewData.DrawAlignment) {
    case daSingleLine:
      format |= DT_SINGLELINE;
      break;
    case daVCenter:
      format |= DT_SINGLELINE | DT_VCENTER;
      break;
    case daBottom:
      format |= DT_SINGLELINE | DT_BOTTOM;
      break;
    case daMultiLine:
      format |= DT_WORDBREAK;
      break;
  }
  if (vd && vd->EndEllipsis) format |= DT_END_ELLIPSIS;
  canvas.DrawText(text, r, format);
  if (vd && vd->StandAloneWithoutText && viewData.Focused) canvas.DrawFocusRect(r);
  return true;
}
