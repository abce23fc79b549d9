#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "datagrid/criteria/criteria.h"
#include "framework/core/storage/streams.h"
#include "framework/core/text/text.h"
#include "tests/datagrid/criteria_test_support.h"

namespace {

std::string Saved(const TdxCriteria& criteria) {
  TMemoryStream stream;
  criteria.SaveToStream(stream);
  std::string bytes(static_cast<std::size_t>(stream.Size()), '\0');
  stream.Seek(0, soBeginning);
  stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  return bytes;
}

void Load(TdxCriteria& criteria, const std::string& bytes) {
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream.Seek(0, soBeginning);
  criteria.LoadFromStream(stream);
}

std::string Int32(std::int32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * i)));
  return s;
}

std::string Str(const std::string& s) { return Int32(static_cast<std::int32_t>(s.size())) + s; }

// One leaf in the root: kind 0, not negated, display text, key "K",
// operator "=", then the encoded value.
std::string LeafStream(const std::string& encodedValue, char operatorCode = ocEqual) {
  return Int32(1) + std::string("\0\0", 2) + Str("t") + Str("K") + operatorCode + encodedValue;
}

std::string SavedValue(const Variant& value) {
  TTestCriteria criteria;
  criteria.Root().AddItem("K", ocEqual, "t", value);
  const std::string bytes = Saved(criteria);
  return bytes.substr(LeafStream("").size());
}

// A small criteria the grid's dialog could build: NAME = 'ABC' AND
// NOT (PHONE >= '1' OR PHONE Is Null).
void BuildSample(TdxCriteria& criteria) {
  criteria.Root().AddItem("NAME", ocEqual, "ABC", "ABC");
  TdxCriteriaItemList* list = criteria.Root().AddList(jtOr);
  list->SetNegated(true);
  list->AddItem("PHONE", ocGreaterEqual, "1", "1");
  list->AddItem("PHONE", ocIsNull, "", Variant::Null());
}

TEST(CriteriaStream, ExactBytesOfSmallCriteria) {
  TTestCriteria criteria;
  BuildSample(criteria);
  const std::string expected = Int32(2) +
                               // leaf, not negated
                               std::string("\0\0", 2) + Str("ABC") + Str("NAME") + "\x01" +
                               "\x06\x03"
                               "ABC" +
                               // list, negated, OR, two children
                               "\x01\x01\x01" + Int32(2) + std::string("\0\0", 2) + Str("1") + Str("PHONE") +
                               "\x04" +
                               "\x06\x01"
                               "1" +
                               std::string("\0\0", 2) + Str("") + Str("PHONE") + std::string("\0\0", 2);
  EXPECT_EQ(Saved(criteria), expected);
}

TEST(CriteriaStream, RoundTripKeepsTreeAndTexts) {
  TTestCriteria criteria;
  BuildSample(criteria);
  criteria.Root().AddItem(RU("Улица"), ocLess, RU("Ленина"), Variant(RU("Ленина")))->SetNegated(true);
  const std::string bytes = Saved(criteria);

  TTestCriteria loaded;
  Load(loaded, bytes);
  loaded.CheckInvariants();
  EXPECT_EQ(loaded.FilterText(), criteria.FilterText());
  EXPECT_EQ(loaded.DisplayText(), criteria.DisplayText());
  EXPECT_EQ(Saved(loaded), bytes);
}

TEST(CriteriaStream, LoadUsesItemFactoryAndRunsAfterLoadHooks) {
  TTestCriteria criteria;
  criteria.Root().AddItem("A", ocEqual, "", 1)->SetNegated(true);
  TTestCriteria loaded;
  Load(loaded, Saved(criteria));
  TTestCriteriaItem& item = AsTestItem(loaded.Root().Items(0));
  EXPECT_EQ(item.AfterLoadCalls, 1);
  EXPECT_TRUE(item.NegatedAtLoad);
  EXPECT_EQ(item.Parent(), &loaded.Root());
}

TEST(CriteriaStream, RootNegationAndJunctionAreNotStored) {
  TTestCriteria criteria;
  criteria.Root().SetNegated(true);
  criteria.Root().SetJunction(jtOr);
  criteria.Root().AddItem("A", ocEqual, "", 1);
  criteria.Root().AddItem("B", ocEqual, "", 2);

  TTestCriteria loaded;
  loaded.Root().SetNegated(true);
  Load(loaded, Saved(criteria));
  EXPECT_FALSE(loaded.Root().Negated());
  EXPECT_EQ(loaded.Root().Junction(), jtAnd);
  EXPECT_EQ(loaded.FilterText(), "(A = 1) AND (B = 2)");
}

TEST(CriteriaStream, LoadReplacesEarlierContent) {
  TTestCriteria criteria;
  criteria.Root().AddItem("OLD", ocEqual, "", 1);
  TTestCriteria source;
  source.Root().AddItem("NEW", ocEqual, "", 2);
  Load(criteria, Saved(source));
  EXPECT_EQ(criteria.FilterText(), "(NEW = 2)");
}

// --- tagged values ---------------------------------------------------------------

struct TValueCase {
  const char* Name;
  Variant Value;
  std::string Encoded;
  TVarType ReadType;
};

void PrintTo(const TValueCase& c, std::ostream* os) { *os << c.Name; }

class CriteriaValueTest : public testing::TestWithParam<TValueCase> {};

TEST_P(CriteriaValueTest, WritesTagAndReadsBack) {
  const TValueCase& c = GetParam();
  EXPECT_EQ(SavedValue(c.Value), c.Encoded);

  TTestCriteria loaded;
  Load(loaded, LeafStream(c.Encoded));
  const Variant& value = loaded.FindItem("K")->Value();
  EXPECT_EQ(value.VarType(), c.ReadType);
  if (c.ReadType == TVarType::Double || c.ReadType == TVarType::Date) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(value.AsDouble()),
              std::bit_cast<std::uint64_t>(c.Value.AsDouble()));
  } else {
    EXPECT_TRUE(value == c.Value) << VarToStr(value);
  }
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Criteria, CriteriaValueTest,
    testing::Values(
        TValueCase{"Empty", Variant(), Bytes({13}), TVarType::Empty},
        TValueCase{"Null", Variant::Null(), Bytes({0}), TVarType::Null},
        TValueCase{"MinusFive", -5, Bytes({2, 0xFB}), TVarType::SmallInt},
        TValueCase{"ByteKind", Variant::FromByte(200), Bytes({3, 200, 0}), TVarType::SmallInt},
        TValueCase{"ThreeHundred", 300, Bytes({3, 0x2C, 0x01}), TVarType::SmallInt},
        TValueCase{"SmallIntLow", std::int16_t{-32768}, Bytes({3, 0x00, 0x80}), TVarType::SmallInt},
        TValueCase{"SeventyThousand", 70000, Bytes({4, 0x70, 0x11, 0x01, 0x00}), TVarType::Integer},
        TValueCase{"IntegerLow", std::numeric_limits<int>::min(), Bytes({4, 0, 0, 0, 0x80}),
                   TVarType::Integer},
        TValueCase{"Int64Small", std::int64_t{7}, Bytes({2, 7}), TVarType::SmallInt},
        TValueCase{"Int64Large", std::int64_t{70000000000}, Bytes({6, 11}) + "70000000000", TVarType::String},
        TValueCase{"LongWordLarge", Variant::FromLongWord(4000000000u), Bytes({6, 10}) + "4000000000",
                   TVarType::String},
        TValueCase{"DoubleOne", 1.0, Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}), TVarType::Double},
        TValueCase{"DoubleMinusOneAndHalf", -1.5, Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0xBF}),
                   TVarType::Double},
        TValueCase{"DoubleZero", 0.0, Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), TVarType::Double},
        TValueCase{"DoubleTenth", 0.1, Bytes({5, 0x00, 0xD0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}),
                   TVarType::Double},
        TValueCase{"DoubleSubnormal", 5e-324, Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xCD, 0x3B}),
                   TVarType::Double},
        TValueCase{"DoubleInfinity", std::numeric_limits<double>::infinity(),
                   Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}), TVarType::Double},
        // A not-a-number keeps its payload both ways, so a stored layout
        // reads back and is written again unchanged.
        TValueCase{"DoubleNaNWithPayload", std::bit_cast<double>(std::uint64_t{0x7FF8000000000123}),
                   Bytes({5, 0x00, 0x18, 0x09, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F}), TVarType::Double},
        TValueCase{"Currency", TCurrency{15000}, Bytes({16, 0x98, 0x3A, 0, 0, 0, 0, 0, 0}),
                   TVarType::Currency},
        TValueCase{"Date", Variant::FromDate(45323.5),
                   Bytes({17}) + std::string(Bytes({0, 0, 0, 0, 0x70, 0x21, 0xE6, 0x40})), TVarType::Date},
        TValueCase{"True", true, Bytes({9}), TVarType::Boolean},
        TValueCase{"False", false, Bytes({8}), TVarType::Boolean},
        TValueCase{"ShortString", "abc", Bytes({6, 3}) + "abc", TVarType::String},
        TValueCase{"EmptyString", "", Bytes({6, 0}), TVarType::String},
        TValueCase{"String255", std::string(255, 'x'), Bytes({6, 255}) + std::string(255, 'x'),
                   TVarType::String},
        TValueCase{"String300", std::string(300, 'y'), Bytes({12, 0x2C, 0x01, 0, 0}) + std::string(300, 'y'),
                   TVarType::String}),
    [](const testing::TestParamInfo<TValueCase>& info) { return std::string(info.param.Name); });

TEST(CriteriaStream, ReadsSingleAndWideStringTags) {
  TTestCriteria loaded;
  Load(loaded, LeafStream(Bytes({15, 0x00, 0x00, 0x20, 0x40})));  // 2.5f
  EXPECT_EQ(loaded.FindItem("K")->Value().VarType(), TVarType::Double);
  EXPECT_EQ(loaded.FindItem("K")->Value().AsDouble(), 2.5);

  // "Ёж" in UTF-16, and a character the code page lacks.
  Load(loaded, LeafStream(Bytes({18, 3, 0, 0, 0, 0x01, 0x04, 0x36, 0x04, 0x3B, 0x26})));
  EXPECT_EQ(loaded.FindItem("K")->Value().VarType(), TVarType::String);
  EXPECT_EQ(loaded.FindItem("K")->Value().AsString(), RU("Ёж") + "?");
}

TEST(CriteriaStream, ArrayValueIsRefusedAndNothingWritten) {
  TTestCriteria criteria;
  criteria.Root().AddItem("A", ocEqual, "", 1);
  criteria.Root().AddItem("K", ocEqual, "", VarArrayOf({1, 2}));
  TMemoryStream stream;
  try {
    criteria.SaveToStream(stream);
    FAIL() << "an array was written";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error");
  }
  EXPECT_EQ(stream.Size(), 0);
}

// --- damaged streams ---------------------------------------------------------------

void ExpectReadErrorKeepsCriteria(const std::string& bytes) {
  TTestCriteria criteria;
  BuildSample(criteria);
  const std::string before = Saved(criteria);
  try {
    Load(criteria, bytes);
    ADD_FAILURE() << "a damaged stream was read";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
  criteria.CheckInvariants();
  EXPECT_EQ(Saved(criteria), before);
}

TEST(CriteriaStream, EveryTruncationRaisesAndKeepsCriteria) {
  TTestCriteria source;
  BuildSample(source);
  source.Root().AddItem("D", ocGreater, "", 1.5);
  source.Root().AddItem("L", ocGreater, "", std::string(300, 'z'));
  const std::string bytes = Saved(source);
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    SCOPED_TRACE(length);
    ExpectReadErrorKeepsCriteria(bytes.substr(0, length));
  }
}

struct TDamageCase {
  const char* Name;
  std::string Bytes;
};

void PrintTo(const TDamageCase& c, std::ostream* os) { *os << c.Name; }

class CriteriaDamageTest : public testing::TestWithParam<TDamageCase> {};

TEST_P(CriteriaDamageTest, RaisesReadErrorAndKeepsCriteria) {
  ExpectReadErrorKeepsCriteria(GetParam().Bytes);
}

// depth lists, each the only child of the one before; the last is empty.
std::string Nested(int depth) {
  std::string s = Int32(1);
  for (int i = 1; i < depth; ++i) s += Bytes({1, 0, 0}) + Int32(1);
  return s + Bytes({1, 0, 0}) + Int32(0);
}

INSTANTIATE_TEST_SUITE_P(
    Criteria, CriteriaDamageTest,
    testing::Values(TDamageCase{"UnknownTag", LeafStream(Bytes({1}))},
                    TDamageCase{"Int64TagNotWritten", LeafStream(Bytes({19, 1, 0, 0, 0, 0, 0, 0, 0}))},
                    TDamageCase{"OperatorOutOfRange", LeafStream(Bytes({0}), 6)},
                    TDamageCase{"JunctionOutOfRange", Int32(1) + Bytes({1, 0, 2}) + Int32(0)},
                    TDamageCase{"NegativeCount", Int32(-1)},
                    TDamageCase{"NegativeListCount", Int32(1) + Bytes({1, 0, 0}) + Int32(-2)},
                    TDamageCase{"NegativeStringLength", Int32(1) + Bytes({0, 0}) + Int32(-1)},
                    TDamageCase{"HugeStringLength", Int32(1) + Bytes({0, 0}) + Int32(0x7FFFFFFF) + "abc"},
                    TDamageCase{"HugeWideString", LeafStream(Bytes({18}) + Int32(0x7FFFFFFF) + "ab")},
                    TDamageCase{"CountBeyondNodes", Int32(3) + LeafStream(Bytes({0})).substr(4)},
                    TDamageCase{"NestingOneTooDeep", Nested(65)}, TDamageCase{"NestingTooDeep", Nested(300)}),
    [](const testing::TestParamInfo<TDamageCase>& info) { return std::string(info.param.Name); });

TEST(CriteriaStream, NestingUpToTheLimitIsRead) {
  TTestCriteria criteria;
  Load(criteria, Nested(64));
  criteria.CheckInvariants();
  EXPECT_EQ(criteria.Root().Count(), 1);
}

}  // namespace
