#include "dbaccess/connection/app_database.h"

#include <array>
#include <exception>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/reg_utils.h"
#include "dbaccess/metadata/cache_file_io.h"
#include "dbaccess/metadata/error_messages.h"
#include "dbaccess/metadata/metadata_caches.h"
#include "dbaccess/client/status_vector.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/component/strings.h"
#include "framework/core/text/sysutils.h"
#include "framework/core/system/timer.h"

namespace {

// The process's hooks; components and their timers live on the GUI thread.
TLostConnectionHooks& LostConnectionHooks() {
  static TLostConnectionHooks hooks;
  return hooks;
}

bool HasState(const TComponent& component, TComponentStateItem item) {
  return component.ComponentState().Contains(item);
}

constexpr int DefaultRestoreInterval = 30000;

// The alias values in their stored order; the first is the database name.
const std::vector<std::string>& AliasValueNames() {
  static const std::vector<std::string> names = {"Database Name", "user_name", "lc_ctype", "sql_role_name",
                                                 "SQL_DIALECT"};
  return names;
}

void RequestTermination() {
  if (const auto& terminate = LostConnectionHooks().Terminate) terminate();
}

}  // namespace

void SetLostConnectionHooks(TLostConnectionHooks hooks) { LostConnectionHooks() = std::move(hooks); }

// ---- TpFIBDatabase: construction ---------------------------------------------------------

TpFIBDatabase::TpFIBDatabase(TComponent* owner)
    : TFIBDatabase(owner), FCacheSchemaOptions(std::make_unique<TCacheSchemaOptions>()) {}

TpFIBDatabase::~TpFIBDatabase() {
  Destroying();
  FRestoreTimer.reset();
  // What the base destructor does first, kept in its order: the layer's own
  // reads are committed before the connection goes.
  try {
    if (InternalTransaction().Active()) InternalTransaction().Commit();
  } catch (...) {
  }
  try {
    if (Connected()) CloseConnection(true);
  } catch (...) {
    // A forced close leaves the connection closed; the base destructor
    // closes what might be left.
  }
}

// ---- Properties ----------------------------------------------------------------------------

void TpFIBDatabase::SetAliasName(const std::string& name) {
  if (!HasState(*this, TComponentStateItem::csLoading) && Connected()) RaiseClientError(ceDatabaseOpen);
  FAliasName = name;
  if (!FAliasName.empty()) ReadAlias();
}

unsigned TpFIBDatabase::WaitForRestoreConnect() const {
  return FRestoreTimer ? static_cast<unsigned>(FRestoreTimer->Interval()) : 0;
}

void TpFIBDatabase::SetWaitForRestoreConnect(unsigned milliseconds) {
  if (milliseconds == 0) {
    FRestoreTimer.reset();
    return;
  }
  if (!FRestoreTimer) {
    FRestoreTimer = std::make_unique<TTimer>(nullptr);
    FRestoreTimer->SetEnabled(false);
    FRestoreTimer->SetInterval(DefaultRestoreInterval);
    FRestoreTimer->OnTimer = TNotifyEvent(this, &TpFIBDatabase::RestoreConnectTick);
  }
  FRestoreTimer->SetInterval(static_cast<int>(milliseconds));
}

// ---- Connecting ----------------------------------------------------------------------------

void TpFIBDatabase::OpenConnection() {
  if (Connected()) return;
  bool doConnect = true;
  if (BeforeConnect) BeforeConnect(this, DBParams(), doConnect);
  if (!doConnect) return;
  TFIBDatabase::OpenConnection();
  // Connected again, by whatever means: a re-connect timer left running
  // from a loss would re-open the connection after a close on purpose.
  StopRestoreTimer();
  if (FCacheSchemaOptions->AutoLoadFromFile() && UsesSchemaCacheFile()) LoadSchemaCache();
  if (FSaveDBParams && !FAliasName.empty()) SaveAlias();
}

void TpFIBDatabase::CloseConnection(bool force) {
  if (FCacheSchemaOptions->AutoSaveToFile() && UsesSchemaCacheFile()) SaveSchemaCacheFiles();
  if (Connected() && ProbeConnection(laCloseConnect)) TFIBDatabase::CloseConnection(force);
}

// ---- The schema cache file -------------------------------------------------------------------

bool TpFIBDatabase::UsesSchemaCacheFile() const {
  // After the layer's shutdown (a form freed late) there is no cache to
  // read or write.
  return !HasState(*this, TComponentStateItem::csDesigning) && !FCacheSchemaOptions->LocalCacheFile().empty() &&
         MetadataCachesAvailable();
}

void TpFIBDatabase::LoadSchemaCache() {
  const std::string& fileName = FCacheSchemaOptions->LocalCacheFile();
  TpFIBTableInfoCollect& tables = ListTableInfo();
  if (!tables.LoadFromFile(fileName)) return;
  ListErrorMessages().LoadFromFile(ChangeFileExtension(fileName, ".err"));
  if (!FCacheSchemaOptions->ValidateAfterLoad()) return;
  try {
    tables.ValidateSchemaCache(this, OnAcceptCacheSchema);
  } catch (const EFIBError&) {
    // The connection stands; only the server could not check the cache. A
    // cache that was not checked is not used: the tables are read afresh as
    // they are needed. (What a handler raises is the program's own error and
    // goes on to it.)
    tables.Clear();
  }
  SaveSchemaCacheFiles();
}

void TpFIBDatabase::SaveSchemaCacheFiles() {
  const std::string& fileName = FCacheSchemaOptions->LocalCacheFile();
  ListTableInfo().SaveToFile(fileName);
  ListErrorMessages().SaveToFile(ChangeFileExtension(fileName, ".err"));
}

bool TpFIBDatabase::ProbeConnection(TOnLostConnectActions initialAction) {
  if (!Connected()) return false;
  try {
    const ISC_SCHAR item = isc_info_base_level;
    std::array<ISC_SCHAR, 64> reply{};
    ClientCall(ClientAPI().isc_database_info(StatusVector(), HandleAddress(), 1, &item,
                                             static_cast<short>(reply.size()), reply.data()),
               true);
  } catch (const EFIBError& e) {
    LostConnection(e, initialAction);
    return false;
  }
  return true;
}

void TpFIBDatabase::LostConnection(const EFIBError& e, TOnLostConnectActions action) {
  if (OnLostConnect) OnLostConnect(this, e, action);
  switch (action) {
    case laTerminateApp:
      ReleaseLostConnection();
      RequestTermination();
      break;
    case laCloseConnect:
      ReleaseLostConnection();
      break;
    case laIgnore:
      break;
    case laWaitRestore:
      ReleaseLostConnection();
      if (FRestoreTimer) FRestoreTimer->SetEnabled(true);
      break;
  }
}

void TpFIBDatabase::ErrorRestoreConnect(const EFIBError& e, TOnLostConnectActions& action) {
  if (OnErrorRestoreConnect) OnErrorRestoreConnect(this, e, action);
}

void TpFIBDatabase::StopRestoreTimer() {
  if (FRestoreTimer) FRestoreTimer->SetEnabled(false);
}

void TpFIBDatabase::RestoreConnectTick(TObject*) {
  if (Connected()) return;
  TOnLostConnectActions action = laIgnore;
  try {
    SetConnected(true);
  } catch (const EFIBError& e) {
    ErrorRestoreConnect(e, action);
    if (action != laTerminateApp) return;  // the next tick tries again
    StopRestoreTimer();
    const TLostConnectionHooks& hooks = LostConnectionHooks();
    // Without a program to show it, the error goes on to the timer's caller
    // (the application's handler) rather than vanish.
    if (!hooks.ShowMessage) throw;
    hooks.ShowMessage(e.Message());
    RequestTermination();
    return;
  }
  // BeforeConnect may have declined; then the next tick asks again.
  if (Connected()) DoAfterRestoreConnect();
}

void TpFIBDatabase::DoAfterRestoreConnect() {
  if (AfterRestoreConnect) AfterRestoreConnect();
}

// ---- Aliases -------------------------------------------------------------------------------

std::string TpFIBDatabase::AliasKey() const { return std::string(AliasesRegistryKey) + "\\" + FAliasName; }

bool TpFIBDatabase::ReadAlias() {
  std::optional<std::vector<TRegReadValue>> values;
  try {
    values = ReadRegValues(AliasKey(), AliasValueNames());
  } catch (const ERegistryException&) {
    return false;
  }
  if (!values) return false;
  const std::vector<TRegReadValue>& v = *values;
  if (v[0].Found) SetDBName(v[0].Value.AsString());
  for (std::size_t i = 1; i <= 3; ++i)
    if (v[i].Found) SetParamValue(AliasValueNames()[i], v[i].Value.AsString());
  if (v[4].Found) SetSQLDialect(StrToInt(v[4].Value.AsString()));
  return v[0].Found;
}

void TpFIBDatabase::SaveAlias() {
  const std::vector<Variant> values = {
      Variant(DBName()),
      Variant(ParamValue(std::string_view("user_name"))),
      Variant(ParamValue(std::string_view("lc_ctype"))),
      Variant(ParamValue(std::string_view("sql_role_name"))),
      Variant(IntToStr(SQLDialect())),
  };
  WriteRegValues(AliasKey(), AliasValueNames(), values);
}

// ---- Transaction events --------------------------------------------------------------------

void TpFIBDatabase::DoBeforeStartTransaction(TFIBTransaction* transaction) {
  if (BeforeStartTransaction) BeforeStartTransaction(transaction);
}

void TpFIBDatabase::DoAfterStartTransaction(TFIBTransaction* transaction) {
  if (AfterStartTransaction) AfterStartTransaction(transaction);
}

void TpFIBDatabase::DoBeforeEndTransaction(TFIBTransaction* transaction, TTransactionAction action,
                                           bool force) {
  if (BeforeEndTransaction) BeforeEndTransaction(transaction, action, force);
}

void TpFIBDatabase::DoAfterEndTransaction(TFIBTransaction* transaction, TTransactionAction action,
                                          bool force) {
  if (AfterEndTransaction) AfterEndTransaction(transaction, action, force);
}

// ---- TpFIBTransaction ------------------------------------------------------------------------

TpFIBTransaction::TpFIBTransaction(TComponent* owner) : TFIBTransaction(owner) {}

TpFIBTransaction::~TpFIBTransaction() {
  Destroying();
  try {
    if (Active()) EndTransaction(HardAction(TimeoutAction()), true);
  } catch (...) {
    // A forced end leaves the transaction inactive; its error has no one to go to.
  }
}

void TpFIBTransaction::SetUserKindTransaction(const std::string& kind) {
  FUserKindTransaction = kind;
  if (!HasState(*this, TComponentStateItem::csDesigning) || HasState(*this, TComponentStateItem::csLoading) ||
      kind == "NoUserKind")
    return;
  const std::string key = FindRegSubKeyByValue(TransactionKindsRegistryKey, "Name", kind);
  if (key.empty()) return;
  const auto values = ReadRegValues(std::string(TransactionKindsRegistryKey) + "\\" + key, {"Params"});
  if (!values || !values->front().Found) return;
  SetTPBMode(tpbDefault);
  TRParams().SetText(values->front().Value.AsString());
}

TpFIBDatabase* TpFIBTransaction::AppDatabase() const {
  return dynamic_cast<TpFIBDatabase*>(DefaultDatabase());
}

void TpFIBTransaction::ApplyTPBMode() {
  if (FTPBMode == tpbDefault) return;
  // Repeatable read is the snapshot ("concurrency"): the server refuses
  // rec_version outside read committed, so that line goes only with it.
  TStringList lines;
  for (const char* line : {"write", "nowait"}) lines.Add(line);
  if (FTPBMode == tpbReadCommitted) {
    lines.Add("rec_version");
    lines.Add("read_committed");
  } else {
    lines.Add("concurrency");
  }
  // Unchanged lines keep the block built from them.
  if (!TRParams().Equals(lines)) SetTRParams(lines);
}

void TpFIBTransaction::StartTransaction() {
  if (Active()) return;
  ApplyTPBMode();
  TpFIBDatabase* database = AppDatabase();
  if (database != nullptr) database->DoBeforeStartTransaction(this);
  DoBeforeStart();
  TFIBTransaction::StartTransaction();
  DoAfterStart();
  if (database != nullptr) database->DoAfterStartTransaction(this);
}

void TpFIBTransaction::EndTransaction(TTransactionAction action, bool force) {
  TpFIBDatabase* database = AppDatabase();
  // A forced end (a connection closing) happens whatever the handlers before
  // it raise: a transaction left active would keep a handle of a detached
  // connection that nothing can end. Their first error follows the end.
  std::exception_ptr failure;
  const auto before = [&](const auto& handler) {
    if (!force) return handler();
    try {
      handler();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  };
  before([&] {
    if (database != nullptr) database->DoBeforeEndTransaction(this, action, force);
  });
  before([&] { DoBeforeEnd(action, force); });
  TFIBTransaction::EndTransaction(action, force);
  DoAfterEnd(action, force);
  if (database != nullptr) database->DoAfterEndTransaction(this, action, force);
  if (failure) std::rethrow_exception(failure);
}

void TpFIBTransaction::SQLExecuteNotification(TFIBQuery* query, TFIBSQLTypes sqlType, int phase) {
  if (phase == 0)
    DoSQLExecute(BeforeSQLExecute, query, sqlType);
  else if (phase == 1)
    DoSQLExecute(AfterSQLExecute, query, sqlType);
}

void TpFIBTransaction::DoBeforeStart() {
  if (BeforeStart) BeforeStart(this);
}

void TpFIBTransaction::DoAfterStart() {
  if (AfterStart) AfterStart(this);
}

void TpFIBTransaction::DoBeforeEnd(TTransactionAction action, bool force) {
  if (BeforeEnd) BeforeEnd(this, action, force);
}

void TpFIBTransaction::DoAfterEnd(TTransactionAction action, bool force) {
  if (AfterEnd) AfterEnd(this, action, force);
}

void TpFIBTransaction::DoSQLExecute(const TOnSQLExecute& event, TFIBQuery* query, TFIBSQLTypes sqlType) {
  if (event) event(query, sqlType);
}
