#pragma once
// Private to framework/gui: graphics values at the Qt boundary.

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QRegion>

#include "framework/gui/graphics/geometry.h"
#include "framework/gui/graphics/graphics.h"
#include "framework/gui/graphics/region.h"

// Our rectangles exclude right and bottom; QRect's width is the same count.
inline QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
inline TRect FromQRect(const QRect& r) {
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}
inline QPoint ToQPoint(TPoint p) { return QPoint(p.X, p.Y); }
inline TPoint FromQPoint(const QPoint& p) { return {p.x(), p.y()}; }

inline QColor ToQColor(TColor color) {
  TColor rgb = ColorToRGB(color);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}
inline TColor FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }
inline TColor FromQRgb(unsigned rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// The Qt font for a font description: faces the system lacks become the
// system's sans-serif face at the same pixel height.
QFont ToQFont(const TFont& font);

class TRegionAccess {
 public:
  static QRegion& Region(TRegion& region);
  static const QRegion& Region(const TRegion& region);
};
