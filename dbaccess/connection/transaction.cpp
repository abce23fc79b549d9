#include "dbaccess/connection/transaction.h"

#include <algorithm>
#include <array>
#include <exception>
#include <utility>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/event_lists.h"
#include "dbaccess/client/parameter_blocks.h"
#include "dbaccess/trace/trace_hooks.h"
#include "framework/core/base/scope_exit.h"
#include "framework/core/component/strings.h"
#include "framework/core/system/timer.h"

static_assert(std::is_same_v<isc_tr_handle, TClientHandle>);

// The parameter lines: refuse changes while the transaction runs, and mark
// the block for rebuilding after every change.
class TFIBTransaction::TTRParamsList : public TStringList {
 public:
  explicit TTRParamsList(TFIBTransaction& owner) : FOwner(owner) {}

 protected:
  void Changing() override {
    if (FOwner.Active()) RaiseClientError(ceInTransaction);
    TStringList::Changing();
  }
  void Changed() override {
    FOwner.FTPBChanged = true;
    TStringList::Changed();
  }

 private:
  TFIBTransaction& FOwner;
};


TTransactionAction HardAction(TTransactionAction action) {
  switch (action) {
    case TARollbackRetaining:
      return TARollback;
    case TACommitRetaining:
      return TACommit;
    default:
      return action;
  }
}

// ---- Construction and destruction -----------------------------------------------------

TFIBTransaction::TFIBTransaction(TComponent* owner)
    : TComponent(owner),
      FTRParams(std::make_unique<TTRParamsList>(*this)),
      FDestroyCallbacks(std::make_unique<TNotifyEventList>(nullptr)) {}

TFIBTransaction::~TFIBTransaction() {
  Destroying();
  DestroyQuietly();
}

// Destructors never throw: each step that can fail is caught on its own.
void TFIBTransaction::DestroyQuietly() noexcept {
  FTimer.reset();
  try {
    if (Active()) EndTransaction(HardAction(FTimeoutAction), true);
  } catch (...) {
  }
  // A handle the end could not give back is rolled back by its owner type.
  FHandle.Release();

  for (int i = FDestroyCallbacks->Count() - 1; i >= 0; --i) {
    if (i >= FDestroyCallbacks->Count()) continue;
    try {
      if (const TNotifyEvent handler = FDestroyCallbacks->Get(i)) handler(this);
    } catch (...) {
    }
  }
  FLinks.ForEach(
      [](TFIBBase* link) {
        try {
          link->TransactionFreeing(TFIBListKey());
        } catch (...) {
        }
      },
      true);
  while (FLinks.Count() > 0) FLinks.Items(FLinks.Count() - 1)->SetTransaction(nullptr);
  RemoveDatabases();
}

void TFIBTransaction::Loaded() {
  TComponent::Loaded();
  if (!FStoredActive) return;
  if (!Active()) StartTransaction();
  FStoredActive = false;
}

// ---- Properties ---------------------------------------------------------------------------

void TFIBTransaction::SetActive(bool value) {
  if (ComponentState().Contains(TComponentStateItem::csLoading)) {
    FStoredActive = value;
    return;
  }
  if (value && !Active())
    StartTransaction();
  else if (!value && Active())
    Rollback();
}

void TFIBTransaction::SetDefaultDatabase(TFIBDatabase* database) {
  if (database == FDefaultDatabase) return;
  EnsureInactive();
  TFIBDatabase* previous = FDefaultDatabase;
  const int slot = previous != nullptr ? FindDatabase(previous) : -1;
  if (slot >= 0 && database != nullptr && FindDatabase(database) < 0) {
    // The new default takes the old one's place in the list.
    FDatabases[static_cast<std::size_t>(slot)] = database;
    previous->EraseTransactionEntry(this, TFIBListKey());
    previous->ClearDefaultTransaction(this, TFIBListKey());
    database->InsertTransactionEntry(this, TFIBListKey());
  } else {
    if (slot >= 0) RemoveDatabase(slot);
    if (database != nullptr) AddDatabase(database);
  }
  FDefaultDatabase = database;
}

void TFIBTransaction::SetTimeout(int milliseconds) {
  if (milliseconds < 0) RaiseClientError(ceTimeoutNegative);
  FTimeout = milliseconds;
  SetIdleTimer(FTimer, milliseconds, TNotifyEvent(this, &TFIBTransaction::IdleTimerTick), !ComponentState().Contains(TComponentStateItem::csDesigning));
}

TStrings& TFIBTransaction::TRParams() const { return *FTRParams; }

void TFIBTransaction::SetTRParams(const TStrings& lines) { FTRParams->Assign(&lines); }

// ---- Starting ----------------------------------------------------------------------------

void TFIBTransaction::PrepareTPB() {
  if (!FTPBChanged) return;
  // The flag stays set until a block has been built: after a bad line the
  // next start tries again instead of using an older block.
  FTPB = BuildTPB(*FTRParams);
  FTPBChanged = false;
}

void TFIBTransaction::StartTransaction() {
  EnsureInactive();
  if (FDatabases.empty()) RaiseClientError(ceNoDatabasesInTransaction);
  PrepareTPB();

  std::vector<TTransactionVectorEntry> entries;
  entries.reserve(FDatabases.size());
  for (TFIBDatabase* database : FDatabases) {
    database->EnsureConnected();
    entries.push_back(TTransactionVectorEntry{database->HandleAddress(), static_cast<int>(FTPB.size()),
                                              FTPB.empty() ? nullptr : FTPB.data()});
  }

  NotifyLinks(TFIBLinkNotification::TransactionStarting);
  if (!Active()) {
    const TStatusWord result =
        ClientCall(ClientAPI().isc_start_multiple(StatusVector(), FHandle.Address(),
                                                  static_cast<short>(entries.size()), entries.data()),
                   false);
    if (result > 0) {
      FHandle.Forget();
      RaiseStatusError(this);
    }
  }
  FHandleReleased = false;
  NotifyLinks(TFIBLinkNotification::TransactionStarted);
  TraceStartTransaction(*this);
  FTransactionState = tsActive;
}

// ---- Ending -------------------------------------------------------------------------------

void TFIBTransaction::Commit() { EndTransaction(TACommit, false); }
void TFIBTransaction::CommitRetaining() { EndTransaction(TACommitRetaining, false); }
void TFIBTransaction::Rollback() { EndTransaction(TARollback, false); }
void TFIBTransaction::RollbackRetaining() { EndTransaction(TARollbackRetaining, false); }

void TFIBTransaction::EndTransaction(TTransactionAction action, bool force) {
  EnsureActive();
  // Whatever happens below, the state tells the truth afterwards.
  const TAtScopeExit settle([this] {
    FTransactionState = Active() ? tsActive : tsInactive;
    FTransactionNumber = 0;
  });
  const TClientEntryPoints& api = ClientAPI();
  switch (action) {
    case TARollbackRetaining:
      FTransactionState = tsDoRollbackRetaining;
      NotifyLinks(TFIBLinkNotification::TransactionEnding);
      ClientCall(api.isc_rollback_retaining(StatusVector(), FHandle.Address()), true);
      NotifyLinks(TFIBLinkNotification::TransactionEnded);
      TraceRollbackRetaining(*this);
      break;
    case TACommitRetaining:
      FTransactionState = tsDoCommitRetaining;
      NotifyLinks(TFIBLinkNotification::TransactionEnding);
      ClientCall(api.isc_commit_retaining(StatusVector(), FHandle.Address()), true);
      NotifyLinks(TFIBLinkNotification::TransactionEnded);
      TraceCommitRetaining(*this);
      break;
    case TARollback:
    case TACommit:
      EndHard(action, force);
      break;
  }
}

void TFIBTransaction::EndHard(TTransactionAction action, bool force) {
  if (FHandleReleased && action != FTimeoutAction && !force) RaiseClientError(ceCantEndSharedTransaction);
  bool committing = action == TACommit;
  FTransactionState = committing ? tsDoCommit : tsDoRollback;
  // A forced end happens whatever a link makes of the news (a cursor that
  // cannot be closed on a server that is gone): the transaction must not
  // stay active with a handle nobody can end. The first failure is raised
  // once the transaction is over.
  std::exception_ptr failure;
  try {
    NotifyLinks(TFIBLinkNotification::TransactionEnding);
  } catch (...) {
    if (!force) throw;
    failure = std::current_exception();
  }

  if (FHandleReleased) {
    // The connection is gone; there is no server to tell.
    FHandle.Forget();
    FHandleReleased = false;
  } else {
    const TClientEntryPoints& api = ClientAPI();
    const TStatusWord result =
        ClientCall(committing ? api.isc_commit_transaction(StatusVector(), FHandle.Address())
                              : api.isc_rollback_transaction(StatusVector(), FHandle.Address()),
                   false);
    if (result > 0) {
      if (!force) RaiseStatusError(this);
      if (committing) {
        // A forced commit that fails becomes a rollback, and says so: the
        // links hear of a rollback, and the caller gets the commit's error
        // once the transaction has been cleaned up.
        try {
          RaiseStatusError(this);
        } catch (...) {
          if (!failure) failure = std::current_exception();
        }
        committing = false;
        FTransactionState = tsDoRollback;
      }
      ClientCall(api.isc_rollback_transaction(StatusVector(), FHandle.Address()), false);
    }
    if (force) FHandle.Forget();
  }

  try {
    NotifyLinks(TFIBLinkNotification::TransactionEnded);
  } catch (...) {
    if (!force) throw;
    if (!failure) failure = std::current_exception();
  }
  if (committing)
    TraceCommit(*this);
  else
    TraceRollback(*this);
  if (failure) std::rethrow_exception(failure);
}

void TFIBTransaction::EndOnDisconnect(TFIBListKey) {
  if (Active()) EndTransaction(HardAction(FTimeoutAction), true);
}

void TFIBTransaction::ReleaseLost(TFIBListKey) noexcept {
  if (!Active()) return;
  FHandleReleased = true;
  try {
    EndTransaction(TACommit, true);
  } catch (...) {
    // The ending hooks had their say; what they raised changes nothing
    // about the connection being gone.
  }
  // A hook that raised before the end itself ran (an event of a descendant)
  // left the handle: it goes now, still without a server call.
  if (Active() || FHandleReleased) {
    FHandle.Forget();
    FHandleReleased = false;
    FTransactionState = tsInactive;
    FTransactionNumber = 0;
  }
}

void TFIBTransaction::SQLExecuteNotification(TFIBQuery*, TFIBSQLTypes, int) {}

void TFIBTransaction::EnsureActive() {
  if (FStoredActive && !Active()) {
    StartTransaction();
    FStoredActive = false;
  }
  if (!Active()) RaiseClientError(ceNotInTransaction);
}

void TFIBTransaction::EnsureInactive() const {
  if (Active()) RaiseClientError(ceInTransaction);
}

void TFIBTransaction::IdleTimerTick(TObject*) {
  if (!Active()) return;
  if (!FIdle) {
    FIdle = true;
    return;
  }
  try {
    EndTransaction(FTimeoutAction, true);
  } catch (...) {
    // A forced end leaves the transaction ended even when it reports a
    // failure; the time-out happened, and the failure goes on to the caller.
    if (!Active()) DoOnTimeout();
    throw;
  }
  DoOnTimeout();
}

void TFIBTransaction::DoOnTimeout() {
  if (OnTimeout) OnTimeout(this);
}

// ---- Information -----------------------------------------------------------------------------

std::int64_t TFIBTransaction::TransactionNumber() {
  if (!Active()) return 0;
  if (FTransactionNumber != 0) return FTransactionNumber;
  const ISC_SCHAR item = isc_info_tra_id;
  std::array<ISC_SCHAR, 32> reply{};
  ClientCall(ClientAPI().isc_transaction_info(StatusVector(), FHandle.Address(), 1, &item,
                                              static_cast<short>(reply.size()), reply.data()),
             true);
  if (reply[0] != isc_info_tra_id) return 0;
  // Info replies are little-endian: a 2-byte length, then the value.
  const int length = static_cast<unsigned char>(reply[1]) | (static_cast<unsigned char>(reply[2]) << 8);
  std::uint64_t value = 0;
  for (int i = 0; i < length && i < 8 && 3 + i < static_cast<int>(reply.size()); ++i)
    value |= static_cast<std::uint64_t>(static_cast<unsigned char>(reply[static_cast<std::size_t>(3 + i)]))
             << (8 * i);
  FTransactionNumber = static_cast<std::int64_t>(value);
  return FTransactionNumber;
}

bool TFIBTransaction::IsReadCommitted() const {
  for (int i = 0; i < FTRParams->Count(); ++i) {
    const std::string line = FTRParams->Strings(i);
    if (line == "read_committed" || line == "isc_tpb_read_committed") return true;
  }
  return false;
}

TStatusWord TFIBTransaction::ClientCall(TStatusWord result, bool raise) {
  RestoreDefaultFPUControlWord();
  FIdle = false;
  for (TFIBDatabase* database : FDatabases) database->MarkBusy(TFIBListKey());
  if (raise && result > 0) RaiseStatusError(this);
  return result;
}

// ---- Databases ----------------------------------------------------------------------------

TFIBDatabase* TFIBTransaction::Databases(int index) const {
  if (index < 0 || index >= DatabaseCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FDatabases[static_cast<std::size_t>(index)];
}

int TFIBTransaction::AddDatabase(TFIBDatabase* database) {
  if (database == nullptr) return -1;
  const int found = FindDatabase(database);
  if (found >= 0) return found;
  FDatabases.push_back(database);
  database->InsertTransactionEntry(this, TFIBListKey());
  return DatabaseCount() - 1;
}

void TFIBTransaction::RemoveDatabase(int index) {
  TFIBDatabase* database = Databases(index);
  FDatabases.erase(FDatabases.begin() + index);
  database->EraseTransactionEntry(this, TFIBListKey());
  database->ClearDefaultTransaction(this, TFIBListKey());
  if (FDefaultDatabase == database) FDefaultDatabase = nullptr;
}

void TFIBTransaction::RemoveDatabases() {
  while (!FDatabases.empty()) RemoveDatabase(DatabaseCount() - 1);
}

int TFIBTransaction::FindDatabase(const TFIBDatabase* database) const {
  const auto found = std::find(FDatabases.begin(), FDatabases.end(), database);
  return found == FDatabases.end() ? -1 : static_cast<int>(found - FDatabases.begin());
}

// ---- Listeners and links ------------------------------------------------------------------

void TFIBTransaction::RegisterDestroyCallback(const TNotifyEvent& handler) {
  // A handler bound to a component's method goes when that component does.
  FDestroyCallbacks->Add(handler);
}

void TFIBTransaction::UnregisterDestroyCallback(const TNotifyEvent& handler) {
  FDestroyCallbacks->Remove(handler);
}

void TFIBTransaction::NotifyLinks(TFIBLinkNotification notification) {
  FLinks.ForEach([&](TFIBBase* link) { link->Notify(notification, TFIBListKey()); });
}

int TFIBTransaction::AddLink(TFIBBase* link, TFIBListKey) { return FLinks.Add(link); }

void TFIBTransaction::RemoveLink(int index, TFIBListKey key) {
  if (TFIBBase* moved = FLinks.Remove(index)) moved->SetIndexInTransaction(index, key);
}
