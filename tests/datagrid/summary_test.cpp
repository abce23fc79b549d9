// Totals without a grid: which values count, how totals finish, and the
// texts of summary values in group rows and footers.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "datagrid/control/node_cells.h"
#include "datagrid/summary/summary.h"
#include "framework/core/text/datetime.h"
#include "framework/core/text/format_settings.h"

namespace {

std::string Local(std::string text) {
  for (char& c : text)
    if (c == '.') c = FormatSettings().DecimalSeparator;
  return text;
}

struct FoldCase {
  const char* Name;
  TdxSummaryType Type;
  std::vector<Variant> Values;
  long double Expected;
};

class FoldTest : public ::testing::TestWithParam<FoldCase> {};

// Null, Empty and words are no numbers: a total leaves them out (a
// minimum of positive numbers or a maximum of negative ones shows it), and
// an average divides by the numbers it took; a count counts the records.
TEST_P(FoldTest, NullsAndNonNumbersStayOutOfTotals) {
  const FoldCase& c = GetParam();
  TdxSummaryAccumulator total;
  for (const Variant& value : c.Values)
    if (const std::optional<long double> number =
            c.Type == cstCount ? std::optional<long double>(0.0L) : SummaryNumber(value))
      AccumulateSummary(total, c.Type, *number);
  EXPECT_NEAR(static_cast<double>(FinishSummary(total, c.Type, static_cast<int>(c.Values.size()))),
              static_cast<double>(c.Expected), 1e-12);
}

std::vector<Variant> Positive() {
  return {Variant(4), Variant::Null(), Variant("x"), Variant(Local("1.5")), Variant(), Variant(2.5)};
}
std::vector<Variant> Negative() {
  return {Variant(-4), Variant::Null(), Variant("x"), Variant(Local("-1.5")), Variant(), Variant(true)};
}

INSTANTIATE_TEST_SUITE_P(Kinds, FoldTest,
                         ::testing::Values(FoldCase{"Sum", cstSum, Positive(), 8}, FoldCase{"Min", cstMin, Positive(), 1.5L},
                                           FoldCase{"Max", cstMax, Negative(), -1},
                                           FoldCase{"Count", cstCount, Positive(), 6},
                                           FoldCase{"Avg", cstAvg, Positive(), 8.0L / 3},
                                           FoldCase{"None", cstNone, Positive(), 0}),
                         [](const auto& info) { return std::string(info.param.Name); });

// A column of values packed as record nodes keep them and read the way
// the grid totals a million records (a batch read, whole numbers added in
// 64 bits) totals exactly as adding the values one by one does: the same
// rounding, sign of zero and NaN. A text stands for a cell that keeps no
// value, read through its text.
struct BatchFoldCase {
  const char* Name;
  std::vector<Variant> Values;
};

class BatchFoldTest : public ::testing::TestWithParam<BatchFoldCase> {};

bool SameNumber(long double a, long double b) {
  return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

TEST_P(BatchFoldTest, TotalsAsAddingOneByOne) {
  const std::vector<Variant>& values = GetParam().Values;
  const std::size_t count = values.size();
  const std::unique_ptr<TdxNodeCells[]> cells(new TdxNodeCells[count]);
  std::vector<const TdxNodeCells*> read(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (values[i].StringPtr() != nullptr)
      cells[i].SetText(0, values[i].AsString());
    else
      cells[i].SetValue(0, &values[i]);
    read[i] = &cells[i];
  }
  std::vector<TdxCellNumber> numbers(count);
  TdxNodeCells::SummaryNumbers(read.data(), count, count, 0, numbers.data());
  TdxSummaryFold fold;
  fold.Add(numbers.data(), count, [&](std::size_t i) {
    std::optional<long double> number;
    if (!cells[i].SummaryNumber(0, number)) number = SummaryNumber(Variant(std::string(cells[i].Text(0))));
    return number;
  });
  for (const TdxSummaryType type : {cstSum, cstMin, cstMax, cstAvg}) {
    SCOPED_TRACE(static_cast<int>(type));
    TdxSummaryAccumulator want;
    for (const Variant& value : values)
      if (const std::optional<long double> number = SummaryNumber(value))
        AccumulateSummary(want, type, *number);
    TdxSummaryAccumulator got;
    fold.Finish(got, type);
    EXPECT_TRUE(SameNumber(got.Value, want.Value))
        << static_cast<double>(got.Value) << " " << static_cast<double>(want.Value);
    EXPECT_EQ(got.Assigned, want.Assigned);
    EXPECT_EQ(got.Count, want.Count);
  }
}

// 2^53 (the last whole number a double holds with its neighbours) taken
// count times, a 1 after each: the 64-bit sum overflows halfway, and past
// 2^64 the extended sum rounds the ones away as adding one by one does.
std::vector<Variant> PastSixtyFourBits(int count) {
  std::vector<Variant> values;
  for (int i = 0; i < count; ++i) {
    values.emplace_back(std::int64_t{1} << 53);
    values.emplace_back(1);
  }
  return values;
}

const std::int64_t Big = std::int64_t{1} << 53;
const double NaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Columns, BatchFoldTest,
    ::testing::Values(BatchFoldCase{"WholeNumbersAndNulls",
                                    {Variant(5), Variant::Null(), Variant(-3), Variant(std::int16_t{7}),
                                     Variant(), Variant(0)}},
                      BatchFoldCase{
                          "WholeThenFractionsThenWhole",
                          {Variant(3), Variant(0.1), Variant(2), Variant(1e17), Variant(1), Variant(0.2)}},
                      BatchFoldCase{"BeyondWhatADoubleHolds",
                                    {Variant(Big), Variant(Big + 1), Variant(-Big - 1), Variant(3),
                                     Variant((std::int64_t{1} << 60) + 1)}},
                      BatchFoldCase{"SumPastSixtyFourBits", PastSixtyFourBits(2100)},
                      BatchFoldCase{"NegativeZeros", {Variant(-0.0), Variant(-0.0)}},
                      BatchFoldCase{"NegativeZeroThenWholeZero", {Variant(-0.0), Variant(0), Variant(-0.0)}},
                      BatchFoldCase{"NaNs", {Variant(2), Variant(NaN), Variant(1)}},
                      BatchFoldCase{"NaNFirst", {Variant(NaN), Variant(3), Variant(-3)}},
                      BatchFoldCase{"TextsBooleansAndCurrency",
                                    {Variant("12"), Variant(true), Variant(TCurrency{12345}), Variant::Null(),
                                     Variant(4), Variant("abc")}},
                      BatchFoldCase{"NoNumbers", {Variant::Null(), Variant("abc")}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Summary, AnAverageOfNothingIsZero) {
  EXPECT_EQ(FinishSummary(TdxSummaryAccumulator{}, cstAvg, 5), 0);
  EXPECT_EQ(FinishSummary(TdxSummaryAccumulator{}, cstCount, 0), 0);
}

struct FormatCase {
  TdxSummaryType Type;
  const char* Format;
  TdxSummaryStyle Style;
  double Value;
  const char* Expected;
};

class FormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, DefaultsFollowTypeAndStyle) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(FormatSummaryValue(c.Type, c.Format, 0, c.Style, c.Value), Local(c.Expected));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FormatTest,
    ::testing::Values(FormatCase{cstSum, "", ssFooter, 1234.5, "1234.50"}, FormatCase{cstSum, "", ssFooter, -2, "-2.00"},
                      FormatCase{cstSum, "", ssGroupRow, -2, "(SUM=-2.00)"},
                      FormatCase{cstMin, "", ssFooter, 3, "MIN=3.00"}, FormatCase{cstMin, "", ssGroupRow, 3, "(MIN=3.00)"},
                      FormatCase{cstMax, "", ssFooter, -1, "MAX=-1.00"}, FormatCase{cstCount, "", ssFooter, 0, "0"},
                      FormatCase{cstCount, "", ssGroupRow, 12, "(COUNT=12)"},
                      FormatCase{cstAvg, "", ssFooter, 0, "AVG=0.00"}, FormatCase{cstAvg, "0.0", ssFooter, 2.25, "2.3"},
                      FormatCase{cstNone, "0", ssFooter, 5, ""}));

TEST(Summary, DateTotalsShowTheDateBetweenPrefixAndSuffix) {
  const TDateTime day = EncodeDate(2026, 12, 9);
  const std::string text = DateToStr(day);
  EXPECT_EQ(FormatSummaryValue(cstMin, "", ftDate, ssGroupRow, day), "(MIN=" + text + ")");
  EXPECT_EQ(FormatSummaryValue(cstMin, "", ftDate, ssFooter, day), "MIN=" + text);
  EXPECT_EQ(FormatSummaryValue(cstSum, "", ftDate, ssFooter, day), text);
  EXPECT_EQ(FormatSummaryValue(cstMax, "Last ", ftDate, ssGroupRow, day), "Last " + text) << "a custom prefix, no suffix";
}

}  // namespace
