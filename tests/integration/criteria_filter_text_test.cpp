// The grid's criteria and the dataset's filter evaluator must agree: every
// tree the criteria can hold renders a filter text that the evaluator
// compiles, and the text passes exactly the records the criteria pass.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "datagrid/criteria/criteria.h"
#include "dbaccess/filter/expression_parser.h"
#include "framework/core/text/datetime.h"
#include "framework/core/data/fields.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/data/memory_dataset.h"
#include "framework/core/text/text.h"
#include "framework/core/base/variant.h"

namespace {

// Leaves that read the dataset's current record, as a grid's leaves read
// their column's cell: the records the evaluator reads too.
class TRecordItem : public TdxCriteriaItem {
 public:
  using TdxCriteriaItem::TdxCriteriaItem;
  Variant RowValue(TdxCriteriaRow row) const override {
    return static_cast<const TDataSet*>(row)->FieldByName(Key())->AsVariant();
  }
  std::string ExpressionName() const override { return dxExpressionFieldName(Key()); }
};

// Case is ignored as the grid ignores it: both values upper-cased.
class TRecordCriteria : public TdxCriteria {
 public:
  explicit TRecordCriteria(bool caseInsensitive) : FCaseInsensitive(caseInsensitive) {}
  Variant ConvertValue(const Variant& value) const override {
    if (FCaseInsensitive && VarIsStr(value)) return Variant(AnsiUpperCase(value.AsString()));
    return value;
  }

 protected:
  std::unique_ptr<TdxCriteriaItem> CreateItem(TdxCriteriaItemList* parent) override {
    return std::make_unique<TRecordItem>(parent);
  }

 private:
  bool FCaseInsensitive;
};

const std::string LastName = "LAST NAME";
const std::string City = RU("Город");
const std::string Odd = "A]B";

Variant Day(int y, int m, int d) { return Variant::FromDate(EncodeDate(y, m, d)); }
Variant Stamp(int y, int m, int d, int h, int n, int s) {
  return Variant::FromDate(EncodeDate(y, m, d) + EncodeTime(h, n, s, 0));
}
Variant Text(const char* utf8) { return Variant(RU(utf8)); }
const Variant Null = Variant::Null();

class TPeople {
 public:
  TPeople() {
    FData.SetName("People");
    FData.FieldDefs().Add("ID", ftInteger, 0, true);
    FData.FieldDefs().Add("NAME", ftString, 30);
    FData.FieldDefs().Add("AGE", ftInteger);
    FData.FieldDefs().Add("PRICE", ftCurrency);
    FData.FieldDefs().Add("RATE", ftFloat);
    FData.FieldDefs().Add("BORN", ftDate);
    FData.FieldDefs().Add("SEEN", ftDateTime);
    FData.FieldDefs().Add("ACTIVE", ftBoolean);
    FData.FieldDefs().Add(LastName, ftString, 30);
    FData.FieldDefs().Add(City, ftString, 30);
    FData.FieldDefs().Add(Odd, ftString, 10);
    FData.Open();
    Add({1, Text("Иванов"), 30, TCurrency{125000}, 1.5, Day(1950, 3, 15), Stamp(2024, 2, 1, 10, 30, 15), true,
         "O'Brien", Text("Тулво"), "x"});
    Add({2, Text("иванова"), Null, TCurrency{0}, 0.1 + 0.2, Day(1985, 12, 1), Null, false, Text("д'Артаньян"),
         Text("Кельворск"), "y"});
    Add({3, Text("Ёлкин"), 45, TCurrency{1000000}, -2.0, Null, Stamp(2024, 2, 1, 0, 0, 0), Null, "AB*", Null,
         Null});
    Add({4, "AB*", 18, TCurrency{72500}, 1000.0, Day(2001, 7, 4), Stamp(2023, 12, 31, 23, 59, 59), true,
         "50%_?", Text("Тулво"), "x"});
    Add({5, Null, 70, Null, 0.0, Day(1930, 1, 1), Null, false, "AB", Text("ТУЛВО"), "z"});
    Add({6, "Smith", -5, TCurrency{-35000}, 1e-7, Day(1999, 2, 28), Stamp(2024, 2, 1, 10, 30, 16), Null,
         "ab*", "London", "x]"});
  }

  // Renders the criteria, compiles the text for the dataset, and walks the
  // records asking both; they must agree on each. Answers the ids passed.
  std::string Passing(TRecordCriteria& criteria, bool caseInsensitive) {
    const std::string text = criteria.FilterText();
    TFilterOptions options;
    if (caseInsensitive) options = TFilterOptions{foCaseInsensitive};
    // An empty text leaves the dataset unfiltered, as the grid passes it.
    std::unique_ptr<TExpressionParser> parser;
    if (!text.empty()) parser = std::make_unique<TExpressionParser>(FData, text, options);
    std::string ids;
    for (FData.First(); !FData.Eof(); FData.Next()) {
      const bool grid = criteria.Evaluate(&FData);
      const int id = FData.FieldByName("ID")->AsInteger();
      EXPECT_EQ(!parser || parser->Accepts(), grid) << "record " << id << " of " << text;
      if (!grid) continue;
      if (!ids.empty()) ids += ',';
      ids += std::to_string(id);
    }
    return ids;
  }

 private:
  void Add(std::vector<Variant> values) { FData.AppendRecord(values); }

  TMemoryDataSet FData{nullptr};
};

using TBuild = std::function<void(TdxCriteriaItemList& root)>;

struct TAgreementCase {
  const char* Name;
  TBuild Build;
  const char* Expected;  // ids of the records both pass
  bool CaseInsensitive = false;
};

void PrintTo(const TAgreementCase& c, std::ostream* os) { *os << c.Name; }

// One leaf in the root, negated when asked.
TBuild Leaf(std::string key, int code, Variant value, bool negated = false) {
  return [=](TdxCriteriaItemList& root) { root.AddItem(key, code, "shown", value)->SetNegated(negated); };
}

class CriteriaFilterText : public testing::TestWithParam<TAgreementCase> {
 protected:
  TFormatSettingsScope FSettings{TFormatSettings::Russian()};
};

TEST_P(CriteriaFilterText, DataSetPassesWhatTheCriteriaPass) {
  const TAgreementCase& c = GetParam();
  TPeople people;
  TRecordCriteria criteria(c.CaseInsensitive);
  c.Build(criteria.Root());
  EXPECT_EQ(people.Passing(criteria, c.CaseInsensitive), c.Expected) << criteria.FilterText();
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, CriteriaFilterText,
    testing::Values(TAgreementCase{"IntegerEqual", Leaf("AGE", ocEqual, 30), "1"},
                    TAgreementCase{"Int64Equal", Leaf("AGE", ocEqual, std::int64_t{30}), "1"},
                    TAgreementCase{"NegativeLess", Leaf("AGE", ocLess, -4), "2,6"},
                    TAgreementCase{"Greater", Leaf("AGE", ocGreater, 30), "3,5"},
                    TAgreementCase{"GreaterEqualNegated", Leaf("AGE", ocGreaterEqual, 30, true), "2,4,6"},
                    TAgreementCase{"LessEqual", Leaf("AGE", ocLessEqual, 18), "2,4,6"},
                    TAgreementCase{"CurrencyEqual", Leaf("PRICE", ocEqual, TCurrency{125000}), "1"},
                    TAgreementCase{"CurrencyGreater", Leaf("PRICE", ocGreater, TCurrency{72500}), "1,3"},
                    TAgreementCase{"CurrencyLess", Leaf("PRICE", ocLess, TCurrency{0}), "5,6"},
                    TAgreementCase{"FloatEveryDigit", Leaf("RATE", ocEqual, 0.1 + 0.2), "2"},
                    TAgreementCase{"FloatTiny", Leaf("RATE", ocGreater, 0.0), "1,2,4,6"},
                    TAgreementCase{"FloatNegative", Leaf("RATE", ocLessEqual, -2.0), "3"},
                    TAgreementCase{"FloatLarge", Leaf("RATE", ocGreaterEqual, 1e3), "4"}),
    [](const testing::TestParamInfo<TAgreementCase>& info) { return std::string(info.param.Name); });

INSTANTIATE_TEST_SUITE_P(
    DatesAndBooleans, CriteriaFilterText,
    testing::Values(
        TAgreementCase{"DateEqual", Leaf("BORN", ocEqual, Day(2001, 7, 4)), "4"},
        TAgreementCase{"DateLess", Leaf("BORN", ocLess, Day(1960, 1, 1)), "1,3,5"},
        TAgreementCase{"DateTimeEqual", Leaf("SEEN", ocEqual, Stamp(2024, 2, 1, 10, 30, 15)), "1"},
        TAgreementCase{"DateTimeGreaterEqual", Leaf("SEEN", ocGreaterEqual, Day(2024, 2, 1)), "1,3,6"},
        TAgreementCase{"DateTimeLessNegated", Leaf("SEEN", ocLess, Stamp(2024, 2, 1, 10, 30, 16), true), "6"},
        TAgreementCase{"BooleanEqual", Leaf("ACTIVE", ocEqual, true), "1,4"},
        TAgreementCase{"BooleanLess", Leaf("ACTIVE", ocLess, true), "2,3,5,6"},
        TAgreementCase{"BooleanNegated", Leaf("ACTIVE", ocEqual, false, true), "1,3,4,6"}),
    [](const testing::TestParamInfo<TAgreementCase>& info) { return std::string(info.param.Name); });

INSTANTIATE_TEST_SUITE_P(
    Texts, CriteriaFilterText,
    testing::Values(TAgreementCase{"Cyrillic", Leaf("NAME", ocEqual, Text("Иванов")), "1"},
                    TAgreementCase{"CaseMatters", Leaf("NAME", ocEqual, Text("ИВАНОВ")), ""},
                    TAgreementCase{"Quote", Leaf(LastName, ocEqual, "O'Brien"), "1"},
                    TAgreementCase{"CyrillicQuote", Leaf(LastName, ocEqual, Text("д'Артаньян")), "2"},
                    // a trailing "*" is part of the value, not a prefix to match
                    TAgreementCase{"TrailingStar", Leaf(LastName, ocEqual, "AB*"), "3"},
                    TAgreementCase{"TrailingStarNegated", Leaf("NAME", ocEqual, "AB*", true), "1,2,3,5,6"},
                    TAgreementCase{"Wildcards", Leaf(LastName, ocEqual, "50%_?"), "4"},
                    TAgreementCase{"CyrillicFieldName", Leaf(City, ocEqual, Text("Тулво")), "1,4"},
                    TAgreementCase{"BracketInFieldName", Leaf(Odd, ocEqual, "x]"), "6"},
                    TAgreementCase{"OrderedByCollation", Leaf("NAME", ocGreater, Text("Ж")), "1,2"},
                    TAgreementCase{"NullOrdersFirst", Leaf("NAME", ocLess, "B"), "4,5"},
                    TAgreementCase{"IgnoringCase", Leaf(City, ocEqual, Text("тулво")), "1,4,5", true},
                    TAgreementCase{"IgnoringCaseWithStar", Leaf(LastName, ocEqual, "Ab*"), "3,6", true},
                    TAgreementCase{"IgnoringCaseOrdered", Leaf("NAME", ocGreaterEqual, Text("иВАНОВ")), "1,2",
                                   true}),
    [](const testing::TestParamInfo<TAgreementCase>& info) { return std::string(info.param.Name); });

// A condition without a value, under every operator (the dataset takes
// NULL only beside = and <>).
INSTANTIATE_TEST_SUITE_P(
    Nulls, CriteriaFilterText,
    testing::Values(TAgreementCase{"IsNull", Leaf("NAME", ocIsNull, Null), "5"},
                    TAgreementCase{"IsNotNull", Leaf("BORN", ocIsNull, Null, true), "1,2,4,5,6"},
                    TAgreementCase{"IsNullIgnoresValue", Leaf("SEEN", ocIsNull, 5), "2,5"},
                    TAgreementCase{"EqualNull", Leaf("AGE", ocEqual, Null), "2"},
                    TAgreementCase{"GreaterThanNull", Leaf("AGE", ocGreater, Null), "1,3,4,5,6"},
                    TAgreementCase{"GreaterEqualNull", Leaf("AGE", ocGreaterEqual, Null), "1,2,3,4,5,6"},
                    TAgreementCase{"LessThanNull", Leaf("AGE", ocLess, Null), ""},
                    TAgreementCase{"LessThanNullNegated", Leaf("AGE", ocLess, Null, true), "1,2,3,4,5,6"},
                    TAgreementCase{"LessEqualNull", Leaf("PRICE", ocLessEqual, Null), "5"},
                    TAgreementCase{"NotEqualNull", Leaf("BORN", ocEqual, Null, true), "1,2,4,5,6"}),
    [](const testing::TestParamInfo<TAgreementCase>& info) { return std::string(info.param.Name); });

INSTANTIATE_TEST_SUITE_P(
    Trees, CriteriaFilterText,
    testing::Values(TAgreementCase{"Empty", [](TdxCriteriaItemList&) {}, "1,2,3,4,5,6"},
                    TAgreementCase{"AndRoot",
                                   [](TdxCriteriaItemList& root) {
                                     root.AddItem("AGE", ocGreaterEqual, "", 18);
                                     root.AddItem(City, ocEqual, "", Text("Тулво"));
                                   },
                                   "1,4"},
                    TAgreementCase{"OrSubListBesideNull",
                                   [](TdxCriteriaItemList& root) {
                                     root.SetJunction(jtOr);
                                     TdxCriteriaItemList* range = root.AddList(jtAnd);
                                     range->AddItem("AGE", ocGreaterEqual, "", 18);
                                     range->AddItem("AGE", ocLessEqual, "", 45);
                                     root.AddItem("NAME", ocIsNull, "", Null);
                                   },
                                   "1,3,4,5"},
                    TAgreementCase{"NegatedSubList",
                                   [](TdxCriteriaItemList& root) {
                                     TdxCriteriaItemList* list = root.AddList(jtOr);
                                     list->SetNegated(true);
                                     list->AddItem(City, ocEqual, "", Text("Тулво"));
                                     list->AddItem(City, ocIsNull, "", Null);
                                   },
                                   "2,5,6"},
                    TAgreementCase{"NegatedRoot",
                                   [](TdxCriteriaItemList& root) {
                                     root.SetNegated(true);
                                     root.SetJunction(jtOr);
                                     root.AddItem("ACTIVE", ocEqual, "", true);
                                     root.AddItem("PRICE", ocGreater, "", TCurrency{500000});
                                   },
                                   "2,5,6"},
                    TAgreementCase{"ThreeLevels",
                                   [](TdxCriteriaItemList& root) {
                                     root.AddItem("RATE", ocGreaterEqual, "", 0.0);
                                     TdxCriteriaItemList* outer = root.AddList(jtOr);
                                     outer->SetNegated(true);
                                     outer->AddItem("BORN", ocLess, "", Day(1940, 1, 1))->SetNegated(true);
                                     TdxCriteriaItemList* inner = outer->AddList(jtAnd);
                                     inner->AddItem("NAME", ocGreater, "", "S");
                                     inner->AddItem(LastName, ocEqual, "", "ab*");
                                   },
                                   "5"},
                    TAgreementCase{"OneChildLists",
                                   [](TdxCriteriaItemList& root) {
                                     TdxCriteriaItemList* list = root.AddList(jtOr);
                                     list->AddList(jtAnd)->AddItem("AGE", ocEqual, "", -5)->SetNegated(true);
                                     list->SetNegated(true);
                                   },
                                   "6"},
                    TAgreementCase{"EmptySubList",
                                   [](TdxCriteriaItemList& root) {
                                     root.AddItem("AGE", ocEqual, "", 30);
                                     root.AddList(jtOr);
                                   },
                                   "1"},
                    TAgreementCase{"EmptyNegatedSubList",
                                   [](TdxCriteriaItemList& root) {
                                     root.SetJunction(jtOr);
                                     root.AddItem("AGE", ocEqual, "", 30);
                                     root.AddList(jtAnd)->SetNegated(true);
                                   },
                                   "1"},
                    TAgreementCase{"EmptyNegatedRoot",
                                   [](TdxCriteriaItemList& root) { root.SetNegated(true); }, ""}),
    [](const testing::TestParamInfo<TAgreementCase>& info) { return std::string(info.param.Name); });

}  // namespace
