#include "dbaccess/trace/sql_monitor.h"

#include <limits.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <thread>
#include <utility>
#include <vector>

#include "dbaccess/client/errors.h"
#include "dbaccess/trace/trace_queue.h"
#include "framework/core/text/datetime.h"

namespace {

constexpr std::string_view CRLF = "\r\n";
constexpr int SQLTypeVarying = 448;
constexpr int SQLTypeText = 452;
constexpr int SQLTypeBlob = 520;
constexpr int SQLTypeArray = 540;

// How long a stopping writer may go on handing over what is queued before
// it is told to give up.
constexpr int WriterDrainSteps = 5;
// The writer looks at the queue and the monitor count at least this often.
constexpr auto WriterIdleStep = std::chrono::milliseconds(50);

std::string ValueText(const TTraceValue& value) {
  try {
    return value.Text ? value.Text() : std::string();
  } catch (const std::exception&) {
    return "<Can't print value>";
  }
}

std::string ParameterText(const TTraceValue& value) {
  if (value.IsNull) return "<NULL>";
  switch (value.SQLType & ~1) {
    case SQLTypeVarying:
    case SQLTypeText: {
      std::string text = ValueText(value);
      // The conversion failed: no quotes around the notice.
      if (text == "<Can't print value>") return text;
      return "'" + text + "'";
    }
    case SQLTypeBlob:
      return "<BLOB>";
    case SQLTypeArray:
      return "<ARRAY>";
    default:
      return ValueText(value);
  }
}

// The program's file name without its folder, as monitors show it.
std::string ProgramFileName() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  std::string_view full(path, static_cast<std::size_t>(length));
  const std::size_t slash = full.rfind('/');
  return std::string(slash == std::string_view::npos ? full : full.substr(slash + 1));
}

}  // namespace

// ---- Trace texts ----------------------------------------------------------------

std::string PrepareTraceText(std::string_view name, std::string_view sqlText,
                             const std::function<std::string()>& plan) {
  std::string text(name);
  text += ": [Prepare] ";
  text += sqlText;
  text += CRLF;
  try {
    text += "  Plan: " + (plan ? plan() : std::string());
  } catch (const std::exception&) {
    text += "  Plan: Can't retrieve plan ";
  }
  return text;
}

std::string ExecuteTraceText(std::string_view name, std::string_view sqlText,
                             std::span<const TTraceValue> params, std::optional<std::int64_t> rowsAffected,
                             std::int64_t execTicks) {
  std::string text(name);
  text += ": [Execute] ";
  text += sqlText;
  for (const TTraceValue& param : params) {
    text += CRLF;
    text += "  " + param.Name + " = " + ParameterText(param);
  }
  if (rowsAffected) {
    text += CRLF;
    text += "Rows Affected:  " + std::to_string(*rowsAffected);
  }
  text += CRLF;
  text += "Execute tick count " + std::to_string(execTicks);
  return text;
}

std::string FetchTraceText(std::string_view name, std::string_view sqlText,
                           std::span<const TTraceValue> columns, bool endOfFile) {
  std::string text(CRLF);
  text += name;
  text += ": [Fetch] ";
  text += sqlText;
  for (const TTraceValue& column : columns) {
    text += column.Name + " = " + (column.IsNull ? std::string("NULL") : ValueText(column));
    text += CRLF;
  }
  if (endOfFile) {
    text += CRLF;
    text += "  End of file reached";
  }
  return text;
}

std::string ConnectTraceText(std::string_view name) { return std::string(name) + ": [Connect]"; }

std::string DisconnectTraceText(std::string_view name) { return std::string(name) + ": [Disconnect]"; }

std::string TransactionTraceText(TTransactionTraceAction action, std::string_view name, std::int64_t number) {
  std::string_view what;
  switch (action) {
    case TTransactionTraceAction::Start:
      what = ": [Start transaction](";
      break;
    case TTransactionTraceAction::Commit:
      what = ": [Commit (Hard commit)](";
      break;
    case TTransactionTraceAction::CommitRetaining:
      what = ": [Commit retaining (Soft commit)](";
      break;
    case TTransactionTraceAction::Rollback:
      what = ": [Rollback](";
      break;
    case TTransactionTraceAction::RollbackRetaining:
      what = ": [Rollback retaining (Soft rollback)](";
      break;
  }
  return std::string(name) + std::string(what) + std::to_string(number) + ")";
}

std::string SavepointTraceText(std::string_view name, std::int64_t number, std::string_view savepoint,
                               TSavepointTraceOperation operation) {
  std::string_view what;
  switch (operation) {
    case TSavepointTraceOperation::Set:
      what = " [SetSavePoint(\"";
      break;
    case TSavepointTraceOperation::RollBackTo:
      what = " [RollBackToSavePoint(\"";
      break;
    case TSavepointTraceOperation::Release:
      what = " [ReleaseSavePoint(\"";
      break;
  }
  return std::string(name) + ": Transaction(" + std::to_string(number) + ") -" + std::string(what) +
         std::string(savepoint) + "\")]";
}

std::string ServiceTraceText(TServiceTraceAction action, std::string_view name) {
  std::string_view what;
  switch (action) {
    case TServiceTraceAction::Attach:
      what = ": [Attach]";
      break;
    case TServiceTraceAction::Detach:
      what = ": [Detach]";
      break;
    case TServiceTraceAction::Query:
      what = ": [Query]";
      break;
    case TServiceTraceAction::Start:
      what = ": [Start]";
      break;
  }
  return std::string(name) + std::string(what);
}

std::string DroppedTraceText(std::uint64_t count) {
  return "[Trace messages dropped](" + std::to_string(count) +
         "): the monitor reads more slowly than this program traces";
}

std::string MonitorMessageText(std::string_view applicationName, std::string_view text) {
  std::string message = "\r\n[Application: ";
  message += applicationName;
  message += "]\r\n";
  message += text;
  return message;
}

// ---- The writer thread ------------------------------------------------------------

// Hands queued messages to the channel, first in first out, on a thread of
// its own so that the threads that trace never wait for a monitor; what it
// cannot hand over yet waits in a bounded queue (trace_queue.h). Its
// destruction lets it finish what is queued for a few seconds, then tells
// it to give up and waits for it: every wait it makes gives up when told.
class TMonitorWriterThread {
 public:
  TMonitorWriterThread(TSQLMonitorChannel& channel, std::size_t queueLimit, std::string applicationName,
                       TTraceQueueTotals& totals)
      : FChannel(channel),
        FQueue(queueLimit, std::move(applicationName), &totals),
        FThread([this] { Execute(); }) {}

  ~TMonitorWriterThread() {
    std::unique_lock lock(FLock);
    FTerminated = true;
    FWake.notify_all();
    for (int step = 0; !FFinished && step < WriterDrainSteps; ++step)
      FFinishedChanged.wait_for(lock, std::chrono::milliseconds(MonitorWaitStepMs));
    FStop = true;
    FWake.notify_all();
    lock.unlock();
    FThread.join();
  }

  TMonitorWriterThread(const TMonitorWriterThread&) = delete;
  TMonitorWriterThread& operator=(const TMonitorWriterThread&) = delete;

  // False when the thread has ended (its monitors went away): the caller
  // makes a new writer. A message the full queue drops counts as taken.
  bool Enqueue(TFIBTraceObject& message) {
    std::lock_guard lock(FLock);
    if (FFinished) return false;
    if (FQueue.Push(std::move(message))) FWake.notify_one();
    return true;
  }

  // The queue is full: a message of the kind is dropped before it is built.
  bool RefuseIfFull(TTraceKind kind) {
    std::lock_guard lock(FLock);
    return !FFinished && FQueue.RefuseIfFull(kind);
  }

  std::size_t QueuedBytes() const {
    std::lock_guard lock(FLock);
    return FQueue.Bytes();
  }

  bool Finished() const {
    std::lock_guard lock(FLock);
    return FFinished;
  }

  // Tells the thread to drop what is queued and end as soon as it can,
  // without waiting for it.
  void Stop() {
    std::lock_guard lock(FLock);
    FStop = true;
    FWake.notify_all();
  }

 private:
  void Execute() noexcept {
    const TStopRequested stopping = [this] { return FStop.load(); };
    for (;;) {
      TFIBTraceObject message;
      {
        std::unique_lock lock(FLock);
        for (;;) {
          if (FStop) return Finish();
          // Nobody listens: what is queued would never be read, and the
          // thread need not wait for a monitor that may never come.
          if (FChannel.MonitorCount() <= 0) {
            FQueue.Clear();
            return Finish();
          }
          if (FQueue.Pop(message)) break;
          if (FTerminated) return Finish();
          FWake.wait_for(lock, WriterIdleStep);
        }
      }
      try {
        FChannel.WriteMessage(message.Kind, message.Time, message.Text, stopping);
      } catch (const std::exception&) {
        // Out of memory while escaping: this message is lost, the rest go on.
      }
    }
  }

  // Called with FLock held.
  void Finish() {
    FFinished = true;
    FFinishedChanged.notify_all();
  }

  TSQLMonitorChannel& FChannel;
  mutable std::mutex FLock;
  std::condition_variable FWake;
  std::condition_variable FFinishedChanged;
  TTraceQueue FQueue;
  // Finish what is queued, then end.
  bool FTerminated = false;
  bool FFinished = false;
  // End now.
  std::atomic<bool> FStop = false;
  std::thread FThread;
};

// ---- TFIBSQLMonitorHook ---------------------------------------------------------------

TFIBSQLMonitorHook::TFIBSQLMonitorHook(std::string_view channelSuffix, std::size_t queueLimit)
    : FApplicationName(ProgramFileName()),
      FQueueLimit(queueLimit),
      FQueueTotals(std::make_unique<TTraceQueueTotals>()) {
  try {
    FChannel = std::make_unique<TSQLMonitorChannel>(channelSuffix);
  } catch (const EFIBError&) {
    // No channel, no tracing; the program goes on as if no monitor existed.
    FActive = false;
  }
}

TFIBSQLMonitorHook::~TFIBSQLMonitorHook() {
  StopWriter();
  FChannel.reset();
}

void TFIBSQLMonitorHook::SetActive(bool active) {
  FActive = active && FChannel;
  if (!FActive) StopWriter();
}

void TFIBSQLMonitorHook::StopWriter() noexcept {
  std::unique_ptr<TMonitorWriterThread> writer;
  std::vector<std::unique_ptr<TMonitorWriterThread>> retired;
  {
    std::lock_guard lock(FWriterLock);
    writer = std::move(FWriter);
    retired.swap(FRetired);
  }
  // Freed outside the lock: other threads go on queueing (to a new writer)
  // while this one finishes.
}

bool TFIBSQLMonitorHook::WriterRunning() const {
  std::lock_guard lock(FWriterLock);
  return FWriter && !FWriter->Finished();
}

bool TFIBSQLMonitorHook::Wants(TTraceKind kind) const {
  if (!FActive || !FChannel) return false;
  return FChannel->MonitorCount() > 0 && FChannel->Switch(kind) > 0;
}

void TFIBSQLMonitorHook::Send(TTraceKind kind, std::string_view text) {
  TFIBTraceObject message{kind, MonitorMessageText(FApplicationName, text), Now()};
  // Writers that have ended are joined outside the lock, which is quick.
  std::vector<std::unique_ptr<TMonitorWriterThread>> ended;
  {
    std::lock_guard lock(FWriterLock);
    if (!FActive) return;
    for (auto it = FRetired.begin(); it != FRetired.end();) {
      if ((*it)->Finished()) {
        ended.push_back(std::move(*it));
        it = FRetired.erase(it);
      } else {
        ++it;
      }
    }
    if (FChannel->MonitorCount() > 0) {
      if (!FWriter || !FWriter->Enqueue(message)) {
        if (FWriter) ended.push_back(std::move(FWriter));
        FWriter =
            std::make_unique<TMonitorWriterThread>(*FChannel, FQueueLimit, FApplicationName, *FQueueTotals);
        FWriter->Enqueue(message);
      }
    } else if (FWriter) {
      // The last monitor went away: the writer goes too, and the next
      // message sent to an attached monitor makes a new one. It may be
      // half-way through a handshake with the monitor that left, which
      // takes up to a wait step to give up: the tracing thread does not
      // wait for that, it leaves the writer to end by itself.
      FWriter->Stop();
      FRetired.push_back(std::move(FWriter));
    }
  }
}

bool TFIBSQLMonitorHook::Admits(TTraceKind kind) {
  if (!Wants(kind)) return false;
  std::lock_guard lock(FWriterLock);
  return !(FWriter && FWriter->RefuseIfFull(kind));
}

TTraceQueueState TFIBSQLMonitorHook::QueueState() const {
  TTraceQueueState state;
  {
    std::lock_guard lock(FWriterLock);
    if (FWriter) state.Bytes = FWriter->QueuedBytes();
  }
  state.PeakBytes = FQueueTotals->PeakBytes.load();
  state.Dropped = FQueueTotals->Dropped.load();
  return state;
}

template <class Build>
void TFIBSQLMonitorHook::Trace(TTraceKind kind, const Build& build) noexcept {
  try {
    // A full queue drops the message before its text is built.
    if (!Admits(kind)) return;
    Send(kind, build());
  } catch (const std::exception&) {
    // No memory or no thread for the message (or a lock that failed): it
    // is lost, and the operation it reports stands.
  }
}

void TFIBSQLMonitorHook::TracePrepare(std::string_view name, std::string_view sqlText,
                                      const std::function<std::string()>& plan) noexcept {
  Trace(TTraceKind::Prepare, [&] { return PrepareTraceText(name, sqlText, plan); });
}

void TFIBSQLMonitorHook::TraceExecute(std::string_view name, std::string_view sqlText,
                                      std::span<const TTraceValue> params,
                                      std::optional<std::int64_t> rowsAffected,
                                      std::int64_t execTicks) noexcept {
  Trace(TTraceKind::Execute,
        [&] { return ExecuteTraceText(name, sqlText, params, rowsAffected, execTicks); });
}

void TFIBSQLMonitorHook::TraceFetch(std::string_view name, std::string_view sqlText,
                                    std::span<const TTraceValue> columns, bool endOfFile) noexcept {
  Trace(TTraceKind::Fetch, [&] { return FetchTraceText(name, sqlText, columns, endOfFile); });
}

void TFIBSQLMonitorHook::TraceConnect(std::string_view name) noexcept {
  Trace(TTraceKind::Connect, [&] { return ConnectTraceText(name); });
}

void TFIBSQLMonitorHook::TraceDisconnect(std::string_view name) noexcept {
  Trace(TTraceKind::Connect, [&] { return DisconnectTraceText(name); });
}

void TFIBSQLMonitorHook::TraceTransaction(TTransactionTraceAction action, std::string_view name,
                                          std::int64_t number, bool hasDefaultDatabase) noexcept {
  if (hasDefaultDatabase)
    Trace(TTraceKind::Transaction, [&] { return TransactionTraceText(action, name, number); });
}

void TFIBSQLMonitorHook::TraceStartTransaction(std::string_view name, std::int64_t number,
                                               bool hasDefaultDatabase) noexcept {
  TraceTransaction(TTransactionTraceAction::Start, name, number, hasDefaultDatabase);
}

void TFIBSQLMonitorHook::TraceCommit(std::string_view name, std::int64_t number,
                                     bool hasDefaultDatabase) noexcept {
  TraceTransaction(TTransactionTraceAction::Commit, name, number, hasDefaultDatabase);
}

void TFIBSQLMonitorHook::TraceCommitRetaining(std::string_view name, std::int64_t number,
                                              bool hasDefaultDatabase) noexcept {
  TraceTransaction(TTransactionTraceAction::CommitRetaining, name, number, hasDefaultDatabase);
}

void TFIBSQLMonitorHook::TraceRollback(std::string_view name, std::int64_t number,
                                       bool hasDefaultDatabase) noexcept {
  TraceTransaction(TTransactionTraceAction::Rollback, name, number, hasDefaultDatabase);
}

void TFIBSQLMonitorHook::TraceRollbackRetaining(std::string_view name, std::int64_t number,
                                                bool hasDefaultDatabase) noexcept {
  TraceTransaction(TTransactionTraceAction::RollbackRetaining, name, number, hasDefaultDatabase);
}

void TFIBSQLMonitorHook::TraceSavepoint(std::string_view name, std::int64_t number, bool hasDefaultDatabase,
                                        std::string_view savepoint,
                                        TSavepointTraceOperation operation) noexcept {
  if (hasDefaultDatabase)
    Trace(TTraceKind::Transaction, [&] { return SavepointTraceText(name, number, savepoint, operation); });
}

void TFIBSQLMonitorHook::TraceService(TServiceTraceAction action, std::string_view name) noexcept {
  Trace(TTraceKind::Service, [&] { return ServiceTraceText(action, name); });
}

void TFIBSQLMonitorHook::TraceServiceAttach(std::string_view name) noexcept {
  TraceService(TServiceTraceAction::Attach, name);
}
void TFIBSQLMonitorHook::TraceServiceDetach(std::string_view name) noexcept {
  TraceService(TServiceTraceAction::Detach, name);
}
void TFIBSQLMonitorHook::TraceServiceQuery(std::string_view name) noexcept {
  TraceService(TServiceTraceAction::Query, name);
}
void TFIBSQLMonitorHook::TraceServiceStart(std::string_view name) noexcept {
  TraceService(TServiceTraceAction::Start, name);
}

// ---- The process-wide hook ------------------------------------------------------------

namespace {

struct TMonitorHookState {
  std::mutex Lock;
  // Read without the lock on every trace point; set under it.
  std::atomic<TFIBSQLMonitorHook*> Hook = nullptr;
  std::unique_ptr<TFIBSQLMonitorHook> Owned;
  bool ShuttingDown = false;
  std::string Suffix;
};

TMonitorHookState& HookState() {
  static TMonitorHookState state;
  return state;
}

}  // namespace

TFIBSQLMonitorHook* MonitorHook() {
  TMonitorHookState& state = HookState();
  if (TFIBSQLMonitorHook* hook = state.Hook.load(std::memory_order_acquire)) return hook;
  std::lock_guard lock(state.Lock);
  // Checked again: another thread may have made it while this one waited.
  if (state.ShuttingDown) return nullptr;
  if (!state.Owned) {
    state.Owned = std::make_unique<TFIBSQLMonitorHook>(state.Suffix);
    state.Hook.store(state.Owned.get(), std::memory_order_release);
  }
  return state.Owned.get();
}

void SetSQLMonitorChannelSuffix(std::string suffix) {
  TMonitorHookState& state = HookState();
  std::lock_guard lock(state.Lock);
  state.Suffix = std::move(suffix);
}

void ShutdownSQLMonitor() noexcept {
  TMonitorHookState& state = HookState();
  std::unique_ptr<TFIBSQLMonitorHook> hook;
  {
    std::lock_guard lock(state.Lock);
    state.ShuttingDown = true;
    state.Hook.store(nullptr, std::memory_order_release);
    hook = std::move(state.Owned);
  }
}

void RestartSQLMonitor() noexcept {
  ShutdownSQLMonitor();
  TMonitorHookState& state = HookState();
  std::lock_guard lock(state.Lock);
  state.ShuttingDown = false;
}
