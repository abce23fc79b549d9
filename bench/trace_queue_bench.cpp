// What tracing costs a program while the project's own monitor is attached
// with every kind switched on: the memory the trace queue takes and the
// speed of fetching, when the monitor reads far more slowly than a dataset
// fetches.
//
//   bench_trace_queue [PATH] [--rows=N]
//
// PATH is a sample directory database (tools/sample_db PATH --apartments
// 1000000); the first N rows (200,000 unless TULVO_BENCH_ROWS or --rows
// say otherwise) of its apartments view are read. Without PATH the program
// builds a town of N apartments in a temporary folder of its own.
//
// A dataset reads the rows five times without a monitor, then the monitor
// program (tools/sql_monitor, writing to /dev/null) is started on a trace
// channel of this run's own and the dataset reads them five times more.
// Printed: the fastest read of each kind, the queue's peak, the messages
// dropped, the growth of the resident set while the monitor listened, and
// last "trace_queue_peak_mb:" (target 8 at most).

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "bench/fetch_baseline.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/trace/sql_monitor.h"

extern char** environ;

namespace {

using namespace fetch_baseline;

constexpr int Reads = 5;

// The resident set of this process in megabytes.
double ResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.starts_with("VmRSS:")) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

// The monitor program as a child, its output thrown away; stopped as an
// interrupted monitor is.
class TMonitorProcess {
 public:
  explicit TMonitorProcess(const std::string& suffix) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args{TULVO_SQL_MONITOR_TOOL, "--channel-suffix", suffix};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + args[0]);
  }
  ~TMonitorProcess() {
    kill(FPid, SIGTERM);
    int status = 0;
    waitpid(FPid, &status, 0);
  }
  TMonitorProcess(const TMonitorProcess&) = delete;
  TMonitorProcess& operator=(const TMonitorProcess&) = delete;

 private:
  pid_t FPid = 0;
};

// The fastest of five reads of every row, in milliseconds; resident, when
// given, receives the largest resident set seen after a read.
double ReadFiveTimes(TSession& session, const std::string& selectText, std::int64_t& rows,
                     double* resident = nullptr) {
  double fastest = 0;
  for (int read = 0; read < Reads; ++read) {
    TFIBDataSet dataSet(nullptr);
    dataSet.SetName("fdsHome");
    dataSet.SetDatabase(session.Database.get());
    dataSet.SetTransaction(session.Transaction.get());
    dataSet.SelectSQL().SetText(selectText);
    const auto start = std::chrono::steady_clock::now();
    dataSet.Open();
    dataSet.FetchAll();
    rows = dataSet.FetchedCount();
    dataSet.Close();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    fastest = read == 0 ? ms : std::min(fastest, ms);
    if (resident) *resident = std::max(*resident, ResidentMegabytes());
  }
  return fastest;
}

int Run(int argc, char** argv) {
  const int rowCount = BenchRowCount(argc, argv, 200000);
  // A channel of this run's own, so that no other program's monitor (or
  // other program) meets this one.
  const std::string suffix = ".bench." + std::to_string(getpid());
  SetSQLMonitorChannelSuffix(suffix);

  std::unique_ptr<TTemporaryFolder> folder;
  const std::string path =
      TakeOrBuildDatabase(argc, argv, folder, TTownSize{rowCount, std::max(10, rowCount / 200)});
  const std::string selectText = "SELECT FIRST " + std::to_string(rowCount) +
                                 " HOME_ID, NAME, STREET_ID, BUILD, CORP, APARTAMENT, PHONE, STREET_NAME "
                                 "FROM HOME_PHONES";
  TSession session(path);
  TFIBSQLMonitorHook* hook = MonitorHook();
  if (hook == nullptr || !hook->Active()) throw std::runtime_error("the trace channel cannot be opened");

  std::int64_t rows = 0;
  const double quiet = ReadFiveTimes(session, selectText, rows);
  const double before = ResidentMegabytes();

  double traced = 0;
  double resident = before;
  {
    TMonitorProcess monitor(suffix);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!hook->Wants(TTraceKind::Fetch)) {
      if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("the monitor did not attach");
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    traced = ReadFiveTimes(session, selectText, rows, &resident);
  }
  const TTraceQueueState state = hook->QueueState();

  std::printf("rows: %lld, read %d times (%s)\n", static_cast<long long>(rows), Reads, path.c_str());
  std::printf("read_ms_without_monitor: %.1f\n", quiet);
  std::printf("read_ms_with_monitor: %.1f\n", traced);
  std::printf("monitor_slowdown: %.2f\n", traced / quiet);
  std::printf("trace_messages_dropped: %llu\n", static_cast<unsigned long long>(state.Dropped));
  std::printf("resident_growth_mb: %.1f\n", resident - before);
  std::printf("trace_queue_peak_mb: %.2f\n", static_cast<double>(state.PeakBytes) / (1024.0 * 1024.0));
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return RunFetchBenchmark("bench_trace_queue", Run, argc, argv); }
