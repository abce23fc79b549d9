// The rules of middle-button panning without a mouse: the neutral zone,
// the direction and speed a pointer position asks for, the ticks between
// two scrolled lines and the cursors.

#include "grid/tree_list/tree_list_panning.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct TPanCase {
  const char* Name;
  bool HorizontalBar;
  bool VerticalBar;
  TPoint Pointer;  // the press was at (500, 500), the zone 32 wide
  TdxPanningDirection Direction;
  int Speed;
};

std::ostream& operator<<(std::ostream& out, const TPanCase& c) { return out << c.Name; }

class PanningMove : public ::testing::TestWithParam<TPanCase> {};

TEST_P(PanningMove, GivesDirectionAndSpeed) {
  const TPanCase& c = GetParam();
  const TdxPanningZone zone(Point(500, 500), 32, c.HorizontalBar, c.VerticalBar, Rect(0, 0, 1024, 768));
  const TdxPanningMove move = zone.MoveTo(c.Pointer);
  EXPECT_EQ(move.Direction, c.Direction);
  EXPECT_EQ(move.Speed, c.Speed);
  EXPECT_EQ(move.Outside, c.Direction != pdNone);
}

INSTANTIATE_TEST_SUITE_P(
    Zone, PanningMove,
    ::testing::Values(TPanCase{"ThirtyDownIsSpeedThree", true, true, Point(500, 530), pdDown, 3},
                      TPanCase{"AHundredDownIsTheTopSpeed", true, true, Point(500, 600), pdDown, 12},
                      TPanCase{"TheZonesEdgeIsOutside", true, true, Point(500, 516), pdDown, 1},
                      TPanCase{"InsideTheZoneNothingMoves", true, true, Point(510, 490), pdNone, 0},
                      TPanCase{"SidewaysWinsWhenItIsFurther", true, true, Point(440, 520), pdLeft, 9},
                      TPanCase{"EqualDistancesGoVertically", true, true, Point(470, 470), pdUp, 3},
                      TPanCase{"WithoutAHorizontalBarOnlyVertically", false, true, Point(800, 520), pdDown, 1},
                      TPanCase{"WithoutAHorizontalBarFarSidewaysIsStillInside", false, true, Point(1000, 505), pdNone,
                               0},
                      TPanCase{"WithoutAVerticalBarFarUpIsStillInside", true, false, Point(500, 10), pdNone, 0},
                      TPanCase{"WithoutAVerticalBarOnlyHorizontally", true, false, Point(560, 10), pdRight, 9}),
    [](const ::testing::TestParamInfo<TPanCase>& info) { return std::string(info.param.Name); });

TEST(Panning, OneLineEveryThirteenLessSpeedTicks) {
  EXPECT_EQ(PanningTicksPerLine(0), 0);
  EXPECT_EQ(PanningTicksPerLine(3), 10);  // 200 ms at 20 ms a tick
  EXPECT_EQ(PanningTicksPerLine(12), 1);
  EXPECT_EQ(PanningTicksPerLine(40), 1);
}

TEST(Panning, TheCursorTellsTheWaysAndTheDirection) {
  const TRect screen = Rect(0, 0, 800, 600);
  EXPECT_EQ(TdxPanningZone(Point(1, 1), 32, true, true, screen).CursorFor(pdNone), crdxTLFullScroll);
  EXPECT_EQ(TdxPanningZone(Point(1, 1), 32, true, false, screen).CursorFor(pdNone), crdxTLHorzScroll);
  EXPECT_EQ(TdxPanningZone(Point(1, 1), 32, false, true, screen).CursorFor(pdNone), crdxTLVertScroll);
  EXPECT_EQ(TdxPanningZone(Point(1, 1), 32, false, false, screen).CursorFor(pdNone), crdxTLVertScroll);
  const TdxPanningZone zone(Point(1, 1), 32, true, true, screen);
  EXPECT_EQ(zone.CursorFor(pdLeft), crdxTLLeftScroll);
  EXPECT_EQ(zone.CursorFor(pdUp), crdxTLUpScroll);
  EXPECT_EQ(zone.CursorFor(pdRight), crdxTLRightScroll);
  EXPECT_EQ(zone.CursorFor(pdDown), crdxTLDownScroll);
}

}  // namespace
