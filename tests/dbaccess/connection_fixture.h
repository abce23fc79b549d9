#pragma once
// Helpers for the tests of the connection, the transaction and the links on
// the embedded engine: connection components set up for the fixture's
// databases under a form-like owner, and statements run through a
// connection component and a transaction component with the raw client API
// (the statement classes build on what these tests cover).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "dbaccess/connection/database.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/statement/query.h"
#include "framework/core/component/component.h"
#include "tests/dbaccess/db_fixture.h"

class ConnectionTest : public DatabaseTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The owner of every component the test makes, named "MainForm".
  TComponent& Form() { return *FForm; }

  // A connection to path (the test's database by default), named, with the
  // fixture's connection lines and without the server clock query; not
  // connected.
  TFIBDatabase& NewDatabase(const std::string& name, const std::string& path = {});
  // A transaction with the given default database, named; not started.
  TFIBTransaction& NewTransaction(const std::string& name, TFIBDatabase* database);

  // The test's connection "DB" to its database and that connection's
  // transaction "TR" (FDB, FTR); connected and started unless open is
  // false.
  void MakeConnection(bool open = true);

  // A statement of the form on the connection and transaction, named when
  // a name is given, with the text.
  TFIBQuery& NewStatement(TFIBDatabase* database, TFIBTransaction* transaction, std::string_view sql,
                          const std::string& name = {});

  // Runs one statement in the transaction (which must be active).
  static void Execute(TFIBDatabase& database, TFIBTransaction& transaction, std::string_view sql);
  // The first column of the one row of a SELECT, in the transaction.
  static std::int64_t Query(TFIBDatabase& database, TFIBTransaction& transaction, std::string_view select);

  TFIBDatabase* FDB = nullptr;
  TFIBTransaction* FTR = nullptr;

 private:
  std::unique_ptr<TComponent> FForm;
};
