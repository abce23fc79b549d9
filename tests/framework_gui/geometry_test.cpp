// MulDiv, the share every width rule of the grid is computed with: the
// 64-bit product, rounded half away from zero, -1 for a zero divisor or a
// result that does not fit.

#include "framework/gui/graphics/geometry.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>

namespace {

struct TMulDivCase {
  int Number;
  int Numerator;
  int Denominator;
  int Expected;
  friend std::ostream& operator<<(std::ostream& os, const TMulDivCase& c) {
    return os << c.Number << " x " << c.Numerator << " / " << c.Denominator;
  }
};

class MulDivTest : public ::testing::TestWithParam<TMulDivCase> {};

TEST_P(MulDivTest, RoundsTheWideProductHalfAwayFromZero) {
  const TMulDivCase& c = GetParam();
  EXPECT_EQ(MulDiv(c.Number, c.Numerator, c.Denominator), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MulDivTest,
    ::testing::Values(TMulDivCase{10, 3, 4, 8},            // 7.5 rounds up
                      TMulDivCase{-10, 3, 4, -8},          // -7.5 rounds away from zero
                      TMulDivCase{10, -3, 4, -8}, TMulDivCase{10, 3, -4, -8}, TMulDivCase{-10, -3, -4, -8},
                      TMulDivCase{-10, 3, -4, 8},          // two signs cancel
                      TMulDivCase{7, 1, 3, 2},             // 2.33 rounds down
                      TMulDivCase{8, 1, 3, 3},             // 2.67 rounds up
                      TMulDivCase{1, 1, 2, 1}, TMulDivCase{-1, 1, 2, -1}, TMulDivCase{0, 5, 7, 0},
                      TMulDivCase{50, 80, 100, 40}, TMulDivCase{15, 80, 80, 15},
                      TMulDivCase{5, 7, 0, -1},            // zero divisor
                      TMulDivCase{0, 0, 0, -1},
                      TMulDivCase{INT_MAX, INT_MAX, INT_MAX, INT_MAX},  // the product needs 62 bits
                      TMulDivCase{65536, 65536, 65536, 65536},
                      TMulDivCase{INT_MAX, 2, 1, -1},      // does not fit
                      TMulDivCase{INT_MIN, 1, 1, INT_MIN}, TMulDivCase{INT_MIN, -1, 1, -1}));

}  // namespace
