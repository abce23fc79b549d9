// Searches on the real main form, typed with real key events against the
// sample database: which rows each kind of search finds (counted from the
// same generated town), the page that comes to the front, the SQL text each
// dataset runs, the keys the digit boxes swallow, the histories and the
// drop-down lists, and quotes and SQL words that must be searched for
// literally.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>
#include <functional>
#include <string>

#include "app/forms/main_form.h"
#include "app/search/search_conditions.h"
#include "datagrid/grid/db_grid.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "dbaccess/statement/query.h"
#include "framework/core/text/text.h"
#include "framework/gui/standard/page_control.h"
#include "framework/gui/standard/std_controls.h"
#include "tests/app/app_fixture.h"
#include "tests/framework_gui/gui_test_support.h"
#include "tests/support/window_input.h"

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// The condition a dataset's SELECT ran with: the text of its where macro,
// as the statement sent it (the SELECT itself in the layer's normal form).
std::string SentCondition(const TpFIBDataSet& dataSet) {
  const std::string& sql = dataSet.SelectQuery().ProcessedSQL();
  const std::size_t where = sql.rfind(" WHERE ");
  if (where == std::string::npos) return "(no WHERE in: " + sql + ")";
  std::string condition = sql.substr(where + 7);
  while (!condition.empty() && condition.front() == ' ') condition.erase(0, 1);
  while (!condition.empty() && condition.back() == ' ') condition.pop_back();
  return condition;
}

// A search as the user makes it: texts (Windows-1251) per box, typed in this
// order with Enter in the last one.
struct TSearchInput {
  std::string Phone, Name, Street, Build, Apartment;
};

struct TSearchCase {
  const char* Title;
  std::function<TSearchInput()> Input;
};

int CountHomes(const TSearchInput& in) {
  int count = 0;
  const std::string name = AnsiUpperCase(in.Name), street = AnsiUpperCase(in.Street);
  for (const THomeRow& row : HomeRows(AppSampleTown())) {
    const std::string phone = std::to_string(row.Phone);
    if (!in.Phone.empty() && !(in.Phone.size() >= 5 ? phone == in.Phone : StartsWith(phone, in.Phone))) continue;
    if (!in.Street.empty() && !StartsWith(AnsiUpperCase(row.Street), street)) continue;
    if (!in.Build.empty() && std::to_string(row.Build) != in.Build) continue;
    if (!in.Name.empty() && !StartsWith(AnsiUpperCase(row.Name), name)) continue;
    if (!in.Apartment.empty() && std::to_string(row.Apartment) != in.Apartment) continue;
    ++count;
  }
  return count;
}

int CountOrgs(const TSearchInput& in) {
  int count = 0;
  const std::string name = AnsiUpperCase(in.Name), street = AnsiUpperCase(in.Street);
  for (const TOrgRow& row : OrgRows(AppSampleTown())) {
    const std::string phone = std::to_string(row.Phone);
    if (!in.Phone.empty() && !(in.Phone.size() >= 5 ? phone == in.Phone : StartsWith(phone, in.Phone))) continue;
    if (!in.Street.empty() && !StartsWith(AnsiUpperCase(row.Street), street)) continue;
    if (!in.Build.empty() && std::to_string(row.Build) != in.Build) continue;
    if (!in.Name.empty() && AnsiUpperCase(row.Name).find(name) == std::string::npos) continue;
    ++count;
  }
  return count;
}

const TResident& Resident(int index) { return AppSampleTown().Residents[static_cast<std::size_t>(index)]; }

// A part of an organisation's name that begins no resident's name.
std::string OrganisationsOnlyText() {
  for (const TOrganisation& org : AppSampleTown().Organisations) {
    for (std::size_t at = 1; at + 4 <= org.Name.size(); ++at) {
      TSearchInput in;
      in.Name = org.Name.substr(at, 4);
      if (in.Name.find(' ') == std::string::npos && in.Name.find('\'') == std::string::npos &&
          CountHomes(in) == 0)
        return in.Name;
    }
  }
  return "";
}

class MainFormSearch : public MainFormTest, public ::testing::WithParamInterface<TSearchCase> {
 protected:
  void Type(const TSearchInput& in) {
    TMainForm& f = Form();
    std::vector<std::pair<TWinControl*, std::string>> boxes;
    if (!in.Phone.empty()) boxes.emplace_back(f.cbPhone, in.Phone);
    if (!in.Name.empty()) boxes.emplace_back(f.cbName, in.Name);
    if (!in.Street.empty()) boxes.emplace_back(f.edStreet, in.Street);
    if (!in.Build.empty()) boxes.emplace_back(f.edBuild, in.Build);
    if (!in.Apartment.empty()) boxes.emplace_back(f.edApartment, in.Apartment);
    for (std::size_t i = 0; i < boxes.size(); ++i)
      TypeInto(*boxes[i].first, AnsiToUtf8(boxes[i].second), i + 1 == boxes.size());
  }
};

TEST_P(MainFormSearch, FindsTheRowsAndShowsTheirPage) {
  const TSearchInput in = GetParam().Input();
  TMainForm& f = StartProgram();
  // Each listing that opens is read into its grid once.
  int homeLoads = 0, orgLoads = 0;
  f.GridHome->OnClearNodeData = [&](TObject*) { ++homeLoads; };
  f.GridOrg->OnClearNodeData = [&](TObject*) { ++orgLoads; };
  Type(in);
  ASSERT_TRUE(Dialogs.Requests().empty()) << Dialogs.Requests().front().Text;
  EXPECT_EQ(homeLoads, 1);
  EXPECT_EQ(orgLoads, f.fdsOrg->Active() ? 1 : 0);

  const int homes = CountHomes(in);
  const int orgs = CountOrgs(in);
  const TSearchConditions expected =
      BuildSearchConditions({in.Phone, in.Name, in.Street, in.Build, in.Apartment});
  ASSERT_TRUE(f.fdsHome->Active());
  EXPECT_EQ(f.GridHome->RecordCount(), homes);
  EXPECT_EQ(SentCondition(*f.fdsHome), expected.Home);
  EXPECT_EQ(f.fdsOrg->Active(), !expected.Org.empty());
  if (f.fdsOrg->Active()) {
    EXPECT_EQ(f.GridOrg->RecordCount(), orgs);
    EXPECT_EQ(SentCondition(*f.fdsOrg), expected.Org);
  } else {
    EXPECT_EQ(f.GridOrg->Count(), 0);
  }
  EXPECT_EQ(f.pcPhones->ActivePage(), homes == 0 && f.fdsOrg->Active() && orgs > 0 ? f.tsOrg : f.tsHome);
  // The typed texts stay in their boxes.
  EXPECT_EQ(f.cbPhone->Text(), in.Phone);
  EXPECT_EQ(f.cbName->Text(), in.Name);
}

INSTANTIATE_TEST_SUITE_P(
    Searches, MainFormSearch,
    ::testing::Values(
        TSearchCase{"PhoneOfFourDigits",
                    [] { return TSearchInput{std::to_string(Resident(0).Phone).substr(0, 4), "", "", "", ""}; }},
        TSearchCase{"PhoneOfFiveDigits",
                    [] { return TSearchInput{std::to_string(Resident(5).Phone), "", "", "", ""}; }},
        TSearchCase{"NameInLowerCaseCyrillic",
                    [] { return TSearchInput{"", AnsiLowerCase(Resident(7).Name.substr(0, 4)), "", "", ""}; }},
        TSearchCase{"StreetAndHouse",
                    [] {
                      const THomeRow row = HomeRows(AppSampleTown())[11];
                      return TSearchInput{"", "", AnsiLowerCase(row.Street.substr(0, 5)), std::to_string(row.Build),
                                          ""};
                    }},
        TSearchCase{"ApartmentAlone", [] { return TSearchInput{"", "", "", "", "7"}; }},
        TSearchCase{"OnlyOrganisationsMatch", [] { return TSearchInput{"", OrganisationsOnlyText(), "", "", ""}; }}),
    [](const auto& info) { return std::string(info.param.Title); });

TEST_F(MainFormTest, OnlyOrganisationsMatchingBringsTheirPageAndNothingFoundTheApartments) {
  TMainForm& f = StartProgram();
  const std::string text = OrganisationsOnlyText();
  ASSERT_FALSE(text.empty());
  TypeInto(*f.cbName, AnsiToUtf8(text));
  EXPECT_EQ(f.pcPhones->ActivePage(), f.tsOrg);
  f.cbName->SetText("");
  TypeInto(*f.cbPhone, "00000");  // no phone starts with 0
  EXPECT_EQ(f.GridHome->RecordCount(), 0);
  EXPECT_EQ(f.GridOrg->RecordCount(), 0);
  EXPECT_EQ(f.pcPhones->ActivePage(), f.tsHome);
}

// --- Keys --------------------------------------------------------------------------------

class DigitBoxes : public MainFormTest, public ::testing::WithParamInterface<const char*> {
 protected:
  TWinControl& Box() {
    return std::string(GetParam()) == "cbPhone" ? static_cast<TWinControl&>(*Form().cbPhone)
                                                : static_cast<TWinControl&>(*Form().edBuild);
  }
};

TEST_P(DigitBoxes, SwallowLettersSpacesAndPunctuationButPassDigitsAndBackspace) {
  StartProgram();
  TypeInto(Box(), "1a2 b,3", false);
  EXPECT_EQ(Box().Text(), "123");
  KeyInto(Box(), Qt::Key_Backspace);
  EXPECT_EQ(Box().Text(), "12");
  TypeInto(Box(), "щ.-'", false);  // a Cyrillic letter and marks
  EXPECT_EQ(Box().Text(), "12");
  EXPECT_TRUE(Dialogs.Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(Boxes, DigitBoxes, ::testing::Values("cbPhone", "edBuild"));

TEST_F(MainFormTest, EnterSelectsTheWholeTextOfTheDigitBox) {
  TMainForm& f = StartProgram();
  TypeInto(*f.edBuild, "12");
  EXPECT_EQ(f.edBuild->SelText(), "12");
  TypeInto(*f.cbPhone, "1234");
  EXPECT_EQ(f.cbPhone->SelText(), "1234");
}

// --- Histories and drop-down lists ----------------------------------------------------------

TEST_F(MainFormTest, TheEleventhSearchPushesTheOldestPhoneOut) {
  TMainForm& f = StartProgram();
  for (int i = 0; i < 11; ++i) {
    f.cbPhone->SetText("");
    TypeInto(*f.cbPhone, std::to_string(1000 + i));
  }
  ASSERT_EQ(f.cbPhone->Items().Count(), 10);
  EXPECT_EQ(f.cbPhone->Items().Strings(0), "1010");
  EXPECT_EQ(f.cbPhone->Items().Strings(9), "1001");
  EXPECT_EQ(f.cbPhone->Text(), "1010");
}

TEST_F(MainFormTest, NameTypedInOtherCaseMovesTheEntryUpKeepingItsSpelling) {
  TMainForm& f = StartProgram();
  const std::string name = Resident(3).Name.substr(0, 5);
  TypeInto(*f.cbName, AnsiToUtf8(name));
  f.cbName->SetText("");
  TypeInto(*f.cbName, AnsiToUtf8(Resident(4).Name.substr(0, 3)));
  f.cbName->SetText("");
  TypeInto(*f.cbName, AnsiToUtf8(AnsiLowerCase(name)));
  ASSERT_EQ(f.cbName->Items().Count(), 2);
  EXPECT_EQ(f.cbName->Items().Strings(0), name);
  EXPECT_EQ(f.cbName->Text(), AnsiLowerCase(name));
}

TEST_F(MainFormTest, AnEntryChosenFromTheDropDownSearchesAtOnce) {
  TMainForm& f = StartProgram();
  const std::string first = Resident(1).Name.substr(0, 4);
  const std::string second = Resident(2).Name.substr(0, 4);
  TypeInto(*f.cbName, AnsiToUtf8(first));
  f.cbName->SetText("");
  TypeInto(*f.cbName, AnsiToUtf8(second));
  f.fdsHome->Close();
  ASSERT_EQ(f.cbName->Items().Count(), 2);

  // The box is found by its name, as any tool looking at the window would.
  auto* combo = WindowOf(f)->findChild<QComboBox*>("cbName");
  ASSERT_NE(combo, nullptr);
  f.cbName->SetDroppedDown(true);
  ASSERT_TRUE(WaitFor([&] { return combo->view()->isVisible(); }));
  const QRect item = combo->view()->visualRect(combo->model()->index(1, 0));
  QTest::mouseClick(combo->view()->viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
  ASSERT_TRUE(WaitFor([&] { return f.fdsHome->Active(); }));

  TSearchInput in;
  in.Name = first;
  EXPECT_EQ(f.cbName->Text(), first);
  EXPECT_EQ(f.GridHome->RecordCount(), CountHomes(in));
  EXPECT_EQ(f.cbName->SelText(), first);
  EXPECT_EQ(f.cbName->Items().Strings(0), first);
}

// --- Quotes and SQL words ---------------------------------------------------------------------

struct TLiteralCase {
  const char* Title;
  TSearchInput Input;  // UTF-8
  bool Typed;          // typed with keys, else pasted (SetText), as into digit boxes
};

class LiteralSearch : public MainFormTest, public ::testing::WithParamInterface<TLiteralCase> {};

TEST_P(LiteralSearch, QuotesAndSqlWordsAreSearchedForLiterally) {
  const TLiteralCase& c = GetParam();
  TMainForm& f = StartProgram();
  const TSearchInput in{RU(c.Input.Phone), RU(c.Input.Name), RU(c.Input.Street), RU(c.Input.Build),
                        RU(c.Input.Apartment)};
  TWinControl* last = nullptr;
  const auto put = [&](TWinControl* box, const std::string& text) {
    if (text.empty()) return;
    if (c.Typed)
      TypeInto(*box, AnsiToUtf8(text), false);
    else
      box->SetText(text);
    last = box;
  };
  put(f.cbPhone, in.Phone);
  put(f.cbName, in.Name);
  put(f.edStreet, in.Street);
  put(f.edBuild, in.Build);
  put(f.edApartment, in.Apartment);
  ASSERT_NE(last, nullptr);
  PressEnter(*last);

  ASSERT_TRUE(Dialogs.Requests().empty()) << Dialogs.Requests().front().Text;
  const TSearchConditions expected =
      BuildSearchConditions({in.Phone, in.Name, in.Street, in.Build, in.Apartment});
  ASSERT_TRUE(f.fdsHome->Active());
  EXPECT_EQ(SentCondition(*f.fdsHome), expected.Home);
  EXPECT_EQ(f.GridHome->RecordCount(), CountHomes(in));
  if (!expected.Org.empty()) {
    ASSERT_TRUE(f.fdsOrg->Active());
    EXPECT_EQ(f.GridOrg->RecordCount(), CountOrgs(in));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, LiteralSearch,
    ::testing::Values(TLiteralCase{"Phone", {"1' --", "", "", "", ""}, false},
                      TLiteralCase{"Name", {"", "o'brien' or 'a'='a", "", "", ""}, true},
                      TLiteralCase{"NameEndingInAQuote", {"", "д'", "", "", ""}, true},
                      TLiteralCase{"Street", {"", "", "'; delete from x --", "", ""}, true},
                      TLiteralCase{"House", {"", "", "", "1'or", ""}, false},
                      TLiteralCase{"Apartment", {"", "", "", "", "'"}, true},
                      TLiteralCase{"ParameterAndMacroMarks", {"", ":name ? @@where%1@", "", "", ""}, true},
                      TLiteralCase{"EveryBoxAtOnce", {"1'", "'", "'", "2'", "''"}, false}),
    [](const auto& info) { return std::string(info.param.Title); });

}  // namespace
