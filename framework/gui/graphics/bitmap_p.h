#pragma once
// Private to framework/gui: the pixels behind a TBitmap.

#include <QImage>

#include "framework/gui/graphics/bitmap.h"

class TBitmapAccess {
 public:
  // The bitmap's pixels, with its canvas's drawing finished.
  static const QImage& Image(const TBitmap& bitmap);
  // The pixels with the transparent colour made fully transparent (or the
  // plain pixels for an opaque bitmap).
  static QImage DrawableImage(const TBitmap& bitmap);
};
