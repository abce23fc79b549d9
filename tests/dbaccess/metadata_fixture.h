#pragma once
// The metadata caches' tests on the embedded engine: connections under the
// form-like owner of ConnectionTest, a sample schema (a table with a column
// of each kind the caches tell apart, a view and a stored procedure), and
// the FIB$FIELDS_INFO repository table. The process's caches start afresh
// for every test and are emptied after it.

#include <string>
#include <string_view>

#include "dbaccess/connection/app_database.h"
#include "tests/dbaccess/connection_fixture.h"

class MetadataTest : public ConnectionTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // PEOPLE (two-column key ID2, ID1; defaults of every kind; blob, array,
  // computed and domain columns), the view V_PEOPLE and the procedure
  // P_NAMES with two output parameters.
  void CreatePeople();
  // FIB$FIELDS_INFO with the columns the repository reads, one more
  // (HINT), and, when versioned, DISPLAY_WIDTH and FIB$VERSION.
  void CreateFieldsInfo(bool versioned = true);

  // A connected connection to path (the test's database by default).
  TFIBDatabase& OpenDatabase(const std::string& name, const std::string& path = {});
  // An application connection to the test's database, not connected.
  TpFIBDatabase& NewAppDatabase(const std::string& name);
};
