#pragma once
// What the fetch benchmarks share: a temporary folder of their own, one
// connection and read-only transaction to a sample database, and the
// baseline they are measured against, a select fetched with the client API
// directly into one data block allocated once.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_handles.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/status_vector.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/metadata/metadata_caches.h"
#include "dbaccess/trace/sql_monitor.h"
#include "framework/core/base/exceptions.h"
#include "tools/sample_database.h"

namespace fetch_baseline {

// A folder of its own under the temporary directory, removed at the end.
class TTemporaryFolder {
 public:
  TTemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tulvo-fetch-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
      throw std::filesystem::filesystem_error("cannot create a temporary folder", pattern,
                                              std::error_code(errno, std::generic_category()));
    FPath = pattern;
  }
  ~TTemporaryFolder() {
    std::error_code ignored;  // nothing to report to at the end of the run
    std::filesystem::remove_all(FPath, ignored);
  }
  TTemporaryFolder(const TTemporaryFolder&) = delete;
  TTemporaryFolder& operator=(const TTemporaryFolder&) = delete;

  const std::string& Path() const { return FPath; }

 private:
  std::string FPath;
};

// The connection and the transaction both sides fetch in.
struct TSession {
  std::unique_ptr<TFIBDatabase> Database;
  std::unique_ptr<TFIBTransaction> Transaction;

  explicit TSession(const std::string& path) {
    Database = std::make_unique<TFIBDatabase>(nullptr);
    Database->SetDBName(path);
    for (const std::string& line : SampleConnectionLines()) Database->DBParams().Add(line);
    Database->SetSQLDialect(3);
    Database->SetSynchronizeTime(false);
    Transaction = std::make_unique<TFIBTransaction>(nullptr);
    Transaction->SetDefaultDatabase(Database.get());
    for (const char* line : {"read", "read_committed", "rec_version", "nowait"})
      Transaction->TRParams().Add(line);
    Database->OpenConnection();
    Transaction->StartTransaction();
  }
  ~TSession() {
    Transaction.reset();
    Database.reset();
  }
};

inline void Check(ISC_STATUS result) {
  if (result != 0) RaiseStatusError(nullptr);
}

// The select prepared on the client API, with one output descriptor whose
// columns point into one data block allocated here.
class TPlainStatement {
 public:
  TPlainStatement(TSession& session, const char* selectText) : FSession(session) {
    const TClientEntryPoints& api = ClientAPI();
    Check(
        api.isc_dsql_alloc_statement2(StatusVector(), session.Database->HandleAddress(), FHandle.Address()));
    FOutputBuffer = std::make_unique<char[]>(DescriptorLength(1));
    Output()->version = SQLDA_VERSION1;
    Output()->sqln = 1;
    Check(api.isc_dsql_prepare(StatusVector(), session.Transaction->HandleAddress(), FHandle.Address(), 0,
                               selectText, 3, Output()));
    const int columns = Output()->sqld;
    if (columns > Output()->sqln) {
      FOutputBuffer = std::make_unique<char[]>(DescriptorLength(columns));
      Output()->version = SQLDA_VERSION1;
      Output()->sqln = static_cast<ISC_SHORT>(columns);
      Check(api.isc_dsql_describe(StatusVector(), FHandle.Address(), SQLDA_VERSION1, Output()));
    }
    std::size_t size = 0;
    for (int i = 0; i < columns; ++i) size += Aligned(Length(Output()->sqlvar[i])) + sizeof(ISC_SHORT) * 4;
    FData = std::make_unique<char[]>(size);
    char* at = FData.get();
    for (int i = 0; i < columns; ++i) {
      XSQLVAR& var = Output()->sqlvar[i];
      var.sqldata = at;
      at += Aligned(Length(var));
      var.sqlind = reinterpret_cast<ISC_SHORT*>(at);
      at += sizeof(ISC_SHORT) * 4;
    }
  }

  // Every row; returns their number and adds HOME_ID of each to sum. Not
  // inlined, so that a profiler can tell the two sides apart.
  [[gnu::noinline]] std::int64_t FetchAll(std::int64_t& sum) {
    const TClientEntryPoints& api = ClientAPI();
    Check(api.isc_dsql_execute(StatusVector(), FSession.Transaction->HandleAddress(), FHandle.Address(),
                               SQLDA_VERSION1, nullptr));
    const XSQLVAR& homeId = Output()->sqlvar[0];
    std::int64_t rows = 0;
    ISC_STATUS result;
    while ((result = api.isc_dsql_fetch(StatusVector(), FHandle.Address(), SQLDA_VERSION1, Output())) == 0) {
      ++rows;
      if (*homeId.sqlind == 0) {
        ISC_LONG value;
        std::memcpy(&value, homeId.sqldata, sizeof(value));
        sum += value;
      }
    }
    if (result != 100) Check(result);
    Check(api.isc_dsql_free_statement(StatusVector(), FHandle.Address(), DSQL_close));
    return rows;
  }

 private:
  XSQLDA* Output() { return reinterpret_cast<XSQLDA*>(FOutputBuffer.get()); }
  static std::size_t Length(const XSQLVAR& var) {
    return (var.sqltype & ~1) == SQL_VARYING ? static_cast<std::size_t>(var.sqllen) + 2
                                             : static_cast<std::size_t>(var.sqllen);
  }
  static std::size_t Aligned(std::size_t n) { return (n + 7) & ~std::size_t(7); }

  TSession& FSession;
  TStatementHandle FHandle;
  std::unique_ptr<char[]> FOutputBuffer;
  std::unique_ptr<char[]> FData;
};

// Processor time of the whole process (the engine runs in it).
inline double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The path argument, taken out of the arguments the benchmark library reads.
inline std::string TakePath(int& argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-') continue;
    std::string path = argv[i];
    for (int k = i; k + 1 < argc; ++k) argv[k] = argv[k + 1];
    --argc;
    return path;
  }
  return {};
}

// The database of a run: the path argument (taken out of the arguments),
// or, without one, a small sample town built in folder.
inline std::string TakeOrBuildDatabase(int& argc, char** argv, std::unique_ptr<TTemporaryFolder>& folder,
                                       TTownSize size) {
  std::string path = TakePath(argc, argv);
  if (path.empty()) {
    folder = std::make_unique<TTemporaryFolder>();
    path = (std::filesystem::path(folder->Path()) / "town.fdb").string();
    BuildSampleDatabase(path, size, false);
  }
  return path;
}

// The fastest round of one side: wall-clock time, and the processor time of
// the whole process (the engine runs in it), which a loaded machine disturbs
// less.
struct TTiming {
  double Wall = 0;  // seconds
  double Cpu = 0;   // seconds
  std::int64_t Rows = 0;
  std::int64_t Sum = 0;
  int Rounds = 0;
};

template <class Statement>
void TimeRound(Statement& statement, TTiming& timing) {
  std::int64_t sum = 0;
  const double cpuStart = ProcessCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  const std::int64_t rows = statement.FetchAll(sum);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = ProcessCpuSeconds() - cpuStart;
  if (timing.Rounds == 0 || wall < timing.Wall) timing.Wall = wall;
  if (timing.Rounds == 0 || cpu < timing.Cpu) timing.Cpu = cpu;
  ++timing.Rounds;
  timing.Rows = rows;
  timing.Sum = sum;
}

// Alternating rounds, each side first in every other one, so that both
// meet the same state of the engine's page cache and of the machine.
template <class Baseline, class Measured>
void TimeAlternating(Baseline& baseline, TTiming& baselineTiming, Measured& measured, TTiming& measuredTiming,
                     int rounds) {
  for (int round = 0; round < rounds; ++round) {
    if (round % 2 == 0) {
      TimeRound(baseline, baselineTiming);
      TimeRound(measured, measuredTiming);
    } else {
      TimeRound(measured, measuredTiming);
      TimeRound(baseline, baselineTiming);
    }
  }
}

inline void PrintTiming(const char* name, const TTiming& timing) {
  const double rows = static_cast<double>(timing.Rows);
  std::printf("%s: %.1f ms wall, %.1f ms processor, %.3f us per row (fastest of %d rounds)\n", name,
              timing.Wall * 1e3, timing.Cpu * 1e3, timing.Cpu * 1e6 / rows, timing.Rounds);
}

// main() of a fetch benchmark: the engine keeps its lock files in a folder
// of this run's own unless the caller chose one (the folder outlives the
// engine); errors are printed under the program's name; the layer is shut
// down in order whatever happened.
inline int RunFetchBenchmark(const char* program, int (*run)(int, char**), int argc, char** argv) {
  int status = 1;
  std::unique_ptr<TTemporaryFolder> lockFolder;
  try {
    if (!std::getenv("FIREBIRD_LOCK")) {
      lockFolder = std::make_unique<TTemporaryFolder>();
      setenv("FIREBIRD_LOCK", lockFolder->Path().c_str(), 1);
    }
    status = run(argc, argv);
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s: %s\n", program, e.Message().c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", program, e.what());
  }
  ShutdownDatabases();
  ShutdownMetadataCaches();
  ShutdownSQLMonitor();
  ShutdownClientLibrary();
  return status;
}

// A Google Benchmark case: the statement made once over the session, every
// iteration fetching all its rows.
template <class Statement>
void RegisterFetchBenchmark(const char* name, TSession& session, const char* selectText) {
  benchmark::RegisterBenchmark(name, [&session, selectText](benchmark::State& state) {
    Statement statement(session, selectText);
    std::int64_t rows = 0;
    for (auto _ : state) {
      std::int64_t sum = 0;
      rows = statement.FetchAll(sum);
      benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * rows);
  })->Unit(benchmark::kMillisecond);
}

}  // namespace fetch_baseline
