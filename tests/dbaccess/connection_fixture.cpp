#include "tests/dbaccess/connection_fixture.h"

#include <memory>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/status_vector.h"
#include "dbaccess/connection/database_options.h"
#include "tests/support/text_query.h"

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

void ConnectionTest::MakeConnection(bool open) {
  FDB = &NewDatabase("DB");
  FTR = &NewTransaction("TR", FDB);
  if (!open) return;
  FDB->OpenConnection();
  FTR->StartTransaction();
}

TFIBQuery& ConnectionTest::NewStatement(TFIBDatabase* database, TFIBTransaction* transaction,
                                        std::string_view sql, const std::string& name) {
  auto* query = new TFIBQuery(FForm.get());  // owned by the form
  if (!name.empty()) query->SetName(name);
  query->SetDatabase(database);
  query->SetTransaction(transaction);
  query->SQL().SetText(sql);
  return *query;
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
  return TTextQuery(database.HandleAddress(), transaction.HandleAddress()).WholeNumber(std::string(select));
}
