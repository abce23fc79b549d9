// The tree list core under the loads of a grid with tens of thousands of
// rows: a bulk load under the update lock (one rebuild of the visible order
// at the end), freeing an expanded group outside the lock, and row-number
// queries. Each shape reports its complexity fit, which must stay near
// linear; the baseline builds the same tree on a bare node store, without
// the control.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "framework/gui/application/application.h"
#include "grid/tree_list/tree_list.h"
#include "grid/nodes/tree_list_node_owner.h"

namespace {

constexpr int GroupSize = 10;

class TBenchGrid : public TCustomdxTreeList {
 public:
  TBenchGrid() : TCustomdxTreeList(nullptr) {}
  ~TBenchGrid() override { ClearNodes(); }
  std::unique_ptr<TdxTreeListNode> CreateNode() override { return std::make_unique<TdxTreeListNode>(this); }
  int GetImageIndex(const TdxTreeListNode*) const override { return 0; }
  int GetSelectedIndex(const TdxTreeListNode*) const override { return -1; }
  int GetStateIndex(const TdxTreeListNode*) const override { return -1; }
  std::string GetCellText(const TdxTreeListNode*, int) const override { return {}; }
  Variant GetCellVariant(const TdxTreeListNode*, int) const override { return {}; }
  void SetCellText(TdxTreeListNode*, int, const std::string&) override {}
};

class TBareStore : public TdxTreeListNodeOwner {
 public:
  ~TBareStore() override { FreeAllNodes(); }
  std::unique_ptr<TdxTreeListNode> CreateNode() override { return std::make_unique<TdxTreeListNode>(this); }
  int GetImageIndex(const TdxTreeListNode*) const override { return 0; }
  int GetSelectedIndex(const TdxTreeListNode*) const override { return -1; }
  int GetStateIndex(const TdxTreeListNode*) const override { return -1; }
  std::string GetCellText(const TdxTreeListNode*, int) const override { return {}; }
  Variant GetCellVariant(const TdxTreeListNode*, int) const override { return {}; }
  void SetCellText(TdxTreeListNode*, int, const std::string&) override {}
};

// Groups of GroupSize rows, every group expanded.
void LoadGroups(TdxTreeListNodeOwner& owner, int64_t rows) {
  for (int64_t i = 0; i < rows / GroupSize; ++i) {
    TdxTreeListNode* group = owner.AddNode();
    for (int j = 0; j < GroupSize; ++j) group->AddChild();
    group->SetExpanded(true);
  }
}

void BM_BaselineBareStore(benchmark::State& state) {
  for (auto _ : state) {
    TBareStore store;
    TdxTreeListUpdateLock lock(store);
    LoadGroups(store, state.range(0));
    lock.Close();
  }
  state.SetComplexityN(state.range(0));
}

void BM_BulkLoadUnderTheLock(benchmark::State& state) {
  for (auto _ : state) {
    TBenchGrid grid;
    TdxTreeListUpdateLock lock(grid);
    LoadGroups(grid, state.range(0));
    lock.Close();
    benchmark::DoNotOptimize(grid.VisibleNodeCount());
  }
  state.SetComplexityN(state.range(0));
}

// One group of n rows, freed outside the lock: its rows leave one by one.
void BM_FreeAnExpandedGroupOutsideTheLock(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto grid = std::make_unique<TBenchGrid>();
    {
      TdxTreeListUpdateLock lock(*grid);
      TdxTreeListNode* group = grid->AddNode();
      for (int64_t i = 0; i < state.range(0); ++i) group->AddChild();
      group->SetExpanded(true);
      grid->AddNode();
      lock.Close();
    }
    benchmark::DoNotOptimize(grid->VisibleNodeCount());
    state.ResumeTiming();
    grid->FirstNode()->Free();
    benchmark::DoNotOptimize(grid->VisibleNodeCount());
    state.PauseTiming();
    grid.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}

void BM_RowNumbersOfEveryRow(benchmark::State& state) {
  TBenchGrid grid;
  TdxTreeListUpdateLock lock(grid);
  LoadGroups(grid, state.range(0));
  lock.Close();
  for (auto _ : state) {
    int64_t sum = 0;
    for (TdxTreeListNode* node = grid.FirstNode(); node != nullptr; node = node->GetNextVisible())
      sum += grid.GetAbsoluteIndex(node);
    benchmark::DoNotOptimize(sum);
  }
  state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_BaselineBareStore)->RangeMultiplier(4)->Range(1 << 12, 1 << 16)->Complexity();
BENCHMARK(BM_BulkLoadUnderTheLock)->RangeMultiplier(4)->Range(1 << 12, 1 << 16)->Complexity();
BENCHMARK(BM_FreeAnExpandedGroupOutsideTheLock)->RangeMultiplier(4)->Range(1 << 12, 1 << 16)->Complexity();
BENCHMARK(BM_RowNumbersOfEveryRow)->RangeMultiplier(4)->Range(1 << 12, 1 << 16)->Complexity();

}  // namespace

// The control needs the application; the benchmarks run without a screen.
int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
