#include "tests/dbaccess/db_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/parameter_blocks.h"
#include "dbaccess/client/status_vector.h"

namespace {

// A new folder under the test temporary directory, named from the prefix.
std::string MakeTemporaryFolder(const std::string& prefix) {
  std::string pattern = (std::filesystem::path(::testing::TempDir()) / (prefix + "XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::filesystem::filesystem_error("cannot create a temporary folder", pattern,
                                            std::error_code(errno, std::generic_category()));
  return pattern;
}

// The engine reads FIREBIRD_LOCK once, when it starts, and keeps using that
// folder for the rest of the process; so the folder lives as long as the
// process does.
class TEngineLockFolder {
 public:
  TEngineLockFolder() : FPath(MakeTemporaryFolder("tulvo-fb-lock-")) {
    setenv("FIREBIRD_LOCK", FPath.c_str(), 1);
  }
  ~TEngineLockFolder() {
    std::error_code ignored;  // nothing to report to at process end
    std::filesystem::remove_all(FPath, ignored);
  }

 private:
  std::string FPath;
};

void EnsureEngineLockFolder() { static TEngineLockFolder folder; }

void Check(ISC_STATUS result) {
  if (result != 0) RaiseStatusError(nullptr);
}

// An attachment for the length of one fixture call.
class TAttachment {
 public:
  explicit TAttachment(const std::string& path) {
    const std::string dpb = BuildDPB(DatabaseTest::ConnectionLines());
    Check(ClientAPI().isc_attach_database(StatusVector(), static_cast<short>(path.size()), path.data(),
                                          &FHandle, static_cast<short>(dpb.size()), dpb.data()));
  }
  ~TAttachment() {
    // A detach failure has no one to report to here; the folder goes anyway.
    if (FHandle != 0) {
      try {
        ClientAPI().isc_detach_database(StatusVector(), &FHandle);
      } catch (...) {
      }
    }
  }
  TAttachment(const TAttachment&) = delete;
  TAttachment& operator=(const TAttachment&) = delete;

  isc_db_handle* Handle() { return &FHandle; }

 private:
  isc_db_handle FHandle = 0;
};

// A transaction that commits on Commit and rolls back otherwise.
class TTransaction {
 public:
  explicit TTransaction(TAttachment& attachment) {
    const std::string tpb = BuildTPB(std::vector<std::string>{"write", "concurrency", "wait"});
    TTransactionVectorEntry entry{attachment.Handle(), static_cast<int>(tpb.size()), tpb.data()};
    Check(ClientAPI().isc_start_multiple(StatusVector(), &FHandle, 1, &entry));
  }
  ~TTransaction() {
    // Rolls back what a failed statement left; its own failure is not news.
    if (FHandle != 0) {
      try {
        ClientAPI().isc_rollback_transaction(StatusVector(), &FHandle);
      } catch (...) {
      }
    }
  }
  TTransaction(const TTransaction&) = delete;
  TTransaction& operator=(const TTransaction&) = delete;

  isc_tr_handle* Handle() { return &FHandle; }
  void Commit() { Check(ClientAPI().isc_commit_transaction(StatusVector(), &FHandle)); }

 private:
  isc_tr_handle FHandle = 0;
};

}  // namespace

std::vector<std::string> DatabaseTest::ConnectionLines() {
  return {"user_name=SYSDBA", "password=masterkey", "lc_ctype=WIN1251"};
}

void DatabaseTest::SetUp() {
  EnsureEngineLockFolder();
  FFolder = MakeTemporaryFolder("tulvo-db-");
  CheckClientLibrary();
  FDatabasePath = CreateDatabase("test.fdb");
}

void DatabaseTest::TearDown() {
  std::error_code ignored;  // a folder left behind must not hide the test's result
  std::filesystem::remove_all(FFolder, ignored);
}

std::string DatabaseTest::CreateDatabase(std::string_view fileName, int dialect) {
  const std::string path = (std::filesystem::path(FFolder) / fileName).string();
  const std::string sql =
      "CREATE DATABASE '" + path + "' USER 'SYSDBA' PASSWORD 'masterkey' DEFAULT CHARACTER SET WIN1251";
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  Check(ClientAPI().isc_dsql_execute_immediate(StatusVector(), &db, &tr, 0, sql.c_str(),
                                               static_cast<unsigned short>(dialect), nullptr));
  Check(ClientAPI().isc_detach_database(StatusVector(), &db));
  return path;
}

void DatabaseTest::ExecuteSQL(std::string_view sql) {
  const std::string text(sql);
  TAttachment attachment(FDatabasePath);
  TTransaction transaction(attachment);
  Check(ClientAPI().isc_dsql_execute_immediate(StatusVector(), attachment.Handle(), transaction.Handle(), 0,
                                               text.c_str(), SQL_DIALECT_V6, nullptr));
  transaction.Commit();
}

std::int64_t DatabaseTest::QueryInt64(std::string_view select) {
  const std::string text(select);
  TAttachment attachment(FDatabasePath);
  TTransaction transaction(attachment);

  const std::unique_ptr<char[]> buffer = std::make_unique<char[]>(DescriptorLength(1));
  auto* output = reinterpret_cast<XSQLDA*>(buffer.get());
  output->version = SQLDA_VERSION1;
  output->sqln = 1;
  output->sqld = 1;
  ISC_INT64 value = 0;
  ISC_SHORT null = 0;
  output->sqlvar[0].sqltype = SQL_INT64 + 1;
  output->sqlvar[0].sqllen = sizeof(value);
  output->sqlvar[0].sqldata = reinterpret_cast<ISC_SCHAR*>(&value);
  output->sqlvar[0].sqlind = &null;

  Check(ClientAPI().isc_dsql_exec_immed2(StatusVector(), attachment.Handle(), transaction.Handle(), 0,
                                         text.c_str(), SQL_DIALECT_V6, nullptr, output));
  transaction.Commit();
  if (null != 0) ADD_FAILURE() << "NULL from: " << text;
  return value;
}
