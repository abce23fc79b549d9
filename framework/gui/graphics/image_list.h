#pragma once
// Image lists: a row of equally sized pictures drawn by index (the grid's
// node and state images, the indicator images), with the platform's
// drawing styles (normal, transparent, selected and focused blends) and a
// mask per picture. Clients learn of changes through a `TChangeLink` they
// register; the list tells every registered link, and a link that ends
// first unregisters itself. The list is a component: whoever refers to it
// asks for its free notification and forgets it in `Notification`.

#include <memory>
#include <vector>

#include "framework/core/base/object.h"
#include "framework/core/component/component.h"
#include "framework/gui/graphics/geometry.h"
#include "framework/gui/graphics/graphics.h"

class TBitmap;
class TCanvas;
class TCustomImageList;

// Special colour values of the image-list interface.
inline constexpr TColor CLR_NONE = static_cast<TColor>(0xFFFFFFFF);
inline constexpr TColor CLR_DEFAULT = static_cast<TColor>(0xFF000000);

// Drawing styles (ImageList_DrawEx).
inline constexpr unsigned ILD_NORMAL = 0x0;
inline constexpr unsigned ILD_TRANSPARENT = 0x1;
inline constexpr unsigned ILD_MASK = 0x10;
inline constexpr unsigned ILD_FOCUS = 0x2;
inline constexpr unsigned ILD_SELECTED = 0x4;

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

// One client's line to an image list. Owned by the client; the list only
// refers to it while it is registered.
class TChangeLink : public TObject {
 public:
  TChangeLink() = default;
  // Unregisters from the list it still hears.
  ~TChangeLink() override;
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;

  TCustomImageList* Sender() const { return FSender; }
  // Fires OnChange with the list as Sender.
  virtual void Change();

  TNotifyEvent OnChange;

 private:
  friend class TCustomImageList;
  TCustomImageList* FSender = nullptr;
};

class TCustomImageList : public TComponent {
 public:
  explicit TCustomImageList(TComponent* owner);
  TCustomImageList(TComponent* owner, int width, int height);
  // Registered links are told they have no list any more.
  ~TCustomImageList() override;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // A new size empties the list.
  void SetWidth(int value) { SetSize(value, FHeight); }
  void SetHeight(int value) { SetSize(FWidth, value); }
  void SetSize(int width, int height);
  int Count() const { return static_cast<int>(FImages.size()); }
  // The pictures exist to be drawn (the platform's handle): always, once
  // the list has a size.
  bool HandleAllocated() const { return FWidth > 0 && FHeight > 0; }

  // Adds the pictures of image, cut into pieces of Width (at least one);
  // mask pixels that are white leave the picture's pixel out. Returns the
  // index of the first picture added.
  int Add(const TBitmap& image, const TBitmap* mask);
  // As Add, with every pixel of maskColor left out (clDefault: the colour
  // of the image's bottom-left pixel).
  int AddMasked(const TBitmap& image, TColor maskColor);
  void Delete(int index);
  void Clear();
  // Copies picture index (with its masked pixels in the bitmap's
  // transparent colour) into bitmap.
  void GetBitmap(int index, TBitmap& bitmap) const;

  // The colour under the masked pixels when drawing normally (clNone: the
  // canvas shows through), and the colour blended in for selected (50%)
  // and focused (25%) drawing (clNone: no blend; clDefault: the highlight).
  TColor BkColor() const { return FBkColor; }
  void SetBkColor(TColor value);
  TColor BlendColor() const { return FBlendColor; }
  void SetBlendColor(TColor value);
  TDrawingStyle DrawingStyle() const { return FDrawingStyle; }
  void SetDrawingStyle(TDrawingStyle value);
  TImageType ImageType() const { return FImageType; }
  void SetImageType(TImageType value);

  // Draws picture index at (x, y) in the list's own style; disabled
  // pictures are drawn greyed. Nothing for an index out of range.
  void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true) const;
  // The platform's ImageList_DrawEx: background and blend given in the
  // image-list colour values (CLR_NONE, CLR_DEFAULT or RGB), style ILD_*.
  void DrawEx(TCanvas& canvas, int x, int y, int index, TColor bkColor, TColor blendColor, unsigned style) const;

  void RegisterChanges(TChangeLink* link);
  void UnRegisterChanges(TChangeLink* link);

  // Whether pixel (x, y) of picture index is masked out (true also out of
  // range).
  bool IsMasked(int index, int x, int y) const;

 protected:
  // Tells every registered link.
  virtual void Change();

 private:
  struct TImage;
  std::vector<std::unique_ptr<TImage>> FImages;
  std::vector<TChangeLink*> FLinks;
  int FWidth = 16;
  int FHeight = 16;
  TColor FBkColor = clNone;
  TColor FBlendColor = clNone;
  TDrawingStyle FDrawingStyle = dsNormal;
  TImageType FImageType = itImage;
};

class TImageList : public TCustomImageList {
 public:
  using TCustomImageList::TCustomImageList;
};
