// Saving a grid layout into the per-user registry store that already holds
// the other grids' layouts: 300 values written in one update scope (one
// lock, one parse, one flush to disk) against the same values written one by
// one, each its own locked rewrite of the file (the baseline; it writes
// fewer values, compare items per second). Target: the scoped save of 300
// values under 20 ms wall with 10,000 values in the store; the last line,
// "layout_save_ms:", is that figure.
// The store lives in a fresh folder under $TMPDIR (else /tmp), so the flush
// costs what that disk costs.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "framework/core/storage/registry.h"

namespace {

// A store file of its own for one run, with `values` values of other layouts.
class TBenchStore {
 public:
  explicit TBenchStore(int values) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tulvo-bench-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
    FFolder = name.data();
    ::setenv("TULVO_REGISTRY", (FFolder + "/registry").c_str(), 1);

    TRegIniFile ini("\\Software\\Tulvo");
    TRegistryUpdateScope scope(ini);
    for (int i = 0; i < values; ++i)
      ini.WriteInteger(
          "Other" + std::to_string(i / 1000) + "\\Columns\\Column" + std::to_string(i / 10 % 100),
          "Value" + std::to_string(i % 10), i);
    scope.Commit();
  }
  ~TBenchStore() {
    ::unsetenv("TULVO_REGISTRY");
    std::error_code ignored;
    std::filesystem::remove_all(FFolder, ignored);
  }
  TBenchStore(const TBenchStore&) = delete;
  TBenchStore& operator=(const TBenchStore&) = delete;

 private:
  std::string FFolder;
};

// One layout save: `count` values over columns of ten values each, all
// different from the last save, as after the user moved every column.
void SaveLayout(TRegIniFile& ini, int count, int round) {
  for (int i = 0; i < count; ++i)
    ini.WriteInteger("Columns\\Column" + std::to_string(i / 10), "Value" + std::to_string(i % 10), round + i);
}

void BM_LayoutSaveInOneScope(benchmark::State& state) {
  TBenchStore store(static_cast<int>(state.range(0)));
  const int count = static_cast<int>(state.range(1));
  int round = 0;
  for (auto _ : state) {
    TRegIniFile ini("\\Software\\Tulvo\\HOME");
    TRegistryUpdateScope scope(ini);
    SaveLayout(ini, count, ++round);
    scope.Commit();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_LayoutSaveValueByValue(benchmark::State& state) {
  TBenchStore store(static_cast<int>(state.range(0)));
  const int count = static_cast<int>(state.range(1));
  int round = 0;
  for (auto _ : state) {
    TRegIniFile ini("\\Software\\Tulvo\\HOME");
    SaveLayout(ini, count, ++round);
  }
  state.SetItemsProcessed(state.iterations() * count);
}

// A value at the deepest key the store takes: linear in the depth, not
// quadratic.
void BM_DeepestKeyWrite(benchmark::State& state) {
  TBenchStore store(0);
  std::string path;
  for (std::size_t i = 0; i < TRegistryHive::kMaxKeyDepth; ++i) path += "\\K";
  TRegistry reg;
  if (!reg.OpenKey(path, true)) throw std::runtime_error("the deepest key cannot be created");
  int round = 0;
  for (auto _ : state) reg.WriteInteger("V", ++round);
}

BENCHMARK(BM_LayoutSaveInOneScope)->Args({0, 300})->Args({10000, 300})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayoutSaveValueByValue)->Args({0, 30})->Args({10000, 30})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeepestKeyWrite)->Unit(benchmark::kMillisecond);

// The target's figure: the median wall time of 21 scoped saves of 300 values
// into a store of 10,000, each as the grid makes it (a registry object of its
// own, one scope), the flush to disk included.
double LayoutSaveMilliseconds() {
  TBenchStore store(10000);
  int round = 0;
  return MedianMilliseconds([] {},
                            [&round] {
                              TRegIniFile ini("\\Software\\Tulvo\\HOME");
                              TRegistryUpdateScope scope(ini);
                              SaveLayout(ini, 300, ++round);
                              scope.Commit();
                            },
                            21);
}

}  // namespace

int main(int argc, char** argv) {
  if (!RunRegisteredBenchmarks(argc, argv)) return 1;
  std::printf("layout_save_ms: %.1f\n", LayoutSaveMilliseconds());
  return 0;
}
