#include "dbaccess/statement/sqlda.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/util/number_text.h"
#include "framework/core/text/datetime.h"
#include "framework/core/text/format_settings.h"
#include "tests/dbaccess/sqlda_fixture.h"
#include "tests/support/raised.h"

namespace {

XSQLVAR& RecordOf(TFIBXSQLDA& da, int i) { return static_cast<XSQLDA*>(da.RawBuffer())->sqlvar[i]; }

template <class T>
std::string Bytes(T value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof(T));
}

template <class T>
T Load(const char* data) {
  T value;
  std::memcpy(&value, data, sizeof(T));
  return value;
}

std::string Varying(std::string_view text) {
  return Bytes(static_cast<std::uint16_t>(text.size())) + std::string(text);
}

std::string Stamp(std::int32_t days, std::uint32_t time) { return Bytes(days) + Bytes(time); }

int ServerDays(int y, int m, int d) { return static_cast<int>(EncodeDate(y, m, d)) + SQLDateDelta; }

std::uint32_t ServerTime(int h, int n, int s, int units) {
  return static_cast<std::uint32_t>(((h * 60 + n) * 60 + s) * 10000 + units);
}

// How the server would describe one column, with its value.
struct TColumn {
  int Type = 0;
  int Scale = 0;
  int Length = 0;
  std::string Data;
  bool Null = false;
};

TColumn Int64Column(std::int64_t v, int scale = 0) { return {SQLTypeInt64, scale, 8, Bytes(v)}; }
TColumn LongColumn(std::int32_t v, int scale = 0) { return {SQLTypeLong, scale, 4, Bytes(v)}; }
TColumn ShortColumn(std::int16_t v, int scale = 0) { return {SQLTypeShort, scale, 2, Bytes(v)}; }
TColumn DoubleColumn(double v) { return {SQLTypeDouble, 0, 8, Bytes(v)}; }
TColumn VaryingColumn(std::string_view text, int length) {
  TColumn c{SQLTypeVarying, 0, length, Varying(text)};
  c.Data.resize(static_cast<std::size_t>(length) + 2, '\0');
  return c;
}

// A one-column output descriptor filled as a fetch would fill it.
class TDescribed {
 public:
  explicit TDescribed(const TColumn& column, int dialect = 3) {
    Owner.Dialect = dialect;
    Da.SetCount(1);
    XSQLVAR& r = RecordOf(Da, 0);
    r.sqltype = static_cast<ISC_SHORT>(column.Type | 1);
    r.sqlscale = static_cast<ISC_SHORT>(column.Scale);
    r.sqllen = static_cast<ISC_SHORT>(column.Length);
    Da.InitializeFromServer();
    std::memcpy(r.sqldata, column.Data.data(), column.Data.size());
    *r.sqlind = column.Null ? -1 : 0;
  }
  TFIBXSQLVAR& Var() { return Da[0]; }

  TTestSQLDAOwner Owner;
  TFIBXSQLDA Da{&Owner, false};
};

std::string Text(double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), "%.15g", v);
  return buffer;
}

std::string Rendered(const TDateTime v) { return FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", v); }

// Runs a reader or writer and gives its result as text, or the client
// error it raised as "error N".
std::string Outcome(const std::function<std::string()>& f) {
  std::string value;
  const int code = ClientErrorOf([&] { value = f(); });
  return code < 0 ? value : "error " + std::to_string(code);
}

// ---- Readers ---------------------------------------------------------------------

enum class TReader { Integer, Int64, Double, Currency, WholeNumber, Bcd, DateTime, String, Variant, Boolean };

std::string Read(TFIBXSQLVAR& v, TReader reader) {
  switch (reader) {
    case TReader::Integer:
      return std::to_string(v.AsInteger());
    case TReader::Int64:
      return std::to_string(v.AsInt64());
    case TReader::Double:
      return Text(v.AsDouble());
    case TReader::Currency:
      return std::to_string(v.AsCurrency().Value);
    case TReader::WholeNumber:
      return Text(v.AsWholeNumber());
    case TReader::Bcd:
      return BcdToTextDot(v.AsBcd());
    case TReader::DateTime:
      return Rendered(v.AsDateTime());
    case TReader::String:
      return v.AsString();
    case TReader::Variant: {
      const Variant value = v.AsVariant();
      return VarTypeAsText(value.VarType()) + ":" + VarToStr(value);
    }
    case TReader::Boolean:
      return v.AsBoolean() ? "true" : "false";
  }
  return {};
}

struct ReadCase {
  const char* Name;
  TColumn Column;
  TReader Reader;
  std::string Expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.Name; }

class ColumnReads : public testing::TestWithParam<ReadCase> {
 protected:
  TFormatSettingsScope Russian{TFormatSettings::Russian()};
};

TEST_P(ColumnReads, GiveTheExpectedValue) {
  TDescribed column(GetParam().Column);
  EXPECT_EQ(Outcome([&] { return Read(column.Var(), GetParam().Reader); }), GetParam().Expected);
}

using R = TReader;
const ReadCase ReadCases[] = {
    // Scaled 64-bit integers convert exactly.
    {"ScaledBigIntAsText", Int64Column(12345, -2), R::String, "123,45"},
    {"ScaledBigIntAsTextDropsZeroFraction", Int64Column(12300, -2), R::String, "123"},
    {"ScaledBigIntSmallNegativeAsText", Int64Column(-5, -2), R::String, "-0,05"},
    {"ScaledBigIntZeroAsText", Int64Column(0, -2), R::String, "0"},
    {"ScaledBigIntAsInt64Truncates", Int64Column(12399, -2), R::Int64, "123"},
    {"ScaledBigIntAsDouble", Int64Column(12345, -2), R::Double, "123.45"},
    {"ScaledBigIntAsCurrency", Int64Column(12345, -2), R::Currency, "1234500"},
    {"ScaledBigIntAsBcd", Int64Column(-12345, -2), R::Bcd, "-123.45"},
    {"ScaledBigIntAsVariantIsExactCurrency", Int64Column(12345, -2), R::Variant, "Currency:123,45"},
    {"LargeScaledBigIntAsVariantIsExactCurrency", Int64Column(9007199254740993, -4), R::Variant,
     "Currency:900719925474,0993"},
    {"ScaledBigIntAsIntegerRoundsHalfToEvenDown", Int64Column(2500, -3), R::Integer, "2"},
    {"ScaledBigIntAsIntegerRoundsHalfToEvenUp", Int64Column(3500, -3), R::Integer, "4"},
    {"ScaledBigIntAsWholeNumber", Int64Column(-2500, -3), R::WholeNumber, "-2"},
    {"EighteenDigitsStayExactAsText", Int64Column(999999999999999999, -4), R::String, "99999999999999,9999"},
    {"EighteenDigitsStayExactAsCurrency", Int64Column(922337203685477580, -4), R::Currency,
     "922337203685477580"},
    {"BigIntWithoutScaleReadsAsInt64Variant", Int64Column(std::numeric_limits<std::int64_t>::max()),
     R::Variant, "Int64:9223372036854775807"},
    {"BigIntOutOfIntegerRangeRaises", Int64Column(5'000'000'000), R::Integer, "error 33"},
    {"CurrencyOverflowRaises", Int64Column(10'000'000'000'000'000), R::Currency, "error 33"},
    {"ScaledCurrencyOverflowRaises", Int64Column(9'000'000'000'000'000'000, -2), R::Currency, "error 33"},
    {"SmallestBigIntAsText", Int64Column(std::numeric_limits<std::int64_t>::min()), R::String,
     "-9223372036854775808"},
    // 32- and 16-bit integers.
    {"ScaledIntegerAsTextIsExact", LongColumn(12345, -2), R::String, "123,45"},
    {"ScaledIntegerAsCurrency", LongColumn(-12345, -2), R::Currency, "-1234500"},
    {"ScaledIntegerAsVariantIsDouble", LongColumn(15, -1), R::Variant, "Double:1,5"},
    {"IntegerAsVariant", LongColumn(-7), R::Variant, "Integer:-7"},
    {"SmallIntAsInteger", ShortColumn(-7), R::Integer, "-7"},
    {"SmallIntAsText", ShortColumn(32767), R::String, "32767"},
    {"IntegerAsBooleanRaises", LongColumn(1), R::Boolean, "error 33"},
    {"IntegerAsDateTimeRaises", LongColumn(1), R::DateTime, "error 33"},
    // Floating point.
    {"DoubleAsIntegerRoundsHalfToEven", DoubleColumn(2.5), R::Integer, "2"},
    {"DoubleAsIntegerRoundsUp", DoubleColumn(3.5), R::Integer, "4"},
    {"DoubleOutOfIntegerRangeRaises", DoubleColumn(1e10), R::Integer, "error 33"},
    {"DoubleOutOfInt64RangeRaises", DoubleColumn(1e300), R::Int64, "error 33"},
    {"DoubleOutOfCurrencyRangeRaises", DoubleColumn(1e300), R::Currency, "error 33"},
    {"DoubleAsText", DoubleColumn(2.5), R::String, "2,5"},
    {"DoubleAsCurrency", DoubleColumn(1.23456), R::Currency, "12346"},
    {"FloatAsDouble", {SQLTypeFloat, 0, 4, Bytes(0.5f)}, R::Double, "0.5"},
    // Text.
    {"VaryingText", VaryingColumn("abc", 10), R::String, "abc"},
    {"VaryingTextAsVariant", VaryingColumn("abc", 10), R::Variant, "String:abc"},
    {"VaryingLengthBeyondBufferIsCut",
     {SQLTypeVarying, 0, 3, Bytes(std::uint16_t{40}) + "abc"},
     R::String,
     "abc"},
    {"FixedTextKeepsItsBlanks", {SQLTypeText, 0, 5, "ab   "}, R::String, "ab   "},
    {"NumberText", VaryingColumn(" 42", 10), R::Integer, "42"},
    {"NumberTextWithDecimalSeparator", VaryingColumn("2,25", 10), R::Double, "2.25"},
    {"TextNotANumberRaises", VaryingColumn("abc", 10), R::Integer, "error 33"},
    {"TextAsCurrencyIsExact", VaryingColumn("0,0001", 10), R::Currency, "1"},
    {"DateText", VaryingColumn("29.02.2024", 12), R::DateTime, "2024-02-29 00:00:00.000"},
    // Dates and times.
    {"TimeStamp",
     {SQLTypeTimeStamp, 0, 8, Stamp(ServerDays(2024, 2, 29), ServerTime(13, 45, 7, 1230))},
     R::DateTime,
     "2024-02-29 13:45:07.123"},
    {"TimeStampBeforeDateZeroKeepsItsTime",
     {SQLTypeTimeStamp, 0, 8, Stamp(ServerDays(1899, 12, 29), ServerTime(6, 0, 0, 0))},
     R::DateTime,
     "1899-12-29 06:00:00.000"},
    {"TimeStampAsText",
     {SQLTypeTimeStamp, 0, 8, Stamp(ServerDays(2024, 2, 29), ServerTime(9, 5, 7, 0))},
     R::String,
     "29.02.2024 9:05:07"},
    {"DateAsText", {SQLTypeDate, 0, 4, Bytes(ServerDays(2024, 2, 29))}, R::String, "29.02.2024"},
    {"DateOfFirstServerDay", {SQLTypeDate, 0, 4, Bytes(0)}, R::DateTime, "1858-11-17 00:00:00.000"},
    {"TimeAsText", {SQLTypeTime, 0, 4, Bytes(ServerTime(13, 45, 7, 0))}, R::String, "13:45:07"},
    {"TimeAsDateTime",
     {SQLTypeTime, 0, 4, Bytes(ServerTime(13, 45, 7, 1230))},
     R::DateTime,
     "1899-12-30 13:45:07.123"},
    {"DateAsVariant", {SQLTypeDate, 0, 4, Bytes(ServerDays(2024, 2, 29))}, R::Variant, "Date:29.02.2024"},
    // Booleans of both widths.
    {"TwoByteBoolean", {SQLTypeBoolean, 0, 2, Bytes(std::int16_t{1})}, R::Boolean, "true"},
    {"OneByteBooleanFalse", {SQLTypeBoolean1, 0, 1, Bytes(std::uint8_t{0})}, R::Boolean, "false"},
    {"OneByteBooleanAsText", {SQLTypeBoolean1, 0, 1, Bytes(std::uint8_t{1})}, R::String, "True"},
    {"BooleanAsVariant", {SQLTypeBoolean1, 0, 1, Bytes(std::uint8_t{1})}, R::Variant, "Boolean:True"},
    {"BooleanAsDouble", {SQLTypeBoolean, 0, 2, Bytes(std::int16_t{1})}, R::Double, "1"},
    // Identifiers.
    {"ArrayAsText", {SQLTypeArray, 0, 8, Bytes(std::int64_t{7})}, R::String, "(Array)"},
    {"BlobAsVariant", {SQLTypeBlob, 0, 8, Bytes(std::int64_t{7})}, R::Variant, "String:(BLOB)"},
    {"QuadAsNumberRaises", {SQLTypeQuad, 0, 8, Bytes(std::int64_t{7})}, R::Double, "error 33"},
    // Nulls read as zero values.
    {"NullAsInteger", {SQLTypeInt64, 0, 8, Bytes(std::int64_t{7}), true}, R::Integer, "0"},
    {"NullAsText", {SQLTypeVarying, 0, 4, Varying("abcd"), true}, R::String, ""},
    {"NullAsVariant", {SQLTypeLong, 0, 4, Bytes(7), true}, R::Variant, "Null:"},
    {"NullAsBoolean", {SQLTypeLong, 0, 4, Bytes(7), true}, R::Boolean, "false"},
    {"NullTypeCarriesNoValue", {SQLTypeNull, 0, 0, ""}, R::Variant, "Null:"},
};

INSTANTIATE_TEST_SUITE_P(Descriptor, ColumnReads, testing::ValuesIn(ReadCases),
                         [](const testing::TestParamInfo<ReadCase>& info) { return info.param.Name; });

// ---- Writers ---------------------------------------------------------------------

// The record a writer left: its type and scale, then the value as the
// client will send it.
std::string Sent(TFIBXSQLVAR& v) {
  if (v.IsNull()) return std::to_string(v.SQLType()) + " null";
  const char* d = v.Data();
  std::string value;
  switch (v.SQLType()) {
    case SQLTypeLong:
      value = std::to_string(Load<std::int32_t>(d));
      break;
    case SQLTypeInt64:
      value = std::to_string(Load<std::int64_t>(d));
      break;
    case SQLTypeDouble:
      value = Text(Load<double>(d));
      break;
    case SQLTypeText:
      value = "'" + std::string(d, static_cast<std::size_t>(v.SQLLen())) + "'";
      break;
    case SQLTypeTimeStamp:
      value = std::to_string(Load<std::int32_t>(d)) + "," + std::to_string(Load<std::uint32_t>(d + 4));
      break;
    case SQLTypeDate:
      value = std::to_string(Load<std::int32_t>(d));
      break;
    case SQLTypeTime:
      value = std::to_string(Load<std::uint32_t>(d));
      break;
    case SQLTypeBoolean:
      value = std::to_string(Load<std::int16_t>(d));
      break;
    case SQLTypeBoolean1:
      value = std::to_string(Load<std::uint8_t>(d));
      break;
    case SQLTypeBlob:
    case SQLTypeArray:
      value = std::to_string(Load<std::int64_t>(d));
      break;
    default:
      value = "?";
  }
  return std::to_string(v.SQLType()) + "/" + std::to_string(v.SQLScale()) + ": " + value;
}

struct WriteCase {
  const char* Name;
  int Dialect;
  // The type the server described for the parameter (0: not prepared yet).
  int ServerType;
  std::function<void(TFIBXSQLVAR&)> Write;
  std::string Expected;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.Name; }

class ParameterWrites : public testing::TestWithParam<WriteCase> {
 protected:
  TFormatSettingsScope Russian{TFormatSettings::Russian()};
};

TEST_P(ParameterWrites, SendTheExpectedRecord) {
  TTestSQLDAOwner owner;
  owner.Dialect = GetParam().Dialect;
  TFIBXSQLDA params(&owner, true);
  params.SetCount(1);
  params.AddName("P", 0);
  params[0].ClearToUntyped();
  params[0].SetServerSQLType(GetParam().ServerType);
  EXPECT_EQ(Outcome([&] {
              GetParam().Write(params[0]);
              return Sent(params[0]);
            }),
            GetParam().Expected);
}

TDateTime At(int y, int m, int d, int h = 0, int n = 0, int s = 0, int ms = 0) {
  return EncodeDate(y, m, d) + EncodeTime(h, n, s, ms);
}

const std::string Leap = std::to_string(ServerDays(2024, 2, 29));

const WriteCase WriteCases[] = {
    {"Integer", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsInteger(-5); }, "496/0: -5"},
    {"Int64", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsInt64(-9'000'000'000); }, "580/0: -9000000000"},
    {"Double", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsDouble(2.5); }, "480/0: 2.5"},
    {"CurrencyInDialect3IsScaledBigInt", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsCurrency(TCurrency{125000}); },
     "580/-4: 125000"},
    {"CurrencyInDialect1IsDouble", 1, 0, [](TFIBXSQLVAR& v) { v.SetAsCurrency(TCurrency{125000}); },
     "480/0: 12.5"},
    {"ExtendedInDialect3KeepsEighteenDigits", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsExtended(1.5L); },
     "580/-17: 150000000000000000"},
    {"ExtendedNotANumberRaises", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsExtended(NAN); }, "error 33"},
    {"BcdInDialect3", 3, 0,
     [](TFIBXSQLVAR& v) {
       TBcd bcd;
       Int64ToBcd(2, bcd, -12345);
       v.SetAsBcd(bcd);
     },
     "580/-2: -12345"},
    {"DateInDialect3", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsDate(At(2024, 2, 29, 13)); }, "570/0: " + Leap},
    {"DateInDialect1IsTimeStamp", 1, 0, [](TFIBXSQLVAR& v) { v.SetAsDate(At(2024, 2, 29, 13)); },
     "510/0: " + Leap + ",0"},
    {"TimeInDialect3", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsTime(At(2024, 2, 29, 13, 45, 7, 123)); },
     "560/0: 495071230"},
    {"MidnightDateTimeInDialect3IsDate", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsDateTime(At(2024, 2, 29)); },
     "570/0: " + Leap},
    {"DateTimeInDialect3IsTimeStamp", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsDateTime(At(2024, 2, 29, 0, 0, 1)); },
     "510/0: " + Leap + ",10000"},
    {"MidnightDateTimeInDialect1IsTimeStamp", 1, 0, [](TFIBXSQLVAR& v) { v.SetAsDateTime(At(2024, 2, 29)); },
     "510/0: " + Leap + ",0"},
    {"DateOutsideTheCalendarRaises", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsDateTime(1e12); }, "error 33"},
    {"Text", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsString("12,5"); }, "452/0: '12,5'"},
    {"EmptyText", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsString(""); }, "452/0: ''"},
    {"TextForNumberGetsDecimalPoint", 3, SQLTypeInt64, [](TFIBXSQLVAR& v) { v.SetAsString("12,5"); },
     "452/0: '12.5'"},
    {"BooleanForNewerServerIsOneByte", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsBoolean(true); }, "32764/0: 1"},
    {"BooleanForTwoByteColumn", 3, SQLTypeBoolean, [](TFIBXSQLVAR& v) { v.SetAsBoolean(true); }, "590/0: 1"},
    {"BooleanForNumberColumnIsNumber", 3, SQLTypeLong, [](TFIBXSQLVAR& v) { v.SetAsBoolean(true); },
     "496/0: 1"},
    {"Quad", 3, 0,
     [](TFIBXSQLVAR& v) {
       v.SetAsQuad(TISCQuad{0, 7});
     },
     "520/0: 30064771072"},
    {"NullOfUntypedParameterIsText", 3, 0, [](TFIBXSQLVAR& v) { v.SetIsNull(true); }, "452 null"},
    // Variants, by kind.
    {"VariantNull", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsVariant(Variant::Null()); }, "452 null"},
    {"VariantSmallInt", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsVariant(Variant(std::int16_t{-3})); }, "496/0: -3"},
    {"VariantByte", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsVariant(Variant::FromByte(200)); }, "496/0: 200"},
    {"VariantInt64IsSentWhole", 3, 0,
     [](TFIBXSQLVAR& v) { v.SetAsVariant(Variant(std::int64_t{9'000'000'000})); }, "580/0: 9000000000"},
    {"VariantLongWordIsSentWhole", 3, 0,
     [](TFIBXSQLVAR& v) { v.SetAsVariant(Variant::FromLongWord(4'000'000'000)); }, "580/0: 4000000000"},
    {"VariantDouble", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsVariant(Variant(0.25)); }, "480/0: 0.25"},
    {"VariantDoubleForTimeStampIsDate", 3, SQLTypeTimeStamp,
     [](TFIBXSQLVAR& v) { v.SetAsVariant(Variant(At(2024, 2, 29))); }, "570/0: " + Leap},
    {"VariantCurrency", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsVariant(Variant(TCurrency{5})); }, "580/-4: 5"},
    {"VariantDateForTime", 3, SQLTypeTime,
     [](TFIBXSQLVAR& v) { v.SetAsVariant(Variant::FromDate(At(2024, 2, 29, 1))); }, "560/0: 36000000"},
    {"VariantDateForDate", 3, SQLTypeDate,
     [](TFIBXSQLVAR& v) { v.SetAsVariant(Variant::FromDate(At(2024, 2, 29, 1))); }, "570/0: " + Leap},
    {"VariantString", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsVariant(Variant("abc")); }, "452/0: 'abc'"},
    {"VariantBooleanForNumber", 3, SQLTypeLong, [](TFIBXSQLVAR& v) { v.SetAsVariant(Variant(true)); },
     "496/0: 1"},
    {"VariantBooleanUnprepared", 3, 0, [](TFIBXSQLVAR& v) { v.SetAsVariant(Variant(false)); }, "496/0: 0"},
    {"VariantBooleanForBoolean", 3, SQLTypeBoolean1, [](TFIBXSQLVAR& v) { v.SetAsVariant(Variant(true)); },
     "32764/0: 1"},
    {"VariantIntegerForBoolean", 3, SQLTypeBoolean1, [](TFIBXSQLVAR& v) { v.SetAsVariant(Variant(1)); },
     "32764/0: 1"},
    {"VariantArrayNeedsArrayColumn", 3, 0,
     [](TFIBXSQLVAR& v) {
       v.SetAsVariant(VarArrayOf({1, 2}));
     },
     "error 59"},
};

INSTANTIATE_TEST_SUITE_P(Descriptor, ParameterWrites, testing::ValuesIn(WriteCases),
                         [](const testing::TestParamInfo<WriteCase>& info) { return info.param.Name; });

// ---- The variable ----------------------------------------------------------------

TEST(SqlVar, AssigningAVariantOfAnotherKindNeverKeepsTheOldValue) {
  TTestSQLDAOwner owner;
  TFIBXSQLDA params(&owner, true);
  params.SetCount(1);
  params[0].SetAsInteger(1);
  const Variant values[] = {Variant(std::int64_t{1} << 40), Variant::FromLongWord(3'000'000'000U),
                            Variant::FromWord(65535), Variant(TCurrency{12345})};
  for (const Variant& value : values) {
    params[0].SetAsVariant(value);
    EXPECT_EQ(params[0].AsVariant(), value) << VarTypeAsText(value.VarType());
  }
}

TEST(SqlVar, RecordKeyFromShorterTextIsFilledWithZeros) {
  TTestSQLDAOwner owner;
  TFIBXSQLDA params(&owner, true);
  params.SetCount(1);
  params.AddName("DB_KEY", 0);
  params[0].SetAsString(std::string(8, 'k'));
  ASSERT_EQ(params[0].SQLLen(), 8);
  // A key read with trailing controls trimmed: five bytes for eight.
  params[0].SetAsString("abcde");
  EXPECT_EQ(params[0].SQLLen(), 8);
  EXPECT_EQ(std::string(params[0].Data(), 8), std::string("abcde\0\0\0", 8));
}

TEST(SqlVar, WritingMakesANullVariableNotNullAndClearsItsScale) {
  TTestSQLDAOwner owner;
  TFIBXSQLDA params(&owner, true);
  params.SetCount(1);
  params[0].ClearToUntyped();
  EXPECT_TRUE(params[0].IsNull());
  params[0].SetAsInt64(12345);
  params[0].SetSQLScale(-2);
  params[0].SetIsNull(true);
  EXPECT_TRUE(params[0].IsNull());
  EXPECT_TRUE(params[0].IsNullable());
  params[0].SetAsInteger(7);
  EXPECT_FALSE(params[0].IsNull());
  EXPECT_EQ(params[0].SQLScale(), 0);
  EXPECT_EQ(params[0].AsString(), "7");
  EXPECT_TRUE(params[0].Modified());
  EXPECT_TRUE(params[0].Assigned());
}

TEST(SqlVar, TextIsTrimmedWhenTheStatementAsks) {
  TDescribed column(TColumn{SQLTypeText, 0, 6, std::string("ab \t\0 ", 6)});
  EXPECT_EQ(column.Var().AsString(), std::string("ab \t\0 ", 6));
  column.Owner.Trim = true;
  EXPECT_EQ(column.Var().AsString(), "ab");
}

TEST(SqlVar, OutputReadsNullUntilARowIsThere) {
  TDescribed column(LongColumn(5));
  column.Owner.Row = false;
  EXPECT_TRUE(column.Var().IsNull());
  EXPECT_EQ(column.Var().AsInteger(), 0);
  column.Owner.Row = true;
  EXPECT_EQ(column.Var().AsInteger(), 5);
}

TEST(SqlVar, BlobWithoutConnectionRaisesInsteadOfReading) {
  TDescribed column(TColumn{SQLTypeBlob, 0, 8, Bytes(std::int64_t{7})});
  EXPECT_EQ(Outcome([&] { return column.Var().AsString(); }), "error 21");
}

TEST(SqlVar, MacroChangeIsNotedOnlyWhenTheTextDiffers) {
  TTestSQLDAOwner owner;
  TFIBXSQLDA params(&owner, true);
  params.SetCount(1);
  params.AddName("WHERE", 0);
  params[0].SetIsMacro(true);
  params[0].SetAsString("0=1");
  params[0].SetOldValue(Variant("0=1"));
  owner.Macros = false;
  params[0].SetAsString("0=1");
  EXPECT_FALSE(owner.Macros);
  params[0].SetAsString("ID = 5");
  EXPECT_TRUE(owner.Macros);
}

TEST(SqlVar, AssignRecordCopiesTypeValueAndNullFlag) {
  TTestSQLDAOwner owner;
  TFIBXSQLDA params(&owner, true);
  params.SetCount(2);
  params[0].SetAsString("hello");
  params[1].AssignRecord(params[0]);
  EXPECT_EQ(params[1].AsString(), "hello");
  EXPECT_NE(params[1].Data(), params[0].Data());
  params[0].SetIsNull(true);
  params[1].AssignRecord(params[0]);
  EXPECT_TRUE(params[1].IsNull());
}

TEST(SqlVar, ArrayAccessNamesTheColumn) {
  TDescribed column(LongColumn(5));
  XSQLVAR& r = RecordOf(column.Da, 0);
  std::memcpy(r.relname, "T", 1);
  r.relname_length = 1;
  std::memcpy(r.sqlname, "A", 1);
  r.sqlname_length = 1;
  try {
    column.Var().ArrayDimensions();
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.Message(), "Column types \"T.A\" is not array field");
  }
}

// ---- The descriptor ----------------------------------------------------------------

TEST(SqlDescriptor, ParameterNameUsedThreeTimesSharesOneValue) {
  TTestSQLDAOwner owner;
  TFIBXSQLDA params(&owner, true);
  params.SetCount(4);
  params.AddName("ID", 0);
  params.AddName("X", 1);
  params.AddName("ID", 2);
  params.AddName("ID", 3);
  for (int i = 0; i < 4; ++i) params[i].ClearToUntyped();
  EXPECT_EQ(params.EqualIndices("ID"), (std::vector<int>{0, 2, 3}));
  params[2].SetAsInteger(7);
  EXPECT_EQ(params[0].AsInteger(), 7);
  EXPECT_EQ(params[3].AsInteger(), 7);
  EXPECT_TRUE(params[1].IsNull());
  params.ByName("id")->SetIsNull(true);
  EXPECT_TRUE(params[0].IsNull() && params[2].IsNull() && params[3].IsNull());
}

TEST(SqlDescriptor, IndexOutsideTheVariablesRaises) {
  TFIBXSQLDA fields(nullptr, false);
  fields.SetCount(2);
  EXPECT_EQ(Outcome([&] { return fields[2].Name(); }), "error 23");
  EXPECT_EQ(Outcome([&] { return fields[-1].Name(); }), "error 23");
}

TEST(SqlDescriptor, GrowingKeepsValuesAndPointsEveryRecordAtItsBuffers) {
  TTestSQLDAOwner owner;
  TFIBXSQLDA params(&owner, true);
  params.SetCount(1);
  params[0].SetAsString("first");
  params[0].SetIsNull(false);
  params.SetCount(40);
  EXPECT_EQ(params.Size(), 40);
  EXPECT_EQ(params[0].AsString(), "first");
  auto* sqlda = static_cast<XSQLDA*>(params.RawBuffer());
  EXPECT_EQ(sqlda->version, SQLDA_VERSION1);
  EXPECT_EQ(sqlda->sqln, 40);
  EXPECT_EQ(sqlda->sqld, 40);
  EXPECT_EQ(sqlda->sqlvar[0].sqldata, params[0].Data());
  for (int i = 0; i < 40; ++i) EXPECT_EQ(params[i].Record(), &sqlda->sqlvar[i]);
  params.SetCount(3);
  EXPECT_EQ(params.Size(), 40);
  EXPECT_EQ(sqlda->sqld, 3);
}

TEST(SqlDescriptor, ColumnsWithoutAliasOrWithTheSameAliasGetUniqueNames) {
  TTestSQLDAOwner owner;
  TFIBXSQLDA fields(&owner, false);
  fields.SetCount(5);
  const char* aliases[] = {"", "NAME", "", "NAME", "NAME1"};
  for (int i = 0; i < 5; ++i) {
    XSQLVAR& r = RecordOf(fields, i);
    r.sqltype = SQLTypeLong + 1;
    r.sqllen = 4;
    r.aliasname_length = static_cast<ISC_SHORT>(std::strlen(aliases[i]));
    std::memcpy(r.aliasname, aliases[i], std::strlen(aliases[i]));
  }
  fields.InitializeFromServer();
  const char* expected[] = {"F_1", "NAME", "F_2", "NAME1", "NAME11"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(fields[i].Name(), expected[i]);
    EXPECT_EQ(fields[i].AliasName(), expected[i]);
    EXPECT_EQ(fields[i].ServerSQLType(), SQLTypeLong);
  }
  EXPECT_EQ(fields.ByName("name1"), &fields[3]);
}

TEST(SqlDescriptor, NumberedLongAliasIsCutToFitItsField) {
  TTestSQLDAOwner owner;
  TFIBXSQLDA fields(&owner, false);
  fields.SetCount(3);
  const std::string alias(31, 'A');
  for (int i = 0; i < 3; ++i) {
    XSQLVAR& r = RecordOf(fields, i);
    r.sqltype = SQLTypeLong;
    r.sqllen = 4;
    r.aliasname_length = 31;
    std::memcpy(r.aliasname, alias.data(), 31);
  }
  fields.InitializeFromServer();
  EXPECT_EQ(fields[0].Name(), alias);
  EXPECT_EQ(fields[1].Name(), std::string(29, 'A') + "1");
  EXPECT_EQ(fields[2].Name(), std::string(29, 'A') + "2");
  EXPECT_EQ(RecordOf(fields, 1).aliasname[31], '\0');
}

TEST(SqlDescriptor, UnknownDescribedTypeRaises) {
  TFIBXSQLDA fields(nullptr, false);
  fields.SetCount(1);
  RecordOf(fields, 0).sqltype = 999;
  try {
    fields.InitializeFromServer();
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), ceUnknownSQLDataType);
    EXPECT_EQ(e.Message(), "Unknown SQL Data type (998).");
  }
}

TEST(SqlDescriptor, NamesFollowTheDialect) {
  TTestSQLDAOwner owner;
  TFIBXSQLDA params(&owner, true);
  params.SetCount(2);
  owner.Dialect = 1;
  params.AddName(" city ", 0);
  EXPECT_EQ(params[0].Name(), "CITY");
  owner.Dialect = 3;
  params.AddName("My Name", 1);
  EXPECT_EQ(params[1].Name(), "My Name");
  EXPECT_EQ(params.ByName("CITY"), &params[0]);
  EXPECT_EQ(params.ByName("my name"), &params[1]);
  EXPECT_EQ(params.ByName("other"), nullptr);
  owner.Upper = true;
  EXPECT_EQ(params.NormalizeName("city"), "CITY");
  EXPECT_EQ(params.NormalizeName("My Name"), "My Name");
}

TEST(SqlDescriptor, AssignValuesCopiesByName) {
  TFormatSettingsScope russian(TFormatSettings::Russian());
  TTestSQLDAOwner owner;
  TFIBXSQLDA from(&owner, true), to(&owner, true);
  from.SetCount(4);
  to.SetCount(4);
  const char* names[] = {"A", "B", "D", "E"};
  const char* targetNames[] = {"E", "D", "A", "ONLY"};
  for (int i = 0; i < 4; ++i) {
    from.AddName(names[i], i);
    to.AddName(targetNames[i], i);
    from[i].ClearToUntyped();
    to[i].ClearToUntyped();
  }
  from[0].SetAsInt64(42);
  from[2].SetAsString("29.02.2024");
  from[3].SetIsNull(true);
  to[0].SetAsInteger(1);
  to[1].SetAsDate(0);  // the parameter D is a DATE
  to[3].SetAsInteger(9);
  to.AssignValues(from);
  EXPECT_EQ(to[2].AsInt64(), 42);
  // A date text goes to a date parameter as text, for the server to read.
  EXPECT_EQ(Rendered(to[1].AsDateTime()), "2024-02-29 00:00:00.000");
  EXPECT_TRUE(to[0].IsNull());
  EXPECT_EQ(to[3].AsInteger(), 9);
}

TEST(SqlDescriptor, ExchangedVariableTakesItsRecordAlong) {
  TTestSQLDAOwner owner;
  TFIBXSQLDA a(&owner, true), b(&owner, true);
  a.SetCount(2);
  b.SetCount(1);
  a[1].SetAsString("kept");
  TFIBXSQLVAR* moving = &a[1];
  b.ExchangeVar(0, a, 1);
  EXPECT_EQ(&b[0], moving);
  EXPECT_EQ(b[0].Parent(), &b);
  EXPECT_EQ(b[0].Index(), 0);
  EXPECT_EQ(b[0].AsString(), "kept");
  EXPECT_EQ(b[0].Record(), &static_cast<XSQLDA*>(b.RawBuffer())->sqlvar[0]);
  EXPECT_EQ(a[1].Parent(), &a);
  EXPECT_EQ(a[1].Record(), &static_cast<XSQLDA*>(a.RawBuffer())->sqlvar[1]);
}

}  // namespace
