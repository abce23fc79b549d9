#include "tests/dbaccess/connection_fixture.h"

#include <memory>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/connection/database_options.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/status_vector.h"

void ConnectionTest::SetUp() {
  DatabaseTest::SetUp();
  FForm = std::make_unique<TComponent>(nullptr);
  FForm->SetName("MainForm");
}

void ConnectionTest::TearDown() {
  // Frees every connection and transaction (closing what is still open)
  // before the fixture removes the files.
  FForm.reset();
  DatabaseTest::TearDown();
}

TFIBDatabase& ConnectionTest::NewDatabase(const std::string& name, const std::string& path) {
  auto* database = new TFIBDatabase(FForm.get());  // owned by the form
  database->SetName(name);
  database->SetDBName(path.empty() ? DatabasePath() : path);
  for (const std::string& line : ConnectionLines()) database->DBParams().Add(line);
  database->SetSQLDialect(3);
  database->SetSynchronizeTime(false);
  return *database;
}

TFIBTransaction& ConnectionTest::NewTransaction(const std::string& name, TFIBDatabase* database) {
  auto* transaction = new TFIBTransaction(FForm.get());  // owned by the form
  transaction->SetName(name);
  transaction->SetDefaultDatabase(database);
  return *transaction;
}

void ConnectionTest::Execute(TFIBDatabase& database, TFIBTransaction& transaction, std::string_view sql) {
  const std::string text(sql);
  transaction.ClientCall(ClientAPI().isc_dsql_execute_immediate(StatusVector(), database.HandleAddress(),
                                                                transaction.HandleAddress(), 0, text.c_str(),
                                                                SQL_DIALECT_V6, nullptr),
                         true);
}

std::int64_t ConnectionTest::Query(TFIBDatabase& database, TFIBTransaction& transaction,
                                   std::string_view select) {
  const std::string text(select);
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
  transaction.ClientCall(
      ClientAPI().isc_dsql_exec_immed2(StatusVector(), database.HandleAddress(), transaction.HandleAddress(),
                                       0, text.c_str(), SQL_DIALECT_V6, nullptr, output),
      true);
  if (null != 0) ADD_FAILURE() << "NULL from: " << text;
  return value;
}
