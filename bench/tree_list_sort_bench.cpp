// Sorting the nodes of a large grid by a column, as a click on its header
// does (SortNodes over every list, the variant comparer), against std::sort
// over keys made beforehand from the same values: collation keys
// (AnsiSortKeyStr) for the text column, the numbers themselves for the
// integer column.
//
//   bench_tree_list_sort [--rows=N] [benchmark flags]
//
// N nodes (1,000,000 unless given here or in TULVO_BENCH_ROWS) each hold a
// Cyrillic surname (repeated, in their case, some Null) and an integer (some
// Null) as a data-aware grid's nodes hold their values. The node sort's time
// includes reading every key from the tree list and writing the order
// back; the baseline's holds only std::sort. The summary after the
// benchmark table times both in alternating rounds and takes the fastest
// round of each in processor time; it ends with "integer_ratio: X.XX" and
// "ratio: X.XX", the node sort's time over the baseline's for the integer
// and the text column.

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "framework/core/base/variant.h"
#include "framework/core/text/text.h"
#include "grid/nodes/node_sorter.h"
#include "grid/nodes/sort_comparers.h"
#include "grid/nodes/tree_list_node.h"
#include "grid/nodes/tree_list_node_owner.h"

namespace {

constexpr int kTextColumn = 0;
constexpr int kIntegerColumn = 1;

class TBenchNode : public TdxTreeListNode {
 public:
  using TdxTreeListNode::TdxTreeListNode;
  Variant Values[2];
};

class TBenchTreeList : public TdxTreeListNodeOwner {
 public:
  ~TBenchTreeList() override { FreeAllNodes(); }
  std::unique_ptr<TdxTreeListNode> CreateNode() override { return std::make_unique<TBenchNode>(this); }
  int GetImageIndex(const TdxTreeListNode*) const override { return 0; }
  int GetSelectedIndex(const TdxTreeListNode*) const override { return -1; }
  int GetStateIndex(const TdxTreeListNode*) const override { return -1; }
  std::string GetCellText(const TdxTreeListNode* node, int column) const override {
    return VarToStr(GetCellVariant(node, column));
  }
  Variant GetCellVariant(const TdxTreeListNode* node, int column) const override {
    return static_cast<const TBenchNode*>(node)->Values[column];
  }
  void SetCellText(TdxTreeListNode*, int, const std::string&) override {}
};

// Surnames from some 13,000 stems and their endings, men's and women's,
// now and then in capitals or lower case: about 200,000 different texts,
// most of them several times.
std::vector<Variant> Surnames(int rows) {
  static const char* const starts[] = {"Б", "В", "Г", "Д", "Ж", "З", "К", "Л", "М", "Н", "П", "Р", "С", "Т",
                                       "Ф", "Х", "Ц", "Ч", "Ш", "Щ", "Е", "Ё", "А", "О", "У", "Я", "Ю", "Э"};
  static const char* const middles[] = {"ал", "ор", "ен", "ук", "ир", "ом", "ёл", "ыш", "ар", "ед", "ох",
                                        "уг", "ан", "ес", "ол", "ив", "яс", "аж", "ем", "ун", "ой", "ей"};
  static const char* const tails[] = {"ов", "ев", "ин", "ский", "енко", "ук", "ович", "ян", "ых", "ёв"};
  static const char* const women[] = {"ова", "ева", "ина", "ская", "енко", "ук", "ович", "ян", "ых", "ёва"};
  std::mt19937 random(1251);
  std::vector<Variant> values;
  values.reserve(static_cast<std::size_t>(rows));
  for (int i = 0; i < rows; ++i) {
    const unsigned r = random();
    if (r % 100 == 0) {
      values.push_back(Variant::Null());
      continue;
    }
    const unsigned tail = (r >> 8) % 10;
    std::string name = RU(starts[(r >> 12) % 28]) + RU(middles[(r >> 17) % 22]) +
                       RU(middles[(r >> 22) % 22]) + RU((r >> 27) % 2 ? women[tail] : tails[tail]);
    if (r % 97 == 1) name = AnsiUpperCase(name);
    if (r % 89 == 2) name = AnsiLowerCase(name);
    values.push_back(std::move(name));
  }
  return values;
}

std::vector<Variant> Integers(int rows) {
  std::mt19937 random(42);
  std::vector<Variant> values;
  values.reserve(static_cast<std::size_t>(rows));
  for (int i = 0; i < rows; ++i) {
    const unsigned r = random();
    values.push_back(r % 100 == 0 ? Variant::Null() : Variant(static_cast<int>(r % 1000000)));
  }
  return values;
}

// The grid: one top-level node per row, in the order the rows came.
struct TGrid {
  explicit TGrid(int rows) {
    const std::vector<Variant> texts = Surnames(rows);
    const std::vector<Variant> numbers = Integers(rows);
    for (int i = 0; i < rows; ++i) {
      auto* node = static_cast<TBenchNode*>(Tree.AddNode());
      node->Values[kTextColumn] = texts[static_cast<std::size_t>(i)];
      node->Values[kIntegerColumn] = numbers[static_cast<std::size_t>(i)];
      Loaded.push_back(node);
    }
    for (const Variant& v : texts)
      TextKeys.push_back(v.IsNull() ? std::string() : AnsiSortKeyStr(VarToStr(v)));
    for (const Variant& v : numbers)
      IntegerKeys.push_back(v.IsNull() ? std::numeric_limits<std::int64_t>::min() : v.AsInt64());
  }
  void Unsort() { Tree.ReorderSiblings(nullptr, Loaded); }
  void SortByHeader(int column) {
    const TdxSortColumn keys[] = {{column, false}};
    SortNodes(Tree, -1, keys, TdxNodeSortComparer(Tree, false));
  }

  TBenchTreeList Tree;
  std::vector<TdxTreeListNode*> Loaded;
  std::vector<std::string> TextKeys;
  std::vector<std::int64_t> IntegerKeys;
};

TGrid* Grid = nullptr;

void BM_SortNodesByHeader(benchmark::State& state) {
  const int column = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    Grid->Unsort();
    state.ResumeTiming();
    Grid->SortByHeader(column);
  }
  state.SetItemsProcessed(state.iterations() * Grid->Tree.Count());
}

template <class Key>
void SortKeys(benchmark::State& state, const std::vector<Key>& keys) {
  std::vector<Key> work;
  for (auto _ : state) {
    state.PauseTiming();
    work = keys;
    state.ResumeTiming();
    std::sort(work.begin(), work.end());
    benchmark::DoNotOptimize(work.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(keys.size()));
}

void BM_StdSortTextKeys(benchmark::State& state) { SortKeys(state, Grid->TextKeys); }
void BM_StdSortIntegerKeys(benchmark::State& state) { SortKeys(state, Grid->IntegerKeys); }

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The fastest of its rounds, in processor seconds.
struct TTiming {
  double Best = 0;
  int Rounds = 0;
  void Time(const std::function<void()>& prepare, const std::function<void()>& work) {
    prepare();
    const double start = ProcessCpuSeconds();
    work();
    const double seconds = ProcessCpuSeconds() - start;
    if (Rounds++ == 0 || seconds < Best) Best = seconds;
  }
};

// Node sort and std::sort on one column, each first in every other round.
void Compare(int column, const char* name, TTiming& nodes, TTiming& baseline) {
  std::vector<std::string> textWork;
  std::vector<std::int64_t> integerWork;
  auto prepareBaseline = [&] {
    if (column == kTextColumn)
      textWork = Grid->TextKeys;
    else
      integerWork = Grid->IntegerKeys;
  };
  auto sortBaseline = [&] {
    if (column == kTextColumn)
      std::sort(textWork.begin(), textWork.end());
    else
      std::sort(integerWork.begin(), integerWork.end());
  };
  auto prepareNodes = [] { Grid->Unsort(); };
  auto sortNodes = [column] { Grid->SortByHeader(column); };
  for (int round = 0; round < 5; ++round) {
    if (round % 2 == 0) {
      nodes.Time(prepareNodes, sortNodes);
      baseline.Time(prepareBaseline, sortBaseline);
    } else {
      baseline.Time(prepareBaseline, sortBaseline);
      nodes.Time(prepareNodes, sortNodes);
    }
  }
  std::printf("%s column: node sort %.1f ms, std::sort over its keys %.1f ms (fastest of %d rounds): %.2f\n",
              name, nodes.Best * 1e3, baseline.Best * 1e3, nodes.Rounds, nodes.Best / baseline.Best);
}

// The node order must be the keys' order: a sort that is fast but wrong
// measures nothing.
bool SortedAsKeys() {
  Grid->Unsort();
  Grid->SortByHeader(kTextColumn);
  std::vector<std::string> keys = Grid->TextKeys;
  std::sort(keys.begin(), keys.end());
  for (int i = 0; i < Grid->Tree.Count(); ++i) {
    const Variant& v = static_cast<const TBenchNode*>(Grid->Tree.Items(i))->Values[kTextColumn];
    if ((v.IsNull() ? std::string() : AnsiSortKeyStr(VarToStr(v))) != keys[static_cast<std::size_t>(i)])
      return false;
  }
  return true;
}

int RowCount(int& argc, char** argv) {
  const int rows = BenchRowCount(argc, argv);
  return rows > 1 ? rows : 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = RowCount(argc, argv);
  TGrid grid(rows);
  Grid = &grid;

  benchmark::RegisterBenchmark("SortNodesByHeader/Text", BM_SortNodesByHeader)
      ->Arg(kTextColumn)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("StdSortKeys/Text", BM_StdSortTextKeys)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("SortNodesByHeader/Integer", BM_SortNodesByHeader)
      ->Arg(kIntegerColumn)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("StdSortKeys/Integer", BM_StdSortIntegerKeys)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  if (!SortedAsKeys()) {
    std::fprintf(stderr, "bench_tree_list_sort: the nodes are not in their keys' order\n");
    return 1;
  }
  TTiming integerNodes, integerBaseline, textNodes, textBaseline;
  std::printf("rows: %d\n", rows);
  Compare(kIntegerColumn, "integer", integerNodes, integerBaseline);
  Compare(kTextColumn, "text", textNodes, textBaseline);
  std::printf("integer_ratio: %.2f\n", integerNodes.Best / integerBaseline.Best);
  std::printf("ratio: %.2f\n", textNodes.Best / textBaseline.Best);
  std::fflush(stdout);
  Grid = nullptr;
  return 0;
}
