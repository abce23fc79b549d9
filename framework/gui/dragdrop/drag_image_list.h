#pragma once
// The pictures of a drag: a list of images of one size, one of which
// follows the pointer while a drag runs, held at its hot spot. The image
// shows in a screen overlay (overlays/screen_overlay.h): it never takes the
// focus or the mouse, and what lies under it needs no repainting when it
// moves or goes. Pixels of an image's mask colour are not shown.
//
// The drag manager moves a source's images by itself (GetDragImages);
// code that drags without the manager (a column header being moved) calls
// BeginDrag, DragMove and EndDrag itself.

#include <memory>

#include "framework/core/component/component.h"
#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/geometry.h"

class TWinControl;
class TDragImageListPrivate;
class TDragImageListAccess;

class TDragImageList : public TComponent {
 public:
  explicit TDragImageList(TComponent* owner);
  // A list for images of this size.
  TDragImageList(TComponent* owner, int width, int height);
  ~TDragImageList() override;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // A new size empties the list.
  void SetSize(int width, int height);
  int Count() const;

  // Adds a copy of image, cut or padded to the list's size, leaving out
  // the pixels of maskColor (clNone: none); returns its index.
  int AddMasked(const TBitmap& image, TColor maskColor);
  int Add(const TBitmap& image) { return AddMasked(image, clNone); }
  void Delete(int index);
  void Clear();

  // Which image follows a drag, and the point of it that the pointer
  // holds. False for an index out of range.
  bool SetDragImage(int index, int hotSpotX, int hotSpotY);
  int DragIndex() const { return FDragIndex; }
  TPoint DragHotspot() const { return FHotSpot; }

  // Shows the drag image with its hot spot at (x, y): client coordinates
  // of window, or screen coordinates when window is nullptr. False when
  // there is no image.
  bool BeginDrag(TWinControl* window, int x, int y);
  // Moves it (same coordinates as BeginDrag).
  bool DragMove(int x, int y);
  void EndDrag();
  bool Dragging() const { return FDragging; }
  // While dragging, the image can be taken off the screen for a while.
  void HideDragImage();
  void ShowDragImage();
  bool DragImageShown() const;
  // Where the image is on the screen while dragging (empty otherwise).
  TRect DragImageRect() const;

 private:
  friend class TDragImageListAccess;
  void PlaceImage(int x, int y);

  std::unique_ptr<TDragImageListPrivate> FPrivate;
  int FWidth = 16;
  int FHeight = 16;
  int FDragIndex = 0;
  TPoint FHotSpot;
  bool FDragging = false;
  TPoint FOrigin;  // screen point of the coordinates' (0, 0)
};
