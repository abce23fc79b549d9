#pragma once
// SQL tracing: what the database layer does (prepare, execute, fetch,
// connect, disconnect, transaction starts and ends) reported as text to an
// outside monitor program through the trace channel (sql_monitor_channel.h).
//
// `MonitorHook()` is the process-wide tracer, created at the first trace
// point and freed by the explicit `ShutdownSQLMonitor()` at the end of the
// program. The connection, the transaction and the statement call its trace
// operations; each returns at once unless a monitor is attached and has the
// kind's switch on (`Wants`), so a caller whose arguments cost something to
// build (a plan, parameter texts, a transaction number) asks `Wants` first.
// They never raise: tracing must not fail what it reports.
// Texts are built on the calling thread and queued; a writer thread, running
// only while a monitor is attached, hands them to the channel.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dbaccess/trace/sql_monitor_channel.h"

// A parameter or output column as the trace texts print it.
struct TTraceValue {
  std::string Name;
  // The descriptor's SQL type; the nullable bit is ignored.
  int SQLType = 0;
  bool IsNull = false;
  // The value as text; may raise, which prints "<Can't print value>".
  std::function<std::string()> Text;
};

// What one process may queue for the monitor unless told otherwise: a few
// megabytes, some fifteen thousand fetch messages.
inline constexpr std::size_t DefaultTraceQueueLimitBytes = 4u << 20;

enum class TTransactionTraceAction { Start, Commit, CommitRetaining, Rollback, RollbackRetaining };
enum class TSavepointTraceOperation { Set = 0, RollBackTo = 1, Release = 2 };
enum class TServiceTraceAction { Attach, Detach, Query, Start };

// ---- Trace texts ----------------------------------------------------------------
// The name is the statement's owner's when the owner is a dataset, else the
// statement's own; sqlText is the statement's lines, each ended by CR LF.

// A plan that raises prints "Can't retrieve plan"; no plan function prints
// an empty plan.
std::string PrepareTraceText(std::string_view name, std::string_view sqlText,
                             const std::function<std::string()>& plan);
// rowsAffected is given for inserts, updates and deletes only.
std::string ExecuteTraceText(std::string_view name, std::string_view sqlText,
                             std::span<const TTraceValue> params, std::optional<std::int64_t> rowsAffected,
                             std::int64_t execTicks);
std::string FetchTraceText(std::string_view name, std::string_view sqlText,
                           std::span<const TTraceValue> columns, bool endOfFile);
std::string ConnectTraceText(std::string_view name);
std::string DisconnectTraceText(std::string_view name);
std::string TransactionTraceText(TTransactionTraceAction action, std::string_view name, std::int64_t number);
std::string SavepointTraceText(std::string_view name, std::int64_t number, std::string_view savepoint,
                               TSavepointTraceOperation operation);
std::string ServiceTraceText(TServiceTraceAction action, std::string_view name);
// Told once the queue takes messages again after dropping `count` of them.
std::string DroppedTraceText(std::uint64_t count);
// What the channel carries: the program's file name, then the text.
std::string MonitorMessageText(std::string_view applicationName, std::string_view text);

class TMonitorWriterThread;
struct TTraceQueueTotals;

// The writer's queue as a hook reports it: bytes queued now, the most ever
// queued at once, and messages dropped because the queue was full.
struct TTraceQueueState {
  std::size_t Bytes = 0;
  std::size_t PeakBytes = 0;
  std::uint64_t Dropped = 0;
};

// The process's tracer. It opens the channel when created; when that fails
// (client error 54) tracing stays off for the process and nothing is said.
// The writer thread it owns is created by the first message sent while a
// monitor is attached and ends by itself as soon as it finds none attached;
// the next message (or switching off) frees it. Creating, using and freeing
// it happen under one lock, so any thread may trace. What the writer cannot
// hand over yet is queued up to queueLimit bytes; past that messages are
// dropped, and the monitor is told how many once the queue has room again.
class TFIBSQLMonitorHook {
 public:
  explicit TFIBSQLMonitorHook(std::string_view channelSuffix = {},
                              std::size_t queueLimit = DefaultTraceQueueLimitBytes);
  ~TFIBSQLMonitorHook();
  TFIBSQLMonitorHook(const TFIBSQLMonitorHook&) = delete;
  TFIBSQLMonitorHook& operator=(const TFIBSQLMonitorHook&) = delete;

  bool Active() const { return FActive.load(); }
  // Switching off stops and frees the writer thread.
  void SetActive(bool active);

  // A message of the kind would be sent now: active, a monitor attached and
  // the kind's switch on.
  bool Wants(TTraceKind kind) const;

  void TracePrepare(std::string_view name, std::string_view sqlText,
                    const std::function<std::string()>& plan) noexcept;
  void TraceExecute(std::string_view name, std::string_view sqlText, std::span<const TTraceValue> params,
                    std::optional<std::int64_t> rowsAffected, std::int64_t execTicks) noexcept;
  void TraceFetch(std::string_view name, std::string_view sqlText, std::span<const TTraceValue> columns,
                  bool endOfFile) noexcept;
  void TraceConnect(std::string_view name) noexcept;
  void TraceDisconnect(std::string_view name) noexcept;
  // A transaction without a default database is never traced.
  void TraceStartTransaction(std::string_view name, std::int64_t number, bool hasDefaultDatabase) noexcept;
  void TraceCommit(std::string_view name, std::int64_t number, bool hasDefaultDatabase) noexcept;
  void TraceCommitRetaining(std::string_view name, std::int64_t number, bool hasDefaultDatabase) noexcept;
  void TraceRollback(std::string_view name, std::int64_t number, bool hasDefaultDatabase) noexcept;
  void TraceRollbackRetaining(std::string_view name, std::int64_t number, bool hasDefaultDatabase) noexcept;
  void TraceSavepoint(std::string_view name, std::int64_t number, bool hasDefaultDatabase,
                      std::string_view savepoint, TSavepointTraceOperation operation) noexcept;
  void TraceServiceAttach(std::string_view name) noexcept;
  void TraceServiceDetach(std::string_view name) noexcept;
  void TraceServiceQuery(std::string_view name) noexcept;
  void TraceServiceStart(std::string_view name) noexcept;

  // Wants(kind), and the writer's queue has room: a message refused for a
  // full queue is counted as dropped, and its text need not be built.
  bool Admits(TTraceKind kind);

  // A writer thread runs now.
  bool WriterRunning() const;
  TTraceQueueState QueueState() const;
  // The channel, or null when it could not be opened.
  TSQLMonitorChannel* Channel() const { return FChannel.get(); }

 private:
  // Builds and sends the message when a monitor wants the kind; a failure
  // to build or queue it loses the message and nothing else.
  template <class Build>
  void Trace(TTraceKind kind, const Build& build) noexcept;
  void TraceTransaction(TTransactionTraceAction action, std::string_view name, std::int64_t number,
                        bool hasDefaultDatabase) noexcept;
  void TraceService(TServiceTraceAction action, std::string_view name) noexcept;
  void Send(TTraceKind kind, std::string_view text);
  void StopWriter() noexcept;

  std::atomic<bool> FActive = true;
  std::string FApplicationName;
  std::size_t FQueueLimit;
  // Shared by the writers the hook makes one after another.
  std::unique_ptr<TTraceQueueTotals> FQueueTotals;
  std::unique_ptr<TSQLMonitorChannel> FChannel;
  // Guards FWriter: its creation, every message queued on it, its release.
  mutable std::mutex FWriterLock;
  std::unique_ptr<TMonitorWriterThread> FWriter;
  // Writers told to stop that have not ended yet; joined once they have.
  std::vector<std::unique_ptr<TMonitorWriterThread>> FRetired;
};

// The hook, created on first use; null once ShutdownSQLMonitor has begun.
TFIBSQLMonitorHook* MonitorHook();

// Names the channel of the hook created later: tests give every case a
// channel of its own. A suffix of anything but letters, digits, ".", "_"
// and "-" opens no channel, so that hook traces nothing.
void SetSQLMonitorChannelSuffix(std::string suffix);

// Stops the writer thread (letting it hand over what is queued, within a
// few seconds) and frees the hook. Called once at the end of the program,
// after every thread that traces has finished; later trace points find no
// hook.
void ShutdownSQLMonitor() noexcept;

// Lets the next trace point create a hook again after ShutdownSQLMonitor:
// a test program lives many programs' lives in one process.
void RestartSQLMonitor() noexcept;
