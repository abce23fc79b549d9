#include "grid/editors/mask_editor.h"

#include "framework/gui/application/clipboard.h"
#include "framework/gui/controls/keys.h"
#include "framework/gui/application/screen.h"

TdxInplaceMaskEdit::TdxInplaceMaskEdit(TComponent* owner) : TdxInplaceTextEdit(owner) {}

TdxInplaceMaskEdit::TdxInplaceMaskEdit(TComponent* owner, TFramedClient client) : TdxInplaceTextEdit(owner, client) {}

// --- Value and mask ----------------------------------------------------------------------

std::string TdxInplaceMaskEdit::GetText() { return HasMask() ? FMask.ValueOf(EditText()) : EditText(); }

void TdxInplaceMaskEdit::SetText(const std::string& value) {
  if (!HasMask()) {
    TdxInplaceTextEdit::SetText(value);
    return;
  }
  const std::string text = FMask.EditTextOf(value);
  if (text != EditText()) TdxInplaceTextEdit::SetText(text);
}

std::string TdxInplaceMaskEdit::GetEditText() {
  if (FIgnoreMaskBlank) return EditText();
  if (!HasMask()) return TdxInplaceTextEdit::GetEditText();
  return EditText() != FMask.EmptyText() ? GetText() : std::string();
}

void TdxInplaceMaskEdit::GetSel(int& start, int& stop) {
  start = stop = 0;
  if (HasTextWindow()) GetTextSelection(start, stop);
}

void TdxInplaceMaskEdit::SetEditMask(const std::string& value) {
  SetStoredValues(StoredValues() | dxStoredEditMask);
  if (value == FMask.Mask()) return;
  const bool designing = ComponentState().Contains(TComponentStateItem::csDesigning) &&
                         !ComponentState().Contains(TComponentStateItem::csLoading);
  if (designing && !value.empty()) TdxInplaceTextEdit::SetText(std::string());
  int start = 0, stop = 0;
  GetSel(start, stop);
  // Only the input characters cross over: the new mask has its own literals.
  const std::string text = HasMask() ? FMask.ValueOf(EditText(), false) : EditText();
  FMask = TEditMask(value);
  // The limit goes first so that the re-laid text is not cut by the old one.
  SetTextLimit(0);
  TdxInplaceTextEdit::SetText(HasMask() ? FMask.EditTextOf(text) : text);
  SetTextLimit(HasMask() ? MaxChars() : MaxLength());
  if (Focused() && !designing) PlaceCaret(start);
}

// --- Caret ----------------------------------------------------------------------------------

int TdxInplaceMaskEdit::CaretPos() {
  int start = 0, stop = 0;
  GetTextSelection(start, stop);
  return start;
}

void TdxInplaceMaskEdit::PlaceCaret(int pos) {
  if (pos < 0) pos = 0;
  FCaret = FMask.NextInput(pos > MaxChars() ? MaxChars() : pos);
  if (FCaret < MaxChars())
    SetTextSelection(FCaret, FCaret + 1);
  else
    SetTextSelection(MaxChars(), MaxChars());
}

void TdxInplaceMaskEdit::ReplaceText(const std::string& editText, int caret) {
  // Through the text window, so that the change is the user's: it can be
  // undone and marks the editor modified.
  const std::string old = EditText();
  int first = 0;
  while (first < static_cast<int>(old.size()) && first < static_cast<int>(editText.size()) &&
         old[static_cast<size_t>(first)] == editText[static_cast<size_t>(first)])
    ++first;
  int last = static_cast<int>(editText.size());
  int oldLast = static_cast<int>(old.size());
  while (last > first && oldLast > first &&
         old[static_cast<size_t>(oldLast - 1)] == editText[static_cast<size_t>(last - 1)]) {
    --last;
    --oldLast;
  }
  if (first < last || first < oldLast) {
    SetTextSelection(first, oldLast);
    InsertText(editText.substr(static_cast<size_t>(first), static_cast<size_t>(last - first)));
  }
  PlaceCaret(caret);
}

void TdxInplaceMaskEdit::DeleteSelection(bool backspace) {
  if (!IsEditable()) return;
  int start = 0, stop = 0;
  GetTextSelection(start, stop);
  if (stop - start <= 1) {
    if (backspace) {
      const int previous = FMask.PreviousInput(start);
      if (previous >= start) return;  // nothing before the first input position
      start = previous;
    }
    if (start >= MaxChars()) return;
    stop = start + 1;
  }
  const bool single = stop - start == 1;
  ReplaceText(FMask.Blanked(EditText(), start, stop), single ? start : FMask.NextInput(start));
}

// --- Keys and mouse ----------------------------------------------------------------------

void TdxInplaceMaskEdit::WndProc(TMessage& message) {
  if (HasMask()) {
    switch (message.Msg) {
      case CM_WANTSPECIALKEY:
        // Escape undoes a masked edit instead of cancelling the dialog.
        if (message.WParam == VK_ESCAPE && GetModified()) {
          message.Result = 1;
          return;
        }
        break;
      case WM_CUT:
        if (CanModify()) {
          CopyText();
          DeleteSelection(false);
        }
        return;
      case WM_PASTE:
        PasteMasked();
        return;
      case WM_CLEAR:
        if (CanModify()) DeleteSelection(false);
        return;
      default:
        break;
    }
  }
  TdxInplaceTextEdit::WndProc(message);
}

void TdxInplaceMaskEdit::KeyDown(TKey& key, TShiftState shift) {
  // The selection the key acts on: the host's handling of the key may move
  // it (Shift+Insert).
  int start = 0, stop = 0;
  GetTextSelection(start, stop);
  TdxInplaceTextEdit::KeyDown(key, shift);
  if (!HasMask() || key == 0 || shift.Contains(ssAlt)) return;
  const bool ctrl = shift.Contains(ssCtrl);
  const bool shifted = shift.Contains(ssShift);
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
      if (ctrl || shifted) return;  // the text window moves and selects
      if (stop - start >= 2)
        PlaceCaret(FCaret);
      else if (key == VK_LEFT)
        PlaceCaret(FMask.PreviousInput(start));
      else if (FMask.NextInput(start + 1) < MaxChars())
        PlaceCaret(FMask.NextInput(start + 1));
      key = 0;
      return;
    case VK_UP:
    case VK_DOWN: key = 0; return;
    case VK_HOME:
    case VK_END: {
      const int to = key == VK_HOME ? 0 : MaxChars();
      if (shifted)
        SetTextSelection(key == VK_HOME ? stop : start, to);
      else if (key == VK_HOME)
        PlaceCaret(0);
      else
        SetTextSelection(to, to);
      key = 0;
      return;
    }
    case VK_DELETE:
      if (shifted && !ctrl) {
        key = 0;
        CopyText();
        if (CanModify()) DeleteSelection(false);
        return;
      }
      if (ctrl) return;
      [[fallthrough]];
    case VK_BACK:
      if (CanModify()) DeleteSelection(key == VK_BACK);
      key = 0;
      return;
    case 'A':
      if (ctrl) {
        SelectAll();
        key = 0;  // its character is swallowed in KeyPress
        return;
      }
      break;
    case 'V':
    case VK_INSERT:
      // The text window's own paste and cut would bypass the mask.
      if ((key == 'V' && ctrl) || (key == VK_INSERT && shifted)) {
        key = 0;
        SetTextSelection(start, stop);
        PasteMasked();
        return;
      }
      break;
    case 'X':
      if (ctrl) {
        key = 0;
        CopyText();
        if (CanModify()) DeleteSelection(false);
        return;
      }
      break;
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_CAPITAL:
      return;  // a modifier on its own keeps the selection it will act on
    default: break;
  }
  if (!ctrl) PlaceCaret(start);
}

void TdxInplaceMaskEdit::PasteMasked() {
  if (!IsEditable() || !CanModify()) return;
  int start = 0, stop = 0;
  GetTextSelection(start, stop);
  std::string text = FMask.Blanked(EditText(), start, stop);
  int pos = FMask.NextInput(start);
  // What does not fit the remaining input positions is cut off; a
  // character a position refuses is dropped, a literal typed where it
  // stands is stepped over.
  for (const char c : Clipboard().AsText()) {
    if (pos >= MaxChars()) break;
    if (const char accepted = FMask.Accept(pos, c)) {
      text[static_cast<size_t>(pos)] = accepted;
      pos = FMask.NextInput(pos + 1);
    } else if (pos > 0 && !FMask.IsInput(pos - 1) && FMask.Position(pos - 1).Literal == c) {
      continue;  // the literal the caret has just passed
    } else if (const int past = FMask.SkipToLiteral(pos, c); past >= 0) {
      pos = FMask.NextInput(past);
    }
  }
  ReplaceText(text, pos);
  SetModified(true);
  ValidateEdit();
}

void TdxInplaceMaskEdit::KeyPress(char& key) {
  TdxInplaceTextEdit::KeyPress(key);
  if (!HasMask() || key == 0) return;
  const char ch = key;
  if (ch == 3 || ch == 22 || ch == 24) return;  // copy, paste and cut
  key = 0;
  if (ch == 27) {
    Undo();
    return;
  }
  if (ch == '\r') {
    if (!IsInplace()) ValidateEdit();
    return;
  }
  if (static_cast<unsigned char>(ch) < 32 || !CanModify() || !IsEditable()) return;
  int start = 0, stop = 0;
  GetTextSelection(start, stop);
  if (stop - start > 1) {
    DeleteSelection(false);
    start = FMask.NextInput(start);
    PlaceCaret(start);
  }
  const int pos = FMask.NextInput(start);
  const char accepted = FMask.Accept(pos, ch);
  if (pos < MaxChars() && accepted) {
    std::string text = EditText();
    text.resize(static_cast<size_t>(MaxChars()), MaskBlank());
    text[static_cast<size_t>(pos)] = accepted;
    ReplaceText(text, FMask.NextInput(pos + 1));
    return;
  }
  const int past = FMask.SkipToLiteral(pos, ch);
  if (past >= 0)
    PlaceCaret(past);
  else
    MessageBeep(0);
}

void TdxInplaceMaskEdit::DoEnter() {
  if (!HasMask()) {
    TdxInplaceTextEdit::DoEnter();
    return;
  }
  // After a refused validation the caret stays on the gap it was put on.
  if (FReentering)
    TdxInplaceEdit::DoEnter();
  else
    TdxInplaceTextEdit::DoEnter();
  PlaceCaret(FReentering ? FCaret : CaretPos());
  FReentering = false;
}

void TdxInplaceMaskEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TdxInplaceTextEdit::MouseDown(button, shift, x, y);
  if (HasMask()) PlaceCaret(CaretPos());
}

void TdxInplaceMaskEdit::TextWindowChanged() {
  TdxInplaceTextEdit::TextWindowChanged();
  const std::string text = EditText();
  if (!HasMask() || static_cast<int>(text.size()) == MaxChars()) return;
  // Something other than the mask's own typing changed the length: the
  // edit text must still be one the mask allows.
  TdxInplaceTextEdit::SetText(FMask.Normalized(text));
  SetModified(true);
}

// --- Validation ----------------------------------------------------------------------------

void TdxInplaceMaskEdit::ValidateEdit() {
  if (HasMask() && GetModified()) {
    const int gap = FMask.FirstInvalid(EditText(), FIgnoreMaskBlank);
    if (gap >= 0) {
      if (FClosing) {
        Undo();
        return;
      }
      if (!ComponentState().Contains(TComponentStateItem::csDesigning)) FReentering = true;
      if (Shown() && CanFocus() && !Focused()) SetFocus();
      PlaceCaret(gap);
      MessageBeep(0);
      RaiseInvalidMaskInput();
    }
    PlaceCaret(CaretPos());
  }
  TdxInplaceTextEdit::ValidateEdit();
}
