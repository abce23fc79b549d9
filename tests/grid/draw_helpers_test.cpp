#include "grid/draw_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>

#include "framework/core/base/exceptions.h"
#include "framework/gui/bitmap.h"
#include "framework/gui/canvas.h"
#include "framework/gui/screen.h"

namespace {

// A white work bitmap, and a cell of it to draw text into: the text
// rectangle lies 2 pixels inside the cell on every side.
class DrawCellTextTest : public ::testing::Test {
 protected:
  static constexpr TRect Cell = Rect(10, 10, 130, 40);
  static constexpr TRect Text = Rect(12, 12, 128, 38);

  void SetUp() override {
    FBitmap.SetSize(160, 80);
    Canvas().Brush().SetColor(clWhite);
    Canvas().FillRect(Rect(0, 0, 160, 80));
    FBrush.SetColor(clAqua);
  }
  TCanvas& Canvas() { return FBitmap.Canvas(); }
  TColor Px(int x, int y) { return Canvas().Pixels(x, y); }

  int Draw(std::string_view text, unsigned flags, TRect textRect = Text, TRect cellRect = Cell,
           int* textHeight = nullptr) {
    return DrawCellText(Canvas(), text, textHeight, clBlack, clYellow, FFont, FBrush, flags, textRect,
                        cellRect);
  }

  // Bounding rectangle of the pixels inside area that are none of the
  // given background colours: the text's ink.
  TRect Ink(const TRect& area, std::initializer_list<TColor> background) {
    TRect r{1000, 1000, -1, -1};
    for (int y = area.Top; y < area.Bottom; ++y)
      for (int x = area.Left; x < area.Right; ++x)
        if (std::find(background.begin(), background.end(), Px(x, y)) == background.end()) {
          r.Left = std::min(r.Left, x);
          r.Top = std::min(r.Top, y);
          r.Right = std::max(r.Right, x + 1);
          r.Bottom = std::max(r.Bottom, y + 1);
        }
    return r.Right < 0 ? TRect{} : r;
  }
  TRect Whole() const { return Rect(0, 0, FBitmap.Width(), FBitmap.Height()); }
  TSize Extent(std::string_view text) {
    Canvas().Font().Assign(&FFont);
    return Canvas().TextExtent(text);
  }

  TBitmap FBitmap;
  TFont FFont;
  TBrush FBrush;
};

TEST_F(DrawCellTextTest, MeasuringAnEmptyTextGivesZeroAndDrawsNothing) {
  int height = -1;
  EXPECT_EQ(Draw("", CTF_MEASURE | CTF_FOCUSRECT, Text, Cell, &height), 0);
  EXPECT_EQ(height, 0);
  EXPECT_EQ(Ink(Whole(), {clWhite}), TRect{});
  EXPECT_EQ(Draw("", CTF_MEASURE | CTF_WORDBREAK), 0);
}

TEST_F(DrawCellTextTest, MeasuringOneLineGivesItsHeightPlusTheCellsMargins) {
  int height = 0;
  const int needed = Draw("Kelvorsk", CTF_MEASURE | CTF_VCENTER, Text, Cell, &height);
  EXPECT_EQ(height, Extent("Kelvorsk").cy);
  EXPECT_EQ(needed, height + 4);
  EXPECT_EQ(Ink(Whole(), {clWhite}), TRect{});
}

TEST_F(DrawCellTextTest, MeasuringWrappedTextCountsEveryLine) {
  const TRect narrow = Rect(12, 12, 12 + Extent("Ulitsa").cx + 2, 38);
  const TRect cell = Rect(10, 10, narrow.Right + 2, 40);
  int line = 0;
  const int needed = Draw("Ulitsa Lesnaya dom", CTF_MEASURE | CTF_WORDBREAK, narrow, cell, &line);
  EXPECT_EQ(line, Extent("U").cy);
  EXPECT_EQ(needed, 3 * line + 4);
  // A line break alone does not wrap a single-line cell.
  EXPECT_EQ(Draw("one\ntwo", CTF_MEASURE), line + 4);
}

TEST_F(DrawCellTextTest, CellIsFilledAndTheTextWrittenOverIt) {
  Draw("Kelvorsk", CTF_LEFT);
  // The run's clip rectangle (the cell) is filled with the background colour.
  EXPECT_EQ(Px(Cell.Left, Cell.Top), clYellow);
  EXPECT_EQ(Px(Cell.Right - 1, Cell.Bottom - 1), clYellow);
  EXPECT_EQ(Px(Cell.Right, Cell.Bottom), clWhite);
  const TRect ink = Ink(Cell, {clYellow});
  EXPECT_GE(ink.Left, Text.Left);
  EXPECT_LE(ink.Right, Text.Left + Extent("Kelvorsk").cx + 1);
}

TEST_F(DrawCellTextTest, NoFillLeavesTheBackgroundAndDrawsTransparently) {
  Draw("Kelvorsk", CTF_NOFILL);
  EXPECT_EQ(Px(Cell.Left, Cell.Top), clWhite);
  const TRect ink = Ink(Cell, {clWhite});
  EXPECT_FALSE(ink.IsEmpty());
  for (int y = ink.Top; y < ink.Bottom; ++y)
    for (int x = ink.Left; x < ink.Right; ++x) EXPECT_NE(Px(x, y), clYellow) << x << "," << y;
}

TEST_F(DrawCellTextTest, KeptOpaqueBackgroundModeGivesTheTextItsBackground) {
  Canvas().SetBkMode(bkOpaque);
  Draw("Kelvorsk", CTF_NOFILL | CTF_KEEP_BKMODE);
  EXPECT_EQ(Px(Text.Left, Text.Top), clYellow);
  EXPECT_EQ(Px(Cell.Left, Cell.Top), clWhite);
}

TEST_F(DrawCellTextTest, FormattedTextFillsTheCellWithTheBrush) {
  Draw("Ulitsa Lesnaya", CTF_WORDBREAK);
  EXPECT_EQ(Px(Cell.Left, Cell.Top), clAqua);
  EXPECT_EQ(Px(Cell.Right - 1, Cell.Bottom - 1), clAqua);
  EXPECT_FALSE(Ink(Text, {clAqua}).IsEmpty());
}

TEST_F(DrawCellTextTest, WideRunIsClippedAtTheTextRectAndTheRestOfTheCellTakesTheBrush) {
  const std::string text(40, 'W');
  const TRect text1 = Rect(12, 12, 60, 38);
  Draw(text, CTF_LEFT, text1);
  EXPECT_EQ(Px(60, 20), clAqua);
  EXPECT_EQ(Px(Cell.Right - 1, 20), clAqua);
  EXPECT_EQ(Ink(Rect(60, Cell.Top, Cell.Right, Cell.Bottom), {clAqua}), TRect{});
  EXPECT_LE(Ink(Cell, {clYellow, clAqua}).Right, 60);
}

TEST_F(DrawCellTextTest, EndEllipsisEndsAWideTextWithDotsInsideTheTextRect) {
  const TRect text1 = Rect(12, 12, 70, 38);
  Draw("WWWWWWWWWWWWWWWWWWWW", CTF_END_ELLIPSIS | CTF_NOFILL, text1);
  const TRect ink = Ink(Whole(), {clWhite});
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_LE(ink.Right, 70);
  // The last columns hold dots: low, short marks, no full-height glyph.
  const TRect tail = Ink(Rect(ink.Right - 2, 0, ink.Right, 80), {clWhite});
  EXPECT_LT(tail.Height(), ink.Height() / 2);
  EXPECT_GE(tail.Top, ink.Top + ink.Height() / 2);
}

TEST_F(DrawCellTextTest, PrefixMarksAreInterpretedOnlyWhenAsked) {
  Draw("&File", CTF_NOFILL | CTF_PREFIX);
  const TRect prefixed = Ink(Whole(), {clWhite});
  SetUp();
  Draw("&File", CTF_NOFILL);
  const TRect plain = Ink(Whole(), {clWhite});
  EXPECT_LT(prefixed.Width(), plain.Width());
  EXPECT_NEAR(prefixed.Width(), Extent("File").cx, 2);
}

struct AlignmentCase {
  const char* Name;
  unsigned Flags;
  // Where the ink should be: fractions of the free room left / above it.
  double Horizontal;
  double Vertical;
};

void PrintTo(const AlignmentCase& c, std::ostream* os) { *os << c.Name; }

class AlignmentTest : public DrawCellTextTest, public ::testing::WithParamInterface<AlignmentCase> {};

TEST_P(AlignmentTest, TextIsPlacedByTheAlignmentBits) {
  const AlignmentCase& c = GetParam();
  const TRect tall = Rect(12, 12, 128, 70);
  const TRect cell = Rect(10, 10, 130, 72);
  // Once through each path: a plain run, and formatted (prefix marks on).
  for (unsigned path : {0u, CTF_PREFIX}) {
    SetUp();
    Draw("HHHH", c.Flags | path | CTF_NOFILL, tall, cell);
    const TSize extent = Extent("HHHH");
    const TRect ink = Ink(cell, {clWhite});
    ASSERT_FALSE(ink.IsEmpty());
    const int left = tall.Left + static_cast<int>(c.Horizontal * (tall.Width() - extent.cx));
    const int top = tall.Top + static_cast<int>(c.Vertical * (tall.Height() - extent.cy));
    EXPECT_NEAR(ink.Left, left, 3) << "path " << path;
    EXPECT_GE(ink.Top, top) << "path " << path;
    EXPECT_LE(ink.Bottom, top + extent.cy) << "path " << path;
  }
}

INSTANTIATE_TEST_SUITE_P(Bits, AlignmentTest,
                         ::testing::Values(AlignmentCase{"LeftTop", CTF_LEFT, 0, 0},
                                           AlignmentCase{"Centre", CTF_CENTER, 0.5, 0},
                                           AlignmentCase{"Right", CTF_RIGHT, 1, 0},
                                           AlignmentCase{"VerticalCentre", CTF_VCENTER, 0, 0.5},
                                           AlignmentCase{"Bottom", CTF_RIGHT | CTF_BOTTOM, 1, 1}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DrawCellTextTest, FocusRectangleFramesTheTextRectGrownByOne) {
  Draw("Kelvorsk", CTF_FOCUSRECT | CTF_NOFILL);
  // The frame inverts every other pixel of its outline.
  const TRect frame = Ink(Whole(), {clWhite});
  EXPECT_EQ(frame.Left, Text.Left - 1);
  EXPECT_EQ(frame.Top, Text.Top - 1);
  EXPECT_GE(frame.Right, Text.Right);
  EXPECT_GE(frame.Bottom, Text.Bottom);
}

TEST_F(DrawCellTextTest, FocusRectangleAroundRightAlignedTextSurroundsTheText) {
  const std::string text = "Kelvorsk";
  Draw(text, CTF_RIGHT | CTF_WORDBREAK | CTF_FOCUSRECT | CTF_FOCUS_ON_TEXT | CTF_NOFILL);
  const TRect marks = Ink(Whole(), {clWhite});
  const TSize extent = Extent(text);
  EXPECT_NEAR(marks.Left, Text.Right - extent.cx - 1, 1);
  EXPECT_LE(marks.Right, Text.Right + 1);
  EXPECT_EQ(marks.Top, Text.Top - 1);
  EXPECT_LE(marks.Bottom, Text.Top + extent.cy + 1);
}

TEST_F(DrawCellTextTest, FocusRectangleAroundCentredSingleLineFollowsTheText) {
  const std::string text = "&Kelvorsk";
  Draw(text, CTF_VCENTER | CTF_PREFIX | CTF_FOCUSRECT | CTF_FOCUS_ON_TEXT | CTF_NOFILL);
  const TRect marks = Ink(Whole(), {clWhite});
  const int height = Extent("K").cy;
  const int top = Text.Top + (Text.Height() - height) / 2;
  EXPECT_EQ(marks.Top, top - 1);
  EXPECT_EQ(marks.Bottom, top + height + 1);
  EXPECT_EQ(marks.Left, Text.Left - 1);
}

TEST_F(DrawCellTextTest, FocusRectangleAroundNoTextIsNotDrawn) {
  Draw("", CTF_FOCUSRECT | CTF_FOCUS_ON_TEXT | CTF_NOFILL | CTF_WORDBREAK);
  Draw("", CTF_FOCUSRECT | CTF_FOCUS_ON_TEXT | CTF_NOFILL);
  EXPECT_EQ(Ink(Whole(), {clWhite}), TRect{});
}

TEST_F(DrawCellTextTest, CanvasStateIsAsBeforeAfterwards) {
  Canvas().Font().SetColor(clMaroon);
  Canvas().Font().SetHeight(-20);
  Canvas().Brush().SetColor(clGreen);
  Canvas().SetBkMode(bkTransparent);
  FFont.SetStyle({fsBold});
  Draw("Kelvorsk", CTF_WORDBREAK | CTF_FOCUSRECT);
  EXPECT_EQ(Canvas().Font().Color(), clMaroon);
  EXPECT_EQ(Canvas().Font().Height(), -20);
  EXPECT_TRUE(Canvas().Font().Style().Empty());
  EXPECT_EQ(Canvas().Brush().Color(), clGreen);
  EXPECT_EQ(Canvas().BkMode(), bkTransparent);
}

// ------------------------------------------------------------- pop-ups

struct PopupCase {
  const char* Name;
  TPoint Origin;
  int Width, Height, Anchor;
  TPoint Expected;
};

void PrintTo(const PopupCase& c, std::ostream* os) { *os << c.Name; }

class PopupPlacementTest : public ::testing::TestWithParam<PopupCase> {};

TEST_P(PopupPlacementTest, PopupStaysInsideTheArea) {
  const PopupCase& c = GetParam();
  const TRect area = Rect(0, 0, 1000, 1000);
  TPoint origin = c.Origin;
  FitPopupToArea(origin, c.Width, c.Height, c.Anchor, area);
  EXPECT_EQ(origin, c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, PopupPlacementTest,
    ::testing::Values(PopupCase{"Fits", {100, 200}, 150, 300, 20, {100, 200}},
                      PopupCase{"PastTheLeftEdge", {-40, 200}, 150, 300, 20, {0, 200}},
                      PopupCase{"PastTheRightEdge", {900, 200}, 150, 300, 20, {850, 200}},
                      PopupCase{"EndsExactlyAtTheBottom", {100, 700}, 150, 300, 20, {100, 700}},
                      PopupCase{"PastTheBottomWithMoreRoomAbove", {100, 800}, 150, 300, 20, {100, 480}},
                      PopupCase{"PastTheBottomWithMoreRoomBelow", {100, 300}, 150, 800, 20, {100, 300}},
                      // 500 below the editor, 480 above it: stays below.
                      PopupCase{"EditorJustAboveTheMiddle", {100, 500}, 150, 600, 20, {100, 500}},
                      PopupCase{"EditorJustBelowTheMiddle", {100, 530}, 150, 600, 20, {100, -90}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PopupWorkAreaTest, PopupIsFittedIntoTheWorkAreaOfTheMonitorAtItsOrigin) {
  ASSERT_NE(Screen, nullptr);
  const TRect area = Screen->MonitorWorkAreaAt(Point(5, 5));
  EXPECT_EQ(GetWorkAreaAtPoint(Point(5, 5)), area);
  TPoint origin = Point(area.Right - 10, area.Top + 5);
  FitPopupToWorkArea(origin, 100, 50, 20);
  EXPECT_EQ(origin, Point(area.Right - 100, area.Top + 5));
}

// ------------------------------------------------------------- bitmaps

TEST(BitmapHelpersTest, EnsureBitmapSizeGrowsButNeverShrinks) {
  TBitmap bitmap(30, 10);
  EnsureBitmapSize(bitmap, 20, 40);
  EXPECT_EQ(bitmap.Width(), 30);
  EXPECT_EQ(bitmap.Height(), 40);
  EnsureBitmapSize(bitmap, 5, 5);
  EXPECT_EQ(bitmap.Width(), 30);
  EXPECT_EQ(bitmap.Height(), 40);
}

// A 3 x 3 glyph: white (its transparent colour) with a red centre.
class TGlyph : public TBitmap {
 public:
  TGlyph() : TBitmap(3, 3) {
    Canvas().Brush().SetColor(clWhite);
    Canvas().FillRect(Rect(0, 0, 3, 3));
    Canvas().SetPixel(1, 1, clRed);
  }
};

TEST(BitmapHelpersTest, BitmapMaskShowsTheBrushThroughTransparentPixels) {
  TBitmap target(20, 20);
  TBrush brush;
  brush.SetColor(clBlue);
  FillAndDrawBitmapMask(target.Canvas(), brush, Rect(2, 2, 12, 12), TGlyph(), Rect(5, 5, 8, 8));
  EXPECT_EQ(target.Canvas().Pixels(2, 2), clBlue);
  EXPECT_EQ(target.Canvas().Pixels(5, 5), clBlue);
  EXPECT_EQ(target.Canvas().Pixels(6, 6), clRed);
  EXPECT_EQ(target.Canvas().Pixels(11, 11), clBlue);
  EXPECT_EQ(target.Canvas().Pixels(12, 12), clWhite);
}

TEST(BitmapHelpersTest, BitmapOverPatternBrushShowsThePattern) {
  TdxDrawingBrushesScope brushes;
  TBitmap target(10, 10);
  target.Canvas().Font().SetColor(clBlack);
  DrawBitmapOverBrush(target.Canvas(), CheckerboardBrush(), Rect(0, 0, 3, 3), TGlyph());
  EXPECT_EQ(target.Canvas().Pixels(0, 0), clBlack);
  EXPECT_EQ(target.Canvas().Pixels(1, 0), clWhite);
  EXPECT_EQ(target.Canvas().Pixels(2, 0), clBlack);
  EXPECT_EQ(target.Canvas().Pixels(1, 1), clRed);
}

TEST(BitmapHelpersTest, ShadowStripsFillTheBottomAndRightEdges) {
  TdxDrawingBrushesScope brushes;
  TBitmap target(20, 20);
  target.Canvas().Brush().SetColor(clWhite);
  target.Canvas().FillRect(Rect(0, 0, 20, 20));
  FillShadowStrips(target.Canvas(), Rect(2, 2, 12, 12), 3, ShadowBrush());
  const TColor shadow = ColorToRGB(clBtnShadow);
  EXPECT_EQ(target.Canvas().Pixels(2, 9), shadow);
  EXPECT_EQ(target.Canvas().Pixels(2, 8), clWhite);
  EXPECT_EQ(target.Canvas().Pixels(9, 2), shadow);
  EXPECT_EQ(target.Canvas().Pixels(8, 2), clWhite);
  EXPECT_EQ(target.Canvas().Pixels(11, 11), shadow);
  EXPECT_EQ(target.Canvas().Pixels(12, 11), clWhite);
}

TEST(BitmapHelpersTest, ProcessBrushesLiveWhileAScopeIsOpen) {
  EXPECT_THROW(ShadowBrush(), EInvalidOperation);
  {
    TdxDrawingBrushesScope outer;
    const TBrush* shadow = &ShadowBrush();
    {
      TdxDrawingBrushesScope inner;
      EXPECT_EQ(&ShadowBrush(), shadow);
    }
    EXPECT_EQ(&ShadowBrush(), shadow);
    EXPECT_NE(CheckerboardBrush().Bitmap(), nullptr);
  }
  EXPECT_THROW(CheckerboardBrush(), EInvalidOperation);
}

}  // namespace
