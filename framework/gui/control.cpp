#include "framework/gui/control.h"

#include <algorithm>

#include "framework/core/base/exceptions.h"
#include "framework/gui/menus.h"
#include "framework/gui/win_control.h"

TControl::TControl(TComponent* owner) : TComponent(owner) {
  FFont.OnChange = [this](TObject*) { FontPropertyChanged(); };
}

TControl::~TControl() {
  DetachHooks();
  // The parent may already be tearing itself down; it then skips realigning.
  if (FParent) FParent->RemoveControl(this);
  FParent = nullptr;
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  if (parent) {
    auto* self = dynamic_cast<TWinControl*>(this);
    if (static_cast<TControl*>(parent) == this || (self && self->ContainsControl(parent)))
      throw EInvalidOperation("Control '" + Name() + "' cannot have itself or a child as its parent");
  }
  if (FParent) FParent->RemoveControl(this);
  if (parent) parent->InsertControl(this);
  ParentChanged();
  RememberAnchorBase();
  if (FParent) {
    if (FParentFont) ParentFontChanged();
    if (FParentColor) ParentColorChanged();
    FParent->ChildBoundsChanged(this);
  }
}

void TControl::SetBounds(int left, int top, int width, int height) {
  ApplyBounds(left, top, width, height, true, true);
}

void TControl::SetBoundsFromPlatform(int left, int top, int width, int height) {
  ApplyBounds(left, top, width, height, false, false);
}

void TControl::ApplyBounds(int left, int top, int width, int height, bool moveWindow, bool rememberAnchor) {
  width = std::max(0, width);
  height = std::max(0, height);
  bool moved = left != FLeft || top != FTop;
  bool sized = width != FWidth || height != FHeight;
  if (!moved && !sized) {
    if (rememberAnchor) RememberAnchorBase();
    return;
  }
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  if (moveWindow) BoundsChanged();
  if (rememberAnchor) RememberAnchorBase();
  if (sized) Resize();
  if (FParent) FParent->ChildBoundsChanged(this);
}

void TControl::RememberAnchorBase() {
  FAnchorBounds = BoundsRect();
  FAnchorParentSize = FParent ? TSize{FParent->ClientWidth(), FParent->ClientHeight()} : TSize{-1, -1};
}

void TControl::SetClientSize(int width, int height) {
  TRect client = ClientRect();
  SetBounds(FLeft, FTop, FWidth + width - client.Width(), FHeight + height - client.Height());
}

TPoint TControl::ClientOrigin() const {
  if (!FParent) return {FLeft, FTop};
  TPoint p = FParent->ClientOrigin();
  return {p.X + FLeft, p.Y + FTop};
}

TPoint TControl::ClientToScreen(TPoint p) const {
  TPoint o = ClientOrigin();
  return {p.X + o.X, p.Y + o.Y};
}

TPoint TControl::ScreenToClient(TPoint p) const {
  TPoint o = ClientOrigin();
  return {p.X - o.X, p.Y - o.Y};
}

void TControl::SetAlign(TAlign align) {
  if (align == FAlign) return;
  FAlign = align;
  if (FParent) FParent->ChildBoundsChanged(this);
}

void TControl::SetAnchors(TAnchors anchors) {
  if (anchors == FAnchors) return;
  FAnchors = anchors;
  RememberAnchorBase();
}

bool TControl::Showing() const { return FVisible && FParent && FParent->Showing(); }

void TControl::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  VisibleChanged();
  if (FParent) FParent->ChildBoundsChanged(this);
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  EnabledChanged();
}

void TControl::SetColor(TColor color) {
  FParentColor = false;
  if (color == FColor) return;
  FColor = color;
  ColorChanged();
}

void TControl::SetParentColor(bool parentColor) {
  if (parentColor == FParentColor) return;
  FParentColor = parentColor;
  if (parentColor && FParent) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!FParentColor || !FParent || FParent->Color() == FColor) return;
  FColor = FParent->Color();
  ColorChanged();
}

void TControl::SetParentFont(bool parentFont) {
  if (parentFont == FParentFont) return;
  FParentFont = parentFont;
  if (parentFont && FParent) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParentFont || !FParent) return;
  FTakingParentFont = true;
  try {
    FFont.Assign(&FParent->Font());
  } catch (...) {
    FTakingParentFont = false;
    throw;
  }
  FTakingParentFont = false;
}

void TControl::FontPropertyChanged() {
  if (!FTakingParentFont) FParentFont = false;
  FontChanged();
}

void TControl::SetCursor(TCursor cursor) {
  if (cursor == FCursor) return;
  FCursor = cursor;
  CursorChanged();
}

void TControl::SetHint(const std::string& hint) {
  if (hint == FHint) return;
  FHint = hint;
  HintChanged();
}

void TControl::SetShowHint(bool showHint) {
  // Setting it stops following the parent, which changes the effective
  // value even when the own value stays.
  bool changed = FParentShowHint || showHint != FShowHint;
  FParentShowHint = false;
  FShowHint = showHint;
  if (changed) HintChanged();
}

void TControl::SetParentShowHint(bool parentShowHint) {
  if (parentShowHint == FParentShowHint) return;
  FParentShowHint = parentShowHint;
  HintChanged();
}

void TControl::SetText(const std::string& text) {
  if (text == FText) return;
  FText = text;
  TextChanged();
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
  if (menu == FPopupMenu) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = menu;
  if (menu) menu->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::Loaded() {
  TComponent::Loaded();
  RememberAnchorBase();
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
  return handled;
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}
