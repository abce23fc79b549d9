#include "framework/gui/graphics/region.h"

#include <QRegion>

#include "framework/gui/graphics/qt_graphics.h"

class TRegionData {
 public:
  QRegion Region;
};

QRegion& TRegionAccess::Region(TRegion& region) { return region.FData->Region; }
const QRegion& TRegionAccess::Region(const TRegion& region) { return region.FData->Region; }

TRegion::TRegion() : FData(std::make_unique<TRegionData>()) {}

TRegion::TRegion(const TRect& rect) : TRegion() {
  if (!rect.IsEmpty()) FData->Region = QRegion(ToQRect(rect));
}

TRegion::~TRegion() = default;

TRegion::TRegion(const TRegion& other) : FData(std::make_unique<TRegionData>(*other.FData)) {}

TRegion& TRegion::operator=(const TRegion& other) {
  *FData = *other.FData;
  return *this;
}

TRegion TRegion::Elliptic(const TRect& bounds) {
  TRegion r;
  if (!bounds.IsEmpty()) r.FData->Region = QRegion(ToQRect(bounds), QRegion::Ellipse);
  return r;
}

bool TRegion::IsEmpty() const { return FData->Region.isEmpty(); }
bool TRegion::Contains(TPoint p) const { return FData->Region.contains(QPoint(p.X, p.Y)); }
bool TRegion::Intersects(const TRect& rect) const {
  return !rect.IsEmpty() && FData->Region.intersects(ToQRect(rect));
}
TRect TRegion::BoundingRect() const { return FromQRect(FData->Region.boundingRect()); }

void TRegion::Combine(const TRegion& other, TRegionCombine op) {
  QRegion& r = FData->Region;
  const QRegion& o = other.FData->Region;
  switch (op) {
    case rcAnd:
      r = r.intersected(o);
      break;
    case rcOr:
      r = r.united(o);
      break;
    case rcDiff:
      r = r.subtracted(o);
      break;
    case rcXor:
      r = r.xored(o);
      break;
    case rcCopy:
      r = o;
      break;
  }
}

void TRegion::Offset(int dx, int dy) { FData->Region.translate(dx, dy); }

bool operator==(const TRegion& a, const TRegion& b) { return a.FData->Region == b.FData->Region; }
