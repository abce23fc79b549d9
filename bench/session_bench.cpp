// Memory over a session of the directory program: the larger name search
// (about 50,000 apartments) run again and again in one program run, as a
// user searching all day does, first alone and then with the SQL trace
// monitor (tools/sql_monitor) attached.
//
//   bench_session [PATH] [--rounds=N]
//
// PATH is a sample directory database (tools/sample_db PATH --apartments
// 1000000); without PATH the program builds a small one. Each phase runs
// the search N times (default 20) through the real main form and prints
// the resident memory after the first search and after the last, and the
// heap the allocator holds in use and in all (to tell a leak, which grows
// the part in use, from fragmentation, which grows only the whole). Between
// the two phases, 10 x N different short name searches run once each, as a
// user's day brings them (a cache kept per text would grow there).
// Prints "growth_distinct_mb:" (after the last of those minus after the
// tenth), "growth_mb:" (resident after the Nth search minus after the
// first, no monitor) and "growth_monitor_mb:" (the same with the monitor
// attached, on a trace channel of this run's own).

#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/fetch_baseline.h"
#include "bench/search_program.h"
#include "dbaccess/trace/sql_monitor.h"
#include "dbaccess/trace/sql_monitor_channel.h"
#include "framework/core/text/text.h"
#include "framework/gui/standard/dialogs.h"

extern char** environ;

namespace {

using namespace fetch_baseline;
using namespace search_program;

double ResidentMb() {
  std::ifstream statm("/proc/self/statm");
  long size = 0;
  long resident = 0;
  statm >> size >> resident;
  return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

struct THeap {
  double InUseMb = 0;
  double HeldMb = 0;
};

THeap Heap() {
  const struct mallinfo2 info = ::mallinfo2();
  return {static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0),
          static_cast<double>(info.arena + info.hblkhd) / (1024.0 * 1024.0)};
}

// The heap in use once it has stopped shrinking for two seconds (at most
// limit), and the seconds that took.
std::pair<double, double> SettledHeapInUseMb(std::chrono::seconds limit) {
  const auto start = std::chrono::steady_clock::now();
  double last = Heap().InUseMb;
  int steady = 0;
  while (steady < 4 && std::chrono::steady_clock::now() - start < limit) {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const double now = Heap().InUseMb;
    steady = now >= last - 0.5 ? steady + 1 : 0;
    last = now;
  }
  return {last, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
}

// Runs the search rounds times; the resident growth from the first to the
// last, in megabytes.
double Session(TProgram& program, const std::string& prefix, int rounds, const char* phase) {
  program.Round(prefix);
  const double first = ResidentMb();
  const THeap firstHeap = Heap();
  for (int round = 2; round <= rounds; ++round) program.Round(prefix);
  const double last = ResidentMb();
  const THeap lastHeap = Heap();
  std::printf(
      "%s: resident %.1f MB after the first search, %.1f MB after search %d; heap in use %.1f -> %.1f MB, "
      "held %.1f -> %.1f MB\n",
      phase, first, last, rounds, firstHeap.InUseMb, lastHeap.InUseMb, firstHeap.HeldMb, lastHeap.HeldMb);
  return last - first;
}

// Name prefixes of 3 letters that find between a hundred and a few thousand
// apartments, at most count of them: searches that differ as a user's do.
std::vector<std::string> DistinctPrefixes(TMainForm& form, int count) {
  std::vector<std::string> prefixes;
  TpFIBDataSet names(nullptr);
  names.SetDatabase(form.DB);
  names.SetTransaction(form.TR);
  names.SelectSQL().SetText(
      "SELECT SUBSTRING(NAME FROM 1 FOR 3) P FROM HOME_PHONES GROUP BY 1 HAVING COUNT(*) BETWEEN 100 AND "
      "5000");
  names.Open();
  for (; !names.Eof() && static_cast<int>(prefixes.size()) < count; names.Next()) {
    const std::string prefix = names.FieldByName("P")->AsString();
    if (prefix.size() == 3 && prefix.find_first_of(" .'") == std::string::npos) prefixes.push_back(prefix);
  }
  names.Close();
  return prefixes;
}

// Each prefix searched once: the growth from after the tenth search to
// after the last, in megabytes of resident memory.
double DistinctSession(TProgram& program, const std::vector<std::string>& prefixes) {
  double first = 0;
  THeap firstHeap;
  for (std::size_t i = 0; i < prefixes.size(); ++i) {
    program.Round(prefixes[i]);
    if (i + 1 == std::min<std::size_t>(10, prefixes.size())) {
      first = ResidentMb();
      firstHeap = Heap();
    }
  }
  const double last = ResidentMb();
  const THeap lastHeap = Heap();
  std::printf(
      "different names: resident %.1f MB after the tenth search, %.1f MB after search %zu; heap in use "
      "%.1f -> %.1f MB, held %.1f -> %.1f MB\n",
      first, last, prefixes.size(), firstHeap.InUseMb, lastHeap.InUseMb, firstHeap.HeldMb, lastHeap.HeldMb);
  return last - first;
}

// The trace monitor as a child process on the channel of this run.
class TMonitor {
 public:
  explicit TMonitor(const std::string& suffix) {
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = TULVO_SQL_MONITOR;
    std::string option = "--channel-suffix";
    std::string value = suffix;
    char* argv[] = {program.data(), option.data(), value.data(), nullptr};
    const int spawned = ::posix_spawn(&FPid, program.c_str(), &actions, nullptr, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw Exception("cannot start " + program + ": " + std::strerror(spawned));
  }
  ~TMonitor() {
    ::kill(FPid, SIGTERM);
    int status = 0;
    ::waitpid(FPid, &status, 0);
  }
  TMonitor(const TMonitor&) = delete;
  TMonitor& operator=(const TMonitor&) = delete;

 private:
  pid_t FPid = 0;
};

// Waits (at most ten seconds) until a monitor is attached to the channel.
bool MonitorAttached() {
  TSQLMonitorChannel* channel = MonitorHook() ? MonitorHook()->Channel() : nullptr;
  if (!channel) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (channel->MonitorCount() == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return channel->MonitorCount() > 0;
}

int Run(int argc, char** argv) {
  int rounds = 20;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--rounds=", 9) != 0) continue;
    rounds = std::max(2, std::atoi(argv[i] + 9));
    for (int k = i; k + 1 < argc; ++k) argv[k] = argv[k + 1];
    --argc;
    break;
  }
  // A channel of this run's own: other programs of the user trace
  // elsewhere, and the monitor hears this one only.
  const std::string suffix = "bench-session-" + std::to_string(::getpid());
  SetSQLMonitorChannelSuffix(suffix);
  std::unique_ptr<TTemporaryFolder> folder;
  const std::string path = TakeOrBuildDatabase(argc, argv, folder, TTownSize{SmallTownRows, 200});
  TProgram program(path);
  const TPrefix prefix = ChoosePrefix(program.Form(), 50000);
  std::printf("prefix \"%s\": %lld apartments, %d searches a phase\n", AnsiToUtf8(prefix.Text).c_str(),
              static_cast<long long>(prefix.Rows), rounds);
  const double alone = Session(program, prefix.Text, rounds, "alone");
  const double distinct = DistinctSession(program, DistinctPrefixes(program.Form(), 10 * rounds));
  double monitored = 0;
  {
    const TMonitor monitor(suffix);
    if (!MonitorAttached()) throw Exception("the trace monitor did not attach");
    monitored = Session(program, prefix.Text, rounds, "monitor attached");
    // What the monitor has not read yet waits in the trace queue: once it
    // has caught up, memory kept for good shows apart from the backlog.
    const auto [settled, waited] = SettledHeapInUseMb(std::chrono::seconds(60));
    std::printf("monitor attached: heap in use %.1f MB once the monitor caught up (%.0f s later)\n", settled,
                waited);
  }
  std::printf("growth_distinct_mb: %.1f\n", distinct);
  std::printf("growth_monitor_mb: %.1f\n", monitored);
  std::printf("growth_mb: %.1f\n", alone);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return RunFetchBenchmark(
      "bench_session",
      [](int c, char** v) { return search_program::RunWithApplication("bench_session", Run, c, v); }, argc,
      argv);
}
