#include "dbaccess/sql/sql_params.h"

#include <gtest/gtest.h>

#include "dbaccess/client/errors.h"
#include "dbaccess/sql/sql_text.h"
#include "tests/dbaccess/sqlda_fixture.h"
#include "tests/support/raised.h"

namespace {

// The two directory queries of the program, as a string list joins them.
const std::string HomeSelect =
    "SELECT\r\n    HOME_ID,\r\n    NAME,\r\n    STREET_ID,\r\n    BUILD,\r\n    CORP,\r\n"
    "    APARTAMENT,\r\n    PHONE,\r\n    STREET_NAME\r\nFROM\r\n    HOME_PHONES\r\nwhere\r\n   "
    "@@where%0=1@\r\n";
const std::string OrgSelect =
    "SELECT\r\n     ORG_ID,\r\n     DIV_ID,\r\n     NAME,\r\n     SHORT,\r\n     DIVISION_NAME,\r\n"
    "     PHONE,\r\n     STREET_NAME,\r\n     BUILD,\r\n     CORP\r\nFROM\r\n    ORG_PHONES  \r\nwhere\r\n"
    "  @@WHERE%0=1@\r\n";

std::string Outcome(const std::function<std::string()>& f) {
  std::string value;
  const TRaised raised = RaisedBy<EFIBClientError>([&] { value = f(); });
  return raised.Caught ? "error " + std::to_string(raised.Code) + ": " + raised.Message : value;
}

// Found names joined by "|", each marked "*" when it stood in a WHERE clause.
std::string Names(const TParamScan& scan) {
  std::string s;
  for (const TFoundParam& f : scan.Names) {
    if (!s.empty()) s += "|";
    s += f.Name + (f.InWhere ? "*" : "");
  }
  return s;
}

// ---- The scanner ---------------------------------------------------------------------

struct ScanCase {
  const char* Name;
  std::string Text;
  // Scan the normal form of the text (as statements do), or the text as it is.
  bool Normalize;
  std::string ExpectedNames;
  std::string ExpectedProcessed;
};

void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.Name; }

class ParamScanner : public testing::TestWithParam<ScanCase> {
 protected:
  std::string Input() const {
    return GetParam().Normalize ? NormalizeSqlText(GetParam().Text, '@') : GetParam().Text;
  }
};

TEST_P(ParamScanner, FindsNamesInMacroMode) {
  EXPECT_EQ(Outcome([&] { return Names(ScanParamText(Input(), '@', true, "Form.Query")); }),
            GetParam().ExpectedNames);
}

TEST_P(ParamScanner, WritesTheTextSentInParameterMode) {
  const std::string expected =
      GetParam().ExpectedProcessed.empty() ? GetParam().ExpectedNames : GetParam().ExpectedProcessed;
  EXPECT_EQ(Outcome([&] { return ScanParamText(Input(), '@', false, "Form.Query").Processed; }), expected);
}

const std::string EofInString = "error 51: SQL Parse Error in :Form.Query \r\n\r\nEOF in string detected";
const std::string EofInComment = "error 51: SQL Parse Error in :Form.Query \r\n\r\nEOF in comment detected";
const std::string NameExpected = "error 51: SQL Parse Error in :Form.Query \r\n\r\nParameter name expected";

const ScanCase ScanCases[] = {
    {"ParameterInWhere", "select a from t where x = :p", true, "P*", " SELECT A FROM T WHERE X = ?"},
    {"ParameterOutsideWhere", "insert into t (a) values (:a)", true, "A",
     " INSERT INTO T ( A ) VALUES ( ? )"},
    {"QuestionMarkName", "select a from t where x = ?p and y = 1", true, "P*",
     " SELECT A FROM T WHERE X = ? AND Y = 1"},
    {"QuotedNameWithBlank", "select a from t where x = :\"my p\"", true, "my p*",
     " SELECT A FROM T WHERE X = ?"},
    {"NameWithSpecialCharacters", "where x = :a.b#$%_1", true, "A.B#$%_1*", " WHERE X = ?"},
    {"SameNameTwice", "where a = :id or b = :id", true, "ID*|ID*", " WHERE A = ? OR B = ?"},
    {"ColonInLiteralIsText", "where a = ':x' and b = :y", true, "Y*", " WHERE A = ':x' AND B = ?"},
    {"DoubledQuoteInLiteral", "where a = 'it''s :x' and b = :y", true, "Y*",
     " WHERE A = 'it''s :x' AND B = ?"},
    {"QuotedIdentifierIsText", "where \"a:b\" = :y", true, "Y*", " WHERE \"a:b\" = ?"},
    {"ColonInCommentIsText", "select /* :x */ a from t where b = :y", false, "y*",
     "select /* :x */ a from t where b = ?"},
    {"CommentWithSlashStarSlash", "select /*/ :x */ a where b = :y", false, "y*",
     "select /*/ :x */ a where b = ?"},
    {"SubqueryEndsItsWhere", "select * from (select a from t where a = :x) q join u on u.a = :z where b = :y",
     true, "X*|Z|Y*", " SELECT * FROM ( SELECT A FROM T WHERE A = ? ) Q JOIN U ON U.A = ? WHERE B = ?"},
    {"GroupByEndsWhere", "select a from t where a = :x group by a having count(*) > :n", true, "X*|N",
     " SELECT A FROM T WHERE A = ? GROUP BY A HAVING COUNT ( * ) > ?"},
    {"ParenthesesInsideWhere", "select a from t where (a = :x) and (b = :y)", true, "X*|Y*",
     " SELECT A FROM T WHERE ( A = ? ) AND ( B = ? )"},
    {"MacroWithTwoMacroCharacters", "select a from t where @@where%0=1@", true, "@where%0=1*",
     " SELECT A FROM T WHERE @@"},
    {"NamedMacroEndsAtBlank", "select a from t where @cond and x = :p", true, "@cond*|P*",
     " SELECT A FROM T WHERE @ AND X = ?"},
    {"MacroDefaultMayHoldQuotesAndBlanks", "where @@w%NAME = \"X\" and 'y'@ and b = :p", true,
     "@w%NAME = \"X\" and 'y'*|P*", " WHERE @@ AND B = ?"},
    {"MacroCharacterInsideWordIsText", "select a@b from t", true, "", " SELECT A@B FROM T"},
    {"TextEndingInClosedLiteralIsValid", "select a from t where x = 'a'", true, "",
     " SELECT A FROM T WHERE X = 'a'"},
    {"TextEndingInClosedCommentIsValid", "select a /* c */", false, "", "select a /* c */"},
    {"TextEndingInsideLiteralFails", "select 'abc", true, EofInString, ""},
    {"TextEndingInsideCommentFails", "select a /* :x", false, EofInComment, ""},
    {"QuestionMarkThenBlankFails", "select a from t where a = ? and b = 1", true, NameExpected, ""},
    {"QuestionMarkAtTheEndFails", "select a from t where a = ?", true, NameExpected, ""},
    {"EmptyText", "", true, "", ""},
};

INSTANTIATE_TEST_SUITE_P(Texts, ParamScanner, testing::ValuesIn(ScanCases),
                         [](const testing::TestParamInfo<ScanCase>& info) { return info.param.Name; });

TEST(ParamMarks, BlankBeforeColonQuestionMarkOrMacroCharacter) {
  EXPECT_TRUE(HasParamMarks(" WHERE A = ?P", '@'));
  EXPECT_TRUE(HasParamMarks(" WHERE @@W@", '@'));
  EXPECT_TRUE(HasParamMarks(" :", '@'));
  EXPECT_FALSE(HasParamMarks(" SELECT A@B FROM T", '@'));
  EXPECT_FALSE(HasParamMarks("?", '@'));
  EXPECT_FALSE(HasParamMarks(" WHERE #W", '@'));
  EXPECT_TRUE(HasParamMarks(" WHERE #W", '#'));
}

struct SplitCase {
  const char* Token;
  const char* Name;
  const char* Default;
};

class MacroToken : public testing::TestWithParam<SplitCase> {};

TEST_P(MacroToken, SplitsAtTheFirstPercentSign) {
  std::string name, defaultText;
  SplitMacroToken(GetParam().Token, '@', name, defaultText);
  EXPECT_EQ(name, GetParam().Name);
  EXPECT_EQ(defaultText, GetParam().Default);
}

INSTANTIATE_TEST_SUITE_P(Tokens, MacroToken,
                         testing::Values(SplitCase{"@where%0=1", "@where", "0=1"},
                                         SplitCase{"@where", "@where", ""},
                                         SplitCase{"where%x", "@where", "x"},
                                         SplitCase{"@w%a%b", "@w", "a%b"}, SplitCase{"@w%", "@w", ""},
                                         SplitCase{"@w%#q", "@w", "#q"}));

// ---- Macro substitution ----------------------------------------------------------------

struct SubstituteCase {
  const char* Name;
  std::string Text;
  // Values for the macros in order of appearance; nullptr keeps the default.
  std::vector<const char*> Values;
  std::string Expected;
};

void PrintTo(const SubstituteCase& c, std::ostream* os) { *os << c.Name; }

class MacroSubstitution : public testing::TestWithParam<SubstituteCase> {};

TEST_P(MacroSubstitution, GivesTheTextSent) {
  TTestSQLDAOwner owner;
  TSQLParams params(&owner);
  params.Parse(GetParam().Text, true, "Q");
  for (std::size_t i = 0; i < GetParam().Values.size(); ++i) {
    if (GetParam().Values[i] != nullptr)
      params.Params()[static_cast<int>(i)].SetAsString(GetParam().Values[i]);
  }
  params.BuildSentText(TSentTextOptions{});
  EXPECT_EQ(params.ProcessedSQL(), GetParam().Expected);
}

const std::string HomeColumns =
    " SELECT HOME_ID , NAME , STREET_ID , BUILD , CORP , APARTAMENT , PHONE , STREET_NAME FROM HOME_PHONES "
    "WHERE ";

const SubstituteCase SubstituteCases[] = {
    {"DefaultCondition", HomeSelect, {}, HomeColumns + " 0=1  "},
    {"SearchCondition",
     HomeSelect,
     {"UPPER(PHONE) = '12345' AND \n\rUPPER(BUILD) = '7'"},
     HomeColumns + " UPPER(PHONE) = '12345' AND \n\rUPPER(BUILD) = '7'  "},
    {"UpperCaseMacroName",
     OrgSelect,
     {"UPPER(NAME) CONTAINING 'A'"},
     " SELECT ORG_ID , DIV_ID , NAME , SHORT , DIVISION_NAME , PHONE , STREET_NAME , BUILD , CORP FROM "
     "ORG_PHONES "
     "WHERE  UPPER(NAME) CONTAINING 'A'  "},
    {"QuotedMacroDefault", "select a from t where n = @@v%#abc@", {}, " SELECT A FROM T WHERE N =  'abc' "},
    {"QuotedMacroValueHasQuotesDoubled",
     "select a from t where n = @@v%#abc@",
     {"O'Brien"},
     " SELECT A FROM T WHERE N =  'O''Brien' "},
    {"NamedMacro",
     "select a from t where @cond and b = 1",
     {"a > 2"},
     " SELECT A FROM T WHERE  a > 2  AND B = 1"},
    {"NamedMacroWithDefault", "select @cols%a,b from t", {}, " SELECT  a,b  FROM T"},
    {"MacroNamePrefixOfAnother", "select @w, @w2 from t", {"1", "2"}, " SELECT  1  ,  2  FROM T"},
    {"MacroUsedTwice", "select @@c%a@ from t order by @@c%a@", {"x"}, " SELECT  x  FROM T ORDER BY  x "},
    {"MacroBringsAParameter", "select a from t where @@w%0=1@", {"b = :p"}, " SELECT A FROM T WHERE  b = ? "},
    {"UnclosedMacroRunsToTheEnd", "select a from t where @@w%0=1", {"x"}, " SELECT A FROM T WHERE  x "},
};

INSTANTIATE_TEST_SUITE_P(Texts, MacroSubstitution, testing::ValuesIn(SubstituteCases),
                         [](const testing::TestParamInfo<SubstituteCase>& info) { return info.param.Name; });

// ---- The parameter set -------------------------------------------------------------------

class SqlParams : public testing::Test {
 protected:
  SqlParams() {
    // The statement's answer for names only a macro value brought in.
    FOwner.FindSent = [this](const TFIBXSQLDA& asking, std::string_view name) -> TFIBXSQLVAR* {
      if (&asking != &FParams.Params()) return nullptr;
      if (FOwner.Macros) {
        FParams.BuildSentText(FOptions);
        FOwner.Macros = false;
      }
      const int index = FParams.SentParams().IndexOfName(name);
      return index < 0 ? nullptr : &FParams.SentParams()[index];
    };
  }

  TTestSQLDAOwner FOwner;
  TSQLParams FParams{&FOwner};
  TSentTextOptions FOptions;
};

TEST_F(SqlParams, MacroCountsAsTheFirstParameterByPosition) {
  ASSERT_TRUE(FParams.Parse(HomeSelect, true, "Q"));
  ASSERT_EQ(FParams.Params().Count(), 1);
  EXPECT_TRUE(FParams.Params()[0].IsMacro());
  EXPECT_EQ(FParams.Params()[0].Name(), "where");
  EXPECT_EQ(FParams.Params()[0].AsString(), "0=1");
  EXPECT_TRUE(FParams.HasMacros());
  const Variant values[] = {Variant("UPPER(APARTAMENT) = '12'"), Variant("ignored")};
  FParams.SetParamValues(values);
  EXPECT_EQ(FParams.Params()[0].AsString(), "UPPER(APARTAMENT) = '12'");
  FParams.BuildSentText(FOptions);
  EXPECT_TRUE(FParams.TextRewritten());
  EXPECT_EQ(FParams.ProcessedSQL(), HomeColumns + " UPPER(APARTAMENT) = '12'  ");
  EXPECT_EQ(FParams.SentParams().Count(), 0);
}

TEST_F(SqlParams, ParametersBeyondTheValuesKeepTheirValues) {
  FParams.Parse("select a from t where @@w%0=1@ and b = :b and c = :c", true, "Q");
  FParams.Params()[2].SetAsInteger(3);
  const Variant values[] = {Variant("1=1"), Variant(2)};
  FParams.SetParamValues(values);
  EXPECT_EQ(FParams.Params()[0].AsString(), "1=1");
  EXPECT_EQ(FParams.Params()[1].AsInteger(), 2);
  EXPECT_EQ(FParams.Params()[2].AsInteger(), 3);
}

TEST_F(SqlParams, SameMacroTextAgainNeedsNoNewText) {
  FParams.Parse(HomeSelect, true, "Q");
  FOwner.Macros = false;
  FParams.Params()[0].SetAsString("ID = 1");
  FParams.BuildSentText(FOptions);
  EXPECT_FALSE(FParams.RebuildNeeded(true, false));
  FParams.Params()[0].SetAsString("ID = 1");
  EXPECT_FALSE(FParams.RebuildNeeded(true, false));
  FParams.Params()[0].SetAsString("ID = 2");
  EXPECT_TRUE(FParams.RebuildNeeded(true, false));
  EXPECT_TRUE(FParams.RebuildNeeded(false, false));
}

TEST_F(SqlParams, NullParameterIsComparedWithIsNull) {
  FParams.Parse("select a from t where id = :id and b <> :b and c = :c", true, "Q");
  FParams.Params()[2].SetAsInteger(1);
  FParams.BuildSentText(FOptions);
  EXPECT_EQ(FParams.ProcessedSQL(), " SELECT A FROM T WHERE ID IS NULL AND B IS NOT NULL AND C = ? ");
  EXPECT_TRUE(FParams.TextRewritten());
  ASSERT_EQ(FParams.SentParams().Count(), 1);
  EXPECT_EQ(FParams.SentParams()[0].Name(), "C");
  FParams.SentParams().AssignValues(FParams.Params());
  EXPECT_EQ(FParams.SentParams()[0].AsInteger(), 1);

  // After an execution nothing changed; a value for ID asks for a new text.
  FParams.SaveOldValues();
  EXPECT_FALSE(FParams.RebuildNeeded(true, false));
  FParams.Params()[0].SetAsInteger(5);
  EXPECT_TRUE(FParams.RebuildNeeded(true, false));
  EXPECT_TRUE(FParams.BuildSentText(FOptions));
  EXPECT_EQ(FParams.ProcessedSQL(), " SELECT A FROM T WHERE ID = ? AND B IS NOT NULL AND C = ? ");
  ASSERT_EQ(FParams.SentParams().Count(), 2);
  FParams.SaveOldValues();
  FParams.Params()[0].SetIsNull(true);
  EXPECT_TRUE(FParams.RebuildNeeded(true, false));
}

TEST_F(SqlParams, QuotedNullParameterInDialectThree) {
  FParams.Parse("select a from t where \"Id\" = :\"Id\"", true, "Q");
  FParams.BuildSentText(FOptions);
  EXPECT_EQ(FParams.ProcessedSQL(), " SELECT A FROM T WHERE \"Id\" IS NULL ");
}

TEST_F(SqlParams, WithoutForcedIsNullTheNullIsSent) {
  FParams.Parse("select a from t where id = :id", true, "Q");
  FOptions.NoForceIsNull = true;
  FParams.BuildSentText(FOptions);
  EXPECT_EQ(FParams.ProcessedSQL(), " SELECT A FROM T WHERE ID = ?");
  EXPECT_FALSE(FParams.TextRewritten());
  EXPECT_FALSE(FParams.RebuildNeeded(true, true));
}

TEST_F(SqlParams, OneNameWrittenTwiceGivesTwoVariablesWithOneValue) {
  FParams.Parse("select a from t where a = :id or b = :id", true, "Q");
  ASSERT_EQ(FParams.Params().Count(), 2);
  FParams.Params().ByName("ID")->SetAsInteger(4);
  EXPECT_EQ(FParams.Params()[0].AsInteger(), 4);
  EXPECT_EQ(FParams.Params()[1].AsInteger(), 4);
}

TEST_F(SqlParams, ValuesSurviveANewTextByName) {
  FParams.Parse("select a from t where a = :a and b = :b", true, "Q");
  FParams.Params().ByName("A")->SetAsInteger(1);
  FParams.Params().ByName("B")->SetAsString("two");
  FParams.Parse("select a from t where b = :b and c = :c or d = :b", true, "Q");
  ASSERT_EQ(FParams.Params().Count(), 3);
  EXPECT_EQ(FParams.Params()[0].AsString(), "two");
  EXPECT_TRUE(FParams.Params()[1].IsNull());
  // The new second occurrence of B shares the value B brought along.
  EXPECT_EQ(FParams.Params()[2].AsString(), "two");
  EXPECT_EQ(FParams.Params().ByName("A"), nullptr);
}

TEST_F(SqlParams, ScanErrorKeepsTheParametersThere) {
  FParams.Parse("select a from t where a = :a", true, "Q");
  EXPECT_THROW(FParams.Parse("select a from t where a = :a and b = 'x", true, "Q"), EFIBClientError);
  EXPECT_FALSE(FParams.ParamsParsed());
  ASSERT_EQ(FParams.Params().Count(), 1);
  EXPECT_EQ(FParams.Params()[0].Name(), "A");
}

TEST_F(SqlParams, TextWithoutMarksIsSentAsItIs) {
  const std::string text = "select a\r\nfrom t";
  EXPECT_FALSE(FParams.Parse(text, true, "Q"));
  EXPECT_EQ(FParams.ProcessedSQL(), text);
  EXPECT_EQ(FParams.Params().Count(), 0);
  EXPECT_FALSE(FParams.Parse("select a from t where a = :a", false, "Q"));
  EXPECT_EQ(FParams.Params().Count(), 0);
}

TEST_F(SqlParams, ParameterBroughtByAMacroIsFoundAfterTheMacroChanges) {
  FParams.Parse("select a from t where @@w%0=1@", true, "Q");
  FParams.Params()[0].SetAsString("x = :x");
  TFIBXSQLVAR* first = FParams.Params().ByName("X");
  ASSERT_NE(first, nullptr);
  first->SetAsInteger(3);
  // A macro's value is not normalised: the name keeps its case.
  EXPECT_EQ(FParams.ExtraParamNames(), std::vector<std::string>{"x"});

  // A new macro value rebuilds the sent parameters; the parameter found
  // before is gone, and looking it up again finds the new one.
  FParams.Params()[0].SetAsString("y = :y and x = :x");
  TFIBXSQLVAR* again = FParams.Params().ByName("X");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again, &FParams.SentParams()[1]);
  EXPECT_EQ(again->AsInteger(), 3);
  EXPECT_EQ(FParams.ExtraParamNames(), (std::vector<std::string>{"x", "y"}));
}

TEST_F(SqlParams, SavedOldValuesAreTheAssignedOnes) {
  FParams.Parse("select a from t where a = :a and b = :b", true, "Q");
  FParams.Params()[0].SetAsInteger(1);
  FParams.SaveOldValues();
  EXPECT_EQ(FParams.Params()[0].OldValue(), Variant(1));
  EXPECT_TRUE(FParams.Params()[1].OldValue().IsEmpty());
}

}  // namespace
