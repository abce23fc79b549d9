// The width rules of bands and header columns, window-free: the header
// cells' own sharing, the column sizing width and the bands' display
// widths, with zero-width and fixed (non-sizable) members.

#include "grid/tree_list/tree_list_widths.h"

#include <gtest/gtest.h>

#include <numeric>
#include <ostream>
#include <string>
#include <vector>

namespace {

std::string Text(const std::vector<int>& widths) {
  std::string s;
  for (int w : widths) s += (s.empty() ? "" : " ") + std::to_string(w);
  return s;
}

struct TRowCase {
  std::string Name;
  std::vector<TdxWidthItem> Columns;
  int BandWidth;
  std::string Shares;   // ShareHeaderRowWidths
  std::string Widths;   // HeaderColumnWidth for each position
  friend std::ostream& operator<<(std::ostream& os, const TRowCase& c) { return os << c.Name; }
};

class HeaderRowWidths : public ::testing::TestWithParam<TRowCase> {};

TEST_P(HeaderRowWidths, ShareTheBandAndKeepEveryMinimum) {
  const TRowCase& c = GetParam();
  EXPECT_EQ(Text(ShareHeaderRowWidths(c.Columns, c.BandWidth)), c.Shares);
  std::vector<int> widths;
  for (int i = 0; i < static_cast<int>(c.Columns.size()); ++i)
    widths.push_back(HeaderColumnWidth(c.Columns, i, c.BandWidth));
  EXPECT_EQ(Text(widths), c.Widths);
  // The row's last column absorbs what the others leave, whenever their
  // minimums fit the band.
  int minimums = 0;
  for (const TdxWidthItem& column : c.Columns) minimums += column.Sizable ? column.MinWidth : column.Width;
  if (minimums <= c.BandWidth) {
    EXPECT_EQ(std::accumulate(widths.begin(), widths.end(), 0), c.BandWidth);
  }
  for (std::size_t i = 0; i + 1 < widths.size(); ++i) EXPECT_GE(widths[i], c.Columns[i].MinWidth) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Table, HeaderRowWidths,
    ::testing::Values(
        TRowCase{"Proportional", {{30, 20, true}, {70, 20, true}}, 100, "30 70", "30 70"},
        TRowCase{"FirstBelowItsMinimum", {{30, 40, true}, {70, 20, true}}, 100, "40 60", "40 60"},
        TRowCase{"ShortfallGoesToTheOthers", {{80, 20, true}, {20, 15, true}}, 50, "35 15", "35 15"},
        TRowCase{"FixedColumnKeepsItsWidth", {{30, 20, false}, {5, 20, true}}, 100, "30 70", "30 70"},
        TRowCase{"NarrowBandGivesMinimums", {{50, 20, true}, {50, 20, true}}, 30, "20 20", "20 10"},
        TRowCase{"ZeroWidthColumnsTakeTheirMinimum", {{0, 5, true}, {0, 5, true}, {0, 5, true}}, 30, "5 5 5",
                 "5 5 20"},
        TRowCase{"ZeroWidthBesideAWideColumn", {{0, 0, true}, {100, 10, true}}, 60, "0 60", "0 60"},
        TRowCase{"OnlyFixedColumns", {{40, 40, false}, {25, 25, false}}, 80, "40 25", "40 40"},
        TRowCase{"EmptyBand", {{10, 10, true}, {10, 10, true}}, 0, "10 10", "10 0"}));

// A share whose divisor is 0 (every column without width, or a pass that
// left no column to share with) gives the minimum: never -1 or below.
TEST(HeaderWidths, ZeroDivisorShareGivesTheMinimumWidth) {
  const std::vector<TdxWidthItem> zero{{0, 5, true}, {0, 5, true}, {0, 5, true}};
  EXPECT_EQ(HeaderColumnWidth(zero, 0, 30), 5);
  EXPECT_EQ(HeaderColumnWidth(zero, 1, 30), 5);
  EXPECT_EQ(HeaderColumnWidth(zero, 2, 30), 20);
  int total = 0;
  const std::vector<int> bands = BandDisplayWidths({{0, 0, true}, {0, 0, true}}, true, 200, 0, total);
  EXPECT_EQ(total, 200);
  EXPECT_EQ(Text(bands), "0 200");
}

struct TBandCase {
  std::string Name;
  std::vector<TdxWidthItem> Bands;
  bool AutoWidth;
  int Available;
  int GroupIndent;
  int Total;
  std::string Widths;
  friend std::ostream& operator<<(std::ostream& os, const TBandCase& c) { return os << c.Name; }
};

class BandWidths : public ::testing::TestWithParam<TBandCase> {};

TEST_P(BandWidths, DisplayWidthsAndTotal) {
  const TBandCase& c = GetParam();
  int total = -1;
  EXPECT_EQ(Text(BandDisplayWidths(c.Bands, c.AutoWidth, c.Available, c.GroupIndent, total)), c.Widths);
  EXPECT_EQ(total, c.Total);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BandWidths,
    ::testing::Values(
        TBandCase{"NoBands", {}, true, 500, 7, 0, ""},
        TBandCase{"NaturalWidths", {{100, 30, true}, {150, 30, true}}, false, 500, 7, 257, "100 150"},
        TBandCase{"AutoWidthShares", {{100, 30, true}, {300, 30, true}}, true, 800, 0, 800, "200 600"},
        TBandCase{"AutoWidthWithIndent", {{100, 30, true}, {300, 30, true}}, true, 410, 10, 410, "100 300"},
        TBandCase{"NarrowerThanMinimums", {{100, 80, true}, {300, 90, true}}, true, 100, 5, 175, "80 90"},
        TBandCase{"NoSizableBand", {{100, 100, false}, {60, 60, false}}, true, 500, 0, 160, "100 60"},
        TBandCase{"FixedBandKeepsItsWidth", {{100, 100, false}, {100, 30, true}}, true, 400, 0, 400, "100 300"},
        TBandCase{"MinimumAboveItsShare", {{10, 50, true}, {190, 30, true}}, true, 200, 0, 200, "50 150"}));

}  // namespace
