// The statement component: its text and parameters, its columns, the
// server's information about it, and what it hears from its link.

#include "dbaccess/statement/query.h"

#include <algorithm>

#include "dbaccess/blob/blob_stream.h"
#include "dbaccess/client/client_api.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/util/helpers.h"
#include "dbaccess/sql/sql_text.h"
#include "dbaccess/statement/fetch_ahead.h"
#include "dbaccess/statement/query_conditions.h"
#include "dbaccess/connection/transaction.h"
#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"

TFIBQuery::TFIBQuery(TComponent* owner)
    : TComponent(owner),
      FLink(this),
      FSQL(std::make_unique<TStringList>()),
      FConditions(std::make_unique<TConditions>(this)),
      FFields(DescriptorOwner(), false),
      FParams(DescriptorOwner()) {
  FSQL->OnChanging = TNotifyEvent(this, &TFIBQuery::SQLChanging);
  FSQL->OnChange = TNotifyEvent(this, &TFIBQuery::SQLChanged);
  FLink.OnTransactionEnding = TNotifyEvent(this, &TFIBQuery::OnTransactionEnding);
  FLink.OnDatabaseDisconnecting = TNotifyEvent(this, &TFIBQuery::OnDatabaseDisconnecting);
  FLink.OnDatabaseLost = TNotifyEvent(this, &TFIBQuery::OnDatabaseLost);
  if (auto* database = dynamic_cast<TFIBDatabase*>(owner))
    SetDatabase(database);
  else if (auto* transaction = dynamic_cast<TFIBTransaction*>(owner))
    SetTransaction(transaction);
}

TFIBQuery::~TFIBQuery() {
  FSQL->OnChanging = nullptr;
  FSQL->OnChange = nullptr;
  CloseCursorQuietly();
  DropStatementQuietly();
}

// ---- Properties ----------------------------------------------------------------------

void TFIBQuery::SetDatabase(TFIBDatabase* database) {
  if (database == Database()) return;
  if (FPrepared) DropStatement();
  FLink.SetDatabase(database);
}

void TFIBQuery::SetTransaction(TFIBTransaction* transaction) {
  TFIBDatabase* before = Database();
  FLink.SetTransaction(transaction);
  // A statement belongs to the connection it was prepared on.
  if (Database() != before && FHandle) DropStatement();
}

void TFIBQuery::SetSQL(const TStrings& lines) { FSQL->Assign(&lines); }

void TFIBQuery::SetConditions(const TStrings& lines) { FConditions->Assign(&lines); }

void TFIBQuery::SetParamCheck(bool value) {
  if (value == FParamCheck) return;
  FParamCheck = value;
  // The scan depends on this as on the text itself.
  SQLChanged(this);
}

void TFIBQuery::SetMacroChar(char macroChar) {
  if (macroChar == FParams.MacroChar()) return;
  FParams.SetMacroChar(macroChar);
  SQLChanged(this);
}

int TFIBQuery::SQLDialect() const { return Database() != nullptr ? Database()->SQLDialect() : 0; }

bool TFIBQuery::UpperOldNames() const { return Database() != nullptr && Database()->UpperOldNames(); }

unsigned short TFIBQuery::Dialect() const {
  return static_cast<unsigned short>(Database() != nullptr ? Database()->SQLDialect() : SQL_DIALECT_CURRENT);
}

// ---- The text ------------------------------------------------------------------------

void TFIBQuery::SQLChanging(TObject*) {
  CheckClosed("change sql text");
  FParams.SetHasWhereClause(true);
  if (!FConditions->Applying()) FConditions->ForgetApplied();
  if (OnSQLChanging) OnSQLChanging(this);
  DropStatement();
  FParams.SetMacrosChanged(false);
}

// Without a connection the text is scanned later, on first use; the old
// text's scan must not pass for the new one's then.
void TFIBQuery::SQLChanged(TObject*) {
  FParams.InvalidateParse();
  if (Database() != nullptr) ParseParams();
}

void TFIBQuery::ParseParams() {
  ++FParseCount;
  if (FParamUpdateCount > 0) return;
  FModifyTableKnown = false;
  if (!FParams.Parse(FSQL->Text(), FParamCheck && FSQL->Count() > 0, ComponentPath(this))) DropStatement();
}

void TFIBQuery::EnsureParsed() {
  if (!FParams.ParamsParsed()) ParseParams();
}

void TFIBQuery::BeginParamUpdate() { ++FParamUpdateCount; }

void TFIBQuery::EndParamUpdate() {
  if (FParamUpdateCount == 0) return;
  if (--FParamUpdateCount == 0) ParseParams();
}

TSentTextOptions TFIBQuery::SentTextOptions() const {
  TSentTextOptions options;
  options.Dialect = Database() != nullptr ? Database()->SQLDialect() : SQL_DIALECT_CURRENT;
  options.NoForceIsNull = FOptions.Contains(TpFIBQueryOption::qoNoForceIsNull);
  options.Loading = ComponentState().Contains(TComponentStateItem::csLoading);
  options.ComponentPath = ComponentPath(this);
  return options;
}

std::string TFIBQuery::SentTextPreview() {
  EnsureParsed();
  if (!FParamCheck || FParams.Params().Count() == 0) return FParams.NormalizedSQL();
  return FParams.PreviewSentText(SentTextOptions());
}

bool TFIBQuery::RebuildSentText() {
  const bool changed = FParams.BuildSentText(SentTextOptions());
  if (changed) DropStatement();
  return changed;
}

const std::string& TFIBQuery::ModifyTableName() {
  if (!FModifyTableKnown) {
    FModifyTable = ::ModifyTableName(FSQL->Text(), false);
    FModifyTableKnown = true;
  }
  return FModifyTable;
}

int TFIBQuery::WhereClauseIndex() const { return MainWhereIndex(FSQL->Text()); }

std::string TFIBQuery::MainWhereClause() const { return TSQLParser(FSQL->Text()).MainWhereClause(); }

void TFIBQuery::SetMainWhereClause(std::string_view condition) {
  TSQLParser parser(FSQL->Text());
  FSQL->SetText(parser.SetMainWhere(condition));
}

void TFIBQuery::CheckOpen(std::string_view operation) const {
  if (!FOpen) RaiseClientError(ceDatasetClosed, operation, ComponentPath(this));
}

void TFIBQuery::CheckClosed(std::string_view operation) const {
  if (FOpen) RaiseClientError(ceDatasetOpen, operation, ComponentPath(this));
}

// ---- Parameters --------------------------------------------------------------------------

TFIBXSQLDA& TFIBQuery::Params() {
  EnsureParsed();
  return FParams.Params();
}

TFIBXSQLVAR* TFIBQuery::FindParam(std::string_view name) { return Params().ByName(name); }

TFIBXSQLVAR& TFIBQuery::ParamByName(std::string_view name) {
  if (TFIBXSQLVAR* param = Params().ByName(name)) return *param;
  const std::string text = TrimLeft(FSQL->Text());
  if (AsciiUpper(std::string_view(text).substr(0, 8)) == "EXECUTE ") return FieldByName(name);
  throw Exception(Format("Parameter \"%s\" does not exist in %s", name, ComponentPath(this)));
}

void TFIBQuery::SetParamValues(std::span<const Variant> values) {
  EnsureParsed();
  FParams.SetParamValues(values);
}

TFIBXSQLVAR* TFIBQuery::FindSentParam(const TFIBXSQLDA& asking, std::string_view name) {
  if (&asking != &FParams.Params()) return nullptr;
  // Parameters that a macro value brings in exist once the text sent is built.
  if (FParams.ParamsParsed() && FParams.HasMacros() && (FParams.MacrosChanged() || !FPrepared))
    RebuildSentText();
  const int index = FParams.SentParams().IndexOfName(name);
  return index < 0 ? nullptr : &FParams.SentParams()[index];
}

bool TFIBQuery::SentParamIsBlob(std::string_view name) {
  const int index = FParams.SentParams().IndexOfName(name);
  if (index < 0) return false;
  const TFIBXSQLVAR& sent = FParams.SentParams()[index];
  return sent.ServerSQLType() == SQLTypeBlob || sent.SQLType() == SQLTypeBlob;
}

std::string TFIBQuery::ReadBlob(const TISCQuad& id, int subType) {
  StartTransactionWhenAsked();
  TFIBBlobStream stream;
  stream.SetDatabase(Database());
  stream.SetTransaction(Transaction());
  stream.SetBlobSubType(subType);
  stream.SetBlobId(id);
  return stream.AsString();
}

TISCQuad TFIBQuery::WriteBlob(std::string_view content, int subType) {
  StartTransactionWhenAsked();
  TFIBBlobStream stream;
  stream.SetDatabase(Database());
  stream.SetTransaction(Transaction());
  stream.SetBlobSubType(subType);
  stream.SetMode(bmWrite);
  stream.WriteBuffer(content.data(), static_cast<std::int64_t>(content.size()));
  stream.Finalize(true);
  return stream.BlobId();
}

TBlobPlace TFIBQuery::ArrayPlace() {
  StartTransactionWhenAsked();
  return TBlobPlace{FLink.DatabaseHandle(), FLink.TransactionHandle(), this};
}

// ---- Columns ------------------------------------------------------------------------------

TFIBXSQLVAR& TFIBQuery::Fields(int index) {
  if (index < 0 || index >= FFields.Count()) RaiseClientError(ceFieldNotFound, "Field No: " + std::to_string(index));
  return FFields[index];
}

TFIBXSQLVAR& TFIBQuery::FieldByName(std::string_view name) {
  TFIBXSQLVAR* field = FFields.ByName(name);
  if (field == nullptr) RaiseClientError(ceFieldNotFound, name);
  return *field;
}

int TFIBQuery::FieldIndex(std::string_view name) {
  const TFIBXSQLVAR* field = FFields.ByName(name);
  return field != nullptr ? field->Index() : -1;
}

// ---- The server's information ------------------------------------------------------------------

int TFIBQuery::InfoInteger(char item) {
  const char items[] = {item};
  char reply[8] = {};
  const TClientEntryPoints& api = ClientAPI();
  CheckResult(api.isc_dsql_sql_info(StatusVector(), FHandle.Address(), 1, items, sizeof(reply), reply), true);
  if (reply[0] != item) RaiseClientError(ceUnknownError);
  const short length = static_cast<short>(api.isc_vax_integer(reply + 1, 2));
  return static_cast<int>(api.isc_vax_integer(reply + 3, std::clamp<short>(length, 0, 4)));
}

std::string TFIBQuery::Plan() {
  switch (FSQLType) {
    case SQLSelect:
    case SQLInsert:
    case SQLUpdate:
    case SQLDelete:
    case SQLExecProcedure:
    case SQLSelectForUpdate:
      break;
    default:
      return {};
  }
  if (!FPrepared) return {};
  const char items[] = {isc_info_sql_get_plan};
  std::string reply(16385, '\0');
  const TClientEntryPoints& api = ClientAPI();
  CheckResult(api.isc_dsql_sql_info(StatusVector(), FHandle.Address(), 1, items,
                                    static_cast<short>(reply.size() - 1), reply.data()),
              true);
  if (reply[0] != isc_info_sql_get_plan) return {};
  const std::size_t length = std::min<std::size_t>(
      static_cast<std::size_t>(api.isc_vax_integer(reply.data() + 1, 2)), reply.size() - 3);
  std::string plan = reply.substr(3, length);
  int first = 0, last = 0;
  TrimBounds(plan, first, last);
  return plan.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1));
}

int TFIBQuery::RowsAffected() {
  if (!FPrepared) return -1;
  const char items[] = {isc_info_sql_records};
  char reply[64] = {};
  const TClientEntryPoints& api = ClientAPI();
  CheckResult(api.isc_dsql_sql_info(StatusVector(), FHandle.Address(), 1, items, sizeof(reply), reply), true);
  if (reply[0] != isc_info_sql_records) RaiseClientError(ceUnknownError);
  int updated = 0, deleted = 0, inserted = 0;
  const char* p = reply + 3;
  const char* end = reply + sizeof(reply);
  while (p + 3 <= end && *p != isc_info_end) {
    const char item = *p++;
    const short length = static_cast<short>(api.isc_vax_integer(p, 2));
    p += 2;
    if (length < 0 || p + length > end) break;
    const int value = static_cast<int>(api.isc_vax_integer(p, length));
    p += length;
    if (item == isc_info_req_update_count) updated = value;
    if (item == isc_info_req_delete_count) deleted = value;
    if (item == isc_info_req_insert_count) inserted = value;
  }
  switch (FSQLType) {
    case SQLUpdate:
      return updated;
    case SQLDelete:
      return deleted;
    case SQLInsert:
      return inserted;
    default:
      return -1;
  }
}

// ---- The link --------------------------------------------------------------------------------

void TFIBQuery::OnTransactionEnding(TObject*) {
  const TFIBTransaction* transaction = Transaction();
  if (transaction == nullptr || !FCloseOnTransactionEnd || !FOpen) return;
  // Only an end that does not retain takes the cursor with it.
  const TTransactionState state = transaction->TransactionState();
  if (state == tsDoRollback || state == tsDoCommit) CloseCursor();
}

void TFIBQuery::OnDatabaseDisconnecting(TObject*) {
  if (!FHandle) return;
  CloseCursor();
  DropStatement();
}

// The server is gone: the handle is let go unasked, and with no handle left
// closing and dropping only reset the statement's state.
void TFIBQuery::OnDatabaseLost(TObject*) {
  StopFetchingAhead();
  FHandle.Forget();
  CloseCursor();
  DropStatement();
}
