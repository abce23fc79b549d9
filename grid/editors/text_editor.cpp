#include "grid/editors/text_editor.h"

#include <algorithm>
#include <cstring>

#include "framework/core/text/text.h"
#include "framework/gui/standard/menus.h"
#include "framework/gui/application/screen.h"

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

// The edit menu's items, in menu order.
enum TEditMenuItem {
  emUndo, emRedo, emLine1, emCut, emCopy, emPaste, emDelete, emLine2, emSelectAll,
  emCount
};

constexpr const char* EditMenuCaptions[emCount] = {"&Undo", "&Redo",   "-", "Cu&t", "&Copy",
                                                   "&Paste", "&Delete", "-", "Select &All"};

}  // namespace

TdxInplaceTextEdit::TdxInplaceTextEdit(TComponent* owner) : TdxInplaceTextEdit(owner, fcText) {}

TdxInplaceTextEdit::TdxInplaceTextEdit(TComponent* owner, TFramedClient client) : TdxInplaceEdit(owner, client) {
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

// --- Edit menu -----------------------------------------------------------------------------

void TdxInplaceTextEdit::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_RBUTTONUP: {
      std::weak_ptr<char> life = LifeToken();
      TdxInplaceEdit::WndProc(message);
      // The menu opens once the release is handled, at its point.
      if (!life.expired())
        PostMessage(*this, WM_CONTEXTMENU, ControlParam(this),
                    PointParam(ClientToScreen(PointOf(message.LParam))));
      return;
    }
    case WM_CONTEXTMENU:
      TdxInplaceEdit::WndProc(message);
      if (message.Result == 0 && ShowEditMenu(PointOf(message.LParam))) message.Result = 1;
      return;
    default:
      TdxInplaceEdit::WndProc(message);
  }
}

void TdxInplaceTextEdit::DefaultHandler(TMessage& message) {
  if (message.Msg == WM_RBUTTONUP) return;
  TdxInplaceEdit::DefaultHandler(message);
}

void TdxInplaceTextEdit::Notification(TComponent* component, TOperation operation) {
  TdxInplaceEdit::Notification(component, operation);
  if (operation == opRemove && component == FEditMenu) FEditMenu = nullptr;
}

TPopupMenu& TdxInplaceTextEdit::EditMenu() {
  if (!FEditMenu) {
    auto* menu = new TPopupMenu(this);
    for (int i = 0; i < emCount; ++i) {
      auto* item = new TMenuItem(menu);
      item->SetCaption(EditMenuCaptions[i]);
      item->OnClick = [this, i](TObject*) { EditMenuCommand(i); };
      menu->Items()->Add(item);
    }
    FEditMenu = menu;
  }
  return *FEditMenu;
}

bool TdxInplaceTextEdit::ShowEditMenu(TPoint point) {
  // A request posted by a click can arrive after the editor was closed.
  if (!HasTextWindow() || !Showing()) return false;
  for (const TControl* c = this; c; c = c->Parent())
    if (c->PopupMenu()) return false;
  TPoint at = point;
  if (point.X == -1 && point.Y == -1) {
    TPoint caret = TextCaretPoint();
    caret.X = std::min(caret.X, ClientWidth());
    at = ClientToScreen(caret);
  } else if (!ClientRect().Contains(ScreenToClient(point))) {
    return false;
  }
  UpdateEditMenu();
  EditMenu().Popup(at.X, at.Y);
  return true;
}

void TdxInplaceTextEdit::UpdateEditMenu() {
  TMenuItem& items = *EditMenu().Items();
  int start = 0, end = 0;
  GetTextSelection(start, end);
  const bool selected = end > start;
  const bool editable = IsEditable();
  const bool hidden = FPasswordChar != 0;
  items.Items(emUndo)->SetEnabled(CanUndoText());
  items.Items(emRedo)->SetEnabled(CanRedoText());
  items.Items(emCut)->SetEnabled(selected && editable && !hidden);
  items.Items(emCopy)->SetEnabled(selected && !hidden);
  items.Items(emPaste)->SetEnabled(editable && CanPasteText());
  items.Items(emDelete)->SetEnabled(selected && editable);
  items.Items(emSelectAll)->SetEnabled(end - start != TextLength());
}

void TdxInplaceTextEdit::EditMenuCommand(int item) {
  switch (item) {
    case emUndo:
      UndoText();
      break;
    case emRedo:
      RedoText();
      break;
    case emCut:
      Perform(WM_CUT);
      break;
    case emCopy:
      Perform(WM_COPY);
      break;
    case emPaste:
      Perform(WM_PASTE);
      break;
    case emDelete:
      Perform(WM_CLEAR);
      break;
    case emSelectAll:
      AfterShow();
      break;
    default:
      break;
  }
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
