#include "datagrid/criteria/criteria.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/text/format_settings.h"
#include "framework/core/text/text.h"
#include "tests/datagrid/criteria_test_support.h"

namespace {

// --- operators ----------------------------------------------------------------

struct TOperatorCase {
  const char* Name;
  int Code;
  Variant Row;
  Variant Value;
  bool Expected;
};

void PrintTo(const TOperatorCase& c, std::ostream* os) { *os << c.Name; }

class OperatorTest : public testing::TestWithParam<TOperatorCase> {};

TEST_P(OperatorTest, ComparesRowValueWithConditionValue) {
  const TOperatorCase& c = GetParam();
  EXPECT_EQ(dxOperator(c.Code).Compare(c.Row, c.Value), c.Expected);
}

const Variant Null = Variant::Null();

INSTANTIATE_TEST_SUITE_P(
    Criteria, OperatorTest,
    testing::Values(TOperatorCase{"NullRowIsNull", ocIsNull, Null, 5, true},
                    TOperatorCase{"EmptyStringIsNull", ocIsNull, "", Null, true},
                    TOperatorCase{"BlankIsNotNull", ocIsNull, " ", Null, false},
                    TOperatorCase{"ZeroIsNotNull", ocIsNull, 0, Null, false},
                    TOperatorCase{"FalseIsNotNull", ocIsNull, false, Null, false},
                    TOperatorCase{"UnassignedIsNotNull", ocIsNull, Variant(), Null, false},
                    TOperatorCase{"EqualAcrossNumberKinds", ocEqual, 5, 5.0, true},
                    TOperatorCase{"EqualDiffers", ocEqual, 5, 6, false},
                    TOperatorCase{"EqualIsCaseSensitive", ocEqual, "abc", "ABC", false},
                    TOperatorCase{"NullEqualsNull", ocEqual, Null, Null, true},
                    TOperatorCase{"NullRowNotEqualValue", ocEqual, Null, 1, false},
                    TOperatorCase{"RowNotEqualNullValue", ocEqual, 1, Null, false},
                    TOperatorCase{"PercentInValueIsNoWildcard", ocEqual, "ABC", "A%C", false},
                    TOperatorCase{"PercentInDataIsNoWildcard", ocEqual, "A%C", "ABC", false},
                    TOperatorCase{"PercentMatchesItself", ocEqual, "A%C", "A%C", true},
                    TOperatorCase{"StarIsNoWildcard", ocEqual, "AB", "A*", false},
                    TOperatorCase{"UnderscoreIsNoWildcard", ocEqual, "ABC", "A_C", false},
                    TOperatorCase{"QuestionMarkIsNoWildcard", ocEqual, "x", "?", false},
                    TOperatorCase{"GreaterNumbers", ocGreater, 6, 5, true},
                    TOperatorCase{"GreaterNotWhenEqual", ocGreater, 5, 5, false},
                    TOperatorCase{"NullRowNeverGreater", ocGreater, Null, 5, false},
                    TOperatorCase{"AnyRowGreaterThanNull", ocGreater, -1000, Null, true},
                    TOperatorCase{"GreaterStrings", ocGreater, "b", "a", true},
                    TOperatorCase{"WildcardStringsOrderAsText", ocGreater, "b%", "a_", true},
                    TOperatorCase{"UnconvertibleIsNotGreater", ocGreater, "abc", 5, false},
                    TOperatorCase{"GreaterDates", ocGreater, Variant::FromDate(45000),
                                  Variant::FromDate(44999), true},
                    TOperatorCase{"CurrencyAgainstDouble", ocGreater, TCurrency{15001}, 1.5, true},
                    TOperatorCase{"NullRowIsLess", ocLess, Null, 5, true},
                    TOperatorCase{"UnconvertibleIsLess", ocLess, "abc", 5, true},
                    TOperatorCase{"RowNotLessThanNull", ocLess, 5, Null, false},
                    TOperatorCase{"NullNotLessThanNull", ocLess, Null, Null, false},
                    TOperatorCase{"LessNumbers", ocLess, 4, 5, true},
                    TOperatorCase{"GreaterEqualWhenEqual", ocGreaterEqual, 5, 5, true},
                    TOperatorCase{"NullRowNotGreaterEqual", ocGreaterEqual, Null, 5, false},
                    TOperatorCase{"RowGreaterEqualNull", ocGreaterEqual, 5, Null, true},
                    TOperatorCase{"UnconvertibleNotGreaterEqual", ocGreaterEqual, "abc", 5, false},
                    TOperatorCase{"NullLessEqualNull", ocLessEqual, Null, Null, true},
                    TOperatorCase{"LessEqualNumbers", ocLessEqual, 4, 5, true},
                    TOperatorCase{"GreaterNotLessEqual", ocLessEqual, 6, 5, false},
                    TOperatorCase{"UnconvertibleLessEqual", ocLessEqual, "abc", 5, true}),
    [](const testing::TestParamInfo<TOperatorCase>& info) { return std::string(info.param.Name); });

TEST(CriteriaOperator, TextsByCode) {
  const std::vector<std::string> texts = {"Is Null", "=", ">", "<", ">=", "<="};
  for (int code = 0; code < dxOperatorCount; ++code) EXPECT_EQ(dxOperator(code).Text(), texts[code]);
}

TEST(CriteriaOperator, UnknownCodeIsRefused) {
  EXPECT_THROW(dxOperator(6), EListError);
  EXPECT_THROW(dxOperator(-1), EListError);
  TdxCriteria criteria;
  EXPECT_THROW(criteria.Root().AddItem("A", 6, "", 1), EListError);
  EXPECT_EQ(criteria.Root().Count(), 0);
}

TEST(CriteriaOperator, EqualityLetsConversionErrorsThrough) {
  EXPECT_THROW(dxOperator(ocEqual).Compare("abc", 5), EVariantError);
}

// Texts in the code page, compared by its collation: case-sensitive in the
// plain criteria, upper-cased on both sides in a case-insensitive one.
struct TCyrillicCase {
  const char* Name;
  bool CaseInsensitive;
  int Code;
  const char* RowUtf8;
  const char* ValueUtf8;
  bool Expected;
};

void PrintTo(const TCyrillicCase& c, std::ostream* os) { *os << c.Name; }

class CyrillicCompareTest : public testing::TestWithParam<TCyrillicCase> {};

TEST_P(CyrillicCompareTest, EvaluatesByCodePageRules) {
  const TCyrillicCase& c = GetParam();
  TTestCriteria criteria;
  criteria.CaseInsensitive = c.CaseInsensitive;
  criteria.Root().AddItem("NAME", c.Code, "", Variant(RU(c.ValueUtf8)));
  const TTestRow row = {{"NAME", Variant(RU(c.RowUtf8))}};
  EXPECT_EQ(criteria.Evaluate(&row), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Criteria, CyrillicCompareTest,
    testing::Values(TCyrillicCase{"CaseMatters", false, ocEqual, "иванов", "ИВАНОВ", false},
                    TCyrillicCase{"CaseIgnored", true, ocEqual, "иванов", "ИВАНОВ", true},
                    TCyrillicCase{"CaseIgnoredYo", true, ocEqual, "ёлкин", "ЁЛКИН", true},
                    TCyrillicCase{"YoStillDiffersFromYe", true, ocEqual, "ёлкин", "ЕЛКИН", false},
                    TCyrillicCase{"AlphabetNotByteOrder", false, ocLess, "абрамов", "Борисов", true},
                    TCyrillicCase{"YoAfterYe", false, ocGreater, "Ёлкин", "Елкин", true},
                    TCyrillicCase{"YoBeforeZhe", false, ocLess, "ёж", "Жуков", true},
                    TCyrillicCase{"CaseIgnoredOrder", true, ocGreaterEqual, "петров", "ПЕТРОВ", true},
                    TCyrillicCase{"LowerFirstWhenCaseMatters", false, ocLess, "петров", "Петров", true}),
    [](const testing::TestParamInfo<TCyrillicCase>& info) { return std::string(info.param.Name); });

// --- evaluation -----------------------------------------------------------------

TEST(CriteriaEvaluate, EmptyCriteriaPassEveryRow) {
  TTestCriteria criteria;
  const TTestRow row;
  EXPECT_TRUE(criteria.Evaluate(&row));
  criteria.Root().SetNegated(true);
  EXPECT_FALSE(criteria.Evaluate(&row));
}

TEST(CriteriaEvaluate, JunctionsAndNegation) {
  TTestCriteria criteria;
  TdxCriteriaItemList& root = criteria.Root();
  root.AddItem("A", ocEqual, "1", 1);
  root.AddItem("B", ocGreater, "10", 10);
  const TTestRow both = {{"A", 1}, {"B", 11}};
  const TTestRow onlyA = {{"A", 1}, {"B", 10}};
  const TTestRow neither = {{"A", 2}, {"B", 3}};

  EXPECT_TRUE(criteria.Evaluate(&both));
  EXPECT_FALSE(criteria.Evaluate(&onlyA));

  root.SetJunction(jtOr);
  EXPECT_TRUE(criteria.Evaluate(&onlyA));
  EXPECT_FALSE(criteria.Evaluate(&neither));

  root.Items(1)->SetNegated(true);  // A = 1 OR NOT (B > 10)
  EXPECT_TRUE(criteria.Evaluate(&neither));
  EXPECT_TRUE(criteria.Evaluate(&both));

  root.SetNegated(true);
  EXPECT_FALSE(criteria.Evaluate(&neither));
}

TEST(CriteriaEvaluate, SubListIsOneOperand) {
  TTestCriteria criteria;
  TdxCriteriaItemList& root = criteria.Root();
  root.SetJunction(jtOr);
  TdxCriteriaItemList* phones = root.AddList(jtAnd);
  phones->AddItem("PHONE", ocGreaterEqual, "1", "1");
  phones->AddItem("PHONE", ocLess, "5", "5");
  const TTestRow inRange = {{"PHONE", "3"}};
  const TTestRow outOfRange = {{"PHONE", "7"}};

  // The only child of an OR root: the result is the sub-list's own.
  EXPECT_TRUE(criteria.Evaluate(&inRange));
  EXPECT_FALSE(criteria.Evaluate(&outOfRange));

  phones->SetNegated(true);
  EXPECT_FALSE(criteria.Evaluate(&inRange));
  EXPECT_TRUE(criteria.Evaluate(&outOfRange));

  root.AddItem("NAME", ocIsNull, "", Variant::Null());
  const TTestRow noName = {{"PHONE", "3"}};  // NAME missing: Null
  EXPECT_TRUE(criteria.Evaluate(&noName));
}

TEST(CriteriaEvaluate, ReadsEveryLeafWithoutShortCut) {
  TTestCriteria criteria;
  criteria.Root().SetJunction(jtOr);
  auto& first = AsTestItem(criteria.Root().AddItem("A", ocEqual, "", 1));
  auto& second = AsTestItem(criteria.Root().AddItem("B", ocEqual, "", 1));
  const TTestRow row = {{"A", 1}, {"B", 2}};
  EXPECT_TRUE(criteria.Evaluate(&row));
  EXPECT_EQ(first.RowReads, 1);
  EXPECT_EQ(second.RowReads, 1);
}

TEST(CriteriaEvaluate, ConversionAppliesToRowAndConditionValue) {
  TTestCriteria criteria;
  criteria.CaseInsensitive = true;
  // The condition value is stored as typed; only the comparison ignores case.
  criteria.Root().AddItem("NAME", ocEqual, RU("Сидоров"), Variant(RU("Сидоров")));
  const TTestRow row = {{"NAME", Variant(RU("СИДОРОВ"))}};
  EXPECT_TRUE(criteria.Evaluate(&row));
  EXPECT_EQ(criteria.FindItem("NAME")->Value().AsString(), RU("Сидоров"));
}

TEST(CriteriaEvaluate, EqualityConversionErrorReachesCaller) {
  TTestCriteria criteria;
  criteria.Root().AddItem("N", ocEqual, "5", 5);
  const TTestRow row = {{"N", "abc"}};
  EXPECT_THROW(criteria.Evaluate(&row), EVariantError);
}

TEST(CriteriaEvaluate, PlainItemCannotReadRows) {
  TdxCriteria criteria;
  criteria.Root().AddItem("N", ocEqual, "5", 5);
  const TTestRow row;
  EXPECT_THROW(criteria.Evaluate(&row), EInvalidOperation);
}

// --- finding and removing -------------------------------------------------------

TEST(CriteriaItems, FindItemIsDepthFirstAndCaseSensitive) {
  TTestCriteria criteria;
  TdxCriteriaItemList* list = criteria.Root().AddList(jtOr);
  TdxCriteriaItem* inner = list->AddItem("NAME", ocEqual, "", "a");
  TdxCriteriaItem* outer = criteria.Root().AddItem("NAME", ocEqual, "", "b");
  EXPECT_EQ(criteria.FindItem("NAME"), inner);
  EXPECT_EQ(criteria.FindItem("Name"), nullptr);
  criteria.Root().Items(0)->SetNegated(true);
  EXPECT_EQ(inner->Parent(), list);
  EXPECT_EQ(outer->Parent(), &criteria.Root());
  EXPECT_EQ(list->Criteria(), &criteria);
  criteria.CheckInvariants();
}

TEST(CriteriaItems, RemovingBothLeavesOfSubListFreesIt) {
  TTestCriteria criteria;
  criteria.Root().AddItem("CITY", ocEqual, "", "X");
  TdxCriteriaItemList* list = criteria.Root().AddList(jtOr);
  list->AddItem("PHONE", ocGreaterEqual, "1", "1");
  list->AddItem("PHONE", ocIsNull, "", Variant::Null());
  criteria.RemoveItems("PHONE");
  criteria.CheckInvariants();
  ASSERT_EQ(criteria.Root().Count(), 1);
  EXPECT_EQ(criteria.FindItem("CITY"), criteria.Root().Items(0));
}

TEST(CriteriaItems, LastLeafOfSubListMovesToEndOfParent) {
  TTestCriteria criteria;
  TdxCriteriaItemList* list = criteria.Root().AddList(jtOr);
  list->SetNegated(true);
  list->AddItem("PHONE", ocEqual, "", "1");
  TdxCriteriaItem* survivor = list->AddItem("NAME", ocEqual, "", "A");
  TdxCriteriaItem* city = criteria.Root().AddItem("CITY", ocEqual, "", "X");

  criteria.RemoveItems("PHONE");
  criteria.CheckInvariants();
  ASSERT_EQ(criteria.Root().Count(), 2);
  EXPECT_EQ(criteria.Root().Items(0), city);
  EXPECT_EQ(criteria.Root().Items(1), survivor);
  EXPECT_EQ(survivor->Parent(), &criteria.Root());
  EXPECT_TRUE(survivor->Negated());  // NOT (PHONE = 1 OR NAME = A) without PHONE
}

// Removing a column's conditions leaves the others meaning what they meant
// inside the tree: a list dissolved around its last child hands its negation
// on, and a list emptied out goes, however deep.
struct TRemovalCase {
  const char* Name;
  void (*Build)(TdxCriteriaItemList& root);
  const char* Before;
  const char* After;  // once the conditions on A are gone
};

void PrintTo(const TRemovalCase& c, std::ostream* os) { *os << c.Name; }

class CriteriaRemoval : public testing::TestWithParam<TRemovalCase> {};

TEST_P(CriteriaRemoval, KeepsTheMeaningOfWhatRemains) {
  const TRemovalCase& c = GetParam();
  TTestCriteria criteria;
  c.Build(criteria.Root());
  ASSERT_EQ(criteria.FilterText(), c.Before);
  criteria.RemoveItems("A");
  criteria.CheckInvariants();
  EXPECT_EQ(criteria.FilterText(), c.After);
  EXPECT_EQ(criteria.FindItem("A"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Criteria, CriteriaRemoval,
    testing::Values(TRemovalCase{"NegatedOr",
                                 [](TdxCriteriaItemList& root) {
                                   TdxCriteriaItemList* list = root.AddList(jtOr);
                                   list->SetNegated(true);
                                   list->AddItem("A", ocEqual, "", 1);
                                   list->AddItem("B", ocEqual, "", 2);
                                 },
                                 "(NOT ((A = 1) OR (B = 2)))", "(NOT (B = 2))"},
                    TRemovalCase{"NegationsCancel",
                                 [](TdxCriteriaItemList& root) {
                                   TdxCriteriaItemList* list = root.AddList(jtOr);
                                   list->SetNegated(true);
                                   list->AddItem("A", ocEqual, "", 1);
                                   list->AddItem("B", ocEqual, "", 2)->SetNegated(true);
                                 },
                                 "(NOT ((A = 1) OR (NOT (B = 2))))", "(B = 2)"},
                    TRemovalCase{"SurvivorIsAList",
                                 [](TdxCriteriaItemList& root) {
                                   root.AddItem("C", ocLess, "", 3);
                                   TdxCriteriaItemList* list = root.AddList(jtAnd);
                                   list->SetNegated(true);
                                   list->AddItem("A", ocEqual, "", 1);
                                   TdxCriteriaItemList* inner = list->AddList(jtOr);
                                   inner->AddItem("B", ocEqual, "", 2);
                                   inner->AddItem("C", ocEqual, "", 4);
                                 },
                                 "(C < 3) AND (NOT ((A = 1) AND ((B = 2) OR (C = 4))))",
                                 "(C < 3) AND (NOT ((B = 2) OR (C = 4)))"},
                    TRemovalCase{"InnerListDissolvedIntoNegatedOuter",
                                 [](TdxCriteriaItemList& root) {
                                   TdxCriteriaItemList* outer = root.AddList(jtAnd);
                                   outer->SetNegated(true);
                                   outer->AddItem("C", ocEqual, "", 3);
                                   TdxCriteriaItemList* inner = outer->AddList(jtOr);
                                   inner->SetNegated(true);
                                   inner->AddItem("A", ocEqual, "", 1);
                                   inner->AddItem("B", ocEqual, "", 2);
                                 },
                                 "(NOT ((C = 3) AND (NOT ((A = 1) OR (B = 2)))))",
                                 "(NOT ((C = 3) AND (NOT (B = 2))))"},
                    TRemovalCase{"EmptiedListsGoAllTheWayUp",
                                 [](TdxCriteriaItemList& root) {
                                   root.AddItem("X", ocEqual, "", 1);
                                   TdxCriteriaItemList* outer = root.AddList(jtAnd);
                                   outer->SetNegated(true);
                                   outer->AddList(jtOr)->AddItem("A", ocEqual, "", 1);
                                 },
                                 "(X = 1) AND (NOT (((A = 1))))", "(X = 1)"},
                    TRemovalCase{"TwoLeftStayTogether",
                                 [](TdxCriteriaItemList& root) {
                                   TdxCriteriaItemList* list = root.AddList(jtOr);
                                   list->SetNegated(true);
                                   list->AddItem("B", ocEqual, "", 2);
                                   list->AddItem("A", ocEqual, "", 1);
                                   list->AddItem("C", ocEqual, "", 3);
                                 },
                                 "(NOT ((B = 2) OR (A = 1) OR (C = 3)))", "(NOT ((B = 2) OR (C = 3)))"}),
    [](const testing::TestParamInfo<TRemovalCase>& info) { return std::string(info.param.Name); });

// The row-by-row view of the same rule: with A's condition gone, each row
// passes as the remaining condition on B says.
TEST(CriteriaItems, DissolvedNegatedListStillRefusesWhatItRefused) {
  TTestCriteria criteria;
  TdxCriteriaItemList* list = criteria.Root().AddList(jtOr);
  list->SetNegated(true);
  list->AddItem("A", ocEqual, "", 1);
  list->AddItem("B", ocEqual, "", 2);
  criteria.RemoveItems("A");
  const TTestRow b2 = {{"A", 5}, {"B", 2}};
  const TTestRow b3 = {{"A", 5}, {"B", 3}};
  EXPECT_FALSE(criteria.Evaluate(&b2));
  EXPECT_TRUE(criteria.Evaluate(&b3));
}

TEST(CriteriaItems, ListWithTwoLeftStays) {
  TTestCriteria criteria;
  TdxCriteriaItemList* list = criteria.Root().AddList(jtAnd);
  list->AddItem("A", ocEqual, "", 1);
  list->AddItem("B", ocEqual, "", 1);
  list->AddItem("C", ocEqual, "", 1);
  criteria.RemoveItems("B");
  criteria.CheckInvariants();
  ASSERT_EQ(criteria.Root().Count(), 1);
  EXPECT_EQ(list->Count(), 2);
}

TEST(CriteriaItems, RemovingFromRootKeepsRoot) {
  TTestCriteria criteria;
  criteria.Root().SetJunction(jtOr);
  criteria.Root().AddItem("A", ocEqual, "", 1);
  criteria.Root().AddItem("A", ocEqual, "", 2);
  criteria.RemoveItems("A");
  criteria.RemoveItems("missing");
  criteria.CheckInvariants();
  EXPECT_EQ(criteria.Root().Count(), 0);
  EXPECT_EQ(criteria.Root().Junction(), jtOr);
}

TEST(CriteriaItems, ClearResetsRoot) {
  TTestCriteria criteria;
  criteria.Root().SetJunction(jtOr);
  criteria.Root().SetNegated(true);
  criteria.Root().AddList(jtOr)->AddItem("A", ocEqual, "", 1);
  criteria.Clear();
  criteria.CheckInvariants();
  EXPECT_EQ(criteria.Root().Count(), 0);
  EXPECT_EQ(criteria.Root().Junction(), jtAnd);
  EXPECT_FALSE(criteria.Root().Negated());
  EXPECT_THROW(criteria.Root().Items(0), EListError);
}

// --- texts ------------------------------------------------------------------------

TEST(CriteriaText, EmptyCriteriaGiveEmptyTexts) {
  TTestCriteria criteria;
  EXPECT_EQ(criteria.FilterText(), "");
  EXPECT_EQ(criteria.DisplayText(), "");
}

TEST(CriteriaText, SingleEqualityLeaf) {
  TTestCriteria criteria;
  criteria.Root().AddItem("NAME", ocEqual, "abc as typed", "ABC");
  EXPECT_EQ(criteria.FilterText(), "(NAME = 'ABC')");
  EXPECT_EQ(criteria.DisplayText(), "(Column NAME = abc as typed)");
}

TEST(CriteriaText, OrSubList) {
  TTestCriteria criteria;
  TdxCriteriaItemList* list = criteria.Root().AddList(jtOr);
  list->AddItem("PHONE", ocGreaterEqual, "1", "1");
  list->AddItem("PHONE", ocIsNull, "ignored", Variant::Null());
  EXPECT_EQ(criteria.FilterText(), "((PHONE >= '1') OR (PHONE Is Null))");
  EXPECT_EQ(criteria.DisplayText(), "((Column PHONE >= 1) OR (Column PHONE Is Null))");
}

TEST(CriteriaText, NegatedNullLeaf) {
  TTestCriteria criteria;
  criteria.Root().AddItem("NAME", ocIsNull, "", Variant::Null())->SetNegated(true);
  EXPECT_EQ(criteria.FilterText(), "(NOT (NAME Is Null))");
  EXPECT_EQ(criteria.DisplayText(), "(NOT (Column NAME Is Null))");
}

TEST(CriteriaText, JunctionsNestingAndNegatedRoot) {
  TTestCriteria criteria;
  criteria.Root().AddItem("A", ocEqual, "1", 1);
  TdxCriteriaItemList* list = criteria.Root().AddList(jtOr);
  list->SetNegated(true);
  list->AddItem("B", ocLess, "2", 2);
  list->AddItem("C", ocLessEqual, "3", 3);
  criteria.Root().AddItem("D", ocGreater, "4", 4);
  EXPECT_EQ(criteria.FilterText(), "(A = 1) AND (NOT ((B < 2) OR (C <= 3))) AND (D > 4)");
  criteria.Root().SetNegated(true);
  EXPECT_EQ(criteria.FilterText(), "NOT ((A = 1) AND (NOT ((B < 2) OR (C <= 3))) AND (D > 4))");
}

// Literals must read back in the dataset's filter parser exactly as the grid
// compares them, whatever the user's number and date settings.
struct TLiteralCase {
  const char* Name;
  Variant Value;
  const char* Expected;
};

void PrintTo(const TLiteralCase& c, std::ostream* os) { *os << c.Name; }

class FilterLiteralTest : public testing::TestWithParam<TLiteralCase> {};

TEST_P(FilterLiteralTest, RendersParsableLiteral) {
  TFormatSettingsScope scope(TFormatSettings::Russian());
  TTestCriteria criteria;
  criteria.Root().AddItem("F", ocEqual, "shown", GetParam().Value);
  EXPECT_EQ(criteria.FilterText(), std::string("(F = ") + GetParam().Expected + ")");
}

INSTANTIATE_TEST_SUITE_P(
    Criteria, FilterLiteralTest,
    testing::Values(
        TLiteralCase{"Integer", 42, "42"}, TLiteralCase{"Negative", -5, "-5"},
        TLiteralCase{"Int64", std::int64_t{70000000000}, "70000000000"},
        TLiteralCase{"DoubleUsesPoint", 1.5, "1.5"},
        TLiteralCase{"DoubleKeepsEveryDigit", 0.1 + 0.2, "0.30000000000000004"},
        TLiteralCase{"LargeDoubleInPlainDigits", 1e20, "100000000000000000000"},
        TLiteralCase{"CurrencyUsesPoint", TCurrency{125000}, "12.5"}, TLiteralCase{"String", "abc", "'abc'"},
        TLiteralCase{"QuoteIsDoubled", "O'Brien", "'O''Brien'"}, TLiteralCase{"EmptyString", "", "''"},
        TLiteralCase{"WildcardsStayLiteral", "50%_*?", "'50%_*?'"},
        // A trailing "*" would make the dataset match a prefix.
        TLiteralCase{"TrailingStarIsNoPrefixMatch", "AB*", "'AB' + '*'"},
        TLiteralCase{"LoneStar", "*", "'*'"}, TLiteralCase{"Date", Variant::FromDate(45323), "'01.02.2024'"},
        TLiteralCase{"Boolean", true, "True"}, TLiteralCase{"Null", Variant::Null(), "NULL"},
        TLiteralCase{"Unassigned", Variant(), "NULL"}),
    [](const testing::TestParamInfo<TLiteralCase>& info) { return std::string(info.param.Name); });

// The dataset takes NULL only beside = and <>: a condition without a value
// under another operator is written as what the criteria make of it.
TEST(CriteriaText, NullValueUnderEveryOperator) {
  const std::vector<std::string> expected = {
      "(F Is Null)", "(F = NULL)", "(F <> NULL)", "(F = NULL AND F <> NULL)", "(F = NULL OR F <> NULL)",
      "(F = NULL)"};
  for (int code = 0; code < dxOperatorCount; ++code) {
    for (const Variant& value : {Variant::Null(), Variant()}) {
      TTestCriteria criteria;
      criteria.Root().AddItem("F", code, "", value);
      EXPECT_EQ(criteria.FilterText(), expected[static_cast<std::size_t>(code)]) << code;
    }
  }
}

// An empty list passes every row: the dataset is told so, since "()" is no
// expression. Only an empty, plain root gives no text (no filter at all).
TEST(CriteriaText, EmptyListsAreTrueToTheDataSet) {
  TTestCriteria criteria;
  criteria.Root().AddItem("A", ocEqual, "1", 1);
  criteria.Root().AddList(jtOr);
  criteria.Root().AddList(jtAnd)->SetNegated(true);
  EXPECT_EQ(criteria.FilterText(), "(A = 1) AND (True) AND (NOT (True))");
  EXPECT_EQ(criteria.DisplayText(), "(Column A = 1) AND () AND (NOT ())");
  TTestCriteria empty;
  empty.Root().SetNegated(true);
  EXPECT_EQ(empty.FilterText(), "NOT (True)");
}

TEST(CriteriaText, CyrillicPassesThroughUnchanged) {
  TTestCriteria criteria;
  criteria.Root().AddItem(RU("Фамилия"), ocEqual, RU("д'Артаньян"), Variant(RU("д'Артаньян")));
  EXPECT_EQ(criteria.FilterText(), RU("([Фамилия] = 'д''Артаньян')"));
  EXPECT_EQ(criteria.DisplayText(), RU("(Column Фамилия = д'Артаньян)"));
}

TEST(CriteriaText, FieldNamesBracketedUnlessIdentifiers) {
  EXPECT_EQ(dxExpressionFieldName("NAME"), "NAME");
  EXPECT_EQ(dxExpressionFieldName("_Name_2"), "_Name_2");
  EXPECT_EQ(dxExpressionFieldName("LAST NAME"), "[LAST NAME]");
  EXPECT_EQ(dxExpressionFieldName("2ND"), "[2ND]");
  EXPECT_EQ(dxExpressionFieldName("A-B"), "[A-B]");
  EXPECT_EQ(dxExpressionFieldName(RU("Имя")), RU("[Имя]"));
  EXPECT_EQ(dxExpressionFieldName(""), "[]");
  EXPECT_EQ(dxExpressionFieldName("A]B]"), "[A]]B]]]");
}

// Unbracketed, these would be read as the words themselves: "NULL = 'x'"
// tests the constant, "AND = 1" does not parse at all.
TEST(CriteriaText, FieldNamedAsAFilterWordIsBracketed) {
  for (const char* word : {"AND", "or", "Not", "LIKE", "IN", "is", "NULL", "True", "FALSE"})
    EXPECT_EQ(dxExpressionFieldName(word), std::string("[") + word + "]");
  EXPECT_EQ(dxExpressionFieldName("NULLS"), "NULLS");
  EXPECT_EQ(dxExpressionFieldName("ORDER"), "ORDER");
}

}  // namespace
