// TFIBCustomDataSet: construction, properties, the stored Booleans and data
// events. Opening and closing are in fib_dataset_open.cpp, fetching in
// fib_dataset_fetch.cpp, navigation and searching in
// fib_dataset_navigation.cpp, field data and filtering in
// fib_dataset_fields.cpp, editing in fib_dataset_edit.cpp, cached updates in
// fib_dataset_updates.cpp and the master link in fib_dataset_detail.cpp.

#include "dbaccess/dataset/fib_dataset.h"

#include <cstring>
#include <exception>

#include "dbaccess/cache/records_cache.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/fib_fields.h"
#include "dbaccess/filter/expression_parser.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/system/exception_hook.h"

TFIBCustomDataSet::TFIBCustomDataSet(TComponent* owner) : TDataSet(owner), FBase(this) {
  SetBookmarkSize(8);
  const auto makeQuery = [this](const char* name) {
    auto* query = new TFIBQuery(this);  // owned by the dataset as a component
    query->SetName(name);
    return query;
  };
  FSelectQuery = makeQuery("SelectQuery");
  FInsertQuery = makeQuery("InsertQuery");
  FUpdateQuery = makeQuery("UpdateQuery");
  FDeleteQuery = makeQuery("DeleteQuery");
  FRefreshQuery = makeQuery("RefreshQuery");
  // The dataset fetches the first row itself, when navigation asks.
  FSelectQuery->SetGoToFirstRecordOnExecute(false);
  // A refreshed row is fetched by the dataset too.
  FRefreshQuery->SetGoToFirstRecordOnExecute(false);
  FSelectQuery->FetchCallback = [this](int rowsFetched, bool& stop) { OnSelectFetch(rowsFetched, stop); };
  FSelectQuery->OnSQLChanging = TNotifyEvent(this, &TFIBCustomDataSet::OnSelectSQLChanging);
  SetOptions(DefaultDataSetOptions);

  FBase.OnDatabaseDisconnecting = TNotifyEvent(this, &TFIBCustomDataSet::OnLinkDatabaseDisconnecting);
  FBase.OnDatabaseDisconnected = TNotifyEvent(this, &TFIBCustomDataSet::OnLinkDatabaseDisconnected);
  FBase.OnDatabaseFreeing = TNotifyEvent(this, &TFIBCustomDataSet::OnLinkDatabaseFreeing);
  FBase.OnTransactionEnding = TNotifyEvent(this, &TFIBCustomDataSet::OnLinkTransactionEnding);
  FBase.OnTransactionEnded = TNotifyEvent(this, &TFIBCustomDataSet::OnLinkTransactionEnded);
  FBase.OnTransactionFreeing = TNotifyEvent(this, &TFIBCustomDataSet::OnLinkTransactionFreeing);

  if (auto* database = dynamic_cast<TFIBDatabase*>(owner))
    SetDatabase(database);
  else if (auto* transaction = dynamic_cast<TFIBTransaction*>(owner))
    SetTransaction(transaction);
}

TFIBCustomDataSet::~TFIBCustomDataSet() {
  CloseOnDestroy();
  FEndScrollTimer.reset();
  FMasterRefreshTimer.reset();
  FDataLink.reset();
  FSelectQuery->FetchCallback = nullptr;
  FSelectQuery->OnSQLChanging = nullptr;
  FFilterExpression.reset();
  FreeCache();
}

// ---- Links and statements -------------------------------------------------------------

void TFIBCustomDataSet::SetDatabase(TFIBDatabase* database) {
  if (database == Database()) return;
  CheckClosed(" change database ");
  FBase.SetDatabase(database);
  for (TFIBQuery* query : {FSelectQuery, FInsertQuery, FUpdateQuery, FDeleteQuery, FRefreshQuery})
    query->SetDatabase(database);
  FPrepared = false;
  if (database != nullptr && database->DefaultUpdateTransaction() != nullptr)
    SetUpdateTransaction(database->DefaultUpdateTransaction());
}

void TFIBCustomDataSet::SetTransaction(TFIBTransaction* transaction) {
  if (transaction == Transaction()) return;
  CheckClosed(" change transaction ");
  // The modify statements follow unless they were given their own.
  const bool followUpdates = UpdateTransaction() == Transaction();
  FBase.SetTransaction(transaction);
  FSelectQuery->SetTransaction(transaction);
  FRefreshQuery->SetTransaction(transaction);
  if (followUpdates) SetUpdateTransaction(transaction);
  if (FBase.Database() != FSelectQuery->Database()) SetDatabase(FBase.Database());
}

TFIBTransaction* TFIBCustomDataSet::UpdateTransaction() const { return FUpdateQuery->Transaction(); }

void TFIBCustomDataSet::SetUpdateTransaction(TFIBTransaction* transaction) {
  for (TFIBQuery* query : {FInsertQuery, FUpdateQuery, FDeleteQuery}) query->SetTransaction(transaction);
}

TStrings& TFIBCustomDataSet::SelectSQL() const { return FSelectQuery->SQL(); }
void TFIBCustomDataSet::SetSelectSQL(const TStrings& lines) { FSelectQuery->SetSQL(lines); }
TStrings& TFIBCustomDataSet::InsertSQL() const { return FInsertQuery->SQL(); }
void TFIBCustomDataSet::SetInsertSQL(const TStrings& lines) { FInsertQuery->SetSQL(lines); }
TStrings& TFIBCustomDataSet::UpdateSQL() const { return FUpdateQuery->SQL(); }
void TFIBCustomDataSet::SetUpdateSQL(const TStrings& lines) { FUpdateQuery->SetSQL(lines); }
TStrings& TFIBCustomDataSet::DeleteSQL() const { return FDeleteQuery->SQL(); }
void TFIBCustomDataSet::SetDeleteSQL(const TStrings& lines) { FDeleteQuery->SetSQL(lines); }
TStrings& TFIBCustomDataSet::RefreshSQL() const { return FRefreshQuery->SQL(); }
void TFIBCustomDataSet::SetRefreshSQL(const TStrings& lines) { FRefreshQuery->SetSQL(lines); }
TConditions& TFIBCustomDataSet::Conditions() const { return FSelectQuery->Conditions(); }

// ---- Options ------------------------------------------------------------------------------

void TFIBCustomDataSet::SetOptions(TpFIBDsOptions options) {
  FOptions = options - poAllowChangeSqls;
  for (TFIBQuery* query : {FSelectQuery, FInsertQuery, FUpdateQuery, FDeleteQuery, FRefreshQuery}) {
    TpFIBQueryOptions queryOptions = query->Options();
    if (FOptions.Contains(poStartTransaction))
      queryOptions.Include(TpFIBQueryOption::qoStartTransaction);
    else
      queryOptions.Exclude(TpFIBQueryOption::qoStartTransaction);
    if (FOptions.Contains(poNoForceIsNull))
      queryOptions.Include(TpFIBQueryOption::qoNoForceIsNull);
    else
      queryOptions.Exclude(TpFIBQueryOption::qoNoForceIsNull);
    query->SetOptions(queryOptions);
  }
}

namespace {

struct TStoredPrepareOption {
  const char* Name;
  TpPrepareOption Option;
};

// Written when they differ from the default set (76).
constexpr TStoredPrepareOption StoredPrepareOptions[] = {
    {"poUseBooleanField", psUseBooleanField},   {"poImportDefaultValues", pfImportDefaultValues},
    {"poGetOrderInfo", psGetOrderInfo},         {"poSetRequiredFields", pfSetRequiredFields},
    {"poSetReadOnlyFields", pfSetReadOnlyFields}, {"poSQLINT64ToBCD", psSQLINT64ToBCD},
    {"poApplyRepositary", psApplyRepositary},   {"poAskRecordCount", psAskRecordCount},
};

struct TStoredDetailCondition {
  const char* Name;
  TDetailCondition Condition;
};

constexpr TStoredDetailCondition StoredDetailConditions[] = {
    {"WaitEndMasterScroll", dcWaitEndMasterScroll},
    {"dcForceMasterRefresh", dcForceMasterRefresh},
    {"dcForceOpen", dcForceOpen},
    {"dcIgnoreMasterClose", dcIgnoreMasterClose},
};

}  // namespace

bool TFIBCustomDataSet::ReadStoredBoolean(std::string_view name, bool value) {
  for (const auto& stored : StoredPrepareOptions) {
    if (name != stored.Name) continue;
    if (value)
      FPrepareOptions.Include(stored.Option);
    else
      FPrepareOptions.Exclude(stored.Option);
    return true;
  }
  for (const auto& stored : StoredDetailConditions) {
    if (name != stored.Name) continue;
    TDetailConditions conditions = DetailConditions();
    if (value)
      conditions.Include(stored.Condition);
    else
      conditions.Exclude(stored.Condition);
    SetDetailConditions(conditions);
    return true;
  }
  // Forms of older versions carry these; they mean nothing now.
  return name == "poForceIsNull" || name == "ObjectView";
}

std::vector<std::pair<std::string, bool>> TFIBCustomDataSet::StoredBooleans() const {
  std::vector<std::pair<std::string, bool>> result;
  for (const auto& stored : StoredPrepareOptions) {
    const bool value = FPrepareOptions.Contains(stored.Option);
    if (value != DefaultPrepareOptions.Contains(stored.Option)) result.emplace_back(stored.Name, value);
  }
  const TDetailConditions conditions = DetailConditions();
  for (const auto& stored : StoredDetailConditions)
    if (conditions.Contains(stored.Condition)) result.emplace_back(stored.Name, true);
  return result;
}

void TFIBCustomDataSet::SetBufferChunks(int value) {
  if (value <= 0) value = 32;
  if (value == FBufferChunks) return;
  CheckClosed(" change BufferChunks ");
  FBufferChunks = value;
}

void TFIBCustomDataSet::SetCachedUpdates(bool value) {
  if (value == FCachedUpdates) return;
  if (value) {
    if (!ComponentState().Contains(TComponentStateItem::csReading)) CheckClosed(" change CachedUpdates mode ");
  } else if (Active()) {
    CancelUpdates();
  }
  FCachedUpdates = value;
  if (FCache) FCache->SetKeepOldVersions(value);
  FSelectQuery->SetCloseOnTransactionEnd(!value);
}

void TFIBCustomDataSet::SetUniDirectional(bool value) {
  if (value == FUniDirectional) return;
  CheckClosed(" change Unidirectional property ");
  FUniDirectional = value;
}

void TFIBCustomDataSet::SetUpdateRecordTypes(TFIBUpdateRecordTypes types) {
  if (types == FUpdateRecordTypes) return;
  FUpdateRecordTypes = types;
  if (Active()) First();
}

// ---- Checks -------------------------------------------------------------------------------

void TFIBCustomDataSet::CheckClosed(std::string_view operation) const {
  if (Active()) RaiseClientError(ceDatasetOpen, operation, ComponentPath(this));
}

void TFIBCustomDataSet::CheckOpen(std::string_view operation) const {
  if (!Active()) RaiseClientError(ceDatasetClosed, operation, ComponentPath(this));
}

void TFIBCustomDataSet::CheckInactive() {
  // Building the filter switches calculated fields to internal calculation
  // while the dataset is open.
  if (FFilterBuildDepth > 0) return;
  TDataSet::CheckInactive();
}

// ---- Added virtual operations -----------------------------------------------------------

bool TFIBCustomDataSet::CanEdit() const {
  if (!IsBlankText(UpdateSQL().Text())) return true;
  if (!FCachedUpdates || IsEmpty()) return false;
  return static_cast<TCachedUpdateStatus>(ActiveBuffer()[5]) == cusInserted;
}

bool TFIBCustomDataSet::CanInsert() const { return !IsBlankText(InsertSQL().Text()); }
bool TFIBCustomDataSet::CanDelete() const { return !IsBlankText(DeleteSQL().Text()); }

bool TFIBCustomDataSet::GetCanModify() const {
  return !IsBlankText(InsertSQL().Text()) || !IsBlankText(UpdateSQL().Text()) ||
         !IsBlankText(DeleteSQL().Text());
}

bool TFIBCustomDataSet::RecordIsVisible(TRecordBuffer buffer) const {
  if (FShowAllRecords) return true;
  const auto status = static_cast<TCachedUpdateStatus>(buffer[5]);
  return status != cusDeletedApplied && FUpdateRecordTypes.Contains(status);
}

// ---- Framework operations ---------------------------------------------------------------

TFieldClass TFIBCustomDataSet::GetFieldClass(TFieldType type) const {
  switch (type) {
    case ftString:
      return &MakeField<TFIBStringField>;
    case ftSmallint:
      return &MakeField<TFIBSmallIntField>;
    case ftInteger:
      return &MakeField<TFIBIntegerField>;
    case ftWord:
      return &MakeField<TWordField>;
    case ftBoolean:
      return &MakeField<TFIBBooleanField>;
    case ftFloat:
      return &MakeField<TFIBFloatField>;
    case ftCurrency:
      return &MakeField<TCurrencyField>;
    case ftBCD:
      return &MakeField<TFIBBCDField>;
    case ftDate:
      return &MakeField<TFIBDateField>;
    case ftTime:
      return &MakeField<TFIBTimeField>;
    case ftDateTime:
      return &MakeField<TFIBDateTimeField>;
    case ftBytes:
      return &MakeField<TFIBArrayField>;
    case ftVarBytes:
      return &MakeField<TVarBytesField>;
    case ftAutoInc:
      return &MakeField<TAutoIncField>;
    case ftBlob:
      return &MakeField<TFIBBlobField>;
    case ftMemo:
      return &MakeField<TMemoField>;
    case ftGraphic:
      return &MakeField<TGraphicField>;
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
      return &MakeField<TFIBBlobField>;
    default:
      return nullptr;
  }
}

TRecordBuffer TFIBCustomDataSet::AllocRecordBuffer() {
  const auto size = static_cast<std::size_t>(FRecordBufferSize > 0 ? FRecordBufferSize : 1);
  FBufferPool.push_back(std::make_unique<std::byte[]>(size));
  return FBufferPool.back().get();
}

void TFIBCustomDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
  for (auto it = FBufferPool.begin(); it != FBufferPool.end(); ++it) {
    if (it->get() != buffer) continue;
    FBufferPool.erase(it);
    break;
  }
  buffer = nullptr;
}

int TFIBCustomDataSet::RecordIndexOf(TRecordBuffer buffer) {
  std::int32_t index;
  std::memcpy(&index, buffer, sizeof index);
  return index;
}

void TFIBCustomDataSet::SetRecordIndexOf(TRecordBuffer buffer, int index) {
  const std::int32_t value = index;
  std::memcpy(buffer, &value, sizeof value);
}

TBookmarkFlag TFIBCustomDataSet::GetBookmarkFlag(TRecordBuffer buffer) const {
  return static_cast<TBookmarkFlag>(buffer[4]);
}

void TFIBCustomDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) {
  buffer[4] = static_cast<std::byte>(value);
}

void TFIBCustomDataSet::InternalInitRecord(TRecordBuffer buffer) {
  std::memset(buffer, 0, static_cast<std::size_t>(FRecordBufferSize));
  std::memset(buffer + 6, 1, FColumns.size());
}

void TFIBCustomDataSet::InternalSetToRecord(TRecordBuffer buffer) { FCurrentRecord = RecordIndexOf(buffer); }

void TFIBCustomDataSet::InternalFirst() {
  // A ring keeps only its newest records: the first is the oldest held.
  FCurrentRecord = FirstHeldRecord() - 1;
}

void TFIBCustomDataSet::InternalHandleException() {
  // The application's handler (installed by the GUI) takes the error; with
  // none installed it goes on to the caller.
  if (!std::current_exception()) return;
  if (!HandleApplicationException(this)) throw;
}

int TFIBCustomDataSet::GetRecordCount() const {
  if (!FCursorOpen) return 0;
  if (FUniDirectional) return FFetchedCount < FBufferChunks ? FFetchedCount : FBufferChunks;
  return FFetchedCount - FDeletedCount;
}

int TFIBCustomDataSet::GetRecNo() const {
  if (!FCursorOpen || IsEmpty()) return 0;
  const TRecordBuffer buffer = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
  if (buffer == nullptr) return 0;
  // A ring numbers the records it holds, oldest first.
  return RecordIndexOf(buffer) - FirstHeldRecord() + 1;
}

TUpdateStatus TFIBCustomDataSet::UpdateStatus() const {
  if (!Active() || IsEmpty()) return usUnmodified;
  const auto status = static_cast<int>(ActiveBuffer()[5]);
  // Un-inserted and applied deletions are deletions to the framework.
  if (status == cusUninserted || status == cusDeletedApplied) return usDeleted;
  return static_cast<TUpdateStatus>(status);
}

bool TFIBCustomDataSet::GetCurrentRecord(TRecordBuffer buffer) {
  if (IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != bfCurrent) return false;
  ReadCachedRecord(RecordIndexOf(ActiveBuffer()), buffer);
  return true;
}

int TFIBCustomDataSet::Translate(const char* source, char* dest, bool) {
  if (source == nullptr) return 0;
  const std::size_t length = std::strlen(source);
  if (dest != nullptr && dest != source) std::memmove(dest, source, length + 1);
  return static_cast<int>(length);
}

void TFIBCustomDataSet::SetStateFieldValue(TDataSetState state, TField* field, const Variant& value) {
  // The state the value is set in: check-edit-state looks through the
  // new-value state to it.
  FStateFieldValueState = State();
  TDataSet::SetStateFieldValue(state, field, value);
}

// ---- Data events and scroll events -------------------------------------------------------

void TFIBCustomDataSet::DataEvent(TDataEvent event, const TDataEventInfo& info) {
  if (event == deFieldChange && OnFieldChange) OnFieldChange(info.Field);
  TDataSet::DataEvent(event, info);
  const bool disabled = ControlsDisabled();
  if (disabled == FControlsWereDisabled) return;
  FControlsWereDisabled = disabled;
  if (disabled) {
    if (OnDisableControls) OnDisableControls(this);
  } else if (OnEnableControls) {
    OnEnableControls(this);
  }
}

void TFIBCustomDataSet::DoBeforeScroll() {
  if (FInternalScroll == 0) TDataSet::DoBeforeScroll();
}

void TFIBCustomDataSet::DoAfterScroll() {
  if (FInternalScroll != 0) return;
  TDataSet::DoAfterScroll();
  RestartEndScrollTimer();
}

void TFIBCustomDataSet::DoBeforeClose() {
  TDataSet::DoBeforeClose();
  // Default fields go with the cursor; an expression must not outlive them.
  if (DefaultFields()) FFilterExpression.reset();
}
