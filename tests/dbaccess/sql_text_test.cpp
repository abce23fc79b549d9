#include "dbaccess/sql/sql_text.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

// ---- The written table ------------------------------------------------------------

TEST(ModifyTableName, IsTheTableTheStatementWrites) {
  struct {
    const char* Text;
    const char* Table;
  } cases[] = {
      {"insert into phones (a) values (1)", "PHONES"},
      {"INSERT INTO \"My Table\"(a) values (1)", "My Table"},
      {"insert into \"Say \"\"hi\"\"\" values (1)", "Say \"hi\""},
      {"update phones set a = 1", "PHONES"},
      {"delete from phones where a = 1", "PHONES"},
      {"/* note */ delete\r\nfrom\r\nphones", "PHONES"},
      {"update or insert into phones (a) values (1) matching (a)", "PHONES"},
      {"select * from t where note = ' update x '", ""},
      {"select a from t where x in (select b from u) /* insert into */", ""},
      {"execute procedure delete_all", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ModifyTableName(c.Text, false), c.Table) << c.Text;
  EXPECT_EQ(ModifyTableName(" UPDATE T SET A = 1", true), "T");
}

TEST(StatementTables, AreTheWrittenTableOrTheFromTables) {
  EXPECT_EQ(StatementTables("update t set a = 1"), Names{"T"});
  EXPECT_EQ(StatementTables("select * from a x, b where x.k = b.k"), (Names{"A", "B"}));
  EXPECT_EQ(StatementTables("select * from \"My T\" m join u on u.k = m.k"), (Names{"\"My T\"", "U"}));
  EXPECT_EQ(StatementTables("select 1 from rdb$database"), Names{"RDB$DATABASE"});
}

// ---- FROM items and aliases ---------------------------------------------------------------

struct ItemsCase {
  const char* Name;
  std::string Text;
  Names Items;
};

void PrintTo(const ItemsCase& c, std::ostream* os) { *os << c.Name; }

class FromItemsOf : public testing::TestWithParam<ItemsCase> {};

TEST_P(FromItemsOf, Text) { EXPECT_EQ(FromItems(GetParam().Text), GetParam().Items); }

INSTANTIATE_TEST_SUITE_P(
    Texts, FromItemsOf,
    testing::Values(
        ItemsCase{"Blank", " \r\n", {}}, ItemsCase{"NoFrom", "update t set a = 1", {}},
        ItemsCase{
            "CommaList", "select * from phones p, streets s where p.s = s.id", {"PHONES P", "STREETS S"}},
        ItemsCase{"AsRemoved", "select * from phones as p", {"PHONES P"}},
        ItemsCase{"Joins",
                  "select * from phones as p left outer join streets s on s.id = p.street_id "
                  "inner join houses h on (h.id = p.house_id and h.x = 1), towns",
                  {"PHONES P", "STREETS S", "HOUSES H", "TOWNS"}},
        ItemsCase{"JoinUsing", "select * from a join b using (k, l) join c on c.k = a.k", {"A", "B", "C"}},
        ItemsCase{"DerivedTableLeftOut", "select * from t, (select * from u, v) d, w order by 1", {"T", "W"}},
        ItemsCase{"QuotedNames",
                  "select * from \"My Table\" \"m\", \"Other\"",
                  {"\"My Table\" \"m\"", "\"Other\""}},
        ItemsCase{"CommentsIgnored", "select * from t /* , x */ -- , y\r\n, u", {"T", "U"}}),
    [](const testing::TestParamInfo<ItemsCase>& info) { return info.param.Name; });

TEST(TableOfAlias, ComparesTheWholeAliasWord) {
  const std::string sql = "select * from phones ph, persons p where p.id = ph.person_id";
  EXPECT_EQ(TableOfAlias(sql, "p"), "PERSONS");
  EXPECT_EQ(TableOfAlias(sql, "PH"), "PHONES");
  EXPECT_EQ(TableOfAlias(sql, "h"), "h");
  EXPECT_EQ(TableOfAlias(sql, "phones"), "phones");  // a table without alias names itself
  EXPECT_EQ(TableOfAlias("select * from phones, persons p", "phones"), "phones");
}

TEST(TableOfAlias, QuotedAliasesCompareExactly) {
  const std::string sql = "select * from \"Orgs\" \"o\", divs \"D\"";
  EXPECT_EQ(TableOfAlias(sql, "\"o\""), "\"Orgs\"");
  EXPECT_EQ(TableOfAlias(sql, "o"), "o");  // unquoted o is O
  EXPECT_EQ(TableOfAlias(sql, "d"), "DIVS");
}

TEST(QualifyByTable, ReplacesTheAliasBeforeThePoint) {
  const std::string sql = "select * from phones ph join streets s on s.id = ph.street_id";
  EXPECT_EQ(QualifyByTable(sql, "ph.NAME"), "PHONES.NAME");
  EXPECT_EQ(QualifyByTable(sql, "s.\"Name.X\""), "STREETS.\"Name.X\"");
  EXPECT_EQ(QualifyByTable(sql, "NAME"), "NAME");
  EXPECT_EQ(QualifyByTable(sql, "x.NAME"), "x.NAME");
}

// ---- ORDER BY -------------------------------------------------------------------------

struct OrderCase {
  const char* Name;
  std::string Text;
  std::vector<std::pair<std::string, bool>> Fields;
};

void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.Name; }

class OrderByOf : public testing::TestWithParam<OrderCase> {};

TEST_P(OrderByOf, Text) {
  std::vector<std::pair<std::string, bool>> got;
  for (const TOrderByField& f : OrderByFields(GetParam().Text)) got.emplace_back(f.Name, f.Ascending);
  EXPECT_EQ(got, GetParam().Fields);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, OrderByOf,
    testing::Values(
        OrderCase{"None", "select a from t", {}},
        OrderCase{"Plain", "select a from t order by a, b desc", {{"A", true}, {"B", false}}},
        OrderCase{"Qualified",
                  "select a from t order by p.name asc, p . street",
                  {{"P.NAME", true}, {"P.STREET", true}}},
        OrderCase{"QuotesRemoved",
                  "select a from t order by \"My Col\" descending, p.\"x\"",
                  {{"My Col", false}, {"P.x", true}}},
        OrderCase{"DirectionWordsAreWholeWords",
                  "select a from t order by description, ascii_code, collated",
                  {{"DESCRIPTION", true}, {"ASCII_CODE", true}, {"COLLATED", true}}},
        OrderCase{"Collate",
                  "select a from t order by name collate pxw_cyrl desc, b",
                  {{"NAME", false}, {"B", true}}},
        OrderCase{"Nulls", "select a from t order by a nulls last", {{"A", true}}},
        OrderCase{"Expression", "select a from t order by upper(name) desc", {{"UPPER ( NAME )", false}}},
        OrderCase{"Positions",
                  "select a, b from t union select c, d from u order by 2, 1 desc",
                  {{"2", true}, {"1", false}}},
        OrderCase{"SubqueryOrderIgnored", "select a from (select b from u order by b) x", {}},
        OrderCase{"OuterOrderAfterSubquery",
                  "select a from (select b from u order by b) x order by a",
                  {{"A", true}}},
        OrderCase{"OrderInLiteral", "select a from t where s = 'order by x'", {}},
        OrderCase{"OrderInComment", "select a from t -- order by x\n", {}},
        OrderCase{"RowsEndTheList", "select a from t order by a rows 5", {{"A", true}}},
        OrderCase{
            "LineBreaks", "select a\r\nfrom t\r\norder by\r\n  a,\r\n  b\r\n", {{"A", true}, {"B", true}}}),
    [](const testing::TestParamInfo<OrderCase>& info) { return info.param.Name; });

// ---- Parameters and their columns -----------------------------------------------------------

TEST(ColumnBeforeParam, IsTheColumnComparedWithTheParameter) {
  struct {
    const char* Text;
    const char* Param;
    const char* Column;
  } cases[] = {
      {"select * from t where id = :id", "ID", "id"},
      {"select * from t where t.id=:ID and name = :name", "NAME", "name"},
      {"select * from t where t.id=:ID and name = :name", "id", "t.id"},
      {"select * from t where id = ?id", "ID", "id"},
      {"select * from t where p.\"My Id\" >= :x", "X", "p.\"My Id\""},
      {"select * from t where s = ':id' /* :id */ and id = :id", "ID", "id"},
      {"select * from t where id = :id2", "ID", ""},
      {"select * from t where id = :\"my id\"", "my id", "id"},
      {"select * from t where a in (select b from u where u.k = :k)", "K", "u.k"},
      {"select * from t", "ID", ""},
      {"select * from t where x = 1", "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ColumnBeforeParam(c.Text, c.Param), c.Column) << c.Text;
}

// ---- Question marks as named parameters ---------------------------------------------------

struct MarksCase {
  const char* Text;
  const char* Named;
};

class QuestionMarksOf : public ::testing::TestWithParam<MarksCase> {};

TEST_P(QuestionMarksOf, OnlyThoseOfTheCodeAreNamed) {
  EXPECT_EQ(NameQuestionMarks(GetParam().Text, "Param"), GetParam().Named);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, QuestionMarksOf,
    ::testing::Values(
        MarksCase{"select * from t where a = ? and b = ?", "select * from t where a = :Param0 and b = :Param1"},
        MarksCase{"insert into t (a, s) values (?, 'what?')", "insert into t (a, s) values (:Param0, 'what?')"},
        MarksCase{"select \"Why?\" from t where x=?", "select \"Why?\" from t where x=:Param0"},
        MarksCase{"update t set a=? /* or ? */ where b=? -- and ?\nand c=?",
                  "update t set a=:Param0 /* or ? */ where b=:Param1 -- and ?\nand c=:Param2"},
        MarksCase{"select 'it''s ?' from t where a=?", "select 'it''s ?' from t where a=:Param0"},
        MarksCase{"select 1 from t", "select 1 from t"}));

}  // namespace
