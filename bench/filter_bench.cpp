// Testing records against a compiled filter expression, as a filtered
// dataset does for every record it shows, against the same test written by
// hand. The "allocs/record" counter shows the heap allocations made per
// record tested; plain comparisons of fields with constants make none.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "dbaccess/filter/filter_expression.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/text/text.h"

namespace {

std::atomic<long> Allocations{0};

}  // namespace

// The replaced operators pair malloc with free; the compiler, seeing both
// inlined into standard containers, cannot tell and would warn.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  Allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

struct TRow {
  std::string Name;
  int Age;
};

// Rows of streets and ages; the source reads the current one.
class TRows : public TFilterRecordSource {
 public:
  explicit TRows(std::size_t count) {
    const char* names[] = {"Ленина", "Мира", "Садовая", "Лесная", "Школьная"};
    for (std::size_t i = 0; i < count; ++i)
      Rows.push_back(TRow{RU(names[i % 5]) + " " + std::to_string(i), static_cast<int>(i % 90)});
  }
  int FindField(std::string_view name) override { return name == "NAME" ? 0 : name == "AGE" ? 1 : -1; }
  bool IsFilterable(int) override { return true; }
  TFilterType FieldType(int field) override { return field == 0 ? TFilterType::Text : TFilterType::Number; }
  void ReadField(int field, TFilterValue& value) override {
    if (field == 0)
      value.SetString(Rows[Current].Name);
    else
      value.SetInteger(Rows[Current].Age);
  }

  std::vector<TRow> Rows;
  std::size_t Current = 0;
};

void Run(benchmark::State& state, const std::string& text, bool ignoreCase) {
  TRows rows(static_cast<std::size_t>(state.range(0)));
  TFilterExpressionOptions options;
  options.CaseInsensitive = ignoreCase;
  options.Like = MatchesPercent;
  TFilterExpression expression(rows, text, options);
  // One pass to let the buffers grow, as they do on a dataset's first records.
  for (rows.Current = 0; rows.Current < rows.Rows.size(); ++rows.Current) expression.Accepts();
  const long before = Allocations.load();
  long passed = 0;
  for (auto _ : state) {
    for (rows.Current = 0; rows.Current < rows.Rows.size(); ++rows.Current) passed += expression.Accepts();
  }
  benchmark::DoNotOptimize(passed);
  const double records = static_cast<double>(state.iterations()) * static_cast<double>(rows.Rows.size());
  state.counters["allocs/record"] = static_cast<double>(Allocations.load() - before) / records;
  state.SetItemsProcessed(static_cast<std::int64_t>(records));
}

void BM_HandWritten(benchmark::State& state) {
  TRows rows(static_cast<std::size_t>(state.range(0)));
  const std::string street = RU("Мира 1");
  long passed = 0;
  for (auto _ : state) {
    for (const TRow& row : rows.Rows) passed += row.Name == street || row.Age > 60;
  }
  benchmark::DoNotOptimize(passed);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Comparisons(benchmark::State& state) { Run(state, RU("NAME = 'Мира 1' OR AGE > 60"), false); }

void BM_ComparisonsIgnoringCase(benchmark::State& state) {
  Run(state, RU("NAME = 'МИРА 1' OR AGE > 60"), true);
}

void BM_InList(benchmark::State& state) { Run(state, "AGE IN (1, 5, 10, 20, 40, 80)", false); }

void BM_LikeIgnoringCase(benchmark::State& state) { Run(state, RU("NAME LIKE 'лес%'"), true); }

BENCHMARK(BM_HandWritten)->Arg(10000);
BENCHMARK(BM_Comparisons)->Arg(10000);
BENCHMARK(BM_ComparisonsIgnoringCase)->Arg(10000);
BENCHMARK(BM_InList)->Arg(10000);
BENCHMARK(BM_LikeIgnoringCase)->Arg(10000);

}  // namespace
