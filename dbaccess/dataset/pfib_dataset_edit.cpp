// TpFIBDataSet: what editing may do (AllowedUpdateKinds, the rights probe),
// the editing hooks around the core, defaults of new records, generator
// values, and posting and deleting through the modify statements.

#include <cmath>

#include "dbaccess/client/errors.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/fib_fields.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/base/scope_exit.h"
#include "framework/core/text/datetime.h"
#include "framework/core/text/text.h"

namespace {

constexpr int SQLCodeNoPermission = -551;

// Statement kinds whose row count the server reports.
bool ReportsRows(TFIBSQLTypes type) { return type == SQLUpdate || type == SQLDelete || type == SQLInsert; }

bool ReturnsRow(TFIBSQLTypes type) {
  return type == SQLSelect || type == SQLSelectForUpdate || type == SQLExecProcedure;
}

}  // namespace

// ---- Allowed modifications ---------------------------------------------------------------

bool TpFIBDataSet::IsNoAction(const TFIBQuery& query) {
  return query.SQL().Count() > 0 && AnsiSameText(Trim(query.SQL().Strings(0)), "No Action");
}

bool TpFIBDataSet::AutoSqlAllowed() const {
  const TAutoUpdateOptions& options = *FAutoUpdateOptions;
  return options.UpdateOnlyModifiedFields() && options.AutoReWriteSqls() && options.CanChangeSQLs() &&
         !options.KeyFields().empty() && !options.UpdateTableName().empty();
}

bool TpFIBDataSet::DetailActive(TUpdateKind kind) const {
  for (const TDetailStatement& detail : FDetailStatements[kind])
    if (detail.Active && detail.Query && !IsBlankText(detail.Query->SQL().Text())) return true;
  return false;
}

bool TpFIBDataSet::ModifyAllowed() const {
  return FAllowedUpdateKinds.Contains(ukModify) &&
         (TFIBDataSet::CanEdit() || DetailActive(ukModify) || AutoSqlAllowed());
}

bool TpFIBDataSet::InsertAllowed() const {
  return FAllowedUpdateKinds.Contains(ukInsert) &&
         (TFIBDataSet::CanInsert() || DetailActive(ukInsert) || AutoSqlAllowed());
}

bool TpFIBDataSet::DeleteAllowed() const {
  return FAllowedUpdateKinds.Contains(ukDelete) &&
         (TFIBDataSet::CanDelete() || DetailActive(ukDelete) || AutoSqlAllowed());
}

bool TpFIBDataSet::CanEdit() const { return ModifyAllowed(); }
bool TpFIBDataSet::CanInsert() const { return InsertAllowed(); }
bool TpFIBDataSet::CanDelete() const { return DeleteAllowed(); }
bool TpFIBDataSet::GetCanModify() const { return ModifyAllowed() || InsertAllowed() || DeleteAllowed(); }

TFIBQuery& TpFIBDataSet::StatementOf(TUpdateKind kind) const {
  switch (kind) {
    case ukInsert:
      return InsertQuery();
    case ukDelete:
      return DeleteQuery();
    default:
      return UpdateQuery();
  }
}

void TpFIBDataSet::CheckModifyRights(TUpdateKind kind) {
  TFIBQuery& query = StatementOf(kind);
  if (IsBlankText(query.SQL().Text()) || query.Prepared() || IsNoAction(query)) return;
  // Prepared under the dataset's own transaction, which is running.
  TFIBTransaction* saved = query.Transaction();
  const TAtScopeExit restore([&query, saved] {
    // Rebinding a statement only drops its preparation; nothing to report.
    try {
      query.SetTransaction(saved);
    } catch (...) {
    }
  });
  query.SetTransaction(Transaction());
  try {
    if (!SelectQuery().Prepared()) SelectQuery().Prepare();
    query.Prepare();
  } catch (const EFIBInterBaseError& e) {
    if (e.SQLCode() != SQLCodeNoPermission || ComponentState().Contains(TComponentStateItem::csDesigning)) throw;
    FAllowedUpdateKinds.Exclude(kind);
    Abort();
  }
}

// ---- Editing hooks -----------------------------------------------------------------------

void TpFIBDataSet::DoBeforeEdit() {
  if (!ModifyAllowed()) Abort();
  if (!CachedUpdates() && !FAutoUpdateOptions->UpdateOnlyModifiedFields()) {
    CheckModifyRights(ukModify);
    if (!ModifyAllowed()) Abort();
  }
  if (Options().Contains(poProtectedEdit) && !IsEmpty() &&
      static_cast<TCachedUpdateStatus>(ActiveBuffer()[5]) == cusUnmodified)
    ProtectEdit();
  TellContainer(deBeforeEdit);
  TFIBDataSet::DoBeforeEdit();
}

void TpFIBDataSet::ProtectEdit() {
  TAutoUpdateOptions& options = *FAutoUpdateOptions;
  const bool generates = options.AutoReWriteSqls() || options.UpdateOnlyModifiedFields();
  if (generates && IsBlankText(RefreshSQL().Text()))
    SetGeneratedText(RefreshQuery(), GenerateSQLTextFor(skRefresh));
  // The record as the server has it now, so that the lock compares with it
  // (without a refresh text there is nothing to read it with).
  if (!IsBlankText(RefreshSQL().Text())) InternalRefresh();
  if (generates && IsBlankText(UpdateSQL().Text())) {
    const bool onlyModified = options.UpdateOnlyModifiedFields();
    const TAtScopeExit restore([&options, onlyModified] { options.SetUpdateOnlyModifiedFields(onlyModified); });
    options.SetUpdateOnlyModifiedFields(false);
    SetGeneratedText(UpdateQuery(), GenerateSQLTextFor(skModify));
  }
  LockRecord(true);
}

void TpFIBDataSet::DoBeforeInsert() {
  if (!InsertAllowed()) Abort();
  if (!CachedUpdates() && !FAutoUpdateOptions->UpdateOnlyModifiedFields()) {
    CheckModifyRights(ukInsert);
    if (!InsertAllowed()) Abort();
  }
  TellContainer(deBeforeInsert);
  TFIBDataSet::DoBeforeInsert();
}

void TpFIBDataSet::DoBeforeDelete() {
  if (!DeleteAllowed()) Abort();
  if (!CachedUpdates() && !FAutoUpdateOptions->UpdateOnlyModifiedFields()) {
    CheckModifyRights(ukDelete);
    if (!DeleteAllowed()) Abort();
  }
  TellContainer(deBeforeDelete);
  TFIBDataSet::DoBeforeDelete();
}

void TpFIBDataSet::DoBeforePost() {
  if (State() == dsInsert && FAutoUpdateOptions->WhenGetGenID() == wgBeforePost) AssignGeneratorValue();
  TellContainer(deBeforePost);
  TFIBDataSet::DoBeforePost();
  if (!CachedUpdates()) RegenerateForState(State());
}

void TpFIBDataSet::DoAfterPost() {
  InvalidateFilterCount();
  TellContainer(deAfterPost);
  // A record posted under protected editing stays locked by this
  // transaction: editing it again needs no new lock.
  if (Options().Contains(poProtectedEdit) && !CachedUpdates() && !IsEmpty()) {
    ActiveBuffer()[5] = static_cast<std::byte>(cusModified);
    WriteRecordToCache(ActiveBuffer());
  }
  TFIBDataSet::DoAfterPost();
  if (AutoCommit() && CachedUpdates()) ApplyAndCommitCachedUpdates();
}

void TpFIBDataSet::DoAfterDelete() {
  InvalidateFilterCount();
  TellContainer(deAfterDelete);
  if (AutoCommit() && CachedUpdates()) ApplyAndCommitCachedUpdates();
  TFIBDataSet::DoAfterDelete();
}

// Auto-commit under cached updates: each change goes to the server and is
// committed as soon as it is made, so other connections see it.
void TpFIBDataSet::ApplyAndCommitCachedUpdates() {
  ApplyUpdates();
  AutoCommitUpdates();
  CommitUpdates();
}

void TpFIBDataSet::InternalRefresh() {
  InvalidateFilterCount();
  TFIBDataSet::InternalRefresh();
}

void TpFIBDataSet::RegenerateForState(TDataSetState state) {
  const TAutoUpdateOptions& options = *FAutoUpdateOptions;
  if (!options.UpdateOnlyModifiedFields() || options.KeyFields().empty() || options.UpdateTableName().empty())
    return;
  if (state == dsEdit)
    SetGeneratedText(UpdateQuery(), GenerateSQLText(options.UpdateTableName(), options.KeyFields(), skModify));
  else if (state == dsInsert)
    SetGeneratedText(InsertQuery(), GenerateSQLText(options.UpdateTableName(), options.KeyFields(), skInsert));
}

// ---- Posting and deleting through the statements ---------------------------------------------

void TpFIBDataSet::RunDetailStatements(TUpdateKind kind, bool after, TRecordBuffer buffer) {
  for (TDetailStatement& detail : FDetailStatements[kind]) {
    if (!detail.Active || detail.After != after || !detail.Query || IsBlankText(detail.Query->SQL().Text()))
      continue;
    TFIBQuery& query = *detail.Query;
    // A statement without a connection of its own runs where the dataset's
    // changes do (binding the connection alone would give it the connection's
    // default transaction).
    if (query.Database() == nullptr) {
      query.SetDatabase(Database());
      query.SetTransaction(UpdateTransaction());
    } else if (query.Transaction() == nullptr) {
      query.SetTransaction(UpdateTransaction());
    }
    if (query.Open()) query.CloseCursor();
    SetRecordParams(query, buffer);
    query.ExecQuery();
  }
}

void TpFIBDataSet::ExecuteModifyStatement(TFIBQuery& query, TRecordBuffer buffer, TUpdateKind kind) {
  TFIBTransaction* update = UpdateTransaction();
  if (update != nullptr && !update->Active() && Options().Contains(poStartTransaction)) update->StartTransaction();
  RunDetailStatements(kind, false, buffer);
  if (query.Open()) query.CloseCursor();
  SetRecordParams(query, buffer);
  query.ExecQuery();
  // A statement that finds no row changes nothing: the record is gone or
  // no longer as it was read. That is an error, not a success.
  if (ReportsRows(query.SQLType()) && query.RowsAffected() == 0) {
    static constexpr const char* What[] = {"update", "insert", "delete"};
    throw EDatabaseError(ComponentPath(this) + ":\r\n" +
                         Format("Can't %s the record: the statement changed no row. The record may have been "
                                "changed or deleted by another user.",
                                What[kind]));
  }
  if (ReturnsRow(query.SQLType())) {
    if (query.SQLType() == SQLExecProcedure || query.FetchNext() != nullptr) StoreOutputRow(query, buffer);
    query.CloseCursor();
  }
  RunDetailStatements(kind, true, buffer);
}

void TpFIBDataSet::PostBySQL(TRecordBuffer buffer) {
  // The record says what it is: applying cached updates runs in browse
  // state, where a new record must still go through the insert statement.
  const TUpdateKind kind = static_cast<TCachedUpdateStatus>(buffer[5]) == cusInserted ? ukInsert : ukModify;
  TFIBQuery& query = StatementOf(kind);
  if (IsNoAction(query)) {
    // An unchanged record has nothing to write; a new one skipped would
    // stand in the dataset as if the server had it.
    if (kind == ukModify) return;
    throw EDatabaseError(ComponentPath(this) + ":\r\nCan't insert the record: the insert statement is \"No Action\".");
  }
  ExecuteModifyStatement(query, buffer, kind);
  buffer[5] = static_cast<std::byte>(cusUnmodified);
  WriteRecordToCache(buffer);
  SetModified(false);
  // What the server made of the record (triggers, defaults) comes back.
  if (Options().Contains(poRefreshAfterPost) && !IsBlankText(RefreshSQL().Text()))
    RefreshRecord(RefreshQuery(), buffer);
  FPostedInTransaction = Transaction() != nullptr && Transaction()->TransactionState() == tsActive;
}

void TpFIBDataSet::DeleteBySQL() {
  TRecordBuffer buffer = ActiveBuffer();
  TFIBQuery& query = DeleteQuery();
  if (IsNoAction(query)) return;
  ExecuteModifyStatement(query, buffer, ukDelete);
  buffer[5] = static_cast<std::byte>(cusDeletedApplied);
  WriteRecordToCache(buffer);
  FPostedInTransaction = Transaction() != nullptr && Transaction()->TransactionState() == tsActive;
  TFIBTransaction* update = UpdateTransaction();
  if (!CachedUpdates() && AutoCommit() && update != nullptr && update->Active()) {
    if (update == Transaction() || update->TimeoutAction() != TACommit)
      update->CommitRetaining();
    else
      update->Commit();
  }
}

// ---- New records ---------------------------------------------------------------------------

void TpFIBDataSet::AssignGeneratorValue() {
  const TAutoUpdateOptions& options = *FAutoUpdateOptions;
  if (options.WhenGetGenID() == wgNever) return;
  if (Database() == nullptr) RaiseClientError(ceDatabaseNotAssigned, ComponentPath(this));
  TField* key = KeyField();
  if (key == nullptr || !key->IsNull()) return;
  const bool numeric = dynamic_cast<TNumericField*>(key) != nullptr;
  if (!numeric) return;
  const std::int64_t value =
      Database()->NextGeneratorValue(options.GeneratorName(), Transaction(), options.GeneratorStep());
  auto* bcd = dynamic_cast<TFIBBCDField*>(key);
  if ((bcd != nullptr && bcd->Size() == 0) || dynamic_cast<TLargeintField*>(key) != nullptr)
    key->SetAsLargeInt(value);
  else
    key->SetAsInteger(static_cast<int>(value));
}

// A default is either an SQL literal (in single quotes: its text, case and
// all) or a word the server knows (USER, NOW, TODAY, NULL and the others),
// or a plain number. Only an unquoted word means the server's value.
void TpFIBDataSet::ApplyNewRecordDefaults() {
  const TAutoUpdateOptions& options = *FAutoUpdateOptions;
  if (options.WhenGetGenID() == wgOnNewRecord) {
    AssignGeneratorValue();
  } else if (options.WhenGetGenID() == wgBeforePost) {
    if (TField* key = KeyField()) key->SetRequired(false);
  }
  const TDateTime offset = Database() != nullptr ? Database()->ServerTimeOffset() : 0;
  TField* key = options.WhenGetGenID() != wgNever ? KeyField() : nullptr;
  const TStrings& links = options.ParamsToFieldsLinks();
  for (TField* field : Fields()) {
    if (field == key || field->FieldKind() != fkData) continue;
    if (std::find(FEmptyStringDefaults.begin(), FEmptyStringDefaults.end(), field) != FEmptyStringDefaults.end()) {
      field->SetAsString({});
      continue;
    }
    const std::string paramName = links.Values(field->FieldName());
    if (!paramName.empty()) {
      if (TFIBXSQLVAR* param = SelectQuery().FindParam(paramName)) {
        field->SetAsVariant(param->AsVariant());
        continue;
      }
    }
    const std::string& expression = field->DefaultExpression();
    const std::string trimmed = Trim(expression);
    if (trimmed.empty()) continue;
    if (trimmed.front() == '\'') {
      const std::string inner = trimmed.size() >= 2 && trimmed.back() == '\''
                                    ? trimmed.substr(1, trimmed.size() - 2)
                                    : trimmed.substr(1);
      field->SetAsString(ReplaceAll(inner, "''", "'"));
      continue;
    }
    const std::string word = AnsiUpperCase(trimmed);
    const TDateTime now = Now() - offset;
    const TDateTime today = std::trunc(now);
    if (word == "USER" || word == "CURRENT_USER") {
      field->SetAsString(Database() != nullptr ? Database()->ParamValue("user_name") : std::string());
    } else if (word == "ROLE" || word == "CURRENT_ROLE") {
      field->SetAsString(Database() != nullptr ? Database()->ParamValue("sql_role_name") : std::string());
    } else if (word == "NOW" || word == "CURRENT_TIME" || word == "CURRENT_TIMESTAMP") {
      field->SetAsDateTime(now);
    } else if (word == "TODAY" || word == "CURRENT_DATE") {
      field->SetAsDateTime(today);
    } else if (word == "TOMORROW") {
      field->SetAsDateTime(today + 1);
    } else if (word == "YESTERDAY") {
      field->SetAsDateTime(today - 1);
    } else if (word != "NULL") {
      field->SetAsString(expression);
    }
  }
}
