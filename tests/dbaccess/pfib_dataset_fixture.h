#pragma once
// The directory program's two datasets on the embedded engine, set up as
// its main form sets them up: the connection DB and the read-only
// transaction TR with the form's settings, fdsHome and fdsOrg with the
// form's select texts (the search macro in the WHERE clause), no updates
// allowed, their persistent fields with labels, sizes and EmptyStrToNull,
// over the fixture's listings (fib_dataset_fixture.h).
//
// Editing tests get a writable transaction (TRW) and datasets of their own
// on it, and a second connection (OtherDB) to see what the server holds.

#include <string>
#include <vector>

#include "dbaccess/connection/app_database.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "tests/dbaccess/connection_fixture.h"

class ProgramDataSetTest : public ConnectionTest {
 public:
  static constexpr int HomeRows = 130;
  static constexpr int OrgRows = 110;

  // The form's select texts, the search macro as it is written there.
  static std::vector<std::string> HomeSelectLines();
  static std::vector<std::string> OrgSelectLines();

 protected:
  void SetUp() override;
  void TearDown() override;

  TpFIBDatabase& DB() { return *FDB; }
  TpFIBTransaction& TR() { return *FTR; }
  TpFIBDataSet& Home() { return *FHome; }
  TpFIBDataSet& Org() { return *FOrg; }

  // read_committed, rec_version, nowait, write; started on first use.
  TFIBTransaction& WriteTransaction();
  // A closed dataset on DB with the given transaction (TR by default).
  TpFIBDataSet& NewDataSet(const std::vector<std::string>& lines, const char* name,
                           TFIBTransaction* transaction = nullptr);
  // A second connection to the same file with a writable nowait
  // transaction, both open, for what other users see and do.
  TFIBDatabase& OtherDB();
  TFIBTransaction& OtherTR();
  // Runs a statement in the other connection's transaction.
  void OtherExecute(std::string_view sql);
  std::int64_t OtherQuery(std::string_view select);

 private:
  void AddField(TpFIBDataSet& dataSet, const char* fieldName, bool isString, const char* label, int size,
                bool visible);

  TpFIBDatabase* FDB = nullptr;
  TpFIBTransaction* FTR = nullptr;
  TFIBTransaction* FTRW = nullptr;
  TpFIBDataSet* FHome = nullptr;
  TpFIBDataSet* FOrg = nullptr;
  TFIBDatabase* FOtherDB = nullptr;
  TFIBTransaction* FOtherTR = nullptr;
};
