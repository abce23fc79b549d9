// One keystroke of the tree list's incremental search over a million rows,
// as typing delivers it (a WM_CHAR through the control's window
// procedure): the character is added to the search text and the rows are
// walked from the focused one, round the end, for a cell beginning with
// that text, case aside (Windows-1251 rules).
//
//   bench_tree_list_search [benchmark flags]
//
// The rows hold Cyrillic surnames; the searched one sits in the last row,
// so the keystroke walks every row once (the worst case of a search that
// finds something), and a keystroke that matches nothing walks them all and
// takes the character back. After the benchmark table the median of
// repeated runs of each is printed in milliseconds; the last line,
// "keystroke_ms:", is the slower of the two. TULVO_BENCH_NODES sets the
// number of rows (CTest uses few).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "framework/core/text/text.h"
#include "framework/gui/application/application.h"
#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_column.h"

namespace {

// A row that knows its number; its text is kept beside the others, as a
// text node keeps its cells.
class TNumberNode : public TdxTreeListNode {
 public:
  TNumberNode(TdxTreeListNodeOwner* owner, int number) : TdxTreeListNode(owner), Number(number) {}
  int Number;
};

class TBenchGrid : public TCustomdxTreeList {
 public:
  TBenchGrid() : TCustomdxTreeList(nullptr) {
    SetBorderStyle(bsNone);
    SetBounds(0, 0, 800, 600);
    auto column = std::make_unique<TdxTreeListColumn>(nullptr);
    column->SetTreeList(this);
    column->SetWidth(200);
    FColumn = std::move(column);
    SetOptionsEx(OptionsEx() | (1u << tloAutoSearch));
    const char* const stems[] = {"Иван", "Петр", "Сидор", "Кузнец", "Смирн", "Попов", "Волк", "Морозов"};
    for (const char* stem : stems) FStems.push_back(RU(stem));
  }
  ~TBenchGrid() override {
    ClearNodes();
    FColumn->SetTreeList(nullptr);
  }

  // Surnames from the stems with a number; the last row's is the only one
  // of its kind.
  void Load(int rows) {
    FTexts.reserve(static_cast<std::size_t>(rows));
    for (int i = 0; i + 1 < rows; ++i)
      FTexts.push_back(FStems[static_cast<std::size_t>(i) % FStems.size()] + RU("ов") + std::to_string(i % 1000));
    FTexts.push_back(RU("Юдашкин"));
    TdxTreeListUpdateLock lock(*this);
    for (int i = 0; i < rows; ++i) {
      FNextNumber = i;
      AddNode();
    }
    lock.Close();
  }

  std::unique_ptr<TdxTreeListNode> CreateNode() override {
    return std::make_unique<TNumberNode>(this, FNextNumber);
  }
  int GetImageIndex(const TdxTreeListNode*) const override { return -1; }
  int GetSelectedIndex(const TdxTreeListNode*) const override { return -1; }
  int GetStateIndex(const TdxTreeListNode*) const override { return -1; }
  std::string GetCellText(const TdxTreeListNode* node, int) const override {
    return FTexts[static_cast<std::size_t>(static_cast<const TNumberNode*>(node)->Number)];
  }
  Variant GetCellVariant(const TdxTreeListNode* node, int column) const override {
    return Variant(GetCellText(node, column));
  }
  void SetCellText(TdxTreeListNode*, int, const std::string&) override {}

  // Back to the first row, no search running.
  void Reset() {
    EndAutoSearch();
    SetFocusedNodeAndColumn(FirstNode(), 0, true);
  }
  // One typed character, as the window gets it.
  void Type(char ch) { Perform(WM_CHAR, static_cast<unsigned char>(ch)); }

 private:
  std::unique_ptr<TdxTreeListColumn> FColumn;
  std::vector<std::string> FStems;
  std::vector<std::string> FTexts;
  int FNextNumber = 0;
};

int RowCount() {
  const char* value = std::getenv("TULVO_BENCH_NODES");
  return value != nullptr ? std::max(2, std::atoi(value)) : 1000000;
}

TBenchGrid& BenchGrid() {
  static TBenchGrid* grid = [] {
    auto* g = new TBenchGrid;  // lives until the process ends
    g->Load(RowCount());
    return g;
  }();
  return *grid;
}

const char FoundChar = RU("ю")[0];
const char MissingChar = RU("щ")[0];

void BM_KeystrokeFindingTheLastRow(benchmark::State& state) {
  TBenchGrid& grid = BenchGrid();
  for (auto _ : state) {
    state.PauseTiming();
    grid.Reset();
    state.ResumeTiming();
    grid.Type(FoundChar);
  }
  if (grid.FocusedNode() == grid.FirstNode()) state.SkipWithError("the last row was not found");
}
void BM_KeystrokeMatchingNothing(benchmark::State& state) {
  TBenchGrid& grid = BenchGrid();
  for (auto _ : state) {
    state.PauseTiming();
    grid.Reset();
    state.ResumeTiming();
    grid.Type(MissingChar);
  }
}

BENCHMARK(BM_KeystrokeFindingTheLastRow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeystrokeMatchingNothing)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TApplication application(argc, argv);
  if (!RunRegisteredBenchmarks(argc, argv)) return 1;

  TBenchGrid& grid = BenchGrid();
  const auto reset = [&] { grid.Reset(); };
  const double found = MedianMilliseconds(reset, [&] { grid.Type(FoundChar); });
  const double missing = MedianMilliseconds(reset, [&] { grid.Type(MissingChar); });
  std::printf("rows: %d\n", grid.VisibleNodeCount());
  std::printf("keystroke_finding_last_row_ms: %.2f\n", found);
  std::printf("keystroke_matching_nothing_ms: %.2f\n", missing);
  std::printf("keystroke_ms: %.2f\n", std::max(found, missing));
  return 0;
}
