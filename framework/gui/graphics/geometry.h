#pragma once
// Points, sizes and rectangles in device pixels, with the rules of the
// platform this framework stands in for: a rectangle holds the pixels from
// Left to Right - 1 and from Top to Bottom - 1, so (0, 0, 10, 10) is 10 by 10
// and a point on its right or bottom edge lies outside it.

#include <algorithm>

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  TPoint TopLeft() const { return {Left, Top}; }
  TPoint BottomRight() const { return {Right, Bottom}; }
  // True when the rectangle holds no pixel.
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline constexpr TPoint Point(int x, int y) { return {x, y}; }
inline constexpr TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
inline constexpr TRect Bounds(int left, int top, int width, int height) {
  return {left, top, left + width, top + height};
}

inline bool PtInRect(const TRect& r, TPoint p) { return r.Contains(p); }
inline bool IsRectEmpty(const TRect& r) { return r.IsEmpty(); }

inline void InflateRect(TRect& r, int dx, int dy) {
  r.Left -= dx;
  r.Top -= dy;
  r.Right += dx;
  r.Bottom += dy;
}

inline void OffsetRect(TRect& r, int dx, int dy) {
  r.Left += dx;
  r.Top += dy;
  r.Right += dx;
  r.Bottom += dy;
}

// The common part of a and b; false (and an all-zero dest) when they share
// no pixel.
inline bool IntersectRect(TRect& dest, const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  if (r.IsEmpty()) {
    dest = TRect{};
    return false;
  }
  dest = r;
  return true;
}

// The smallest rectangle holding both; an empty rectangle adds nothing.
inline bool UnionRect(TRect& dest, const TRect& a, const TRect& b) {
  if (a.IsEmpty()) {
    dest = b.IsEmpty() ? TRect{} : b;
  } else if (b.IsEmpty()) {
    dest = a;
  } else {
    dest = {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
  }
  return !dest.IsEmpty();
}

// number x numerator / denominator over a 64-bit product, rounded to the
// nearest integer with halves away from zero, as the platform's MulDiv
// does; -1 when the denominator is 0 or the result does not fit an int.
// Callers that divide by a width which may be 0 test for that themselves:
// -1 is a valid-looking width.
inline int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const long long product = static_cast<long long>(number) * numerator;
  const bool negative = (product < 0) != (denominator < 0);
  const unsigned long long p = product < 0 ? 0ull - static_cast<unsigned long long>(product)
                                           : static_cast<unsigned long long>(product);
  const unsigned long long d = denominator < 0 ? 0ull - static_cast<unsigned long long>(static_cast<long long>(denominator))
                                               : static_cast<unsigned long long>(denominator);
  unsigned long long q = p / d;
  if (2 * (p % d) >= d) ++q;
  if (negative) {
    if (q > 2147483648ull) return -1;
    return static_cast<int>(-static_cast<long long>(q));
  }
  if (q > 2147483647ull) return -1;
  return static_cast<int>(q);
}
