// The statement's round trips: prepare, execute, fetch, close and drop.
// FetchNext is the hot path of every dataset: it allocates nothing and does
// one client call per row.

#include <chrono>
#include <cstring>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/status_vector.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/statement/fetch_ahead.h"
#include "dbaccess/statement/fib_array.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/trace/statement_trace_hooks.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/text/format_settings.h"

namespace {

// The server's codes for a statement handle that is already gone and a
// cursor that is already closed: closing or dropping again is no failure.
constexpr TStatusWord BadStatementHandle = 335544485;
constexpr TStatusWord CursorNotOpen = 335544577;

XSQLDA* Sqlda(TFIBXSQLDA* da) {
  return da != nullptr && da->Count() > 0 ? static_cast<XSQLDA*>(da->RawBuffer()) : nullptr;
}

bool DescribesParams(TFIBSQLTypes type) {
  switch (type) {
    case SQLSelect:
    case SQLInsert:
    case SQLUpdate:
    case SQLDelete:
    case SQLExecProcedure:
    case SQLSelectForUpdate:
      return true;
    default:
      return false;
  }
}

bool HasColumns(TFIBSQLTypes type) {
  return type == SQLSelect || type == SQLExecProcedure || type == SQLSelectForUpdate;
}

int MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
          .count());
}

}  // namespace

TStatusWord TFIBQuery::CheckResult(TStatusWord result, bool raise) {
  if (TFIBTransaction* transaction = Transaction())
    transaction->ClientCall(result, false);
  else if (TFIBDatabase* database = Database())
    database->ClientCall(result, false);
  else
    RestoreDefaultFPUControlWord();
  if (raise && result > 0) RaiseStatusError(this);
  return result;
}

void TFIBQuery::StartTransactionWhenAsked() {
  TFIBTransaction* transaction = Transaction();
  if (FOptions.Contains(TpFIBQueryOption::qoStartTransaction) && transaction != nullptr &&
      !transaction->Active())
    transaction->StartTransaction();
}

std::string TFIBQuery::StatementErrorText(std::string_view operation, std::string_view message) const {
  std::string text = Owner() != nullptr ? Owner()->Name() + "." + Name() : Name();
  return text + ": [" + std::string(operation) + "] " + std::string(message);
}

// ---- Prepare ----------------------------------------------------------------------------

void TFIBQuery::Prepare() {
  CloseCursor();
  FLink.CheckDatabase();
  StartTransactionWhenAsked();
  FLink.CheckTransaction();
  // Also with ParamCheck off: the scan gives the text sent.
  EnsureParsed();
  if (FParamCheck && FParams.Params().Count() > 0 &&
      FParams.RebuildNeeded(FPrepared, FOptions.Contains(TpFIBQueryOption::qoNoForceIsNull)))
    RebuildSentText();
  if (!FPrepared) PrepareOnServer();
}

void TFIBQuery::PrepareOnServer() {
  if (IsBlankText(ProcessedSQL())) RaiseClientError(ceEmptyQuery, "Prepare");
  const TClientEntryPoints& api = ClientAPI();
  // Allocated in place: the client keeps the handle's address and clears it
  // itself when the attachment goes.
  FHandle.Release();
  CheckResult(api.isc_dsql_alloc_statement2(StatusVector(), FLink.DatabaseHandle(), FHandle.Address()), true);
  try {
    FFields.SetCount(1);
    const std::string text = ProcessedSQL() + "\r\n";
    CheckResult(api.isc_dsql_prepare(StatusVector(), FLink.TransactionHandle(), FHandle.Address(), 0,
                                     text.c_str(), Dialect(), Sqlda(&FFields)),
                true);
    FSQLType = static_cast<TFIBSQLTypes>(InfoInteger(isc_info_sql_stmt_type));
    if (FSQLType == SQLSelectForUpdate) {
      if (FCursorName.empty()) FCursorName = RandomDigits(10);
      CheckResult(api.isc_dsql_set_cursor_name(StatusVector(), FHandle.Address(), FCursorName.c_str(), 0),
                  true);
    }
    if (DescribesParams(FSQLType)) DescribeParams();
    if (HasColumns(FSQLType)) {
      const int columns = static_cast<XSQLDA*>(FFields.RawBuffer())->sqld;
      if (columns > FFields.Count()) {
        FFields.SetCount(columns);
        CheckResult(api.isc_dsql_describe(StatusVector(), FHandle.Address(), Dialect(), Sqlda(&FFields)),
                    true);
      }
      FFields.SetCount(columns);
      FFields.InitializeFromServer();
    } else {
      FFields.SetCount(0);
    }
    FExtraParamNames = FParams.ExtraParamNames();
    if (FSQLType == SQLGetSegment || FSQLType == SQLPutSegment || FSQLType == SQLStartTransaction)
      RaiseClientError(ceNotPermitted);
    FPrepared = true;
    TracePrepare(*this);
  } catch (const Exception& e) {
    TraceStatementError(*this, StatementErrorText("Prepare", e.Message()));
    DropStatementQuietly();
    throw;
  }
}

// The server describes the parameters into the sent descriptor, whose
// values (parameters that only a macro value brought in) are kept across.
void TFIBQuery::DescribeParams() {
  TFIBXSQLDA& sent = FParams.SentParams();
  if (FParams.InputParams().Count() == 0 || sent.Count() == 0) return;
  // Saved before the description changes the records' types under them.
  TFIBXSQLDA saved(nullptr, true);
  saved.SetCount(sent.Count());
  for (int i = 0; i < sent.Count(); ++i) saved[i].CopyRecordFrom(sent[i]);

  const TClientEntryPoints& api = ClientAPI();
  CheckResult(api.isc_dsql_describe_bind(StatusVector(), FHandle.Address(), Dialect(), Sqlda(&sent)), true);
  if (!FParams.TextRewritten()) {
    // The parameters go as the user set them; the unset ones go typed as
    // the server described them, and every one learns the type the server
    // wants, so that later values convert as they do for the sent ones. A
    // blob's type is left out: assigning a value must not write a blob.
    TFIBXSQLDA& params = FParams.Params();
    for (int i = 0; i < params.Count() && i < sent.Count(); ++i) {
      if (params[i].IsNull()) params[i].TakeDescription(sent[i]);
      if (!sent[i].IsBlobOrArray()) params[i].SetServerSQLType(sent[i].SQLType());
    }
  }
  sent.InitializeFromServer();
  GiveParamsArrayObjects();
  for (int i = 0; i < sent.Count(); ++i) {
    const TFIBXSQLVAR& value = saved[i];
    if (value.IsNull()) {
      sent[i].ResetNull();
    } else if (value.IsBlobOrArray() || value.SQLType() == SQLTypeQuad) {
      sent[i].SetAsQuad(value.AsQuad());
    } else {
      sent[i].SetAsVariant(value.AsVariant());
    }
    sent[i].SetModified(false);
  }
}

// Array values are written through the parameters the user sees, each with
// the array object of the parameter the server described: the one at its
// place, or the one of its name when the text sent was rewritten.
void TFIBQuery::GiveParamsArrayObjects() {
  TFIBXSQLDA& params = FParams.Params();
  const TFIBXSQLDA& sent = FParams.SentParams();
  const bool rewritten = FParams.TextRewritten();
  for (int i = 0; i < params.Count(); ++i) {
    const int index = rewritten ? sent.IndexOfName(params[i].Name()) : (i < sent.Count() ? i : -1);
    const TpFIBArray* array = index >= 0 ? sent[index].ArrayObject() : nullptr;
    params[i].SetArrayObject(array != nullptr ? array->Clone() : nullptr);
  }
}

// A parameter sent as the user set it must still suit the server, also
// when its value came before the server described it: a float for a date is
// a date-time, a number's text has a decimal point, text for a blob becomes
// a blob, a number for a Boolean a Boolean. Runs before every execution that
// sends these parameters; a value already suitable is left alone.
void TFIBQuery::AlignParams() {
  TFIBXSQLDA& params = FParams.Params();
  const TFIBXSQLDA& sent = FParams.SentParams();
  const char separator = FormatSettings().DecimalSeparator;
  for (int i = 0; i < params.Count(); ++i) {
    TFIBXSQLVAR& param = params[i];
    if (param.IsMacro() || param.IsNull()) continue;
    const int index = sent.IndexOfName(param.Name());
    if (index < 0) continue;
    const int described = sent[index].ServerSQLType();
    const int own = param.SQLType();
    if ((described == SQLTypeTimeStamp || described == SQLTypeDate) &&
        (own == SQLTypeDouble || own == SQLTypeFloat)) {
      param.SetAsDateTime(param.AsDouble());
    } else if ((described == SQLTypeBlob || described == SQLTypeArray) && own != described) {
      // An id set before the server described the parameter (an array's
      // id taken for a blob's) is still that id: only its type changes.
      if (own == SQLTypeBlob || own == SQLTypeArray || own == SQLTypeQuad) {
        const TISCQuad id = param.AsQuad();
        char bytes[8];
        std::memcpy(bytes, &id.High, 4);
        std::memcpy(bytes + 4, &id.Low, 4);
        param.SetRawData(described, sizeof bytes, bytes);
      } else {
        WriteAsBlob(param);
      }
    } else if ((described == SQLTypeBoolean1 || described == SQLTypeBoolean) &&
               (own == SQLTypeLong || own == SQLTypeShort || own == SQLTypeInt64)) {
      param.SetAsBoolean(param.AsInt64() != 0);
    } else if (sent[index].IsNumericType() && own == SQLTypeText) {
      const std::string text = param.AsString();
      if (text.find(',') != std::string::npos || text.find(separator) != std::string::npos)
        param.SetAsString(text);
    }
  }
}

void TFIBQuery::WriteAsBlob(TFIBXSQLVAR& var) {
  const std::string text = var.AsString();
  var.SetAsQuad(WriteBlob(text, var.SQLSubtype()));
}

// ---- Execute ---------------------------------------------------------------------------------

void TFIBQuery::ExecQuery() {
  FFields.ResetNulls();
  StartTransactionWhenAsked();
  const bool wasPrepared = FPrepared;
  if ((FParamCheck && Params().Count() > 0) || !FPrepared) {
    Prepare();
  } else {
    // Prepared earlier: the transaction may have gone since (set to none,
    // or freed), and nothing below may reach it unchecked.
    FLink.CheckDatabase();
    FLink.CheckTransaction();
  }
  // A procedure runs on a statement prepared afresh (once is enough when
  // this call just prepared it).
  if (FSQLType == SQLExecProcedure && wasPrepared) {
    DropStatement();
    Prepare();
  }
  TFIBXSQLDA* input = nullptr;
  if (FParamCheck && FParams.Params().Count() > 0) {
    if (FParams.TextRewritten()) {
      FParams.SentParams().AssignValues(FParams.Params());
      input = &FParams.SentParams();
    } else {
      AlignParams();
      input = &FParams.Params();
    }
  }
  TFIBTransaction* transaction = Transaction();
  const auto start = std::chrono::steady_clock::now();
  transaction->SQLExecuteNotification(this, FSQLType, 0);
  try {
    ExecuteOnServer(input);
    FExecTime = MillisecondsSince(start);
    TraceExecute(*this);
    if (FParamCheck && FParams.Params().Count() > 0) FParams.SaveOldValues();
    transaction->SQLExecuteNotification(this, FSQLType, 1);
  } catch (const Exception& e) {
    FExecTime = MillisecondsSince(start);
    TraceStatementError(*this, StatementErrorText("Execute", e.Message()));
    throw;
  }
  if (FOptions.Contains(TpFIBQueryOption::qoAutoCommit)) {
    if (transaction->TimeoutAction() == TACommitRetaining)
      transaction->CommitRetaining();
    else
      transaction->Commit();
  }
  FParams.Params().ClearModified();
  FParams.SetMacrosChanged(false);
}

void TFIBQuery::ExecuteOnServer(TFIBXSQLDA* input) {
  const TClientEntryPoints& api = ClientAPI();
  switch (FSQLType) {
    case SQLSelect:
    case SQLSelectForUpdate:
      CloseCursor();
      CheckResult(api.isc_dsql_execute(StatusVector(), FLink.TransactionHandle(), FHandle.Address(),
                                       Dialect(), Sqlda(input)),
                  true);
      FOpen = true;
      FBof = true;
      FEof = false;
      FRecordCount = 0;
      FFields.ResetNulls();
      if (FFetchAhead && FSQLType == SQLSelect && FCursorName.empty() && FFields.Count() > 0) {
        if (!FAhead) FAhead = std::make_unique<TFetchAhead>();
        FAhead->Start(FHandle.Address(), Sqlda(&FFields), Dialect());
      }
      if (FGoToFirstRecordOnExecute) FetchNext();
      break;
    case SQLExecProcedure:
      CheckResult(api.isc_dsql_execute2(StatusVector(), FLink.TransactionHandle(), FHandle.Address(),
                                        Dialect(), Sqlda(input), Sqlda(&FFields)),
                  true);
      FProcedureExecuted = true;
      break;
    default:
      CheckResult(api.isc_dsql_execute(StatusVector(), FLink.TransactionHandle(), FHandle.Address(),
                                       Dialect(), Sqlda(input)),
                  true);
  }
}

// ---- Fetch -----------------------------------------------------------------------------------

TFIBXSQLDA* TFIBQuery::FetchNext() {
  if (Eof()) return nullptr;
  CheckOpen("fetch next record");
  if (FetchCallback) {
    bool stop = false;
    FetchCallback(FRecordCount, stop);
    if (stop && !ComponentState().Contains(TComponentStateItem::csLoading)) Abort();
  }
  const TStatusWord result = CheckResult(
      FAhead && FAhead->Reading()
          ? FAhead->Next(Sqlda(&FFields))
          : ClientAPI().isc_dsql_fetch(StatusVector(), FHandle.Address(), Dialect(), Sqlda(&FFields)),
      false);
  TFIBXSQLDA* row = nullptr;
  if (result == 0) {
    ++FRecordCount;
    FBof = false;
    row = &FFields;
  } else if (result == 100) {
    FEof = true;
  } else {
    RaiseFetchError();
  }
  TraceFetch(*this);
  return row;
}

// Any failed fetch ends the cursor and raises. A transaction that ended
// under the cursor (the server's "cursor not open") is no exception: the
// rows were not all read, and ending quietly would pass a partial result
// off as the whole.
void TFIBQuery::RaiseFetchError() {
  try {
    RaiseStatusError(this);
  } catch (...) {
    CloseCursorQuietly();
    throw;
  }
}

// ---- Close and drop ------------------------------------------------------------------------------

void TFIBQuery::StopFetchingAhead() noexcept {
  if (FAhead) FAhead->Stop();
}

void TFIBQuery::CloseCursor() {
  StopFetchingAhead();
  TStatusWord result = 0;
  if (FHandle && FOpen && (FSQLType == SQLSelect || FSQLType == SQLSelectForUpdate))
    result = CheckResult(ClientAPI().isc_dsql_free_statement(StatusVector(), FHandle.Address(), DSQL_close),
                         false);
  FBof = false;
  FEof = false;
  FOpen = false;
  FProcedureExecuted = false;
  if (result > 0 && !StatusVectorHasCode({BadStatementHandle, CursorNotOpen})) RaiseStatusError(this);
}

void TFIBQuery::DropStatement() {
  StopFetchingAhead();
  FFields.SetCount(0);
  TStatusWord result = 0;
  if (FHandle)
    result =
        CheckResult(ClientAPI().isc_dsql_free_statement(StatusVector(), FHandle.Address(), DSQL_drop), false);
  // Gone either way: a failed drop is reported, not retried.
  FHandle.Forget();
  FPrepared = false;
  FOpen = false;
  FBof = false;
  FEof = false;
  FProcedureExecuted = false;
  if (result > 0 && !StatusVectorHasCode({BadStatementHandle})) RaiseStatusError(this);
}

void TFIBQuery::CloseCursorQuietly() noexcept {
  try {
    CloseCursor();
  } catch (...) {
    // Only on the way out (destruction, a failure already being raised):
    // there is no one left to tell, and the first error matters more.
  }
}

void TFIBQuery::DropStatementQuietly() noexcept {
  try {
    DropStatement();
  } catch (...) {
    // As above: the statement is forgotten either way.
  }
}
