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
#include "bench/fetch_baseline.h"
#include "tools/sample_database.h"

namespace {

constexpr const char* SelectText =
    "SELECT HOME_ID, NAME, STREET_ID, BUILD, CORP, APARTAMENT, PHONE, STREET_NAME FROM HOME_PHONES";
constexpr int SmallTownRows = 2000;

using namespace fetch_baseline;


// ---- The layer -----------------------------------------------------------------------

class TLayerStatement {
 public:
  TLayerStatement(TSession& session, const char* selectText) : FQuery(nullptr) {
    FQuery.SetDatabase(session.Database.get());
    FQuery.SetTransaction(session.Transaction.get());
    FQuery.SQL().SetText(selectText);
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

int Run(int argc, char** argv) {
  std::unique_ptr<TTemporaryFolder> folder;
  const std::string path = TakeOrBuildDatabase(argc, argv, folder, TTownSize{SmallTownRows, 10});

  TSession session(path);
  RegisterFetchBenchmark<TPlainStatement>("FetchAll/PlainClientLoop", session, SelectText);
  RegisterFetchBenchmark<TLayerStatement>("FetchAll/TFIBQuery", session, SelectText);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  TPlainStatement plain(session, SelectText);
  TLayerStatement layer(session, SelectText);
  TTiming plainTiming, layerTiming;
  TimeAlternating(plain, plainTiming, layer, layerTiming, 7);
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

int main(int argc, char** argv) { return RunFetchBenchmark("bench_fetch", Run, argc, argv); }
