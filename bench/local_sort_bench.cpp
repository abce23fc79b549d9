// Sorting the fetched apartments in memory by their Cyrillic names through
// the dataset, against std::sort of the same names with the same comparison.
//
//   bench_local_sort [PATH] [benchmark flags]
//
// PATH is a sample directory database (tools/sample_db PATH --apartments
// 1000000); every row of its apartments view is fetched once, untimed.
// Without PATH the program builds a small one in a temporary folder.
//
// A round of the dataset puts the records back in key order (untimed), then
// sorts them by NAME: keys read from the record cache, the records ordered,
// the window rebuilt. A round of the baseline copies the names in key order
// (untimed), then std::sort orders the copy with AnsiCompareStr. The summary
// times both in alternating rounds, takes the fastest of each, checks that
// both gave the same order of names, and ends with "ratio: X.XX", the
// dataset's processor time over the baseline's.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/fetch_baseline.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/trace/sql_monitor.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/text/text.h"

namespace {

using namespace fetch_baseline;

constexpr const char* SelectText =
    "SELECT HOME_ID, NAME, STREET_ID, BUILD, CORP, APARTAMENT, PHONE, STREET_NAME FROM HOME_PHONES";
constexpr int SmallTownRows = 2000;

bool NameLess(const std::string& a, const std::string& b) { return AnsiCompareStr(a, b) < 0; }

// The fetched apartments in a dataset, and their names in key order.
class TSortSubject {
 public:
  explicit TSortSubject(TSession& session) : FDataSet(nullptr) {
    FDataSet.SetName("fdsHome");
    FDataSet.SetDatabase(session.Database.get());
    FDataSet.SetTransaction(session.Transaction.get());
    FDataSet.SelectSQL().SetText(SelectText);
    FDataSet.Open();
    FDataSet.FetchAll();
    ResetOrder();
    TField* name = FDataSet.FieldByName("NAME");
    FNames.reserve(static_cast<std::size_t>(FDataSet.FetchedCount()));
    for (FDataSet.First(); !FDataSet.Eof(); FDataSet.Next()) FNames.push_back(name->AsString());
  }

  int Rows() const { return static_cast<int>(FNames.size()); }
  const std::vector<std::string>& Names() const { return FNames; }
  void ResetOrder() { FDataSet.Sort({"HOME_ID"}); }
  [[gnu::noinline]] void SortDataSet() { FDataSet.Sort({"NAME"}); }
  [[gnu::noinline]] static void SortCopy(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), NameLess);
  }

  // Whether the dataset's names read in its order equal the sorted copy.
  bool SameOrderAs(const std::vector<std::string>& sorted) {
    TField* name = FDataSet.FieldByName("NAME");
    std::size_t i = 0;
    for (FDataSet.First(); !FDataSet.Eof(); FDataSet.Next(), ++i)
      if (i >= sorted.size() || name->AsString() != sorted[i]) return false;
    return i == sorted.size();
  }

 private:
  TFIBDataSet FDataSet;
  std::vector<std::string> FNames;
};

TSortSubject* Subject = nullptr;

void BM_DataSetSort(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Subject->ResetOrder();
    state.ResumeTiming();
    Subject->SortDataSet();
  }
  state.SetItemsProcessed(state.iterations() * Subject->Rows());
}

void BM_StdSort(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> names = Subject->Names();
    state.ResumeTiming();
    TSortSubject::SortCopy(names);
    benchmark::DoNotOptimize(names.data());
  }
  state.SetItemsProcessed(state.iterations() * Subject->Rows());
}

struct TTiming {
  double Wall = 0;
  double Cpu = 0;
  int Rounds = 0;
};

template <class Work>
void TimeRound(const Work& work, TTiming& timing) {
  const double cpuStart = ProcessCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  work();
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = ProcessCpuSeconds() - cpuStart;
  if (timing.Rounds == 0 || wall < timing.Wall) timing.Wall = wall;
  if (timing.Rounds == 0 || cpu < timing.Cpu) timing.Cpu = cpu;
  ++timing.Rounds;
}

void PrintTiming(const char* name, const TTiming& timing, int rows) {
  std::printf("%s: %.1f ms wall, %.1f ms processor, %.3f us per row (fastest of %d rounds)\n", name,
              timing.Wall * 1e3, timing.Cpu * 1e3, timing.Cpu * 1e6 / rows, timing.Rounds);
}

int Run(int argc, char** argv) {
  std::unique_ptr<TTemporaryFolder> folder;
  const std::string path = TakeOrBuildDatabase(argc, argv, folder, TTownSize{SmallTownRows, 10});

  TSession session(path);
  TSortSubject subject(session);
  Subject = &subject;
  benchmark::RegisterBenchmark("SortByName/StdSort", BM_StdSort)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("SortByName/TFIBDataSet", BM_DataSetSort)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  TTiming plain, dataSet;
  std::vector<std::string> sorted;
  const int rounds = 5;
  for (int round = 0; round < rounds; ++round) {
    sorted = subject.Names();
    subject.ResetOrder();
    const auto sortCopy = [&] { TSortSubject::SortCopy(sorted); };
    const auto sortDataSet = [&] { subject.SortDataSet(); };
    if (round % 2 == 0) {
      TimeRound(sortCopy, plain);
      TimeRound(sortDataSet, dataSet);
    } else {
      TimeRound(sortDataSet, dataSet);
      TimeRound(sortCopy, plain);
    }
  }
  Subject = nullptr;
  if (!subject.SameOrderAs(sorted)) {
    std::fprintf(stderr, "bench_local_sort: the dataset's order of names differs from std::sort's\n");
    return 1;
  }
  const int rows = subject.Rows();
  std::printf("rows: %d (%s)\n", rows, path.c_str());
  PrintTiming("std::sort of the names", plain, rows);
  PrintTiming("TFIBDataSet local sort", dataSet, rows);
  std::printf("wall-clock ratio: %.2f\n", dataSet.Wall / plain.Wall);
  std::printf("ratio: %.2f\n", dataSet.Cpu / plain.Cpu);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return RunFetchBenchmark("bench_local_sort", Run, argc, argv); }
