#pragma once
// A pixel image with its own canvas: the grid's work bitmap, button
// pictures and brush patterns. Owned by whoever made it (a member or a
// `std::unique_ptr`); brushes that use it as a pattern only refer to it.

#include <memory>

#include "framework/core/component/persistent.h"
#include "framework/gui/graphics.h"

class TCanvas;
class TBitmapData;
class TBitmapAccess;

class TBitmap : public TPersistent {
 public:
  TBitmap();
  TBitmap(int width, int height);
  ~TBitmap() override;

  int Width() const;
  int Height() const;
  void SetWidth(int width) { SetSize(width, Height()); }
  void SetHeight(int height) { SetSize(Width(), height); }
  // Keeps the pixels that stay inside; new pixels are white.
  void SetSize(int width, int height);
  bool Empty() const { return Width() == 0 || Height() == 0; }

  TCanvas& Canvas();

  // A transparent bitmap is drawn without the pixels of its transparent
  // colour: the one set, or by default the colour of its bottom-left pixel.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool transparent) { FTransparent = transparent; }
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);
  // Restores the default: the bottom-left pixel's colour.
  void ResetTransparentColor() { FTransparentColorSet = false; }

  // A monochrome bitmap holds only black and white; setting it turns every
  // pixel that is not white black. As a brush pattern it takes the canvas's
  // colours (see TBrush).
  bool Monochrome() const { return FMonochrome; }
  void SetMonochrome(bool monochrome);

  // Copies another bitmap's pixels and settings; nullptr empties this one.
  void Assign(const TPersistent* source) override;

 private:
  friend class TBitmapAccess;
  std::unique_ptr<TBitmapData> FData;
  std::unique_ptr<TCanvas> FCanvas;
  bool FTransparent = false;
  bool FTransparentColorSet = false;
  TColor FTransparentColor = clWhite;
  bool FMonochrome = false;
};
