// The sample database against the embedded engine: the views the program
// reads, the rows of the generated town, every kind of search condition the
// program builds with the index that serves it, and the file handling.

#include "tools/sample_database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "dbaccess/client/client_api.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/db_fixture.h"
#include "tests/tools/sample_query.h"

namespace {

constexpr TTownSize SmallTown{500, 50};

// The program's SELECT texts, up to the condition.
const std::string HomeSelect =
    "SELECT\n    HOME_ID,\n    NAME,\n    STREET_ID,\n    BUILD,\n    CORP,\n    APARTAMENT,\n    PHONE,\n"
    "    STREET_NAME\nFROM\n    HOME_PHONES\nwhere\n   ";
const std::string OrgSelect =
    "SELECT\n     ORG_ID,\n     DIV_ID,\n     NAME,\n     SHORT,\n     DIVISION_NAME,\n     PHONE,\n"
    "     STREET_NAME,\n     BUILD,\n     CORP\nFROM\n    ORG_PHONES  \nwhere\n  ";

// A row of a view as the engine's UPPER sees it: integers in decimal, NULL
// as a missing column.
using TRow = std::map<std::string, std::string>;

std::vector<TRow> HomeRows(const TTown& town) {
  std::vector<TRow> rows;
  for (const TResident& resident : town.Residents) {
    const THouse& house = town.Houses[resident.HouseId - 1];
    TRow row = {{"HOME_ID", std::to_string(resident.Id)},
                {"NAME", resident.Name},
                {"STREET_ID", std::to_string(house.StreetId)},
                {"BUILD", std::to_string(house.Build)},
                {"APARTAMENT", std::to_string(resident.Apartment)},
                {"PHONE", std::to_string(resident.Phone)},
                {"STREET_NAME", town.Streets[house.StreetId - 1].Name}};
    if (!house.Corp.empty()) row["CORP"] = house.Corp;
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<TRow> OrgRows(const TTown& town) {
  std::vector<TRow> rows;
  for (const TDivisionPhone& line : town.DivisionPhones) {
    const TDivision& division = town.Divisions[line.DivisionId - 1];
    const TOrganisation& organisation = town.Organisations[division.OrganisationId - 1];
    const THouse& house = town.Houses[organisation.HouseId - 1];
    TRow row = {{"ORG_ID", std::to_string(line.Id)},
                {"DIV_ID", std::to_string(division.Id)},
                {"NAME", organisation.Name},
                {"SHORT", town.OrganisationTypes[organisation.TypeId - 1].Short},
                {"DIVISION_NAME", division.Name},
                {"PHONE", std::to_string(line.Phone)},
                {"STREET_NAME", town.Streets[house.StreetId - 1].Name},
                {"BUILD", std::to_string(house.Build)}};
    if (!house.Corp.empty()) row["CORP"] = house.Corp;
    rows.push_back(std::move(row));
  }
  return rows;
}

// The columns in the order of the program's SELECT, NULL written as the
// query helper writes it.
std::vector<std::string> Values(const TRow& row, const std::vector<std::string>& columns) {
  std::vector<std::string> values;
  for (const std::string& column : columns) {
    const auto found = row.find(column);
    values.push_back(found == row.end() ? "<null>" : found->second);
  }
  return values;
}

const std::vector<std::string> HomeColumns = {"HOME_ID", "NAME",       "STREET_ID", "BUILD",
                                              "CORP",    "APARTAMENT", "PHONE",     "STREET_NAME"};
const std::vector<std::string> OrgColumns = {"ORG_ID", "DIV_ID",      "NAME",  "SHORT", "DIVISION_NAME",
                                             "PHONE",  "STREET_NAME", "BUILD", "CORP"};

class SampleDatabaseTest : public DatabaseTest {
 protected:
  std::string Build(const std::string& name, const TTownSize& size = SmallTown) {
    const std::string path = (std::filesystem::path(Folder()) / name).string();
    BuildSampleDatabase(path, size, false);
    return path;
  }

  // Files in the test's folder other than the fixture's own database.
  std::set<std::string> FolderFiles() {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Folder()))
      if (entry.path() != DatabaseFile()) names.insert(entry.path().filename().string());
    return names;
  }
};

TEST_F(SampleDatabaseTest, ViewsHaveTheColumnsAndSizesTheProgramReads) {
  TSampleQuery query(Build("phone_3.gdb"));
  struct TExpected {
    const char* Name;
    int Type;
    int Length;
  };
  const std::vector<TExpected> home = {{"HOME_ID", SQL_LONG, 4},   {"NAME", SQL_VARYING, 40},
                                       {"STREET_ID", SQL_LONG, 4}, {"BUILD", SQL_LONG, 4},
                                       {"CORP", SQL_VARYING, 3},   {"APARTAMENT", SQL_LONG, 4},
                                       {"PHONE", SQL_LONG, 4},     {"STREET_NAME", SQL_VARYING, 40}};
  const std::vector<TExpected> org = {{"ORG_ID", SQL_LONG, 4},
                                      {"DIV_ID", SQL_LONG, 4},
                                      {"NAME", SQL_VARYING, 40},
                                      {"SHORT", SQL_VARYING, 18},
                                      {"DIVISION_NAME", SQL_VARYING, 40},
                                      {"PHONE", SQL_LONG, 4},
                                      {"STREET_NAME", SQL_VARYING, 40},
                                      {"BUILD", SQL_LONG, 4},
                                      {"CORP", SQL_VARYING, 3}};
  const auto check = [&](const std::string& select, const std::vector<TExpected>& expected) {
    const std::vector<TQueryColumn> columns = query.Describe(select + "0=1");
    ASSERT_EQ(columns.size(), expected.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
      SCOPED_TRACE(expected[i].Name);
      EXPECT_EQ(columns[i].Name, expected[i].Name);
      EXPECT_EQ(columns[i].Type, expected[i].Type);
      EXPECT_EQ(columns[i].Length, expected[i].Length);
      if (expected[i].Type == SQL_VARYING) {
        EXPECT_EQ(columns[i].CharSet, 52) << "WIN1251";
      }
    }
  };
  check(HomeSelect, home);
  check(OrgSelect, org);
}

TEST_F(SampleDatabaseTest, FinishedDatabaseIsDialectThreeWithForcedWrites) {
  // The load runs without forced writes; the finished file must not keep
  // that setting.
  TSampleQuery query(Build("phone_3.gdb"));
  EXPECT_EQ(query.DatabaseInfo(isc_info_db_sql_dialect), 3);
  EXPECT_EQ(query.DatabaseInfo(isc_info_forced_writes), 1);
  EXPECT_EQ(query.Column("SELECT TRIM(RDB$CHARACTER_SET_NAME) FROM RDB$DATABASE"),
            std::vector<std::string>{"WIN1251"});
}

TEST_F(SampleDatabaseTest, ViewsHoldTheGeneratedTown) {
  TSampleQuery query(Build("phone_3.gdb"));
  const TTown town = GenerateTown(SmallTown);

  std::vector<std::vector<std::string>> home;
  for (const TRow& row : HomeRows(town)) home.push_back(Values(row, HomeColumns));
  EXPECT_EQ(query.Rows(HomeSelect + "1=1 ORDER BY HOME_ID"), home);

  std::vector<std::vector<std::string>> org;
  for (const TRow& row : OrgRows(town)) org.push_back(Values(row, OrgColumns));
  EXPECT_EQ(query.Rows(OrgSelect + "1=1 ORDER BY ORG_ID"), org);
}

TEST_F(SampleDatabaseTest, TwoBuildsGiveTheSameRows) {
  TSampleQuery first(Build("first.gdb"));
  TSampleQuery second(Build("second.gdb"));
  for (const std::string& select : {HomeSelect + "1=1 ORDER BY HOME_ID", OrgSelect + "1=1 ORDER BY ORG_ID"}) {
    const auto rows = first.Rows(select);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows, second.Rows(select));
  }
}

// The program compares UPPER of the stored text with its own upper case of
// the typed text: the two must agree on every letter that occurs, "ё"
// included.
TEST_F(SampleDatabaseTest, EngineUpperCaseAgreesWithTheProgramsUpperCase) {
  TSampleQuery query(Build("phone_3.gdb", {5000, 2000}));
  int checked = 0;
  for (const char* select :
       {"SELECT NAME, UPPER(NAME) FROM RESIDENTS", "SELECT STREET_NAME, UPPER(STREET_NAME) FROM STREETS",
        "SELECT NAME, UPPER(NAME) FROM ORGANISATIONS",
        "SELECT CORP, UPPER(CORP) FROM HOUSES WHERE CORP > ''"}) {
    for (const std::vector<std::string>& row : query.Rows(select)) {
      ASSERT_EQ(AnsiUpperCase(row[0]), row[1]) << AnsiToUtf8(row[0]);
      ++checked;
    }
  }
  EXPECT_GT(checked, 5000);
  EXPECT_FALSE(query.Rows("SELECT 1 FROM RESIDENTS WHERE NAME CONTAINING '" + RU("ё") + "'").empty());
}

// ---- Searches -----------------------------------------------------------------------

// One comparison as the program appends it: the column, the operator and the
// text typed in the box, which the program upper-cases.
struct TSearchTerm {
  std::string Column;
  std::string Operator;
  std::function<std::string(const TRow&)> Text;
};

struct TSearchCase {
  std::string Name;
  bool Organisations = false;
  // Picks the row the texts are taken from.
  std::function<bool(const TRow&)> Sample;
  std::vector<TSearchTerm> Terms;
  // The index the plan must use; empty when none can serve the condition.
  std::string Index;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const TSearchCase& search, std::ostream* out) { *out << search.Name; }

std::string AddCondition(const std::string& previous, const TSearchTerm& term, const std::string& text) {
  const std::string start = previous.empty() ? std::string() : previous + " AND \n\r";
  return start + "UPPER(" + term.Column + ") " + term.Operator + " '" + AnsiUpperCase(text) + "'";
}

bool Matches(const TRow& row, const TSearchTerm& term, const std::string& text) {
  const auto found = row.find(term.Column);
  if (found == row.end()) return false;  // UPPER(NULL) matches nothing
  const std::string value = AnsiUpperCase(found->second);
  const std::string wanted = AnsiUpperCase(text);
  if (term.Operator == "=") return value == wanted;
  if (term.Operator == "STARTING WITH") return value.starts_with(wanted);
  return value.find(wanted) != std::string::npos;  // CONTAINING
}

std::function<std::string(const TRow&)> Whole(const std::string& column) {
  return [column](const TRow& row) { return row.at(column); };
}

// The first letters of a column, typed in lower case.
std::function<std::string(const TRow&)> LowerPrefix(const std::string& column, std::size_t letters) {
  return [column, letters](const TRow& row) { return AnsiLowerCase(row.at(column).substr(0, letters)); };
}

// Letters from inside a column, typed in lower case.
std::function<std::string(const TRow&)> LowerMiddle(const std::string& column, std::size_t from,
                                                    std::size_t letters) {
  return [column, from, letters](const TRow& row) {
    return AnsiLowerCase(row.at(column).substr(from, letters));
  };
}

std::function<bool(const TRow&)> RowId(const std::string& key, int id) {
  return [key, id](const TRow& row) { return row.at(key) == std::to_string(id); };
}

// A surname with "ё", typed up to that letter.
bool HasYo(const TRow& row) { return row.at("NAME").find(RU("ё")) != std::string::npos; }
std::string UpToYo(const TRow& row) {
  const std::string& name = row.at("NAME");
  return AnsiLowerCase(name.substr(0, name.find(RU("ё")) + 1));
}

const std::vector<TSearchCase>& SearchCases() {
  static const std::vector<TSearchCase> cases = {
      {"PhoneOfFiveDigits",
       false,
       RowId("HOME_ID", 37),
       {{"PHONE", "=", Whole("PHONE")}},
       "RESIDENTS_UPPER_PHONE"},
      {"PhonePrefix",
       false,
       RowId("HOME_ID", 37),
       {{"PHONE", "STARTING WITH", LowerPrefix("PHONE", 4)}},
       "RESIDENTS_UPPER_PHONE"},
      {"SurnamePrefixInLowerCase",
       false,
       RowId("HOME_ID", 120),
       {{"NAME", "STARTING WITH", LowerPrefix("NAME", 3)}},
       "RESIDENTS_UPPER_NAME"},
      {"SurnameWithYo", false, HasYo, {{"NAME", "STARTING WITH", UpToYo}}, "RESIDENTS_UPPER_NAME"},
      {"StreetPrefixInLowerCase",
       false,
       RowId("HOME_ID", 250),
       {{"STREET_NAME", "STARTING WITH", LowerPrefix("STREET_NAME", 3)}},
       "STREETS_UPPER_NAME"},
      {"House", false, RowId("HOME_ID", 300), {{"BUILD", "=", Whole("BUILD")}}, "HOUSES_UPPER_BUILD"},
      {"Apartment",
       false,
       RowId("HOME_ID", 300),
       {{"APARTAMENT", "=", Whole("APARTAMENT")}},
       "RESIDENTS_UPPER_APARTAMENT"},
      {"WholeAddress",
       false,
       RowId("HOME_ID", 410),
       {{"STREET_NAME", "STARTING WITH", LowerPrefix("STREET_NAME", 4)},
        {"BUILD", "=", Whole("BUILD")},
        {"APARTAMENT", "=", Whole("APARTAMENT")}},
       ""},
      {"PhonePrefixAndSurname",
       false,
       RowId("HOME_ID", 77),
       {{"PHONE", "STARTING WITH", LowerPrefix("PHONE", 2)},
        {"NAME", "STARTING WITH", LowerPrefix("NAME", 2)}},
       ""},
      {"OrganisationPhone",
       true,
       RowId("ORG_ID", 20),
       {{"PHONE", "=", Whole("PHONE")}},
       "DIVISION_PHONES_UPPER_PHONE"},
      {"OrganisationPhonePrefix",
       true,
       RowId("ORG_ID", 20),
       {{"PHONE", "STARTING WITH", LowerPrefix("PHONE", 3)}},
       "DIVISION_PHONES_UPPER_PHONE"},
      {"OrganisationNameContaining",
       true,
       RowId("ORG_ID", 33),
       {{"NAME", "CONTAINING", LowerMiddle("NAME", 1, 3)}},
       ""},
      {"OrganisationStreet",
       true,
       RowId("ORG_ID", 12),
       {{"STREET_NAME", "STARTING WITH", LowerPrefix("STREET_NAME", 2)}},
       "STREETS_UPPER_NAME"},
      {"OrganisationHouse",
       true,
       RowId("ORG_ID", 45),
       {{"BUILD", "=", Whole("BUILD")}},
       "HOUSES_UPPER_BUILD"},
      {"OrganisationStreetHouseAndName",
       true,
       RowId("ORG_ID", 5),
       {{"STREET_NAME", "STARTING WITH", LowerPrefix("STREET_NAME", 3)},
        {"BUILD", "=", Whole("BUILD")},
        {"NAME", "CONTAINING", LowerPrefix("NAME", 2)}},
       ""},
  };
  return cases;
}

class SampleSearches : public SampleDatabaseTest, public ::testing::WithParamInterface<TSearchCase> {};

TEST_P(SampleSearches, ConditionFindsExactlyTheMatchingRows) {
  const TSearchCase& search = GetParam();
  const TTown town = GenerateTown(SmallTown);
  const std::vector<TRow> rows = search.Organisations ? OrgRows(town) : HomeRows(town);
  const std::string key = search.Organisations ? "ORG_ID" : "HOME_ID";

  const auto sample = std::find_if(rows.begin(), rows.end(), search.Sample);
  ASSERT_NE(sample, rows.end()) << "no row to take the search texts from";
  std::string condition;
  std::vector<std::string> texts;
  for (const TSearchTerm& term : search.Terms) {
    texts.push_back(term.Text(*sample));
    condition = AddCondition(condition, term, texts.back());
  }

  std::vector<std::string> expected;
  for (const TRow& row : rows) {
    bool all = true;
    for (std::size_t i = 0; i < search.Terms.size(); ++i)
      all = all && Matches(row, search.Terms[i], texts[i]);
    if (all) expected.push_back(row.at(key));
  }
  ASSERT_FALSE(expected.empty());

  TSampleQuery query(Build("phone_3.gdb"));
  const std::string select = (search.Organisations ? OrgSelect : HomeSelect) + condition;
  std::vector<std::string> found = query.Column(select);
  std::sort(found.begin(), found.end(),
            [](const std::string& a, const std::string& b) { return std::stoi(a) < std::stoi(b); });
  EXPECT_EQ(found, expected) << AnsiToUtf8(condition);

  if (!search.Index.empty()) {
    const std::string plan = query.Plan(select);
    EXPECT_NE(plan.find(search.Index), std::string::npos) << plan;
  }
}

INSTANTIATE_TEST_SUITE_P(Conditions, SampleSearches, ::testing::ValuesIn(SearchCases()),
                         [](const ::testing::TestParamInfo<TSearchCase>& info) { return info.param.Name; });

// ---- The file -------------------------------------------------------------------------

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(SampleDatabaseTest, ExistingFileIsKeptUnlessReplacing) {
  const std::string path = (std::filesystem::path(Folder()) / "phone_3.gdb").string();
  std::ofstream(path) << "not a database";

  EXPECT_THROW(BuildSampleDatabase(path, SmallTown, false), ESampleDatabaseExists);
  EXPECT_EQ(ReadFile(path), "not a database");
  EXPECT_EQ(FolderFiles(), std::set<std::string>{"phone_3.gdb"});

  BuildSampleDatabase(path, SmallTown, true);
  EXPECT_EQ(TSampleQuery(path).Column("SELECT COUNT(*) FROM HOME_PHONES"), std::vector<std::string>{"500"});
  EXPECT_EQ(FolderFiles(), std::set<std::string>{"phone_3.gdb"});
}

TEST_F(SampleDatabaseTest, FailedBuildLeavesNothingBehind) {
  const std::string missing = (std::filesystem::path(Folder()) / "missing" / "phone_3.gdb").string();
  EXPECT_THROW(BuildSampleDatabase(missing, SmallTown, false), ESampleDatabaseError);
  EXPECT_FALSE(std::filesystem::exists(missing));

  // A folder in the way cannot be replaced by a file; the finished build
  // beside it goes again.
  const std::string folder = (std::filesystem::path(Folder()) / "phone_3.gdb").string();
  std::filesystem::create_directory(folder);
  EXPECT_THROW(BuildSampleDatabase(folder, SmallTown, true), ESampleDatabaseError);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(FolderFiles(), std::set<std::string>{"phone_3.gdb"});
}

TEST_F(SampleDatabaseTest, SizeIsCheckedBeforeTheFileIsTouched) {
  const std::string path = (std::filesystem::path(Folder()) / "phone_3.gdb").string();
  EXPECT_THROW(BuildSampleDatabase(path, {0, 10}, false), ESampleDatabaseError);
  EXPECT_TRUE(FolderFiles().empty());
}

TEST_F(SampleDatabaseTest, RelativePathIsTakenFromTheCurrentFolder) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(Folder());
  try {
    BuildSampleDatabase("base.gdb", SmallTown, false);
  } catch (...) {
    std::filesystem::current_path(previous);
    throw;
  }
  std::filesystem::current_path(previous);
  EXPECT_EQ(FolderFiles(), std::set<std::string>{"base.gdb"});
}

}  // namespace
