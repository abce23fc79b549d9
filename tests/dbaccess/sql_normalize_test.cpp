#include <gtest/gtest.h>

#include "dbaccess/sql/sql_text.h"

namespace {

struct NormalCase {
  const char* Name;
  std::string Text;
  std::string Expected;
};

void PrintTo(const NormalCase& c, std::ostream* os) { *os << c.Name; }

// The two directory queries of the program, one line each, as a string list
// joins them (a line break after every line).
const std::string HomeSelect =
    "SELECT\r\n    HOME_ID,\r\n    NAME,\r\n    STREET_ID,\r\n    BUILD,\r\n    CORP,\r\n"
    "    APARTAMENT,\r\n    PHONE,\r\n    STREET_NAME\r\nFROM\r\n    HOME_PHONES\r\nwhere\r\n   "
    "@@where%0=1@\r\n";
const std::string OrgSelect =
    "SELECT\r\n     ORG_ID,\r\n     DIV_ID,\r\n     NAME,\r\n     SHORT,\r\n     DIVISION_NAME,\r\n"
    "     PHONE,\r\n     STREET_NAME,\r\n     BUILD,\r\n     CORP\r\nFROM\r\n    ORG_PHONES  \r\nwhere\r\n"
    "  @@WHERE%0=1@\r\n";

class NormalForm : public testing::TestWithParam<NormalCase> {};

TEST_P(NormalForm, IsExact) { EXPECT_EQ(NormalizeSqlText(GetParam().Text, '@'), GetParam().Expected); }

// The normal form of a normal form is itself: the query cache stores keys
// that are normalised again when a cached query is released.
TEST_P(NormalForm, IsStableWhenNormalisedAgain) {
  const std::string once = NormalizeSqlText(GetParam().Text, '@');
  EXPECT_EQ(NormalizeSqlText(once, '@'), once);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NormalForm,
    testing::Values(
        NormalCase{"Empty", "", ""},
        NormalCase{"SelectWithParameter", "select a,b  from t where x=:p",
                   " SELECT A , B FROM T WHERE X = ?P"},
        NormalCase{"LeadingBlankKept", " select a", " SELECT A"},
        NormalCase{"LeadingTabBecomesTheBlank", "\t\r\nselect a", " SELECT A"},
        NormalCase{"NotEqualsWithBang", "a!=b", " A <> B"},
        NormalCase{"NotEqualsWithCaret", "a^=b", " A <> B"},
        NormalCase{"NotEqualsWithTilde", "a~=b", " A <> B"},
        NormalCase{"TwoCharacterOperatorsStayWhole", "a<>b and c>=d and e<=f and g||h and i!<j",
                   " A <> B AND C >= D AND E <= F AND G || H AND I !< J"},
        NormalCase{"OperatorsNextToBlanks", "a = b", " A = B"},
        NormalCase{"Parentheses", "count(*)", " COUNT ( * )"},
        NormalCase{"ParameterInParentheses", "where a in(:p,:q)", " WHERE A IN ( ?P , ?Q )"},
        NormalCase{"QuestionMarkParameter", "where a=?", " WHERE A = ?"},
        NormalCase{"QuestionMarkNamedParameter", "where a = ?Name", " WHERE A = ?NAME"},
        NormalCase{"QuotedParameterName", "where a = :\"my p\"", " WHERE A = ?\"my p\""},
        NormalCase{"BlockCommentDropped", "select /* a, b */ c from t", " SELECT C FROM T"},
        NormalCase{"BlockCommentSeparatesWords", "select a/*c*/from t", " SELECT A FROM T"},
        NormalCase{"UnclosedBlockComment", "select a/* from", " SELECT A"},
        NormalCase{"LineCommentDropped", "select a -- the a, 'b\nfrom t", " SELECT A FROM T"},
        NormalCase{"LineCommentAtEnd", "select a --c", " SELECT A "},
        NormalCase{"BlockCommentAtEnd", "select a/* c */", " SELECT A"},
        NormalCase{"LineCommentWithCrLf", "select a -- x /* y\r\nfrom t", " SELECT A FROM T"},
        NormalCase{"LiteralCopiedUnchanged", "where n = 'it''s -- /* :x, a=b */'",
                   " WHERE N = 'it''s -- /* :x, a=b */'"},
        NormalCase{"UnclosedLiteral", "select 'abc", " SELECT 'abc"},
        NormalCase{"QuotedNamesKeepCase", "select \"My Col\", x from \"t\"",
                   " SELECT \"My Col\" , X FROM \"t\""},
        NormalCase{"LineBreaksBecomeOneBlank", "select a\r\n\r\nfrom t\r\n", " SELECT A FROM T "},
        NormalCase{"OperatorAtTheEnd", "select a from t;", " SELECT A FROM T ;"},
        NormalCase{"ExponentSignStaysInNumber", "select 1.5e-3, 2E+10, .5e-1 from t",
                   " SELECT 1.5E-3 , 2E+10 , .5E-1 FROM T"},
        NormalCase{"NameEndingInEIsNoNumber", "select cole-1, x1e-2 from t",
                   " SELECT COLE - 1 , X1E - 2 FROM T"},
        NormalCase{"ColonInsideWordBecomesQuestionMark", "a:b", " A?B"},
        NormalCase{"CyrillicLettersKeepTheirCase", "select \xE8\xEC\xFF from t where x='\xC8'",
                   " SELECT \xE8\xEC\xFF FROM T WHERE X = '\xC8'"},
        NormalCase{"MacroWithTwoMacroCharacters", "where @@where%a = 1@ order by x",
                   " WHERE @@where%a = 1@ ORDER BY X"},
        NormalCase{"UnclosedMacro", "where @@where%0=1", " WHERE @@where%0=1"},
        NormalCase{"NamedMacroEndsAtBlank", "where @cond and x=1", " WHERE @cond AND X = 1"},
        NormalCase{"NamedMacroEndsAtOperator", "x=@v+1", " X = @v + 1"},
        NormalCase{"NamedMacroEndsBeforeTwoCharacterOperator", "x=@v<>1", " X = @v <> 1"},
        NormalCase{"NamedMacroKeepsOperatorsAfterPercent", "where @w%x=1 and y", " WHERE @w%x=1 AND Y"},
        NormalCase{"NamedMacroEndsAtLineFeed", "where @w\nand y", " WHERE @w AND Y"},
        NormalCase{"NamedMacroEndsAtTab", "where @w\tand y", " WHERE @w AND Y"},
        NormalCase{"NamedMacroAtTheEnd", "where @w", " WHERE @w "},
        NormalCase{"MacroCharacterInsideWordIsText", "select a@b from t", " SELECT A@B FROM T"},
        NormalCase{"HomeQuery", HomeSelect,
                   " SELECT HOME_ID , NAME , STREET_ID , BUILD , CORP , APARTAMENT , PHONE , STREET_NAME "
                   "FROM HOME_PHONES WHERE @@where%0=1@ "},
        NormalCase{
            "OrganisationQuery", OrgSelect,
            " SELECT ORG_ID , DIV_ID , NAME , SHORT , DIVISION_NAME , PHONE , STREET_NAME , BUILD , CORP "
            "FROM ORG_PHONES WHERE @@WHERE%0=1@ "}),
    [](const testing::TestParamInfo<NormalCase>& info) { return info.param.Name; });

TEST(NormalForm, MacroCharacterIsTheCallersChoice) {
  EXPECT_EQ(NormalizeSqlText("where #w and @x", '#'), " WHERE #w AND @X");
  EXPECT_EQ(NormalizeSqlText("where ##w%1=1# and x", '#'), " WHERE ##w%1=1# AND X");
}

struct KeyPair {
  std::string A, B;
};

// The query cache's key: the normal form without blanks at its ends.
std::string CacheKey(const std::string& text) {
  std::string key = NormalizeSqlText(text, '@');
  const auto first = key.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return key.substr(first, key.find_last_not_of(' ') - first + 1);
}

// Texts that mean the same share a key; texts that differ in a literal, a
// quoted name or a word split by a comment do not.
TEST(NormalForm, SameKeyOnlyForTextsThatMeanTheSame) {
  const KeyPair same[] = {
      {"select a from t", "SELECT  A\r\nFROM   t"},
      {"select a from t /* note */ where x = 1", "select a from t where x=1 -- other note"},
      {"select a from t where x<>1", "select a from t where x != 1"},
  };
  for (const KeyPair& p : same) EXPECT_EQ(CacheKey(p.A), CacheKey(p.B)) << p.A;
  const KeyPair different[] = {
      {"select a from t where x = 'a'", "select a from t where x = 'A'"},
      {"select \"a\" from t", "select \"A\" from t"},
      {"select a/**/b from t", "select ab from t"},
      {"select 'a b' from t", "select 'a  b' from t"},
  };
  for (const KeyPair& p : different) EXPECT_NE(CacheKey(p.A), CacheKey(p.B)) << p.A;
}

}  // namespace
