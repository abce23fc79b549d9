#include "framework/gui/graphics/graphics.h"

#include <array>
#include <cmath>

namespace {

// The classic grey desktop scheme.
std::array<TColor, COLOR_SYSCOLOR_COUNT>& SysColors() {
  static std::array<TColor, COLOR_SYSCOLOR_COUNT> colors = {
      RGB(212, 208, 200),  // scroll bar
      RGB(58, 110, 165),   // desktop
      RGB(10, 36, 106),    // active caption
      RGB(128, 128, 128),  // inactive caption
      RGB(212, 208, 200),  // menu
      RGB(255, 255, 255),  // window
      RGB(0, 0, 0),        // window frame
      RGB(0, 0, 0),        // menu text
      RGB(0, 0, 0),        // window text
      RGB(255, 255, 255),  // caption text
      RGB(212, 208, 200),  // active border
      RGB(212, 208, 200),  // inactive border
      RGB(128, 128, 128),  // application workspace
      RGB(10, 36, 106),    // highlight
      RGB(255, 255, 255),  // highlight text
      RGB(212, 208, 200),  // button face
      RGB(128, 128, 128),  // button shadow
      RGB(128, 128, 128),  // grey text
      RGB(0, 0, 0),        // button text
      RGB(212, 208, 200),  // inactive caption text
      RGB(255, 255, 255),  // button highlight
      RGB(64, 64, 64),     // 3D dark shadow
      RGB(212, 208, 200),  // 3D light
      RGB(0, 0, 0),        // tooltip text
      RGB(255, 255, 225),  // tooltip background
  };
  return colors;
}

}  // namespace

TColor GetSysColor(TSysColorIndex index) {
  if (index < 0 || index >= COLOR_SYSCOLOR_COUNT) return clBlack;
  return SysColors()[index];
}

void SetSysColor(TSysColorIndex index, TColor rgb) {
  if (index < 0 || index >= COLOR_SYSCOLOR_COUNT) return;
  SysColors()[index] = rgb & 0xFFFFFF;
}

TColor ColorToRGB(TColor color) {
  if (color == clNone || color == clDefault) return clBlack;
  if (color < 0) return GetSysColor(static_cast<TSysColorIndex>(color & 0xFF));
  return color & 0xFFFFFF;
}

// --- TFont ---------------------------------------------------------------------

void TFont::Changed() {
  if (OnChange) OnChange(this);
}

void TFont::SetName(const std::string& name) {
  if (name.empty() || name == FName) return;
  FName = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == FHeight) return;
  FHeight = height;
  Changed();
}

int TFont::Size() const { return -static_cast<int>(std::lround(FHeight * 72.0 / ScreenPixelsPerInch)); }

void TFont::SetSize(int points) {
  SetHeight(-static_cast<int>(std::lround(points * static_cast<double>(ScreenPixelsPerInch) / 72.0)));
}

void TFont::SetStyle(TFontStyles style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch == FPitch) return;
  FPitch = pitch;
  Changed();
}

void TFont::SetCharset(int charset) {
  if (charset == FCharset) return;
  FCharset = charset;
  Changed();
}

bool TFont::SameAs(const TFont& o) const {
  return FName == o.FName && FHeight == o.FHeight && FStyle == o.FStyle && FColor == o.FColor &&
         FPitch == o.FPitch && FCharset == o.FCharset;
}

void TFont::Assign(const TPersistent* source) {
  if (auto* font = dynamic_cast<const TFont*>(source)) {
    if (SameAs(*font)) return;
    FName = font->FName;
    FHeight = font->FHeight;
    FStyle = font->FStyle;
    FColor = font->FColor;
    FPitch = font->FPitch;
    FCharset = font->FCharset;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

// --- TBrush --------------------------------------------------------------------

void TBrush::Changed() {
  if (OnChange) OnChange(this);
}

void TBrush::SetColor(TColor color) {
  // Giving a cleared brush a colour makes it solid again, as callers expect
  // when they set a cell colour on a brush last used for transparent text.
  if (color == FColor && !(FStyle == bsClear && FBitmap == nullptr)) return;
  FColor = color;
  if (FStyle == bsClear) FStyle = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TBrush::SetBitmap(TBitmap* bitmap) {
  if (bitmap == FBitmap) return;
  FBitmap = bitmap;
  Changed();
}

void TBrush::Assign(const TPersistent* source) {
  if (auto* brush = dynamic_cast<const TBrush*>(source)) {
    FColor = brush->FColor;
    FStyle = brush->FStyle;
    FBitmap = brush->FBitmap;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

// --- TPen ----------------------------------------------------------------------

void TPen::Changed() {
  if (OnChange) OnChange(this);
}

void TPen::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed();
}

void TPen::SetWidth(int width) {
  if (width < 0) width = 0;
  if (width == FWidth) return;
  FWidth = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TPen::SetMode(TPenMode mode) {
  if (mode == FMode) return;
  FMode = mode;
  Changed();
}

void TPen::Assign(const TPersistent* source) {
  if (auto* pen = dynamic_cast<const TPen*>(source)) {
    FColor = pen->FColor;
    FWidth = pen->FWidth;
    FStyle = pen->FStyle;
    FMode = pen->FMode;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}
