#pragma once
// Colours, fonts, brushes and pens as plain data. They describe what a
// `TCanvas` draws with and carry no platform object: the canvas turns them
// into painter state when it draws. Fonts, brushes and pens belong to whoever
// holds them (a canvas, a control, a grid column) and report every change
// through `OnChange`, so that their holder can react (re-layout, repaint).

#include <cstdint>
#include <string>

#include "framework/core/base/object.h"
#include "framework/core/component/persistent.h"
#include "framework/core/base/set.h"

class TBitmap;

// A colour: 0x00BBGGRR for a plain colour; with the top bit set, the index
// of a system colour (`clBtnFace`, ...); or one of the two marks `clNone`
// and `clDefault`.
using TColor = std::int32_t;

inline constexpr TColor RGB(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline constexpr int GetRValue(TColor c) { return c & 0xFF; }
inline constexpr int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
inline constexpr int GetBValue(TColor c) { return (c >> 16) & 0xFF; }

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// System colour indexes and the colours that name them.
enum TSysColorIndex {
  COLOR_SCROLLBAR,
  COLOR_BACKGROUND,
  COLOR_ACTIVECAPTION,
  COLOR_INACTIVECAPTION,
  COLOR_MENU,
  COLOR_WINDOW,
  COLOR_WINDOWFRAME,
  COLOR_MENUTEXT,
  COLOR_WINDOWTEXT,
  COLOR_CAPTIONTEXT,
  COLOR_ACTIVEBORDER,
  COLOR_INACTIVEBORDER,
  COLOR_APPWORKSPACE,
  COLOR_HIGHLIGHT,
  COLOR_HIGHLIGHTTEXT,
  COLOR_BTNFACE,
  COLOR_BTNSHADOW,
  COLOR_GRAYTEXT,
  COLOR_BTNTEXT,
  COLOR_INACTIVECAPTIONTEXT,
  COLOR_BTNHIGHLIGHT,
  COLOR_3DDKSHADOW,
  COLOR_3DLIGHT,
  COLOR_INFOTEXT,
  COLOR_INFOBK,
  COLOR_SYSCOLOR_COUNT
};

inline constexpr TColor SystemColor(TSysColorIndex index) {
  return static_cast<TColor>(0x80000000u | static_cast<unsigned>(index));
}
inline constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
inline constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
inline constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
inline constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
inline constexpr TColor clMenu = SystemColor(COLOR_MENU);
inline constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
inline constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
inline constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
inline constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
inline constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
inline constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
inline constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
inline constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
inline constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
inline constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
inline constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
inline constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
inline constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
inline constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
inline constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
inline constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
inline constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
inline constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
inline constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
inline constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);

// The plain RGB value of a system colour. The table is fixed (the classic
// grey scheme) rather than read from the desktop theme, so that drawing is
// the same on every machine; `SetSysColor` changes an entry, as a desktop
// colour change would.
TColor GetSysColor(TSysColorIndex index);
void SetSysColor(TSysColorIndex index, TColor rgb);
// System colours become their RGB value; clNone and clDefault become black.
TColor ColorToRGB(TColor color);

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle, 4>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };

// Screen resolution the point sizes of fonts are measured against.
inline constexpr int ScreenPixelsPerInch = 96;

// A font by description. A negative Height is the character height in
// pixels (without internal leading), a positive one the cell height; Size
// is the character height in points at 96 pixels per inch. Faces the
// platform lacks (for example "MS Sans Serif") are drawn with the system's
// sans-serif face at the same pixel height.
class TFont : public TPersistent {
 public:
  TFont() = default;

  const std::string& Name() const { return FName; }
  void SetName(const std::string& name);
  int Height() const { return FHeight; }
  void SetHeight(int height);
  int Size() const;
  void SetSize(int points);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles style);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch pitch);
  int Charset() const { return FCharset; }
  void SetCharset(int charset);

  // Name, height, style, colour, pitch and charset of another font.
  void Assign(const TPersistent* source) override;
  // Same description (every property above).
  bool SameAs(const TFont& other) const;

  TNotifyEvent OnChange;

 protected:
  void Changed();

 private:
  std::string FName = "MS Sans Serif";
  int FHeight = -11;
  TFontStyles FStyle;
  TColor FColor = clWindowText;
  TFontPitch FPitch = fpDefault;
  int FCharset = 1;  // the default character set
};

enum TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

// Fills: a colour and a style, or a pattern bitmap that the brush refers to
// (not owns). A monochrome pattern is drawn with the canvas's text colour
// for its black pixels and the brush colour for its white ones.
class TBrush : public TPersistent {
 public:
  TBrush() = default;

  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle style);
  TBitmap* Bitmap() const { return FBitmap; }
  void SetBitmap(TBitmap* bitmap);

  void Assign(const TPersistent* source) override;

  TNotifyEvent OnChange;

 protected:
  void Changed();

 private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  TBitmap* FBitmap = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// psMaskPen etc. are not needed: pens draw by copying or by inverting.
enum TPenMode { pmCopy, pmNot, pmXor, pmNotXor };

class TPen : public TPersistent {
 public:
  TPen() = default;

  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  int Width() const { return FWidth; }
  void SetWidth(int width);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle style);
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode mode);

  void Assign(const TPersistent* source) override;

  TNotifyEvent OnChange;

 protected:
  void Changed();

 private:
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
};
