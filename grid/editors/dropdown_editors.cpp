// TdxInplaceDropDownEdit: the buttons, opening and closing the pop-up, and
// the keys and mouse while it is open.

#include "grid/editors/dropdown_editors.h"

#include <algorithm>

#include "framework/gui/application/application.h"
#include "framework/gui/application/screen.h"
#include "grid/editors/editor_host.h"
#include "grid/support/draw_helpers.h"

TdxInplaceDropDownEdit::TdxInplaceDropDownEdit(TComponent* owner) : TdxInplaceMaskEdit(owner) { Construct(); }

TdxInplaceDropDownEdit::TdxInplaceDropDownEdit(TComponent* owner, TFramedClient client)
    : TdxInplaceMaskEdit(owner, client) {
  Construct();
}

void TdxInplaceDropDownEdit::Construct() {
  // The buttons take their strip off the client area.
  UpdateBounds();
}

TdxInplaceDropDownEdit::~TdxInplaceDropDownEdit() {
  if (FActiveList == nullptr) return;
  if (auto* popup = dynamic_cast<TCustomdxPopupListBox*>(FActiveList)) popup->OnPopupMouseUp = nullptr;
  // A list the editor only showed stays behind; it must not stay on the
  // screen, with nothing left to close it.
  if (FActiveList->Owner() != this) {
    FActiveList->SetVisible(false);
    if (FActiveList->Parent() == this) FActiveList->SetParent(nullptr);
  }
  RemoveFreeNotification(FActiveList);
  FActiveList = nullptr;
}

// --- Properties -----------------------------------------------------------------------------

void TdxInplaceDropDownEdit::SetDropDownRows(int value) { FDropDownRows = std::max(1, value); }

void TdxInplaceDropDownEdit::SetDropDownWidth(int value) { FDropDownWidth = std::max(0, value); }

void TdxInplaceDropDownEdit::SetButtonGlyph(const TBitmap& glyph) {
  FButtonGlyph.Assign(&glyph);
  StyleChanged();
}

void TdxInplaceDropDownEdit::SetPopupBorder(std::uint8_t value) {
  if (value <= pbsFlat) FPopupBorder = value;
}

TdxPopupBorderStyle TdxInplaceDropDownEdit::GetPopupBorderStyle() {
  if (FPopupBorder != 0) return static_cast<TdxPopupBorderStyle>(FPopupBorder);
  TdxEditBorderStyle border = Style().BorderStyle();
  if (TCustomdxContainer* host = Host()) {
    switch (host->GetPopupBorderStyle(border)) {
      case xbsSingle:
        return pbsSingle;
      case xbsFlat:
        return pbsFlat;
      default:
        return pbsThick;
    }
  }
  switch (border) {
    case xbsSingle:
    case xbs3D:
      return pbsSingle;
    case xbsFlat:
      return pbsFlat;
    default:
      return pbsThick;
  }
}

bool TdxInplaceDropDownEdit::PopupOpen() const {
  return FActiveList != nullptr && FActiveList->Visible() && (FActiveList->Focused() || FRouteKeys);
}

void TdxInplaceDropDownEdit::SetDroppedDown(bool value) {
  if (value == PopupOpen()) return;
  if (value)
    PostMessage(*this, DXM_DROPDOWN);
  else
    CloseUp(false);
}

void TdxInplaceDropDownEdit::SetActiveList(TWinControl* list) {
  if (list == FActiveList) return;
  if (FActiveList != nullptr) {
    if (auto* popup = dynamic_cast<TCustomdxPopupListBox*>(FActiveList)) popup->OnPopupMouseUp = nullptr;
    RemoveFreeNotification(FActiveList);
  }
  FActiveList = list;
  if (list == nullptr) return;
  FreeNotification(list);
  if (auto* popup = dynamic_cast<TCustomdxPopupListBox*>(list))
    popup->OnPopupMouseUp = TdxPopupMouseUpEvent(this, &TdxInplaceDropDownEdit::PopupMouseUp);
}

void TdxInplaceDropDownEdit::Notification(TComponent* component, TOperation operation) {
  TdxInplaceMaskEdit::Notification(component, operation);
  if (operation == opRemove && component == FActiveList) {
    FActiveList = nullptr;
    FListVisible = false;
  }
}

// --- Opening and closing ----------------------------------------------------------------------

void TdxInplaceDropDownEdit::ShowPopup(TWinControl& popup) {
  popup.SetVisible(true);
  // Told, not given: the editor keeps the keyboard.
  popup.Perform(WM_SETFOCUS, ControlParam(this));
  FListVisible = true;
  InvalidateFrame();
  Invalidate();
}

bool TdxInplaceDropDownEdit::HidePopup() {
  if (FActiveList == nullptr || !FActiveList->Visible()) {
    FListVisible = false;
    return false;
  }
  if (TWinControl* capture = GetCapture(); capture != nullptr && capture != this) capture->Perform(WM_CANCELMODE);
  if (Shown() && CanFocus() && !Focused() && Application != nullptr && Application->Active()) SetFocus();
  FActiveList->Perform(WM_KILLFOCUS);
  FActiveList->SetVisible(false);
  FListVisible = false;
  InvalidateFrame();
  Invalidate();
  return true;
}

void TdxInplaceDropDownEdit::DoCloseUp(Variant& value, bool& accept) {
  if (OnCloseUp) OnCloseUp(this, value, accept);
}

void TdxInplaceDropDownEdit::EditButtonClick() {
  std::weak_ptr<char> life = LifeToken();
  if (OnEditButtonClick) OnEditButtonClick(this);
  if (!life.expired() && OnDropDown) OnDropDown(this);
}

void TdxInplaceDropDownEdit::PositionPopup(TControl& popup, bool adjustWidth) {
  std::unique_ptr<TdxEditViewData> vd = CreateViewData(false);
  TdxEditBorderGeometry g;
  TdxInplaceMaskEdit::CalcGeometry(*vd, false, g);
  auto* list = dynamic_cast<TCustomdxPopupListBox*>(&popup);
  int width = g.BorderRect.Width() + (list != nullptr && list->Shadow() ? 2 : 0);
  if (adjustWidth) width = std::max(width, popup.Width());
  else width = popup.Width();
  const TRect insets = FrameInsets();
  const TPoint window = ClientToScreen(Point(-insets.Left, -insets.Top));
  TPoint origin;
  switch (FPopupAlignment) {
    case paRight:
      origin.X = window.X + g.BorderRect.Right - width;
      break;
    case paCenter:
      origin.X = window.X + g.BorderRect.Left + (g.BorderRect.Width() - width) / 2;
      break;
    default:
      origin.X = window.X + g.BorderRect.Left;
      break;
  }
  origin.Y = window.Y + Height();
  const TdxEditBorderStyle border = vd->BorderStyle;
  if (border == xbsNone || border == xbsSingle) --origin.Y;
  if (border == xbsNone && !IsInplace()) --origin.Y;
  FitPopupToWorkArea(origin, width, popup.Height(), Height());
  popup.SetBounds(origin.X, origin.Y, width, popup.Height());
}

void TdxInplaceDropDownEdit::FirstShown() {
  TdxInplaceMaskEdit::FirstShown();
  if (FImmediatePopup) SetDroppedDown(true);
}

void TdxInplaceDropDownEdit::Show() {
  FListVisible = false;
  TdxInplaceMaskEdit::Show();
}

void TdxInplaceDropDownEdit::Hide() {
  // Closed at once rather than by a posted close: the editor may be on
  // its way out, and its list must not stay on the screen after it.
  if (FActiveList != nullptr && FActiveList->Visible()) {
    FActiveList->Perform(WM_KILLFOCUS);
    FActiveList->Perform(WM_CLOSE);
  }
  FListVisible = false;
  ReleasePress();
  TdxInplaceMaskEdit::Hide();
}

bool TdxInplaceDropDownEdit::IsFocused() {
  return TdxInplaceMaskEdit::IsFocused() || (FListVisible && FActiveList != nullptr && FActiveList->Focused());
}

void TdxInplaceDropDownEdit::SetHot(bool value) {
  if (!value) SetActiveButton(-1);
  TdxInplaceMaskEdit::SetHot(value);
}

void TdxInplaceDropDownEdit::ShownByUser() {
  if (FClickOpens && !PopupOpen()) DropDown();
}

void TdxInplaceDropDownEdit::MouseClickAt(int x, int y) {
  TCustomdxContainer* host = Host();
  if (host == nullptr) return;
  const TPoint screen = host->ClientToScreen(Point(x, y));
  ReleaseCapture();
  const LRESULT code = Perform(WM_NCHITTEST, 0, PointParam(screen));
  if (code == HTBORDER) Perform(WM_NCLBUTTONDOWN, static_cast<WPARAM>(code), PointParam(screen));
}

// --- Buttons ----------------------------------------------------------------------------------

void TdxInplaceDropDownEdit::CalcButtons(TdxDropDownEditViewData& vd) {
  vd.Buttons.clear();
  if (vd.HideButtons) return;
  TdxDropDownEditViewData::TButton button;
  button.Kind = vd.Glyph != nullptr ? bkGlyph : bkArrow;
  vd.Buttons.push_back(button);
  vd.Buttons.back().Width = GetButtonWidth(vd, 0);
}

int TdxInplaceDropDownEdit::GetButtonWidth(const TdxDropDownEditViewData& vd, int button) {
  const bool flat = vd.ButtonStyle == btsFlat || vd.ButtonStyle == btsSimple;
  if (vd.Glyph != nullptr) return vd.Glyph->Width() + 2 + (flat ? 1 : 0) + (vd.ButtonStyle == bts3D ? 2 : 0);
  return GetScrollBarExtent() - (flat ? 1 : 0);
}

std::unique_ptr<TdxEditViewData> TdxInplaceDropDownEdit::CreateViewData(bool isPaintCopy) {
  std::unique_ptr<TdxEditViewData> vd = TdxInplaceMaskEdit::CreateViewData(isPaintCopy);
  if (auto* dd = dynamic_cast<TdxDropDownEditViewData*>(vd.get())) {
    dd->Glyph = FButtonGlyph.Width() > 0 && FButtonGlyph.Height() > 0 ? &FButtonGlyph : nullptr;
    dd->HideButtons = Style().ButtonTransparence() == ebtHideInactive && !dd->Hot;
    dd->ActiveButton = FActiveButton;
    dd->PressedButton = FPressedButton;
    CalcButtons(*dd);
  }
  return vd;
}

namespace {

// Takes the buttons' strips off inner, from the border inwards.
std::vector<TRect> LayButtons(const TdxDropDownEditViewData& vd, TRect& inner) {
  std::vector<TRect> rects;
  for (const TdxDropDownEditViewData::TButton& button : vd.Buttons) {
    const int width = std::min(button.Width, std::max(0, inner.Width()));
    if (button.Right) {
      rects.push_back(Rect(inner.Right - width, inner.Top, inner.Right, inner.Bottom));
      inner.Right -= width;
    } else {
      rects.push_back(Rect(inner.Left, inner.Top, inner.Left + width, inner.Bottom));
      inner.Left += width;
    }
  }
  return rects;
}

}  // namespace

void TdxInplaceDropDownEdit::CalcGeometry(const TdxEditViewData& vd, bool autoSize, TdxEditBorderGeometry& g) {
  TdxInplaceMaskEdit::CalcGeometry(vd, autoSize, g);
  if (const auto* dd = dynamic_cast<const TdxDropDownEditViewData*>(&vd)) LayButtons(*dd, g.InnerRect);
}

std::vector<TRect> TdxInplaceDropDownEdit::ButtonRects() {
  std::unique_ptr<TdxEditViewData> vd = CreateViewData(false);
  TdxEditBorderGeometry g;
  TdxInplaceMaskEdit::CalcGeometry(*vd, false, g);
  const auto* dd = dynamic_cast<const TdxDropDownEditViewData*>(vd.get());
  return dd != nullptr ? LayButtons(*dd, g.InnerRect) : std::vector<TRect>();
}

int TdxInplaceDropDownEdit::ButtonAt(TPoint windowPoint) {
  std::vector<TRect> rects = ButtonRects();
  for (std::size_t i = 0; i < rects.size(); ++i)
    if (rects[i].Contains(windowPoint)) return static_cast<int>(i);
  return -1;
}

TPoint TdxInplaceDropDownEdit::WindowPointOf(TPoint screen) const {
  const TPoint client = ScreenToClient(screen);
  const TRect insets = FrameInsets();
  return Point(client.X + insets.Left, client.Y + insets.Top);
}

void TdxInplaceDropDownEdit::SetActiveButton(int button) {
  if (button == FActiveButton) return;
  FActiveButton = button;
  InvalidateFrame();
}

void TdxInplaceDropDownEdit::ReleasePress() {
  if (FPressedButton < 0) return;
  FPressedButton = -1;
  if (MouseCapture()) ReleaseCapture();
  InvalidateFrame();
}

void TdxInplaceDropDownEdit::ButtonDown(bool byMouseInClient, int button) {
  if (PopupOpen()) {
    CloseUp(false);
    return;
  }
  FPressedButton = FActiveButton;
  if (!byMouseInClient) SetCapture(*this);
  InvalidateFrame();
  if (button != -1) SetDroppedDown(true);
}

void TdxInplaceDropDownEdit::PopupMouseUp(TObject* /*sender*/, bool inside) { CloseUp(inside); }

// --- Keys --------------------------------------------------------------------------------------

unsigned TdxInplaceDropDownEdit::GetDlgCode() const {
  unsigned code = TdxInplaceMaskEdit::GetDlgCode();
  if (PopupOpen()) code |= DLGC_WANTALLKEYS;
  return code;
}

void TdxInplaceDropDownEdit::PopupKeyDown(TKey& key, TShiftState shift) {
  const bool alt = shift.Contains(ssAlt);
  if ((alt && (key == VK_DOWN || key == VK_UP)) || (key == VK_F4 && !alt)) {
    if (PopupOpen())
      CloseUp(true);
    else
      DropDown();
    key = 0;
    return;
  }
  if (!alt && (key == VK_RETURN || key == VK_ESCAPE) && PopupOpen()) {
    const bool accept = key == VK_RETURN;
    key = 0;
    // The key's character (Enter's, Escape's) is not typed afterwards.
    FDropChar = true;
    CloseUp(accept);
  }
}

bool TdxInplaceDropDownEdit::RouteToPopup(TMessage& message) {
  TWinControl& list = *FActiveList;
  switch (message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      const auto key = static_cast<TKey>(message.WParam);
      const TShiftState shift = KeyDataToShiftState(message.LParam);
      // Alt+F4 is the form's.
      if (key == VK_F4 && shift.Contains(ssAlt)) return false;
      const bool caret = key == VK_LEFT || key == VK_RIGHT || key == VK_HOME || key == VK_END;
      if (caret && HasTextWindow()) return false;
      if (SearchesWhileOpen() && (key == VK_BACK || key == VK_DELETE)) return false;
      list.Perform(message.Msg, message.WParam, message.LParam);
      return true;
    }
    case WM_CHAR:
    case WM_SYSCHAR:
      if (SearchesWhileOpen()) return false;
      list.Perform(message.Msg, message.WParam, message.LParam);
      return true;
    default:
      return false;
  }
}

// --- Messages ---------------------------------------------------------------------------------

void TdxInplaceDropDownEdit::WndProc(TMessage& message) {
  std::weak_ptr<char> life = LifeToken();
  switch (message.Msg) {
    case DXM_DROPDOWN:
      if (!PopupOpen()) DropDown();
      return;
    case DXM_CLOSEDUP:
      FListVisible = false;
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (FRouteKeys) {
        auto key = static_cast<TKey>(message.WParam);
        PopupKeyDown(key, KeyDataToShiftState(message.LParam));
        if (life.expired()) return;
        message.WParam = key;
        if (key == 0) return;
        if (PopupOpen() && RouteToPopup(message)) return;
      }
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (FRouteKeys && PopupOpen() && RouteToPopup(message)) return;
      break;
    case WM_CHAR:
    case WM_SYSCHAR:
      if (FDropChar) {
        FDropChar = false;
        return;
      }
      if (FRouteKeys && PopupOpen()) {
        if (RouteToPopup(message)) return;
        // The editor's own text changes; the pop-up follows it.
        TdxInplaceMaskEdit::WndProc(message);
        if (!life.expired()) SearchText(GetEditText());
        return;
      }
      break;
    case WM_NCHITTEST: {
      // Over a button the frame answers as a border (the button takes the
      // press); none is hot while another is held.
      const int button = ButtonAt(WindowPointOf(PointOf(message.LParam)));
      if (button >= 0) {
        SetActiveButton(FPressedButton >= 0 && FPressedButton != button ? -1 : button);
        message.Result = HTBORDER;
        return;
      }
      SetActiveButton(-1);
      break;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (FActiveButton >= 0) {
        ButtonDown(false, FActiveButton);
        if (life.expired()) return;
        if (!Focused() && CanFocus()) SetFocus();
        return;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (FClickOpens) {
        TdxInplaceMaskEdit::WndProc(message);
        if (!life.expired()) ButtonDown(true, 0);
        return;
      }
      break;
    case WM_MOUSEMOVE: {
      const TShiftState shift = MouseKeysToShiftState(message.WParam);
      const bool dragging = FPressedButton >= 0 || (FClickOpens && shift.Contains(ssLeft));
      if (dragging && PopupOpen()) {
        const TPoint screen = ClientToScreen(PointOf(message.LParam));
        TWinControl& list = *FActiveList;
        const TPoint at = list.ScreenToClient(screen);
        if (list.ClientRect().Contains(at)) {
          // Dragging from the button into the list chooses in the list.
          ReleasePress();
          list.Perform(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(at));
          return;
        }
      }
      break;
    }
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP: {
      const int pressed = FPressedButton;
      if (pressed < 0) break;
      const TPoint screen = message.Msg == WM_LBUTTONUP ? ClientToScreen(PointOf(message.LParam))
                                                        : PointOf(message.LParam);
      const bool over = ButtonAt(WindowPointOf(screen)) == pressed;
      ReleasePress();
      if (over) ButtonClick(pressed);
      if (life.expired()) return;
      break;
    }
    case WM_CANCELMODE:
      ReleasePress();
      break;
    case WM_CAPTURECHANGED:
      if (FPressedButton >= 0) {
        FPressedButton = -1;
        InvalidateFrame();
      }
      break;
    case WM_KILLFOCUS:
      CloseUp(false);
      if (life.expired()) return;
      break;
    case CM_CANCELMODE: {
      const TControl* sender = ControlOf(static_cast<std::uintptr_t>(message.LParam));
      if (sender != this && sender != FActiveList) CloseUp(false);
      if (life.expired()) return;
      break;
    }
    case WM_MOUSEWHEEL:
      if (PopupOpen()) {
        const int delta = HiWordSigned(message.WParam);
        FActiveList->Perform(WM_VSCROLL, ScrollParam(delta < 0 ? SB_LINEDOWN : SB_LINEUP, 0));
      } else {
        StepValue(HiWordSigned(message.WParam) < 0 ? 1 : -1);
      }
      message.Result = 1;
      return;
    default:
      break;
  }
  TdxInplaceMaskEdit::WndProc(message);
}

// --- Painting the buttons ---------------------------------------------------------------------

void TdxInplaceDropDownEdit::DrawBorder(TCanvas& canvas, TdxEditBorderGeometry& g, const TdxEditViewData& vd) {
  TdxInplaceMaskEdit::DrawBorder(canvas, g, vd);
  const auto* dd = dynamic_cast<const TdxDropDownEditViewData*>(&vd);
  if (dd == nullptr || dd->Buttons.empty()) return;
  TdxEditBorderGeometry base;
  TdxInplaceMaskEdit::CalcGeometry(vd, false, base);
  base.Bounds = g.Bounds;
  std::vector<TRect> faces = LayButtons(*dd, base.InnerRect);
  for (std::size_t i = 0; i < faces.size(); ++i) DrawButton(canvas, faces[i], static_cast<int>(i), *dd);
}

void TdxInplaceDropDownEdit::DrawButton(TCanvas& canvas, const TRect& faceRect, int index,
                                         const TdxDropDownEditViewData& vd) {
  TCanvasStateScope state(canvas);
  TRect face = faceRect;
  const bool active = vd.ActiveButton == index;
  const bool pressed = active && vd.PressedButton == index;
  const bool glyph = vd.Buttons[static_cast<std::size_t>(index)].Kind == bkGlyph && vd.Glyph != nullptr;
  const bool transparent = vd.ButtonTransparent && !glyph;
  TdxEditButtonViewStyle style = vd.ButtonStyle;
  if (style == btsSimple && (active || pressed)) style = btsFlat;
  const TColor background = transparent ? vd.BrushColor : clBtnFace;
  auto fill = [&](const TRect& r, TColor color) {
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(color);
    canvas.FillRect(r);
  };
  TColor arrow = clBtnText;
  int shiftBy = 0;
  switch (style) {
    case btsFlat:
      fill(face, background);
      if (!transparent) {
        fill(Rect(face.Left, face.Top, face.Left + 1, face.Bottom), clBtnFace);
        ++face.Left;
      }
      canvas.DrawEdge(face, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
      shiftBy = pressed ? 1 : 0;
      break;
    case btsSimple:
      if (!transparent) {
        canvas.Brush().SetColor(vd.BrushColor);
        canvas.FrameRect(face);
        InflateRect(face, -1, -1);
      }
      fill(face, background);
      break;
    case btsHotFlat: {
      canvas.Brush().SetColor(clBtnShadow);
      canvas.FrameRect(face);
      InflateRect(face, -1, -1);
      TColor faceColor = transparent ? vd.BrushColor : clBtnFace;
      if (vd.Enabled && pressed) faceColor = clBtnText;
      else if (vd.Enabled && active) faceColor = clBtnShadow;
      fill(face, faceColor);
      if ((pressed || active) && !transparent) arrow = clWindow;
      else if (active && !pressed && transparent) arrow = clBtnShadow;
      break;
    }
    default:  // bts3D
      fill(face, background);
      if (pressed) {
        canvas.DrawEdge(face, BDR_RAISEDINNER, BF_RECT);
        canvas.DrawEdge(face, BDR_SUNKENOUTER, BF_LEFT | BF_TOP);
        shiftBy = glyph ? 2 : 1;
      } else {
        canvas.DrawEdge(face, EDGE_RAISED, BF_RECT);
      }
      break;
  }
  if (glyph) {
    const TBitmap& bitmap = *vd.Glyph;
    const int x = face.Left + (face.Width() - bitmap.Width()) / 2 + shiftBy;
    const int y = face.Top + (face.Height() - bitmap.Height()) / 2 + shiftBy;
    TBrush brush;
    brush.SetColor(style == btsHotFlat ? canvas.Brush().Color() : background);
    FillAndDrawBitmapMask(canvas, brush, face, bitmap, Rect(x, y, x + bitmap.Width(), y + bitmap.Height()));
    return;
  }
  // A downward triangle whose base is half the face, made odd.
  int base = std::max(1, face.Width() / 2);
  if (base % 2 == 0) --base;
  const int height = (base + 1) / 2;
  const int left = face.Left + (face.Width() - base) / 2 + shiftBy;
  const int top = face.Top + (face.Height() - height) / 2 + shiftBy;
  auto triangle = [&](int dx, int dy, TColor color) {
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(color);
    canvas.Pen().SetColor(color);
    canvas.Polygon({Point(left + dx, top + dy), Point(left + dx + base - 1, top + dy),
                    Point(left + dx + base / 2, top + dy + height - 1)});
  };
  if (!vd.Enabled) {
    triangle(1, 1, clBtnHighlight);
    triangle(0, 0, clBtnShadow);
  } else {
    triangle(0, 0, arrow);
  }
}
