#include <gtest/gtest.h>

#include "dbaccess/sql/sql_text.h"

namespace {

const std::string HomeSelect =
    "SELECT\r\n    HOME_ID,\r\n    NAME,\r\n    STREET_ID,\r\n    BUILD,\r\n    CORP,\r\n"
    "    APARTAMENT,\r\n    PHONE,\r\n    STREET_NAME\r\nFROM\r\n    HOME_PHONES\r\nwhere\r\n   "
    "@@where%0=1@\r\n";

std::string FromText(const std::string& sql) {
  const TSQLTextRange r = FromClauseBounds(sql);
  if (!r.Found()) return "<none>";
  std::string s =
      sql.substr(static_cast<std::size_t>(r.Start - 1), static_cast<std::size_t>(r.End - r.Start + 1));
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\n')) s.pop_back();
  return s;
}

// ---- Finding clauses ----------------------------------------------------------------

struct ClauseCase {
  const char* Name;
  std::string Text;
  std::string From;  // the FROM clause, "<none>" when absent
  int MainWhere;
  int Wheres;
  std::string Condition;  // of the main WHERE clause
};

void PrintTo(const ClauseCase& c, std::ostream* os) { *os << c.Name; }

class Clauses : public testing::TestWithParam<ClauseCase> {};

TEST_P(Clauses, AreFoundWhereTheyStand) {
  const ClauseCase& c = GetParam();
  const TSQLParser parser(c.Text);
  EXPECT_EQ(FromText(c.Text), c.From);
  EXPECT_EQ(parser.MainWhereIndex(), c.MainWhere);
  EXPECT_EQ(parser.WhereCount(), c.Wheres);
  EXPECT_EQ(parser.MainWhereClause(), c.Condition);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Clauses,
    testing::Values(
        ClauseCase{"NoWhere", "select a from t", "from t", -1, 0, ""},
        ClauseCase{"Where", "select a from t where x = 1", "from t", 1, 1, "x = 1"},
        ClauseCase{"WhereThenOrder", "select a from t where x = 1 order by a", "from t", 1, 1, "x = 1"},
        ClauseCase{"WhereThenGroupHaving", "select a from t where x = 1 group by a having count(*) > 1",
                   "from t", 1, 1, "x = 1"},
        ClauseCase{"WhereThenPlan", "select a from t where x = 1 plan (t natural)", "from t", 1, 1, "x = 1"},
        ClauseCase{"WhereThenForUpdate", "select a from t where x = 1 for update", "from t", 1, 1, "x = 1"},
        ClauseCase{"WhereThenRows", "select a from t where x = 1 rows 5", "from t", 1, 1, "x = 1"},
        ClauseCase{"WhereWithParenthesis", "select a from t where(x=1)", "from t", 1, 1, "(x=1)"},
        ClauseCase{"LineBreaks", "select a\r\nfrom t\r\nwhere\r\n  x = 1\r\n", "from t", 1, 1, "x = 1"},
        ClauseCase{"SubqueryInWhere", "select a from t where a in (select b from u where c = 1) order by a",
                   "from t", 1, 2, "a in (select b from u where c = 1)"},
        ClauseCase{"GroupedSubqueryInWhere",
                   "select a from t where a in (select b from u group by b) and d = 1", "from t", 1, 1,
                   "a in (select b from u group by b) and d = 1"},
        ClauseCase{"OrderedSubqueryInWhere",
                   "select a from t where a = (select first 1 b from u order by b) order by a", "from t", 1,
                   1, "a = (select first 1 b from u order by b)"},
        ClauseCase{"WhereOnlyInSubquery", "select a from (select b from u where c = 1) x",
                   "from (select b from u where c = 1) x", -1, 1, ""},
        ClauseCase{"SubqueryInSelectList",
                   "select a, (select max(b) from u where u.k = t.k) from t where x = 2", "from t", 2, 2,
                   "x = 2"},
        ClauseCase{"FromInsideFunction", "select extract(year from d) from t where x = 1", "from t", 1, 1,
                   "x = 1"},
        ClauseCase{"Union", "select a from t where x = 1 union select a from u where y = 2", "from t", 1, 2,
                   "x = 1"},
        ClauseCase{"LiteralWithWhere", "select a from t where s = 'where (' order by a", "from t", 1, 1,
                   "s = 'where ('"},
        ClauseCase{"LiteralWithFromAndOrder", "select 'from x order by y' from t", "from t", -1, 0, ""},
        ClauseCase{"LiteralWithDoubledQuote", "select a from t where s = 'it''s ) order by' order by a",
                   "from t", 1, 1, "s = 'it''s ) order by'"},
        ClauseCase{"TextEndsInLiteral", "select a from t where x = 'a'", "from t", 1, 1, "x = 'a'"},
        ClauseCase{"TextEndsInQuotedName", "select a from \"T\"", "from \"T\"", -1, 0, ""},
        ClauseCase{"QuotedNameWithKeyword", "select a from t /* where */ where \"where\" = 1",
                   "from t /* where */", 1, 1, "\"where\" = 1"},
        ClauseCase{"LineCommentHidesWhere", "select a from t -- where x\nwhere y = 1", "from t -- where x", 1,
                   1, "y = 1"},
        ClauseCase{"LineCommentHidesOrder", "select a from t where y = 1 -- order by b\norder by a", "from t",
                   1, 1, "y = 1"},
        ClauseCase{"TrailingLineComment", "select a from t where y = 1 -- last", "from t", 1, 1, "y = 1"},
        ClauseCase{"ParenthesisInComment", "select a from t where y = 1 /* ( */ order by a", "from t", 1, 1,
                   "y = 1"},
        ClauseCase{"HomeQuery", HomeSelect, "FROM\r\n    HOME_PHONES", 1, 1, "@@where%0=1@"},
        ClauseCase{"Update", "update t set a = 1 where b = 2", "<none>", 1, 1, "b = 2"},
        ClauseCase{"Delete", "delete from t where b = 2", "from t", 1, 1, "b = 2"}),
    [](const testing::TestParamInfo<ClauseCase>& info) { return info.param.Name; });

TEST(WhereClause, NumberedClauseInsideSubqueryEndsAtItsParenthesis) {
  const TSQLParser parser("select a from t where a in (select b from u where c = (1) order by b) and d = 2");
  const TWhereClause second = parser.WhereClause(2);
  ASSERT_TRUE(second.Found());
  EXPECT_EQ(second.Condition, "c = (1)");
  EXPECT_EQ(parser.Text().substr(static_cast<std::size_t>(second.Start - 1), 5), "where");
  EXPECT_EQ(parser.Text().substr(static_cast<std::size_t>(second.ConditionStart - 1),
                                 static_cast<std::size_t>(second.End - second.ConditionStart + 1)),
            "c = (1)");
  EXPECT_EQ(parser.WhereClause(1).Condition, "a in (select b from u where c = (1) order by b) and d = 2");
  EXPECT_EQ(parser.WhereClause(0).Condition, parser.WhereClause(1).Condition);
  EXPECT_FALSE(parser.WhereClause(3).Found());
  EXPECT_FALSE(parser.WhereClause(-1).Found());
}

TEST(WhereClause, EmptyConditionAtTheEnd) {
  const TWhereClause w = TSQLParser("select a from t where ").WhereClause(1);
  ASSERT_TRUE(w.Found());
  EXPECT_EQ(w.Condition, "");
  EXPECT_EQ(w.End, w.ConditionStart - 1);
}

// ---- Statement kind ---------------------------------------------------------------

// The public scan: quoted names and comments skipped, depth kept from scan
// to scan, the numbered WHERE, the stop at the closing parenthesis.
TEST(SQLParser, ScanWalksTheCodeWithTheCallersTest) {
  TSQLParser parser("select \"X\" from T /* X */ where b in (select X from U where d = 1) and e = 2");
  const auto isX = [&parser](int pos) { return parser.Text()[pos - 1] == 'X'; };
  EXPECT_EQ(parser.Scan(1, isX), 46);
  EXPECT_EQ(parser.Depth(), 1);
  parser.SetDepth(0);
  parser.SetWantedWhere(2);
  EXPECT_EQ(parser.Scan(parser.FirstPos(), [&](int pos) { return parser.WantedWhereAt(pos); }), 55);
  parser.SetStopAtClosingBracket(true);
  EXPECT_EQ(parser.Scan(60, isX), 66);
  EXPECT_EQ(parser.ResultPos(), 66);
}

TEST(SQLParser, KindComesFromTheFirstWordAfterComments) {
  struct {
    const char* Text;
    TSQLStatementKind Kind;
    int FirstPos;
  } cases[] = {
      {"select a from t", TSQLStatementKind::Select, 1},
      {"  /* head */ -- line\r\n Select a from t", TSQLStatementKind::Select, 24},
      {"update t set a = 1", TSQLStatementKind::Update, 1},
      {"INSERT INTO t VALUES (1)", TSQLStatementKind::Insert, 1},
      {"delete from t", TSQLStatementKind::Delete, 1},
      {"execute procedure p", TSQLStatementKind::Execute, 1},
      // Schema statements count only with a capital first letter.
      {"ALTER TABLE t ADD b INT", TSQLStatementKind::Ddl, 1},
      {"Create table t (a int)", TSQLStatementKind::Ddl, 1},
      {" DROP\ttable t", TSQLStatementKind::Ddl, 2},
      {"alter table t add b int", TSQLStatementKind::Other, 1},
      {"create table t (a int)", TSQLStatementKind::Other, 1},
      {"dROP table t", TSQLStatementKind::Other, 1},
      {"DROP", TSQLStatementKind::Other, 1},
      {"selection", TSQLStatementKind::Other, 1},
      {"with x as (select 1 a from rdb$database) select a from x", TSQLStatementKind::Other, 1},
      {"", TSQLStatementKind::Other, 1},
  };
  for (const auto& c : cases) {
    const TSQLParser parser(c.Text);
    EXPECT_EQ(parser.Kind(), c.Kind) << c.Text;
    EXPECT_EQ(parser.FirstPos(), c.FirstPos) << c.Text;
  }
}

// ---- Changing the WHERE clause --------------------------------------------------------

struct EditCase {
  const char* Name;
  std::string Text;
  std::string Condition;
  bool NewLine;
  std::string Expected;
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.Name; }

class AddConditionTo : public testing::TestWithParam<EditCase> {};

TEST_P(AddConditionTo, Text) {
  const EditCase& c = GetParam();
  EXPECT_EQ(AddCondition(c.Text, c.Condition, c.NewLine), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AddConditionTo,
    testing::Values(
        EditCase{"NoWhere", "select a from t", "x = 1", false, "select a from t WHERE x = 1\r\n"},
        EditCase{"NoWhereBeforeOrder", "select a from t order by a", "x = 1", false,
                 "select a from t  WHERE x = 1\r\norder by a"},
        EditCase{"NoWhereBeforeOrderOnNewLine", "select a from t\r\norder by a", "x = 1", true,
                 "select a from t\r\n WHERE \r\n    x = 1\r\norder by a"},
        EditCase{"ExistingWhere", "select a from t where y = 2", "x = 1", false,
                 "select a from t where( y = 2 )and ( x = 1 )"},
        EditCase{"ExistingWhereBeforeOrder", "select a from t where y = 2 order by a", "x = 1", false,
                 "select a from t where( y = 2 )and ( x = 1 ) order by a"},
        EditCase{"ExistingWhereOnNewLine", "select a from t where y = 2", "x = 1", true,
                 "select a from t where( y = 2 )\r\n    and ( x = 1 )\r\n    "},
        EditCase{"OnlySubqueryHasWhere", "select a from (select b from u where c = 1) x", "x.b > 0", false,
                 "select a from (select b from u where c = 1) x WHERE x.b > 0\r\n"},
        EditCase{"SubqueryInCondition", "select a from t where a in (select b from u where c = 1) order by a",
                 "x = 1", false,
                 "select a from t where( a in (select b from u where c = 1) )and ( x = 1 ) order by a"},
        EditCase{"Union", "select a from t union select a from u", "x = 1", false,
                 "select a from t  WHERE x = 1\r\nunion select a from u"},
        EditCase{"LiteralWithKeywords", "select a from t where s = 'order by (' order by a", "x = 1", false,
                 "select a from t where( s = 'order by (' )and ( x = 1 ) order by a"},
        EditCase{"TrailingLineComment", "select a from t -- all", "x = 1", false,
                 "select a from t WHERE x = 1\r\n -- all"},
        EditCase{"ConditionFollowedByLineComment", "select a from t where y = 2 -- two\norder by a", "x = 1",
                 false, "select a from t where( y = 2 )and ( x = 1 ) -- two\norder by a"},
        EditCase{"AddedConditionEndsInLineComment", "select a from t where y = 2", "x = 1 -- one", false,
                 "select a from t where( y = 2 )and ( x = 1 -- one\r\n )"},
        EditCase{"BlankConditionChangesNothing", "select a from t where y = 2", " \r\n", true,
                 "select a from t where y = 2"},
        EditCase{"HomeQuery", HomeSelect, "PHONE = '123'", false,
                 "SELECT\r\n    HOME_ID,\r\n    NAME,\r\n    STREET_ID,\r\n    BUILD,\r\n    CORP,\r\n"
                 "    APARTAMENT,\r\n    PHONE,\r\n    STREET_NAME\r\nFROM\r\n    HOME_PHONES\r\nwhere( "
                 "@@where%0=1@ )and ( PHONE = '123' )\r\n"}),
    [](const testing::TestParamInfo<EditCase>& info) { return info.param.Name; });

TEST(AddCondition, StatementWithoutFromClauseIsRefused) {
  EXPECT_THROW(AddCondition("update t set a = 1", "b = 2", false), ESQLTextError);
  EXPECT_THROW(AddCondition("execute procedure p", "b = 2", false), ESQLTextError);
  // An UPDATE with a WHERE clause can take one more condition.
  EXPECT_EQ(AddCondition("update t set a = 1 where c = 3", "b = 2", false),
            "update t set a = 1 where( c = 3 )and ( b = 2 )");
}

class SetMainWhereOf : public testing::TestWithParam<EditCase> {};

TEST_P(SetMainWhereOf, Text) {
  const EditCase& c = GetParam();
  TSQLParser parser(c.Text);
  EXPECT_EQ(parser.SetMainWhere(c.Condition), c.Expected);
  EXPECT_EQ(parser.Text(), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SetMainWhereOf,
    testing::Values(
        EditCase{"ReplacesBeforeOrder", "select a from t where y = 2 order by a", "x = 1", false,
                 "select a from t \r\nWHERE x = 1\r\n order by a"},
        EditCase{"RemovesWithBlankCondition", "select a from t where y = 2 order by a", "", false,
                 "select a from t \r\n order by a"},
        EditCase{"AddsWhenThereIsNone", "select a from t order by a", "x = 1", false,
                 "select a from t  WHERE x = 1\r\norder by a"},
        EditCase{"LeavesSubqueryAlone", "select a from t where a in (select b from u where c = 1)", "x = 1",
                 false, "select a from t \r\nWHERE x = 1\r\n"},
        EditCase{"ReplacesMainNotSubquery", "select (select b from u where c = 1) from t where y = 2",
                 "x = 1", false, "select (select b from u where c = 1) from t \r\nWHERE x = 1\r\n"},
        EditCase{"KeepsLineBreaksOfTheText", HomeSelect, "PHONE = '123'", false,
                 "SELECT\r\n    HOME_ID,\r\n    NAME,\r\n    STREET_ID,\r\n    BUILD,\r\n    CORP,\r\n"
                 "    APARTAMENT,\r\n    PHONE,\r\n    STREET_NAME\r\nFROM\r\n    HOME_PHONES\r\nWHERE "
                 "PHONE = '123'\r\n"}),
    [](const testing::TestParamInfo<EditCase>& info) { return info.param.Name; });

TEST(ReplaceWhereClause, ChangesOnlyTheNumberedClause) {
  TSQLParser parser("select a from t where a in (select b from u where c = 1) and d = 2");
  parser.ReplaceWhereClause(2, "c = 5");
  EXPECT_EQ(parser.Text(), "select a from t where a in (select b from u \r\nWHERE c = 5\r\n) and d = 2");
  EXPECT_EQ(parser.WhereClause(2).Condition, "c = 5");
  TSQLParser none("select a from t");
  EXPECT_EQ(none.ReplaceWhereClause(1, "x = 1"), "select a from t");
}

// ---- Row counts -----------------------------------------------------------------------

struct CountCase {
  const char* Name;
  std::string Text;
  std::string Expected;
};

void PrintTo(const CountCase& c, std::ostream* os) { *os << c.Name; }

class CountOf : public testing::TestWithParam<CountCase> {};

TEST_P(CountOf, Text) { EXPECT_EQ(CountSQL(GetParam().Text), GetParam().Expected); }

std::string Derived(const std::string& text, const std::string& columns) {
  return "SELECT COUNT(*) FROM (\r\n" + text + "\r\n) COUNTED_ROWS" + columns;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CountOf,
    testing::Values(
        CountCase{"Plain", "select a, b from t", "Select Count(*) from t"},
        CountCase{"KeepsTheCondition", "select a from t where x = 1 order by a",
                  "Select Count(*) from t\r\n WHERE x = 1"},
        CountCase{"KeepsSubqueryCondition", "select a from t where x in (select b from u group by b)",
                  "Select Count(*) from t\r\n WHERE x in (select b from u group by b)"},
        CountCase{"Join", "select t.a from t join u on u.k = t.k where u.x = 1",
                  "Select Count(*) from t join u on u.k = t.k\r\n WHERE u.x = 1"},
        CountCase{"StarIsPlain", "select * from t", "Select Count(*) from t"},
        CountCase{"KeywordsInLiteralsArePlain", "select a from t where s = 'group by x union'",
                  "Select Count(*) from t\r\n WHERE s = 'group by x union'"},
        CountCase{"ColumnsNamedFirstAndSkip", "select first, skip from t", "Select Count(*) from t"},
        CountCase{"TrailingLineComment", "select a from t -- all", "Select Count(*) from t"},
        CountCase{"HomeQueryAsSent", "SELECT HOME_ID, NAME FROM HOME_PHONES where  PHONE = '12' ",
                  "Select Count(*) FROM HOME_PHONES\r\n WHERE PHONE = '12'"},
        CountCase{"GroupBy", "select a, count(*) from t group by a",
                  Derived("select a, count(*) from t group by a", " (C1, C2)")},
        CountCase{"Having", "select a from t group by a having count(*) > 1",
                  Derived("select a from t group by a having count(*) > 1", " (C1)")},
        CountCase{"Union", "select a, b from t union select c, d from u",
                  Derived("select a, b from t union select c, d from u", " (C1, C2)")},
        CountCase{"Distinct", "select distinct a, cast(b as numeric(9,2)) from t",
                  Derived("select distinct a, cast(b as numeric(9,2)) from t", " (C1, C2)")},
        CountCase{"First", "select first 10 a from t order by a",
                  Derived("select first 10 a from t order by a", " (C1)")},
        CountCase{"SkipParameter", "select skip :n a from t", Derived("select skip :n a from t", " (C1)")},
        CountCase{"Rows", "select a from t order by a rows 5",
                  Derived("select a from t order by a rows 5", " (C1)")},
        CountCase{"Aggregate", "select max(a) from t", Derived("select max(a) from t", " (C1)")},
        CountCase{"DistinctStarLeavesColumnsUnnamed", "select distinct * from t",
                  Derived("select distinct * from t", "")},
        CountCase{"QualifiedStarLeavesColumnsUnnamed", "select distinct t.*, u.a from t, u",
                  Derived("select distinct t.*, u.a from t, u", "")},
        CountCase{"TrailingSemicolonDropped", "select distinct a from t;",
                  Derived("select distinct a from t", " (C1)")},
        CountCase{"DerivedWithTrailingLineComment", "select distinct a from t -- all",
                  Derived("select distinct a from t -- all", " (C1)")},
        CountCase{"NotASelect", "update t set a = 1", ""}, CountCase{"NoFrom", "select", ""}),
    [](const testing::TestParamInfo<CountCase>& info) { return info.param.Name; });

TEST(CountSQL, KnownColumnCountNamesTheColumns) {
  EXPECT_EQ(CountSQL("select distinct * from t", 3), Derived("select distinct * from t", " (C1, C2, C3)"));
  EXPECT_EQ(CountSQL("select a from t", 3), "Select Count(*) from t");
}

// ---- Small text routines ----------------------------------------------------------------

TEST(SQLWords, WhereKeywordNeedsSeparatorsOnBothSides) {
  EXPECT_TRUE(IsWhereAt("a where b", 3));
  EXPECT_TRUE(IsWhereAt("a)WHERE(b", 3));
  EXPECT_FALSE(IsWhereAt("where b", 1));
  EXPECT_FALSE(IsWhereAt("a wherever", 3));
  EXPECT_FALSE(IsWhereAt("a where", 3));  // nothing after it
  EXPECT_FALSE(IsWhereAt("a_where b", 3));
}

TEST(SQLWords, WhereEndsAtClauseKeywordsAndTheLastPosition) {
  EXPECT_TRUE(IsWhereEnd("x = 1 order by a", 7));
  EXPECT_TRUE(IsWhereEnd("x = 1)group by a", 7));
  EXPECT_TRUE(IsWhereEnd("x = 1 plan(t natural)", 7));
  EXPECT_TRUE(IsWhereEnd("x = 1 rows 2", 7));
  EXPECT_TRUE(IsWhereEnd("x = 1", 5));
  EXPECT_FALSE(IsWhereEnd("x = orders", 5));
  EXPECT_FALSE(IsWhereEnd("x = 1 order", 7));  // no whitespace after it
  EXPECT_FALSE(IsWhereEnd("x = 1 and formula", 11));
}

TEST(SQLWords, PosWordSkipsLiteralsNamesAndComments) {
  EXPECT_EQ(PosOrder("select a from t order by a"), 17);
  EXPECT_EQ(PosOrder("select a from t where s = ' order ' /* order */ \"order\" -- order\norder by a"), 66);
  EXPECT_EQ(PosOrder("select orders from t"), 0);
  EXPECT_EQ(PosWord("from", "select a FROM t"), 10);
  EXPECT_EQ(PosWord("from", "select a)from t"), 10);
  EXPECT_EQ(PosWord("from", "from"), 1);
  EXPECT_EQ(PosWord("", "from"), 0);
}

}  // namespace
