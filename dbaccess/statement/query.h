#pragma once
// The statement component. `TFIBQuery` holds an SQL text, prepares it on
// the server through the client API, binds its parameters, executes it and,
// for a select, fetches its rows one at a time into its output descriptor.
// Its parameters and macros are kept by a `TSQLParams` (sql_params.h); the
// descriptors are those of sqlda.h. Datasets use one statement per select,
// insert, update, delete and refresh text.
//
// A component: owned by its owner or held in a unique_ptr. It reaches its
// connection and transaction through a `TFIBBase` link it owns, which tells
// it when the connection goes away (the statement is dropped), when the
// connection is lost (the handle is forgotten without a server call) and
// when the transaction ends (an open cursor is closed).
//
// Life: unprepared → Prepare → prepared → ExecQuery → (a select) open →
// FetchNext … → end of rows → CloseCursor → prepared. A new text, a new
// connection, a disconnect or a failed prepare drops it to unprepared.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "dbaccess/client/status_vector.h"
#include "dbaccess/connection/fib_base.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/sql/sql_params.h"
#include "dbaccess/statement/sqlda.h"
#include "framework/core/base/event.h"
#include "framework/core/base/set.h"
#include "framework/core/component/component.h"
#include "framework/core/component/strings.h"

class TFIBDatabase;
class TConditions;
class TFetchAhead;
class EFIBError;

enum class TpFIBQueryOption { qoStartTransaction, qoAutoCommit, qoTrimCharFields, qoNoForceIsNull };
using TpFIBQueryOptions = TSet<TpFIBQueryOption>;

enum TBatchOperation { boInput, boOutput, boOutputToQuery };
enum TBatchAction { baContinue, baStop, baSkip };
enum TBatchErrorAction { beFail, beAbort, beRetry, beIgnore };
using TOnBatching = TEvent<void(TBatchOperation operation, int recNumber, TBatchAction& action)>;
using TOnBatchError = TEvent<void(EFIBError& error, TBatchErrorAction& action)>;

// Called before each fetch with the rows fetched so far; setting stop ends
// the fetching with the silent abort.
using TFetchCallback = std::function<void(int rowsFetched, bool& stop)>;

class TFIBQuery : public TComponent, private TSQLDAOwner {
 public:
  // An owner that is a connection becomes Database; a transaction, Transaction.
  explicit TFIBQuery(TComponent* owner);
  ~TFIBQuery() override;

  // ---- Properties ----
  TFIBDatabase* Database() const { return FLink.Database(); }
  // Drops the statement when the connection changes while prepared.
  virtual void SetDatabase(TFIBDatabase* database);
  TFIBTransaction* Transaction() const { return FLink.Transaction(); }
  void SetTransaction(TFIBTransaction* transaction);
  // The statement text; changing it while a cursor is open raises client
  // error 28 and leaves it as it was.
  TStrings& SQL() const { return *FSQL; }
  void SetSQL(const TStrings& lines);
  // Named extra conditions for the main WHERE clause (query_conditions.h).
  TConditions& Conditions() const { return *FConditions; }
  void SetConditions(const TStrings& lines);
  bool GoToFirstRecordOnExecute() const { return FGoToFirstRecordOnExecute; }
  void SetGoToFirstRecordOnExecute(bool value) { FGoToFirstRecordOnExecute = value; }
  // Scan the text for parameters and macros.
  bool ParamCheck() const { return FParamCheck; }
  void SetParamCheck(bool value);
  TpFIBQueryOptions Options() const { return FOptions; }
  void SetOptions(TpFIBQueryOptions options) { FOptions = options; }
  char MacroChar() const { return FParams.MacroChar(); }
  void SetMacroChar(char macroChar);
  // Close an open cursor when the transaction ends without retaining.
  bool CloseOnTransactionEnd() const { return FCloseOnTransactionEnd; }
  void SetCloseOnTransactionEnd(bool value) { FCloseOnTransactionEnd = value; }
  // A select's rows are fetched ahead by a thread of their own (fetch_ahead.h)
  // from its next execution on; not for a named cursor, whose server row
  // must be the one read. For a result that is read to its end.
  bool FetchAhead() const { return FFetchAhead; }
  void SetFetchAhead(bool value) { FFetchAhead = value; }
  const std::string& CursorName() const { return FCursorName; }
  void SetCursorName(std::string name) { FCursorName = std::move(name); }

  TNotifyEvent OnSQLChanging;
  // Published for stored forms; no operation here raises them.
  TOnBatching OnBatching;
  TOnBatchError OnBatchError;
  TFetchCallback FetchCallback;

  // ---- State ----
  bool Bof() const { return FBof; }
  // True at the end of the rows, or when no cursor is open.
  bool Eof() const { return FEof || !FOpen; }
  bool Open() const { return FOpen; }
  bool Prepared() const { return FPrepared; }
  // Rows fetched since the cursor opened.
  int RecordCount() const { return FRecordCount; }
  TFIBSQLTypes SQLType() const { return FSQLType; }
  // Milliseconds the last execution took.
  int ExecTime() const { return FExecTime; }
  const std::string& NormalizedSQL() const { return FParams.NormalizedSQL(); }
  // The text the server gets, every parameter written "?".
  const std::string& ProcessedSQL() const { return FParams.ProcessedSQL(); }
  // The text the next execution would send with the current parameter and
  // macro values, parameters still named ("?NAME"); the statement itself is
  // left as it is (it rebuilds its own text when it next runs).
  std::string SentTextPreview();
  bool HasWhereClause() const { return FParams.HasWhereClause(); }
  int ParseCount() const { return FParseCount; }
  TFIBBase& Link() { return FLink; }
  // The server's statement handle, 0 when not prepared.
  TClientHandle Handle() const { return FHandle.Value(); }

  // ---- Parameters ----
  // The parameters and macros, in order of appearance (the text is scanned
  // on first use).
  TFIBXSQLDA& Params();
  // The parameters actually sent when the text was rewritten.
  TFIBXSQLDA& SentParams() const { return FParams.SentParams(); }
  // The descriptor an execution sends (the rewritten text's parameters or
  // Params); null when ParamCheck is off or the text has no parameters.
  const TFIBXSQLDA* InputParams() const {
    return FParamCheck && FParams.Params().Count() > 0 ? &FParams.InputParams() : nullptr;
  }
  TFIBXSQLVAR* FindParam(std::string_view name);
  // For an EXECUTE PROCEDURE text a name that no parameter has is looked
  // for among the output columns; otherwise a missing name raises.
  TFIBXSQLVAR& ParamByName(std::string_view name);
  // Value i to parameter i, macros included; extra values are ignored.
  void SetParamValues(std::span<const Variant> values);
  void SetParamValues(std::initializer_list<Variant> values) {
    SetParamValues(std::span<const Variant>(values.begin(), values.size()));
  }
  // The sent parameters' names that Params lacks (brought in by macro values).
  const std::vector<std::string>& ExtraParamNames() const { return FExtraParamNames; }
  // While updates are open, text changes do not scan the text.
  void BeginParamUpdate();
  void EndParamUpdate();

  // ---- Columns ----
  TFIBXSQLDA& Fields() { return FFields; }
  int FieldCount() const { return FFields.Count(); }
  // Client error 41 for an index or a name that is not there.
  TFIBXSQLVAR& Fields(int index);
  TFIBXSQLVAR& FieldByName(std::string_view name);
  int FieldIndex(std::string_view name);

  // ---- Operations ----
  void Prepare();
  virtual void ExecQuery();
  // The output columns holding the next row, or nullptr at the end.
  TFIBXSQLDA* FetchNext();
  void CloseCursor();
  void DropStatement();

  // The server's plan of a prepared statement; empty for other kinds.
  std::string Plan();
  // Rows an update, delete or insert touched; -1 when not prepared or for
  // other kinds.
  int RowsAffected();
  // The table an INSERT, UPDATE or DELETE text writes.
  const std::string& ModifyTableName();
  // The number of the main WHERE clause of the text, -1 when none.
  int WhereClauseIndex() const;
  std::string MainWhereClause() const;
  // Replaces the main WHERE clause (or adds one) in the text.
  void SetMainWhereClause(std::string_view condition);

  // Client error 29 (28) with the operation and this statement's path when
  // no cursor is open (a cursor is open).
  void CheckOpen(std::string_view operation) const;
  void CheckClosed(std::string_view operation) const;

 private:
  // TSQLDAOwner: what the descriptors ask of their statement.
  int SQLDialect() const override;
  bool UpperOldNames() const override;
  bool TrimCharFields() const override { return FOptions.Contains(TpFIBQueryOption::qoTrimCharFields); }
  bool RowAvailable() const override { return FRecordCount > 0 || FProcedureExecuted; }
  bool MacrosChanged() const override { return FParams.MacrosChanged(); }
  void SetMacrosChanged() override { FParams.SetMacrosChanged(true); }
  TFIBXSQLVAR* FindSentParam(const TFIBXSQLDA& asking, std::string_view name) override;
  bool SentParamIsBlob(std::string_view name) override;
  std::string ReadBlob(const TISCQuad& id, int subType) override;
  TISCQuad WriteBlob(std::string_view content, int subType) override;
  TBlobPlace ArrayPlace() override;

  TSQLDAOwner* DescriptorOwner() { return this; }
  void SQLChanging(TObject* sender);
  void SQLChanged(TObject* sender);
  void ParseParams();
  void EnsureParsed();
  TSentTextOptions SentTextOptions() const;
  bool RebuildSentText();
  void StartTransactionWhenAsked();
  TStatusWord CheckResult(TStatusWord result, bool raise);
  unsigned short Dialect() const;
  void PrepareOnServer();
  void DescribeParams();
  void GiveParamsArrayObjects();
  void AlignParams();
  void WriteAsBlob(TFIBXSQLVAR& var);
  void ExecuteOnServer(TFIBXSQLDA* input);
  [[noreturn]] void RaiseFetchError();
  std::string StatementErrorText(std::string_view operation, std::string_view message) const;
  int InfoInteger(char item);
  void CloseCursorQuietly() noexcept;
  void DropStatementQuietly() noexcept;
  // Waits for the fetching thread, if any, and lets it go.
  void StopFetchingAhead() noexcept;
  void OnTransactionEnding(TObject* sender);
  void OnDatabaseDisconnecting(TObject* sender);
  void OnDatabaseLost(TObject* sender);

  TFIBBase FLink;
  std::unique_ptr<TStringList> FSQL;
  std::unique_ptr<TConditions> FConditions;
  TFIBXSQLDA FFields;
  TSQLParams FParams;
  std::vector<std::string> FExtraParamNames;
  TStatementHandle FHandle;
  std::unique_ptr<TFetchAhead> FAhead;
  TFIBSQLTypes FSQLType = SQLUnknown;
  TpFIBQueryOptions FOptions;
  std::string FCursorName;
  std::string FModifyTable;
  bool FModifyTableKnown = false;
  int FRecordCount = 0;
  int FExecTime = 0;
  int FParseCount = 0;
  int FParamUpdateCount = 0;
  bool FGoToFirstRecordOnExecute = true;
  bool FParamCheck = true;
  bool FCloseOnTransactionEnd = true;
  bool FFetchAhead = false;
  bool FBof = false;
  bool FEof = false;
  bool FOpen = false;
  bool FPrepared = false;
  // An executed procedure's output row is in Fields.
  bool FProcedureExecuted = false;
};
