// The node tree under the loads of a grid with tens of thousands of records:
// bulk loading, grouping top-level leaves, freeing a wide node, walking and
// sorting. Each shape reports its complexity fit, which must stay linear
// (n log n for sorting); the baselines do the same work on plain vectors.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "framework/core/text/text.h"
#include "framework/core/base/variant.h"
#include "grid/sort_comparers.h"
#include "grid/tree_list_node.h"
#include "grid/tree_list_node_owner.h"

namespace {

class TBenchTreeList : public TdxTreeListNodeOwner {
 public:
  ~TBenchTreeList() override { FreeAllNodes(); }
  std::unique_ptr<TdxTreeListNode> CreateNode() override { return std::make_unique<TdxTreeListNode>(this); }
  int GetImageIndex(const TdxTreeListNode*) const override { return 0; }
  int GetSelectedIndex(const TdxTreeListNode*) const override { return -1; }
  int GetStateIndex(const TdxTreeListNode*) const override { return -1; }
  std::string GetCellText(const TdxTreeListNode* node, int column) const override {
    return VarToStr(GetCellVariant(node, column));
  }
  Variant GetCellVariant(const TdxTreeListNode* node, int) const override {
    return Keys[static_cast<std::size_t>(node->Index())];
  }
  void SetCellText(TdxTreeListNode*, int, const std::string&) override {}
  std::vector<Variant> Keys;
};

struct TPlainRow {
  void* Owner = nullptr;
  std::vector<std::unique_ptr<TPlainRow>> Children;
};

void BM_BaselinePlainRows(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    std::vector<std::unique_ptr<TPlainRow>> rows;
    for (std::size_t i = 0; i < n; ++i) rows.push_back(std::make_unique<TPlainRow>());
    benchmark::DoNotOptimize(rows.data());
  }
  state.SetComplexityN(state.range(0));
}

void BM_AddAndClearNodes(benchmark::State& state) {
  for (auto _ : state) {
    TBenchTreeList tree;
    for (int64_t i = 0; i < state.range(0); ++i) tree.AddNode();
  }
  state.SetComplexityN(state.range(0));
}

void BM_GroupTopLevelLeaves(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto tree = std::make_unique<TBenchTreeList>();
    for (int64_t i = 0; i < state.range(0); ++i) tree->AddNode();
    std::vector<TdxTreeListNode*> groups;
    for (int g = 0; g < 100; ++g) groups.push_back(tree->AddNode());
    state.ResumeTiming();
    for (int64_t i = 0; i < state.range(0); ++i)
      tree->FirstNode()->MoveTopLevelUnder(groups[static_cast<std::size_t>(i % 100)]);
    state.PauseTiming();
    tree.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}

void BM_FreeNodeWithManyChildren(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto tree = std::make_unique<TBenchTreeList>();
    TdxTreeListNode* parent = tree->AddNode();
    for (int64_t i = 0; i < state.range(0); ++i) parent->AddChild();
    state.ResumeTiming();
    parent->Free();
    state.PauseTiming();
    tree.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}

void BM_WalkFullOrder(benchmark::State& state) {
  TBenchTreeList tree;
  for (int64_t i = 0; i < state.range(0) / 8; ++i) {
    TdxTreeListNode* parent = tree.AddNode();
    for (int c = 0; c < 7; ++c) parent->AddChild();
  }
  for (auto _ : state) {
    int64_t count = 0;
    for (TdxTreeListNode* node = tree.FirstNode(); node != nullptr; node = node->GetNext()) ++count;
    benchmark::DoNotOptimize(count);
  }
  state.SetComplexityN(state.range(0));
}

// Sort keys as a grid column gives them: one kind per column, some Nulls.
std::vector<Variant> ColumnKeys(int64_t n, bool texts) {
  std::mt19937 random(42);
  std::vector<Variant> keys;
  for (int64_t i = 0; i < n; ++i) {
    const unsigned r = random();
    if (r % 20 == 0)
      keys.push_back(Variant::Null());
    else if (texts)
      keys.push_back(RU("Фамилия ") + std::to_string(r % 100000));
    else
      keys.push_back(static_cast<int>(r % 100000));
  }
  return keys;
}

void BM_BaselineSortVariants(benchmark::State& state) {
  const std::vector<Variant> keys = ColumnKeys(state.range(0), state.range(1) != 0);
  for (auto _ : state) {
    std::vector<Variant> copy = keys;
    std::stable_sort(copy.begin(), copy.end(),
                     [](const Variant& a, const Variant& b) { return CompareVariants(a, b) < 0; });
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetComplexityN(state.range(0));
}

void BM_SortTopLevelByVariantKeys(benchmark::State& state) {
  TBenchTreeList tree;
  const std::vector<Variant> keys = ColumnKeys(state.range(0), state.range(1) != 0);
  for (int64_t i = 0; i < state.range(0); ++i) tree.AddNode();
  std::vector<TdxTreeListNode*> original;
  for (int i = 0; i < tree.Count(); ++i) original.push_back(tree.Items(i));
  const TdxSortColumn columns[] = {{0, false}};
  for (auto _ : state) {
    state.PauseTiming();
    tree.ReorderSiblings(nullptr, original);
    tree.Keys = keys;
    state.ResumeTiming();
    SortNodeList(tree, nullptr, columns, TdxNodeSortComparer(tree, false));
  }
  state.SetComplexityN(state.range(0));
}

}  // namespace

BENCHMARK(BM_BaselinePlainRows)->RangeMultiplier(8)->Range(1 << 10, 1 << 15)->Complexity();
BENCHMARK(BM_AddAndClearNodes)->RangeMultiplier(8)->Range(1 << 10, 1 << 15)->Complexity();
BENCHMARK(BM_GroupTopLevelLeaves)->RangeMultiplier(8)->Range(1 << 10, 1 << 15)->Complexity();
BENCHMARK(BM_FreeNodeWithManyChildren)->RangeMultiplier(8)->Range(1 << 10, 1 << 15)->Complexity();
BENCHMARK(BM_WalkFullOrder)->RangeMultiplier(8)->Range(1 << 10, 1 << 15)->Complexity();
// Second argument: 1 texts, 0 integers.
BENCHMARK(BM_BaselineSortVariants)->ArgsProduct({{1 << 10, 1 << 15}, {0, 1}});
BENCHMARK(BM_SortTopLevelByVariantKeys)->ArgsProduct({{1 << 10, 1 << 15}, {0, 1}});
