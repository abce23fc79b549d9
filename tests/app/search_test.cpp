// The search conditions and the histories, without a window or a database:
// the exact condition texts each combination of boxes gives, the letter case
// of Windows-1251 text, quotes kept inside their literal, and the history's
// order, spelling and limit.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/search/search_conditions.h"
#include "app/search/search_history.h"
#include "framework/core/component/strings.h"
#include "framework/core/text/text.h"

namespace {

struct TConditionCase {
  const char* Title;
  TSearchBoxes Boxes;  // UTF-8 here, converted before use
  const char* Home;    // UTF-8
  const char* Org;
};

TSearchBoxes Ansi(const TSearchBoxes& b) {
  return {RU(b.Phone), RU(b.Name), RU(b.Street), RU(b.Build), RU(b.Apartment)};
}

class SearchConditions : public ::testing::TestWithParam<TConditionCase> {};

TEST_P(SearchConditions, GiveTheExactTexts) {
  const TConditionCase& c = GetParam();
  const TSearchConditions conditions = BuildSearchConditions(Ansi(c.Boxes));
  EXPECT_EQ(AnsiToUtf8(conditions.Home), c.Home);
  EXPECT_EQ(AnsiToUtf8(conditions.Org), c.Org);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, SearchConditions,
    ::testing::Values(
        TConditionCase{"Nothing", {}, "", ""},
        TConditionCase{"FourDigitPhoneIsAPrefix", {"1234", "", "", "", ""}, "UPPER(PHONE) STARTING WITH '1234'",
                       "UPPER(PHONE) STARTING WITH '1234'"},
        TConditionCase{"FiveDigitPhoneIsWhole", {"12345", "", "", "", ""}, "UPPER(PHONE) = '12345'",
                       "UPPER(PHONE) = '12345'"},
        TConditionCase{"LowerCaseCyrillicName",
                       {"", "иванов ё", "", "", ""},
                       "UPPER(NAME) STARTING WITH 'ИВАНОВ Ё'",
                       "UPPER(NAME) CONTAINING 'ИВАНОВ Ё'"},
        TConditionCase{"TextIsNotTrimmed", {"", " a ", "", "", ""}, "UPPER(NAME) STARTING WITH ' A '",
                       "UPPER(NAME) CONTAINING ' A '"},
        TConditionCase{"StreetAndHouse",
                       {"", "", "ленина", "7", ""},
                       "UPPER(STREET_NAME) STARTING WITH 'ЛЕНИНА' AND \n\rUPPER(BUILD) = '7'",
                       "UPPER(STREET_NAME) STARTING WITH 'ЛЕНИНА' AND \n\rUPPER(BUILD) = '7'"},
        TConditionCase{"ApartmentAloneLeavesOrganisationsOut", {"", "", "", "", "12"}, "UPPER(APARTAMENT) = '12'",
                       ""},
        TConditionCase{"EveryBoxInItsOrder",
                       {"12345", "Пе", "Са", "1", "3"},
                       "UPPER(PHONE) = '12345' AND \n\rUPPER(STREET_NAME) STARTING WITH 'СА' AND \n\r"
                       "UPPER(BUILD) = '1' AND \n\rUPPER(NAME) STARTING WITH 'ПЕ' AND \n\rUPPER(APARTAMENT) = '3'",
                       "UPPER(PHONE) = '12345' AND \n\rUPPER(STREET_NAME) STARTING WITH 'СА' AND \n\r"
                       "UPPER(BUILD) = '1' AND \n\rUPPER(NAME) CONTAINING 'ПЕ'"},
        TConditionCase{"QuotesAreDoubledInEveryBox",
                       {"1'", "o'brien' or 1=1 --", "'", "2'", "''"},
                       "UPPER(PHONE) STARTING WITH '1''' AND \n\rUPPER(STREET_NAME) STARTING WITH '''' AND \n\r"
                       "UPPER(BUILD) = '2''' AND \n\rUPPER(NAME) STARTING WITH 'O''BRIEN'' OR 1=1 --' AND \n\r"
                       "UPPER(APARTAMENT) = ''''''",
                       "UPPER(PHONE) STARTING WITH '1''' AND \n\rUPPER(STREET_NAME) STARTING WITH '''' AND \n\r"
                       "UPPER(BUILD) = '2''' AND \n\rUPPER(NAME) CONTAINING 'O''BRIEN'' OR 1=1 --'"}),
    [](const auto& info) { return std::string(info.param.Title); });

// --- History -------------------------------------------------------------------------

std::vector<std::string> Items(const TStrings& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(AnsiToUtf8(list.Strings(i)));
  return items;
}

TEST(SearchHistory, NewTextGoesOnTop) {
  TStringList list;
  AddToHistoryList(list, "12345");
  AddToHistoryList(list, "2222");
  EXPECT_EQ(Items(list), (std::vector<std::string>{"2222", "12345"}));
}

TEST(SearchHistory, SameTextButForCaseMovesUpAndKeepsItsSpelling) {
  TStringList list;
  for (const char* text : {"Иванов", "Петров", "Сидоров"}) AddToHistoryList(list, RU(text));
  AddToHistoryList(list, RU("иВАНОВ"));
  EXPECT_EQ(Items(list), (std::vector<std::string>{"Иванов", "Сидоров", "Петров"}));
  AddToHistoryList(list, RU("Иванов"));  // already on top: nothing moves
  EXPECT_EQ(Items(list), (std::vector<std::string>{"Иванов", "Сидоров", "Петров"}));
}

TEST(SearchHistory, TheEleventhEntryPushesOutTheOldest) {
  TStringList list;
  for (int i = 0; i < 11; ++i) AddToHistoryList(list, std::to_string(100 + i));
  ASSERT_EQ(list.Count(), HistoryLimit);
  EXPECT_EQ(AnsiToUtf8(list.Strings(0)), "110");
  EXPECT_EQ(AnsiToUtf8(list.Strings(9)), "101");
  // A known entry moving up pushes nothing out.
  AddToHistoryList(list, "105");
  EXPECT_EQ(list.Count(), HistoryLimit);
  EXPECT_EQ(AnsiToUtf8(list.Strings(0)), "105");
  EXPECT_EQ(AnsiToUtf8(list.Strings(9)), "101");
}

}  // namespace
