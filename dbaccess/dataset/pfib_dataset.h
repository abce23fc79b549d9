#pragma once
// TpFIBDataSet: the dataset that applications put on their forms. Over the
// dataset core (TFIBDataSet) it adds: opening with parameter values by
// position, a cap on what editing may do (AllowedUpdateKinds) with a probe of
// the user's rights, modify texts generated from the table's metadata, a
// pessimistic record lock before editing, defaults for new records, field
// formats and flags taken from the metadata caches, local filtering with
// visible record numbers, a record count asked of the server, the relay of
// its events to a dataset container, and the provider-support group.
//
// A component of its owner (a form). It owns its option objects, its count
// and lock statements (components), the detail statements of each update
// kind and the field-name cache; it registers with its Container, which it
// does not own (free notification clears the reference).
//
// Where the work lives: pfib_dataset.cpp (construction, properties, event
// relays, opening with values, user events); pfib_dataset_edit.cpp (allowed
// modifications, rights, editing hooks, new-record defaults, posting and
// deleting through the statements); pfib_dataset_filter.cpp (filtering,
// visible record numbers and counts); pfib_dataset_fields.cpp (preparing,
// field preparation, parameters to fields, the repository); generated_sql.cpp
// (generated texts, automatic texts at open); pfib_dataset_lock.cpp (the
// record lock and the server-side count); pfib_dataset_provider.cpp (the
// provider-support group); record_params.cpp (statement parameters from a
// record buffer).

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dbaccess/connection/database_options.h"
#include "dbaccess/dataset/datasets_container.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "framework/core/component/strings.h"
#include "framework/core/data/provider.h"

class TFIBQuery;
class EFIBError;
class TpDataSetInfo;

enum TLockStatus { lsSuccess = 0, lsDeadLock = 1, lsNotExist = 2, lsMultiply = 3, lsUnknownError = 4 };

// The kinds of text GenerateSQLText makes, with the property each fills.
enum TpSQLKind { skModify = 0, skInsert = 1, skDelete = 2, skRefresh = 3 };

class TpFIBDataSet;

using TLockErrorEvent =
    TEvent<void(TDataSet* DataSet, TLockStatus LockError, std::string& ErrorMessage, TDataAction& Action)>;
using TOnGetSQLTextProc = TEvent<void(TFIBDataSet* DataSet, std::string& SQLText)>;

// One statement run beside the dataset's own modify statement of a kind:
// before it, or after it when After is set; only when Active and its text
// is not blank. Owned by the dataset's list of that kind.
struct TDetailStatement {
  bool Active = true;
  bool After = false;
  std::unique_ptr<TFIBQuery> Query;
};

class TpFIBDataSet : public TFIBDataSet, public TUserEventReceiver {
 public:
  explicit TpFIBDataSet(TComponent* owner);
  ~TpFIBDataSet() override;

  // ---- Opening
  // Values by position to the select statement's parameters (a macro
  // counts as one), then opens. Values beyond the parameters are ignored;
  // parameters beyond the values keep theirs. The values stay assigned when
  // opening fails.
  void OpenWithParams(std::span<const Variant> values);
  void OpenWithParams(std::initializer_list<Variant> values) {
    OpenWithParams(std::span<const Variant>(values.begin(), values.size()));
  }

  // ---- Properties
  TFormatFields& DefaultFormats() const { return *FDefaultFormats; }
  TAutoUpdateOptions& AutoUpdateOptions() const { return *FAutoUpdateOptions; }
  TUpdateKinds AllowedUpdateKinds() const { return FAllowedUpdateKinds; }
  void SetAllowedUpdateKinds(TUpdateKinds kinds) { FAllowedUpdateKinds = kinds; }
  TDataSetsContainer* Container() const { return FContainer; }
  void SetContainer(TDataSetsContainer* container);
  const TStrings& ReceiveEvents() const override { return FReceiveEvents; }
  TStrings& ReceiveEventsList() { return FReceiveEvents; }
  void SetReceiveEvents(const TStrings& lines) { FReceiveEvents.Assign(&lines); }
  int DataSet_ID() const { return FDataSetID; }
  // A new id drops the preparation; one above 0 adds psApplyRepositary.
  void SetDataSet_ID(int id);
  const std::string& Description() const { return FDescription; }
  void SetDescription(std::string_view text) { FDescription = text; }
  static std::string About() { return "5.0.0 RC 1.11"; }
  void SetAbout(std::string_view) {}
  // Adding psApplyRepositary prepares the fields again.
  void SetPrepareOptions(TpPrepareOptions options) override;
  // The detail statements of one kind (empty unless a program adds some).
  std::vector<TDetailStatement>& DetailStatements(TUpdateKind kind) { return FDetailStatements[kind]; }

  // ---- Fields
  // The field of that name (one pair of surrounding double quotes dropped),
  // remembered under the name as asked; nullptr when there is none.
  TField* FieldByNameCached(std::string_view name);
  // The first field whose column comes from the table (exact name).
  TField* FieldOfTable(std::string_view tableName);
  // The field named by AutoUpdateOptions.KeyFields, or nullptr.
  TField* KeyField();
  void PrepareFields();

  // ---- Editing
  // Probes the server for the right to run the kind's statement (run time:
  // a refusal removes the kind and aborts silently).
  void CheckModifyRights(TUpdateKind kind);
  // Locks the current record on the server (Algorithms of the record lock).
  TLockStatus LockRecord(bool raiseOnError);
  // A modify (0), insert (1), delete (2) or refresh (3) text for the table
  // from its metadata; empty without a table or key field.
  std::string GenerateSQLText(const std::string& tableName, const std::string& keyFields, TpSQLKind kind);
  // The key field's next generator value, when one is used and it is null.
  void AssignGeneratorValue();

  // ---- Counting and filtering
  // The row count of the select text as the server would send it now;
  // raises Exception "<path> unable to get number of records".
  virtual int AskRecordCount();
  // The count last asked at opening (psAskRecordCount), else 0.
  int ServerRecordCount() const { return FServerRecordCount; }
  void SetFiltered(bool value) override;
  void SetFilterOptions(TFilterOptions options) override;
  int GetRecordCount() const override;
  int GetRecNo() const override;
  void SetRecNo(int value) override;
  bool IsSequenced() const override;
  bool GetCanModify() const override;

  // ---- User events from a container
  void ReceiveUserEvent(TObject* sender, const std::string& eventName, std::string& info) override;

  // ---- Provider support
  int PSExecuteStatement(const std::string& sql, const TParams* params,
                         std::unique_ptr<TDataSet>* resultSet = nullptr) override;
  const TParams* PSGetParams() override;
  void PSSetParams(const TParams& params) override;
  void PSSetCommandText(const std::string& text) override;
  std::string PSGetTableName() override;
  std::string PSGetKeyFields() override;
  std::string PSGetQuoteChar() override;
  bool PSInTransaction() override;
  bool PSIsSQLBased() override { return true; }
  bool PSIsSQLSupported() override { return true; }
  void PSStartTransaction() override;
  void PSEndTransaction(bool commit) override;
  void PSExecute() override;
  void PSReset() override;
  std::unique_ptr<EUpdateError> PSGetUpdateException(const Exception& error,
                                                     const EUpdateError* previous) override;
  bool PSUpdateRecord(TUpdateKind kind, TDataSet& delta) override;

  // ---- Events
  TDataSetErrorEvent OnPostError;
  TDataSetErrorEvent OnDeleteError;
  TLockErrorEvent OnLockError;
  TUserEvent OnUserEvent;
  TOnGetSQLTextProc OnAskRecordCount;

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  // ---- Modify predicates and editing over the core
  bool CanEdit() const override;
  bool CanInsert() const override;
  bool CanDelete() const override;
  void InternalPost() override;
  void InternalDelete() override;
  void PostBySQL(TRecordBuffer buffer) override;
  void DeleteBySQL() override;
  void InternalPrepare() override;
  void InternalRefresh() override;

  // ---- Filtering over the core
  bool RecordPassesFilter(TRecordBuffer buffer) override;
  void SetFilterText(const std::string& text) override;
  void DoAskRecordCount() override;
  void DataEvent(TDataEvent event, const TDataEventInfo& info = {}) override;
  // A last word on a record the filter passed; here it stays accepted.
  virtual void DoAcceptRecord(bool&) {}

  // ---- Event firers: each tells the container, then fires.
  void DoBeforeOpen() override;
  void DoAfterOpen() override;
  void DoBeforeClose() override;
  void DoAfterClose() override;
  void DoBeforeInsert() override;
  void DoAfterInsert() override;
  void DoBeforeEdit() override;
  void DoAfterEdit() override;
  void DoBeforePost() override;
  void DoAfterPost() override;
  void DoBeforeCancel() override;
  void DoAfterCancel() override;
  void DoBeforeDelete() override;
  void DoAfterDelete() override;
  void DoBeforeScroll() override;
  void DoAfterScroll() override;
  void DoBeforeRefresh() override;
  void DoAfterRefresh() override;
  void DoOnCalcFields() override;
  void DoOnNewRecord() override;

  // Fills a modify statement's parameters from a record buffer: "OLD_"
  // names from the record's cached old version, "NEW_" and plain names from
  // the buffer, a select parameter's value for a name that is no column.
  void SetRecordParams(TFIBQuery& query, TRecordBuffer buffer);
  // The statement's output columns into the record's columns of the same
  // names (a modify statement or procedure that hands values back).
  void StoreOutputRow(TFIBQuery& query, TRecordBuffer buffer);

 private:
  class TFilterCount;

  // pfib_dataset.cpp
  void TellContainer(TKindDataSetEvent event);
  // The core's post and delete error paths: the container first, then the
  // handler decides (fail, abort or retry).
  TDataAction RelayError(TKindDataSetError kind, const TDataSetErrorEvent& handler, EDatabaseError& error);
  void OnSelectSQLChanging(TObject* sender);
  void OnLinkTransactionEnding(TObject* sender);
  void OnLinkTransactionEnded(TObject* sender);
  void CleanUpAfterRetainingEnd();

  // pfib_dataset_edit.cpp
  // The statement's first line is "No Action": the kind writes nothing.
  static bool IsNoAction(const TFIBQuery& query);
  bool AutoSqlAllowed() const;
  bool DetailActive(TUpdateKind kind) const;
  bool ModifyAllowed() const;
  bool InsertAllowed() const;
  bool DeleteAllowed() const;
  TFIBQuery& StatementOf(TUpdateKind kind) const;
  void RegenerateForState(TDataSetState state);
  // AutoCommit under cached updates: applies, commits and marks the records.
  void ApplyAndCommitCachedUpdates();
  void RunDetailStatements(TUpdateKind kind, bool after, TRecordBuffer buffer);
  void ExecuteModifyStatement(TFIBQuery& query, TRecordBuffer buffer, TUpdateKind kind);
  void ApplyNewRecordDefaults();
  void ProtectEdit();

  // pfib_dataset_filter.cpp
  void InvalidateFilterCount();
  bool Filtering() const;
  bool VisibleRecNo() const { return Filtered() && Options().Contains(poVisibleRecno); }
  // The logical indexes of the held records that pass, in order; counted
  // again after any change that may change the answer.
  const std::vector<int>& VisibleRecords() const;
  bool TestRecord(TRecordBuffer buffer);

  // pfib_dataset_fields.cpp
  void ApplyRepository();
  void ApplyDataSetInfoEntry(const TpDataSetInfo& info);
  void FillParamsToFields();
  void PrepareFieldFromMetadata(TField* field);

  // generated_sql.cpp
  void RewriteSqlsAtOpen();
  std::string GenerateSQLTextFor(TpSQLKind kind);
  void SetGeneratedText(TFIBQuery& query, const std::string& text);

  std::unique_ptr<TFormatFields> FDefaultFormats;
  std::vector<TDetailStatement> FDetailStatements[3];
  TStringList FReceiveEvents;
  std::unique_ptr<TAutoUpdateOptions> FAutoUpdateOptions;
  std::unique_ptr<TParams> FProviderParams;
  // Names as asked -> fields (nullptr entries are never kept).
  std::vector<std::pair<std::string, TField*>> FFieldNameCache;
  // String fields whose column defaults to the empty text: a new record
  // starts with it (filled by PrepareFields).
  std::vector<TField*> FEmptyStringDefaults;
  // The count and lock statements: components owned by the dataset.
  TFIBQuery* FCountQuery = nullptr;
  TFIBQuery* FLockQuery = nullptr;

  TUpdateKinds FAllowedUpdateKinds{ukModify, ukInsert, ukDelete};
  TDataSetsContainer* FContainer = nullptr;
  int FDataSetID = 0;
  std::string FDescription;
  int FServerRecordCount = 0;
  bool FPostedInTransaction = false;
  int FParamsSeenForLinks = 0;
  // The select text changed since the last open: the automatic texts are
  // made again after the next one.
  bool FSelectChangedForSqls = true;

  // The core's own link handlers, called from ours.
  TNotifyEvent FCoreTransactionEnding;
  TNotifyEvent FCoreTransactionEnded;
  TNotifyEvent FCoreSelectSQLChanging;

  // The visible records while filtering with visible numbers.
  mutable std::vector<int> FVisibleRecords;
  mutable bool FVisibleValid = false;
  mutable int FVisibleFetched = -1;
};
