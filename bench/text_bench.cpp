// Sorting Windows-1251 names, as sorted string lists and grid columns do:
// the code page's collation, pair by pair or through collation keys made
// once, against plain byte order on the same data.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "framework/core/text/text.h"

namespace {

std::vector<std::string> Names(std::size_t count) {
  std::mt19937 rng(7);
  std::vector<std::string> names;
  names.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::string s(1, static_cast<char>(0xC0 + rng() % 32));  // a capital letter
    const int length = 4 + static_cast<int>(rng() % 10);
    for (int k = 0; k < length; ++k) s += static_cast<char>(0xE0 + rng() % 32);
    names.push_back(std::move(s));
  }
  return names;
}

template <class Less>
void SortNames(benchmark::State& state, Less less) {
  const std::vector<std::string> names = Names(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::vector<std::string> v = names;
    std::sort(v.begin(), v.end(), less);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SortByteOrder(benchmark::State& state) {
  SortNames(state, [](const std::string& a, const std::string& b) { return a < b; });
}

void BM_SortAnsiCompareText(benchmark::State& state) {
  SortNames(state, [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; });
}

void BM_SortAnsiCompareStr(benchmark::State& state) {
  SortNames(state, [](const std::string& a, const std::string& b) { return AnsiCompareStr(a, b) < 0; });
}

// Each name's collation key made once, then plain byte order: what a sort
// that meets every name many times does instead of collating pairs.
void BM_SortByAnsiSortKeys(benchmark::State& state) {
  const std::vector<std::string> names = Names(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::vector<std::string> keys;
    keys.reserve(names.size());
    for (const std::string& name : names) keys.push_back(AnsiSortKeyStr(name));
    std::sort(keys.begin(), keys.end());
    benchmark::DoNotOptimize(keys.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_SortByteOrder)->Arg(100000);
BENCHMARK(BM_SortAnsiCompareText)->Arg(100000);
BENCHMARK(BM_SortAnsiCompareStr)->Arg(100000);
BENCHMARK(BM_SortByAnsiSortKeys)->Arg(100000);

}  // namespace
