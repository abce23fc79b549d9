#pragma once
// A picture shown over everything at a screen position, in a window of its
// own that never takes the activation, the focus or the mouse (the pointer
// and clicks go to whatever lies below): the arrows that mark where a
// moved column would drop, the image that follows a drag, the neutral zone
// of the panning mode. The window's shape is the picture less its
// transparent pixels (when the bitmap is Transparent), cut further by an
// optional region. Hiding the overlay or freeing it takes it off the
// screen; nothing under it needs repainting by its owner.
//
// Owned by whoever shows it (a member or a std::unique_ptr).

#include <memory>

#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/geometry.h"
#include "framework/gui/graphics/region.h"

class TWinControl;
class TScreenOverlayPrivate;
class TScreenOverlayAccess;

class TScreenOverlay {
 public:
  TScreenOverlay();
  ~TScreenOverlay();
  TScreenOverlay(const TScreenOverlay&) = delete;
  TScreenOverlay& operator=(const TScreenOverlay&) = delete;

  // Takes a copy of picture; the overlay gets its size.
  void SetPicture(const TBitmap& picture);
  // Window coordinates; nullptr: the whole picture.
  void SetShape(const TRegion* shape);
  // The top-left corner on the screen.
  TPoint Position() const;
  void SetPosition(TPoint topLeft);
  TRect BoundsRect() const;

  bool Visible() const;
  void Show();
  void Hide();

  // Keeps the overlay above this control's window (nullptr: none).
  void SetOwner(TWinControl* owner);

 private:
  friend class TScreenOverlayAccess;
  std::unique_ptr<TScreenOverlayPrivate> FPrivate;
};
