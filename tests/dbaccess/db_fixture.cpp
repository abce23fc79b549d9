#include "tests/dbaccess/db_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_handles.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/parameter_blocks.h"
#include "dbaccess/client/status_vector.h"
#include "dbaccess/metadata/layer_shutdown.h"
#include "tests/support/text_query.h"

namespace {

// The engine reads FIREBIRD_LOCK once, when it starts, and keeps using that
// folder for the rest of the process; so the folder lives as long as the
// process does.
class TEngineLockFolder {
 public:
  TEngineLockFolder() : FFolder("tulvo-fb-lock-") { setenv("FIREBIRD_LOCK", FFolder.Path().c_str(), 1); }

 private:
  TTempFolder FFolder;
};

void EnsureEngineLockFolder() { static TEngineLockFolder folder; }

// Every program on a real engine ends the way the directory program does:
// the layer shut down after the last test, before static destruction, so
// the engine's threads are stopped while everything they use still exists.
class TDatabaseLayerEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { ShutdownDatabaseLayer(); }
};
const auto* const DatabaseLayerEnvironment = ::testing::AddGlobalTestEnvironment(new TDatabaseLayerEnvironment);

void Check(ISC_STATUS result) {
  if (result != 0) RaiseStatusError(nullptr);
}

}  // namespace

std::vector<std::string> DatabaseTest::ConnectionLines() {
  return {"user_name=" + TestServerUser(), "password=" + TestServerPassword(), "lc_ctype=WIN1251"};
}

std::string DatabaseTest::DatabaseName(const std::string& file) { return DatabaseNameOf(file); }

void DatabaseTest::SetUp() {
  EnsureEngineLockFolder();
  FFolder.emplace("tulvo-db-");
  // The server runs as a user of its own, which must make and write the
  // files; the temporary folders' parent is open to everyone already.
  if (OnTestServer())
    std::filesystem::permissions(Folder(), std::filesystem::perms::all, std::filesystem::perm_options::replace);
  CheckClientLibrary();
  FDatabaseFile = (std::filesystem::path(Folder()) / "test.fdb").string();
  FDatabasePath = CreateDatabase("test.fdb");
}

void DatabaseTest::TearDown() {
  for (const std::string& user : FUsers) {
    try {
      ExecuteSQL("DROP USER " + user);
    } catch (const Exception& e) {
      ADD_FAILURE() << "the login " << user << " stays on the server: " << e.Message();
    }
  }
  FUsers.clear();
  FFolder.reset();
}

std::string DatabaseTest::CreateUser(const std::string& password) {
  static int made = 0;
  const std::string name = "TULVO_" + std::to_string(::getpid()) + "_" + std::to_string(++made);
  if (OnTestServer()) {
    ExecuteSQL("CREATE USER " + name + " PASSWORD '" + password + "'");
    FUsers.push_back(name);
  }
  return name;
}

std::string DatabaseTest::CreateDatabase(std::string_view fileName, int dialect) {
  const std::string path = DatabaseName((std::filesystem::path(Folder()) / fileName).string());
  const std::string sql = "CREATE DATABASE '" + path + "' USER '" + TestServerUser() + "' PASSWORD '" +
                          TestServerPassword() + "' DEFAULT CHARACTER SET WIN1251";
  TDatabaseHandle db;
  TTransactionHandle tr;
  Check(ClientAPI().isc_dsql_execute_immediate(StatusVector(), db.Address(), tr.Address(), 0, sql.c_str(),
                                               static_cast<unsigned short>(dialect), nullptr));
  Check(ClientAPI().isc_detach_database(StatusVector(), db.Address()));
  return path;
}

void DatabaseTest::CreateListingTables() {
  ExecuteSQL(
      "create table HOME_PHONES (HOME_ID integer not null, NAME varchar(40), STREET_ID integer,"
      " BUILD integer, CORP varchar(3), APARTAMENT integer, PHONE integer, STREET_NAME varchar(40))");
  ExecuteSQL(
      "create table ORG_PHONES (ORG_ID integer not null, DIV_ID integer not null, NAME varchar(40),"
      " SHORT varchar(18), DIVISION_NAME varchar(40), PHONE integer, STREET_NAME varchar(40),"
      " BUILD integer, CORP varchar(3))");
}

void DatabaseTest::ExecuteSQL(std::string_view sql) {
  const std::string text(sql);
  TDatabaseHandle db;
  TTransactionHandle tr;  // rolls back what a failed statement left
  const std::string dpb = BuildDPB(ConnectionLines());
  Check(ClientAPI().isc_attach_database(StatusVector(), static_cast<short>(FDatabasePath.size()),
                                        FDatabasePath.data(), db.Address(), static_cast<short>(dpb.size()),
                                        dpb.data()));
  const std::string tpb = BuildTPB(std::vector<std::string>{"write", "concurrency", "wait"});
  TTransactionVectorEntry entry{db.Address(), static_cast<int>(tpb.size()), tpb.data()};
  Check(ClientAPI().isc_start_multiple(StatusVector(), tr.Address(), 1, &entry));
  Check(ClientAPI().isc_dsql_execute_immediate(StatusVector(), db.Address(), tr.Address(), 0, text.c_str(),
                                               SQL_DIALECT_V6, nullptr));
  Check(ClientAPI().isc_commit_transaction(StatusVector(), tr.Address()));
  Check(ClientAPI().isc_detach_database(StatusVector(), db.Address()));
}

std::int64_t DatabaseTest::QueryInt64(std::string_view select) {
  return TTextQuery(FDatabasePath, ConnectionLines()).WholeNumber(std::string(select));
}

std::vector<std::vector<std::string>> DatabaseTest::QueryRows(std::string_view select) {
  return TTextQuery(FDatabasePath, ConnectionLines()).Rows(std::string(select));
}
