#pragma once
// The one fixture of the tests that need a real database. Each test gets a
// fresh database file (dialect 3, default character set WIN1251) in a
// temporary folder of its own, created through the bound client library with
// the embedded engine, and the folder is removed after the test, whatever it
// left there. Close every attachment a test opens before it ends.
//
// The engine keeps its lock files in one private folder per process
// (FIREBIRD_LOCK, read once when the engine starts), removed when the process
// ends.
//
// With the test server setting (tests/support/test_server.h) the databases
// are made and reached through the server as "host:path", with the
// administrator's login from the environment, in folders the server's own
// user can write to.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tests/support/test_server.h"

class DatabaseTest : public ::testing::Test {
 public:
  // The connection lines every attachment of the fixture uses.
  static std::vector<std::string> ConnectionLines();
  // The name a connection gives for a database file of the test (the path,
  // or "host:path" on the test server).
  static std::string DatabaseName(const std::string& file);

 protected:
  void SetUp() override;
  void TearDown() override;

  // The test's own folder, for any further files.
  const std::string& Folder() const { return FFolder->Path(); }
  // The database created for the test, as connections name it.
  const std::string& DatabasePath() const { return FDatabasePath; }
  // Its file.
  const std::string& DatabaseFile() const { return FDatabaseFile; }

  // Creates another database file in the test's folder; returns its name
  // as connections give it (DatabaseName).
  std::string CreateDatabase(std::string_view fileName, int dialect = 3);

  // Runs one DDL or DML statement on the test's database in a transaction of
  // its own, committed; a failure raises the server's error.
  void ExecuteSQL(std::string_view sql);
  // The directory's two listings, empty, with the columns its program reads.
  void CreateListingTables();

  // A login of the test's own with the password: made on the test server
  // (and dropped after the test); on the embedded engine, which checks no
  // password, only a name. Names differ between tests and processes.
  std::string CreateUser(const std::string& password);

  // The one value of a SELECT, a whole number; raises for anything else.
  std::int64_t QueryInt64(std::string_view select);
  // Every row a SELECT gives, each value as text (tests/support/text_query.h).
  std::vector<std::vector<std::string>> QueryRows(std::string_view select);

 private:
  std::optional<TTempFolder> FFolder;
  std::string FDatabasePath;
  std::string FDatabaseFile;
  std::vector<std::string> FUsers;
};
