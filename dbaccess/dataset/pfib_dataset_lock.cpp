// TpFIBDataSet: the pessimistic record lock taken before editing, and the
// record count asked of the server when the dataset opens.

#include "dbaccess/client/errors.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "dbaccess/sql/sql_text.h"
#include "dbaccess/sql/sql_words.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/text/text.h"

namespace {

// What the server answers for a row another transaction holds (lock
// conflict, update conflict, deadlock).
constexpr int SQLCodeDeadlock = -913;

constexpr const char* LockSavepoint = "TULVO_RECORD_LOCK";

// The lock runs inside a savepoint: whatever it touched stays only when it
// touched exactly the one row, which is the lock. Savepoint statements go
// through a statement of their own on the lock's transaction.
class TLockSavepoint {
 public:
  TLockSavepoint(TFIBDatabase* database, TFIBTransaction* transaction) {
    FQuery.SetDatabase(database);
    FQuery.SetTransaction(transaction);
    FQuery.SetParamCheck(false);
    Run(std::string("SAVEPOINT ") + LockSavepoint);
  }
  ~TLockSavepoint() {
    // Releasing only forgets the savepoint (its changes stay); failing to do
    // so leaves a named savepoint that the next lock replaces.
    try {
      Run(std::string("RELEASE SAVEPOINT ") + LockSavepoint + " ONLY");
    } catch (...) {
    }
  }
  TLockSavepoint(const TLockSavepoint&) = delete;
  TLockSavepoint& operator=(const TLockSavepoint&) = delete;

  void RollBack() { Run(std::string("ROLLBACK TO SAVEPOINT ") + LockSavepoint); }

 private:
  void Run(const std::string& text) {
    FQuery.SQL().SetText(text);
    FQuery.ExecQuery();
  }

  TFIBQuery FQuery{nullptr};
};

}  // namespace

TLockStatus TpFIBDataSet::LockRecord(bool raiseOnError) {
  if (IsBlankText(UpdateSQL().Text())) throw Exception("Unable to lock record. Update query is empty");
  CheckOpen(" lock record ");
  const std::string table = UpdateQuery().ModifyTableName();
  TField* field = FieldOfTable(table);
  if (field != nullptr) {
    // The column is set to what the server holds: a new version of the row
    // (the lock) with nothing changed, and no clash of values when the
    // condition finds more than one row (a key column set to one record's
    // value on two rows would break its uniqueness, not report them).
    const int dialect = Database() != nullptr ? Database()->SQLDialect() : 3;
    const std::string column = FormatIdentifier(dialect, OriginColumnOf(field));
    const std::string text = "UPDATE " + FormatIdentifier(dialect, table) + " SET " + column + "=" + column +
                             " WHERE " + WhereClause(UpdateSQL().Text(), 1);
    if (FLockQuery->SQL().Text() != text + "\r\n") FLockQuery->SQL().SetText(text + "\r\n");
  } else if (FLockQuery->SQL().Text() != UpdateSQL().Text()) {
    FLockQuery->SQL().Assign(&UpdateSQL());
  }
  TFIBTransaction* update = UpdateTransaction();
  FLockQuery->SetDatabase(Database());
  FLockQuery->SetTransaction(update);
  SetRecordParams(*FLockQuery, ActiveBuffer());
  if (CachedUpdates()) {
    // Under cached updates the server still has the values read: the
    // record is found by those.
    TFIBXSQLDA& params = FLockQuery->Params();
    for (int i = 0; i < params.Count(); ++i) {
      TField* named = FindField(params[i].Name());
      if (named == nullptr || IsBlobFieldType(named->DataType())) continue;
      const Variant old = named->OldValue();
      if (old.IsNull() || old.IsEmpty())
        params[i].SetIsNull(true);
      else if (dynamic_cast<TDateTimeField*>(named) != nullptr)
        params[i].SetAsDouble(old.AsDouble());
      else
        params[i].SetAsVariant(old);
    }
  }
  for (;;) {
    if (update != nullptr && !update->Active() && Options().Contains(poStartTransaction)) update->StartTransaction();
    TLockStatus status = lsSuccess;
    std::string message;
    try {
      TLockSavepoint savepoint(Database(), update);
      try {
        FLockQuery->ExecQuery();
        const int rows = FLockQuery->RowsAffected();
        status = rows == 1 ? lsSuccess : rows == 0 ? lsNotExist : lsMultiply;
      } catch (const EFIBError&) {
        savepoint.RollBack();
        throw;
      }
      if (status != lsSuccess) savepoint.RollBack();
    } catch (const EFIBError& e) {
      status = e.SQLCode() == SQLCodeDeadlock ? lsDeadLock : lsUnknownError;
      message = e.Message();
    }
    if (status == lsSuccess || !raiseOnError) return status;
    switch (status) {
      case lsDeadLock:
        message = "Deadlock detected";
        break;
      case lsNotExist:
        message = "Record does not exist";
        break;
      case lsMultiply:
        message = "Attempt to edit multiple records";
        break;
      default:
        break;
    }
    message = "Error of record updating:" + message;
    TDataAction action = daFail;
    if (OnLockError) OnLockError(this, status, message, action);
    if (action == daFail) throw Exception(message);
    if (action == daAbort) Abort();
  }
}

// ---- The server-side record count ---------------------------------------------------------

void TpFIBDataSet::DoAskRecordCount() {
  FServerRecordCount = PrepareOptions().Contains(psAskRecordCount) ? AskRecordCount() : 0;
}

int TpFIBDataSet::AskRecordCount() {
  TFIBQuery& select = SelectQuery();
  TFIBTransaction* transaction = select.Transaction();
  if (transaction == nullptr || !transaction->Active()) return 0;
  try {
    FCountQuery->SetDatabase(select.Database());
    FCountQuery->SetTransaction(transaction);
    std::string text;
    if (OnAskRecordCount) OnAskRecordCount(this, text);
    // The select as the server would get it now, counted; reading that text
    // leaves the select's own record of what it last sent alone, so that it
    // still rebuilds its text when its values changed.
    if (text.empty()) text = CountSQL(select.SentTextPreview());
    if (text.empty()) return 0;
    if (FCountQuery->SQL().Text() != text + "\r\n") FCountQuery->SQL().SetText(text + "\r\n");
    TFIBXSQLDA& params = FCountQuery->Params();
    for (int i = 0; i < params.Count(); ++i) {
      TFIBXSQLVAR* source = select.FindParam(params[i].Name());
      if (source == nullptr) {
        const int sent = select.SentParams().IndexOfName(params[i].Name());
        if (sent >= 0) source = &select.SentParams()[sent];
      }
      if (source != nullptr) params[i].SetAsVariant(source->AsVariant());
    }
    FCountQuery->ExecQuery();
    const int count = FCountQuery->Fields(0).AsInteger();
    FCountQuery->CloseCursor();
    return count;
  } catch (const EAbort&) {
    throw;
  } catch (const Exception&) {
    throw Exception(Format("%s unable to get number of records", ComponentPath(this)));
  }
}
