// The arithmetic of sizing and moving: how a range absorbs a width change,
// where a dragged band or header lands, and which panel row count a
// sizing line stands for.

#include "grid/tree_list/tree_list_sizing_rules.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace {

struct ScaleCase {
  const char* Name;
  std::vector<int> Widths;
  int NewTotal;
  std::vector<int> Expected;
};
void PrintTo(const ScaleCase& c, std::ostream* os) { *os << c.Name; }

class ScaleWidthsTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ScaleWidthsTest, EachKeepsItsShareAndTheLastTakesTheRest) {
  const ScaleCase& c = GetParam();
  const std::vector<int> widths = ScaleWidths(c.Widths, c.NewTotal);
  EXPECT_EQ(widths, c.Expected);
  if (!widths.empty()) {
    EXPECT_EQ(std::accumulate(widths.begin(), widths.end(), 0), c.NewTotal);
  }
}

INSTANTIATE_TEST_SUITE_P(Ranges, ScaleWidthsTest,
                         ::testing::Values(ScaleCase{"Shrink", {80, 100}, 150, {67, 83}},
                                           ScaleCase{"Grow", {60, 80, 100}, 478, {120, 159, 199}},
                                           ScaleCase{"HalvesRoundAwayFromZero", {1, 1}, 3, {2, 1}},
                                           ScaleCase{"One", {40}, 70, {70}}, ScaleCase{"None", {}, 30, {}},
                                           ScaleCase{"ToNothing", {30, 10}, 0, {0, 0}},
                                           ScaleCase{"SomeOfNoWidth", {0, 50}, 100, {0, 100}}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(ScaleWidthsTest, ARangeOfNoWidthSharesTheNewWidthEvenly) {
  EXPECT_EQ(ScaleWidths({0, 0}, 20), (std::vector<int>{10, 10}));
  EXPECT_EQ(ScaleWidths({0, 0, 0}, 10), (std::vector<int>{3, 3, 4}));
  EXPECT_EQ(ScaleWidths({0, 0}, -6), (std::vector<int>{-3, -3}));
}

struct BandDropCase {
  const char* Name;
  int From;
  int Target;
  bool After;
  int LeftFixed;
  int RightFixed;
  int Expected;
};
void PrintTo(const BandDropCase& c, std::ostream* os) { *os << c.Name; }

class BandDropIndexTest : public ::testing::TestWithParam<BandDropCase> {};

TEST_P(BandDropIndexTest, TheDroppedBandTakesThePlaceItWasDroppedAt) {
  const BandDropCase& c = GetParam();
  EXPECT_EQ(BandDropIndex(c.From, c.Target, c.After, c.LeftFixed, c.RightFixed), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Places, BandDropIndexTest,
    ::testing::Values(BandDropCase{"AfterALaterBand", 0, 2, true, -1, -1, 2},
                      BandDropCase{"BeforeALaterBand", 0, 2, false, -1, -1, 1},
                      BandDropCase{"BeforeAnEarlierBand", 3, 1, false, -1, -1, 1},
                      BandDropCase{"AfterAnEarlierBand", 3, 1, true, -1, -1, 2},
                      BandDropCase{"OnItself", 2, 2, true, -1, -1, -2},
                      BandDropCase{"RightAfterItsLeftNeighbour", 2, 1, true, -1, -1, -2},
                      BandDropCase{"RightBeforeItsRightNeighbour", 2, 3, false, -1, -1, -2},
                      BandDropCase{"BeforeTheLeftFixedBand", 2, 0, false, 0, -1, -2},
                      BandDropCase{"AfterTheLeftFixedBand", 2, 0, true, 0, -1, 1},
                      BandDropCase{"AfterTheRightFixedBand", 1, 4, true, -1, 4, -2},
                      BandDropCase{"BeforeTheRightFixedBand", 1, 4, false, -1, 4, 3},
                      BandDropCase{"AHiddenBandGoesInWhereDropped", -1, 2, true, -1, -1, 3}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(HeaderDropPositionTest, TheColumnTakesTheSlotItWasDroppedAt) {
  EXPECT_EQ(HeaderDropPosition(-1, 0), 0) << "from another row";
  EXPECT_EQ(HeaderDropPosition(-1, 3), 3);
  EXPECT_EQ(HeaderDropPosition(0, 3), 2) << "after the last of three";
  EXPECT_EQ(HeaderDropPosition(2, 0), 0);
  EXPECT_EQ(HeaderDropPosition(1, 1), -2) << "its own left edge";
  EXPECT_EQ(HeaderDropPosition(1, 2), -2) << "its own right edge";
}

TEST(PanelRowsAtTest, TheLineSnapsToTheNearerRowBoundary) {
  // Rows of 13 pixels below a top of 20 with 6 pixels of frame.
  EXPECT_EQ(PanelRowsAt(20 + 6 + 13, 20, 13, 6, 5), 1);
  EXPECT_EQ(PanelRowsAt(20 + 6 + 19, 20, 13, 6, 5), 1);
  EXPECT_EQ(PanelRowsAt(20 + 6 + 20, 20, 13, 6, 5), 2);
  EXPECT_EQ(PanelRowsAt(0, 20, 13, 6, 5), 1) << "at least one row";
  EXPECT_EQ(PanelRowsAt(1000, 20, 13, 6, 5), 5) << "at most the maximum";
  EXPECT_EQ(PanelRowsAt(50, 20, 0, 0, 5), 1) << "rows of no height";
}

}  // namespace
