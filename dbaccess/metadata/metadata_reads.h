#pragma once
// What the metadata caches share to talk to the server: the read-only
// transactions they read in, a lease on a statement of the query cache, the
// rows of the FIB$FIELDS_INFO repository read into memory, and the upgrade
// of an older repository table. Internal to the metadata folder.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TFIBDatabase;
class TFIBQuery;
class TFIBTransaction;
class TpFIBQuery;
class TpFIBTransaction;

// A transaction for the layer's own metadata reads: read only (so a read
// can never change the database nor hold write locks), read committed,
// ending by commit when forced. Not bound to a connection.
std::unique_ptr<TpFIBTransaction> NewMetadataTransaction();

// Binds an inactive transaction to the connection; an active one bound
// elsewhere is committed first.
void PointTransactionAt(TFIBTransaction& transaction, TFIBDatabase* database);

// Starts the transaction when it is inactive and, in that case only,
// commits it when the scope ends (quietly when an error is already on its
// way out).
class TTransactionUseScope {
 public:
  explicit TTransactionUseScope(TFIBTransaction& transaction);
  ~TTransactionUseScope();
  TTransactionUseScope(const TTransactionUseScope&) = delete;
  TTransactionUseScope& operator=(const TTransactionUseScope&) = delete;

  // Commits now (when this scope started it); a failure raises.
  void Finish();

 private:
  TFIBTransaction& FTransaction;
  bool FStarted = false;
};

// A statement for one of the layer's short texts, from the query cache,
// given back when the lease ends. Once the cache has been shut down the
// lease makes a statement of its own instead.
class TCachedQueryLease {
 public:
  TCachedQueryLease(TFIBTransaction& transaction, std::string_view text);
  ~TCachedQueryLease();
  TCachedQueryLease(const TCachedQueryLease&) = delete;
  TCachedQueryLease& operator=(const TCachedQueryLease&) = delete;

  TpFIBQuery& operator*() const { return *FQuery; }
  TpFIBQuery* operator->() const { return FQuery; }

 private:
  TpFIBQuery* FQuery = nullptr;
  std::unique_ptr<TpFIBQuery> FOwned;
};

// Runs an opened select's first column of the first row as a whole
// number; 0 when there is no row or the value is null.
std::int32_t FirstValueAsInt32(TFIBQuery& query);

// One value of a repository row, read while the row was current.
struct TRepositoryValue {
  std::string Name;
  std::string Text;
  bool IsNull = true;
};

// One row of FIB$FIELDS_INFO.
struct TRepositoryRow {
  std::vector<TRepositoryValue> Values;
  // FIELD_NAME without trailing blanks.
  std::string FieldName;
  const TRepositoryValue* Find(std::string_view name) const;
};

// The repository rows of one table, in FIELD_NAME order.
class TRepositoryRows {
 public:
  // Runs the select (already bound) in its transaction and keeps every row.
  void Read(TFIBQuery& query);
  // The row of a column (trailing blanks ignored), or nullptr.
  const TRepositoryRow* Locate(std::string_view fieldName) const;
  const std::vector<TRepositoryRow>& Rows() const { return FRows; }

 private:
  std::vector<TRepositoryRow> FRows;
};

// The texts the repository of field information is read with.
inline constexpr const char* FieldsInfoVersionSQL = "Select Max(fib$version) From FIB$FIELDS_INFO Where table_name=?TN";
// The table name is a parameter: a name pasted between quotes would break
// (or rewrite) the statement for a table whose name holds a quote.
inline constexpr const char* FieldsInfoRowsSQL =
    "Select * from FIB$FIELDS_INFO where TABLE_NAME=?TN ORDER BY FIELD_NAME";

// Reads the repository rows of a table in the transaction; the query is
// made here and freed before returning.
void ReadRepositoryRows(TFIBTransaction& transaction, const std::string& tableName, TRepositoryRows& rows);

// Brings an older FIB$FIELDS_INFO up to date: its version generator, the
// DISPLAY_WIDTH and FIB$VERSION columns and the two triggers that number
// each change. Runs in a write transaction of its own (the metadata reads
// are read only); each statement that fails (because its object is there
// already) is skipped.
void UpgradeFieldsInfoRepository(TFIBDatabase* database);
