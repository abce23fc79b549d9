#pragma once
// Reads what a SELECT gives through the client API itself, apart from the
// layer's statement classes, with every value as text: the tests' own view of
// what a database holds, to compare with what the layer wrote or read.
//
// Values: integers and scaled numbers in decimal ("-12.50"), floating point in
// the shortest form that reads back the same, text as stored (Windows-1251,
// CHAR with its padding), dates as "yyyy-mm-dd", times as "hh:mm:ss.ffff",
// Booleans as "true"/"false", NULL as "<null>", other types as "<type N>".

#include <cstdint>
#include <string>
#include <vector>

#include "dbaccess/client/client_handles.h"

// One column of a SELECT as the engine describes it.
struct TQueryColumn {
  std::string Name;
  int Type = 0;     // the client API's SQL type, without the nullable bit
  int Length = 0;   // bytes
  int CharSet = 0;  // for text columns (the sub-type of others)
  int Scale = 0;
};

class TTextQuery {
 public:
  // A read-only read-committed transaction that does not wait.
  static std::vector<std::string> ReadOnlyTransaction();

  // Attaches to path with the connection lines and starts its own
  // transaction; both end with the query (the transaction is rolled back).
  TTextQuery(const std::string& path, const std::vector<std::string>& connectionLines,
             const std::vector<std::string>& transactionLines = ReadOnlyTransaction());
  // Works in an attachment and a transaction that another owner keeps, such
  // as a connection component's, so it sees that transaction's own changes.
  TTextQuery(TClientHandle* database, TClientHandle* transaction);
  TTextQuery(const TTextQuery&) = delete;
  TTextQuery& operator=(const TTextQuery&) = delete;

  std::vector<TQueryColumn> Describe(const std::string& select);
  // Every row, in the order the engine gives them.
  std::vector<std::vector<std::string>> Rows(const std::string& select);
  // The first column of every row.
  std::vector<std::string> Column(const std::string& select);
  // The value of a SELECT that gives exactly one row of one column; raises
  // Exception for any other shape.
  std::string Value(const std::string& select);
  // That value as a whole number; raises Exception for NULL or other text.
  std::int64_t WholeNumber(const std::string& select);
  // The engine's plan for the statement.
  std::string Plan(const std::string& select);
  // A number the engine reports about the database (an isc_info_ item).
  int DatabaseInfo(char item);

 private:
  TDatabaseHandle FOwnDatabase;
  TTransactionHandle FOwnTransaction;  // after the database: it ends first
  TClientHandle* FDatabase;
  TClientHandle* FTransaction;
};
