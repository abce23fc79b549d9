// Filtering the data-aware grid by one value of a column chosen from the
// header's drop-down, and clearing the filter again, over a million record
// nodes (load-all mode over the in-memory dataset), against a plain loop
// doing the same comparison (variant equality with the chosen value) over
// the same values.
//
//   bench_grid_filter [--rows=N] [benchmark flags]
//
// N is 1,000,000 unless given here or in TULVO_BENCH_ROWS. The NAME column
// holds 1000 distinct texts, so the value chosen keeps one row in 1000.
// The summary takes the fastest of several rounds of each, in the
// thread's processor time, and ends with
// "filter_ms: X.X" and "ratio: X.XX" (filter over the plain loop).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "datagrid/filter/filter_drop_down.h"
#include "datagrid/filter/grid_filter.h"
#include "datagrid/grid/db_grid.h"
#include "framework/core/data/data_source.h"
#include "framework/core/data/memory_dataset.h"
#include "framework/gui/application/application.h"
#include "framework/gui/standard/forms.h"

namespace {

constexpr int kDistinct = 1000;
constexpr const char* kChosen = "Street 0500";

std::string NameOf(int id) {
  char text[32];
  std::snprintf(text, sizeof text, "Street %04d", id % kDistinct);
  return text;
}

class TFilterBench {
 public:
  explicit TFilterBench(int rows) : Form(nullptr) {
    Form.SetBounds(0, 0, 600, 400);
    Data = new TMemoryDataSet(&Form);
    Data->FieldDefs().Add("HOME_ID", ftInteger, 0, true);
    Data->FieldDefs().Add("NAME", ftString, 40, false);
    Data->Open();
    for (int id = 1; id <= rows; ++id) {
      Data->AppendRecord({Variant(id), Variant(NameOf(id))});
      Values.emplace_back(NameOf(id));
    }
    Data->First();
    Source = new TDataSource(&Form);
    Source->SetDataSet(Data);
    Grid = new TdxDBGrid(&Form);
    Grid->SetName("GridHome");
    Grid->SetParent(&Form);
    Grid->SetBounds(0, 0, 500, 300);
    Grid->SetOptionsDB({edgoCanNavigation, edgoLoadAllRecords, edgoUseBookmarks});
    TdxDBGridOptionsBehavior behavior = Grid->OptionsBehavior();
    behavior.Include(edgoHeaderButtonClicking);
    Grid->SetOptionsBehavior(behavior);
    for (const char* name : {"HOME_ID", "NAME"})
      Grid->CreateColumn<TdxDBGridColumn>(&Form)->SetFieldName(name);
    Grid->SetKeyField("HOME_ID");
    Grid->SetDataSource(Source);
    Column = dynamic_cast<TdxDBTreeListColumn*>(Grid->Columns(1));
  }

  // Opens the drop-down (not timed) and returns the item of text.
  int OpenAt(const std::string& text) {
    Grid->DropDownFilter(Column);
    TdxDBGridFilterPopupListBox& list = *Grid->FilterDropDown();
    for (int i = 0; i < list.Count(); ++i)
      if (list.Items().Strings(i) == text) return i;
    std::fprintf(stderr, "bench_grid_filter: no item %s\n", text.c_str());
    std::exit(1);
  }
  // Accepts the item of the open drop-down (timed: the filtering).
  void Accept(int item) {
    Grid->FilterDropDown()->SetItemIndex(item);
    Grid->FilterDropDown()->CloseUp(true);
  }
  int PlainLoop() const {
    const Variant chosen(kChosen);
    int passed = 0;
    for (const Variant& value : Values) passed += value == chosen ? 1 : 0;
    return passed;
  }

  TForm Form;
  TMemoryDataSet* Data = nullptr;
  TDataSource* Source = nullptr;
  TdxDBGrid* Grid = nullptr;
  TdxDBTreeListColumn* Column = nullptr;
  std::vector<Variant> Values;
};

TFilterBench* Bench = nullptr;

// Both sides in the thread's processor time.
double Milliseconds(double start) { return (ThreadCpuSeconds() - start) * 1e3; }

void BM_FilterByDropDownValue(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    const int item = Bench->OpenAt(kChosen);
    state.ResumeTiming();
    Bench->Accept(item);
    state.PauseTiming();
    Bench->Accept(Bench->OpenAt("(All)"));
    state.ResumeTiming();
  }
}

void BM_ClearByDropDownAll(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Bench->Accept(Bench->OpenAt(kChosen));
    const int item = Bench->OpenAt("(All)");
    state.ResumeTiming();
    Bench->Accept(item);
  }
}

void BM_PlainLoop(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Bench->PlainLoop());
}

int RowCount(int& argc, char** argv) {
  const int rows = BenchRowCount(argc, argv);
  return std::max(rows, kDistinct);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const int rows = RowCount(argc, argv);
  TApplication application(argc, argv);
  TFilterBench bench(rows);
  Bench = &bench;
  benchmark::RegisterBenchmark("FilterByDropDownValue", BM_FilterByDropDownValue)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ClearByDropDownAll", BM_ClearByDropDownAll)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("PlainLoop", BM_PlainLoop)->Unit(benchmark::kMillisecond);
  if (!RunRegisteredBenchmarks(argc, argv)) return 1;

  double filter = 1e30, clear = 1e30, plain = 1e30;
  int shown = 0, expected = 0;
  for (int round = 0; round < 5; ++round) {
    const int item = bench.OpenAt(kChosen);
    double start = ThreadCpuSeconds();
    bench.Accept(item);
    filter = std::min(filter, Milliseconds(start));
    shown = bench.Grid->Count();
    const int all = bench.OpenAt("(All)");
    start = ThreadCpuSeconds();
    bench.Accept(all);
    clear = std::min(clear, Milliseconds(start));
    start = ThreadCpuSeconds();
    expected = bench.PlainLoop();
    plain = std::min(plain, Milliseconds(start));
  }
  if (shown != expected || bench.Grid->Count() != rows) {
    std::fprintf(stderr, "bench_grid_filter: %d rows shown, %d expected; %d after clearing\n", shown,
                 expected, bench.Grid->Count());
    return 1;
  }
  std::printf("rows: %d\n", rows);
  std::printf("shown: %d\n", shown);
  std::printf("clear_ms: %.1f\n", clear);
  std::printf("plain_loop_ms: %.1f\n", plain);
  std::printf("clear_ratio: %.2f\n", clear / plain);
  std::printf("filter_ms: %.1f\n", filter);
  std::printf("ratio: %.2f\n", filter / plain);
  std::fflush(stdout);
  Bench = nullptr;
  return 0;
}
