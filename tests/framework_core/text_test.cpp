#include "framework/core/text/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }

// --- Code page -------------------------------------------------------------

TEST(CodePage, EveryMappedByteSurvivesTheRoundTripThroughUtf8) {
  std::string all;
  for (int b = 1; b < 256; ++b) {
    if (b == 0x98) continue;
    all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(Byte(b))), Byte(b)) << "byte " << b;
    EXPECT_EQ(UnicodeToAnsiChar(AnsiCharToUnicode(static_cast<char>(b))), static_cast<char>(b))
        << "byte " << b;
  }
  EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
  // Zero is a character like any other inside a string.
  EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(std::string("a\0b", 3))), std::string("a\0b", 3));
}

TEST(CodePage, UpperHalfMatchesTheCodePageCharacterByCharacter) {
  // Written out independently of the table in the source, in byte order
  // 0x80..0xBF without the unmapped 0x98.
  const std::string expected =
      "ЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏ"
      "ђ‘’“”•–—™љ›њќћџ"
      "\u00A0ЎўЈ¤Ґ¦§Ё©Є«¬\u00AD®Ї"
      "°±Ііґµ¶·ё№є»јЅѕї"
      "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"
      "абвгдежзийклмнопрстуфхцчшщъыьэюя";
  std::string bytes;
  for (int b = 0x80; b < 0x100; ++b) {
    if (b != 0x98) bytes += static_cast<char>(b);
  }
  EXPECT_EQ(AnsiToUtf8(bytes), expected);
  EXPECT_EQ(Utf8ToAnsi(expected), bytes);
}

TEST(CodePage, UnmappedByteShowsAsReplacementCharacter) {
  EXPECT_EQ(AnsiCharToUnicode('\x98'), U'\uFFFD');
  EXPECT_EQ(AnsiToUtf8("\x98"), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToAnsi("\xEF\xBF\xBD"), "?");
}

TEST(CodePage, RussianLiteralsBecomeWindows1251) {
  EXPECT_EQ(RU("Ёж"), "\xA8\xE6");
  EXPECT_EQ(RU("№ 5"), "\xB9 5");
  EXPECT_EQ(RU("plain"), "plain");
}

struct TBadUtf8Case {
  const char* Name;
  std::string Input;
  std::string Expected;
};

class Utf8ToAnsiBadInput : public testing::TestWithParam<TBadUtf8Case> {};

TEST_P(Utf8ToAnsiBadInput, BecomesQuestionMarksWithoutLosingWhatFollows) {
  EXPECT_EQ(Utf8ToAnsi(GetParam().Input), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8ToAnsiBadInput,
                         testing::Values(TBadUtf8Case{"GreekOmegaNotInCodePage", "a\u03A9b", "a?b"},
                                         TBadUtf8Case{"FourByteEmoji", "x\U0001F600y", "x?y"},
                                         TBadUtf8Case{"TruncatedAtEnd", "ab\xD0", "ab?"},
                                         TBadUtf8Case{"TruncatedBeforeAscii", "\xE2\x82z", "?z"},
                                         TBadUtf8Case{"LoneContinuationByte", "\x80q", "?q"},
                                         TBadUtf8Case{"OverlongSlash", "\xC0\xAF!",
                                                      "?"
                                                      "?!"},
                                         TBadUtf8Case{"OverlongThreeByte", "\xE0\x80\xAF", "?"},
                                         TBadUtf8Case{"EncodedSurrogate", "\xED\xA0\x80.", "?."},
                                         TBadUtf8Case{"BeyondUnicode", "\xF4\x90\x80\x80", "?"},
                                         TBadUtf8Case{"InvalidLeadByte", "\xFF\xFE", "??"},
                                         TBadUtf8Case{"CyrillicAfterBadByte", "\xFF\xD0\x96", "?\xC6"}),
                         [](const auto& info) { return std::string(info.param.Name); });

// --- Case ------------------------------------------------------------------

struct TCasePair {
  const char* Upper;
  const char* Lower;
};

class AnsiCaseFolding : public testing::TestWithParam<TCasePair> {};

TEST_P(AnsiCaseFolding, MapsBothWays) {
  const std::string upper = RU(GetParam().Upper);
  const std::string lower = RU(GetParam().Lower);
  ASSERT_EQ(upper.size(), 1u);
  ASSERT_EQ(lower.size(), 1u);
  EXPECT_EQ(AnsiUpperChar(lower[0]), upper[0]);
  EXPECT_EQ(AnsiLowerChar(upper[0]), lower[0]);
  EXPECT_EQ(AnsiUpperChar(upper[0]), upper[0]);
  EXPECT_EQ(AnsiLowerChar(lower[0]), lower[0]);
  EXPECT_TRUE(AnsiSameText(upper, lower));
  EXPECT_FALSE(AnsiSameStr(upper, lower));
  EXPECT_LT(AnsiCompareStr(lower, upper), 0);
  EXPECT_EQ(AnsiCompareText(lower, upper), 0);
}

INSTANTIATE_TEST_SUITE_P(Letters, AnsiCaseFolding,
                         testing::Values(TCasePair{"A", "a"}, TCasePair{"Z", "z"}, TCasePair{"А", "а"},
                                         TCasePair{"Я", "я"}, TCasePair{"П", "п"}, TCasePair{"Р", "р"},
                                         TCasePair{"Ё", "ё"}, TCasePair{"Ђ", "ђ"}, TCasePair{"Ѓ", "ѓ"},
                                         TCasePair{"Љ", "љ"}, TCasePair{"Њ", "њ"}, TCasePair{"Ќ", "ќ"},
                                         TCasePair{"Ћ", "ћ"}, TCasePair{"Џ", "џ"}, TCasePair{"Ў", "ў"},
                                         TCasePair{"Ј", "ј"}, TCasePair{"Ґ", "ґ"}, TCasePair{"Є", "є"},
                                         TCasePair{"І", "і"}, TCasePair{"Ї", "ї"}, TCasePair{"Ѕ", "ѕ"}));

TEST(AnsiCase, LeavesDigitsSymbolsAndTheMicroSignAlone) {
  const std::string others = RU("0123456789 .,-_№«»µ§©") + "\xA0\x98";
  EXPECT_EQ(AnsiUpperCase(others), others);
  EXPECT_EQ(AnsiLowerCase(others), others);
}

TEST(AnsiCase, FoldsWholeTexts) {
  EXPECT_EQ(AnsiUpperCase(RU("Ёлка и ґанок, Street")), RU("ЁЛКА И ҐАНОК, STREET"));
  EXPECT_EQ(AnsiLowerCase(RU("ІВАН ЇЖАК")), RU("іван їжак"));
}

TEST(AsciiCase, TouchesOnlyLatinLetters) {
  EXPECT_EQ(UpperCase(RU("abc абв ё")), RU("ABC абв ё"));
  EXPECT_EQ(LowerCase(RU("ABC АБВ Ё")), RU("abc АБВ Ё"));
}

// --- Collation -------------------------------------------------------------

std::vector<std::string> Shuffled(std::vector<std::string> v) {
  std::mt19937 rng(12345);
  std::shuffle(v.begin(), v.end(), rng);
  return v;
}

TEST(AnsiCollation, SortsDigitsThenLatinThenCyrillicAlphabetically) {
  std::vector<std::string> expected;
  for (const char* s : {"",  " ", "-", "0", "09", "1", "9", "a", "Z", "zz", "а", "Б",
                        "в", "г", "ґ", "Д", "е",  "Ё", "ж", "и", "і", "ї",  "й", "Я"}) {
    expected.push_back(RU(s));
  }
  std::vector<std::string> v = Shuffled(expected);
  std::sort(v.begin(), v.end(),
            [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; });
  EXPECT_EQ(v, expected);
}

TEST(AnsiCollation, SortsYoWithYeAndBeforeTheLongerWord) {
  // Ё ties with Е on the letter level; only an otherwise equal word puts Е first.
  EXPECT_LT(AnsiCompareText(RU("Еж"), RU("Ёж")), 0);
  EXPECT_LT(AnsiCompareText(RU("Ёж"), RU("Ежи")), 0);
  EXPECT_LT(AnsiCompareText(RU("Ёлка"), RU("Ель")), 0);
  EXPECT_LT(AnsiCompareText(RU("Ежевика"), RU("Ёлка")), 0);
  EXPECT_GT(AnsiCompareText(RU("Ёж"), RU("Дом")), 0);
  EXPECT_LT(AnsiCompareText(RU("Ёж"), RU("Жук")), 0);
  EXPECT_NE(AnsiCompareText(RU("ёж"), RU("Еж")), 0);
  EXPECT_FALSE(AnsiSameText(RU("ёж"), RU("еж")));
}

TEST(AnsiCollation, CaseOnlyBreaksTiesLowerFirst) {
  EXPECT_LT(AnsiCompareStr("a", "A"), 0);
  EXPECT_LT(AnsiCompareStr("A", "b"), 0);  // the letter decides before the case
  EXPECT_LT(AnsiCompareStr("a", "B"), 0);
  EXPECT_LT(AnsiCompareStr(RU("иван"), RU("Иван")), 0);
  EXPECT_LT(AnsiCompareStr(RU("Иван"), RU("иваненко")), 0);
  EXPECT_LT(AnsiCompareStr(RU("іа"), RU("Іа")), 0);
  EXPECT_GT(AnsiCompareStr(RU("Петров"), RU("петров")), 0);
  EXPECT_EQ(AnsiCompareStr(RU("Петров"), RU("Петров")), 0);
  // The first case difference decides, even when a later one points the other way.
  EXPECT_LT(AnsiCompareStr("aB", "Ab"), 0);
}

TEST(AnsiCollation, IsATotalOrderOverAllSingleBytesAndPairs) {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const std::string x = Byte(a), y = Byte(b);
      const int str = AnsiCompareStr(x, y);
      const int text = AnsiCompareText(x, y);
      ASSERT_EQ(str, -AnsiCompareStr(y, x)) << a << " " << b;
      ASSERT_EQ(text, -AnsiCompareText(y, x)) << a << " " << b;
      ASSERT_EQ(str == 0, a == b) << a << " " << b;
      ASSERT_EQ(text == 0, AnsiUpperChar(x[0]) == AnsiUpperChar(y[0])) << a << " " << b;
      ASSERT_EQ(text == 0, AnsiSameText(x, y)) << a << " " << b;
      if (text != 0) {
        ASSERT_EQ(str, text) << a << " " << b;  // case never overrides the letter
      }
    }
  }
  // Sorting every byte must be consistent with every pairwise comparison.
  std::vector<std::string> bytes;
  for (int b = 0; b < 256; ++b) bytes.push_back(Byte(b));
  std::vector<std::string> sorted = Shuffled(bytes);
  std::sort(sorted.begin(), sorted.end(),
            [](const std::string& a, const std::string& b) { return AnsiCompareStr(a, b) < 0; });
  for (std::size_t i = 0; i + 1 < sorted.size(); ++i) {
    for (std::size_t j = i + 1; j < sorted.size(); ++j) ASSERT_LT(AnsiCompareStr(sorted[i], sorted[j]), 0);
  }
}

TEST(AsciiCompare, ComparesBytesAndFoldsOnlyLatin) {
  EXPECT_LT(CompareStr("A", "a"), 0);
  EXPECT_GT(CompareStr("\xE0", "z"), 0);  // bytes compare unsigned
  EXPECT_LT(CompareStr("ab", "abc"), 0);
  EXPECT_EQ(CompareText("Hello", "hELLO"), 0);
  EXPECT_TRUE(SameText("Hello", "hELLO"));
  EXPECT_FALSE(SameText(RU("Ж"), RU("ж")));
  EXPECT_FALSE(SameText("ab", "abc"));
}

// --- Collation keys --------------------------------------------------------

// Texts whose keys are compared pairwise, each pair both ways.
struct SortKeyCase {
  const char* Name;
  std::vector<std::string> (*Texts)();
  friend void PrintTo(const SortKeyCase& c, std::ostream* os) { *os << c.Name; }
};

// Every text of up to three characters over letters that differ only in
// case or in the Ё mark, with the lowest and highest bytes beside them.
std::vector<std::string> ShortTextsOverMarkedLetters() {
  const std::string alphabet = RU("еЕёЁaA") + std::string("\0\xFF", 2);
  std::vector<std::string> texts{""};
  for (std::size_t from = 0, length = 1; length <= 3; ++length) {
    const std::size_t to = texts.size();
    for (std::size_t i = from; i < to; ++i)
      for (char c : alphabet) texts.push_back(texts[i] + c);
    from = to;
  }
  return texts;
}

std::vector<std::string> EverySingleByte() {
  std::vector<std::string> texts;
  for (int b = 0; b < 256; ++b) texts.push_back(Byte(b));
  return texts;
}

// Words and phrases as grid columns hold them: shared beginnings, any case,
// Ё here and there, digits and blanks, and any byte at all now and then.
std::vector<std::string> RandomWords() {
  std::mt19937 rng(2024);
  const std::string letters = RU("АаБбЕеЁёЖжИиЙйЯяЪъ") + "AaZz09 -.";
  const std::vector<std::string> stems{"", RU("Петров"), RU("петров"), RU("Ёлкин"), RU("ЕЛКИН"), "Smith"};
  std::vector<std::string> texts;
  for (int i = 0; i < 700; ++i) {
    std::string s = stems[rng() % stems.size()];
    for (std::size_t k = rng() % 6; k > 0; --k)
      s += rng() % 10 == 0 ? static_cast<char>(rng() % 256) : letters[rng() % letters.size()];
    texts.push_back(std::move(s));
  }
  return texts;
}

class AnsiSortKeys : public ::testing::TestWithParam<SortKeyCase> {};

int Sign(int value) { return (value > 0) - (value < 0); }

TEST_P(AnsiSortKeys, ByteOrderOfKeysIsTheCollationOrder) {
  const std::vector<std::string> texts = GetParam().Texts();
  std::vector<std::string> strKeys, textKeys;
  for (const std::string& s : texts) {
    strKeys.push_back(AnsiSortKeyStr(s));
    textKeys.push_back(AnsiSortKeyText(s));
    std::string appended = "prefix";
    AppendAnsiSortKey(appended, s, true);
    ASSERT_EQ(appended, "prefix" + strKeys.back());
  }
  for (std::size_t i = 0; i < texts.size(); ++i) {
    for (std::size_t j = 0; j < texts.size(); ++j) {
      ASSERT_EQ(Sign(CompareStr(strKeys[i], strKeys[j])), AnsiCompareStr(texts[i], texts[j]))
          << AnsiToUtf8(texts[i]) << " | " << AnsiToUtf8(texts[j]);
      ASSERT_EQ(Sign(CompareStr(textKeys[i], textKeys[j])), AnsiCompareText(texts[i], texts[j]))
          << AnsiToUtf8(texts[i]) << " | " << AnsiToUtf8(texts[j]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, AnsiSortKeys,
                         ::testing::Values(SortKeyCase{"EverySingleByte", EverySingleByte},
                                           SortKeyCase{"ShortTextsOverMarkedLetters",
                                                       ShortTextsOverMarkedLetters},
                                           SortKeyCase{"RandomWords", RandomWords}),
                         [](const auto& info) { return std::string(info.param.Name); });

// --- Editing and searching -------------------------------------------------

TEST(TextEditing, TrimRemovesControlCharactersAndBlanksOnly) {
  EXPECT_EQ(Trim("\t  a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  a  "), "a  ");
  EXPECT_EQ(TrimRight("  a  "), "  a");
  EXPECT_EQ(Trim(std::string("\0 x\0", 4)), "x");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // a no-break space is text
  EXPECT_EQ(Trim("   "), "");
}

TEST(TextEditing, PosAndCopyCountFromOne) {
  EXPECT_EQ(Pos("b", "abcb"), 2);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(AnsiPos(RU("ж"), RU("ёжик")), 2);
  EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Copy("abcdef", 0, 2), "ab");
  EXPECT_EQ(Copy("abcdef", 5, 100), "ef");
  EXPECT_EQ(Copy("abcdef", 7, 1), "");
  EXPECT_EQ(Copy("abcdef", 2, -1), "");
  EXPECT_EQ(StringOfChar('x', 3), "xxx");
  EXPECT_EQ(StringOfChar('x', -1), "");
}

TEST(TextEditing, StringReplaceHonoursItsFlags) {
  using F = TReplaceFlag;
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", {}), "a+b-c");
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", {F::rfReplaceAll}), "a+b+c");
  EXPECT_EQ(StringReplace("aXbxc", "x", "__", {F::rfReplaceAll}), "aXb__c");
  EXPECT_EQ(StringReplace("aXbxc", "x", "__", {F::rfReplaceAll, F::rfIgnoreCase}), "a__b__c");
  EXPECT_EQ(StringReplace(RU("Ёж ёж еж"), RU("ЁЖ"), "*", {F::rfReplaceAll, F::rfIgnoreCase}), RU("* * еж"));
  EXPECT_EQ(StringReplace("aaa", "aa", "a", {F::rfReplaceAll}), "aa");  // no rescanning of the result
  EXPECT_EQ(StringReplace("abc", "", "x", {F::rfReplaceAll}), "abc");
}

TEST(TextEditing, QuotingDoublesInnerQuotesAndDequotingUndoesIt) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
  EXPECT_EQ(AnsiDequotedStr("'it''s'", '\''), "it's");
  EXPECT_EQ(AnsiDequotedStr("\"a\"\"b\" tail", '"'), "a\"b");
  EXPECT_EQ(AnsiDequotedStr("plain", '\''), "plain");
  EXPECT_EQ(AnsiDequotedStr("'unterminated", '\''), "'unterminated");
}

TEST(TextEditing, DequotingAQuotedEmptyTextGivesAnEmptyText) {
  EXPECT_EQ(AnsiDequotedStr("''", '\''), "");
  EXPECT_EQ(AnsiDequotedStr(QuotedStr(""), '\''), "");
}

}  // namespace
