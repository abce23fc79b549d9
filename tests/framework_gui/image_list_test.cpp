// Image lists: pictures cut from a strip, masks from a colour, the drawing
// styles, and the change links that tell clients (and leave the list when
// either side goes first).

#include "framework/gui/graphics/image_list.h"

#include <gtest/gtest.h>

#include <memory>

#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/canvas.h"

namespace {

// A strip of two 4 x 4 pictures: the first red with a white (masked)
// corner pixel, the second blue.
std::unique_ptr<TBitmap> Strip() {
  auto strip = std::make_unique<TBitmap>(8, 4);
  TCanvas& c = strip->Canvas();
  c.Brush().SetColor(clRed);
  c.FillRect(Rect(0, 0, 4, 4));
  c.Brush().SetColor(clBlue);
  c.FillRect(Rect(4, 0, 8, 4));
  c.SetPixel(0, 0, clWhite);
  return strip;
}

TEST(ImageList, AStripIsCutIntoPicturesOfTheListsWidth) {
  TImageList list(nullptr, 4, 4);
  EXPECT_EQ(list.AddMasked(*Strip(), clWhite), 0);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_TRUE(list.IsMasked(0, 0, 0));
  EXPECT_FALSE(list.IsMasked(0, 1, 0));
  EXPECT_FALSE(list.IsMasked(1, 0, 0));
  EXPECT_EQ(list.AddMasked(*Strip(), clWhite), 2);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 3);
  list.SetSize(8, 8);
  EXPECT_EQ(list.Count(), 0) << "a new size empties the list";
}

TEST(ImageList, MaskedPixelsShowTheCanvasOrTheBackgroundColour) {
  TImageList list(nullptr, 4, 4);
  list.AddMasked(*Strip(), clWhite);
  TBitmap target(10, 10);
  TCanvas& c = target.Canvas();
  c.Brush().SetColor(clLime);
  c.FillRect(Rect(0, 0, 10, 10));
  list.Draw(c, 2, 2, 0);
  EXPECT_EQ(c.Pixels(2, 2), clLime) << "masked pixel";
  EXPECT_EQ(c.Pixels(3, 2), clRed);
  EXPECT_EQ(c.Pixels(6, 6), clLime) << "outside the picture";

  list.SetBkColor(clYellow);
  list.Draw(c, 2, 2, 0);
  EXPECT_EQ(c.Pixels(2, 2), clYellow);
  list.SetDrawingStyle(dsTransparent);
  c.FillRect(Rect(0, 0, 10, 10));
  list.Draw(c, 2, 2, 0);
  EXPECT_EQ(c.Pixels(2, 2), clLime) << "transparent drawing ignores the background colour";

  list.SetDrawingStyle(dsSelected);
  list.SetBlendColor(clWhite);
  list.Draw(c, 2, 2, 1);
  EXPECT_EQ(c.Pixels(3, 3), RGB(127, 127, 255)) << "blue blended half with white";
  list.SetImageType(itMask);
  list.Draw(c, 2, 2, 0);
  EXPECT_EQ(c.Pixels(2, 2), clWhite);
  EXPECT_EQ(c.Pixels(3, 3), clBlack);
}

TEST(ImageList, ChangeLinksHearEveryChangeAndLeaveWhenEitherSideGoes) {
  auto list = std::make_unique<TImageList>(nullptr, 4, 4);
  int first = 0;
  int second = 0;
  TChangeLink a;
  a.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, list.get());
    ++first;
  };
  {
    TChangeLink b;
    b.OnChange = [&](TObject*) { ++second; };
    list->RegisterChanges(&a);
    list->RegisterChanges(&b);
    list->RegisterChanges(&a);  // once is enough
    list->AddMasked(*Strip(), clWhite);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
  }
  list->SetBkColor(clRed);  // b is gone: only a hears it
  EXPECT_EQ(first, 2);
  EXPECT_EQ(second, 1);
  list->SetBkColor(clRed);
  EXPECT_EQ(first, 2) << "no change, no news";
  list.reset();
  EXPECT_EQ(a.Sender(), nullptr);
}

TEST(ImageList, AHandlerMayUnregisterWhileBeingTold) {
  TImageList list(nullptr, 4, 4);
  TChangeLink a;
  TChangeLink b;
  int told = 0;
  a.OnChange = [&](TObject*) {
    ++told;
    list.UnRegisterChanges(&b);
  };
  b.OnChange = [&](TObject*) { ++told; };
  list.RegisterChanges(&a);
  list.RegisterChanges(&b);
  list.Clear();
  list.AddMasked(*Strip(), clWhite);
  EXPECT_EQ(told, 1);
  EXPECT_EQ(b.Sender(), nullptr);
}

}  // namespace
