// The edit-mask language: parsing, laying values into the edit text, taking
// values out of it, character checks and the required-position check.

#include "grid/editors/edit_mask.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

TFormatSettings PointDates() {
  TFormatSettings settings;
  settings.DateSeparator = '.';
  settings.TimeSeparator = ':';
  return settings;
}

struct TParseCase {
  std::string Mask;
  int MaxChars;
  bool Save;
  char Blank;
  std::string EmptyText;
};
void PrintTo(const TParseCase& c, std::ostream* os) { *os << '"' << c.Mask << '"'; }

class EditMaskParse : public ::testing::TestWithParam<TParseCase> {};

TEST_P(EditMaskParse, CountsPositionsAndReadsTheTrailingFields) {
  const TParseCase& c = GetParam();
  const TEditMask mask(c.Mask, PointDates());
  EXPECT_EQ(mask.MaxChars(), c.MaxChars);
  EXPECT_EQ(mask.SaveLiterals(), c.Save);
  EXPECT_EQ(mask.Blank(), c.Blank);
  EXPECT_EQ(mask.EmptyText(), c.EmptyText);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, EditMaskParse,
    ::testing::Values(TParseCase{"!99/99/00;1;_", 8, true, '_', "__.__.__"},
                      TParseCase{"!99/99/00;0;_", 8, false, '_', "__.__.__"},
                      TParseCase{"00:00;1;*", 5, true, '*', "**:**"},
                      TParseCase{">LL", 2, true, '_', "__"},
                      // three characters or fewer: no fields at all
                      TParseCase{"0;0", 3, true, '_', "_;_"},
                      TParseCase{"000", 3, true, '_', "___"},
                      TParseCase{"(999) 000;0; ", 9, false, ' ', "(   )    "},
                      TParseCase{"\\0\\!00;1", 4, true, '_', "0!__"},
                      TParseCase{"<>aa\\;;0", 3, false, '_', "__;"},
                      TParseCase{"+7 000;1;", 6, true, '_', "+7 ___"}));

struct TAcceptCase {
  std::string Mask;
  char Typed;
  char Stored;  // 0: refused
};
void PrintTo(const TAcceptCase& c, std::ostream* os) { *os << '"' << c.Mask << "\" <- '" << c.Typed << "'"; }

class EditMaskAccept : public ::testing::TestWithParam<TAcceptCase> {};

TEST_P(EditMaskAccept, TestsAndConvertsTheTypedCharacter) {
  const TAcceptCase& c = GetParam();
  EXPECT_EQ(TEditMask(c.Mask).Accept(0, c.Typed), c.Stored);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, EditMaskAccept,
    ::testing::Values(TAcceptCase{"0", '5', '5'}, TAcceptCase{"0", 'a', 0}, TAcceptCase{"9", ' ', 0},
                      TAcceptCase{"#", ' ', ' '}, TAcceptCase{"#", '-', '-'}, TAcceptCase{"#", '+', '+'},
                      TAcceptCase{"#", 'x', 0}, TAcceptCase{"L", '1', 0}, TAcceptCase{"l", 'q', 'q'},
                      TAcceptCase{"L", '\xE6', '\xE6'},  // a Cyrillic letter
                      TAcceptCase{"A", '7', '7'}, TAcceptCase{"a", '-', 0}, TAcceptCase{"C", '-', '-'},
                      TAcceptCase{"c", ' ', ' '}, TAcceptCase{">L", 'q', 'Q'},
                      TAcceptCase{">L", '\xE6', '\xC6'}, TAcceptCase{"<L", 'Q', 'q'},
                      TAcceptCase{"><>L", 'q', 'q'}, TAcceptCase{"<><L", 'Q', 'q'}, TAcceptCase{"x", 'y', 'x'}));

struct TValueCase {
  std::string Mask;
  std::string EditText;
  std::string Value;
};
void PrintTo(const TValueCase& c, std::ostream* os) { *os << '"' << c.Mask << "\" \"" << c.EditText << '"'; }

class EditMaskValue : public ::testing::TestWithParam<TValueCase> {};

TEST_P(EditMaskValue, TakesTheValueOutOfTheEditText) {
  const TValueCase& c = GetParam();
  EXPECT_EQ(TEditMask(c.Mask, PointDates()).ValueOf(c.EditText), c.Value);
}

TEST_P(EditMaskValue, LaysTheValueBackIntoTheSameEditText) {
  const TValueCase& c = GetParam();
  EXPECT_EQ(TEditMask(c.Mask, PointDates()).EditTextOf(c.Value), c.EditText);
}

INSTANTIATE_TEST_SUITE_P(
    Values, EditMaskValue,
    ::testing::Values(TValueCase{"!99/99/00;1;_", "31.12.99", "31.12.99"},
                      TValueCase{"!99/99/00;0;_", "31.12.99", "311299"},
                      TValueCase{"!99/99/00;1;_", "_1._2.99", " 1. 2.99"},
                      TValueCase{"99/99/00;1;_", "1_.2_.99", "1 .2 .99"},
                      TValueCase{"(999) 000;0;_", "(12_) 345", "12 345"},
                      TValueCase{"999;0;_", "12_", "12"},
                      TValueCase{"!999;0;_", "_12", "12"},
                      TValueCase{"000;0;_", "___", ""},
                      TValueCase{"LL-00;1;_", "AB-12", "AB-12"},
                      TValueCase{"", "free text", "free text"},
                      // A saved value (literals kept) goes back into the positions it
                      // came from, whatever its characters: one equal to the literal
                      // that ends its run, a blank before a blank literal, a letter
                      // that case conversion made equal to a letter literal.
                      TValueCase{"999 999;1;_", "12_ 345", "12  345"},
                      TValueCase{"999 999;1;_", "1__ 34_", "1   34 "},
                      TValueCase{"999 999;1;_", "___ ___", "       "},
                      TValueCase{"#-#;1;_", "--5", "--5"},
                      TValueCase{"#-#;1;_", "_--", " --"},
                      TValueCase{"C-C;1;_", "---", "---"},
                      TValueCase{">L\\XL;1;_", "XXB", "XXB"},
                      TValueCase{"<l\\xl;1;_", "xxx", "xxx"},
                      TValueCase{"(999) 000;1;_", "(1_3) 456", "(1 3) 456"},
                      TValueCase{"(ccc) 000;1;_", "()_)) 123", "() )) 123"},
                      TValueCase{"00:00;1;*", "12:34", "12:34"},
                      TValueCase{"999 999;1; ", "12  345", "12  345"}));

TEST(EditMask, SavedValueIsMatchedSectionBySectionAgainstTheLiterals) {
  const TEditMask mask("!99/99/00;1;_", PointDates());
  EXPECT_EQ(mask.EditTextOf("1.2.99"), "_1._2.99");
  // Without the literals the characters still go to their sections in turn.
  EXPECT_EQ(mask.EditTextOf("311299"), "31.12.99");
}

TEST(EditMask, SavedValueCutShortAfterItsLastCharacterStaysInPlace) {
  // A fixed-width text field hands back its value without the trailing
  // blanks; the characters it kept are still where the mask put them.
  const TEditMask mask("999 999;1;_");
  EXPECT_EQ(mask.EditTextOf("12  34"), "12_ 34_");
  EXPECT_EQ(mask.EditTextOf("12 "), "12_ ___");
}

// Random masks (every kind of position, directives, escaped and separator
// literals, both save flags, several blanks) and random edit texts: the
// value of an edit text, shown and saved again, is the same value, and every
// character shows in the position it was typed in.
TEST(EditMask, ShowingAndSavingAValueKeepsItForGeneratedMasks) {
  std::mt19937 random(20240611);
  auto pick = [&random](const std::string& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
  };
  const std::string pieces = "09#LlAaCc09#LlAaCc-- /:()xX._!><";
  const std::string escaped = "0L9c_ ;\\";
  const std::string samples = std::string("0123456789 +-abxyzXABZ_*.;()\\") + "\xE6\xC6\xFF\xDF";
  int checked = 0;
  for (int m = 0; m < 3000; ++m) {
    std::string body;
    const int length = std::uniform_int_distribution<int>(1, 12)(random);
    for (int i = 0; i < length; ++i) {
      const char piece = pick(pieces);
      if (piece == '<' && random() % 2 == 0) {
        body += "<>";
      } else if (piece == '.' && random() % 3 == 0) {
        body += '\\';
        body += pick(escaped);
      } else {
        body += piece;
      }
    }
    std::string mask = body;
    switch (random() % 5) {
      case 0: break;
      case 1: mask += ";1;_"; break;
      case 2: mask += ";0;_"; break;
      case 3: mask += ";1; "; break;
      case 4: mask += ";0;*"; break;
    }
    const TEditMask edit(mask, PointDates());
    for (int t = 0; t < 20; ++t) {
      std::string text = edit.EmptyText();
      for (int i = 0; i < edit.MaxChars(); ++i) {
        if (!edit.IsInput(i) || random() % 4 == 0) continue;  // a literal, or left blank
        const char c = edit.Accept(i, pick(samples));
        if (c != 0 && c != edit.Blank()) text[static_cast<std::size_t>(i)] = c;
      }
      const std::string value = edit.ValueOf(text);
      const std::string shown = edit.EditTextOf(value);
      ASSERT_EQ(edit.ValueOf(shown), value) << "mask \"" << mask << "\" edit text \"" << text << '"';
      // Every character is back in its own position (spaces show as blanks).
      ASSERT_EQ(shown, edit.Normalized(text)) << "mask \"" << mask << "\" edit text \"" << text << '"';
      ++checked;
    }
  }
  EXPECT_EQ(checked, 3000 * 20);
}

TEST(EditMask, LayingAValueNeverStoresARefusedCharacter) {
  const TEditMask mask(">LL-00;0;_");
  EXPECT_EQ(mask.EditTextOf("a1b2"), "A_-_2") << "characters go position by position, refused ones leave a blank";
  EXPECT_EQ(mask.EditTextOf("abcd12345"), "AB-__");
  EXPECT_EQ(mask.EditTextOf("ab12345"), "AB-12") << "too long a value is cut";
}

struct TValidateCase {
  std::string Mask;
  std::string EditText;
  bool IgnoreBlank;
  int FirstInvalid;
};
void PrintTo(const TValidateCase& c, std::ostream* os) { *os << '"' << c.Mask << "\" \"" << c.EditText << '"'; }

class EditMaskValidate : public ::testing::TestWithParam<TValidateCase> {};

TEST_P(EditMaskValidate, FindsTheFirstUnfilledRequiredPosition) {
  const TValidateCase& c = GetParam();
  EXPECT_EQ(TEditMask(c.Mask, PointDates()).FirstInvalid(c.EditText, c.IgnoreBlank), c.FirstInvalid);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EditMaskValidate,
    ::testing::Values(TValidateCase{"!99/99/00;1;_", "__.__.99", false, -1},
                      TValidateCase{"!99/99/00;1;_", "31.12.9_", false, 7},
                      TValidateCase{"000;1;_", "___", false, 0},
                      TValidateCase{"000;1;_", "___", true, -1},
                      TValidateCase{"000;1;_", "1 3", true, 1},
                      TValidateCase{"CC;1;_", "a ", false, -1},
                      TValidateCase{"AL;1;_", "1_", false, 1},
                      TValidateCase{"000;1;_", "12", false, 2}));

TEST(EditMask, CaretStopsOnlyOnInputPositions) {
  const TEditMask mask("(999) 000");
  EXPECT_EQ(mask.NextInput(0), 1);
  EXPECT_EQ(mask.NextInput(4), 6);
  EXPECT_EQ(mask.NextInput(9), 9);
  EXPECT_EQ(mask.PreviousInput(6), 3);
  EXPECT_EQ(mask.PreviousInput(1), 1) << "nothing before the first input position";
}

TEST(EditMask, TypedSeparatorJumpsPastTheNextLiteral) {
  const TEditMask mask("!99/99/00;1;_", PointDates());
  EXPECT_EQ(mask.SkipToLiteral(1, '.'), 3);
  EXPECT_EQ(mask.SkipToLiteral(1, '/'), -1) << "the mask's separator is the locale's";
  EXPECT_EQ(mask.SkipToLiteral(6, '.'), -1);
}

TEST(EditMask, BlankingKeepsTheLiterals) {
  const TEditMask mask("!99/99/00;1;_", PointDates());
  EXPECT_EQ(mask.Blanked("31.12.99", 1, 7), "3_.__._9");
}

TEST(EditMask, NormalizingRestoresLengthLiteralsAndRefusals) {
  const TEditMask mask(">LL-00;1;_");
  EXPECT_EQ(mask.Normalized("ab-1"), "AB-1_");
  EXPECT_EQ(mask.Normalized("a1x45678"), "A_-45");
  EXPECT_EQ(mask.Normalized(""), "__-__");
}

TEST(EditMask, InvalidInputRaisesTheEditError) {
  try {
    RaiseInvalidMaskInput();
    FAIL();
  } catch (const EDBEditError& e) {
    EXPECT_EQ(e.Message(), "Invalid input value.  Use escape key to abandon changes");
  }
}

}  // namespace
