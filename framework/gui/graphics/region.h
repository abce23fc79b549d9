#pragma once
// A set of pixels made of rectangles and ellipses: clip regions of a canvas
// and the shapes of windows. A value type.

#include <memory>

#include "framework/gui/graphics/geometry.h"

class TRegionData;

enum TRegionCombine { rcAnd, rcOr, rcDiff, rcXor, rcCopy };

class TRegion {
 public:
  TRegion();
  explicit TRegion(const TRect& rect);
  ~TRegion();
  TRegion(const TRegion& other);
  TRegion& operator=(const TRegion& other);

  static TRegion Elliptic(const TRect& bounds);

  bool IsEmpty() const;
  bool Contains(TPoint p) const;
  // True when the region shares a pixel with rect.
  bool Intersects(const TRect& rect) const;
  TRect BoundingRect() const;
  // this := this <op> other.
  void Combine(const TRegion& other, TRegionCombine op);
  void Offset(int dx, int dy);

  friend bool operator==(const TRegion& a, const TRegion& b);

 private:
  friend class TRegionAccess;
  std::unique_ptr<TRegionData> FData;
};
