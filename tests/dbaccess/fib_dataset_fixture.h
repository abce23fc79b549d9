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

 private:
  TFIBDatabase* FDB = nullptr;
  TFIBTransaction* FTR = nullptr;
};
