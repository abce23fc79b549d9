#include "dbaccess/filter/expression_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/text/datetime.h"
#include "framework/core/data/fields.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/data/memory_dataset.h"
#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"
#include "framework/core/base/variant.h"
#include "tests/support/city_lookup.h"

namespace {

// An in-memory dataset of people filtered by an expression through
// OnFilterRecord, the way the database layer's dataset asks its evaluator.
class ExpressionParserTest : public testing::Test {
 protected:
  ExpressionParserTest() {
    FPeople.SetName("People");
    FPeople.FieldDefs().Add("ID", ftInteger, 0, true);
    FPeople.FieldDefs().Add("NAME", ftString, 20);
    FPeople.FieldDefs().Add("BORN", ftDate);
    FPeople.FieldDefs().Add("PRICE", ftCurrency);
    FPeople.FieldDefs().Add("ACTIVE", ftBoolean);
    FPeople.FieldDefs().Add("NOTE", ftMemo);
    FPeople.Open();
    const Variant null = Variant::Null();
    Add({1, RU("Иванов"), Variant::FromDate(EncodeDate(1950, 3, 15)), TCurrency{125000}, true, "a"});
    Add({2, RU("иванова"), Variant::FromDate(EncodeDate(2001, 7, 4)), TCurrency{0}, false, null});
    Add({3, null, null, null, null, null});
    Add({4, RU("Петров"), Variant::FromDate(EncodeDate(2001, 7, 4)), TCurrency{72500}, true, "b"});
  }

  void Add(std::vector<Variant> values) { FPeople.AppendRecord(values); }

  // Filters the dataset by the parser and lists the ids that remain.
  std::string Visible(TExpressionParser& parser) {
    FPeople.OnFilterRecord = [&parser](TDataSet*, bool& accept) { accept = parser.Accepts(); };
    FPeople.SetFiltered(true);
    std::string ids;
    for (FPeople.First(); !FPeople.Eof(); FPeople.Next()) {
      if (!ids.empty()) ids += ',';
      ids += std::to_string(FPeople.FieldByName("ID")->AsInteger());
    }
    FPeople.SetFiltered(false);
    FPeople.OnFilterRecord = nullptr;
    return ids;
  }

  TFormatSettingsScope FSettings{TFormatSettings::Russian()};
  TMemoryDataSet FPeople{nullptr};
};

TEST_F(ExpressionParserTest, FiltersTheDataSetsRecords) {
  TExpressionParser parser(FPeople, RU("NAME LIKE 'Иван%'"), {});
  EXPECT_EQ(Visible(parser), "1");
}

TEST_F(ExpressionParserTest, CaseInsensitiveOptionReachesTheComparisons) {
  TExpressionParser parser(FPeople, RU("NAME = 'ИВАНОВА'"), TFilterOptions{foCaseInsensitive});
  EXPECT_EQ(Visible(parser), "2");
}

TEST_F(ExpressionParserTest, NoPartialCompareOptionTakesTheStarLiterally) {
  TExpressionParser partial(FPeople, RU("NAME = 'Пет*'"), {});
  EXPECT_EQ(Visible(partial), "4");
  TExpressionParser literal(FPeople, RU("NAME = 'Пет*'"), TFilterOptions{foNoPartialCompare});
  EXPECT_EQ(Visible(literal), "");
}

// What the grid's auto-filter writes: names in brackets, dates as quoted
// texts in the short date format, numbers with a decimal point.
TEST_F(ExpressionParserTest, ReadsTheTextsTheGridWrites) {
  TExpressionParser dates(FPeople, "([BORN] = '04.07.2001') AND (NOT ([PRICE] = 7.25))", {});
  EXPECT_EQ(Visible(dates), "2");
  TExpressionParser nulls(FPeople, "((PRICE >= 1) OR (PRICE Is Null)) AND (ACTIVE = True OR ID = 3)", {});
  EXPECT_EQ(Visible(nulls), "1,3,4");
}

TEST_F(ExpressionParserTest, KeepsTheTextAsPassed) {
  TExpressionParser parser(FPeople, "  ID = 1 ", TFilterOptions{foCaseInsensitive});
  EXPECT_EQ(parser.Text(), "  ID = 1 ");
  EXPECT_TRUE(parser.Options().Contains(foCaseInsensitive));
  EXPECT_EQ(Visible(parser), "1");
}

TEST_F(ExpressionParserTest, EvaluatesToAVariant) {
  TExpressionParser parser(FPeople, "PRICE * 2", {});
  FPeople.First();
  const Variant value = parser.Evaluate();
  EXPECT_EQ(value.AsDouble(), 25.0);
  FPeople.Next();
  FPeople.Next();
  EXPECT_TRUE(parser.Evaluate().IsNull());
}

TEST_F(ExpressionParserTest, UnknownFieldIsReportedByTheDataSet) {
  try {
    TExpressionParser parser(FPeople, "PHONE = 1", {});
    FAIL() << "compiled";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "People: Field 'PHONE' not found");
  }
}

TEST_F(ExpressionParserTest, MemoCannotBeFilteredOn) {
  try {
    TExpressionParser parser(FPeople, "NOTE = 'a'", {});
    FAIL() << "compiled";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'NOTE' cannot be used in a filter expression");
  }
}

// Their values are worked out only for the records shown, so the record
// being tested has none to offer.
TEST(ExpressionParserFields, CalculatedAndLookupFieldsCannotBeFilteredOn) {
  TCityLookup lookup;
  TMemoryDataSet& people = lookup.People;
  auto* label = new TStringField(&people);
  label->SetFieldName("LABEL");
  label->SetFieldKind(fkCalculated);
  label->SetDataSet(&people);
  people.Open();
  people.AppendRecord({Variant(1), Variant(1)});

  for (const char* name : {"LABEL", "CITY_TITLE"}) {
    try {
      TExpressionParser parser(people, std::string("ID = 1 AND ") + name + " = 'Tulvo'", {});
      ADD_FAILURE() << name << " compiled";
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message(), Format("Field '%s' cannot be used in a filter expression", name));
    }
  }
  TExpressionParser data(people, "CITY = 1", {});
  people.First();
  EXPECT_TRUE(data.Accepts());
}

// Default fields are destroyed on close and made anew on open; the cleared
// cache finds the new ones (a stale pointer would be caught by the address
// sanitizer).
TEST_F(ExpressionParserTest, ClearedFieldCacheFindsTheFieldsOfTheReopenedDataSet) {
  TExpressionParser parser(FPeople, "NAME = 'Petrov' OR ID >= 3", {});
  EXPECT_EQ(Visible(parser), "3,4");
  parser.ClearFieldCache();
  FPeople.Close();
  FPeople.Open();
  EXPECT_EQ(Visible(parser), "3,4");
}

}  // namespace
