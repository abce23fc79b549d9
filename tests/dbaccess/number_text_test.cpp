#include "dbaccess/util/number_text.h"

#include <gtest/gtest.h>

#include <limits>

#include "framework/core/base/exceptions.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/text/sysutils.h"

namespace {

constexpr std::int64_t Min64 = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t Max64 = std::numeric_limits<std::int64_t>::max();

TEST(Int64Text, ExtremesAndTheTableBoundary) {
  EXPECT_EQ(Int64ToText(Min64), "-9223372036854775808");
  EXPECT_EQ(Int64ToText(Max64), "9223372036854775807");
  EXPECT_EQ(Int64ToText(0), "0");
  EXPECT_EQ(Int64ToText(-1), "-1");
  EXPECT_EQ(Int64ToText(999999999999999999), "999999999999999999");
  EXPECT_EQ(Int64ToText(1000000000000000000), "1000000000000000000");
}

struct TScaledCase {
  int Places;
  char Separator;
  std::int64_t Value;
  const char* Text;
};

void PrintTo(const TScaledCase& c, std::ostream* os) { *os << c.Value << " / 10^" << c.Places; }

class ScaledInt64TextTest : public ::testing::TestWithParam<TScaledCase> {};

TEST_P(ScaledInt64TextTest, WritesTheValueWithoutTrailingZeros) {
  const TScaledCase& c = GetParam();
  EXPECT_EQ(ScaledInt64ToText(c.Places, c.Separator, c.Value), c.Text);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScaledInt64TextTest,
                         ::testing::Values(TScaledCase{2, ',', 12345, "123,45"},
                                           TScaledCase{2, ',', 12300, "123"},
                                           TScaledCase{2, ',', 12310, "123,1"},
                                           TScaledCase{3, '.', 5, "0.005"}, TScaledCase{3, '.', -5, "-0.005"},
                                           TScaledCase{0, '.', -42, "-42"}, TScaledCase{2, '.', 0, "0"},
                                           TScaledCase{2, '.', 100, "1"},
                                           TScaledCase{4, '.', Min64, "-922337203685477.5808"},
                                           TScaledCase{19, '.', Max64, "0.9223372036854775807"},
                                           TScaledCase{22, '.', 1, "0.0000000000000000000001"}));

struct TBcdCase {
  std::int64_t Value;
  int Places;
};

void PrintTo(const TBcdCase& c, std::ostream* os) { *os << c.Value << " / 10^" << c.Places; }

class BcdRoundTripTest : public ::testing::TestWithParam<TBcdCase> {};

TEST_P(BcdRoundTripTest, Int64SurvivesTheBcd) {
  const TBcdCase& c = GetParam();
  TBcd bcd;
  Int64ToBcd(c.Places, bcd, c.Value);
  EXPECT_EQ(bcd.Precision, 32);
  std::int64_t value = 0;
  int places = -1;
  BcdToInt64(bcd, value, places);
  EXPECT_EQ(value, c.Value);
  EXPECT_EQ(places, c.Places);
  EXPECT_EQ(BcdToTextDot(bcd), ScaledInt64ToText(c.Places, '.', c.Value));
  EXPECT_EQ(CompareBcd(bcd, bcd), 0);
}

INSTANTIATE_TEST_SUITE_P(Values, BcdRoundTripTest,
                         ::testing::Values(TBcdCase{0, 0}, TBcdCase{12345, 2}, TBcdCase{-12345, 2},
                                           TBcdCase{7, 10}, TBcdCase{Max64, 0}, TBcdCase{Min64, 0},
                                           TBcdCase{Min64, 4}, TBcdCase{100, 2}));

TEST(Bcd, TextUsesTheFrameworkSeparator) {
  TFormatSettingsScope scope(TFormatSettings::Russian());
  TBcd bcd;
  Int64ToBcd(2, bcd, -150);
  EXPECT_EQ(BcdToText(bcd), "-1,5");
  EXPECT_EQ(BcdToTextDot(bcd), "-1.5");
  EXPECT_DOUBLE_EQ(BcdToExtended(bcd), -1.5);
}

TEST(Bcd, SpecialBcdReadsAsZero) {
  TBcd bcd;
  Int64ToBcd(2, bcd, 150);
  bcd.SignSpecialPlaces = 0x40;
  std::int64_t value = 1;
  int places = 1;
  BcdToInt64(bcd, value, places);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(places, 0);
  EXPECT_EQ(BcdToTextDot(bcd), "0");
}

// Writes digits into a BCD of the given precision.
TBcd MakeBcd(const std::string& digits, int places, bool negative = false) {
  TBcd bcd;
  bcd.Precision = static_cast<std::uint8_t>(digits.size());
  bcd.SignSpecialPlaces = static_cast<std::uint8_t>((negative ? 0x80 : 0) | places);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const auto d = static_cast<std::uint8_t>(digits[i] - '0');
    bcd.Fraction[i / 2] |= i % 2 == 0 ? static_cast<std::uint8_t>(d << 4) : d;
  }
  return bcd;
}

TEST(Bcd, ValueBeyondSixtyFourBitsIsAnErrorNotAWrappedNumber) {
  std::int64_t value = 0;
  int places = 0;
  EXPECT_THROW(BcdToInt64(MakeBcd("12345678901234567890", 0), value, places), EConvertError);
  EXPECT_THROW(BcdToInt64(MakeBcd("9223372036854775808", 0), value, places), EConvertError);
  BcdToInt64(MakeBcd("9223372036854775808", 0, true), value, places);
  EXPECT_EQ(value, Min64);
}

TEST(Bcd, TrailingFractionZerosAreGivenUpToFit) {
  std::int64_t value = 0;
  int places = 0;
  BcdToInt64(MakeBcd("1500000000000000000000000000000", 30), value, places);
  EXPECT_EQ(value, 1500000000000000000);
  EXPECT_EQ(places, 18);
}

TEST(Bcd, CompareByValue) {
  EXPECT_EQ(CompareBcd(MakeBcd("15", 1), MakeBcd("150", 2)), 0);
  EXPECT_EQ(CompareBcd(MakeBcd("1", 0, true), MakeBcd("1", 0)), -1);
  EXPECT_EQ(CompareBcd(MakeBcd("2", 0, true), MakeBcd("1", 0, true)), -1);
  EXPECT_EQ(CompareBcd(MakeBcd("0", 0, true), MakeBcd("00", 1)), 0);
  EXPECT_EQ(CompareBcd(MakeBcd("10", 0), MakeBcd("99", 1)), 1);
  EXPECT_EQ(CompareBcd(MakeBcd("5", 1), MakeBcd("51", 2)), -1);
}

TEST(NumberHelpers, PowersAndDigits) {
  EXPECT_EQ(PowerOfTen(0), 1.0);
  EXPECT_EQ(PowerOfTen(18), 1e18);
  EXPECT_DOUBLE_EQ(PowerOfTen(-2), 0.01);
  EXPECT_EQ(DecimalDigits(0.5), 0);
  EXPECT_EQ(DecimalDigits(9), 1);
  EXPECT_EQ(DecimalDigits(10), 2);
  EXPECT_EQ(DecimalDigits(999.9), 3);
  EXPECT_EQ(DecimalDigits(-12345), 5);
  EXPECT_EQ(DecimalDigits(1e18), 19);
  EXPECT_EQ(DecimalDigits(1e20), 21);
  EXPECT_DOUBLE_EQ(RoundFraction(1.23456, 2), 1.23);
  EXPECT_DOUBLE_EQ(RoundFraction(-2.675, 1), -2.7);
}

TEST(NumberHelpers, StrToCompAcceptsOnlyWholeIntegers) {
  EXPECT_EQ(StrToComp(" 123 "), 123);
  EXPECT_EQ(StrToComp("+5"), 5);
  EXPECT_EQ(StrToComp("-9223372036854775808"), Min64);
  for (const char* bad : {"", "abc", "12x", "9223372036854775808", "+-5", "1.5"}) {
    try {
      StrToComp(bad);
      ADD_FAILURE() << bad;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid comp value");
    }
  }
}

struct TFloatCase {
  const char* Format;
  int Digits;
  double Value;
  const char* Text;
};

void PrintTo(const TFloatCase& c, std::ostream* os) {
  *os << '"' << c.Format << "\" " << c.Digits << " digits of " << c.Value;
}

class FormatFloatDigitsTest : public ::testing::TestWithParam<TFloatCase> {
 protected:
  TFormatSettingsScope FScope{TFormatSettings::Russian()};
};

TEST_P(FormatFloatDigitsTest, KeepsTheAskedFractionDigits) {
  const TFloatCase& c = GetParam();
  EXPECT_EQ(FormatFloatDigits(c.Format, c.Digits, c.Value), c.Text) << c.Format << " " << c.Value;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatFloatDigitsTest,
    ::testing::Values(TFloatCase{"0.00", 4, 1.23456789, "1,2346"},  // more digits than the pattern
                      TFloatCase{"0.0000", 2, 1.5, "1,5000"},       // padded for the "0" places
                      TFloatCase{"0.##", 4, 1.5, "1,5"},            // trailing zeros dropped for "#"
                      TFloatCase{"0.00", 2, 0.999, "1,00"},         // the carry reaches the integer
                      TFloatCase{"0.00", 2, -0.5, "-0,50"},         // the sign of a zero integer part
                      TFloatCase{"0.00", 2, -3.25, "-3,25"},
                      TFloatCase{"0.00;(0.00)", 2, -1.25, "(1,25)"},  // own negative section
                      TFloatCase{"0.00' kg'", 2, 2.5, "2,50 kg"},     // literal text after the digits
                      TFloatCase{"0.00", 20, 0.1, "0,10000000000000000555"},
                      TFloatCase{"0.00", 2, -0.001, "0,00"}));

TEST(FormatFloatDigits, ZeroAndExponentFormatsAreTheFrameworks) {
  TFormatSettingsScope scope(TFormatSettings::Russian());
  EXPECT_EQ(FormatFloatDigits("0.00", 5, 0), FormatFloat("0.00", 0));
  EXPECT_EQ(FormatFloatDigits("0.00E+00", 5, 1234.5), FormatFloat("0.00E+00", 1234.5));
}

}  // namespace
