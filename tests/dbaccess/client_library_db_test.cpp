// The binding and the parameter blocks against the embedded engine.

#include <gtest/gtest.h>
#include <signal.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/parameter_blocks.h"
#include "dbaccess/client/status_vector.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/db_fixture.h"
#include "tests/support/child_processes.h"

namespace {

isc_db_handle Attach(const std::string& path, const std::vector<std::string>& lines) {
  const std::string dpb = BuildDPB(lines);
  isc_db_handle db = 0;
  if (ClientAPI().isc_attach_database(StatusVector(), static_cast<short>(path.size()), path.data(), &db,
                                      static_cast<short>(dpb.size()), dpb.data()) != 0)
    RaiseStatusError(nullptr);
  return db;
}

void Detach(isc_db_handle& db) {
  if (ClientAPI().isc_detach_database(StatusVector(), &db) != 0) RaiseStatusError(nullptr);
}

// The database's SQL dialect as the engine reports it.
int DatabaseDialect(isc_db_handle& db) {
  const TClientEntryPoints& api = ClientAPI();
  const ISC_SCHAR item = isc_info_db_sql_dialect;
  std::array<ISC_SCHAR, 512> reply{};
  if (api.isc_database_info(StatusVector(), &db, 1, &item, static_cast<short>(reply.size()), reply.data()) !=
      0)
    RaiseStatusError(nullptr);
  EXPECT_EQ(reply[0], isc_info_db_sql_dialect);
  const auto length = static_cast<short>(api.isc_vax_integer(&reply[1], 2));
  return api.isc_vax_integer(&reply[3], length);
}

const std::vector<std::string> DialectThreeLines = {"user_name=SYSDBA", "lc_ctype=WIN1251", "sql_dialect=3"};

TEST_F(DatabaseTest, AttachesWithTheParameterLinesAndReadsTheDialect) {
  isc_db_handle db = Attach(DatabasePath(), DialectThreeLines);
  ASSERT_NE(db, 0u);
  EXPECT_EQ(DatabaseDialect(db), 3);
  Detach(db);
  EXPECT_EQ(db, 0u);
}

TEST_F(DatabaseTest, DialectOneDatabaseReportsDialectOne) {
  const std::string path = CreateDatabase("dialect1.fdb", 1);
  isc_db_handle db = Attach(path, DialectThreeLines);
  EXPECT_EQ(DatabaseDialect(db), 1);
  Detach(db);
}

TEST_F(DatabaseTest, TwoAttachesShareOneBinding) {
  CheckClientLibrary();
  const TClientEntryPoints* table = &ClientAPI();
  isc_db_handle first = Attach(DatabasePath(), DialectThreeLines);

  CheckClientLibrary();
  EXPECT_EQ(&ClientAPI(), table);
  isc_db_handle second = Attach(DatabasePath(), DialectThreeLines);
  EXPECT_NE(first, second);
  EXPECT_EQ(DatabaseDialect(second), 3);

  Detach(second);
  Detach(first);
}

TEST_F(DatabaseTest, StatementsRunInTheConnectionCharacterSet) {
  ExecuteSQL("CREATE TABLE STREETS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40))");
  ExecuteSQL("INSERT INTO STREETS VALUES (1, '" + RU("Садовая") + "')");
  ExecuteSQL("INSERT INTO STREETS VALUES (2, '" + RU("Ёлочная") + "')");
  EXPECT_EQ(QueryInt64("SELECT COUNT(*) FROM STREETS"), 2);
  // Seven Cyrillic letters are seven bytes in WIN1251.
  EXPECT_EQ(QueryInt64("SELECT OCTET_LENGTH(NAME) FROM STREETS WHERE ID = 2"), 7);
  EXPECT_THROW(ExecuteSQL("INSERT INTO STREETS VALUES (1, 'again')"), EFIBInterBaseError);
  EXPECT_EQ(QueryInt64("SELECT COUNT(*) FROM STREETS"), 2);
}

// The client handles SIGTERM and SIGINT by shutting every connection down,
// also under a program that ends itself on them. Told to leave them to the
// program, it keeps the connections: on the engine and over a server. Run
// in a program of its own, whose handler is in place before the client is
// loaded, as the directory program's main block does it.
volatile std::sig_atomic_t SignalsHeard = 0;
const bool SignalledRun = [] {
  if (!std::getenv("TULVO_TEST_SIGNALLED")) return false;
  struct sigaction action {};
  action.sa_handler = [](int) { SignalsHeard = SignalsHeard + 1; };
  for (const int signal : {SIGTERM, SIGINT}) ::sigaction(signal, &action, nullptr);
  ClientLibrary().LeaveTerminationSignalsToProgram();
  return true;
}();

TEST_F(DatabaseTest, TerminationSignalsLeaveTheConnectionsToTheProgram) {
  if (!SignalledRun) {
    const std::string output = Folder() + "/signalled.txt";
    ::setenv("TULVO_TEST_SIGNALLED", "1", 1);
    const int code = RunThisProgram({"--gtest_filter=DatabaseTest.TerminationSignalsLeave*"}, output);
    ::unsetenv("TULVO_TEST_SIGNALLED");
    EXPECT_EQ(code, 0) << ReadFileText(output);
    return;
  }
  isc_db_handle db = Attach(DatabasePath(), ConnectionLines());
  for (const int signal : {SIGTERM, SIGINT}) ::raise(signal);
  std::this_thread::sleep_for(std::chrono::seconds(1));  // the client shuts down on a thread of its own
  EXPECT_EQ(SignalsHeard, 2);
  EXPECT_EQ(DatabaseDialect(db), 3);
  Detach(db);
}

// A database that is not there is reported in the engine's own words, with
// the path it looked for.
class MissingDatabase : public DatabaseTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MissingDatabase, GivesTheEnginesOwnError) {
  const std::string path = Folder() + GetParam();
  try {
    Attach(DatabaseName(path), DialectThreeLines);
    ADD_FAILURE() << "attached to " << path;
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.SQLCode(), -902);
    EXPECT_EQ(e.ServerErrorCode(), isc_io_error);
    EXPECT_EQ(e.ServerText(), "I/O error during \"open\" operation for file \"" + path +
                                  "\".\r\nError while trying to open file.\r\nNo such file or directory.\r\n")
        << e.Message();
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, MissingDatabase,
                         ::testing::Values("/missing.fdb", "/no-such-folder/test.fdb"),
                         [](const auto& info) { return info.index == 0 ? "MissingFile" : "MissingFolder"; });

}  // namespace
