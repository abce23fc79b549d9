// One screen of the tree list at 1024 x 768 over a million rows of eight
// columns (two bands, the first fixed on the left): laying it out and
// painting it, scrolling to the last row and painting, and painting after a
// column was resized. The work must follow the rows on screen, not the
// rows in the tree, so all three stay within a few milliseconds. The
// benchmarks run the three shapes; then each is timed on its own (median
// of repeated runs, processor time of the painting thread) and printed in
// milliseconds, the slowest last as "screen_ms:"; "screen_wall_ms:" gives
// the slowest in wall time. "ellipsis_ms:" paints one row whose 150-pixel
// cell holds 100,000 characters cut by the end ellipsis. TULVO_BENCH_NODES
// sets the number of rows (CTest uses few).

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
#include "framework/gui/application/application.h"
#include "framework/gui/graphics/bitmap.h"
#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_bands.h"
#include "grid/tree_list/tree_list_column.h"

namespace {

constexpr int ColumnTotal = 8;

// A row that knows only its number; the cell texts are made from it.
class TNumberNode : public TdxTreeListNode {
 public:
  TNumberNode(TdxTreeListNodeOwner* owner, int number) : TdxTreeListNode(owner), Number(number) {}
  int Number;
};

class TBenchGrid : public TCustomdxTreeList {
 public:
  TBenchGrid() : TCustomdxTreeList(nullptr) {
    SetBorderStyle(bsNone);
    SetBounds(0, 0, 1024, 768);
    SetShowBands(true);
    SetShowIndicator(true);
    SetShowGrid(true);
    TdxTreeListUpdateLock lock(*this);
    Bands().Items(0)->SetFixed(bfLeft);
    Bands().Items(0)->SetCaption("Left");
    Bands().Add()->SetCaption("Main");
    for (int i = 0; i < ColumnTotal; ++i) {
      auto column = std::make_unique<TdxTreeListColumn>(nullptr);
      column->SetTreeList(this);
      column->SetBandIndex(i < 2 ? 0 : 1);
      column->SetCaption("Column " + std::to_string(i));
      column->SetWidth(90 + 10 * i);
      FColumns.push_back(std::move(column));
    }
    lock.Close();
  }
  ~TBenchGrid() override {
    ClearNodes();
    for (auto& column : FColumns) column->SetTreeList(nullptr);
  }

  void Load(int rows) {
    TdxTreeListUpdateLock lock(*this);
    for (int i = 0; i < rows; ++i) {
      FNextNumber = i;
      AddNode();
    }
    lock.Close();
  }
  TdxTreeListColumn& Column(int i) { return *FColumns[static_cast<std::size_t>(i)]; }
  using TCustomdxTreeList::PaintTo;
  using TCustomdxTreeList::SetShowIndicator;
  // When set, column 3 of every row shows this text.
  std::string LongText;

  std::unique_ptr<TdxTreeListNode> CreateNode() override {
    return std::make_unique<TNumberNode>(this, FNextNumber);
  }
  int GetImageIndex(const TdxTreeListNode*) const override { return -1; }
  int GetSelectedIndex(const TdxTreeListNode*) const override { return -1; }
  int GetStateIndex(const TdxTreeListNode*) const override { return -1; }
  std::string GetCellText(const TdxTreeListNode* node, int column) const override {
    const int number = static_cast<const TNumberNode*>(node)->Number;
    if (column == 3 && !LongText.empty()) return LongText;
    return column == 0 ? std::to_string(number) : "Cell " + std::to_string(number) + "/" + std::to_string(column);
  }
  Variant GetCellVariant(const TdxTreeListNode* node, int column) const override {
    return Variant(GetCellText(node, column));
  }
  void SetCellText(TdxTreeListNode*, int, const std::string&) override {}

 private:
  std::vector<std::unique_ptr<TdxTreeListColumn>> FColumns;
  int FNextNumber = 0;
};

int RowCount() {
  const char* value = std::getenv("TULVO_BENCH_NODES");
  return value != nullptr ? std::max(1, std::atoi(value)) : 1000000;
}

// The grid and its picture, made once for every benchmark.
struct TBenchScreen {
  TBenchGrid Grid;
  TBitmap Picture{1024, 768};
  int PageRows = 1;
  int Width = 0;

  TBenchScreen() {
    Grid.Load(RowCount());
    PageRows = std::max(1, (Grid.GetRowsAreaRect().Height()) / Grid.Metrics().RowLineHeight);
  }
  void Paint() { Grid.PaintTo(Picture.Canvas()); }
  void LayOutAndPaintFirstScreen() {
    Grid.SetTopVisibleNode(Grid.FirstNode());
    Paint();
  }
  void ScrollToTheLastRowAndPaint() {
    // The rows down there were never measured: no cached heights help.
    Grid.ResetRowHeights();
    Grid.SetTopVisibleNode(Grid.GetAbsoluteNode(std::max(0, Grid.VisibleNodeCount() - PageRows)));
    Paint();
  }
  void ResizeAColumnAndPaint() {
    Width = Width == 150 ? 170 : 150;
    Grid.Column(3).SetWidth(Width);
    Paint();
  }
};

// One row whose 150-pixel cell holds 100,000 characters, drawn with the
// end ellipsis: the cut must cost what fits, not what the text holds.
struct TEllipsisScreen {
  TBenchGrid Grid;
  TBitmap Picture{1024, 768};

  TEllipsisScreen() {
    for (int i = 0; i < 100000; ++i) Grid.LongText += static_cast<char>(i % 9 == 8 ? ' ' : 'a' + i % 26);
    Grid.SetOptions(Grid.Options() | (1u << static_cast<int>(tloDrawEndEllipsis)));
    Grid.Column(3).SetWidth(150);
    Grid.Load(1);
  }
  void Paint() { Grid.PaintTo(Picture.Canvas()); }
};

TBenchScreen& BenchScreen() {
  static TBenchScreen* screen = new TBenchScreen;  // lives until the process ends
  return *screen;
}

void BM_LayOutAndPaintOneScreen(benchmark::State& state) {
  for (auto _ : state) BenchScreen().LayOutAndPaintFirstScreen();
}
void BM_ScrollToTheLastRowAndPaint(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    BenchScreen().Grid.SetTopVisibleNode(BenchScreen().Grid.FirstNode());
    state.ResumeTiming();
    BenchScreen().ScrollToTheLastRowAndPaint();
  }
}
void BM_PaintAfterAColumnResize(benchmark::State& state) {
  for (auto _ : state) BenchScreen().ResizeAColumnAndPaint();
}

void BM_PaintARowCutByTheEllipsis(benchmark::State& state) {
  static TEllipsisScreen* screen = new TEllipsisScreen;  // lives until the process ends
  for (auto _ : state) screen->Paint();
}

BENCHMARK(BM_PaintARowCutByTheEllipsis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayOutAndPaintOneScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollToTheLastRowAndPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintAfterAColumnResize)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TApplication application(argc, argv);
  if (!RunRegisteredBenchmarks(argc, argv)) return 1;

  TBenchScreen& screen = BenchScreen();
  TEllipsisScreen ellipsis;
  const auto nothing = [] {};
  const auto toTheTop = [&] { screen.Grid.SetTopVisibleNode(screen.Grid.FirstNode()); };
  const auto layOut = [&] { screen.LayOutAndPaintFirstScreen(); };
  const auto scroll = [&] { screen.ScrollToTheLastRowAndPaint(); };
  const auto resize = [&] { screen.ResizeAColumnAndPaint(); };
  const auto cut = [&] { ellipsis.Paint(); };
  // Processor time of the painting thread: on a machine busy with other
  // work, wall time mostly measures the wait for a processor.
  const double layoutMs = MedianThreadCpuMilliseconds(nothing, layOut, 15);
  const double scrollMs = MedianThreadCpuMilliseconds(toTheTop, scroll, 15);
  const double resizeMs = MedianThreadCpuMilliseconds(nothing, resize, 15);
  const double ellipsisMs = MedianThreadCpuMilliseconds(nothing, cut, 15);
  const double wallMs = std::max({MedianMilliseconds(nothing, layOut, 15), MedianMilliseconds(toTheTop, scroll, 15),
                                  MedianMilliseconds(nothing, resize, 15)});
  std::printf("rows: %d\n", screen.Grid.VisibleNodeCount());
  std::printf("layout_and_paint_ms: %.2f\n", layoutMs);
  std::printf("scroll_to_last_and_paint_ms: %.2f\n", scrollMs);
  std::printf("column_resize_and_paint_ms: %.2f\n", resizeMs);
  std::printf("screen_wall_ms: %.2f\n", wallMs);
  std::printf("ellipsis_ms: %.2f\n", ellipsisMs);
  std::printf("screen_ms: %.2f\n", std::max({layoutMs, scrollMs, resizeMs}));
  return 0;
}
