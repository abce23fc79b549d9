#include "dbaccess/trace/trace_hooks.h"

#include <cstdint>
#include <exception>

#include "dbaccess/connection/database.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/trace/sql_monitor.h"
#include "dbaccess/connection/transaction.h"

namespace {

using TTransactionTrace = void (TFIBSQLMonitorHook::*)(std::string_view, std::int64_t, bool) noexcept;

// Creating the hook on first use can only fail for want of memory.
TFIBSQLMonitorHook* Hook() noexcept {
  try {
    return MonitorHook();
  } catch (const std::exception&) {
    return nullptr;
  }
}

void TraceTransaction(TFIBTransaction& transaction, TTransactionTrace trace) noexcept {
  TFIBSQLMonitorHook* hook = Hook();
  // The number costs a server call: asked only for a message that is sent.
  if (!hook || !transaction.DefaultDatabase()) return;
  try {
    if (!hook->Admits(TTraceKind::Transaction)) return;
  } catch (const std::exception&) {
    return;
  }
  std::int64_t number = 0;
  try {
    number = transaction.TransactionNumber();
  } catch (const EFIBError&) {
    // The message goes out with 0 rather than fail what it reports.
  }
  (hook->*trace)(transaction.Name(), number, true);
}

}  // namespace

void TraceConnect(TFIBDatabase& database) noexcept {
  if (TFIBSQLMonitorHook* hook = Hook()) hook->TraceConnect(database.Name());
}

void TraceDisconnect(TFIBDatabase& database) noexcept {
  if (TFIBSQLMonitorHook* hook = Hook()) hook->TraceDisconnect(database.Name());
}

void TraceStartTransaction(TFIBTransaction& transaction) noexcept {
  TraceTransaction(transaction, &TFIBSQLMonitorHook::TraceStartTransaction);
}

void TraceCommit(TFIBTransaction& transaction) noexcept {
  TraceTransaction(transaction, &TFIBSQLMonitorHook::TraceCommit);
}

void TraceCommitRetaining(TFIBTransaction& transaction) noexcept {
  TraceTransaction(transaction, &TFIBSQLMonitorHook::TraceCommitRetaining);
}

void TraceRollback(TFIBTransaction& transaction) noexcept {
  TraceTransaction(transaction, &TFIBSQLMonitorHook::TraceRollback);
}

void TraceRollbackRetaining(TFIBTransaction& transaction) noexcept {
  TraceTransaction(transaction, &TFIBSQLMonitorHook::TraceRollbackRetaining);
}
