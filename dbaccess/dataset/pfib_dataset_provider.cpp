// TpFIBDataSet: the provider-support group, through which a data provider
// reads the dataset's statement and parameters, runs statements of its own
// and applies one change at a time from its delta.

#include "dbaccess/client/errors.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/fib_fields.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "dbaccess/sql/sql_text.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/statement/query_cache.h"
#include "dbaccess/statement/query_ext.h"
#include "dbaccess/statement/sqlda.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/base/scope_exit.h"
#include "framework/core/text/text.h"

namespace {

TFieldType ParamTypeOf(int sqlType) {
  switch (sqlType) {
    case SQLTypeDouble:
    case SQLTypeFloat:
    case SQLTypeInt64:
      return ftFloat;
    case SQLTypeLong:
      return ftInteger;
    case SQLTypeShort:
      return ftSmallint;
    case SQLTypeTimeStamp:
      return ftDateTime;
    case SQLTypeBlob:
    case SQLTypeArray:
      return ftBlob;
    case SQLTypeTime:
      return ftTime;
    case SQLTypeDate:
      return ftDate;
    default:
      return ftString;
  }
}

// Values by position from the collection to the statement's parameters.
void AssignByPosition(TFIBQuery& query, const TParams* params) {
  if (params == nullptr) return;
  TFIBXSQLDA& vars = query.Params();
  const int count = std::min(vars.Count(), params->Count());
  for (int i = 0; i < count; ++i) vars[i].SetAsVariant((*params)[i].Value());
}

// A delta field's value, old or new. A BCD value of one of our datasets is
// read exactly; any other goes through the field's variant, whose overflow
// is an error (a change is never sent with a value other than its own).
void SetDeltaParam(TFIBXSQLVAR& var, TField* field, bool old) {
  if (field->DataType() == ftBCD) {
    if (auto* dataSet = dynamic_cast<TFIBCustomDataSet*>(field->DataSet())) {
      TBcd bcd;
      if (!dataSet->GetStateFieldData(old ? dsOldValue : dsNewValue, field, &bcd))
        var.SetIsNull(true);
      else
        var.SetAsBcd(bcd);
      return;
    }
  }
  Variant value = old ? field->OldValue() : field->NewValue();
  // An unchanged value has no new value of its own.
  if (!old && value.IsEmpty()) value = field->OldValue();
  if (value.IsEmpty() || value.IsNull())
    var.SetIsNull(true);
  else
    var.SetAsVariant(value);
}

void SetDeltaParams(TFIBQuery& query, TDataSet& delta) {
  TFIBXSQLDA& vars = query.Params();
  for (int i = 0; i < vars.Count(); ++i) {
    TFIBXSQLVAR& var = vars[i];
    if (var.IsMacro()) continue;
    std::string_view name = var.Name();
    bool old = false;
    if (name.size() > 4 && AsciiUpper(name.substr(0, 4)) == "OLD_") {
      name = name.substr(4);
      old = true;
    } else if (name.size() > 4 && AsciiUpper(name.substr(0, 4)) == "NEW_") {
      name = name.substr(4);
    }
    if (TField* field = delta.FindField(name)) SetDeltaParam(var, field, old);
  }
}

}  // namespace

int TpFIBDataSet::PSExecuteStatement(const std::string& sql, const TParams* params,
                                     std::unique_ptr<TDataSet>* resultSet) {
  const std::string text = NameQuestionMarks(sql, "Param");
  if (resultSet != nullptr) {
    auto dataSet = std::make_unique<TpFIBDataSet>(nullptr);
    dataSet->SetDatabase(Database());
    dataSet->SetTransaction(Transaction());
    if (Transaction() != nullptr && !Transaction()->Active()) Transaction()->StartTransaction();
    dataSet->SelectSQL().SetText(text);
    AssignByPosition(dataSet->SelectQuery(), params);
    dataSet->Open();
    int result = 0;
    if (dataSet->SelectQuery().SQLType() == SQLSelect) {
      dataSet->FetchAll();
      result = dataSet->RecordCount();
    } else {
      result = dataSet->SelectQuery().RowsAffected();
    }
    *resultSet = std::move(dataSet);
    return result;
  }
  TFIBTransaction* update = UpdateTransaction();
  if (update != nullptr && !update->Active()) update->StartTransaction();
  TpFIBQuery* query = AcquireCachedQuery(update, text);
  if (query == nullptr) RaiseClientError(ceTransactionNotAssigned, ComponentPath(this));
  const TAtScopeExit release([query] { ReleaseCachedQuery(query); });
  AssignByPosition(*query, params);
  query->ExecQuery();
  if (query->SQLType() != SQLSelect) return query->RowsAffected();
  while (!query->Eof()) query->FetchNext();
  return query->RecordCount();
}

const TParams* TpFIBDataSet::PSGetParams() {
  if (!FProviderParams) FProviderParams = std::make_unique<TParams>();
  FProviderParams->Clear();
  TFIBXSQLDA& vars = SelectQuery().Params();
  for (int i = 0; i < vars.Count(); ++i) {
    TParam& param = FProviderParams->CreateParam(ParamTypeOf(vars[i].SQLType()), vars[i].Name(), ptInputOutput);
    param.SetValue(vars[i].AsVariant());
  }
  return FProviderParams.get();
}

void TpFIBDataSet::PSSetParams(const TParams& params) {
  for (int i = 0; i < params.Count(); ++i)
    if (TFIBXSQLVAR* var = SelectQuery().FindParam(params[i].Name())) var->SetAsVariant(params[i].Value());
}

void TpFIBDataSet::PSSetCommandText(const std::string& text) {
  if (!text.empty()) SelectSQL().SetText(text);
}

std::string TpFIBDataSet::PSGetTableName() {
  const std::vector<std::string> tables = StatementTables(SelectSQL().Text());
  if (tables.empty()) return {};
  const std::string& update = FAutoUpdateOptions->UpdateTableName();
  for (const std::string& table : tables)
    if (!update.empty() && AnsiSameText(table, update)) return update;
  return tables.front();
}

std::string TpFIBDataSet::PSGetKeyFields() {
  std::string keys = TFIBDataSet::PSGetKeyFields();
  return keys.empty() ? FAutoUpdateOptions->KeyFields() : keys;
}

std::string TpFIBDataSet::PSGetQuoteChar() {
  return Database() != nullptr && Database()->SQLDialect() >= 3 ? "\"" : "";
}

bool TpFIBDataSet::PSInTransaction() { return Transaction() != nullptr && Transaction()->Active(); }

void TpFIBDataSet::PSStartTransaction() {
  if (Database() == nullptr) RaiseClientError(ceDatabaseNotAssigned, ComponentPath(this));
  if (Transaction() == nullptr) RaiseClientError(ceTransactionNotAssigned, ComponentPath(this));
  if (!Database()->Connected()) Database()->OpenConnection();
  if (!Transaction()->Active()) Transaction()->StartTransaction();
}

void TpFIBDataSet::PSEndTransaction(bool commit) {
  if (Transaction() == nullptr || !Transaction()->Active()) return;
  if (commit)
    Transaction()->Commit();
  else
    Transaction()->Rollback();
}

void TpFIBDataSet::PSExecute() { SelectQuery().ExecQuery(); }

void TpFIBDataSet::PSReset() {
  TFIBDataSet::PSReset();
  if (!Active()) return;
  // The cursor is read again from the start, under the same fields.
  TDisableControlsScope controls(*this);
  Close();
  Open();
}

std::unique_ptr<EUpdateError> TpFIBDataSet::PSGetUpdateException(const Exception& error,
                                                                 const EUpdateError* previous) {
  if (const auto* fib = dynamic_cast<const EFIBError*>(&error))
    return std::make_unique<EUpdateError>(fib->Message(), std::string(), fib->SQLCode(),
                                          previous != nullptr ? previous->ErrorCode() : 0);
  return TFIBDataSet::PSGetUpdateException(error, previous);
}

bool TpFIBDataSet::PSUpdateRecord(TUpdateKind kind, TDataSet& delta) {
  // The handler takes the change over: it has applied it or not.
  if (OnUpdateRecord) {
    TUpdateAction action = uaFail;
    OnUpdateRecord(this, kind, action);
    return action == uaApplied;
  }
  const auto run = [&](TFIBQuery& query) {
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
    SetDeltaParams(query, delta);
    query.ExecQuery();
  };
  for (TDetailStatement& detail : FDetailStatements[kind])
    if (detail.Active && !detail.After && detail.Query && !IsBlankText(detail.Query->SQL().Text()))
      run(*detail.Query);
  TFIBQuery& own = StatementOf(kind);
  const bool ran = !IsBlankText(own.SQL().Text());
  // "No Action" stands for a change that writes nothing.
  if (ran && !IsNoAction(own)) run(own);
  for (TDetailStatement& detail : FDetailStatements[kind])
    if (detail.Active && detail.After && detail.Query && !IsBlankText(detail.Query->SQL().Text()))
      run(*detail.Query);
  return ran;
}
