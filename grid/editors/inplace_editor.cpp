#include "grid/editors/inplace_editor.h"

#include <algorithm>
#include <chrono>

#include "framework/core/text/text.h"
#include "framework/gui/application/screen.h"
#include "grid/editors/editor_host.h"

std::string dxInvalidInputText() { return "Invalid input value. Use escape key to abandon changes"; }

std::uint64_t GetTickCount() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// --- Construction ------------------------------------------------------------------------

TdxInplaceEdit::TdxInplaceEdit(TComponent* owner) : TFramedControl(owner, fcPainted) { Construct(owner); }

TdxInplaceEdit::TdxInplaceEdit(TComponent* owner, TFramedClient client) : TFramedControl(owner, client) {
  Construct(owner);
}

void TdxInplaceEdit::Construct(TComponent* owner) {
  // Virtual answers of descendants are not reachable while constructing,
  // so the kind of use is told by the owner: hosts own in-place editors.
  auto* host = dynamic_cast<TCustomdxContainer*>(owner);
  FStyle = host ? host->CreateEditStyle(this) : std::make_unique<TdxEditStyle>(this);
  if (host) {
    SetParentColor(false);
    SetTabStop(false);
    SetShowsItself(true);
  } else {
    SetBounds(Left(), Top(), 121, 21);
    SetTabStop(true);
  }
  UpdateBounds();
}

TdxInplaceEdit::~TdxInplaceEdit() {
  if (FStyleController && !FStyleController->ComponentState().Contains(TComponentStateItem::csDestroying))
    FStyleController->RemoveLink(this);
  FStyle.reset();
}

// --- Properties --------------------------------------------------------------------------

void TdxInplaceEdit::SetStyleController(TdxEditStyleController* controller) {
  if (controller == FStyleController) return;
  if (FStyleController) {
    if (!FStyleController->ComponentState().Contains(TComponentStateItem::csDestroying))
      FStyleController->RemoveLink(this);
    RemoveFreeNotification(FStyleController);
  }
  FStyleController = controller;
  if (controller) {
    controller->AddLink(this);
    FreeNotification(controller);
    controller->NotifyLink(this);
  } else {
    StyleChanged();
  }
}

void TdxInplaceEdit::StyleControllerRemoved() {
  FStyleController = nullptr;
  StyleChanged();
}

void TdxInplaceEdit::Notification(TComponent* component, TOperation operation) {
  TFramedControl::Notification(component, operation);
  if (operation == opRemove && component == FStyleController) StyleControllerRemoved();
}

void TdxInplaceEdit::SetAlignment(TAlignment alignment) {
  FStoredValues |= dxStoredAlignment;
  StoreAlignment(alignment);
}

void TdxInplaceEdit::StoreAlignment(TAlignment alignment) {
  bool changed = alignment != Alignment();
  FAlignment = alignment;
  if (changed) WindowParamsChanged();
}

void TdxInplaceEdit::SetAutoSize(bool autoSize) {
  if (autoSize == FAutoSize) return;
  FAutoSize = autoSize;
  UpdateBounds();
}

void TdxInplaceEdit::SetReadOnly(bool readOnly) {
  FStoredValues |= dxStoredReadOnly;
  SetReadOnlyFlag(readOnly);
}

void TdxInplaceEdit::SetTransparent(bool transparent) {
  if (transparent == FTransparent) return;
  FTransparent = transparent;
  Invalidate();
}

void TdxInplaceEdit::SetOffsetRect(const TRect& rect) {
  if (rect == FOffsetRect) return;
  FOffsetRect = rect;
  WindowParamsChanged();
}

void TdxInplaceEdit::ResetStoredValues() {
  FStoredValues = 0;
  bool changed = FAlignment && *FAlignment != GetDefaultAlignment();
  FAlignment.reset();
  if (changed) WindowParamsChanged();
  SetReadOnlyFlag(false);
}

// --- Host side ---------------------------------------------------------------------------

TCustomdxContainer* TdxInplaceEdit::GetContainer() const {
  return IsInplace() ? dynamic_cast<TCustomdxContainer*>(Owner()) : nullptr;
}

bool TdxInplaceEdit::Shown() const { return IsInplace() ? WindowShown() : Visible(); }

void TdxInplaceEdit::ShowAt(const TRect& rect) {
  if (!IsInplace() || rect.IsEmpty()) return;
  TRect r = rect;
  InflateRect(r, 2, 2);
  SetBounds(r.Left, r.Top, r.Width(), r.Height());
  bool wasShown = Shown();
  Show();
  if (!Focused() && CanFocus()) SetFocus();
  AfterShow();
  if (!wasShown && FShowLock == 0) FirstShown();
}

void TdxInplaceEdit::Show() {
  if (IsInplace())
    SetWindowShown(true);
  else
    TControl::Show();
}

void TdxInplaceEdit::Hide() {
  if (IsInplace())
    SetWindowShown(false);
  else
    TControl::Hide();
}

void TdxInplaceEdit::LockValidate() {
  if (IsInplace()) ++FValidateLock;
}

void TdxInplaceEdit::UnlockValidate() {
  if (IsInplace() && FValidateLock > 0) --FValidateLock;
}

void TdxInplaceEdit::ValidateEdit() {
  if (!GetModified() || FValidateLock > 0) return;
  bool accept = true;
  std::string errorText = dxInvalidInputText();
  DoValidate(errorText, accept);
  if (accept) return;
  MessageBeep(0);
  if (Shown() && CanFocus() && !Focused()) SetFocus();
  throw EdxEditInvalidInput(errorText);
}

void TdxInplaceEdit::DoValidate(std::string& errorText, bool& accept) {
  if (OnValidate) OnValidate(this, errorText, accept);
}

void TdxInplaceEdit::SetActive(bool active) {
  if (IsInplace() || active != FActive) {
    FUndoModified = GetModified();
    FUndoText = GetEditText();
  }
  if (!IsInplace() && active != FActive) {
    FActive = active;
    if (PaintsInactive()) Invalidate();
  }
}

void TdxInplaceEdit::Undo() {
  if (!GetModified() || !CanUndo()) return;
  SetText(FUndoText);
  SetModified(FUndoModified);
}

void TdxInplaceEdit::PostChar(char ch) { PostMessage(*this, WM_CHAR, static_cast<unsigned char>(ch)); }

void TdxInplaceEdit::CutToClipboard() { Perform(WM_CUT); }

void TdxInplaceEdit::CopyToClipboard() { Perform(WM_COPY); }

void TdxInplaceEdit::PasteFromClipboard() { Perform(WM_PASTE); }

void TdxInplaceEdit::ClearSelection() { Perform(WM_CLEAR); }

// --- Values --------------------------------------------------------------------------------

void TdxInplaceEdit::SetEditValue(const Variant& value) { SetText(value.IsNull() ? std::string() : VarToStr(value)); }

Variant TdxInplaceEdit::GetEditValue(bool fromDefinition) { return Variant(GetEditText()); }

Variant TdxInplaceEdit::GetTextValue() { return Variant(GetEditText()); }

void TdxInplaceEdit::SetEditText(const std::string& text) {
  if (CanModify()) SetText(text);
  SetModified(true);
}

void TdxInplaceEdit::Change() { DoChange(); }

void TdxInplaceEdit::DoChange() {
  if (OnChange) OnChange(this);
}

// --- Questions ---------------------------------------------------------------------------

bool TdxInplaceEdit::IsValidChar(char ch) {
  TCustomdxContainer* host = Host();
  return host ? host->IsEditorCharAllowed(ch) : true;
}

bool TdxInplaceEdit::CanModify() {
  if (ReadOnly()) return false;
  TCustomdxContainer* host = Host();
  return host ? host->CanEditorModify() : true;
}

bool TdxInplaceEdit::IsEditKey(TKey key, TShiftState shift) {
  bool ctrl = shift.Contains(ssCtrl);
  return (ctrl && (key == 'V' || key == 'X')) || key == VK_BACK || key == VK_DELETE ||
         (shift.Contains(ssShift) && key == VK_INSERT);
}

bool TdxInplaceEdit::IsCtrlDown() {
  TShiftState s = GetShiftState();
  return s.Contains(ssCtrl) && !s.Contains(ssAlt);
}

void TdxInplaceEdit::FocusNextColumn(bool prev) {
  if (TCustomdxContainer* host = Host()) host->FocusNextColumn(prev);
}

bool TdxInplaceEdit::ShowButtonAlways() {
  TCustomdxContainer* host = Host();
  return host ? host->ShowButtonAlways() : false;
}

// --- Keys ----------------------------------------------------------------------------------

unsigned TdxInplaceEdit::GetDlgCode() const {
  unsigned code = TFramedControl::GetDlgCode() | DLGC_WANTCHARS;
  code &= ~DLGC_WANTTAB;
  if (TCustomdxContainer* host = Host()) {
    code |= DLGC_WANTALLKEYS;
    if (host->WantsTabs()) code |= DLGC_WANTTAB;
  }
  return code;
}

void TdxInplaceEdit::KeyDown(TKey& key, TShiftState shift) {
  FDropNextChar = false;
  TCustomdxContainer* host = Host();
  if (!host) {
    // Escape gives back the value the editor had when it got the focus.
    if (key == VK_ESCAPE) Undo();
    if (IsEditKey(key, shift) && !(IsEditable() && CanModify())) key = 0;
    if (key == VK_RETURN && ValidateOnEnter()) ValidateEdit();
    if (key != 0) TFramedControl::KeyDown(key, shift);
    return;
  }
  if (host->IgnoreEditorKeys()) {
    key = 0;
    FDropNextChar = true;
    return;
  }
  if (key == VK_RETURN || (key == VK_TAB && !WantsTab())) FDropNextChar = true;
  KeyDownInplace(key, shift);
}

void TdxInplaceEdit::KeyDownInplace(TKey& key, TShiftState shift) {
  TCustomdxContainer& host = *Host();
  switch (key) {
    case VK_ESCAPE:
      // Escape first gives back the value the editor was shown with, so
      // that nothing is left to validate.
      Undo();
      [[fallthrough]];
    case VK_TAB:
    case VK_RETURN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
    case VK_INSERT:
      ValidateEdit();
      break;
    default:
      break;
  }
  LockValidate();
  struct TUnlock {
    TdxInplaceEdit& Editor;
    ~TUnlock() { Editor.UnlockValidate(); }
  } unlock{*this};

  bool noShift = !shift.Contains(ssShift) && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt);
  switch (key) {
    case VK_TAB:
      if (shift.Contains(ssAlt)) break;
      [[fallthrough]];
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
      host.KeyDown(key, shift);
      key = 0;
      return;
    case VK_INSERT:
      if (noShift) {
        host.KeyDown(key, shift);
        key = 0;
        return;
      }
      if (shift.Contains(ssShift) && !host.CanEditorModify()) key = 0;
      break;
    case VK_F2:
      host.EditorKeyDown(key, shift);
      if (key == VK_F2) EditButtonKey();
      return;
    case VK_DELETE:
      if (!host.CanEditorModify()) key = 0;
      break;
    default:
      break;
  }
  if (key == 0) return;
  host.EditorKeyDown(key, shift);
  if (key != 0 && IsEditKey(key, shift) && !(IsEditable() && CanModify())) key = 0;
  if (key != 0) TFramedControl::KeyDown(key, shift);
}

void TdxInplaceEdit::KeyUp(TKey& key, TShiftState shift) {
  if (TCustomdxContainer* host = Host())
    host->KeyUp(key, shift);
  else
    TFramedControl::KeyUp(key, shift);
}

void TdxInplaceEdit::KeyPress(char& key) {
  TCustomdxContainer* host = Host();
  if (FDropNextChar) {
    FDropNextChar = false;
    key = 0;
    return;
  }
  if (host) {
    if (host->IgnoreEditorKeys()) {
      key = 0;
      return;
    }
    host->KeyPress(key);
  }
  auto code = static_cast<unsigned char>(key);
  if (code >= 32 && !IsValidChar(key)) {
    key = 0;
    MessageBeep(0);
    return;
  }
  if (host && key == '\t' && !WantsTab()) key = 0;
  code = static_cast<unsigned char>(key);
  if ((key == '\t' || code >= 32) && HasTextWindow() && !CanModify()) key = 0;
  if (key == '\x1b') key = 0;
  if (key != 0) TFramedControl::KeyPress(key);
}

void TdxInplaceEdit::DblClick() {
  if (TCustomdxContainer* host = Host())
    host->DblClick();
  else
    TFramedControl::DblClick();
}

// --- Messages ----------------------------------------------------------------------------

void TdxInplaceEdit::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
      // Clipboard changes go through the editor's rights; copying is
      // always allowed.
      if (!CanModify()) return;
      break;
    case WM_IME_COMPOSITION:
      // Text an input method commits is typed text: a text the editor may
      // not change keeps it out.
      if ((message.LParam & GCS_RESULTSTR) && HasTextWindow() && !CanModify()) return;
      break;
    case WM_SETCURSOR:
      if (ControlOf(message.WParam) == this && LoWord(static_cast<std::uintptr_t>(message.LParam)) == HTCLIENT) {
        TPoint p = ScreenToClient(GetMessagePos());
        std::unique_ptr<TdxEditViewData> viewData = CreateViewData(false);
        TCursor cursor = GetCursorAt(p.X, p.Y, *viewData);
        if (cursor != crDefault) {
          SetWindowCursor(cursor);
          message.Result = 1;
          return;
        }
      }
      break;
    default:
      break;
  }
  TFramedControl::WndProc(message);
}

// --- Focus and mouse ---------------------------------------------------------------------

void TdxInplaceEdit::WMSetFocus() {
  if (TCustomdxContainer* host = Host()) host->EditorFocusChanged();
  FocusReceived();
}

void TdxInplaceEdit::FocusReceived() {
  RefreshHotTrack();
  if (RedrawsOnFocus()) Invalidate();
}

void TdxInplaceEdit::WMKillFocus() { FocusLost(); }

void TdxInplaceEdit::FocusLost() {
  RefreshHotTrack();
  if (RedrawsOnFocus()) Invalidate();
  TCustomdxContainer* host = Host();
  if (host && (!Screen || Screen->ActiveControl() != host)) host->EditorFocusChanged();
}

void TdxInplaceEdit::DoEnter() {
  SetActive(true);
  TFramedControl::DoEnter();
}

void TdxInplaceEdit::DoExit() {
  ValidateEdit();
  SetActive(false);
  TFramedControl::DoExit();
}

void TdxInplaceEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomdxContainer* host = Host();
  if (button == mbLeft && host && host->IsImmediateEditor()) {
    // The click that started editing and this one make a double click.
    bool dbl = FClickTime != 0 && GetTickCount() - FClickTime < static_cast<std::uint64_t>(GetDoubleClickTime());
    FClickTime = 0;
    if (dbl) {
      shift.Include(ssDouble);
      DblClick();
    }
  }
  if (!HasTextWindow() && !Focused() && CanFocus()) SetFocus();
  TFramedControl::MouseDown(button, shift, x, y);
}

bool TdxInplaceEdit::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  TCustomdxContainer* host = Host();
  if (!host || HandlesMouseWheel()) return TFramedControl::DoMouseWheel(shift, wheelDelta, mousePos);
  host->Perform(CM_CANCELMODE, 0, static_cast<LPARAM>(ControlParam(this)));
  host->DoMouseWheel(shift, wheelDelta, mousePos);
  TFramedControl::DoMouseWheel(shift, wheelDelta, mousePos);
  // The host has had it; it must not hear it again as the parent.
  return true;
}

void TdxInplaceEdit::MouseEnter() {
  SetHot(true);
  RefreshHotTrack();
  if (OnMouseEnter) OnMouseEnter(this);
}

void TdxInplaceEdit::MouseLeave() {
  SetHot(false);
  RefreshHotTrack();
  if (OnMouseLeave) OnMouseLeave(this);
}

// --- Look ----------------------------------------------------------------------------------

void TdxInplaceEdit::ColorChanged() {
  TFramedControl::ColorChanged();
  StyleChanged();
}

void TdxInplaceEdit::EnabledChanged() {
  TFramedControl::EnabledChanged();
  StyleChanged();
}

void TdxInplaceEdit::FontChanged() {
  TFramedControl::FontChanged();
  UpdateBounds();
}

void TdxInplaceEdit::TextChanged() {
  TFramedControl::TextChanged();
  if (!HasTextWindow()) Invalidate();
}

void TdxInplaceEdit::Resize() {
  TFramedControl::Resize();
  UpdateBounds();
}

void TdxInplaceEdit::StyleChanged() {
  UpdateBounds();
  Invalidate();
  InvalidateFrame();
}

void TdxInplaceEdit::RefreshHotTrack() {
  if (ComponentState().Contains(TComponentStateItem::csDestroying) || !FStyle) return;
  if (FStyle->HotTrack() || FStyle->ButtonTransparence() != ebtNone) UpdateBounds();
}

std::unique_ptr<TdxEditViewData> TdxInplaceEdit::CreateViewData(bool isPaintCopy) {
  std::unique_ptr<TdxEditViewData> vd = NewViewData();
  vd->Enabled = Enabled();
  vd->Focused = IsFocused();
  vd->Hot = IsHot();
  vd->BorderColor = FStyle->BorderColor();
  vd->BorderStyle = FStyle->BorderStyle();
  if (vd->Hot && FStyle->HotTrack()) {
    switch (vd->BorderStyle) {
      case xbsNone:
        vd->BorderStyle = xbsFlat;
        break;
      case xbsSingle:
        vd->BorderStyle = xbsThick;
        break;
      case xbsFlat:
        vd->BorderStyle = xbs3D;
        break;
      default:
        break;
    }
  }
  vd->ButtonStyle = FStyle->ButtonStyle();
  if (vd->ButtonStyle == btsDefault) {
    switch (vd->BorderStyle) {
      case xbsNone:
        vd->ButtonStyle = btsSimple;
        break;
      case xbsSingle:
        vd->ButtonStyle = btsHotFlat;
        break;
      case xbsFlat:
        vd->ButtonStyle = btsFlat;
        break;
      default:
        vd->ButtonStyle = bts3D;
        break;
    }
  }
  TdxEditButtonTransparence t = FStyle->ButtonTransparence();
  vd->ButtonTransparent = t == ebtAlways || (t == ebtInactive && !vd->Hot);
  vd->Edges = FStyle->Edges();
  vd->Shadow = FStyle->Shadow();
  vd->Transparent = FTransparent && !vd->Focused;
  vd->Bounds = Rect(0, 0, Width(), Height());
  vd->OffsetRect = FOffsetRect;
  vd->DrawAlignment = daSingleLine;
  vd->Font = &Font();
  if (vd->Enabled) {
    vd->BrushColor = Color();
    vd->BkColor = ColorToRGB(Color());
    vd->TextColor = ColorToRGB(Font().Color());
  } else {
    vd->BrushColor = clBtnFace;
    vd->BkColor = GetSysColor(COLOR_BTNFACE);
    vd->TextColor = GetSysColor(COLOR_BTNSHADOW);
  }
  vd->Alignment = Alignment();
  vd->HasTextWindow = HasTextWindow();
  vd->Value = GetEditValue(isPaintCopy);
  vd->Cursor = Cursor();
  return vd;
}
