// Totals without a grid: which values count, how totals finish, and the
// texts of summary values in group rows and footers.

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
