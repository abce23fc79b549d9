// The directory program's two SELECT texts, run as the program runs them:
// the search condition is the one value given by position, which goes to
// the "where" macro at the end of the text.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "dbaccess/client/errors.h"
#include "dbaccess/statement/query.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/connection_fixture.h"

namespace {

const char* const HomeSelect[] = {"SELECT",          "    HOME_ID,", "    NAME,",       "    STREET_ID,",
                                  "    BUILD,",      "    CORP,",    "    APARTAMENT,", "    PHONE,",
                                  "    STREET_NAME", "FROM",         "    HOME_PHONES", "where",
                                  "   @@where%0=1@"};
const char* const OrgSelect[] = {"SELECT",      "     ORG_ID,",        "     DIV_ID,", "     NAME,",
                                 "     SHORT,", "     DIVISION_NAME,", "     PHONE,",  "     STREET_NAME,",
                                 "     BUILD,", "     CORP",           "FROM",         "    ORG_PHONES  ",
                                 "where",       "  @@WHERE%0=1@"};

// One comparison of the search panel, as the program builds it: the box's
// text upper-cased between quotes, after "UPPER(column)" and the operator.
std::string Compare(std::string_view column, std::string_view op, std::string_view utf8Text) {
  return "UPPER(" + std::string(column) + ") " + std::string(op) + " '" + AnsiUpperCase(RU(utf8Text)) + "'";
}
std::string And(const std::string& a, const std::string& b) { return a + " AND \n\r" + b; }

struct SearchCase {
  const char* Name;
  std::string Condition;
  std::string Expected;
};

class DirectoryQueries : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    CreateListingTables();
    const char* homes[] = {
        "insert into HOME_PHONES values (1, 'Иванов Иван Иванович', 10, 7, 'а', 12, 12345, 'Ленина')",
        "insert into HOME_PHONES values (2, 'Иванова Анна', 10, 7, '', 3, 12399, 'Ленина')",
        "insert into HOME_PHONES values (3, 'Петров Пётр', 11, 15, '2', 40, 54321, 'Мира')",
        "insert into HOME_PHONES values (4, 'Сидорова Ёлка', 12, 7, null, 1, 23456, 'Садовая')",
        "insert into ORG_PHONES values (1, 1, 'Аптека \"Здоровье\"', 'ООО', 'Касса', 11111, 'Ленина', 5, '')",
        "insert into ORG_PHONES values (1, 2, 'Аптека \"Здоровье\"', 'ООО', 'Склад', 11112, 'Ленина', 5, '')",
        "insert into ORG_PHONES values (2, 1, 'Школа №5', 'МОУ', 'Директор', 22222, 'Мира', 9, 'б')",
    };
    for (const char* sql : homes) ExecuteSQL(RU(sql));
    MakeConnection(false);
    FTR->TRParams().SetText("read\nnowait\nrec_version\nread_committed");
    FDB->OpenConnection();
    FTR->StartTransaction();
  }

  TFIBQuery& NewQuery(const char* name, std::span<const char* const> lines) {
    auto* query = new TFIBQuery(&Form());  // owned by the form
    query->SetName(name);
    query->SetDatabase(FDB);
    query->SetTransaction(FTR);
    for (const char* line : lines) query->SQL().Add(line);
    return *query;
  }

  // Opens the query with the condition (or with none) and gives the key
  // columns of its rows, sorted.
  static std::string Keys(TFIBQuery& query, const std::string* condition, int keyColumns) {
    if (condition != nullptr) query.SetParamValues({Variant(*condition)});
    query.ExecQuery();
    std::vector<std::string> keys;
    for (TFIBXSQLDA* row = query.Eof() ? nullptr : &query.Fields(); row != nullptr; row = query.FetchNext()) {
      std::string key = (*row)[0].AsString();
      if (keyColumns == 2) key += "/" + (*row)[1].AsString();
      keys.push_back(key);
    }
    query.CloseCursor();
    std::sort(keys.begin(), keys.end());
    std::string text;
    for (const std::string& key : keys) text += (text.empty() ? "" : ",") + key;
    return text;
  }
};

TEST_F(DirectoryQueries, ApartmentsBySearchCondition) {
  TFIBQuery& homes = NewQuery("fdsHomeSelect", HomeSelect);
  ASSERT_EQ(homes.Params().Count(), 1);
  EXPECT_TRUE(homes.Params()[0].IsMacro());
  EXPECT_EQ(Keys(homes, nullptr, 1), "") << "the default condition 0=1 selects nothing";

  const std::string street = Compare("STREET_NAME", "STARTING WITH", "лен");
  const SearchCase cases[] = {
      {"FivePhoneDigitsCompareEqual", Compare("PHONE", "=", "12345"), "1"},
      {"FewerPhoneDigitsArePrefix", Compare("PHONE", "STARTING WITH", "123"), "1,2"},
      {"StreetByCyrillicPrefix", street, "1,2"},
      {"StreetAndHouse", And(street, Compare("BUILD", "=", "7")), "1,2"},
      {"NameTypedInLowerCase", Compare("NAME", "STARTING WITH", "иванов"), "1,2"},
      {"NameWithYo", Compare("NAME", "STARTING WITH", "сидорова ёл"), "4"},
      {"ApartmentAlone", Compare("APARTAMENT", "=", "12"), "1"},
      {"PhoneAndApartment", And(Compare("PHONE", "=", "12399"), Compare("APARTAMENT", "=", "3")), "2"},
      {"NothingMatches", And(street, Compare("BUILD", "=", "15")), ""},
  };
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Keys(homes, &c.Condition, 1), c.Expected);
  }
  // The columns the grid binds, in the order of the text.
  const char* columns[] = {"HOME_ID", "NAME",       "STREET_ID", "BUILD",
                           "CORP",    "APARTAMENT", "PHONE",     "STREET_NAME"};
  ASSERT_EQ(homes.FieldCount(), 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(homes.Fields(i).Name(), columns[i]);
}

TEST_F(DirectoryQueries, OrganisationsBySearchCondition) {
  TFIBQuery& orgs = NewQuery("fdsOrgSelect", OrgSelect);
  ASSERT_EQ(orgs.Params().Count(), 1);
  EXPECT_EQ(orgs.Params()[0].Name(), "WHERE");
  EXPECT_EQ(Keys(orgs, nullptr, 2), "");

  const SearchCase cases[] = {
      {"NameContains", Compare("NAME", "CONTAINING", "здоров"), "1/1,1/2"},
      {"PhonePrefix", Compare("PHONE", "STARTING WITH", "1111"), "1/1,1/2"},
      {"StreetAndHouse", And(Compare("STREET_NAME", "STARTING WITH", "мира"), Compare("BUILD", "=", "9")),
       "2/1"},
      {"NameWithNumberSign", Compare("NAME", "CONTAINING", "№5"), "2/1"},
  };
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Keys(orgs, &c.Condition, 2), c.Expected);
  }
  EXPECT_EQ(orgs.FieldByName("DIVISION_NAME").Index(), 4);
}

TEST_F(DirectoryQueries, QuoteInTheSearchTextFailsTheSearchOnly) {
  TFIBQuery& orgs = NewQuery("fdsOrgSelect", OrgSelect);
  // The quote leaves a literal open in the text: it never reaches the server.
  const std::string condition = Compare("NAME", "CONTAINING", "o'brien");
  try {
    Keys(orgs, &condition, 2);
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), ceSQLParseError);
  }
  EXPECT_FALSE(orgs.Open());
  // The next search works again.
  const std::string good = Compare("PHONE", "=", "22222");
  EXPECT_EQ(Keys(orgs, &good, 2), "2/1");
}

}  // namespace
