#include "dbaccess/sql/sql_words.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "framework/core/text/text.h"

namespace {

// Test names stay ASCII: bytes above 127 are written as hexadecimal escapes.
std::string Printable(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    if (c < 128) {
      out += static_cast<char>(c);
    } else {
      static const char* hex = "0123456789ABCDEF";
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

struct TQuoteCase {
  const char* Name;
  bool AllowLower;
  bool Needs;
};

void PrintTo(const TQuoteCase& c, std::ostream* os) {
  *os << '"' << Printable(c.Name) << '"' << (c.AllowLower ? " lower" : "");
}

class NeedsQuotesTest : public ::testing::TestWithParam<TQuoteCase> {};

TEST_P(NeedsQuotesTest, Decides) {
  const TQuoteCase& c = GetParam();
  EXPECT_EQ(NeedsQuotes(c.Name, c.AllowLower), c.Needs) << c.Name << " allowLower=" << c.AllowLower;
}

INSTANTIATE_TEST_SUITE_P(Names, NeedsQuotesTest,
                         ::testing::Values(TQuoteCase{"ORDER", false, true},  // reserved word
                                           TQuoteCase{"ORDERS", false, false},
                                           TQuoteCase{"1ABC", false, true},  // begins with a digit
                                           TQuoteCase{"A1", false, false},   // second character a digit
                                           TQuoteCase{"Name", false, true},  // lower case
                                           TQuoteCase{"Name", true, false},
                                           TQuoteCase{"order", true, true},  // a word in any case
                                           TQuoteCase{"", false, false}, TQuoteCase{"\"X\"", false, true},
                                           TQuoteCase{"MY FIELD", false, true},
                                           TQuoteCase{"CITY$#%_", false, false},
                                           TQuoteCase{"\xC8\xCC\xDF", false, true},  // Cyrillic letters
                                           TQuoteCase{"GEN_ID", false, true},        // from the function list
                                           TQuoteCase{"BIGINT", false, true},        // from the type list
                                           TQuoteCase{"FREE_IT", false, true},       // the last keyword
                                           TQuoteCase{"ACTIVE", false, true}));      // the first keyword

struct TFormatCase {
  int Dialect;
  const char* Name;
  const char* Formatted;
};

void PrintTo(const TFormatCase& c, std::ostream* os) {
  *os << "dialect " << c.Dialect << " \"" << c.Name << '"';
}

class FormatIdentifierTest : public ::testing::TestWithParam<TFormatCase> {};

TEST_P(FormatIdentifierTest, QuotesWhatNeedsQuotes) {
  const TFormatCase& c = GetParam();
  EXPECT_EQ(FormatIdentifier(c.Dialect, c.Name), c.Formatted);
}

INSTANTIATE_TEST_SUITE_P(Names, FormatIdentifierTest,
                         ::testing::Values(TFormatCase{1, " name ", "NAME"}, TFormatCase{1, "order", "ORDER"},
                                           TFormatCase{3, "NAME", "NAME"}, TFormatCase{3, "Name", "\"Name\""},
                                           TFormatCase{3, "ORDER", "\"ORDER\""}, TFormatCase{3, "", ""},
                                           TFormatCase{3, "My\"Field",
                                                       "\"My\"\"Field\""},  // inner quotes doubled
                                           TFormatCase{3, "\"Quoted\"", "\"Quoted\""}));  // already quoted

class FormatIdentifierUpperTest : public ::testing::TestWithParam<TFormatCase> {};

TEST_P(FormatIdentifierUpperTest, UpperCasesPlainNames) {
  const TFormatCase& c = GetParam();
  EXPECT_EQ(FormatIdentifierUpper(c.Dialect, c.Name, true), c.Formatted);
}

INSTANTIATE_TEST_SUITE_P(Names, FormatIdentifierUpperTest,
                         ::testing::Values(TFormatCase{3, "name", "NAME"},
                                           TFormatCase{3, "order", "\"order\""},
                                           TFormatCase{1, "order", "ORDER"},
                                           TFormatCase{3, "my field", "\"my field\""},
                                           TFormatCase{3, "\"x\"", "\"x\""}, TFormatCase{3, "", ""}));

TEST(FormatIdentifierUpper, WithoutLowerCaseAllowedMixedCaseIsQuoted) {
  EXPECT_EQ(FormatIdentifierUpper(3, "Name", false), "\"Name\"");
  EXPECT_EQ(FormatIdentifierUpper(3, "NAME", false), "NAME");
}

TEST(SqlWords, LookupIgnoresCase) {
  EXPECT_TRUE(IsSqlWord("select"));
  EXPECT_TRUE(IsSqlWord("CSTRING"));
  EXPECT_FALSE(IsSqlWord("SELECTED"));
  EXPECT_FALSE(IsSqlWord(""));
}

}  // namespace
