#include "dbaccess/filter/filter_expression.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "dbaccess/util/helpers.h"
#include "framework/core/text/datetime.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/text/text.h"
#include "framework/core/base/variant.h"

namespace {

// A small table of people with one current row: the record source the
// expressions read. Field names are found without regard to ASCII case; a
// blob column cannot be filtered.
class TPeople : public TFilterRecordSource {
 public:
  TPeople() {
    Columns = {"ID", "NAME", "CITY", "AGE", "PRICE", "RATE", "BORN", "ACTIVE", "PHONE", "NOTE", "PHOTO"};
    AddRow(1, "Иванов", "Тулво", 30, 125000, 1.5, Stamp(1950, 3, 15, 10, 30), true, "2", "100%");
    AddRow(2, "иванова", "Кельворск", Null(), 0, 0.25, Stamp(1985, 12, 1), false, "1", "a_b");
    AddRow(3, "Ёлкин", Null(), 45, 1000000, -2, Null(), Null(), Null(), "50% off*");
    AddRow(4, "O'Brien", "Тулво", 18, 72500, 1e3, Stamp(2001, 7, 4), true, "12-34", "*");
    AddRow(5, Null(), "", 70, 0, 0, Stamp(1930, 1, 1), false, "5", Null());
    AddRow(6, "Smith", "London", 30, 0, 0, Stamp(1999, 2, 28), false, "6", "axb");
  }

  int FindField(std::string_view name) override {
    ++Lookups;
    for (std::size_t i = 0; i < Columns.size(); ++i)
      if (SameText(Columns[i], name)) return static_cast<int>(i);
    return -1;
  }
  bool IsFilterable(int field) override { return Columns[static_cast<std::size_t>(field)] != "PHOTO"; }
  TFilterType FieldType(int field) override {
    const std::string& name = Columns[static_cast<std::size_t>(field)];
    if (name == "NAME" || name == "CITY" || name == "PHONE" || name == "NOTE") return TFilterType::Text;
    if (name == "BORN") return TFilterType::Date;
    if (name == "ACTIVE") return TFilterType::Boolean;
    if (name == "PHOTO") return TFilterType::Unknown;
    return TFilterType::Number;
  }
  void ReadField(int field, TFilterValue& value) override {
    value = Rows[Current][static_cast<std::size_t>(field)];
  }

  // The ids of the rows the expression accepts, e.g. "1,4".
  std::string Passing(TFilterExpression& expression) {
    std::string ids;
    for (Current = 0; Current < Rows.size(); ++Current) {
      if (!expression.Accepts()) continue;
      if (!ids.empty()) ids += ',';
      ids += std::to_string(Rows[Current][0].Integer());
    }
    return ids;
  }

  std::vector<std::string> Columns;
  std::vector<std::vector<TFilterValue>> Rows;
  std::size_t Current = 0;
  int Lookups = 0;

 private:
  struct TNull {};
  static TNull Null() { return {}; }
  static TDateTime Stamp(int y, int m, int d, int h = 0, int n = 0) {
    return EncodeDate(y, m, d) + EncodeTime(h, n, 0, 0);
  }

  static void Set(TFilterValue& v, TNull) { v.SetNull(); }
  static void Set(TFilterValue& v, int i) { v.SetInteger(i); }
  static void Set(TFilterValue& v, double d) { v.SetFloat(d); }
  static void Set(TFilterValue& v, bool b) { v.SetBoolean(b); }
  static void Set(TFilterValue& v, const char* utf8) { v.SetString(RU(utf8)); }

  template <class Name, class City, class Age, class Born, class Active, class Phone, class Note>
  void AddRow(int id, Name name, City city, Age age, std::int64_t price, double rate, Born born,
              Active active, Phone phone, Note note) {
    std::vector<TFilterValue> row(Columns.size());
    row[0].SetInteger(id);
    Set(row[1], name);
    Set(row[2], city);
    Set(row[3], age);
    row[4].SetCurrency(TCurrency{price});
    row[5].SetFloat(rate);
    if constexpr (std::is_same_v<Born, TNull>)
      row[6].SetNull();
    else
      row[6].SetDate(born);
    Set(row[7], active);
    Set(row[8], phone);
    Set(row[9], note);
    row[10].SetString("\x01\x02");
    Rows.push_back(std::move(row));
  }
};

enum TCaseOptions : unsigned { Exact = 0, IgnoreCase = 1, NoPartial = 2 };

TFilterExpressionOptions OptionsFor(unsigned options) {
  TFilterExpressionOptions result;
  result.CaseInsensitive = (options & IgnoreCase) != 0;
  result.PartialCompare = (options & NoPartial) == 0;
  result.Like = MatchesPercent;
  result.DateFromText = StrToDateWithFormat;
  return result;
}

// ---- Which records pass ------------------------------------------------------

struct TPassCase {
  const char* Text;  // UTF-8
  unsigned Options;
  const char* Expected;  // ids of the passing rows
};

void PrintTo(const TPassCase& c, std::ostream* os) {
  *os << c.Text << (c.Options & IgnoreCase ? " [ignore case]" : "")
      << (c.Options & NoPartial ? " [no partial]" : "");
}

class FilterPasses : public testing::TestWithParam<TPassCase> {
 protected:
  TFormatSettingsScope FSettings{TFormatSettings::Russian()};
};

TEST_P(FilterPasses, ExactlyTheExpectedRecords) {
  const TPassCase& c = GetParam();
  TPeople people;
  TFilterExpression expression(people, RU(c.Text), OptionsFor(c.Options));
  EXPECT_EQ(people.Passing(expression), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Comparisons, FilterPasses,
    testing::Values(TPassCase{"ID = 3", Exact, "3"}, TPassCase{"id = 3", Exact, "3"},
                    TPassCase{"[ID] = 3", Exact, "3"}, TPassCase{"3 = ID", Exact, "3"},
                    TPassCase{"ID <> 3", Exact, "1,2,4,5,6"}, TPassCase{"ID = '3'", Exact, "3"},
                    TPassCase{"PRICE = 12.5", Exact, "1"}, TPassCase{"PRICE > 7.25", Exact, "1,3"},
                    TPassCase{"RATE = 1.5", Exact, "1"}, TPassCase{"RATE > 1E2", Exact, "4"},
                    TPassCase{"RATE = -2", Exact, "3"}, TPassCase{"RATE < .5", Exact, "2,3,5,6"},
                    TPassCase{"ACTIVE", Exact, "1,4"}, TPassCase{"ACTIVE = True", Exact, "1,4"},
                    TPassCase{"ACTIVE = FALSE", Exact, "2,5,6"}, TPassCase{"NAME = 'O''Brien'", Exact, "4"},
                    TPassCase{"NAME = 'Smith' AND ID = 6", Exact, "6"}));

INSTANTIATE_TEST_SUITE_P(
    Nulls, FilterPasses,
    testing::Values(TPassCase{"NAME IS NULL", Exact, "5"}, TPassCase{"NAME is not null", Exact, "1,2,3,4,6"},
                    TPassCase{"NAME = NULL", Exact, "5"}, TPassCase{"NULL = NAME", Exact, "5"},
                    TPassCase{"NAME <> NULL", Exact, "1,2,3,4,6"},
                    TPassCase{"(NAME Is Null)", Exact, "5"},  // as the grid writes it
                    TPassCase{"NOT (NAME Is Null)", Exact, "1,2,3,4,6"},
                    // a Null differs from every value and orders before it, as
                    // the grid's criteria order it
                    TPassCase{"NAME <> 'Smith'", Exact, "1,2,3,4,5"}, TPassCase{"AGE > 29", Exact, "1,3,5,6"},
                    TPassCase{"AGE < 31", Exact, "1,2,4,6"},
                    TPassCase{"AGE <= 30 OR AGE >= 30", Exact, "1,2,3,4,5,6"},
                    TPassCase{"AGE >= 18", Exact, "1,3,4,5,6"}, TPassCase{"NOT (AGE < 31)", Exact, "3,5"},
                    TPassCase{"-AGE < -40", Exact, "2,3,5"}, TPassCase{"NAME < 'Ж'", Exact, "3,4,5,6"},
                    // two Nulls are equal
                    TPassCase{"PHONE = CITY", Exact, "3"}, TPassCase{"PHONE >= CITY", Exact, "3,5"},
                    TPassCase{"PHONE > CITY", Exact, "5"}, TPassCase{"NAME LIKE NOTE", Exact, "5"},
                    TPassCase{"((PHONE >= '1') OR (PHONE Is Null))", Exact, "1,2,3,4,5,6"},
                    TPassCase{"CITY = ''", Exact, "5"},
                    // functions and arithmetic of a Null give Null instead of failing
                    TPassCase{"UPPER(NAME) <> 'X'", Exact, "1,2,3,4,5,6"},
                    TPassCase{"YEAR(BORN) > 0", Exact, "1,2,4,5,6"},
                    TPassCase{"AGE + 1 > 0", Exact, "1,3,4,5,6"}, TPassCase{"TRIM(CITY) IS NULL", Exact, "3"},
                    // a Null truth value counts as false
                    TPassCase{"NOT ACTIVE", Exact, "2,3,5,6"},
                    TPassCase{"ACTIVE OR ID = 3", Exact, "1,3,4"}));

INSTANTIATE_TEST_SUITE_P(
    Precedence, FilterPasses,
    testing::Values(TPassCase{"AGE = 18 OR AGE = 30 AND CITY = 'London'", Exact, "4,6"},
                    TPassCase{"(AGE = 18 OR AGE = 30) AND CITY = 'London'", Exact, "6"},
                    TPassCase{"NOT AGE = 30", Exact, "2,3,4,5"},
                    TPassCase{"NOT AGE = 30 AND ID < 4", Exact, "2,3"},
                    TPassCase{"NOT NOT ACTIVE", Exact, "1,4"}, TPassCase{"AGE + 5 * 2 = 40", Exact, "1,6"},
                    TPassCase{"(AGE + 5) * 2 = 70", Exact, "1,6"},
                    TPassCase{"AGE - 10 - 5 = 15", Exact, "1,6"}, TPassCase{"AGE / 2 / 3 = 3", Exact, "4"},
                    TPassCase{"-AGE > -40", Exact, "1,4,6"}, TPassCase{"-AGE * 2 = -60", Exact, "1,6"},
                    TPassCase{"ID*2=ID+ID", Exact, "1,2,3,4,5,6"},
                    // AND tests its right side only after a true left side:
                    // PHONE = 2 cannot read "12-34" as a number
                    TPassCase{"ID <> 4 AND PHONE = 2", Exact, "1"}));

INSTANTIATE_TEST_SUITE_P(
    TextAndCase, FilterPasses,
    testing::Values(
        TPassCase{"NAME = 'Иванов'", Exact, "1"}, TPassCase{"NAME = 'ИВАНОВ'", Exact, ""},
        TPassCase{"NAME = 'ИВАНОВ'", IgnoreCase, "1"}, TPassCase{"NAME = 'иванов'", IgnoreCase, "1"},
        TPassCase{"NAME = 'ёлкин'", IgnoreCase, "3"}, TPassCase{"NAME = 'ёлкин'", Exact, ""},
        TPassCase{"NAME = 'Елкин'", IgnoreCase, ""},  // Ё is its own letter for equality
        TPassCase{"CITY IN ('тулво', 'london')", IgnoreCase, "1,4,6"},
        TPassCase{"CITY IN ('тулво', 'london')", Exact, ""}, TPassCase{"NAME > 'иванов'", IgnoreCase, "2"},
        TPassCase{"NAME > 'Ж'", Exact, "1,2"}, TPassCase{"UPPER(NAME) = 'ИВАНОВА'", Exact, "2"},
        TPassCase{"LOWER(CITY) = 'тулво'", Exact, "1,4"}, TPassCase{"CITY + '!' = 'London!'", Exact, "6"}));

INSTANTIATE_TEST_SUITE_P(
    PartialCompare, FilterPasses,
    testing::Values(TPassCase{"NAME = 'Ив*'", Exact, "1"}, TPassCase{"NAME = 'ив*'", IgnoreCase, "1,2"},
                    TPassCase{"NAME <> 'Ив*'", Exact, "2,3,4,5,6"}, TPassCase{"'Ив*' = NAME", Exact, "1"},
                    TPassCase{"NAME = 'Ив*'", NoPartial, ""}, TPassCase{"NOTE = '50% off*'", NoPartial, "3"},
                    TPassCase{"NOTE = '50% off*'", Exact, "3"}, TPassCase{"NOTE = '50%*'", Exact, "3"},
                    TPassCase{"NOTE = '*'", Exact, "4"},        // a lone "*" is itself
                    TPassCase{"NAME LIKE 'Ив*'", Exact, ""}));  // not for LIKE

INSTANTIATE_TEST_SUITE_P(
    Like, FilterPasses,
    testing::Values(
        TPassCase{"NAME LIKE 'Иван%'", Exact, "1"}, TPassCase{"NAME LIKE 'иван%'", IgnoreCase, "1,2"},
        TPassCase{"NAME LIKE '%И%'", IgnoreCase, "1,2,3"}, TPassCase{"NAME LIKE 'Smith%'", Exact, "6"},
        TPassCase{"NAME LIKE '%'", Exact, "1,2,3,4,6"},
        // the data's own "%", "_", "*" and "?" are plain characters
        TPassCase{"NOTE LIKE '100%'", Exact, "1"}, TPassCase{"NOTE LIKE 'a_b'", Exact, "2"},
        TPassCase{"NOTE LIKE 'a?b'", Exact, ""}, TPassCase{"NOTE LIKE '%*'", Exact, "3,4"},
        TPassCase{"NOTE LIKE '%\\%'", Exact, ""}, TPassCase{"NOTE LIKE '50%off%'", Exact, "3"},
        TPassCase{"AGE LIKE '4%'", Exact, "3"}, TPassCase{"NOT (NOTE LIKE 'a%')", Exact, "1,3,4,5"}));

INSTANTIATE_TEST_SUITE_P(In, FilterPasses,
                         testing::Values(TPassCase{"ID IN (1, 3, 5)", Exact, "1,3,5"},
                                         TPassCase{"ID IN (2)", Exact, "2"},
                                         TPassCase{"PHONE IN ('1', '2')", Exact, "1,2"},
                                         TPassCase{"ID IN ('4', 6)", Exact, "4,6"},
                                         TPassCase{"AGE IN (18, 70)", Exact, "4,5"},
                                         TPassCase{"AGE IN (ID * 15, ID + 14)", Exact, "3,4"},
                                         TPassCase{"NOT (ID IN (1,2,3))", Exact, "4,5,6"}));

INSTANTIATE_TEST_SUITE_P(
    DatesAndFunctions, FilterPasses,
    testing::Values(
        TPassCase{"BORN < '01.01.1960'", Exact, "1,3,5"}, TPassCase{"BORN = '04.07.2001'", Exact, "4"},
        TPassCase{"BORN = '15.03.1950'", Exact, ""},  // it has a time of day
        TPassCase{"BORN = '15.03.1950 10:30'", Exact, "1"},
        TPassCase{"DATE(BORN) = '15.03.1950'", Exact, "1"},
        TPassCase{"BORN = DATE('mm/dd/yyyy', '07.04.2001')", Exact, "4"},
        TPassCase{"YEAR(BORN) = 1985", Exact, "2"}, TPassCase{"MONTH(BORN) = 7", Exact, "4"},
        TPassCase{"DAY(BORN) = 28", Exact, "6"}, TPassCase{"HOUR(BORN) = 10", Exact, "1"},
        TPassCase{"MINUTE(BORN) = 30", Exact, "1"}, TPassCase{"SECOND(BORN) = 0", Exact, "1,2,4,5,6"},
        TPassCase{"YEAR('01.02.2003') = 2003", Exact, "1,2,3,4,5,6"},
        TPassCase{"BORN > '01.01.1960'", Exact, "2,4,6"}, TPassCase{"BORN < GETDATE()", Exact, "1,2,3,4,5,6"},
        TPassCase{"SUBSTRING(NAME, 2, 3) = 'mit'", Exact, "6"},
        TPassCase{"SUBSTRING(NAME, '2,3') = 'mit'", Exact, "6"},
        TPassCase{"SUBSTRING(NAME, 4) = 'th'", Exact, "6"},
        TPassCase{"SUBSTRING(NAME, 0, 2) = 'Sm'", Exact, "6"},
        TPassCase{"SUBSTRING(NAME, 9, 2) = ''", Exact, "1,2,3,4,6"},
        TPassCase{"TRIM('  x ') + TRIMLEFT(' y ') + TRIMRIGHT(' z ') = 'xy  z'", Exact, "1,2,3,4,5,6"},
        TPassCase{"upper(substring(city, 1, 1)) = 'Т'", Exact, "1,4"}));

// Text constants beside other kinds, read as those kinds when compiled.
INSTANTIATE_TEST_SUITE_P(
    Types, FilterPasses,
    testing::Values(TPassCase{"AGE IN ('18', 70)", Exact, "4,5"}, TPassCase{"'45' = AGE", Exact, "3"},
                    TPassCase{"ACTIVE = 'true'", Exact, "1,4"},
                    TPassCase{"NOT 'False' AND ID = 2", Exact, "2"}, TPassCase{"AGE + '1' = 19", Exact, "4"},
                    TPassCase{"-'45' = -AGE", Exact, "3"}, TPassCase{"BORN + 1 > '04.07.2001'", Exact, "4"},
                    TPassCase{"BORN - 1 < '01.01.1930'", Exact, "3,5"},
                    TPassCase{"BORN - BORN = 0", Exact, "1,2,4,5,6"},
                    TPassCase{"GETDATE() - BORN > 365 * 70", Exact, "1,5"},
                    TPassCase{"SUBSTRING(NAME, '2', 3) = 'mit'", Exact, "6"},
                    // a text from a record meets a number record by record
                    TPassCase{"ID < 3 AND PHONE = 3 - ID", Exact, "1,2"}));

// ---- IN lists have no fixed length --------------------------------------------

TEST(FilterInList, TakesMoreThanFiftyOneValues) {
  std::string text = "ID IN (";
  for (int i = 100; i < 200; ++i) text += std::to_string(i) + ", ";
  text += "6, 2)";
  TPeople people;
  TFilterExpression expression(people, text, OptionsFor(Exact));
  EXPECT_EQ(people.Passing(expression), "2,6");
}

// ---- Mistakes in the text -------------------------------------------------------

struct TErrorCase {
  const char* Text;
  const char* Message;
};

void PrintTo(const TErrorCase& c, std::ostream* os) { *os << c.Text; }

class FilterRejects : public testing::TestWithParam<TErrorCase> {};

TEST_P(FilterRejects, WithTheMessageWhenCompiled) {
  const TErrorCase& c = GetParam();
  TPeople people;
  try {
    TFilterExpression expression(people, c.Text, OptionsFor(Exact));
    FAIL() << "compiled";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), c.Message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, FilterRejects,
    testing::Values(TErrorCase{"", "Expression expected but nothing found"},
                    TErrorCase{"ID = ", "Expression expected but nothing found"},
                    TErrorCase{"ID = )", "Expression expected but ')' found"},
                    TErrorCase{"NAME = 'abc", "Unterminated string constant"},
                    TErrorCase{"NAME = 'a''", "Unterminated string constant"},
                    TErrorCase{"[NAME = 1", "Unterminated field name"},
                    TErrorCase{"[NAME]] = 1", "Unterminated field name"},
                    TErrorCase{"NAME # 1", "Invalid filter expression character: '#'"},
                    TErrorCase{"ID = 1 2", "Filter expression incorrectly terminated"},
                    TErrorCase{"ID = ID = ID", "Filter expression incorrectly terminated"},
                    // "," never separates decimals, whatever the format settings
                    TErrorCase{"RATE = 1,5", "Filter expression incorrectly terminated"},
                    TErrorCase{"(ID = 1", "')' expected but nothing found"},
                    TErrorCase{"ID IN ()", "IN predicate list may not be empty"},
                    TErrorCase{"ID IN 1", "'(' expected but '1' found"},
                    TErrorCase{"ID IN (1, 2", "')' or ',' expected but nothing found"},
                    TErrorCase{"ID IN (1 2)", "')' or ',' expected but '2' found"},
                    TErrorCase{"ID IS 5", "'NULL' expected but '5' found"},
                    TErrorCase{"ID > NULL", "NULL only allowed with '=' and '<>'"},
                    TErrorCase{"NULL", "NULL only allowed with '=' and '<>'"},
                    TErrorCase{"ID + NULL = 1", "NULL only allowed with '=' and '<>'"},
                    TErrorCase{"ID IN (NULL)", "NULL only allowed with '=' and '<>'"},
                    TErrorCase{"ID = 1E999", "Constant out of range"},
                    TErrorCase{"SUM(ID) > 1", "Aggregate expressions not allowed in filters"},
                    TErrorCase{"count(ID) > 1", "Aggregate expressions not allowed in filters"},
                    TErrorCase{"FOO(ID) = 1", "Expression expected but 'FOO' found"},
                    TErrorCase{"YEAR() = 1", "Expression expected but ')' found"},
                    TErrorCase{"YEAR(BORN, 1) = 1", "')' expected but ',' found"},
                    TErrorCase{"SUBSTRING(NAME) = 'a'", "Expression expected but ')' found"},
                    TErrorCase{"SUBSTRING(NAME, 1 2) = 'a'", "')' or ',' expected but '2' found"},
                    TErrorCase{"GETDATE(1) > 0", "')' expected but '1' found"}));

// Kinds that can never meet are refused when the text is compiled, not
// found out record by record (or never, when no record reaches the test).
INSTANTIATE_TEST_SUITE_P(
    Types, FilterRejects,
    testing::Values(TErrorCase{"AGE = 'old'", "Type mismatch in expression"},
                    TErrorCase{"ID = 5 OR AGE > 'old'", "Type mismatch in expression"},
                    TErrorCase{"'old' <> AGE", "Type mismatch in expression"},
                    TErrorCase{"BORN < 'yesterday'", "Type mismatch in expression"},
                    TErrorCase{"BORN = '31.02.2000'", "Type mismatch in expression"},
                    TErrorCase{"ACTIVE = 'maybe'", "Type mismatch in expression"},
                    TErrorCase{"ACTIVE = 1", "Type mismatch in expression"},
                    TErrorCase{"ACTIVE < BORN", "Type mismatch in expression"},
                    TErrorCase{"ID IN (1, 'two')", "Type mismatch in expression"},
                    TErrorCase{"ACTIVE IN (True, 0)", "Type mismatch in expression"},
                    TErrorCase{"AGE + 'x' > 1", "Type mismatch in expression"},
                    TErrorCase{"ACTIVE + 1 = 2", "Type mismatch in expression"},
                    TErrorCase{"BORN + BORN > 0", "Type mismatch in expression"},
                    TErrorCase{"1 - BORN > 0", "Type mismatch in expression"},
                    TErrorCase{"BORN * 2 > 0", "Type mismatch in expression"},
                    TErrorCase{"-ACTIVE = 1", "Type mismatch in expression"},
                    TErrorCase{"-BORN < 0", "Type mismatch in expression"},
                    TErrorCase{"-'x' < 0", "Type mismatch in expression"},
                    TErrorCase{"NOT AGE", "Type mismatch in expression"},
                    TErrorCase{"AGE AND ACTIVE", "Type mismatch in expression"},
                    TErrorCase{"ACTIVE OR BORN", "Type mismatch in expression"},
                    TErrorCase{"ACTIVE OR 'perhaps'", "Type mismatch in expression"},
                    TErrorCase{"YEAR(ACTIVE) = 1", "Type mismatch in expression"},
                    TErrorCase{"MONTH('soon') = 1", "Type mismatch in expression"},
                    TErrorCase{"DATE('later') = 1", "Type mismatch in expression"},
                    TErrorCase{"SUBSTRING(NAME, 'a,2') = 'x'", "Type mismatch in expression"},
                    TErrorCase{"SUBSTRING(NAME, '1,b') = 'x'", "Type mismatch in expression"},
                    TErrorCase{"SUBSTRING(NAME, BORN, 2) = 'x'", "Type mismatch in expression"},
                    TErrorCase{"SUBSTRING(NAME, 1, 'two') = 'x'", "Type mismatch in expression"}));

INSTANTIATE_TEST_SUITE_P(Fields, FilterRejects,
                         testing::Values(TErrorCase{"UNKNOWN = 1", "Field 'UNKNOWN' not found"},
                                         TErrorCase{"[Home phone] = 1", "Field 'Home phone' not found"},
                                         TErrorCase{"[a]]b]]] = 1", "Field 'a]b]' not found"},
                                         TErrorCase{"ID = 1 OR PHOTO IS NULL",
                                                    "Field 'PHOTO' cannot be used in a filter expression"}));

// ---- Errors while a record is tested ------------------------------------------------

TEST(FilterEvaluation, TimeCompilesButFailsOnTheFirstRecord) {
  TPeople people;
  TFilterExpression expression(people, "TIME(BORN) > 0", OptionsFor(Exact));
  try {
    expression.Accepts();
    FAIL() << "evaluated";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Expression expected but TIME found");
  }
}

TEST(FilterEvaluation, LikeAndDateTextNeedTheCreatorsRoutines) {
  TPeople people;
  TFilterExpressionOptions options;  // no matcher, no date converter
  TFilterExpression like(people, "NAME LIKE 'a%'", options);
  TFilterExpression date(people, "BORN = DATE('dd.mm.yyyy', '01.01.2000')", options);
  for (TFilterExpression* expression : {&like, &date}) {
    try {
      expression->Accepts();
      ADD_FAILURE() << expression->Text();
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message(), "Incorrectly formed filter expression");
    }
  }
}

TEST(FilterEvaluation, TextThatIsNoNumberRaisesAndTheNextRecordStartsAfresh) {
  TFormatSettingsScope settings(TFormatSettings::Russian());
  TPeople people;
  TFilterExpression expression(people, "PHONE = 2", OptionsFor(Exact));
  people.Current = 3;  // "12-34"
  EXPECT_THROW(expression.Accepts(), EVariantTypeCastError);
  people.Current = 0;  // "2"
  EXPECT_TRUE(expression.Accepts());
}

// DATE(x) is the whole day number; compared with a date text it still
// means that day, whatever the time of day.
TEST(FilterEvaluation, DateGivesTheWholeDayNumber) {
  TFormatSettingsScope settings(TFormatSettings::Russian());
  TPeople people;
  TFilterExpression expression(people, "DATE(BORN)", OptionsFor(Exact));
  const TFilterValue& day = expression.Evaluate();
  ASSERT_EQ(day.Kind(), TFilterValueKind::Integer);
  EXPECT_EQ(day.Integer(), static_cast<std::int64_t>(EncodeDate(1950, 3, 15)));
  TFilterExpression sameDay(people, "DATE(BORN) = '15.03.1950' AND DATE(BORN) < BORN", OptionsFor(Exact));
  EXPECT_EQ(people.Passing(sameDay), "1");
}

TEST(FilterEvaluation, DivisionByZeroRaises) {
  TPeople people;
  TFilterExpression expression(people, "AGE / (ID - 1) > 0", OptionsFor(Exact));
  EXPECT_THROW(expression.Accepts(), EZeroDivide);
}

TEST(FilterEvaluation, ValueOfANonBooleanExpression) {
  TPeople people;
  TFilterExpression expression(people, "AGE * 2 + 0.5", OptionsFor(Exact));
  const TFilterValue& value = expression.Evaluate();
  ASSERT_EQ(value.Kind(), TFilterValueKind::Float);
  EXPECT_EQ(value.Float(), 60.5);
  EXPECT_EQ(value.ToVariant().AsDouble(), 60.5);
}

// ---- Numbers read the same under any format settings --------------------------------

TEST(FilterNumbers, DecimalPointWhateverTheFormatSettings) {
  for (const char separator : {',', '.'}) {
    TFormatSettings settings = TFormatSettings::Russian();
    settings.DecimalSeparator = separator;
    TFormatSettingsScope scope(settings);
    TPeople people;
    TFilterExpression expression(people, "RATE = 1.5 OR PRICE = 7.25", OptionsFor(Exact));
    EXPECT_EQ(people.Passing(expression), "1,4") << separator;
  }
}

// ---- Field lookups ---------------------------------------------------------------------

TEST(FilterFields, EachNameIsLookedUpOnceWhenCompiled) {
  TPeople people;
  TFilterExpression expression(people, "AGE > 1 AND AGE < 100 AND [NAME] IS NOT NULL", OptionsFor(Exact));
  EXPECT_EQ(people.Lookups, 2);
  EXPECT_EQ(people.Passing(expression), "1,3,4,6");
  EXPECT_EQ(people.Lookups, 2);
}

TEST(FilterFields, ClearedCacheLooksFieldsUpAgainByName) {
  TPeople people;
  TFilterExpression expression(people, "CITY = 'London'", OptionsFor(Exact));
  // The source's fields are rebuilt in another order.
  std::swap(people.Columns[2], people.Columns[3]);
  for (auto& row : people.Rows) std::swap(row[2], row[3]);
  expression.ClearFieldCache();
  EXPECT_EQ(people.Passing(expression), "6");
  EXPECT_EQ(people.Lookups, 2);
}

TEST(FilterFields, FieldGoneAfterTheCacheWasClearedIsReported) {
  TPeople people;
  TFilterExpression expression(people, "CITY = 'London'", OptionsFor(Exact));
  people.Columns[2] = "TOWN";
  expression.ClearFieldCache();
  try {
    expression.Accepts();
    FAIL() << "evaluated";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'CITY' not found");
  }
}

// ---- The value type ------------------------------------------------------------------

TEST(FilterValue, KeepsItsTextBufferAcrossKinds) {
  TFilterValue value;
  value.SetString("a fairly long text that does not fit in place");
  const char* buffer = value.String().data();
  value.SetInteger(5);
  value.SetString("short");
  EXPECT_EQ(value.String().data(), buffer);
}

TEST(FilterValue, RoundTripsThroughVariant) {
  TFilterValue value;
  value.Assign(Variant(TCurrency{12345}));
  EXPECT_EQ(value.Kind(), TFilterValueKind::Currency);
  EXPECT_EQ(value.ToVariant().AsCurrency().Value, 12345);
  value.Assign(Variant());
  EXPECT_TRUE(value.IsNull());
  value.Assign(Variant::FromDate(2.5));
  EXPECT_EQ(value.Kind(), TFilterValueKind::Date);
  EXPECT_THROW(value.Assign(VarArrayOf({1, 2})), EVariantTypeCastError);
}

}  // namespace

// ---- Depth -------------------------------------------------------------------------

namespace {

std::string Repeat(std::string_view piece, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

// Texts nesting far beyond anything written by hand, each shaped to drive
// one recursion of the parser or of the compiled tree.
struct TDeepCase {
  const char* Name;
  std::string Text;
};

void PrintTo(const TDeepCase& c, std::ostream* os) { *os << c.Name; }

class FilterDepth : public testing::TestWithParam<TDeepCase> {};

TEST_P(FilterDepth, TooDeepTextIsRefusedWhenCompiled) {
  TPeople people;
  try {
    TFilterExpression expression(people, GetParam().Text, OptionsFor(Exact));
    FAIL() << "compiled";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Filter expression nested too deeply");
  }
}

constexpr int Deep = 100000;

INSTANTIATE_TEST_SUITE_P(
    Filter, FilterDepth,
    testing::Values(TDeepCase{"Brackets", Repeat("(", Deep) + "ID = 1" + Repeat(")", Deep)},
                    TDeepCase{"UnclosedBrackets", Repeat("(", Deep)},
                    TDeepCase{"UnaryMinus", "ID = " + Repeat("-", Deep) + "1"},
                    TDeepCase{"UnaryMinusOfField", Repeat("-", Deep) + "ID = 1"},
                    TDeepCase{"Not", Repeat("NOT ", Deep) + "ACTIVE"},
                    TDeepCase{"Functions", Repeat("UPPER(", Deep) + "NAME" + Repeat(")", Deep) + " = 'A'"},
                    TDeepCase{"InLists", "ID IN (" + Repeat("ID + (", Deep) + "1" + Repeat(")", Deep) + ")"},
                    // No recursion while parsing, but a tree as deep as the chain
                    TDeepCase{"SumChain", "ID" + Repeat(" + 1", Deep) + " = 1"},
                    TDeepCase{"ProductChain", "ID" + Repeat(" * 1", Deep) + " = 1"}),
    [](const testing::TestParamInfo<TDeepCase>& info) { return std::string(info.param.Name); });

TEST(FilterDepthLimit, NestingUpToTheLimitIsEvaluated) {
  const int depth = FilterExpressionMaxDepth - 2;
  TPeople people;
  TFilterExpression brackets(people, Repeat("(", depth) + "ID = 3" + Repeat(")", depth), OptionsFor(Exact));
  EXPECT_EQ(people.Passing(brackets), "3");
  TFilterExpression nots(people, Repeat("NOT ", depth) + "(ID = 3)", OptionsFor(Exact));
  EXPECT_EQ(people.Passing(nots), depth % 2 == 0 ? "3" : "1,2,4,5,6");
  TFilterExpression sum(people, "ID" + Repeat(" + 1", depth) + " = " + std::to_string(3 + depth),
                        OptionsFor(Exact));
  EXPECT_EQ(people.Passing(sum), "3");
}

// A long chain of OR (or AND) is one level however many terms it joins.
TEST(FilterDepthLimit, LongChainsOfOrAndAndAreFlat) {
  std::string ors = "ID = 6";
  std::string ands = "ID = 2";
  for (int i = 0; i < 20000; ++i) {
    ors += " OR ID = " + std::to_string(100 + i);
    ands += " AND NAME IS NOT NULL";
  }
  TPeople people;
  TFilterExpression anyOf(people, ors, OptionsFor(Exact));
  EXPECT_EQ(people.Passing(anyOf), "6");
  TFilterExpression allOf(people, ands, OptionsFor(Exact));
  EXPECT_EQ(people.Passing(allOf), "2");
}

}  // namespace
