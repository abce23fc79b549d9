#pragma once
// The directory's two listings on the embedded engine, for the dataset's
// tests: HOME_PHONES with 130 apartments and ORG_PHONES with 110 lines, both
// with Windows-1251 names, read through the program's read-only
// transaction (read, read_committed, rec_version, nowait). Datasets are
// made under the fixture's form.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dbaccess/dataset/fib_dataset.h"
#include "tests/dbaccess/connection_fixture.h"

// Fills the listing tables (DatabaseTest::CreateListingTables) with the
// fixture's rows, one statement at a time through execute.
void FillDirectoryListings(const std::function<void(std::string_view)>& execute);

class DataSetTest : public ConnectionTest {
 public:
  static constexpr int HomeRows = 130;
  static constexpr int OrgRows = 110;

 protected:

  void SetUp() override;

  // The directory's apartment and organisation selects, the search macro
  // replaced by a condition.
  static std::vector<std::string> HomeSelect(const std::string& condition = "HOME_ID > 0");
  static std::vector<std::string> OrgSelect(const std::string& condition = "ORG_ID > 0");

  // A closed dataset on the fixture's connection and transaction.
  TFIBDataSet& NewDataSet(const std::vector<std::string>& lines, const char* name = "fdsTest");

  TFIBDatabase& DB() { return *FDB; }
  TFIBTransaction& TR() { return *FTR; }
};

// A small writable table for the editing tests, PEOPLE: ID (primary key),
// NAME varchar(20), PHONE integer (positive or null), NOTE varchar(30),
// NAME_UPPER computed from NAME, MEMO text blob; rows 1..5 named
// "Person <n>" with phones 101..105. Datasets over it write through a
// read-committed write transaction of their own (WriteTR) and commit after
// each change (AutoCommit), so that another connection sees what they did.
class EditDataSetTest : public DataSetTest {
 public:
  static constexpr int PeopleRows = 5;

 protected:
  void SetUp() override;

  // A closed dataset over PEOPLE with its five texts; the delete text
  // finds its row by the old ID and NAME.
  TFIBDataSet& NewPeople(const char* name = "fdsPeople");
  TFIBTransaction& WriteTR() { return *FWriteTR; }

  // "ID|NAME|PHONE" of each row, as another connection sees the table.
  std::vector<std::string> ServerPeople();
  // The same read from the dataset's records, first to last; the record
  // the dataset stood on stays current.
  static std::vector<std::string> DataSetPeople(TFIBDataSet& data);

 private:
  TFIBTransaction* FWriteTR = nullptr;
};
