// Fetching a large SELECT through the statement component against the client
// API used directly, on one connection and one transaction.
//
//   bench_fetch [PATH] [benchmark flags]
//
// PATH is a sample directory database (tools/sample_db PATH --apartments
// 1000000); every row of its apartments view is fetched. Without PATH the
// program builds a small one in a temporary folder of its own and removes it
// afterwards, so that CTest can run it briefly.
//
// The layer: `TFIBQuery` prepared once, then ExecQuery and FetchNext until
// the end, reading HOME_ID of each row through the output descriptor.
// The baseline: one output descriptor with one data block allocated once,
// isc_dsql_execute, isc_dsql_fetch until 100, HOME_ID read from its buffer.
// Both close the cursor at the end. The summary after the benchmark table
// times both in alternating rounds and takes the fastest round of each, in
// wall-clock and in processor time; its last line is "ratio: X.XX", the
// layer's processor time over the baseline's (on a busy machine the wall
// clock also counts other programs' time).

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_handles.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/status_vector.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/metadata/metadata_caches.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/statement/sqlda.h"
#include "dbaccess/trace/sql_monitor.h"
#include "framework/core/base/exceptions.h"
#include "tools/sample_database.h"

namespace {

constexpr const char* SelectText =
    "SELECT HOME_ID, NAME, STREET_ID, BUILD, CORP, APARTAMENT, PHONE, STREET_NAME FROM HOME_PHONES";
constexpr int SmallTownRows = 2000;

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

TSession* Session = nullptr;

// ---- The plain loop -----------------------------------------------------------------

void Check(ISC_STATUS result) {
  if (result != 0) RaiseStatusError(nullptr);
}

// The select prepared on the client API, with one output descriptor whose
// columns point into one data block allocated here.
class TPlainStatement {
 public:
  explicit TPlainStatement(TSession& session) : FSession(session) {
    const TClientEntryPoints& api = ClientAPI();
    Check(
        api.isc_dsql_alloc_statement2(StatusVector(), session.Database->HandleAddress(), FHandle.Address()));
    FOutputBuffer = std::make_unique<char[]>(DescriptorLength(1));
    Output()->version = SQLDA_VERSION1;
    Output()->sqln = 1;
    Check(api.isc_dsql_prepare(StatusVector(), session.Transaction->HandleAddress(), FHandle.Address(), 0,
                               SelectText, 3, Output()));
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

// ---- The layer -----------------------------------------------------------------------

class TLayerStatement {
 public:
  explicit TLayerStatement(TSession& session) : FQuery(nullptr) {
    FQuery.SetDatabase(session.Database.get());
    FQuery.SetTransaction(session.Transaction.get());
    FQuery.SQL().SetText(SelectText);
    FQuery.Prepare();
  }

  [[gnu::noinline]] std::int64_t FetchAll(std::int64_t& sum) {
    FQuery.ExecQuery();
    std::int64_t rows = 0;
    TFIBXSQLVAR& homeId = FQuery.Fields(0);
    while (!FQuery.Eof()) {
      ++rows;
      sum += homeId.AsInteger();
      FQuery.FetchNext();
    }
    FQuery.CloseCursor();
    return rows;
  }

 private:
  TFIBQuery FQuery;
};

// ---- Measuring -----------------------------------------------------------------------

template <class Statement>
void BM_Fetch(benchmark::State& state) {
  Statement statement(*Session);
  std::int64_t rows = 0;
  for (auto _ : state) {
    std::int64_t sum = 0;
    rows = statement.FetchAll(sum);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * rows);
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

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

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

void PrintTiming(const char* name, const TTiming& timing) {
  const double rows = static_cast<double>(timing.Rows);
  std::printf("%s: %.1f ms wall, %.1f ms processor, %.3f us per row (fastest of %d rounds)\n", name,
              timing.Wall * 1e3, timing.Cpu * 1e3, timing.Cpu * 1e6 / rows, timing.Rounds);
}

// The path argument, taken out of the arguments the benchmark library reads.
std::string TakePath(int& argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-') continue;
    std::string path = argv[i];
    for (int k = i; k + 1 < argc; ++k) argv[k] = argv[k + 1];
    --argc;
    return path;
  }
  return {};
}

int Run(int argc, char** argv) {
  std::string path = TakePath(argc, argv);
  std::unique_ptr<TTemporaryFolder> folder;
  if (path.empty()) {
    folder = std::make_unique<TTemporaryFolder>();
    path = (std::filesystem::path(folder->Path()) / "town.fdb").string();
    BuildSampleDatabase(path, TTownSize{SmallTownRows, 10}, false);
  }

  TSession session(path);
  Session = &session;
  benchmark::RegisterBenchmark("FetchAll/PlainClientLoop", BM_Fetch<TPlainStatement>)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("FetchAll/TFIBQuery", BM_Fetch<TLayerStatement>)
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  // Alternating rounds, each side first in every other one, so that both
  // meet the same state of the engine's page cache and of the machine.
  TPlainStatement plain(session);
  TLayerStatement layer(session);
  TTiming plainTiming, layerTiming;
  const int rounds = 7;
  for (int round = 0; round < rounds; ++round) {
    if (round % 2 == 0) {
      TimeRound(plain, plainTiming);
      TimeRound(layer, layerTiming);
    } else {
      TimeRound(layer, layerTiming);
      TimeRound(plain, plainTiming);
    }
  }
  Session = nullptr;
  if (plainTiming.Rows != layerTiming.Rows || plainTiming.Sum != layerTiming.Sum) {
    std::fprintf(stderr,
                 "bench_fetch: the two loops disagree: %lld rows (sum %lld) against %lld rows (sum %lld)\n",
                 static_cast<long long>(layerTiming.Rows), static_cast<long long>(layerTiming.Sum),
                 static_cast<long long>(plainTiming.Rows), static_cast<long long>(plainTiming.Sum));
    return 1;
  }
  std::printf("rows: %lld (%s)\n", static_cast<long long>(plainTiming.Rows), path.c_str());
  PrintTiming("plain client loop", plainTiming);
  PrintTiming("TFIBQuery", layerTiming);
  std::printf("wall-clock ratio: %.2f\n", layerTiming.Wall / plainTiming.Wall);
  // The processor times decide: they do not count the time the machine
  // spent on other programs.
  std::printf("ratio: %.2f\n", layerTiming.Cpu / plainTiming.Cpu);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int status = 1;
  // The engine keeps its lock files in a folder of this run's own, unless
  // the caller chose one; the folder outlives the engine.
  std::unique_ptr<TTemporaryFolder> lockFolder;
  try {
    if (!std::getenv("FIREBIRD_LOCK")) {
      lockFolder = std::make_unique<TTemporaryFolder>();
      setenv("FIREBIRD_LOCK", lockFolder->Path().c_str(), 1);
    }
    status = Run(argc, argv);
  } catch (const Exception& e) {
    std::fprintf(stderr, "bench_fetch: %s\n", e.Message().c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_fetch: %s\n", e.what());
  }
  ShutdownDatabases();
  ShutdownMetadataCaches();
  ShutdownSQLMonitor();
  ShutdownClientLibrary();
  return status;
}
