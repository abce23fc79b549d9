#include "dbaccess/connection/database.h"

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <new>
#include <utility>

#include "dbaccess/blob/blob_filters.h"
#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/connection/database_options.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/event_lists.h"
#include "dbaccess/util/helpers.h"
#include "dbaccess/client/parameter_blocks.h"
#include "dbaccess/sql/sql_words.h"
#include "dbaccess/trace/trace_hooks.h"
#include "dbaccess/connection/transaction.h"
#include "framework/core/text/datetime.h"
#include "framework/core/component/lists.h"
#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"
#include "framework/core/system/timer.h"

static_assert(std::is_same_v<isc_db_handle, TClientHandle>);

namespace {

// The list outlives every connection, also those that static objects free
// at process end: it is built in place once and never destroyed.
class TAllDatabasesStore {
 public:
  TAllDatabasesStore() { ::new (static_cast<void*>(FStorage)) TThreadList(); }
  TThreadList& List() { return *std::launder(reinterpret_cast<TThreadList*>(FStorage)); }

 private:
  alignas(TThreadList) unsigned char FStorage[sizeof(TThreadList)];
};

// Components live on the GUI thread; so does the default connection.
TFIBDatabase* GDefaultDatabase = nullptr;

TDatabaseLoginHook& LoginHook() {
  static TDatabaseLoginHook hook;
  return hook;
}

bool HasState(const TComponent& component, TComponentStateItem item) {
  return component.ComponentState().Contains(item);
}

// A parameter name as compared: trimmed, without the "isc_dpb_" prefix.
std::string_view BareParamName(std::string_view name) {
  std::string_view bare = name;
  while (!bare.empty() && static_cast<unsigned char>(bare.front()) <= ' ') bare.remove_prefix(1);
  while (!bare.empty() && static_cast<unsigned char>(bare.back()) <= ' ') bare.remove_suffix(1);
  constexpr std::string_view prefix = "isc_dpb_";
  if (bare.size() >= prefix.size() && SameText(bare.substr(0, prefix.size()), prefix))
    bare.remove_prefix(prefix.size());
  return bare;
}

constexpr int TimeStampDaysTo1899 = 15018;
constexpr double TimeStampTicksPerDay = 864000000.0;

// Runs a handler of the disconnect pair and gives its error the name of the
// event and of the connection, so the user learns where it came from.
void FireDisconnectEvent(TFIBDatabase& database, const TNotifyEvent& event, const char* eventName) {
  if (!event) return;
  try {
    event(&database);
  } catch (const Exception& e) {
    const char* format =
        HasState(database, TComponentStateItem::csDestroying)
            ? "Error of %s.%s. Probably you are trying to get access to destroyed components. %s"
            : "Error of %s.%s. %s";
    throw Exception(Format(format, ComponentPath(&database), eventName, e.Message()));
  }
}

}  // namespace

// ---- Process-wide -------------------------------------------------------------------

TThreadList& AllDatabases() {
  static TAllDatabasesStore store;
  return store.List();
}

TFIBDatabase* GlobalDefaultDatabase() { return GDefaultDatabase; }

void SetDatabaseLoginHook(TDatabaseLoginHook hook) { LoginHook() = std::move(hook); }

void ShutdownDatabases() noexcept {
  try {
    TThreadListLock lock(AllDatabases());
    std::vector<TFIBDatabase*> databases;
    for (int i = 0; i < lock->Count(); ++i) databases.push_back(static_cast<TFIBDatabase*>(lock->Items(i)));
    for (TFIBDatabase* database : databases) {
      // A handler of an earlier close may have freed this one.
      if (lock->IndexOf(database) < 0 || !database->Connected()) continue;
      try {
        database->CloseConnection(false);
      } catch (...) {
        // The program is ending: what a normal close refused, a forced one
        // does, so no attachment outlives the client library.
        try {
          if (database->Connected()) database->CloseConnection(true);
        } catch (...) {
        }
      }
    }
  } catch (...) {
    // Shutdown has no one to report to; the lock guard has unlocked.
  }
}

// ---- Construction and destruction -----------------------------------------------------

TFIBDatabase::TFIBDatabase(TComponent* owner) : TComponent(owner) {
  CheckClientLibrary();
  FDBParams = std::make_unique<TDBParams>(this);
  FConnectParams = std::make_unique<TConnectParams>(this);
  for (auto& list : FCallbacks) list = std::make_unique<TNotifyEventList>(nullptr);
  FBlobFilters = std::make_unique<TIBBlobFilters>();
  FInternalTransaction = std::make_unique<TFIBTransaction>(nullptr);
  FInternalTransaction->SetDefaultDatabase(this);
  TStrings& params = FInternalTransaction->TRParams();
  for (const char* line : {"write", "nowait", "rec_version", "read_committed"}) params.Add(line);
  AllDatabases().Add(this);
}

TFIBDatabase::~TFIBDatabase() {
  Destroying();
  DestroyQuietly();
}

// Destructors never throw: every step below that can fail is caught on its
// own, so one failing step does not keep the others from running.
void TFIBDatabase::DestroyQuietly() noexcept {
  AllDatabases().Remove(this);
  try {
    if (FInternalTransaction->Active()) FInternalTransaction->Commit();
  } catch (...) {
  }
  FInternalTransaction.reset();
  if (GDefaultDatabase == this) GDefaultDatabase = nullptr;

  FTimer.reset();
  FTimeout = 0;
  try {
    if (Connected()) CloseConnection(true);
  } catch (...) {
  }
  try {
    FireCallbacks(cbDestroy, true);
  } catch (...) {
  }
  FLinks.ForEach(
      [](TFIBBase* link) {
        try {
          link->DatabaseFreeing(TFIBListKey());
        } catch (...) {
        }
      },
      true);
  while (FLinks.Count() > 0) {
    TFIBBase* link = FLinks.Items(FLinks.Count() - 1);
    link->SetDatabase(nullptr);
  }
  try {
    RemoveTransactions();
  } catch (...) {
  }
}

void TFIBDatabase::Loaded() {
  TComponent::Loaded();
  if (FDesignDBOptions.Contains(TDesignDBOption::ddoIsDefaultDatabase)) SetDesignDBOptions(FDesignDBOptions);
  ConnectStored();
}

// A Connected read from a form is kept until loading ends, or until a
// statement needs the connection earlier; the default transaction follows
// when it was stored active.
void TFIBDatabase::ConnectStored() {
  if (!FStoredConnected) return;
  if (!Connected()) {
    OpenConnection();
    TFIBTransaction* transaction = FDefaultTransaction;
    if (transaction != nullptr && transaction->StoredActive(TFIBListKey()) && !transaction->Active())
      transaction->StartTransaction();
  }
  FStoredConnected = false;
}

// ---- Properties -------------------------------------------------------------------------

void TFIBDatabase::SetConnected(bool value) {
  if (HasState(*this, TComponentStateItem::csLoading)) {
    FStoredConnected = value;
    return;
  }
  if (value == Connected()) return;
  if (value)
    OpenConnection();
  else
    CloseConnection(false);
}

void TFIBDatabase::SetDBName(const std::string& name) {
  if (name == FDBName) return;
  if (Connected()) RaiseClientError(ceDatabaseOpen);
  FDBName = name;
}

void TFIBDatabase::SetDBParams(const TStrings& lines) { FDBParams->Assign(&lines); }

void TFIBDatabase::SetDefaultTransaction(TFIBTransaction* transaction) {
  SetDefaultTransactionSlot(FDefaultTransaction, transaction);
}

void TFIBDatabase::SetDefaultUpdateTransaction(TFIBTransaction* transaction) {
  SetDefaultTransactionSlot(FDefaultUpdateTransaction, transaction);
}

void TFIBDatabase::SetDefaultTransactionSlot(TFIBTransaction*& slot, TFIBTransaction* transaction) {
  if (transaction == slot) return;
  if (transaction != nullptr) {
    if (transaction->DefaultDatabase() == nullptr)
      transaction->SetDefaultDatabase(this);
    else
      transaction->AddDatabase(this);
  }
  slot = transaction;
}

void TFIBDatabase::SetSQLDialect(int dialect) {
  if (dialect < 1) RaiseClientError(ceInvalidSQLDialect);
  if (Connected() && dialect > DatabaseDialect()) RaiseClientError(ceInvalidSQLDialect);
  FSQLDialect = dialect;
}

void TFIBDatabase::SetTimeout(int milliseconds) {
  if (milliseconds < 0) RaiseClientError(ceTimeoutNegative);
  FTimeout = milliseconds;
  SetIdleTimer(FTimer, milliseconds, TNotifyEvent(this, &TFIBDatabase::IdleTimerTick), !HasState(*this, TComponentStateItem::csDesigning));
}

void TFIBDatabase::SetDesignDBOptions(TDesignDBOptions options) {
  FDesignDBOptions = options;
  if (!options.Contains(TDesignDBOption::ddoIsDefaultDatabase)) {
    if (GDefaultDatabase == this) GDefaultDatabase = nullptr;
    return;
  }
  // While loading, Loaded takes the place over.
  if (HasState(*this, TComponentStateItem::csLoading) || GDefaultDatabase == this) return;
  if (GDefaultDatabase != nullptr)
    GDefaultDatabase->FDesignDBOptions.Exclude(TDesignDBOption::ddoIsDefaultDatabase);
  GDefaultDatabase = this;
}

// ---- Connecting -------------------------------------------------------------------------

void TFIBDatabase::PrepareDPB() {
  if (!FDBParams->ChangedSinceBuild()) return;
  // The lines stay marked as changed until a block has been built from
  // them: after a line that cannot be built, the next attach tries again
  // instead of reusing an older block.
  FDPB = BuildDPB(*FDBParams);
  FDBParams->MarkBuilt();
}

void TFIBDatabase::OpenConnection() {
  if (Connected()) RaiseClientError(ceDatabaseOpen);
  if (FDBName.empty()) RaiseClientError(ceDatabaseNameMissing);
  NotifyLinks(TFIBLinkNotification::DatabaseConnecting, false);
  if (FUseLoginPrompt && !AskLogin()) RaiseClientError(ceOperationCancelled);
  PrepareDPB();

  const TClientEntryPoints& api = ClientAPI();
  const TStatusWord result =
      ClientCall(api.isc_attach_database(StatusVector(), static_cast<short>(FDBName.size()), FDBName.data(),
                                         FHandle.Address(), static_cast<short>(FDPB.size()), FDPB.data()),
                 false);
  if (result > 0) {
    FHandle.Forget();
    RaiseStatusError(this);
  }

  NotifyLinks(TFIBLinkNotification::DatabaseConnected, false);
  DoOnConnect();
  FireCallbacks(cbConnect, false);
  TraceConnect(*this);

  FServerTimeOffset = 0;
  const int dialect = DatabaseDialect();
  if (dialect < FSQLDialect) FSQLDialect = dialect;
  if (FSynchronizeTime && !HasState(*this, TComponentStateItem::csDesigning))
    FServerTimeOffset = Now() - ServerNow();
}

void TFIBDatabase::CloseConnection(bool force) {
  EnsureConnected();
  DoBeforeDisconnect();
  FireCallbacks(cbDisconnect, false);
  EndTransactionsForClose(force);
  NotifyLinks(TFIBLinkNotification::DatabaseDisconnecting, force);

  const TStatusWord result =
      ClientCall(ClientAPI().isc_detach_database(StatusVector(), FHandle.Address()), false);
  if (result > 0 && !force) RaiseStatusError(this);
  // A forced close ends here whatever the server said.
  FHandle.Forget();
  TraceDisconnect(*this);

  NotifyLinks(TFIBLinkNotification::DatabaseDisconnected, false);
  DoAfterDisconnect();
}

void TFIBDatabase::EndTransactionsForClose(bool force) {
  const std::vector<TFIBTransaction*> transactions = FTransactions;
  for (TFIBTransaction* transaction : transactions) {
    if (FindTransaction(transaction) < 0 || !transaction->Active()) continue;
    try {
      transaction->EndOnDisconnect(TFIBListKey());
    } catch (...) {
      if (!force) throw;
    }
  }
}

void TFIBDatabase::ReleaseLostConnection() noexcept {
  // The client library keeps its own record of the attachment and of its
  // statements and transactions; a handle only forgotten leaves that record
  // behind, and a remote one with an open cursor brings the library down
  // when the process ends. Detaching lets the record go: the server is
  // gone or has shut the attachment, so the call fails at once on the
  // broken line (freeing the record all the same) or is accepted; its
  // answer does not matter, and the thread's status vector keeps the
  // error that found the connection lost.
  try {
    ISC_STATUS_ARRAY scratch{};
    TClientHandle handle = FHandle.Value();
    if (handle != 0) ClientCall(ClientAPI().isc_detach_database(scratch, &handle), false);
  } catch (...) {
    // Forgetting the handle below is all that is left to do.
  }
  FHandle.Forget();
  FLinks.ForEach([](TFIBBase* link) {
    try {
      link->Notify(TFIBLinkNotification::DatabaseLost, TFIBListKey());
    } catch (...) {
      // The connection is gone whatever a link makes of it.
    }
  });
  const std::vector<TFIBTransaction*> transactions = FTransactions;
  for (TFIBTransaction* transaction : transactions)
    if (FindTransaction(transaction) >= 0) transaction->ReleaseLost(TFIBListKey());
}

void TFIBDatabase::EnsureConnected() {
  if (!Connected()) ConnectStored();
  if (!Connected()) RaiseClientError(ceDatabaseClosed, ComponentPath(this));
}

bool TFIBDatabase::AskLogin() {
  const TDatabaseLoginHook& hook = LoginHook();
  if (!hook)
    throw Exception(
        "Unable to find Database login dialog. "
        "Please, link the database login dialog (FIBDBLoginDlg) into your program.");
  std::string userName = ParamValue(std::string_view("user_name"));
  std::string password = ParamValue(std::string_view("password"));
  std::string roleName = ParamValue(std::string_view("sql_role_name"));
  if (!hook(FDBName, userName, password, roleName)) return false;
  // Written as lines even when empty: the user's answer replaces what was there.
  const std::pair<const char*, const std::string*> answers[] = {
      {"user_name", &userName}, {"password", &password}, {"sql_role_name", &roleName}};
  for (const auto& [name, value] : answers) {
    const std::string line = std::string(name) + "=" + *value;
    const int index = ParamIndex(name);
    if (index >= 0)
      FDBParams->SetStrings(index, line);
    else
      FDBParams->Add(line);
  }
  return true;
}

TStatusWord TFIBDatabase::ClientCall(TStatusWord result, bool raise) {
  RestoreDefaultFPUControlWord();
  FIdle = false;
  if (raise && result > 0) RaiseStatusError(this);
  return result;
}

void TFIBDatabase::IdleTimerTick(TObject*) {
  if (!Connected()) return;
  if (!FIdle) {
    FIdle = true;
    return;
  }
  CloseConnection(true);
  DoOnTimeout();
}

// ---- Events -------------------------------------------------------------------------

void TFIBDatabase::DoOnConnect() {
  if (OnConnect) OnConnect(this);
}

void TFIBDatabase::DoOnTimeout() {
  if (OnTimeout) OnTimeout(this);
}

void TFIBDatabase::DoBeforeDisconnect() { FireDisconnectEvent(*this, BeforeDisconnect, "BeforeDisconnect"); }

void TFIBDatabase::DoAfterDisconnect() { FireDisconnectEvent(*this, AfterDisconnect, "AfterDisconnect"); }

void TFIBDatabase::NotifyLinks(TFIBLinkNotification notification, bool swallow) {
  FLinks.ForEach([&](TFIBBase* link) {
    try {
      link->Notify(notification, TFIBListKey());
    } catch (...) {
      if (!swallow) throw;
    }
  });
}

// ---- Database information ---------------------------------------------------------------

int TFIBDatabase::DatabaseDialect() {
  EnsureConnected();
  const TClientEntryPoints& api = ClientAPI();
  const ISC_SCHAR item = isc_info_db_sql_dialect;
  std::array<ISC_SCHAR, 512> reply{};
  ClientCall(api.isc_database_info(StatusVector(), FHandle.Address(), 1, &item,
                                   static_cast<short>(reply.size()), reply.data()),
             true);
  if (reply[0] != isc_info_db_sql_dialect) return 1;
  const auto length = static_cast<short>(api.isc_vax_integer(&reply[1], 2));
  return static_cast<int>(api.isc_vax_integer(&reply[3], length));
}

namespace {

// Runs `work` in the transaction, starting it first when it is not active and
// committing it afterwards in that case, also when the work fails (that
// failure is the one reported).
template <class F>
auto InTransaction(TFIBTransaction& transaction, F work) {
  const bool started = !transaction.Active();
  if (started) transaction.StartTransaction();
  auto commitQuietly = [&] {
    try {
      if (transaction.Active()) transaction.Commit();
    } catch (...) {
    }
  };
  try {
    auto result = work();
    if (started) transaction.Commit();
    return result;
  } catch (...) {
    if (started) commitQuietly();
    throw;
  }
}

// A one-column output descriptor over one value.
class TSingleOutput {
 public:
  TSingleOutput(short sqlType, void* data, short length)
      : FBuffer(std::make_unique<char[]>(DescriptorLength(1))) {
    XSQLDA* da = Descriptor();
    da->version = SQLDA_VERSION1;
    da->sqln = 1;
    da->sqld = 1;
    da->sqlvar[0].sqltype = sqlType;
    da->sqlvar[0].sqllen = length;
    da->sqlvar[0].sqldata = static_cast<ISC_SCHAR*>(data);
  }
  XSQLDA* Descriptor() { return reinterpret_cast<XSQLDA*>(FBuffer.get()); }

 private:
  std::unique_ptr<char[]> FBuffer;
};

}  // namespace

TDateTime TFIBDatabase::ServerNow() {
  return InTransaction(*FInternalTransaction, [&] {
    ISC_TIMESTAMP stamp{};
    TSingleOutput output(SQL_TIMESTAMP, &stamp, sizeof(stamp));
    const char* text = FSQLDialect > 1 ? "SELECT CAST('NOW' AS TIMESTAMP) from RDB$DATABASE"
                                       : "SELECT CAST('NOW' AS DATE) from RDB$DATABASE";
    ClientCall(ClientAPI().isc_dsql_exec_immed2(
                   StatusVector(), FHandle.Address(), FInternalTransaction->HandleAddress(), 0, text,
                   static_cast<unsigned short>(FSQLDialect), nullptr, output.Descriptor()),
               true);
    return TDateTime(stamp.timestamp_date - TimeStampDaysTo1899) +
           static_cast<double>(stamp.timestamp_time) / TimeStampTicksPerDay;
  });
}

std::int64_t TFIBDatabase::NextGeneratorValue(std::string_view generatorName, TFIBTransaction* transaction,
                                              std::int64_t step) {
  const std::string name = FSQLDialect < 3 || FUpperOldNames
                               ? FormatIdentifierUpper(FSQLDialect, generatorName, true)
                               : FormatIdentifier(FSQLDialect, generatorName);
  const std::string text = "select gen_id(" + name + ", " + IntToStr(step) + ") from RDB$DATABASE";
  TFIBTransaction* chosen = FindActiveTransaction();
  if (chosen == nullptr) chosen = transaction;
  if (chosen == nullptr) chosen = FInternalTransaction.get();
  return InTransaction(*chosen, [&] {
    ISC_INT64 value = 0;
    TSingleOutput output(SQL_INT64, &value, sizeof(value));
    chosen->ClientCall(ClientAPI().isc_dsql_exec_immed2(
                           StatusVector(), FHandle.Address(), chosen->HandleAddress(), 0, text.c_str(),
                           static_cast<unsigned short>(FSQLDialect), nullptr, output.Descriptor()),
                       true);
    return static_cast<std::int64_t>(value);
  });
}

// ---- Parameter lines ---------------------------------------------------------------------

int TFIBDatabase::ParamIndex(std::string_view name) const {
  const std::string_view wanted = BareParamName(name);
  if (wanted.empty()) return -1;
  for (int i = 0; i < FDBParams->Count(); ++i) {
    const std::string line = FDBParams->Strings(i);
    const std::string_view lineName = std::string_view(line).substr(0, line.find('='));
    if (SameText(BareParamName(lineName), wanted)) return i;
  }
  return -1;
}

std::string TFIBDatabase::ParamValue(std::string_view name) const {
  const int index = ParamIndex(name);
  return index < 0 ? std::string() : ValueAfterEquals(FDBParams->Strings(index));
}

std::string TFIBDatabase::ParamValue(int code) const {
  const std::string_view name = DPBName(code);
  return name.empty() ? std::string() : ParamValue(name);
}

void TFIBDatabase::SetParamValue(std::string_view name, std::string_view value) {
  if (BareParamName(name).empty()) return;
  const int index = ParamIndex(name);
  if (value.empty()) {
    if (index >= 0) FDBParams->Delete(index);
    return;
  }
  std::string line = std::string(name) + "=" + std::string(value);
  if (index >= 0)
    FDBParams->SetStrings(index, std::move(line));
  else
    FDBParams->Add(std::move(line));
}

void TFIBDatabase::SetParamValue(int code, std::string_view value) {
  const std::string_view name = DPBName(code);
  if (!name.empty()) SetParamValue(name, value);
}

// ---- Listeners --------------------------------------------------------------------------

TNotifyEventList& TFIBDatabase::Callbacks(TFIBCallbackKind kind) const {
  const auto index = static_cast<std::size_t>(kind);
  if (index >= std::size(FCallbacks))
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return *FCallbacks[index];
}

void TFIBDatabase::RegisterCallback(TFIBCallbackKind kind, const TNotifyEvent& handler) {
  Callbacks(kind).Add(handler);
}

void TFIBDatabase::UnregisterCallback(TFIBCallbackKind kind, const TNotifyEvent& handler) {
  Callbacks(kind).Remove(handler);
}

void TFIBDatabase::FireCallbacks(TFIBCallbackKind kind, bool backwards) {
  const TNotifyEventList& list = Callbacks(kind);
  std::vector<TNotifyEvent> handlers;
  for (int i = 0; i < list.Count(); ++i) handlers.push_back(list.Get(i));
  if (backwards) std::reverse(handlers.begin(), handlers.end());
  for (const TNotifyEvent& handler : handlers) {
    // A handler unregistered (or whose component went) meanwhile is skipped;
    // a handler without identity cannot be found again and is called.
    if (handler.Object() != nullptr && list.IndexOf(handler) < 0) continue;
    if (handler) handler(this);
  }
}

// ---- Transactions and links -----------------------------------------------------------

TFIBTransaction* TFIBDatabase::Transactions(int index) const {
  if (index < 0 || index >= TransactionCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FTransactions[static_cast<std::size_t>(index)];
}

int TFIBDatabase::AddTransaction(TFIBTransaction* transaction) {
  if (transaction == nullptr) return -1;
  transaction->AddDatabase(this);
  return FindTransaction(transaction);
}

void TFIBDatabase::RemoveTransaction(int index) {
  TFIBTransaction* transaction = Transactions(index);
  const int position = transaction->FindDatabase(this);
  if (position >= 0)
    transaction->RemoveDatabase(position);
  else
    EraseTransactionEntry(transaction, TFIBListKey());
}

void TFIBDatabase::RemoveTransactions() {
  while (!FTransactions.empty()) RemoveTransaction(TransactionCount() - 1);
}

int TFIBDatabase::FindTransaction(const TFIBTransaction* transaction) const {
  const auto found = std::find(FTransactions.begin(), FTransactions.end(), transaction);
  return found == FTransactions.end() ? -1 : static_cast<int>(found - FTransactions.begin());
}

void TFIBDatabase::ApplyBlobFilter(std::string& content, bool writing, int subType) const {
  FBlobFilters->Apply(content, writing, subType);
}

TFIBTransaction* TFIBDatabase::FindActiveTransaction() const {
  for (TFIBTransaction* transaction : FTransactions)
    if (transaction != nullptr && transaction->Active()) return transaction;
  return nullptr;
}

void TFIBDatabase::InsertTransactionEntry(TFIBTransaction* transaction, TFIBListKey) {
  if (FindTransaction(transaction) < 0) FTransactions.push_back(transaction);
}

void TFIBDatabase::EraseTransactionEntry(TFIBTransaction* transaction, TFIBListKey) {
  const int index = FindTransaction(transaction);
  if (index >= 0) FTransactions.erase(FTransactions.begin() + index);
}

void TFIBDatabase::ClearDefaultTransaction(TFIBTransaction* transaction, TFIBListKey) {
  if (FDefaultTransaction == transaction) FDefaultTransaction = nullptr;
  if (FDefaultUpdateTransaction == transaction) FDefaultUpdateTransaction = nullptr;
}

int TFIBDatabase::AddLink(TFIBBase* link, TFIBListKey) { return FLinks.Add(link); }

void TFIBDatabase::RemoveLink(int index, TFIBListKey key) {
  if (TFIBBase* moved = FLinks.Remove(index)) moved->SetIndexInDatabase(index, key);
}
