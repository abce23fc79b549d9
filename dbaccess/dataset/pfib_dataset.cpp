// TpFIBDataSet: construction, properties, the container and its events,
// opening with values, the field-name cache, user events, the link's
// transaction notifications and the post and delete error relays.

#include "dbaccess/dataset/pfib_dataset.h"

#include <algorithm>
#include <vector>

#include "dbaccess/client/errors.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/fib_fields.h"
#include "dbaccess/filter/expression_parser.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/text/text.h"

TpFIBDataSet::TpFIBDataSet(TComponent* owner)
    : TFIBDataSet(owner),
      FDefaultFormats(std::make_unique<TFormatFields>()),
      FAutoUpdateOptions(std::make_unique<TAutoUpdateOptions>()) {
  const auto makeQuery = [this](const char* name) {
    auto* query = new TFIBQuery(this);  // owned by the dataset as a component
    query->SetName(name);
    query->SetParamCheck(true);
    return query;
  };
  FCountQuery = makeQuery("CountQuery");
  FLockQuery = makeQuery("LockQuery");
  // The core keeps handling the transaction's end; ours runs around it.
  FCoreTransactionEnding = Base().OnTransactionEnding;
  FCoreTransactionEnded = Base().OnTransactionEnded;
  Base().OnTransactionEnding = TNotifyEvent(this, &TpFIBDataSet::OnLinkTransactionEnding);
  Base().OnTransactionEnded = TNotifyEvent(this, &TpFIBDataSet::OnLinkTransactionEnded);
  FCoreSelectSQLChanging = SelectQuery().OnSQLChanging;
  SelectQuery().OnSQLChanging = TNotifyEvent(this, &TpFIBDataSet::OnSelectSQLChanging);
}

TpFIBDataSet::~TpFIBDataSet() {
  // Closing calls this class's firers: it must happen while it is whole.
  CloseOnDestroy();
  SelectQuery().OnSQLChanging = FCoreSelectSQLChanging;
  if (FContainer != nullptr) FContainer->Unregister(this);
}

void TpFIBDataSet::OnSelectSQLChanging(TObject* sender) {
  if (FCoreSelectSQLChanging) FCoreSelectSQLChanging(sender);
  FSelectChangedForSqls = true;
}

// ---- Properties -----------------------------------------------------------------------

void TpFIBDataSet::SetContainer(TDataSetsContainer* container) {
  if (container == FContainer) return;
  if (FContainer != nullptr) {
    FContainer->Unregister(this);
    FContainer->RemoveFreeNotification(this);
  }
  FContainer = container;
  if (FContainer != nullptr) {
    FContainer->Register(this);
    FContainer->FreeNotification(this);
  }
}

void TpFIBDataSet::SetDataSet_ID(int id) {
  if (id == FDataSetID) return;
  CheckClosed(" change DataSetID ");
  FDataSetID = id;
  // The repository's description is applied when the dataset is prepared
  // next: without field definitions the next open prepares again.
  SelectQuery().DropStatement();
  FieldDefs().Clear();
  if (id > 0 && !PrepareOptions().Contains(psApplyRepositary)) SetPrepareOptions(PrepareOptions() + psApplyRepositary);
}

void TpFIBDataSet::SetPrepareOptions(TpPrepareOptions options) {
  const bool addsRepository =
      options.Contains(psApplyRepositary) && !PrepareOptions().Contains(psApplyRepositary);
  TFIBDataSet::SetPrepareOptions(options);
  if (addsRepository && Active()) PrepareFields();
}

void TpFIBDataSet::Notification(TComponent* component, TOperation operation) {
  TFIBDataSet::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FContainer) FContainer = nullptr;
  if (ComponentState().Contains(TComponentStateItem::csDestroying)) return;
  std::erase_if(FFieldNameCache, [component](const auto& entry) {
    return static_cast<TComponent*>(entry.second) == component;
  });
  std::erase_if(FEmptyStringDefaults,
                [component](TField* field) { return static_cast<TComponent*>(field) == component; });
}

// ---- Opening with values ---------------------------------------------------------------

void TpFIBDataSet::OpenWithParams(std::span<const Variant> values) {
  // The values are copied: a caller's array may be the one the parameters
  // are read from while the statement is rebuilt.
  const std::vector<Variant> copies(values.begin(), values.end());
  if (!copies.empty()) SelectQuery().SetParamValues(std::span<const Variant>(copies));
  OpenDataSet();
}

// ---- Fields ------------------------------------------------------------------------------

TField* TpFIBDataSet::FieldByNameCached(std::string_view name) {
  for (const auto& [asked, field] : FFieldNameCache)
    if (asked == name) return field;
  // A name that begins with a quote is a quoted name: the quote goes, and
  // the closing one with it.
  std::string_view lookup = name;
  if (!lookup.empty() && lookup.front() == '"') {
    lookup.remove_prefix(1);
    if (!lookup.empty() && lookup.back() == '"') lookup.remove_suffix(1);
  }
  TField* field = LookupFieldByName(lookup);
  if (field == nullptr) return nullptr;
  FFieldNameCache.emplace_back(std::string(name), field);
  // Persistent fields may go before the dataset does.
  field->FreeNotification(this);
  return field;
}

TField* TpFIBDataSet::FieldOfTable(std::string_view tableName) {
  for (TField* field : Fields())
    if (OriginTableOf(field) == tableName) return field;
  return nullptr;
}

TField* TpFIBDataSet::KeyField() {
  const std::string& keys = FAutoUpdateOptions->KeyFields();
  return keys.empty() ? nullptr : FindField(Trim(keys));
}

// ---- The container and the event firers ---------------------------------------------------

void TpFIBDataSet::TellContainer(TKindDataSetEvent event) {
  if (FContainer != nullptr) FContainer->DataSetEvent(this, event);
}

void TpFIBDataSet::DoBeforeOpen() {
  InvalidateFilterCount();
  if (EventsSuppressed()) return;
  TellContainer(deBeforeOpen);
  TFIBDataSet::DoBeforeOpen();
}

void TpFIBDataSet::DoAfterOpen() {
  FPostedInTransaction = false;
  InvalidateFilterCount();
  if (FSelectChangedForSqls) {
    FSelectChangedForSqls = false;
    RewriteSqlsAtOpen();
  }
  PrepareFields();
  TellContainer(deAfterOpen);
  if (!ComponentState().Contains(TComponentStateItem::csDesigning) && FAutoUpdateOptions->AutoParamsToFields() &&
      SelectQuery().Params().Count() > FParamsSeenForLinks) {
    FillParamsToFields();
    FParamsSeenForLinks = SelectQuery().Params().Count();
  }
  TFIBDataSet::DoAfterOpen();
}

void TpFIBDataSet::DoBeforeClose() {
  // Fields made by opening go with the cursor: nothing may keep them.
  if (DefaultFields()) {
    FFieldNameCache.clear();
    FEmptyStringDefaults.clear();
    if (FilterExpression() != nullptr) FilterExpression()->ClearFieldCache();
  }
  if (!EventsSuppressed()) TellContainer(deBeforeClose);
  if (!EventsSuppressed()) TFIBDataSet::DoBeforeClose();
}

void TpFIBDataSet::DoAfterClose() {
  InvalidateFilterCount();
  FServerRecordCount = 0;
  if (!EventsSuppressed()) {
    TellContainer(deAfterClose);
    TFIBDataSet::DoAfterClose();
  }
  FParamsSeenForLinks = SelectQuery().Params().Count();
}

void TpFIBDataSet::DoAfterInsert() {
  TellContainer(deAfterInsert);
  TFIBDataSet::DoAfterInsert();
}

void TpFIBDataSet::DoAfterEdit() {
  TellContainer(deAfterEdit);
  TFIBDataSet::DoAfterEdit();
}

void TpFIBDataSet::DoBeforeCancel() {
  TFIBDataSet::DoBeforeCancel();
  TellContainer(deBeforeCancel);
}

void TpFIBDataSet::DoAfterCancel() {
  InvalidateFilterCount();
  TellContainer(deAfterCancel);
  TFIBDataSet::DoAfterCancel();
}

void TpFIBDataSet::DoBeforeScroll() {
  if (InternalScrolling()) return;
  TellContainer(deBeforeScroll);
  TFIBDataSet::DoBeforeScroll();
}

void TpFIBDataSet::DoAfterScroll() {
  if (InternalScrolling()) return;
  TellContainer(deAfterScroll);
  TFIBDataSet::DoAfterScroll();
}

void TpFIBDataSet::DoBeforeRefresh() {
  TellContainer(deBeforeRefresh);
  TFIBDataSet::DoBeforeRefresh();
}

void TpFIBDataSet::DoAfterRefresh() {
  InvalidateFilterCount();
  TellContainer(deAfterRefresh);
  TFIBDataSet::DoAfterRefresh();
}

void TpFIBDataSet::DoOnCalcFields() {
  TellContainer(deOnCalcFields);
  TFIBDataSet::DoOnCalcFields();
}

void TpFIBDataSet::DoOnNewRecord() {
  ApplyNewRecordDefaults();
  TellContainer(deOnNewRecord);
  TFIBDataSet::DoOnNewRecord();
}

// ---- Error relays ----------------------------------------------------------------------------

TDataAction TpFIBDataSet::RelayError(TKindDataSetError kind, const TDataSetErrorEvent& handler,
                                     EDatabaseError& error) {
  TDataAction action = daFail;
  if (FContainer != nullptr) FContainer->DataSetError(this, kind, error, action);
  if (handler) handler(this, error, action);
  return action;
}

// The core posts and deletes; a failure goes to the container and the
// handler, which may retry it or turn it into the silent abort.
void TpFIBDataSet::InternalPost() {
  for (;;) {
    try {
      TFIBDataSet::InternalPost();
      InvalidateFilterCount();
      return;
    } catch (EDatabaseError& e) {
      const TDataAction action = RelayError(deOnPostError, OnPostError, e);
      if (action == daFail) throw;
      if (action == daAbort) Abort();
    }
  }
}

void TpFIBDataSet::InternalDelete() {
  for (;;) {
    try {
      TFIBDataSet::InternalDelete();
      InvalidateFilterCount();
      return;
    } catch (EDatabaseError& e) {
      const TDataAction action = RelayError(deOnDeleteError, OnDeleteError, e);
      if (action == daFail) throw;
      if (action == daAbort) Abort();
    }
  }
}

// ---- User events ------------------------------------------------------------------------------

void TpFIBDataSet::ReceiveUserEvent(TObject* sender, const std::string& eventName, std::string& info) {
  const std::string name = AnsiUpperCase(eventName);
  if (name == "CLOSE")
    Close();
  else if (name == "OPEN")
    Open();
  else if (FContainer != nullptr)
    FContainer->UserEvent(sender, this, eventName, info);
  if (OnUserEvent) OnUserEvent(sender, this, eventName, info);
}

// ---- The transaction's end ---------------------------------------------------------------------

void TpFIBDataSet::OnLinkTransactionEnding(TObject* sender) {
  // Changes posted in the transaction stay posted only when it rolls back.
  const TFIBTransaction* update = UpdateTransaction();
  const TTransactionState state = update != nullptr ? update->TransactionState() : tsInactive;
  FPostedInTransaction = FPostedInTransaction && (state == tsDoRollback || state == tsDoRollbackRetaining);
  if (FCoreTransactionEnding) FCoreTransactionEnding(sender);
}

void TpFIBDataSet::OnLinkTransactionEnded(TObject* sender) {
  if (FCoreTransactionEnded) FCoreTransactionEnded(sender);
  CleanUpAfterRetainingEnd();
}

// A retaining end under read committed lets other transactions see (or
// undoes) what protected editing posted: the records it marked as changed
// are plain records again.
void TpFIBDataSet::CleanUpAfterRetainingEnd() {
  const TFIBTransaction* update = UpdateTransaction();
  if (update == nullptr || !Active() || CachedUpdates() || !Options().Contains(poProtectedEdit)) return;
  const TTransactionState state = update->TransactionState();
  if (state != tsDoRollbackRetaining && state != tsDoCommitRetaining) return;
  if (!update->IsReadCommitted()) return;
  std::vector<std::byte> buffer(static_cast<std::size_t>(RecordBufferSize()));
  bool cleared = false;
  for (int index = FirstRecordIndex(); index < FetchedCount(); ++index) {
    ReadRecordAt(index, buffer.data());
    // Only the marks of posted changes go: a record deleted on the server
    // (deleted-applied) must not come back into view.
    const auto status = static_cast<TCachedUpdateStatus>(buffer[5]);
    if (status != cusModified && status != cusInserted) continue;
    buffer[5] = static_cast<std::byte>(cusUnmodified);
    WriteRecordToCache(buffer.data());
    cleared = true;
  }
  // The records shown carry the marks too. (Without cached updates the
  // cache keeps no log of old versions to reset.)
  if (cleared && State() == dsBrowse) {
    UpdateCursorPos();
    Resync(TResyncMode{});
  }
}
