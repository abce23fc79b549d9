// Grouping the loaded records of the data-aware grid by a Cyrillic street
// name, and totalling an integer column in the footer, against plain
// loops over the same values.
//
//   bench_grid_group [benchmark flags]
//
// N records (1,000,000 unless TULVO_BENCH_ROWS says otherwise) of the
// in-memory dataset are loaded once into a grid with all records loaded
// and smart reload on, so that grouping regroups the loaded nodes as a
// drop on the group panel does. One grouping round groups by the street
// (some 5,000 names, a few Null) and ungroups again (not timed); its
// baseline is std::sort over the collation keys (AnsiSortKeyStr) of the
// same N names, made beforehand. One summary round recomputes five footer
// totals of one integer column (sum, count, minimum, maximum, average,
// some values Null) from the nodes; its baseline is one loop folding the
// same values, Nulls skipped. The summary after the benchmark table takes
// the fastest of alternating rounds and prints group_ms, group_ratio,
// summary_ms and summary_ratio.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "datagrid/grid/db_grid.h"
#include "framework/core/data/data_source.h"
#include "framework/core/data/memory_dataset.h"
#include "framework/core/text/text.h"
#include "framework/gui/application/application.h"
#include "framework/gui/standard/forms.h"

namespace {

int Rows() {
  const char* text = std::getenv("TULVO_BENCH_ROWS");
  const int rows = text != nullptr ? std::atoi(text) : 0;
  return rows > 0 ? rows : 1000000;
}

// Street names from stems and kinds, some 5,000 different ones, now and then
// Null (records with no street).
std::vector<Variant> Streets(int rows) {
  static const char* const starts[] = {"Б", "В", "Г", "Д", "З", "К", "Л", "М", "Н", "П",
                                       "Р", "С", "Т", "Ч", "Ш", "Я", "А", "О", "Е", "Ю"};
  static const char* const middles[] = {"ерёз", "ишн", "олн", "ирен", "ветл", "адов", "ольц", "уговск",
                                        "есн",  "ар",  "огор", "алин", "евер", "ечн",  "ольш"};
  static const char* const tails[] = {"ая улица", "ый переулок", "ый проезд", "ое шоссе", "ая набережная",
                                      "ий бульвар", "ая аллея", "ий тупик", "ая площадь", "ая линия",
                                      "ой проспект", "ая слобода", "ий спуск", "ая горка", "ий вал",
                                      "ая роща", "ый двор"};
  std::vector<std::string> names;
  for (const char* start : starts)
    for (const char* middle : middles)
      for (const char* tail : tails) names.push_back(std::string(start) + middle + tail);
  std::mt19937 random(1251);
  std::uniform_int_distribution<std::size_t> pick(0, names.size() - 1);
  std::vector<Variant> values;
  values.reserve(static_cast<std::size_t>(rows));
  for (int i = 0; i < rows; ++i) values.push_back(i % 97 == 0 ? Variant::Null() : Variant(names[pick(random)]));
  return values;
}

std::vector<Variant> Amounts(int rows) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> pick(-100000, 1000000);
  std::vector<Variant> values;
  values.reserve(static_cast<std::size_t>(rows));
  for (int i = 0; i < rows; ++i) values.push_back(i % 53 == 0 ? Variant::Null() : Variant(pick(random)));
  return values;
}

class TBench {
 public:
  explicit TBench(int rows) : FStreets(Streets(rows)), FAmounts(Amounts(rows)) {
    FForm = std::make_unique<TForm>(nullptr);
    FForm->SetBounds(0, 0, 800, 600);
    auto* data = new TMemoryDataSet(FForm.get());
    data->FieldDefs().Add("ID", ftInteger, 0, true);
    data->FieldDefs().Add("STREET", ftString, 60, false);
    data->FieldDefs().Add("AMOUNT", ftInteger, 0, false);
    data->Open();
    for (int i = 0; i < rows; ++i)
      data->AppendRecord({Variant(i + 1), FStreets[static_cast<std::size_t>(i)], FAmounts[static_cast<std::size_t>(i)]});
    data->First();
    auto* source = new TDataSource(FForm.get());
    source->SetDataSet(data);
    FGrid = new TdxDBGrid(FForm.get());
    FGrid->SetName("GridHome");
    FGrid->SetParent(FForm.get());
    FGrid->SetBounds(0, 0, 780, 580);
    FGrid->SetOptionsDB({edgoCanNavigation, edgoLoadAllRecords, edgoSmartReload, edgoUseBookmarks});
    TdxDBGridOptionsBehavior behavior = FGrid->OptionsBehavior();
    behavior.Include(edgoAnsiSort);
    FGrid->SetOptionsBehavior(behavior);
    for (const char* name : {"ID", "STREET"}) FGrid->CreateColumn<TdxDBGridColumn>(FForm.get())->SetFieldName(name);
    for (TdxSummaryType type : {cstSum, cstCount, cstMin, cstMax, cstAvg}) {
      auto* column = FGrid->CreateColumn<TdxDBGridColumn>(FForm.get());
      column->SetFieldName("AMOUNT");
      column->SetSummaryFooterType(type);
    }
    FGrid->SetKeyField("ID");
    FGrid->SetDataSource(source);
    for (const Variant& street : FStreets)
      FKeys.push_back(street.IsNull() ? std::string() : AnsiSortKeyStr(street.AsString()));
  }

  TdxDBTreeListColumn* Street() const { return FGrid->DBColumn(1); }

  [[gnu::noinline]] int Group() {
    Street()->SetGroupIndex(0);
    return FGrid->Count();
  }
  void Ungroup() { Street()->SetGroupIndex(-1); }

  [[gnu::noinline]] std::size_t SortKeys() {
    std::vector<std::string> keys = FKeys;
    const double start = ThreadCpuSeconds();
    std::sort(keys.begin(), keys.end());
    FSortSeconds = ThreadCpuSeconds() - start;
    return keys.size();
  }
  double SortSeconds() const { return FSortSeconds; }

  [[gnu::noinline]] long double Summaries() {
    FGrid->RecalcSummaries();
    return FGrid->FooterSummaryValue(2);
  }

  [[gnu::noinline]] long double Fold() const {
    long double sum = 0;
    long double low = std::numeric_limits<long double>::max();
    long double high = std::numeric_limits<long double>::lowest();
    int taken = 0;
    int records = 0;
    for (const Variant& value : FAmounts) {
      ++records;
      if (value.IsNull()) continue;
      const long double v = value.AsInteger();
      sum += v;
      low = std::min(low, v);
      high = std::max(high, v);
      ++taken;
    }
    const long double average = taken > 0 ? sum / taken : 0;
    return sum + low + high + average + records;
  }

  // Whether the grid's totals are the loop's.
  bool TotalsAgree() const {
    long double sum = 0;
    int taken = 0;
    for (const Variant& value : FAmounts)
      if (!value.IsNull()) {
        sum += value.AsInteger();
        ++taken;
      }
    return FGrid->FooterSummaryValue(2) == sum && FGrid->FooterSummaryValue(3) == static_cast<long double>(FAmounts.size()) &&
           FGrid->FooterSummaryValue(6) == sum / taken;
  }

 private:
  std::vector<Variant> FStreets;
  std::vector<Variant> FAmounts;
  std::vector<std::string> FKeys;
  std::unique_ptr<TForm> FForm;
  TdxDBGrid* FGrid = nullptr;
  double FSortSeconds = 0;
};

TBench* Bench = nullptr;

// Every side in the thread's processor time.
double Seconds(double start) { return ThreadCpuSeconds() - start; }

void BM_Group(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(Bench->Group());
    state.PauseTiming();
    Bench->Ungroup();
    state.ResumeTiming();
  }
}

void BM_SortKeys(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(Bench->SortKeys());
    state.SetIterationTime(Bench->SortSeconds());
  }
}

void BM_Summaries(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Bench->Summaries());
}

void BM_Fold(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Bench->Fold());
}

}  // namespace

int main(int argc, char** argv) {
  TApplication application(argc, argv);
  const int rows = Rows();
  TBench bench(rows);
  Bench = &bench;
  benchmark::RegisterBenchmark("GroupByStreet", BM_Group)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("StdSortCollationKeys", BM_SortKeys)->UseManualTime()->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("FooterSummaries", BM_Summaries)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("PlainFold", BM_Fold)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  double group = 1e300, sort = 1e300, summary = 1e300, fold = 1e300;
  for (int round = 0; round < 5; ++round) {
    double start = ThreadCpuSeconds();
    bench.Group();
    group = std::min(group, Seconds(start));
    bench.Ungroup();
    bench.SortKeys();
    sort = std::min(sort, bench.SortSeconds());
    start = ThreadCpuSeconds();
    bench.Summaries();
    summary = std::min(summary, Seconds(start));
    start = ThreadCpuSeconds();
    benchmark::DoNotOptimize(bench.Fold());
    fold = std::min(fold, Seconds(start));
  }
  if (!bench.TotalsAgree()) {
    std::fprintf(stderr, "bench_grid_group: the grid's totals differ from the loop's\n");
    return 1;
  }
  std::printf("rows: %d\n", rows);
  std::printf("group_ms: %.1f\n", group * 1000);
  std::printf("sort_keys_ms: %.1f\n", sort * 1000);
  std::printf("group_ratio: %.2f\n", group / sort);
  std::printf("summary_ms: %.1f\n", summary * 1000);
  std::printf("fold_ms: %.1f\n", fold * 1000);
  std::printf("summary_ratio: %.2f\n", summary / fold);
  std::fflush(stdout);
  Bench = nullptr;
  return 0;
}
