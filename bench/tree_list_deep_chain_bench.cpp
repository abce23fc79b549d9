// A chain of nodes 200,000 levels deep in the tree list control (each node
// the only child of the one before): built child by child, expanded whole,
// painted with its last rows in view, freed from its middle while its last
// node has the focus, and freed whole.
// Every step must cost about the same per level whatever the depth, and
// none may recurse once per level.
//
//   bench_tree_list_deep_chain [--rows=N] [benchmark flags]
//
// N (the depth) is 200,000 unless given here or in TULVO_BENCH_ROWS. After
// the benchmark table the median of repeated runs of each step is printed
// in milliseconds; the last line, "deep_chain_ms:", is building and freeing
// the whole chain (target 1000).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "framework/gui/application/application.h"
#include "framework/gui/graphics/bitmap.h"
#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_column.h"

namespace {

class TChainGrid : public TCustomdxTreeList {
 public:
  TChainGrid() : TCustomdxTreeList(nullptr) {
    SetBorderStyle(bsNone);
    SetBounds(0, 0, 800, 600);
    FColumn = std::make_unique<TdxTreeListColumn>(nullptr);
    FColumn->SetTreeList(this);
    FColumn->SetWidth(200);
  }
  using TCustomdxTreeList::PaintTo;
  ~TChainGrid() override {
    ClearNodes();
    FColumn->SetTreeList(nullptr);
  }

  std::unique_ptr<TdxTreeListNode> CreateNode() override { return std::make_unique<TdxTreeListNode>(this); }
  int GetImageIndex(const TdxTreeListNode*) const override { return -1; }
  int GetSelectedIndex(const TdxTreeListNode*) const override { return -1; }
  int GetStateIndex(const TdxTreeListNode*) const override { return -1; }
  std::string GetCellText(const TdxTreeListNode*, int) const override { return "level"; }
  Variant GetCellVariant(const TdxTreeListNode* node, int column) const override {
    return Variant(GetCellText(node, column));
  }
  void SetCellText(TdxTreeListNode*, int, const std::string&) override {}

  // The chain, one AddChild per level, outside any update lock (as a
  // program adding nodes one by one does).
  std::vector<TdxTreeListNode*> Build(int depth) {
    std::vector<TdxTreeListNode*> chain{AddNode()};
    chain.reserve(static_cast<std::size_t>(depth));
    for (int i = 1; i < depth; ++i) chain.push_back(chain.back()->AddChild());
    return chain;
  }

 private:
  std::unique_ptr<TdxTreeListColumn> FColumn;
};

int Depth = 200000;

void BM_BuildAndFreeDeepChain(benchmark::State& state) {
  TChainGrid grid;
  for (auto _ : state) {
    std::vector<TdxTreeListNode*> chain = grid.Build(Depth);
    chain[0]->Free();
  }
}
BENCHMARK(BM_BuildAndFreeDeepChain)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Depth = BenchRowCount(argc, argv, 200000);
  TApplication application(argc, argv);
  if (!RunRegisteredBenchmarks(argc, argv)) return 1;

  TChainGrid grid;
  std::vector<TdxTreeListNode*> chain;
  const auto clear = [&] {
    grid.ClearNodes();
    chain.clear();
  };
  const auto built = [&] {
    clear();
    chain = grid.Build(Depth);
  };
  const auto focusedAtEnd = [&] {
    built();
    chain[0]->Expand(true);
    grid.SetFocusedNodeAndColumn(chain.back(), 0, true);
  };
  const double build = MedianMilliseconds(clear, [&] { chain = grid.Build(Depth); }, 5);
  const double expand = MedianMilliseconds(built, [&] { chain[0]->Expand(true); }, 5);
  TBitmap picture(800, 600);
  const double paint = MedianMilliseconds(focusedAtEnd, [&] { grid.PaintTo(picture.Canvas()); }, 5);
  const double freeMiddle = MedianMilliseconds(focusedAtEnd, [&] { chain[chain.size() / 2]->Free(); }, 5);
  const double freeWhole = MedianMilliseconds(built, [&] { chain[0]->Free(); }, 5);
  const double whole = MedianMilliseconds(clear,
                                          [&] {
                                            chain = grid.Build(Depth);
                                            chain[0]->Free();
                                          },
                                          5);
  std::printf("depth: %d\n", Depth);
  std::printf("deep_chain_build_ms: %.1f\n", build);
  std::printf("deep_chain_expand_ms: %.1f\n", expand);
  std::printf("deep_chain_paint_last_rows_ms: %.1f\n", paint);
  std::printf("deep_chain_free_middle_focused_ms: %.1f\n", freeMiddle);
  std::printf("deep_chain_free_ms: %.1f\n", freeWhole);
  std::printf("deep_chain_ms: %.1f\n", whole);
  return 0;
}
