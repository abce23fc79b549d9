#include "framework/core/base/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>

#include "framework/core/text/datetime.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/text/text.h"
#include "tests/support/raised.h"

namespace {

constexpr std::int64_t Int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t Int64Min = std::numeric_limits<std::int64_t>::min();

Variant Cur(std::int64_t scaled) { return Variant(TCurrency{scaled}); }
Variant SmallInt(std::int16_t v) { return Variant(v); }
Variant Int64(std::int64_t v) { return Variant(v); }

// Same kind and, for values, equal under the variant rules of that kind.
::testing::AssertionResult Same(const Variant& actual, const Variant& expected) {
  if (actual.VarType() != expected.VarType())
    return ::testing::AssertionFailure() << "kind " << VarTypeAsText(actual.VarType()) << ", expected "
                                         << VarTypeAsText(expected.VarType());
  if (actual.IsEmpty() || actual.IsNull() || actual == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "value " << VarToStr(actual) << ", expected " << VarToStr(expected);
}

// Runs `f`, expecting exception E with exactly `message`.
template <class E, class F>
::testing::AssertionResult Raises(F&& f, const std::string& message) {
  const std::string raised = MessageOf<E>(std::forward<F>(f));
  if (raised == message) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "message \"" << raised << "\"";
}

// --- Conversion matrix -------------------------------------------------------

enum class Fails { No, Cast, Overflow };

struct ConversionCase {
  const char* Name;
  Variant From;
  TVarType To;
  Variant Expected;  // when it succeeds
  Fails Failure;
  std::string Message;
};

ConversionCase Ok(const char* name, Variant from, TVarType to, Variant expected) {
  return {name, std::move(from), to, std::move(expected), Fails::No, ""};
}
// The platform's names of the two kinds are spelled out by each case.
ConversionCase NoCast(const char* name, Variant from, TVarType to, const char* fromName, const char* toName) {
  return {name,
          std::move(from),
          to,
          {},
          Fails::Cast,
          std::string("Could not convert variant of type (") + fromName + ") into type (" + toName + ")"};
}
ConversionCase Overflow(const char* name, Variant from, TVarType to, const char* fromName,
                        const char* toName) {
  return {
      name,
      std::move(from),
      to,
      {},
      Fails::Overflow,
      std::string("Overflow while converting variant of type (") + fromName + ") into type (" + toName + ")"};
}

void PrintTo(const ConversionCase& c, std::ostream* os) { *os << c.Name; }

class Conversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, FollowsTheVariantRules) {
  const ConversionCase& c = GetParam();
  auto convert = [&] { return VarAsType(c.From, c.To); };
  switch (c.Failure) {
    case Fails::No:
      EXPECT_TRUE(Same(convert(), c.Expected));
      break;
    case Fails::Cast:
      EXPECT_TRUE(Raises<EVariantTypeCastError>(convert, c.Message));
      break;
    case Fails::Overflow:
      EXPECT_TRUE(Raises<EVariantOverflowError>(convert, c.Message));
      break;
  }
}

const TDateTime March5 = 45356;  // 05.03.2024
const TDateTime March5Time = 45356 + (10 * 3600 + 30 * 60 + 15) / 86400.0;

using T = TVarType;

INSTANTIATE_TEST_SUITE_P(
    Matrix, Conversion,
    ::testing::Values(
        // Empty reads as the zero of every kind; Null converts only to itself.
        Ok("EmptyToInteger", Variant(), T::Integer, Variant(0)),
        Ok("EmptyToString", Variant(), T::String, Variant("")),
        Ok("EmptyToBoolean", Variant(), T::Boolean, Variant(false)),
        Ok("EmptyToCurrency", Variant(), T::Currency, Cur(0)),
        Ok("NullToNull", Variant::Null(), T::Null, Variant::Null()),
        NoCast("NullToInteger", Variant::Null(), T::Integer, "Null", "Integer"),
        NoCast("NullToString", Variant::Null(), T::String, "Null", "String"),
        NoCast("NullToBoolean", Variant::Null(), T::Boolean, "Null", "Boolean"),
        NoCast("NullToDate", Variant::Null(), T::Date, "Null", "Date"),
        // Booleans are -1 and 0 as numbers, "True" and "False" as text.
        Ok("TrueToInteger", Variant(true), T::Integer, Variant(-1)),
        Ok("TrueToSmallint", Variant(true), T::SmallInt, SmallInt(-1)),
        Ok("FalseToDouble", Variant(false), T::Double, Variant(0.0)),
        Ok("TrueToString", Variant(true), T::String, Variant("True")),
        Ok("FalseToString", Variant(false), T::String, Variant("False")),
        Overflow("TrueToByte", Variant(true), T::Byte, "Boolean", "Byte"),
        Ok("LowerTrueText", Variant("true"), T::Boolean, Variant(true)),
        Ok("UpperFalseText", Variant("FALSE"), T::Boolean, Variant(false)),
        Ok("NumberTextToBoolean", Variant("2,5"), T::Boolean, Variant(true)),
        Ok("ZeroTextToBoolean", Variant("0"), T::Boolean, Variant(false)),
        NoCast("WordToBoolean", Variant("yes"), T::Boolean, "String", "Boolean"),
        // Strings parse with the process settings (decimal comma).
        Ok("TextToInteger", Variant("12"), T::Integer, Variant(12)),
        Ok("FractionTextRoundsToEven", Variant("12,5"), T::Integer, Variant(12)),
        Ok("FractionTextRoundsUp", Variant("13,5"), T::Integer, Variant(14)),
        Ok("TextToDouble", Variant("1,25"), T::Double, Variant(1.25)),
        NoCast("PointTextIsNotANumber", Variant("1.25"), T::Double, "String", "Double"),
        NoCast("WordToInteger", Variant("abc"), T::Integer, "String", "Integer"),
        NoCast("EmptyTextToInteger", Variant(""), T::Integer, "String", "Integer"),
        Overflow("BigTextToInteger", Variant("3000000000"), T::Integer, "String", "Integer"),
        Ok("BigTextToInt64", Variant("3000000000"), T::Int64, Int64(3000000000)),
        Ok("TextToCurrencyIsExact", Variant("922337203685477,5807"), T::Currency, Cur(Int64Max)),
        Ok("TextToDate", Variant("05.03.2024"), T::Date, Variant::FromDate(March5)),
        Ok("TextToDateTime", Variant("05.03.2024 10:30:15"), T::Date, Variant::FromDate(March5Time)),
        NoCast("ImpossibleDate", Variant("31.02.2024"), T::Date, "String", "Date"),
        // Numbers and dates as text.
        Ok("DoubleToString", Variant(1.5), T::String, Variant("1,5")),
        Ok("CurrencyToString", Cur(12345), T::String, Variant("1,2345")),
        Ok("DateToString", Variant::FromDate(March5), T::String, Variant("05.03.2024")),
        Ok("DateTimeToString", Variant::FromDate(March5Time), T::String, Variant("05.03.2024 10:30:15")),
        Ok("Int64MaxToString", Int64(Int64Max), T::String, Variant("9223372036854775807")),
        Ok("Int64MinToString", Int64(Int64Min), T::String, Variant("-9223372036854775808")),
        Ok("Int64MinFromText", Variant("-9223372036854775808"), T::Int64, Int64(Int64Min)),
        Overflow("TextPastInt64", Variant("9223372036854775808"), T::Int64, "String", "Int64"),
        // Doubles and currencies round half to even.
        Ok("DoubleHalfDown", Variant(2.5), T::Integer, Variant(2)),
        Ok("DoubleHalfUp", Variant(3.5), T::Integer, Variant(4)),
        Ok("NegativeHalf", Variant(-2.5), T::Integer, Variant(-2)),
        Ok("NegativeHalfUp", Variant(-3.5), T::Int64, Int64(-4)),
        Ok("JustAboveHalf", Variant(2.5000001), T::Integer, Variant(3)),
        Ok("CurrencyHalfDown", Cur(25000), T::Integer, Variant(2)),
        Ok("CurrencyHalfUp", Cur(-35000), T::Integer, Variant(-4)),
        Ok("DoubleToCurrencyRounds", Variant(1.23456), T::Currency, Cur(12346)),
        Ok("DateToInteger", Variant::FromDate(March5Time), T::Integer, Variant(45356)),
        // Nothing wraps: every narrowing is range checked.
        Overflow("IntegerToSmallint", Variant(70000), T::SmallInt, "Integer", "Smallint"),
        Overflow("NegativeToByte", Variant(-1), T::Byte, "Integer", "Byte"),
        Ok("ByteTop", Variant(255), T::Byte, Variant::FromByte(255)),
        Overflow("WordPastTop", Variant(65536), T::Word, "Integer", "Word"),
        Overflow("LongWordPastTop", Int64(4294967296), T::LongWord, "Int64", "LongWord"),
        Overflow("Int64ToInteger", Int64(Int64Max), T::Integer, "Int64", "Integer"),
        Overflow("Int64ToCurrency", Int64(Int64Max), T::Currency, "Int64", "Currency"),
        Overflow("DoubleToInteger", Variant(1e10), T::Integer, "Double", "Integer"),
        Ok("DoubleToInt64", Variant(1e10), T::Int64, Int64(10000000000)),
        Overflow("HugeDoubleToInt64", Variant(1e19), T::Int64, "Double", "Int64"),
        Overflow("NanToInteger", Variant(std::nan("")), T::Integer, "Double", "Integer"),
        Overflow("HugeDoubleToCurrency", Variant(1e15), T::Currency, "Double", "Currency"),
        // Arrays convert to nothing else.
        NoCast("ArrayToString", VarArrayOf({1}), T::String, "Array Variant", "String"),
        NoCast("IntegerToArray", Variant(1), T::Array, "Integer", "Array Variant")),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(VariantConversion, ReadersAgreeWithVarAsType) {
  Variant v("42");
  EXPECT_EQ(v.AsInteger(), 42);
  EXPECT_EQ(v.AsInt64(), 42);
  EXPECT_DOUBLE_EQ(v.AsDouble(), 42.0);
  EXPECT_EQ(v.AsCurrency().Value, 420000);
  EXPECT_TRUE(v.AsBoolean());
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(VarToStr(Variant::Null()), "");
  EXPECT_THROW(Variant::Null().AsString(), EVariantTypeCastError);
  EXPECT_TRUE(Raises<EVariantTypeCastError>([] { (void)Variant::Null().AsInt64(); },
                                            "Could not convert variant of type (Null) into type (Int64)"));
}

TEST(VariantConversion, TextFollowsTheProcessFormatSettings) {
  TFormatSettings settings = TFormatSettings::Russian();
  settings.DecimalSeparator = '.';
  settings.DateSeparator = '/';
  settings.ShortDateFormat = "yyyy/mm/dd";
  TFormatSettingsScope scope(settings);
  EXPECT_EQ(Variant(1.5).AsString(), "1.5");
  EXPECT_EQ(VarToStr(Variant::FromDate(March5)), "2024/03/05");
  EXPECT_DOUBLE_EQ(Variant("2.25").AsDouble(), 2.25);
  EXPECT_EQ(Variant("2024/03/05").AsDateTime(), March5);
}

// --- Comparison --------------------------------------------------------------

struct ComparisonCase {
  const char* Name;
  Variant A, B;
  TVariantRelationship Relation;  // VarCompareValue
  int Order;                      // the operators: -1 less, 0 equal, 1 greater
};

void PrintTo(const ComparisonCase& c, std::ostream* os) { *os << c.Name; }

class Comparison : public ::testing::TestWithParam<ComparisonCase> {};

TEST_P(Comparison, OperatorsAndVarCompareValueAgree) {
  const ComparisonCase& c = GetParam();
  EXPECT_EQ(VarCompareValue(c.A, c.B), c.Relation);
  EXPECT_EQ(c.A == c.B, c.Order == 0);
  EXPECT_EQ(c.A != c.B, c.Order != 0);
  EXPECT_EQ(c.A < c.B, c.Order < 0);
  EXPECT_EQ(c.A <= c.B, c.Order <= 0);
  EXPECT_EQ(c.A > c.B, c.Order > 0);
  EXPECT_EQ(c.A >= c.B, c.Order >= 0);
  // The same pair the other way round.
  EXPECT_EQ((c.B < c.A), (c.Order > 0));
  EXPECT_EQ(c.B == c.A, c.Order == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Comparison,
    ::testing::Values(
        ComparisonCase{"IntegerAndDouble", Variant(1), Variant(1.0), vrEqual, 0},
        ComparisonCase{"SmallintAndInt64", SmallInt(5), Int64(5), vrEqual, 0},
        ComparisonCase{"ByteAndNegative", Variant::FromByte(200), Variant(-1), vrGreaterThan, 1},
        ComparisonCase{"LongWordAndInt64", Variant::FromLongWord(4294967295u), Int64(4294967295), vrEqual, 0},
        // Neighbouring 64-bit values are equal as doubles; they must not be here.
        ComparisonCase{"Int64Neighbours", Int64(Int64Max - 1), Int64(Int64Max), vrLessThan, -1},
        ComparisonCase{"Int64PastDoublePrecision", Int64((std::int64_t{1} << 53) + 1),
                       Variant(9007199254740992.0), vrGreaterThan, 1},
        ComparisonCase{"Int64Extremes", Int64(Int64Min), Int64(Int64Max), vrLessThan, -1},
        ComparisonCase{"CurrencyAndDouble", Cur(15000), Variant(1.5), vrEqual, 0},
        ComparisonCase{"CurrencyAndInteger", Cur(10001), Variant(1), vrGreaterThan, 1},
        ComparisonCase{"CurrencyAndHugeInt64", Cur(Int64Max), Int64(Int64Max), vrLessThan, -1},
        // Not-a-number sorts last, so sorting stays consistent.
        ComparisonCase{"NanAndNan", Variant(std::nan("")), Variant(std::nan("")), vrEqual, 0},
        ComparisonCase{"NanAfterDoubles", Variant(std::nan("")), Variant(1e308), vrGreaterThan, 1},
        ComparisonCase{"IntegerBeforeNan", Int64(Int64Max), Variant(std::nan("")), vrLessThan, -1},
        ComparisonCase{"CurrencyBeforeNan", Cur(1), Variant(std::nan("")), vrLessThan, -1},
        ComparisonCase{"DateAndDouble", Variant::FromDate(March5), Variant(45356.0), vrEqual, 0},
        // A string against a number is read as a number, not compared as text.
        ComparisonCase{"NumberTextAndInteger", Variant("10"), Variant(9), vrGreaterThan, 1},
        ComparisonCase{"FractionTextAndDouble", Variant("2,5"), Variant(2.5), vrEqual, 0},
        ComparisonCase{"DateTextAndDate", Variant("05.03.2024"), Variant::FromDate(March5), vrEqual, 0},
        ComparisonCase{"TrueTextAndTrue", Variant("True"), Variant(true), vrEqual, 0},
        // Strings: case-sensitive, by the code page's alphabet, not by byte.
        ComparisonCase{"LatinCase", Variant("a"), Variant("B"), vrLessThan, -1},
        ComparisonCase{"SameLettersLowerFirst", Variant("abc"), Variant("Abc"), vrLessThan, -1},
        ComparisonCase{"NumbersAsText", Variant("10"), Variant("9"), vrLessThan, -1},
        ComparisonCase{"CyrillicOrder", Variant(RU("Яблоко")), Variant(RU("арбуз")), vrGreaterThan, 1},
        ComparisonCase{"CyrillicYoWithYe", Variant(RU("Ёж")), Variant(RU("Жук")), vrLessThan, -1},
        ComparisonCase{"CyrillicCase", Variant(RU("ель")), Variant(RU("Ель")), vrLessThan, -1},
        ComparisonCase{"LatinBeforeCyrillic", Variant("Zebra"), Variant(RU("Азбука")), vrLessThan, -1},
        ComparisonCase{"CyrillicSame", Variant(RU("Тулво")), Variant(RU("Тулво")), vrEqual, 0},
        // Booleans: false before true; against numbers true is -1.
        ComparisonCase{"Booleans", Variant(false), Variant(true), vrLessThan, -1},
        ComparisonCase{"TrueAndMinusOne", Variant(true), Variant(-1), vrEqual, 0},
        // Null and Empty.
        ComparisonCase{"NullAndNull", Variant::Null(), Variant::Null(), vrEqual, 0},
        ComparisonCase{"NullAndNumber", Variant::Null(), Variant(5), vrNotEqual, -1},
        ComparisonCase{"NullAndEmptyText", Variant::Null(), Variant(""), vrNotEqual, -1},
        ComparisonCase{"NullAndEmpty", Variant::Null(), Variant(), vrNotEqual, -1},
        ComparisonCase{"EmptyAndEmpty", Variant(), Variant(), vrEqual, 0},
        ComparisonCase{"EmptyAndZero", Variant(), Variant(0), vrNotEqual, 0},
        ComparisonCase{"EmptyAndEmptyText", Variant(), Variant(""), vrNotEqual, 0},
        ComparisonCase{"EmptyAndText", Variant(), Variant("a"), vrNotEqual, -1},
        ComparisonCase{"EmptyAndNegative", Variant(), Variant(-3), vrNotEqual, 1}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(VariantComparison, IncomparableValuesRaiseVariantErrors) {
  EXPECT_TRUE(Raises<EVariantTypeCastError>([] { (void)(Variant("abc") < Variant(1)); },
                                            "Could not convert variant of type (String) into type (Double)"));
  EXPECT_TRUE(
      Raises<EVariantTypeCastError>([] { (void)(Variant("abc") == Variant(true)); },
                                    "Could not convert variant of type (String) into type (Boolean)"));
  EXPECT_TRUE(Raises<EVariantInvalidOpError>([] { (void)(VarArrayOf({1}) == VarArrayOf({1})); },
                                             "Invalid variant operation"));
  EXPECT_THROW(VarCompareValue(VarArrayOf({1}), Variant::Null()), EVariantInvalidOpError);
  // Every one of them is an EVariantError, which sorting turns into an order.
  EXPECT_THROW((void)(Variant("x") > Variant::FromDate(1)), EVariantError);
}

// --- Arithmetic --------------------------------------------------------------

enum class Op { Add, Subtract, Multiply, Divide, Modulus };

struct ArithmeticCase {
  const char* Name;
  Variant A;
  Op Operation;
  Variant B;
  Variant Expected;
  bool Overflows = false;
};

Variant Apply(Op op, const Variant& a, const Variant& b) {
  switch (op) {
    case Op::Add:
      return a + b;
    case Op::Subtract:
      return a - b;
    case Op::Multiply:
      return a * b;
    case Op::Divide:
      return a / b;
    case Op::Modulus:
      return a % b;
  }
  return {};
}

void PrintTo(const ArithmeticCase& c, std::ostream* os) { *os << c.Name; }

class Arithmetic : public ::testing::TestWithParam<ArithmeticCase> {};

TEST_P(Arithmetic, PromotesKindsWithoutLosingPrecision) {
  const ArithmeticCase& c = GetParam();
  if (c.Overflows)
    EXPECT_TRUE(Raises<EVariantOverflowError>([&] { Apply(c.Operation, c.A, c.B); }, "Variant overflow"));
  else
    EXPECT_TRUE(Same(Apply(c.Operation, c.A, c.B), c.Expected));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Arithmetic,
    ::testing::Values(
        ArithmeticCase{"Integers", Variant(1), Op::Add, Variant(2), Variant(3)},
        ArithmeticCase{"SmallintsGiveInteger", SmallInt(30000), Op::Add, SmallInt(30000), Variant(60000)},
        ArithmeticCase{"IntegerSumGrowsToInt64", Variant(2147483647), Op::Add, Variant(1), Int64(2147483648)},
        ArithmeticCase{"Int64StaysExact", Int64(9007199254740992), Op::Add, Variant(1),
                       Int64(9007199254740993)},
        ArithmeticCase{"Int64Overflow", Int64(Int64Max), Op::Add, Variant(1), {}, true},
        ArithmeticCase{"Int64ProductOverflow", Int64(Int64Max / 2 + 1), Op::Multiply, Variant(2), {}, true},
        ArithmeticCase{"DoubleOverflow", Variant(1e308), Op::Multiply, Variant(10), {}, true},
        ArithmeticCase{"IntegerAndDouble", Variant(1), Op::Add, Variant(0.5), Variant(1.5)},
        ArithmeticCase{"CurrencyAndInteger", Cur(15000), Op::Add, Variant(1), Cur(25000)},
        ArithmeticCase{"CurrencyProductIsExact", Cur(15000), Op::Multiply, Cur(15000), Cur(22500)},
        ArithmeticCase{"CurrencyOverflow", Cur(Int64Max), Op::Add, Cur(1), {}, true},
        ArithmeticCase{"CurrencyAndDouble", Cur(15000), Op::Add, Variant(0.25), Variant(1.75)},
        ArithmeticCase{"TextsConcatenate", Variant("ab"), Op::Add, Variant("cd"), Variant("abcd")},
        ArithmeticCase{"EmptyAndText", Variant(), Op::Add, Variant(RU("щ")), Variant(RU("щ"))},
        ArithmeticCase{"TextAndNumber", Variant("2"), Op::Add, Variant(3), Int64(5)},
        ArithmeticCase{"NullPropagates", Variant::Null(), Op::Add, Variant(1), Variant::Null()},
        ArithmeticCase{"EmptyIsZero", Variant(), Op::Add, Variant(5), Variant(5)},
        ArithmeticCase{"DatePlusDays", Variant::FromDate(March5), Op::Add, Variant(2),
                       Variant::FromDate(March5 + 2)},
        ArithmeticCase{"DateDifference", Variant::FromDate(March5 + 2), Op::Subtract,
                       Variant::FromDate(March5), Variant(2.0)},
        ArithmeticCase{"DivisionGivesDouble", Variant(7), Op::Divide, Variant(2), Variant(3.5)},
        ArithmeticCase{"Modulus", Variant(7), Op::Modulus, Variant(3), Variant(1)},
        ArithmeticCase{"ModulusOfInt64MinByMinusOne", Int64(Int64Min), Op::Modulus, Variant(-1), Int64(0)}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(VariantArithmetic, NegationAndDivisionByZero) {
  EXPECT_TRUE(Same(-Variant(5), Variant(-5)));
  EXPECT_TRUE(Same(-Variant(std::numeric_limits<int>::min()), Int64(2147483648)));
  EXPECT_TRUE(Same(-Cur(15000), Cur(-15000)));
  EXPECT_TRUE(Same(-Variant::Null(), Variant::Null()));
  EXPECT_TRUE(Raises<EVariantOverflowError>([] { -Int64(Int64Min); }, "Variant overflow"));
  EXPECT_TRUE(Raises<EZeroDivide>([] { Variant(1) / Variant(0); }, "Floating point division by zero"));
  EXPECT_TRUE(Raises<EZeroDivide>([] { Variant(1) % Variant(0); }, "Division by zero"));
  EXPECT_THROW(VarArrayOf({1}) + Variant(1), EVariantInvalidOpError);
}

// --- Arrays ------------------------------------------------------------------

TEST(VariantArray, VarArrayOfHoldsItsValuesFromIndexZero) {
  Variant a = VarArrayOf({1, "two", Variant::Null()});
  EXPECT_TRUE(VarIsArray(a));
  EXPECT_EQ(a.VarType(), TVarType::Array);
  EXPECT_EQ(VarArrayDimCount(a), 1);
  EXPECT_EQ(VarArrayLowBound(a), 0);
  EXPECT_EQ(VarArrayHighBound(a), 2);
  EXPECT_TRUE(Same(a[0], Variant(1)));
  EXPECT_TRUE(Same(a[1], Variant("two")));
  EXPECT_TRUE(a[2].IsNull());
  EXPECT_EQ(VarArrayHighBound(VarArrayOf({})), -1);
}

TEST(VariantArray, OtherLowBoundsAndIndexChecks) {
  Variant a = VarArrayCreate(1, 3);
  EXPECT_EQ(VarArrayLowBound(a), 1);
  EXPECT_EQ(VarArrayHighBound(a), 3);
  EXPECT_TRUE(a[1].IsEmpty());
  a[3] = "last";
  EXPECT_EQ(a[3].AsString(), "last");
  const std::string bad = "Variant or safe array index out of bounds";
  EXPECT_TRUE(Raises<EVariantBadIndexError>([&] { (void)a[0]; }, bad));
  EXPECT_TRUE(Raises<EVariantBadIndexError>([&] { (void)a[4]; }, bad));
  EXPECT_TRUE(Raises<EVariantBadIndexError>([&] { (void)VarArrayHighBound(a, 2); }, bad));
  EXPECT_TRUE(
      Raises<EVariantInvalidArgError>([] { (void)VarArrayLowBound(Variant(5)); }, "Variant is not an array"));
  EXPECT_TRUE(Raises<EVariantInvalidArgError>([] { (void)Variant("s")[0]; }, "Variant is not an array"));
  EXPECT_EQ(VarArrayDimCount(Variant(5)), 0);
  EXPECT_THROW(VarArrayCreate(5, 3), EVariantArrayCreateError);
  EXPECT_EQ(VarArrayHighBound(VarArrayCreate(5, 4)), 4);
}

TEST(VariantArray, TwoDimensions) {
  Variant a = VarArrayCreate({{1, 3}, {1, 2}});
  EXPECT_EQ(VarArrayDimCount(a), 2);
  EXPECT_EQ(VarArrayHighBound(a, 1), 3);
  EXPECT_EQ(VarArrayLowBound(a, 2), 1);
  EXPECT_EQ(VarArrayHighBound(a, 2), 2);
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 2; ++j) VarArrayPut(a, i * 10 + j, {i, j});
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 2; ++j) EXPECT_EQ(VarArrayGet(a, {i, j}).AsInteger(), i * 10 + j);
  EXPECT_THROW((void)a[1], EVariantBadIndexError);
  EXPECT_THROW(VarArrayGet(a, {1, 3}), EVariantBadIndexError);
  EXPECT_THROW(VarArrayGet(a, {1, 1, 1}), EVariantBadIndexError);
  std::vector<TVarArrayBound> many(VarArrayMaxDims + 1, TVarArrayBound{0, 0});
  EXPECT_THROW(VarArrayCreate(many), EVariantArrayCreateError);
  many.pop_back();
  EXPECT_EQ(VarArrayDimCount(VarArrayCreate(many)), VarArrayMaxDims);
}

TEST(VariantArray, CopiesNeverShareWrites) {
  Variant a = VarArrayOf({1, 2});
  Variant b = a;
  b[0] = 10;
  VarArrayPut(b, 20, {1});
  EXPECT_EQ(a[0].AsInteger(), 1);
  EXPECT_EQ(a[1].AsInteger(), 2);
  EXPECT_EQ(b[0].AsInteger(), 10);

  // A reference handed out before the copy was made still writes only into
  // its own array.
  Variant& element = a[0];
  Variant c = a;
  Variant d;
  d = a;
  element = 99;
  EXPECT_EQ(a[0].AsInteger(), 99);
  EXPECT_EQ(c[0].AsInteger(), 1);
  EXPECT_EQ(d[0].AsInteger(), 1);
}

TEST(VariantArray, NestedArraysAndSelfAssignment) {
  Variant inner = VarArrayOf({"x", "y"});
  Variant outer = VarArrayOf({inner, 3});
  Variant copy = outer;
  copy[0][1] = "z";
  EXPECT_EQ(outer[0][1].AsString(), "y");
  EXPECT_EQ(copy[0][1].AsString(), "z");
  EXPECT_EQ(inner[1].AsString(), "y");
  // An element put into its own array: the value must be read before the
  // array is touched.
  VarArrayPut(outer, VarArrayGet(outer, {0}), {1});
  EXPECT_EQ(outer[1][0].AsString(), "x");
  outer = outer[1];
  EXPECT_EQ(VarArrayHighBound(outer), 1);
}

TEST(Variant, MovedFromIsEmptyAndScalarsCopyByValue) {
  Variant a("text");
  Variant b = std::move(a);
  EXPECT_TRUE(a.IsEmpty());  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(b.AsString(), "text");
  Variant arr = VarArrayOf({1});
  Variant moved = std::move(arr);
  EXPECT_TRUE(arr.IsEmpty());  // NOLINT(bugprone-use-after-move)
  Variant copyOfMoved = arr;
  EXPECT_TRUE(copyOfMoved.IsEmpty());
  EXPECT_TRUE(VarIsNumeric(Cur(1)));
  EXPECT_FALSE(VarIsNumeric(Variant::FromDate(1)));
  EXPECT_TRUE(VarIsOrdinal(Variant::FromWord(7)));
  EXPECT_TRUE(VarIsStr(Variant(std::string_view("v"))));
  // Scalars and texts assign in place over any other kind; moved onto
  // itself a value stays.
  Variant kinds = "a text longer than a string keeps in place";
  Variant& same = kinds;
  kinds = std::move(same);
  EXPECT_EQ(kinds.AsString(), "a text longer than a string keeps in place");
  kinds = same;
  EXPECT_EQ(kinds.AsString(), "a text longer than a string keeps in place");
  kinds = Variant(5);
  EXPECT_EQ(kinds.VarType(), TVarType::Integer);
  kinds = Variant::Null();
  EXPECT_TRUE(kinds.IsNull());
  kinds = VarArrayOf({1, "x"});
  kinds = Variant("after the array");
  EXPECT_EQ(kinds.AsString(), "after the array");
  Variant source = 2.5;
  kinds = std::move(source);
  EXPECT_EQ(kinds.AsDouble(), 2.5);
  EXPECT_TRUE(source.IsEmpty());  // NOLINT(bugprone-use-after-move)
}

}  // namespace
