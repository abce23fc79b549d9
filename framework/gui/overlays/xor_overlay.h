#pragma once
// Marks drawn over a control by inverting its pixels, as the line that
// follows a column edge while the column is being sized. `Toggle` inverts
// a rectangle: toggling it again (or `Clear`) gives the pixels back, and
// rectangles that overlap cancel where they overlap, as drawing in XOR
// does. The marks lie over the control's client area, its children
// included, and stay correct while the control repaints under them; they
// never take the focus or the mouse. Freeing the overlay (or the control)
// removes them.

#include <memory>

#include "framework/gui/graphics/geometry.h"
#include "framework/gui/graphics/region.h"

class TWinControl;
class TXorOverlayPrivate;
class TXorOverlayAccess;

class TXorOverlay {
 public:
  explicit TXorOverlay(TWinControl& control);
  ~TXorOverlay();
  TXorOverlay(const TXorOverlay&) = delete;
  TXorOverlay& operator=(const TXorOverlay&) = delete;

  // Inverts rect (client coordinates) once more.
  void Toggle(const TRect& rect);
  void Clear();
  bool Empty() const;
  // The pixels shown inverted now, in client coordinates.
  TRegion Marks() const;

 private:
  friend class TXorOverlayAccess;
  std::unique_ptr<TXorOverlayPrivate> FPrivate;
};
