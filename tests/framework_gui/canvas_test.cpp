#include "framework/gui/graphics/canvas.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/core/base/exceptions.h"
#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/region.h"

namespace {

// A white bitmap of the given size.
class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FBitmap.SetSize(40, 30);
    Canvas().Brush().SetColor(clWhite);
    Canvas().FillRect(Rect(0, 0, 40, 30));
  }
  TCanvas& Canvas() { return FBitmap.Canvas(); }
  TColor Px(int x, int y) { return Canvas().Pixels(x, y); }

  // Bounding rectangle of every pixel that is not `background`.
  TRect Ink(TColor background = clWhite) {
    TRect r{1000, 1000, -1, -1};
    for (int y = 0; y < FBitmap.Height(); ++y)
      for (int x = 0; x < FBitmap.Width(); ++x)
        if (Px(x, y) != background) {
          r.Left = std::min(r.Left, x);
          r.Top = std::min(r.Top, y);
          r.Right = std::max(r.Right, x + 1);
          r.Bottom = std::max(r.Bottom, y + 1);
        }
    return r.Right < 0 ? TRect{} : r;
  }

  TBitmap FBitmap;
};

TEST_F(CanvasTest, FillRectCoversLeftTopButNotRightBottom) {
  Canvas().Brush().SetColor(clRed);
  Canvas().FillRect(Rect(2, 3, 6, 8));
  EXPECT_EQ(Ink(), Rect(2, 3, 6, 8));
  EXPECT_EQ(Px(2, 3), clRed);
  EXPECT_EQ(Px(5, 7), clRed);
  EXPECT_EQ(Px(6, 7), clWhite);
}

TEST_F(CanvasTest, LinesLeaveOutTheirEndPoint) {
  Canvas().Pen().SetColor(clBlue);
  Canvas().MoveTo(2, 5);
  Canvas().LineTo(10, 5);
  EXPECT_EQ(Ink(), Rect(2, 5, 10, 6));
  EXPECT_EQ(Canvas().PenPos(), Point(10, 5));
  Canvas().LineTo(10, 12);
  EXPECT_EQ(Px(10, 5), clBlue);
  EXPECT_EQ(Px(10, 11), clBlue);
  EXPECT_EQ(Px(10, 12), clWhite);
}

TEST_F(CanvasTest, PolylineConnectsItsPointsLeavingOutTheLast) {
  Canvas().Pen().SetColor(clBlack);
  Canvas().Polyline({Point(1, 1), Point(5, 1), Point(5, 4)});
  EXPECT_EQ(Px(1, 1), clBlack);
  EXPECT_EQ(Px(5, 1), clBlack);
  EXPECT_EQ(Px(5, 3), clBlack);
  EXPECT_EQ(Px(5, 4), clWhite);
}

TEST_F(CanvasTest, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  Canvas().Pen().SetColor(clBlack);
  Canvas().Brush().SetColor(clLime);
  Canvas().Rectangle(Rect(2, 2, 8, 7));
  EXPECT_EQ(Ink(), Rect(2, 2, 8, 7));
  EXPECT_EQ(Px(2, 2), clBlack);
  EXPECT_EQ(Px(7, 6), clBlack);
  EXPECT_EQ(Px(4, 4), clLime);
}

TEST_F(CanvasTest, FrameRectDrawsOnePixelInTheBrush) {
  Canvas().Brush().SetColor(clNavy);
  Canvas().FrameRect(Rect(3, 3, 9, 9));
  EXPECT_EQ(Px(3, 3), clNavy);
  EXPECT_EQ(Px(8, 8), clNavy);
  EXPECT_EQ(Px(5, 5), clWhite);
  EXPECT_EQ(Ink(), Rect(3, 3, 9, 9));
}

TEST_F(CanvasTest, InvertRectTwiceRestoresThePixels) {
  Canvas().Brush().SetColor(RGB(10, 20, 30));
  Canvas().FillRect(Rect(0, 0, 5, 5));
  Canvas().InvertRect(Rect(0, 0, 10, 10));
  EXPECT_EQ(Px(1, 1), RGB(245, 235, 225));
  EXPECT_EQ(Px(7, 7), clBlack);
  Canvas().InvertRect(Rect(0, 0, 10, 10));
  EXPECT_EQ(Px(1, 1), RGB(10, 20, 30));
  EXPECT_EQ(Px(7, 7), clWhite);
}

TEST_F(CanvasTest, FocusRectIsDottedAndSecondCallErasesIt) {
  Canvas().DrawFocusRect(Rect(2, 2, 10, 8));
  // Every other pixel of the frame, by the parity of x + y.
  EXPECT_EQ(Px(2, 2), clBlack);
  EXPECT_EQ(Px(3, 2), clWhite);
  EXPECT_EQ(Px(4, 2), clBlack);
  EXPECT_EQ(Px(9, 4), clWhite);
  EXPECT_EQ(Px(9, 5), clBlack);
  EXPECT_EQ(Px(5, 5), clWhite);
  EXPECT_EQ(Ink(), Rect(2, 2, 10, 8));
  Canvas().DrawFocusRect(Rect(2, 2, 10, 8));
  EXPECT_EQ(Ink(), TRect{});
}

TEST_F(CanvasTest, RaisedEdgeIsLightTopLeftAndDarkBottomRight) {
  TRect r = Rect(0, 0, 10, 10);
  Canvas().DrawEdge(r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
  EXPECT_EQ(r, Rect(2, 2, 8, 8));
  EXPECT_EQ(Px(0, 0), ColorToRGB(cl3DLight));
  EXPECT_EQ(Px(1, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(Px(9, 9), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(Px(8, 8), ColorToRGB(clBtnShadow));
  // The bottom-right colour owns the top-right and bottom-left corners.
  EXPECT_EQ(Px(9, 0), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(Px(0, 9), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(Px(5, 5), ColorToRGB(clBtnFace));
}

TEST_F(CanvasTest, SunkenOuterEdgeOnlyDrawsOneRing) {
  TRect r = Rect(0, 0, 6, 6);
  Canvas().DrawEdge(r, BDR_SUNKENOUTER, BF_TOPLEFT | BF_ADJUST);
  EXPECT_EQ(r, Rect(1, 1, 6, 6));
  EXPECT_EQ(Px(0, 3), ColorToRGB(clBtnShadow));
  EXPECT_EQ(Px(3, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(Px(5, 5), clWhite);
}

TEST_F(CanvasTest, ClipRectsLimitDrawing) {
  Canvas().IntersectClipRect(Rect(5, 5, 15, 15));
  Canvas().ExcludeClipRect(Rect(5, 5, 10, 15));
  EXPECT_EQ(Canvas().ClipRect(), Rect(10, 5, 15, 15));
  EXPECT_TRUE(Canvas().RectVisible(Rect(12, 0, 13, 6)));
  EXPECT_FALSE(Canvas().RectVisible(Rect(0, 0, 9, 9)));
  Canvas().Brush().SetColor(clBlack);
  Canvas().FillRect(Rect(0, 0, 40, 30));
  EXPECT_EQ(Ink(), Rect(10, 5, 15, 15));

  Canvas().SelectClipRegion(nullptr);
  EXPECT_EQ(Canvas().ClipRect(), Rect(0, 0, 40, 30));
}

TEST_F(CanvasTest, OriginMovesDrawingAndClipTogether) {
  Canvas().SetOrigin(Point(10, 5));
  Canvas().Brush().SetColor(clBlack);
  Canvas().FillRect(Rect(0, 0, 2, 2));
  EXPECT_EQ(Canvas().ClipRect(), Rect(-10, -5, 30, 25));
  EXPECT_EQ(Canvas().Pixels(0, 0), clBlack);
  Canvas().SetOrigin(Point(0, 0));
  EXPECT_EQ(Ink(), Rect(10, 5, 12, 7));
}

TEST_F(CanvasTest, ClipRegionRoundTrips) {
  TRegion region(Rect(1, 1, 4, 4));
  region.Combine(TRegion(Rect(10, 10, 12, 12)), rcOr);
  Canvas().SelectClipRegion(&region);
  TRegion back;
  ASSERT_TRUE(Canvas().GetClipRegion(back));
  EXPECT_EQ(back, region);
  Canvas().Brush().SetColor(clBlack);
  Canvas().FillRect(Rect(0, 0, 40, 30));
  EXPECT_EQ(Px(2, 2), clBlack);
  EXPECT_EQ(Px(6, 6), clWhite);
  EXPECT_EQ(Px(11, 11), clBlack);
}

TEST_F(CanvasTest, StateScopeRestoresFontBrushAndClip) {
  Canvas().Font().SetHeight(-20);
  {
    TCanvasStateScope scope(Canvas());
    Canvas().Font().SetHeight(-8);
    Canvas().Brush().SetColor(clRed);
    Canvas().IntersectClipRect(Rect(0, 0, 1, 1));
  }
  EXPECT_EQ(Canvas().Font().Height(), -20);
  EXPECT_EQ(Canvas().Brush().Color(), clWhite);
  EXPECT_EQ(Canvas().ClipRect(), Rect(0, 0, 40, 30));
}

TEST_F(CanvasTest, BrushStyleSetsTheTextBackgroundMode) {
  EXPECT_EQ(Canvas().BkMode(), bkOpaque);
  Canvas().Brush().SetStyle(bsClear);
  EXPECT_EQ(Canvas().BkMode(), bkTransparent);
  // Giving a clear brush a colour makes it solid again.
  Canvas().Brush().SetColor(clYellow);
  EXPECT_EQ(Canvas().Brush().Style(), bsSolid);
  EXPECT_EQ(Canvas().BkMode(), bkOpaque);
}

TEST_F(CanvasTest, MonochromePatternTakesTheTextAndBrushColours) {
  TBitmap pattern(2, 2);
  pattern.Canvas().SetPixel(0, 0, clBlack);
  pattern.Canvas().SetPixel(1, 1, clBlack);
  pattern.SetMonochrome(true);
  Canvas().Font().SetColor(clRed);
  Canvas().Brush().SetColor(clBlue);
  Canvas().Brush().SetBitmap(&pattern);
  Canvas().FillRect(Rect(0, 0, 4, 4));
  EXPECT_EQ(Px(0, 0), clRed);
  EXPECT_EQ(Px(1, 0), clBlue);
  EXPECT_EQ(Px(3, 3), clRed);
  Canvas().Brush().SetBitmap(nullptr);
}

TEST_F(CanvasTest, TransparentBitmapLeavesItsKeyColourOut) {
  TBitmap image(3, 3);
  image.Canvas().Brush().SetColor(clFuchsia);
  image.Canvas().FillRect(Rect(0, 0, 3, 3));
  image.Canvas().SetPixel(1, 1, clGreen);
  image.SetTransparent(true);
  EXPECT_EQ(image.TransparentColor(), clFuchsia);
  Canvas().Draw(5, 5, image);
  EXPECT_EQ(Ink(), Rect(6, 6, 7, 7));
  EXPECT_EQ(Px(6, 6), clGreen);
}

TEST_F(CanvasTest, BrushCopyShowsTheBrushThroughTheKeyColour) {
  TBitmap image(2, 1);
  image.Canvas().SetPixel(0, 0, clBlack);
  image.Canvas().SetPixel(1, 0, clWhite);
  Canvas().Brush().SetColor(clYellow);
  Canvas().BrushCopy(Rect(0, 0, 2, 1), image, Rect(0, 0, 2, 1), clWhite);
  EXPECT_EQ(Px(0, 0), clBlack);
  EXPECT_EQ(Px(1, 0), clYellow);
}

TEST_F(CanvasTest, CopyRectWithinOneCanvasScrollsPixels) {
  Canvas().SetPixel(1, 1, clRed);
  Canvas().CopyRect(Rect(11, 1, 13, 3), Canvas(), Rect(1, 1, 3, 3));
  EXPECT_EQ(Px(11, 1), clRed);
  EXPECT_EQ(Px(1, 1), clRed);
}

TEST_F(CanvasTest, ScrollPixelsMovesContentInsideTheRectangle) {
  Canvas().SetPixel(2, 2, clRed);
  Canvas().ScrollPixels(0, 3, Rect(0, 0, 10, 6));
  EXPECT_EQ(Px(2, 5), clRed);
  Canvas().ScrollPixels(0, 3, Rect(0, 0, 10, 6));
  // Moved outside the rectangle: gone from it, nothing drawn below.
  EXPECT_EQ(Px(2, 8), clWhite);
}

TEST(CanvasWithoutImage, RefusesToDraw) {
  TCanvas canvas;
  EXPECT_FALSE(canvas.HandleAllocated());
  EXPECT_THROW(canvas.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
  EXPECT_THROW(canvas.TextOut(0, 0, "x"), EInvalidOperation);
  // Measuring needs no image.
  EXPECT_GT(canvas.TextWidth("abc"), 0);
}

TEST(EmptyBitmap, DrawsNothingAndKeepsPixelsWhenResized) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.Empty());
  bitmap.Canvas().FillRect(Rect(0, 0, 5, 5));
  bitmap.SetSize(4, 4);
  bitmap.Canvas().SetPixel(3, 3, clRed);
  bitmap.SetSize(8, 8);
  EXPECT_EQ(bitmap.Canvas().Pixels(3, 3), clRed);
  EXPECT_EQ(bitmap.Canvas().Pixels(7, 7), clWhite);
  bitmap.SetSize(2, 2);
  EXPECT_EQ(bitmap.Width(), 2);
}

// --- Text ---------------------------------------------------------------------

TEST_F(CanvasTest, FontHeightIsThePixelHeightOfTheCharacters) {
  Canvas().Font().SetHeight(-11);
  int small = Canvas().TextHeight("Wg");
  Canvas().Font().SetHeight(-22);
  int large = Canvas().TextHeight("Wg");
  EXPECT_GE(small, 11);
  EXPECT_LE(small, 16);
  EXPECT_NEAR(large, 2 * small, 3);
  EXPECT_EQ(Canvas().Font().Size(), 17);
  Canvas().Font().SetSize(8);
  EXPECT_EQ(Canvas().Font().Height(), -11);
}

TEST_F(CanvasTest, TextOutDrawsInTheFontColourFromTheTopLeft) {
  Canvas().Font().SetColor(clBlack);
  Canvas().Brush().SetStyle(bsClear);
  Canvas().TextOut(3, 4, "HHH");
  TRect ink = Ink();
  TSize extent = Canvas().TextExtent("HHH");
  EXPECT_GE(ink.Left, 3);
  EXPECT_GE(ink.Top, 4);
  EXPECT_LE(ink.Right, 3 + extent.cx + 1);
  EXPECT_LE(ink.Bottom, 4 + extent.cy);
  EXPECT_EQ(Canvas().PenPos(), Point(3 + extent.cx, 4));
}

TEST_F(CanvasTest, OpaqueTextFillsItsCellWithTheBrushColour) {
  Canvas().Brush().SetColor(clYellow);
  Canvas().TextOut(0, 0, "i");
  TSize extent = Canvas().TextExtent("i");
  EXPECT_EQ(Ink(), Rect(0, 0, extent.cx, extent.cy));
}

TEST_F(CanvasTest, ExtTextOutOpaqueFillsAndClipsToTheRectangle) {
  Canvas().Brush().SetColor(clAqua);
  Canvas().SetBkMode(bkTransparent);
  TRect r = Rect(2, 2, 8, 20);
  Canvas().ExtTextOut(2, 2, ETO_OPAQUE | ETO_CLIPPED, &r, "WWWWWWWW");
  EXPECT_EQ(Ink(), r);
}

TEST_F(CanvasTest, TextRectWithClearBrushKeepsTheBackground) {
  Canvas().Brush().SetStyle(bsClear);
  Canvas().Font().SetColor(clBlack);
  Canvas().TextRect(Rect(0, 0, 6, 30), 0, 0, "WWWWWW");
  TRect ink = Ink();
  EXPECT_LE(ink.Right, 6);
  EXPECT_EQ(Px(0, 25), clWhite);
}

TEST_F(CanvasTest, CalcRectMeasuresASingleLine) {
  TRect r = Rect(5, 5, 6, 6);
  int h = Canvas().DrawText("Hello", r, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
  EXPECT_EQ(h, Canvas().TextHeight("Hello"));
  EXPECT_EQ(r, Rect(5, 5, 5 + Canvas().TextWidth("Hello"), 5 + h));
  EXPECT_EQ(Ink(), TRect{});
}

TEST_F(CanvasTest, WordBreakWrapsAtBlanksAndKeepsLongWordsWhole) {
  int line = Canvas().TextHeight("x");
  int word = Canvas().TextWidth("abcd");
  TRect r = Rect(0, 0, word + 2, 0);
  int h = Canvas().DrawText("abcd abcd abcd", r, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(h, 3 * line);
  EXPECT_EQ(r.Width(), word);

  TRect narrow = Rect(0, 0, 3, 0);
  h = Canvas().DrawText("abcdefgh", narrow, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(h, line);
  EXPECT_EQ(narrow.Width(), Canvas().TextWidth("abcdefgh"));

  // Drawn clipped, a long text is broken only into the lines that show:
  // a cell two lines high never formats a hundred thousand characters.
  std::string words;
  for (int i = 0; i < 20000; ++i) words += "abcd ";
  TRect cell = Rect(0, 0, word + 2, 2 * line - 1);
  EXPECT_EQ(Canvas().DrawText(words, cell, DT_WORDBREAK | DT_END_ELLIPSIS), 2 * line);
}

TEST_F(CanvasTest, LineBreaksStartNewLinesUnlessSingleLine) {
  int line = Canvas().TextHeight("x");
  TRect r = Rect(0, 0, 100, 0);
  EXPECT_EQ(Canvas().DrawText("a\r\nb\nc", r, DT_CALCRECT), 3 * line);
  r = Rect(0, 0, 100, 0);
  EXPECT_EQ(Canvas().DrawText("a\r\nb\nc", r, DT_CALCRECT | DT_SINGLELINE), line);
}

TEST_F(CanvasTest, PrefixCharactersAreRemovedUnlessNoPrefix) {
  TRect a = Rect(0, 0, 100, 0);
  TRect b = a;
  TRect c = a;
  Canvas().DrawText("&File", a, DT_CALCRECT | DT_SINGLELINE);
  Canvas().DrawText("File", b, DT_CALCRECT | DT_SINGLELINE);
  Canvas().DrawText("&File", c, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(a.Width(), b.Width());
  EXPECT_GT(c.Width(), b.Width());
}

struct AlignCase {
  unsigned Format;
  const char* Name;
};
void PrintTo(const AlignCase& c, std::ostream* os) { *os << c.Name; }

class DrawTextAlignment : public CanvasTest, public ::testing::WithParamInterface<AlignCase> {};

TEST_P(DrawTextAlignment, PlacesTheTextInsideTheRectangle) {
  Canvas().Brush().SetColor(clYellow);
  TRect r = Rect(0, 0, 40, 30);
  std::string text = "ii";
  int w = Canvas().TextWidth(text);
  int h = Canvas().TextHeight(text);
  int result = Canvas().DrawText(text, r, GetParam().Format | DT_SINGLELINE);
  TRect ink = Ink();
  int left = (GetParam().Format & DT_CENTER) ? (40 - w) / 2 : (GetParam().Format & DT_RIGHT) ? 40 - w : 0;
  int top = (GetParam().Format & DT_VCENTER) ? (30 - h) / 2 : (GetParam().Format & DT_BOTTOM) ? 30 - h : 0;
  EXPECT_EQ(ink, Rect(left, top, left + w, top + h));
  EXPECT_EQ(result, (GetParam().Format & (DT_VCENTER | DT_BOTTOM)) ? top + h : h);
}

INSTANTIATE_TEST_SUITE_P(Formats, DrawTextAlignment,
                         ::testing::Values(AlignCase{DT_LEFT, "Left"}, AlignCase{DT_CENTER, "Center"},
                                           AlignCase{DT_RIGHT, "Right"}, AlignCase{DT_VCENTER, "VCenter"},
                                           AlignCase{DT_BOTTOM | DT_RIGHT, "BottomRight"},
                                           AlignCase{DT_CENTER | DT_VCENTER, "Middle"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(CanvasTest, DrawTextClipsToTheRectangleUnlessNoClip) {
  Canvas().Brush().SetColor(clYellow);
  TRect r = Rect(0, 0, 5, 10);
  Canvas().DrawText("WWWW", r, DT_SINGLELINE);
  EXPECT_EQ(Ink().Right, 5);
  r = Rect(0, 12, 5, 22);
  Canvas().DrawText("WWWW", r, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(Ink().Right, 5);
}

TEST_F(CanvasTest, EndEllipsisShortensTextToTheWidth) {
  TRect r = Rect(0, 0, Canvas().TextWidth("WWWW"), 0);
  TRect calc = r;
  Canvas().DrawText("WWWWWWWWWWWW", calc, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_LE(calc.Width(), r.Width());
  EXPECT_GE(calc.Width(), Canvas().TextWidth("..."));
}

// A cut line is the longest prefix (for a path: the longest start of its
// folders) that fits the width with the dots, whatever the text's length.
TEST_F(CanvasTest, EllipsisKeepsTheLongestPrefixThatFitsWithTheDots) {
  std::string letters;
  for (int i = 0; i < 40000; ++i) letters += static_cast<char>(i % 7 == 6 ? ' ' : 'a' + i % 26);
  const struct {
    unsigned Format;
    std::string Text;
    int Width;
    std::string Tail;  // path ellipsis: what follows the dots
  } cases[] = {{DT_END_ELLIPSIS, "Tulvo Kelvorsk, Lenina 12", 60, ""},
               {DT_END_ELLIPSIS, "Lenina", 200, ""},
               {DT_END_ELLIPSIS, letters, 150, ""},
               {DT_END_ELLIPSIS, "Lenina", 3, ""},
               {DT_PATH_ELLIPSIS, "C:\\Tulvo\\Kelvorsk\\phones.db", 90, "\\phones.db"},
               {DT_PATH_ELLIPSIS, letters.substr(0, 5000) + "/phones.db", 120, "/phones.db"},
               {DT_PATH_ELLIPSIS, "C:\\" + letters.substr(0, 3000), 100, "\\" + letters.substr(0, 3000)},
               {DT_PATH_ELLIPSIS, letters.substr(0, 3000), 100, ""}};
  for (const auto& c : cases) {
    const std::string head = c.Text.substr(0, c.Text.size() - c.Tail.size());
    std::string expected = c.Text;
    if (Canvas().TextWidth(c.Text) > c.Width) {
      std::size_t keep = 0;
      while (keep < head.size() && Canvas().TextWidth(head.substr(0, keep + 1) + "..." + c.Tail) <= c.Width) ++keep;
      expected = head.substr(0, keep) + "..." + c.Tail;
    }
    TRect calc = Rect(0, 0, c.Width, 0);
    Canvas().DrawText(c.Text, calc, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE | c.Format);
    EXPECT_EQ(calc.Width(), Canvas().TextWidth(expected)) << c.Text.substr(0, 40) << " in " << c.Width;
  }
}

TEST_F(CanvasTest, ExpandedTabsGoToTheNextTabStop) {
  TRect r = Rect(0, 0, 400, 0);
  Canvas().DrawText("a\tb", r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
  int stop = 8 * Canvas().TextMetrics().AveCharWidth;
  EXPECT_EQ(r.Width(), stop + Canvas().TextWidth("b"));
}

TEST_F(CanvasTest, RussianTextIsMeasuredAsItsCharacters) {
  // "ЖЖ" in Windows-1251: a wide capital letter, twice.
  std::string zhe = "\xC6\xC6";
  EXPECT_GT(Canvas().TextWidth(zhe), Canvas().TextWidth("??"));
  EXPECT_EQ(Canvas().TextWidth(zhe), 2 * Canvas().TextWidth("\xC6"));
}

}  // namespace
