#include "dbaccess/util/helpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "framework/core/component/component.h"
#include "framework/core/text/datetime.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/component/strings.h"
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

// ---- Text ------------------------------------------------------------------

TEST(TextHelpers, BlankMeansOnlyControlCharactersAndSpaces) {
  EXPECT_TRUE(IsBlankText(""));
  EXPECT_TRUE(IsBlankText(" \t\r\n"));
  EXPECT_FALSE(IsBlankText(" x "));
  EXPECT_FALSE(IsBlankText(RU("  я")));  // bytes above 127 are letters, not control codes
}

TEST(TextHelpers, TrimKeepsCyrillicLetters) {
  std::string s = RU(" \tЯ ");
  TrimInPlace(s);
  EXPECT_EQ(s, RU("Я"));
  std::string r = " a \r\n";
  TrimRightInPlace(r);
  EXPECT_EQ(r, " a");
  EXPECT_EQ(TrimmedCLength("ab  \t"), 2u);
  EXPECT_EQ(TrimmedCLength(nullptr), 0u);
}

TEST(TextHelpers, TrimBoundsOfBlankTextIsAnEmptyRange) {
  int first = 0, last = 0;
  TrimBounds("  ab c ", first, last);
  EXPECT_EQ(first, 3);
  EXPECT_EQ(last, 6);
  TrimBounds("   ", first, last);
  EXPECT_EQ(last - first + 1, 0);
}

TEST(TextHelpers, AsciiCaseFoldingLeavesOtherBytes) {
  EXPECT_EQ(AsciiUpper(RU("abc_я")), RU("ABC_я"));
  std::string s = RU("ABC_Я");
  AsciiLowerInPlace(s);
  EXPECT_EQ(s, RU("abc_Я"));
}

TEST(TextHelpers, NameValueSplitsAtTheFirstEquals) {
  std::string name, value;
  SplitNameValue("a=b=c", name, value);
  EXPECT_EQ(name, "a");
  EXPECT_EQ(value, "b=c");
  SplitNameValue("plain", name, value);
  EXPECT_EQ(name, "plain");
  EXPECT_EQ(value, "");
  EXPECT_EQ(ValueAfterEquals("x=1"), "1");
  EXPECT_EQ(ValueAfterEquals("x"), "");
}

TEST(TextHelpers, CopyIntoClampsToTheSource) {
  std::string dst = "old";
  CopyInto("abcdef", dst, 5, 10);
  EXPECT_EQ(dst, "ef");
  CopyInto("abc", dst, 4, 1);
  EXPECT_EQ(dst, "");
}

struct TSameCase {
  const char* A;
  const char* B;
  bool Exact;
  bool Same;
};

void PrintTo(const TSameCase& c, std::ostream* os) {
  *os << '"' << Printable(c.A) << "\" / \"" << Printable(c.B) << '"' << (c.Exact ? " exact" : "");
}

class SameTextAsciiTest : public ::testing::TestWithParam<TSameCase> {};

TEST_P(SameTextAsciiTest, OnlyLettersDifferingByCaseAreEqual) {
  const TSameCase& c = GetParam();
  EXPECT_EQ(SameTextAscii(c.A, c.B, c.Exact), c.Same) << c.A << " / " << c.B;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SameTextAsciiTest,
    ::testing::Values(TSameCase{"Select", "SELECT", false, true}, TSameCase{"Select", "SELECT", true, false},
                      TSameCase{"0", "P", false, false},  // 32 apart, not letters
                      TSameCase{"@", "`", false, false}, TSameCase{"[", "{", false, false},
                      TSameCase{"\xC0", "\xE0", false, false},  // Cyrillic А/а
                      TSameCase{"ab", "abc", false, false}, TSameCase{"", "", false, true}));

TEST(TextHelpers, SameWordComparesByLocaleWhenAsked) {
  EXPECT_TRUE(SameWord(true, RU("Ёлка"), RU("ЁЛКА")));
  EXPECT_FALSE(SameWord(false, RU("Ёлка"), RU("ЁЛКА")));
  EXPECT_FALSE(SameWord(true, "ab", "abc"));
  EXPECT_TRUE(IsInWordList("AND", {"OR", "AND"}));
  EXPECT_FALSE(IsInWordList("and", {"OR", "AND"}));
}

// ---- Searching ---------------------------------------------------------------

TEST(SearchHelpers, PositionsAreOneBased) {
  EXPECT_EQ(PosNoCase(RU("где"), RU("Select ГДЕ")), 8);
  EXPECT_EQ(PosNoCase("", "abc"), 0);
  EXPECT_EQ(PosFrom("a", "abca", 2), 4);
  EXPECT_EQ(PosFrom("a", "abca", 5), 0);
  EXPECT_EQ(PosEx("ca", "abcabca", 2, 3), 3);
  EXPECT_EQ(PosEx("ca", "abcabca", 4, 3), 0);  // the window "abc" holds only half of the next "ca"
  EXPECT_EQ(FirstPosOfAny(";,", "a,b;c"), 2);
  EXPECT_EQ(FirstPosOfAny(";", "abc"), 0);
}

TEST(SearchHelpers, WholeWordSkipsOccurrencesInsideOtherWords) {
  const char* delimiters = " \r\n(";
  EXPECT_EQ(PosWholeWord("from", "select fromage from t", delimiters, delimiters), 16);
  EXPECT_EQ(PosWholeWord("FROM", "from t", delimiters, delimiters), 1);
  EXPECT_EQ(PosWholeWord("t", "from t", delimiters, delimiters), 6);
  EXPECT_EQ(PosWholeWord("from", "fromage", delimiters, delimiters), 0);
}

TEST(ReplaceHelpers, ReplaceAllKeepsTheTextsOwnCase) {
  EXPECT_EQ(ReplaceAll("a.b.c", ".", "::"), "a::b::c");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAllNoCase("Select x From t FROM", "from", "of"), "Select x of t of");
  EXPECT_EQ(ReplaceAllNoCase(RU("Улица улица"), RU("УЛИЦА"), "st"), "st st");
}

TEST(WordHelpers, WordsAreSeparatedByRunsOfDelimiters) {
  EXPECT_EQ(WordAt(2, ",a,,b", ","), "b");
  EXPECT_EQ(WordCount(",a,,b", ","), 2);
  EXPECT_EQ(WordAt(1, "whole", ","), "whole");
  EXPECT_EQ(WordAt(3, "a b", " "), "");
  EXPECT_EQ(WordAt(0, "a b", " "), "");
  EXPECT_EQ(WordCount("", ","), 0);
  EXPECT_EQ(WordCount(" ;a; b ;", " ;"), 2);
  EXPECT_EQ(WordAt(2, " ;a; b ;", " ;"), "b");
}

// ---- Wildcards -----------------------------------------------------------------

struct TMaskCase {
  const char* Text;
  const char* Mask;
  bool Matches;
};

void PrintTo(const TMaskCase& c, std::ostream* os) { *os << '"' << c.Text << "\" ~ \"" << c.Mask << '"'; }

class MatchesMaskTest : public ::testing::TestWithParam<TMaskCase> {};

TEST_P(MatchesMaskTest, OnlyTheMasksWildcardsAreWild) {
  const TMaskCase& c = GetParam();
  EXPECT_EQ(MatchesMask(c.Text, c.Mask), c.Matches) << '"' << c.Text << "\" ~ \"" << c.Mask << '"';
}

INSTANTIATE_TEST_SUITE_P(Cases, MatchesMaskTest,
                         ::testing::Values(TMaskCase{"abc", "abc", true}, TMaskCase{"abc", "a*", true},
                                           TMaskCase{"abc", "a?c", true}, TMaskCase{"abc", "*c", true},
                                           TMaskCase{"abc", "*d", false}, TMaskCase{"abc", "*b*", true},
                                           TMaskCase{"", "*", true}, TMaskCase{"", "", true},
                                           TMaskCase{"a", "", false},
                                           TMaskCase{"mississippi", "m*iss*ppi", true},
                                           TMaskCase{"mississippi", "m*iss*x", false},
                                           // wildcards in the data are ordinary characters
                                           TMaskCase{"a*", "abc", false}, TMaskCase{"x?z", "xyz", false},
                                           TMaskCase{"a*c", "a?c", true}, TMaskCase{"*", "*", true},
                                           // a "?" next to a "*" still needs its character
                                           TMaskCase{"", "*?", false}, TMaskCase{"a", "*?", true},
                                           TMaskCase{"a", "?*?", false}, TMaskCase{"ab", "?*?", true},
                                           TMaskCase{"ab", "**?**", true}, TMaskCase{"", "?**", false}));

TEST(Wildcards, CompressingKeepsTheMasksMeaning) {
  EXPECT_EQ(CompressWildcards("a**b"), "a*b");
  EXPECT_EQ(CompressWildcards("*?"), "?*");
  EXPECT_EQ(CompressWildcards("?*?*x"), "??*x");
  EXPECT_EQ(CompressWildcards("??"), "??");
  EXPECT_EQ(CompressWildcards("abc"), "abc");
  EXPECT_EQ(CompressWildcards("%%_%", '%', '_'), "_%");
}

TEST(Wildcards, PercentMatchesAnyRun) {
  EXPECT_TRUE(MatchesPercent(RU("ИВАНОВ"), RU("ИВ%")));
  EXPECT_TRUE(MatchesPercent("abc", "%b%"));
  EXPECT_FALSE(MatchesPercent("abc", "%d"));
  EXPECT_TRUE(MatchesLike("a_c", "a_c", '%', '_'));
  EXPECT_TRUE(MatchesLike("abc", "a_c", '%', '_'));
}

TEST(Wildcards, IndexOfMaskFindsTheFirstMatchingMask) {
  TStringList masks;
  masks.Add("FDS*");
  masks.Add("Q?");
  EXPECT_EQ(IndexOfMask(masks, "qa", false), 1);
  EXPECT_EQ(IndexOfMask(masks, "qa", true), -1);
  EXPECT_EQ(IndexOfMask(masks, "FDSHOME", true), 0);
  EXPECT_EQ(IndexOfMask(masks, "X", false), -1);
}

// ---- String lists ----------------------------------------------------------------

TEST(ListHelpers, EmptyLinesAndEmptyLists) {
  TStringList list;
  EXPECT_TRUE(IsEmptyStrings(list));
  list.Add("");
  list.Add("a");
  list.Add("");
  EXPECT_FALSE(IsEmptyStrings(list));
  DeleteEmptyLines(list);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Strings(0), "a");
}

TEST(ListHelpers, NamesMissingFromKeepsObjects) {
  TObject x, z;
  TStringList a;
  a.AddObject("X", &x);
  a.AddObject("Y", nullptr);
  a.AddObject("Z", &z);
  for (bool sorted : {false, true}) {
    TStringList b;
    b.Add("Y");
    b.Add("W");
    b.SetSorted(sorted);
    TStringList result;
    result.Add("stale");
    NamesMissingFrom(a, b, result);
    ASSERT_EQ(result.Count(), 2) << sorted;
    EXPECT_EQ(result.Strings(0), "X");
    EXPECT_EQ(result.Objects(0), &x);
    EXPECT_EQ(result.Strings(1), "Z");
    EXPECT_EQ(result.Objects(1), &z);
  }
}

TEST(ListHelpers, FindInSortedRangeSearchesOnlyTheRange) {
  TStringList list;
  for (const char* s : {"a", "b", "b", "c", "e"}) list.Add(s);
  list.SetSorted(true);
  int index = -1;
  EXPECT_TRUE(FindInSortedRange(list, "B", 0, index, 4));  // ignoring case like the list
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(FindInSortedRange(list, "d", 0, index, 4));
  EXPECT_EQ(index, 4);
  EXPECT_FALSE(FindInSortedRange(list, "a", 1, index, 4));
  EXPECT_TRUE(FindInSortedRange(list, "e", 0, index, 100));  // past the end is clamped
  EXPECT_EQ(index, 4);
  list.SetCaseSensitive(true);
  EXPECT_FALSE(FindInSortedRange(list, "B", 0, index, 4));
}

// ---- Dates ------------------------------------------------------------------------

class DateTextTest : public ::testing::Test {
 protected:
  TFormatSettingsScope FScope{TFormatSettings::Russian()};
};

TEST_F(DateTextTest, NormalizesTheThreeNotations) {
  std::string result;
  NormalizeDateTimeText("25.12.2003", TDateTimeTextKind::Date, result);
  EXPECT_EQ(result, "25.12.2003");
  NormalizeDateTimeText("12/25/2003", TDateTimeTextKind::Date, result);
  EXPECT_EQ(result, "25.12.2003");
  NormalizeDateTimeText("25-DEC-2003", TDateTimeTextKind::Date, result);
  EXPECT_EQ(result, "25.12.2003");
  NormalizeDateTimeText("12/25/2003 10:20:30", TDateTimeTextKind::DateTime, result);
  EXPECT_EQ(result, "25.12.2003 10:20:30");
  NormalizeDateTimeText("9:5:7", TDateTimeTextKind::Time, result);
  EXPECT_EQ(result, "9:05:07");
}

TEST_F(DateTextTest, TextsWithoutADateNotationAreUpperCased) {
  std::string result = "kept";
  NormalizeDateTimeText("   ", TDateTimeTextKind::Date, result);
  EXPECT_EQ(result, "kept");
  NormalizeDateTimeText("today", TDateTimeTextKind::Date, result);
  EXPECT_EQ(result, "TODAY");
}

TEST_F(DateTextTest, AFailedParseLeavesTheSettingsAsTheyWere) {
  std::string result;
  EXPECT_THROW(NormalizeDateTimeText("31/31/2003", TDateTimeTextKind::Date, result), EConvertError);
  EXPECT_EQ(FormatSettings().ShortDateFormat, TFormatSettings::Russian().ShortDateFormat);
  EXPECT_EQ(FormatSettings().DateSeparator, '.');
  EXPECT_EQ(FormatSettings().TimeSeparator, TFormatSettings::Russian().TimeSeparator);
}

TEST_F(DateTextTest, MonthNamesBecomeNumbers) {
  EXPECT_EQ(MonthNamesToNumbers("25-DEC-2003"), "25.12.2003");
  EXPECT_EQ(MonthNamesToNumbers("1-may-2004"), "1.05.2004");
}

TEST_F(DateTextTest, DateWithFormatUsesTheGivenOrder) {
  EXPECT_EQ(StrToDateWithFormat("12.25.2003", "mm/dd/yyyy"), EncodeDate(2003, 12, 25));
  EXPECT_EQ(FormatSettings().ShortDateFormat, TFormatSettings::Russian().ShortDateFormat);
}

TEST(DateHelpers, TimeStampWithoutDateIsAPureTime) {
  EXPECT_DOUBLE_EQ(TimeStampToDateTimeSafe(TTimeStamp{MSecsPerDay / 2, 0}), 0.5);
  EXPECT_DOUBLE_EQ(TimeStampToDateTimeSafe(TTimeStamp{0, DateDelta + 1}), 1.0);
}

// ---- Components ----------------------------------------------------------------------

TEST(ComponentHelpers, PathJoinsNamedOwnersOutermostFirst) {
  auto form = std::make_unique<TComponent>(nullptr);
  form->SetName("F");
  TComponent* holder = new TComponent(form.get());  // unnamed: skipped
  TComponent* query = new TComponent(holder);
  query->SetName("Q");
  EXPECT_EQ(ComponentPath(query), "F.Q");
  EXPECT_EQ(ComponentPath(form.get()), "F");
  EXPECT_EQ(ComponentPath(holder), "F");
  EXPECT_EQ(ComponentPath(nullptr), "");
}

// A component whose loading flag the test sets by hand.
class TFlaggedComponent : public TComponent {
 public:
  using TComponent::TComponent;
  void SetLoading(bool loading) {
    if (loading)
      IncludeComponentState(TComponentStateItem::csLoading);
    else
      ExcludeComponentState(TComponentStateItem::csLoading);
  }
};

TEST(ComponentHelpers, LoadingOwnerCountsForItsComponents) {
  auto form = std::make_unique<TFlaggedComponent>(nullptr);
  TComponent* panel = new TComponent(form.get());
  TComponent* field = new TComponent(panel);
  EXPECT_FALSE(IsLoadingOwner(field));
  form->SetLoading(true);
  EXPECT_TRUE(IsLoadingOwner(field));
  EXPECT_TRUE(IsLoadingOwner(form.get()));
  form->SetLoading(false);
  EXPECT_FALSE(IsLoadingOwner(field));
  EXPECT_FALSE(IsLoadingOwner(nullptr));
}

TEST(ComponentHelpers, ComponentsOfALoadingScopeAreLoadingUntilFinished) {
  std::unique_ptr<TComponent> form;
  {
    TLoadingScope scope;
    form = std::make_unique<TComponent>(nullptr);
    EXPECT_TRUE(IsLoadingOwner(form.get()));
    scope.Finish();
  }
  EXPECT_FALSE(IsLoadingOwner(form.get()));
}

// ---- Small things -----------------------------------------------------------------------

TEST(MiscHelpers, RandomDigitsHaveTheAskedLength) {
  for (int n : {0, 1, 10, 25}) {
    const std::string s = RandomDigits(n);
    EXPECT_EQ(static_cast<int>(s.size()), n);
    EXPECT_EQ(s.find_first_not_of("0123456789"), std::string::npos);
  }
  EXPECT_EQ(RandomDigits(-3), "");
}

TEST(MiscHelpers, MakeInt64JoinsTheHalves) {
  EXPECT_EQ(MakeInt64(-1, 0xFFFFFFFFu), -1);
  EXPECT_EQ(MakeInt64(1, 0), std::int64_t(1) << 32);
  EXPECT_EQ(MakeInt64(0, 0x80000000u), std::int64_t(0x80000000));
  EXPECT_EQ(SignOf(-5), -1);
  EXPECT_EQ(SignOf(0), 0);
  EXPECT_EQ(IfThen(false, "a", "b"), "b");
}

TEST(RawBuffers, GrowingZeroFillsAndShrinkingKeepsThePrefix) {
  TMallocPtr<unsigned char> buffer;
  ReallocZeroed(buffer, 0, 4);
  ASSERT_NE(buffer, nullptr);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(buffer.get()[i], 0);
  std::memset(buffer.get(), 0xAB, 4);
  ReallocZeroed(buffer, 4, 64);
  EXPECT_EQ(buffer.get()[3], 0xAB);
  for (int i = 4; i < 64; ++i) EXPECT_EQ(buffer.get()[i], 0) << i;
  ReallocZeroed(buffer, 64, 2);
  EXPECT_EQ(buffer.get()[1], 0xAB);
  ReallocZeroed(buffer, 2, 0);
  EXPECT_EQ(buffer, nullptr);
}

}  // namespace
