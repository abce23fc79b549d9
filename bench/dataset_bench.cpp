// Fetching every row of a large SELECT into a dataset's record cache,
// against the client API used directly, on one connection and transaction.
//
//   bench_dataset [PATH] [benchmark flags]
//
// PATH is a sample directory database (tools/sample_db PATH --apartments
// 1000000); every row of its apartments view is fetched. Without PATH the
// program builds a small one in a temporary folder of its own.
//
// The dataset: `TFIBDataSet` opened over the select and told to fetch all,
// so that every row is converted into the record cache; closed after each
// round. The baseline: the plain client loop of bench_fetch
// (fetch_baseline.h). The summary times both in alternating rounds, takes
// the fastest of each, prints the cache's bytes per record against the
// row's bytes as the server describes them, and ends with "ratio: X.XX",
// the dataset's processor time over the baseline's.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "bench/fetch_baseline.h"
#include "dbaccess/cache/records_cache.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/statement/sqlda.h"
#include "dbaccess/trace/sql_monitor.h"
#include "framework/core/base/exceptions.h"

namespace {

using namespace fetch_baseline;

constexpr const char* SelectText =
    "SELECT HOME_ID, NAME, STREET_ID, BUILD, CORP, APARTAMENT, PHONE, STREET_NAME FROM HOME_PHONES";
constexpr int SmallTownRows = 2000;


class TDataSetFetch {
 public:
  TDataSetFetch(TSession& session, const char* selectText) : FDataSet(nullptr) {
    FDataSet.SetName("fdsHome");
    FDataSet.SetDatabase(session.Database.get());
    FDataSet.SetTransaction(session.Transaction.get());
    FDataSet.SelectSQL().SetText(selectText);
  }

  // Every row into the cache; returns their number. The cache's size is
  // kept for the summary.
  [[gnu::noinline]] std::int64_t FetchAll(std::int64_t&) {
    FDataSet.Open();
    FDataSet.FetchAll();
    const std::int64_t rows = FDataSet.FetchedCount();
    FCacheBytes = FDataSet.Cache()->MemoryBytes();
    FRowBytes = 0;
    TFIBXSQLDA& columns = FDataSet.SelectQuery().Fields();
    for (int i = 0; i < columns.Count(); ++i)
      FRowBytes += static_cast<std::size_t>(columns[i].SQLLen()) +
                   (columns[i].SQLType() == SQLTypeVarying ? 2 : 0);
    FDataSet.Close();
    return rows;
  }

  std::size_t CacheBytes() const { return FCacheBytes; }
  std::size_t RowBytes() const { return FRowBytes; }

 private:
  TFIBDataSet FDataSet;
  std::size_t FCacheBytes = 0;
  std::size_t FRowBytes = 0;
};

// The plain loop counts rows only, as the dataset does.
class TPlainCount {
 public:
  TPlainCount(TSession& session, const char* selectText) : FStatement(session, selectText) {}
  [[gnu::noinline]] std::int64_t FetchAll(std::int64_t& sum) { return FStatement.FetchAll(sum); }

 private:
  TPlainStatement FStatement;
};

int Run(int argc, char** argv) {
  std::unique_ptr<TTemporaryFolder> folder;
  const std::string path = TakeOrBuildDatabase(argc, argv, folder, TTownSize{SmallTownRows, 10});

  TSession session(path);
  RegisterFetchBenchmark<TPlainCount>("FetchAll/PlainClientLoop", session, SelectText);
  RegisterFetchBenchmark<TDataSetFetch>("FetchAll/TFIBDataSet", session, SelectText);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  TPlainCount plain(session, SelectText);
  TDataSetFetch dataSet(session, SelectText);
  TTiming plainTiming, dataSetTiming;
  TimeAlternating(plain, plainTiming, dataSet, dataSetTiming, 5);
  if (plainTiming.Rows != dataSetTiming.Rows) {
    std::fprintf(stderr, "bench_dataset: the dataset fetched %lld rows, the plain loop %lld\n",
                 static_cast<long long>(dataSetTiming.Rows), static_cast<long long>(plainTiming.Rows));
    return 1;
  }
  const double rows = static_cast<double>(plainTiming.Rows);
  std::printf("rows: %lld (%s)\n", static_cast<long long>(plainTiming.Rows), path.c_str());
  PrintTiming("plain client loop", plainTiming);
  PrintTiming("TFIBDataSet", dataSetTiming);
  std::printf("cache bytes per record: %.1f (the row as described: %zu bytes)\n",
              static_cast<double>(dataSet.CacheBytes()) / rows, dataSet.RowBytes());
  std::printf("wall-clock ratio: %.2f\n", dataSetTiming.Wall / plainTiming.Wall);
  std::printf("ratio: %.2f\n", dataSetTiming.Cpu / plainTiming.Cpu);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return RunFetchBenchmark("bench_dataset", Run, argc, argv); }
