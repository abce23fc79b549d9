#include "framework/core/text/sysutils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/text/text.h"

namespace {

const std::string NBSP = "\xA0";

struct TFormatCase {
  const char* Name;
  std::function<std::string()> Run;
  std::string Expected;
};

class FormatDirective : public testing::TestWithParam<TFormatCase> {};

TEST_P(FormatDirective, ProducesTheExpectedText) {
  TFormatSettingsScope scope(TFormatSettings::Russian());
  EXPECT_EQ(GetParam().Run(), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatDirective,
    testing::Values(
        TFormatCase{"PlainText", [] { return Format("no directives"); }, "no directives"},
        TFormatCase{"Percent", [] { return Format("100%% sure"); }, "100% sure"},
        TFormatCase{"Integer", [] { return Format("%d", 42); }, "42"},
        TFormatCase{"UpperCaseType", [] { return Format("%D|%S", 42, "x"); }, "42|x"},
        TFormatCase{"NegativeInteger", [] { return Format("%d", -42); }, "-42"},
        TFormatCase{"Int64", [] { return Format("%d", std::int64_t(-9223372036854775807LL - 1)); },
                    "-9223372036854775808"},
        TFormatCase{"UnsignedAboveInt64", [] { return Format("%d", std::uint64_t(18446744073709551615ULL)); },
                    "18446744073709551615"},
        TFormatCase{"WidthRightAligns", [] { return Format("[%5d]", 42); }, "[   42]"},
        TFormatCase{"MinusLeftAligns", [] { return Format("[%-5d]", 42); }, "[42   ]"},
        TFormatCase{"PrecisionPadsZerosAfterSign", [] { return Format("%.4d", -42); }, "-0042"},
        TFormatCase{"WidthAndPrecision", [] { return Format("[%6.3d]", 7); }, "[   007]"},
        TFormatCase{"RightAlignedSortKey", [] { return Format("%11d", 3); }, "          3"},
        TFormatCase{"StarWidthAndPrecision", [] { return Format("[%*.*d]", 6, 3, 7); }, "[   007]"},
        TFormatCase{"NegativeStarWidthAlignsLeft", [] { return Format("[%*d]", -4, 7); }, "[7   ]"},
        TFormatCase{"UnsignedOfNegativeInt", [] { return Format("%u", -1); }, "4294967295"},
        TFormatCase{"UnsignedOfNegativeInt64", [] { return Format("%u", std::int64_t(-1)); },
                    "18446744073709551615"},
        TFormatCase{"Hex", [] { return Format("%x", 255); }, "FF"},
        TFormatCase{"HexPrecision", [] { return Format("%.4x", 255); }, "00FF"},
        TFormatCase{"HexOfNegativeIntIs32Bits", [] { return Format("%x", -1); }, "FFFFFFFF"},
        TFormatCase{"HexOfNegativeInt64Is64Bits", [] { return Format("%x", std::int64_t(-2)); },
                    "FFFFFFFFFFFFFFFE"},
        TFormatCase{"HexGroupsOfADbKey", [] { return Format("%-8.8x%-8.8x", 0x81, 0x1000); },
                    "0000008100001000"},
        TFormatCase{"String", [] { return Format("<%s>", "abc"); }, "<abc>"},
        TFormatCase{"StdString", [] { return Format("%s", std::string("std")); }, "std"},
        TFormatCase{"StringView", [] { return Format("%s", std::string_view("view")); }, "view"},
        TFormatCase{"Character", [] { return Format("%s%s", 'x', 'y'); }, "xy"},
        TFormatCase{"NullCString", [] { return Format("[%s]", static_cast<const char*>(nullptr)); }, "[]"},
        TFormatCase{"StringPrecisionCuts", [] { return Format("%.2s", "abcdef"); }, "ab"},
        TFormatCase{"StringWidthAndCut", [] { return Format("[%5.2s]", "abcdef"); }, "[   ab]"},
        TFormatCase{"StringLeftAligned", [] { return Format("[%-4s]", "ab"); }, "[ab  ]"},
        TFormatCase{"CyrillicString", [] { return Format("%s: %d", RU("Улица"), 5); }, RU("Улица: 5")},
        TFormatCase{"IndexSelectsArgument", [] { return Format("%1:s %0:s", "a", "b"); }, "b a"},
        TFormatCase{"IndexContinuesAfterwards", [] { return Format("%1:s%s %0:s", "a", "b", "c"); }, "bc a"},
        TFormatCase{"RepeatedArgument", [] { return Format("%0:s-%0:s", "r"); }, "r-r"},
        TFormatCase{"FixedDefaultsToTwoDecimals", [] { return Format("%f", 1.5); }, "1,50"},
        TFormatCase{"FixedPrecision", [] { return Format("%.3f", 3.14159); }, "3,142"},
        TFormatCase{"StarPrecision", [] { return Format("%.*f", 1, 2.25); }, "2,3"},
        TFormatCase{"NoDecimalsRoundsHalfAwayFromZero", [] { return Format("%.f %.f %.f", 0.5, 2.5, -2.5); },
                    "1 3 -3"},
        TFormatCase{"FixedRoundsHalfAwayOnExactHalves", [] { return Format("%.2f", 0.125); }, "0,13"},
        TFormatCase{"FixedRoundsTheBinaryValue", [] { return Format("%.2f", 1.005); }, "1,00"},
        TFormatCase{"FixedLargeIntegerIsExact", [] { return Format("%.f", 123456789012345678.0); },
                    "123456789012345680"},
        TFormatCase{"FixedTinyNegativeHasNoMinus", [] { return Format("%.2f", -0.001); }, "0,00"},
        TFormatCase{"FixedHugeFallsBackToGeneral", [] { return Format("%f", 1e20); }, "1E20"},
        TFormatCase{"FixedWidth", [] { return Format("[%8.3f]", -1.5); }, "[  -1,500]"},
        TFormatCase{"FixedFromFloat", [] { return Format("%.1f", 0.25f); }, "0,3"},
        TFormatCase{"Exponent", [] { return Format("%e", 1.5); }, "1,50000000000000E+000"},
        TFormatCase{"ExponentPrecision", [] { return Format("%.3e", -1234.5); }, "-1,23E+003"},
        TFormatCase{"ExponentNegative", [] { return Format("%.2e", 0.000123); }, "1,2E-004"},
        TFormatCase{"ExponentOfZero", [] { return Format("%.3e", 0.0); }, "0,00E+000"},
        TFormatCase{"General", [] { return Format("%g", 1.5); }, "1,5"},
        TFormatCase{"GeneralPrecision", [] { return Format("%.3g", 2.0 / 3.0); }, "0,667"},
        TFormatCase{"GeneralLarge", [] { return Format("%g", 1e20); }, "1E020"},
        TFormatCase{"Number", [] { return Format("%n", 1234567.891); }, "1" + NBSP + "234" + NBSP + "567,89"},
        TFormatCase{"NumberNoDecimals", [] { return Format("%.0n", -1234.5); }, "-1" + NBSP + "235"},
        TFormatCase{"NumberSmall", [] { return Format("%n", 12.0); }, "12,00"},
        TFormatCase{"Money", [] { return Format("%m", 1234.5); }, "1" + NBSP + RU("234,50р.")},
        TFormatCase{"NegativeMoney", [] { return Format("%m", -5.0); }, RU("-5,00р.")},
        TFormatCase{"MoneyPrecision", [] { return Format("%.0m", 7.0); }, RU("7р.")},
        TFormatCase{"CurrencyFixedIsExact", [] { return Format("%.4f", TCurrency{922337203685477580}); },
                    "92233720368547,7580"},
        TFormatCase{"CurrencyRoundsHalfAway", [] { return Format("%.3f", TCurrency{125}); }, "0,013"},
        TFormatCase{"CurrencyMoney", [] { return Format("%m", TCurrency{-12345}); }, RU("-1,23р.")},
        TFormatCase{"NullPointer", [] { return Format("%p", nullptr); }, "0000000000000000"},
        TFormatCase{"Pointer",
                    [] { return Format("%p", reinterpret_cast<const void*>(std::uintptr_t(0xABCDEF))); },
                    "0000000000ABCDEF"},
        TFormatCase{"FormatOfRuntimeArguments",
                    [] {
                      const std::string name = "Q";
                      const std::vector<TFormatArg> args{TFormatArg(name), TFormatArg(3)};
                      return FormatArgs("%s:%d", args);
                    },
                    "Q:3"},
        TFormatCase{"ExplicitSettings",
                    [] {
                      TFormatSettings dot = TFormatSettings::Russian();
                      dot.DecimalSeparator = '.';
                      dot.ThousandSeparator = ',';
                      return Format(dot, "%.1f %n", 1.25, 1234.0);
                    },
                    "1.3 1,234.00"},
        TFormatCase{"ProcessSettings",
                    [] {
                      FormatSettings().DecimalSeparator = '.';
                      return Format("%.1f", 2.5);
                    },
                    "2.5"}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TFormatErrorCase {
  const char* Name;
  std::function<std::string()> Run;
  std::string Message;
};

class FormatError : public testing::TestWithParam<TFormatErrorCase> {};

TEST_P(FormatError, RaisesConvertErrorWithTheExactText) {
  try {
    const std::string s = GetParam().Run();
    FAIL() << "no error; got \"" << s << "\"";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), GetParam().Message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatError,
    testing::Values(TFormatErrorCase{"IntegerForString", [] { return Format("%s", 1); },
                                     "Format '%s' invalid or incompatible with argument"},
                    TFormatErrorCase{"StringForInteger", [] { return Format("x%dy", "abc"); },
                                     "Format 'x%dy' invalid or incompatible with argument"},
                    TFormatErrorCase{"FloatForInteger", [] { return Format("%d", 1.5); },
                                     "Format '%d' invalid or incompatible with argument"},
                    TFormatErrorCase{"IntegerForFloat", [] { return Format("%f", 1); },
                                     "Format '%f' invalid or incompatible with argument"},
                    TFormatErrorCase{"StringForPointer", [] { return Format("%p", "x"); },
                                     "Format '%p' invalid or incompatible with argument"},
                    TFormatErrorCase{"UnknownType", [] { return Format("%y", 1); },
                                     "Format '%y' invalid or incompatible with argument"},
                    TFormatErrorCase{"TrailingPercent", [] { return Format("50%", 1); },
                                     "Format '50%' invalid or incompatible with argument"},
                    TFormatErrorCase{"StarWithString", [] { return Format("%*d", "w", 1); },
                                     "Format '%*d' invalid or incompatible with argument"},
                    TFormatErrorCase{"MissingArgument", [] { return Format("%d and %d", 1); },
                                     "No argument for format '%d and %d'"},
                    TFormatErrorCase{"IndexPastArguments", [] { return Format("%2:s", "a", "b"); },
                                     "No argument for format '%2:s'"}),
    [](const auto& info) { return std::string(info.param.Name); });

// --- Integers --------------------------------------------------------------

TEST(IntegerText, IntToStrAndIntToHex) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-123), "-123");
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0x12345, 2), "12345");
  EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFF");
  EXPECT_EQ(IntToHex(std::int64_t(-1), 1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(0xABCu, 0), "ABC");
  EXPECT_EQ(IntToHex(std::uint64_t(0xDEADBEEFCAFEULL), 16), "0000DEADBEEFCAFE");
}

struct TIntTextCase {
  const char* Text;
  bool Valid;
  std::int64_t Value;
};

class StrToIntText : public testing::TestWithParam<TIntTextCase> {};

TEST_P(StrToIntText, ParsesOrRaisesTheIntegerError) {
  const TIntTextCase& c = GetParam();
  int v = 0;
  EXPECT_EQ(TryStrToInt(c.Text, v), c.Valid) << c.Text;
  if (c.Valid) {
    EXPECT_EQ(v, c.Value);
    EXPECT_EQ(StrToInt(c.Text), c.Value);
    EXPECT_EQ(StrToIntDef(c.Text, -7), c.Value);
  } else {
    EXPECT_EQ(StrToIntDef(c.Text, -7), -7);
    try {
      StrToInt(c.Text);
      FAIL() << c.Text;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(c.Text) + "' is not a valid integer value");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StrToIntText,
    testing::Values(TIntTextCase{"12", true, 12}, TIntTextCase{"  -12", true, -12},
                    TIntTextCase{"+7", true, 7}, TIntTextCase{"007", true, 7}, TIntTextCase{"$FF", true, 255},
                    TIntTextCase{"0x1f", true, 31}, TIntTextCase{"-$10", true, -16},
                    TIntTextCase{"$FFFFFFFF", true, -1}, TIntTextCase{"2147483647", true, 2147483647},
                    TIntTextCase{"-2147483648", true, -2147483648LL}, TIntTextCase{"2147483648", false, 0},
                    TIntTextCase{"-2147483649", false, 0}, TIntTextCase{"$100000000", false, 0},
                    TIntTextCase{"", false, 0}, TIntTextCase{"   ", false, 0}, TIntTextCase{"12 ", false, 0},
                    TIntTextCase{"1.5", false, 0}, TIntTextCase{"abc", false, 0}, TIntTextCase{"-", false, 0},
                    TIntTextCase{"$", false, 0}, TIntTextCase{"0x", false, 0}, TIntTextCase{"--1", false, 0},
                    TIntTextCase{"+-1", false, 0}, TIntTextCase{"1e3", false, 0}));

TEST(IntegerText, Int64CoversTheFullRange) {
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("3000000000"), 3000000000LL);
  EXPECT_EQ(StrToInt64Def("9223372036854775808", 5), 5);
  std::int64_t v = 0;
  EXPECT_FALSE(TryStrToInt64("-9223372036854775809", v));
  EXPECT_THROW(StrToInt64("x"), EConvertError);
}

}  // namespace
