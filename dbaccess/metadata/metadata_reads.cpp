#include "dbaccess/metadata/metadata_reads.h"

#include "dbaccess/connection/app_database.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/statement/query_cache.h"
#include "dbaccess/statement/query_ext.h"
#include "framework/core/text/text.h"

std::unique_ptr<TpFIBTransaction> NewMetadataTransaction() {
  auto transaction = std::make_unique<TpFIBTransaction>(nullptr);
  transaction->SetTPBMode(tpbDefault);
  TStringList lines;
  for (const char* line : {"read", "read_committed", "rec_version", "nowait"}) lines.Add(line);
  transaction->SetTRParams(lines);
  transaction->SetTimeoutAction(TACommit);
  return transaction;
}

void PointTransactionAt(TFIBTransaction& transaction, TFIBDatabase* database) {
  if (transaction.DefaultDatabase() == database) return;
  if (transaction.Active()) transaction.Commit();
  transaction.SetDefaultDatabase(database);
}

// ---- TTransactionUseScope --------------------------------------------------------------------

TTransactionUseScope::TTransactionUseScope(TFIBTransaction& transaction) : FTransaction(transaction) {
  if (!transaction.Active()) {
    transaction.StartTransaction();
    FStarted = true;
  }
}

TTransactionUseScope::~TTransactionUseScope() {
  if (!FStarted) return;
  try {
    if (FTransaction.Active()) FTransaction.Commit();
  } catch (...) {
    // The error that left the scope early is the one the caller hears of;
    // a read-only transaction has nothing to lose here.
  }
}

void TTransactionUseScope::Finish() {
  if (!FStarted) return;
  FStarted = false;
  if (FTransaction.Active()) FTransaction.Commit();
}

// ---- TCachedQueryLease -----------------------------------------------------------------------

TCachedQueryLease::TCachedQueryLease(TFIBTransaction& transaction, std::string_view text)
    : FQuery(AcquireCachedQuery(&transaction, text)) {
  if (FQuery) return;
  FOwned = std::make_unique<TpFIBQuery>(nullptr);
  FOwned->SetDatabase(transaction.DefaultDatabase());
  FOwned->SetTransaction(&transaction);
  FOwned->SQL().SetText(text);
  FQuery = FOwned.get();
}

TCachedQueryLease::~TCachedQueryLease() {
  if (FOwned) return;
  try {
    if (FQuery->Open()) FQuery->CloseCursor();
  } catch (...) {
    // The cache closes a cursor left open when it hands the query out again.
  }
  ReleaseCachedQuery(FQuery);
}

std::int32_t FirstValueAsInt32(TFIBQuery& query) {
  if (query.Eof() || query.FieldCount() == 0 || query.Fields(0).IsNull()) return 0;
  return query.Fields(0).AsInteger();
}

// ---- Repository rows ---------------------------------------------------------------------------

const TRepositoryValue* TRepositoryRow::Find(std::string_view name) const {
  for (const TRepositoryValue& value : Values)
    if (AnsiSameText(value.Name, name)) return &value;
  return nullptr;
}

void TRepositoryRows::Read(TFIBQuery& query) {
  FRows.clear();
  query.ExecQuery();
  while (!query.Eof()) {
    TRepositoryRow row;
    for (int i = 0; i < query.FieldCount(); ++i) {
      TFIBXSQLVAR& var = query.Fields(i);
      TRepositoryValue value;
      value.Name = var.Name();
      try {
        value.IsNull = var.IsNull();
        if (!value.IsNull) value.Text = var.AsString();
      } catch (const Exception&) {
        // A value that cannot be read as text counts as absent, as an
        // attribute that cannot be read is skipped.
        value.IsNull = true;
        value.Text.clear();
      }
      row.Values.push_back(std::move(value));
    }
    if (const TRepositoryValue* name = row.Find("FIELD_NAME")) row.FieldName = TrimRight(name->Text);
    FRows.push_back(std::move(row));
    query.FetchNext();
  }
  if (query.Open()) query.CloseCursor();
}

const TRepositoryRow* TRepositoryRows::Locate(std::string_view fieldName) const {
  const std::string wanted = TrimRight(fieldName);
  for (const TRepositoryRow& row : FRows)
    if (row.FieldName == wanted) return &row;
  return nullptr;
}

void ReadRepositoryRows(TFIBTransaction& transaction, const std::string& tableName, TRepositoryRows& rows) {
  TpFIBQuery query(nullptr);
  query.SetDatabase(transaction.DefaultDatabase());
  query.SetTransaction(&transaction);
  query.SQL().SetText(FieldsInfoRowsSQL);
  query.ParamByName("TN").SetAsString(tableName);
  rows.Read(query);
}

// ---- Upgrading the repository ------------------------------------------------------------------

namespace {

constexpr const char* FieldsInfoUpgradeSQL[] = {
    "CREATE GENERATOR FIB$FIELD_INFO_VERSION",
    "ALTER TABLE FIB$FIELDS_INFO ADD DISPLAY_WIDTH INTEGER DEFAULT 0",
    "ALTER TABLE FIB$FIELDS_INFO ADD FIB$VERSION INTEGER",
    "CREATE TRIGGER FIB$FIELDS_INFO_BI FOR FIB$FIELDS_INFO\r\n"
    "ACTIVE BEFORE INSERT POSITION 0\r\n"
    "as\r\n"
    "begin\r\n"
    "  new.fib$version=gen_id(fib$field_info_version,1);\r\n"
    "end",
    "CREATE TRIGGER FIB$FIELDS_INFO_BU FOR FIB$FIELDS_INFO\r\n"
    "ACTIVE BEFORE UPDATE POSITION 0\r\n"
    "as\r\n"
    "begin\r\n"
    "  new.fib$version=gen_id(fib$field_info_version,1);\r\n"
    "end",
};

}  // namespace

void UpgradeFieldsInfoRepository(TFIBDatabase* database) {
  TpFIBTransaction transaction(nullptr);
  transaction.SetTPBMode(tpbDefault);
  TStringList lines;
  for (const char* line : {"write", "read_committed", "rec_version", "nowait"}) lines.Add(line);
  transaction.SetTRParams(lines);
  transaction.SetTimeoutAction(TACommit);
  transaction.SetDefaultDatabase(database);
  try {
    transaction.StartTransaction();
    for (const char* text : FieldsInfoUpgradeSQL) {
      try {
        TFIBQuery statement(nullptr);
        statement.SetParamCheck(false);
        statement.SetDatabase(database);
        statement.SetTransaction(&transaction);
        statement.SQL().SetText(text);
        statement.ExecQuery();
        // Each change is kept before the next one needs it (a trigger on
        // the column just added).
        transaction.CommitRetaining();
      } catch (const Exception&) {
        // What is already there stays as it is.
      }
    }
    transaction.Commit();
  } catch (const Exception&) {
    // An upgrade that cannot run leaves the repository as it was; the
    // readers cope with the older table.
  }
}
