#include "framework/core/text/float_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "framework/core/base/exceptions.h"
#include "framework/core/text/text.h"

namespace {

const std::string NBSP = "\xA0";

TFormatSettings Dot() {
  TFormatSettings s = TFormatSettings::Russian();
  s.DecimalSeparator = '.';
  s.ThousandSeparator = ',';
  return s;
}

// --- FloatToStr ------------------------------------------------------------

struct TFloatCase {
  double Value;
  std::string Expected;
};

class FloatToStrRussian : public testing::TestWithParam<TFloatCase> {};

TEST_P(FloatToStrRussian, GivesTheShortestTextOf15Digits) {
  EXPECT_EQ(FloatToStr(GetParam().Value, TFormatSettings::Russian()), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FloatToStrRussian,
    testing::Values(TFloatCase{1.5, "1,5"}, TFloatCase{-1.5, "-1,5"}, TFloatCase{0.0, "0"},
                    TFloatCase{-0.0, "0"}, TFloatCase{100.0, "100"}, TFloatCase{0.1 + 0.2, "0,3"},
                    TFloatCase{1.0 / 3, "0,333333333333333"}, TFloatCase{2.0 / 3, "0,666666666666667"},
                    TFloatCase{1e20, "1E20"}, TFloatCase{1e15, "1E15"},
                    TFloatCase{123456789012345.0, "123456789012345"},
                    TFloatCase{1234567890123456.0, "1,23456789012346E15"}, TFloatCase{0.0001, "0,0001"},
                    TFloatCase{0.00012345, "0,00012345"}, TFloatCase{1e-5, "1E-5"},
                    TFloatCase{-1.25e-10, "-1,25E-10"}, TFloatCase{999999999999999.9, "1E15"},
                    TFloatCase{std::numeric_limits<double>::max(), "1,79769313486232E308"},
                    TFloatCase{std::numeric_limits<double>::denorm_min(), "4,94065645841247E-324"},
                    TFloatCase{std::nan(""), "NAN"}, TFloatCase{HUGE_VAL, "INF"},
                    TFloatCase{-HUGE_VAL, "-INF"}));

TEST(FloatToStr, FollowsTheProcessSettings) {
  TFormatSettingsScope scope(TFormatSettings::Russian());
  EXPECT_EQ(FloatToStr(2.5), "2,5");
  FormatSettings().DecimalSeparator = '.';
  EXPECT_EQ(FloatToStr(2.5), "2.5");
}

TEST(FloatToStrF, FormatsByKind) {
  const TFormatSettings ru = TFormatSettings::Russian();
  EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2, ru), "1234,57");
  EXPECT_EQ(FloatToStrF(1234.5678, ffNumber, 15, 1, ru), "1" + NBSP + "234,6");
  EXPECT_EQ(FloatToStrF(-1234567.0, ffNumber, 15, 0, ru), "-1" + NBSP + "234" + NBSP + "567");
  EXPECT_EQ(FloatToStrF(1234.5678, ffExponent, 4, 2, ru), "1,235E+03");
  EXPECT_EQ(FloatToStrF(1234.5678, ffGeneral, 3, 0, ru), "1,23E3");
  EXPECT_EQ(FloatToStrF(0.5, ffCurrency, 15, 2, ru), RU("0,50р."));
  // Rounding looks once at the stored value: 1.005 is stored as 1.00499999…,
  // 99.995 as 99.99500000…05.
  EXPECT_EQ(FloatToStrF(1.005, ffFixed, 15, 2, ru), "1,00");
  EXPECT_EQ(FloatToStrF(99.995, ffFixed, 15, 2, ru), "100,00");
  EXPECT_EQ(FloatToStrF(0.375, ffFixed, 15, 2, ru), "0,38");
}

TEST(FloatToStrF, CurrencyFormatsPlaceTheSymbol) {
  TFormatSettings s = Dot();
  s.CurrencyString = "$";
  const std::string positive[] = {"$1.00", "1.00$", "$ 1.00", "1.00 $"};
  for (int f = 0; f < 4; ++f) {
    s.CurrencyFormat = f;
    EXPECT_EQ(FloatToStrF(1, ffCurrency, 15, 2, s), positive[f]) << f;
  }
  const std::string negative[] = {"($1.00)", "-$1.00",  "$-1.00",   "$1.00-",  "(1.00$)", "-1.00$",
                                  "1.00-$",  "1.00$-",  "-1.00 $",  "-$ 1.00", "1.00 $-", "$ 1.00-",
                                  "$ -1.00", "1.00- $", "($ 1.00)", "(1.00 $)"};
  for (int f = 0; f < 16; ++f) {
    s.NegCurrFormat = f;
    EXPECT_EQ(FloatToStrF(-1, ffCurrency, 15, 2, s), negative[f]) << f;
  }
  // A format out of range (settings read from a damaged store) places the
  // symbol as the first one does.
  for (const int f : {-1, 16, 1000}) {
    s.CurrencyFormat = f;
    s.NegCurrFormat = f;
    EXPECT_EQ(FloatToStrF(1, ffCurrency, 15, 2, s), positive[0]) << f;
    EXPECT_EQ(FloatToStrF(-1, ffCurrency, 15, 2, s), negative[0]) << f;
  }
}

// --- StrToFloat ------------------------------------------------------------

struct TParseCase {
  const char* Text;
  bool Valid;
  double Value;
};

class StrToFloatRussian : public testing::TestWithParam<TParseCase> {};

TEST_P(StrToFloatRussian, AcceptsOnlyTheSettingsDecimalSeparator) {
  const TParseCase& c = GetParam();
  const TFormatSettings ru = TFormatSettings::Russian();
  double v = -1;
  ASSERT_EQ(TryStrToFloat(c.Text, v, ru), c.Valid) << c.Text;
  if (c.Valid) {
    EXPECT_EQ(v, c.Value) << c.Text;
    EXPECT_EQ(StrToFloat(c.Text, ru), c.Value);
  } else {
    EXPECT_EQ(StrToFloatDef(c.Text, 7.5, ru), 7.5);
    try {
      StrToFloat(c.Text, ru);
      FAIL() << c.Text;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(c.Text) + "' is not a valid floating point value");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StrToFloatRussian,
    testing::Values(TParseCase{"1,5", true, 1.5}, TParseCase{"  -1,5E3 ", true, -1500},
                    TParseCase{"+2", true, 2}, TParseCase{",5", true, 0.5}, TParseCase{"1,", true, 1},
                    TParseCase{"1e-2", true, 0.01}, TParseCase{"1E+2", true, 100},
                    TParseCase{"0,1", true, 0.1},
                    TParseCase{"123456789012345678901234567890", true, 1.2345678901234568e29},
                    TParseCase{"1e-400", true, 0}, TParseCase{"1.5", false, 0}, TParseCase{"", false, 0},
                    TParseCase{"  ", false, 0}, TParseCase{"1 000", false, 0},
                    TParseCase{"1"
                               "\xA0"
                               "000",
                               false, 0},
                    TParseCase{"E5", false, 0}, TParseCase{"1e", false, 0}, TParseCase{"1e+", false, 0},
                    TParseCase{",", false, 0}, TParseCase{"-", false, 0}, TParseCase{"1,5,", false, 0},
                    TParseCase{"1e400", false, 0}, TParseCase{"abc", false, 0}, TParseCase{"0x10", false, 0},
                    TParseCase{"inf", false, 0}, TParseCase{"nan", false, 0}));

TEST(StrToFloat, ReadsTheDotWhenTheSettingsSayDot) {
  EXPECT_EQ(StrToFloat("1.25", Dot()), 1.25);
  double v = 0;
  EXPECT_FALSE(TryStrToFloat("1,25", v, Dot()));
}

TEST(StrToFloat, ReadsBackWhatFloatToStrWrote) {
  const TFormatSettings ru = TFormatSettings::Russian();
  for (double v : {1.5, -0.001, 123456.789, 1e-7, 6.02214076e23, 1.0 / 7, -98765.4321}) {
    const double back = StrToFloat(FloatToStr(v, ru), ru);
    EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << FloatToStr(v, ru);
  }
}

// --- FormatFloat -----------------------------------------------------------

struct TPictureCase {
  const char* Name;
  const char* Picture;  // UTF-8
  double Value;
  const char* Expected;  // UTF-8; "~" stands for the no-break space
};

class FormatFloatPicture : public testing::TestWithParam<TPictureCase> {};

TEST_P(FormatFloatPicture, PlacesDigitsAsThePictureSays) {
  std::string expected = RU(GetParam().Expected);
  for (char& c : expected) {
    if (c == '~') c = '\xA0';
  }
  EXPECT_EQ(FormatFloat(RU(GetParam().Picture), GetParam().Value, TFormatSettings::Russian()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatFloatPicture,
    testing::Values(TPictureCase{"TwoDecimals", "0.00", 1234.567, "1234,57"},
                    TPictureCase{"Thousands", "#,##0.00", 1234567.891, "1~234~567,89"},
                    TPictureCase{"ThousandsSmall", "#,##0", 12, "12"},
                    TPictureCase{"ThousandsZero", "#,##0", 0, "0"},
                    TPictureCase{"ThousandsNegative", "#,##0", -1234, "-1~234"},
                    TPictureCase{"OptionalIntegerDigit", "#.##", 0.5, ",5"},
                    TPictureCase{"OptionalDecimalsDropThePoint", "0.##", 1, "1"},
                    TPictureCase{"OptionalDecimalsKeepSignificant", "0.0##", 1.25, "1,25"},
                    TPictureCase{"HashAloneShowsNothingForZero", "#", 0, ""},
                    TPictureCase{"LeadingZeros", "000", 5, "005"},
                    TPictureCase{"MoreDigitsThanPlaceholders", "0", 123456, "123456"},
                    TPictureCase{"NoIntegerPlaceholders", ".00", 12.5, "12,50"},
                    TPictureCase{"LiteralsBetweenDigits", "00-00", 1234, "12-34"},
                    TPictureCase{"RoundsHalfAwayFromZero", "0", 2.5, "3"},
                    TPictureCase{"RoundsNegativeHalfAway", "0", -2.5, "-3"},
                    TPictureCase{"RoundingCarriesIntoIntegerPart", "0.00", 9.999, "10,00"},
                    TPictureCase{"NegativeRoundingToZeroHasNoMinus", "0", -0.4, "0"},
                    TPictureCase{"TinyHalfRoundsUp", "0.000", 0.0005, "0,001"},
                    TPictureCase{"NegativeSection", "0.00;(0.00)", -5, "(5,00)"},
                    TPictureCase{"NegativeSectionNotForPositive", "0.00;(0.00)", 5, "5,00"},
                    TPictureCase{"ZeroSection", "0.00;-0.00;ноль", 0, "ноль"},
                    TPictureCase{"ZeroSectionForValuesRoundingToZero", "0.00;-0.00;ноль", 0.001, "ноль"},
                    TPictureCase{"NegativeRoundingToZeroUsesZeroSection", "0.0;(0.0);zero", -0.01, "zero"},
                    TPictureCase{"EmptyNegativeSectionFallsBack", "0.0;;zero", -1.5, "-1,5"},
                    TPictureCase{"SemicolonInsideQuotes", "0' ; ';-0", -3, "-3"},
                    TPictureCase{"QuotedLiteralText", "\"Сумма: \"0.00' р.'", 12.3, "Сумма: 12,30 р."},
                    TPictureCase{"QuotedHash", "'#'0", 5, "#5"},
                    TPictureCase{"MinusGoesBeforeLiterals", "'$'0", -5, "-$5"},
                    TPictureCase{"Scientific", "0.00E+00", 1234.5, "1,23E+03"},
                    TPictureCase{"ScientificNegativeExponent", "0.0E-0", 0.00012, "1,2E-4"},
                    TPictureCase{"ScientificPlusOnlyWithEPlus", "0.0E-0", 1200, "1,2E3"},
                    TPictureCase{"ScientificTwoIntegerDigits", "00.0E+0", 1234.5, "12,3E+2"},
                    TPictureCase{"ScientificOptionalDecimals", "0.##E+00", 1000, "1E+03"},
                    TPictureCase{"ScientificZero", "0.00E+00", 0, "0,00E+00"},
                    TPictureCase{"ScientificLowerCase", "0.0e+00", 15, "1,5e+01"},
                    TPictureCase{"HugeValueFallsBackToGeneral", "0", 1e20, "1E20"},
                    TPictureCase{"EmptyPictureIsFloatToStr", "", 1.5, "1,5"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(FormatFloat, SpecialValuesIgnoreThePicture) {
  EXPECT_EQ(FormatFloat("0.00", std::nan("")), "NAN");
  EXPECT_EQ(FormatFloat("0.00", -HUGE_VAL), "-INF");
}

TEST(FormatFloat, UsesTheGivenSeparators) {
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.5, Dot()), "1,234,567.50");
  TFormatSettings none = Dot();
  none.ThousandSeparator = '\0';
  EXPECT_EQ(FormatFloat("#,##0", 1234567, none), "1234567");
}

// --- Currency --------------------------------------------------------------

TEST(CurrencyText, CurrToStrIsExactAndShortest) {
  const TFormatSettings ru = TFormatSettings::Russian();
  EXPECT_EQ(CurrToStr(TCurrency{15000}, ru), "1,5");
  EXPECT_EQ(CurrToStr(TCurrency{0}, ru), "0");
  EXPECT_EQ(CurrToStr(TCurrency{-1}, ru), "-0,0001");
  EXPECT_EQ(CurrToStr(TCurrency{INT64_MAX}, ru), "922337203685477,5807");
  EXPECT_EQ(CurrToStr(TCurrency{INT64_MIN}, ru), "-922337203685477,5808");
  EXPECT_EQ(CurrToStrF(TCurrency{12345678}, ffNumber, 2, ru), "1" + NBSP + "234,57");
  EXPECT_EQ(CurrToStrF(TCurrency{-5000}, ffCurrency, 2, ru), RU("-0,50р."));
}

struct TCurrCase {
  const char* Text;
  bool Valid;
  std::int64_t Scaled;
};

class StrToCurrText : public testing::TestWithParam<TCurrCase> {};

TEST_P(StrToCurrText, ParsesExactlyWithHalfEvenRounding) {
  const TCurrCase& c = GetParam();
  TCurrency v;
  ASSERT_EQ(TryStrToCurr(c.Text, v, TFormatSettings::Russian()), c.Valid) << c.Text;
  if (c.Valid) {
    EXPECT_EQ(v.Value, c.Scaled) << c.Text;
  } else {
    EXPECT_THROW(StrToCurr(c.Text, TFormatSettings::Russian()), EConvertError);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StrToCurrText,
    testing::Values(TCurrCase{"1,5", true, 15000}, TCurrCase{"-0,0001", true, -1},
                    TCurrCase{"1,23455", true, 12346}, TCurrCase{"1,23445", true, 12344},
                    TCurrCase{"1,234451", true, 12345}, TCurrCase{"0,00005", true, 0},
                    TCurrCase{"0,00015", true, 2}, TCurrCase{"0,000051", true, 1},
                    TCurrCase{"0,000000000000000000009", true, 0}, TCurrCase{"1E3", true, 10000000},
                    TCurrCase{"12,5E-1", true, 12500}, TCurrCase{"0E999", true, 0},
                    TCurrCase{"922337203685477,5807", true, INT64_MAX},
                    TCurrCase{"-922337203685477,5808", true, INT64_MIN},
                    TCurrCase{"922337203685477,5808", false, 0}, TCurrCase{"922337203685477,58075", false, 0},
                    TCurrCase{"1E15", false, 0}, TCurrCase{"1.5", false, 0}, TCurrCase{"", false, 0}));

TEST(CurrencyText, FloatToCurrRoundsAndChecksTheRange) {
  EXPECT_EQ(FloatToCurr(1.5).Value, 15000);
  // 312.5 and 937.5 ten-thousandths are exact halves in binary: half to even.
  EXPECT_EQ(FloatToCurr(0.03125).Value, 312);
  EXPECT_EQ(FloatToCurr(-0.09375).Value, -938);
  EXPECT_EQ(CurrToFloat(TCurrency{-12345}), -1.2345);
  TFormatSettingsScope scope(TFormatSettings::Russian());
  try {
    FloatToCurr(1e300);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'1E300' is not a valid currency value");
  }
  TCurrency c;
  EXPECT_FALSE(TryFloatToCurr(std::nan(""), c));
}

}  // namespace
