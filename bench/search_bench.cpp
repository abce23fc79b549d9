// A name search of the directory program, from the Enter key in the name
// box to the painted apartments grid, against the plain client-API loop
// fetching the same rows.
//
//   bench_search [PATH] [benchmark flags]
//
// PATH is a sample directory database (tools/sample_db PATH --apartments
// 1000000). Without PATH the program builds a small one in a temporary
// folder of its own. The real main form opens the database (through a link
// "base/phone_3.gdb" in a folder that plays the program's folder).
//
// Two searches: a name prefix that finds about 1,000 apartments and one
// that finds about 50,000 (on the large sample; the prefixes are chosen
// from the names the database holds, by counting them once at start). One
// round of the program: Enter in the name box runs the search (the
// organisations query, then the apartments query with every row loaded
// into the grid as a node), then the grid paints its screen. One round of
// the baseline: the plain client loop runs the two SELECT texts the
// program's datasets sent (their processed texts) and fetches every row.
// The summary takes the fastest of several alternating rounds, then shows
// the steps of the larger search timed one by one, and ends with
// "ratio: X.XX", program over baseline, for the larger search. Each search's
// line also gives the processor time of the program's own thread (the
// least of the rounds): the fetching runs on a thread of its own, and on a
// machine with no processor to spare the two take their sum.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/forms/main_form.h"
#include "app/search/search_conditions.h"
#include "bench/bench_support.h"
#include "bench/fetch_baseline.h"
#include "bench/search_program.h"
#include "datagrid/grid/db_grid.h"
#include "dbaccess/connection/app_database.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "dbaccess/statement/query.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/data/data_source.h"
#include "framework/core/text/text.h"
#include "framework/gui/application/application.h"
#include "framework/gui/controls/messages.h"
#include "framework/gui/standard/dialogs.h"
#include "framework/gui/standard/page_control.h"
#include "framework/gui/standard/std_controls.h"

namespace {

using namespace fetch_baseline;
using namespace search_program;

// The SELECT texts one search sent, fetched by the plain client loop.
class TPlainSearch {
 public:
  TPlainSearch(TSession& session, const std::vector<std::string>& texts) : FTexts(texts) {
    for (const std::string& text : FTexts)
      FStatements.push_back(std::make_unique<TPlainStatement>(session, text.c_str()));
  }
  // Rows of the first text (the apartments), every text fetched.
  [[gnu::noinline]] std::int64_t FetchAll(std::int64_t& sum) {
    std::int64_t first = -1;
    for (auto& statement : FStatements) {
      const std::int64_t rows = statement->FetchAll(sum);
      if (first < 0) first = rows;
    }
    return first;
  }

 private:
  std::vector<std::string> FTexts;
  std::vector<std::unique_ptr<TPlainStatement>> FStatements;
};

struct TCase {
  const char* Name;
  std::int64_t Target;
  TPrefix Prefix;
  std::vector<std::string> Texts;  // what the datasets sent
};

TProgram* Program = nullptr;
TSession* Session = nullptr;

void BM_Search(benchmark::State& state, const TCase* c) {
  std::int64_t rows = 0;
  for (auto _ : state) rows = Program->Round(c->Prefix.Text);
  state.SetItemsProcessed(state.iterations() * rows);
}

void BM_Plain(benchmark::State& state, const TCase* c) {
  TPlainSearch plain(*Session, c->Texts);
  std::int64_t rows = 0;
  for (auto _ : state) {
    std::int64_t sum = 0;
    rows = plain.FetchAll(sum);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * rows);
}

int Run(int argc, char** argv) {
  std::unique_ptr<TTemporaryFolder> folder;
  const std::string path = TakeOrBuildDatabase(argc, argv, folder, TTownSize{SmallTownRows, 200});
  TProgram program(path);
  Program = &program;
  TSession session(path);
  Session = &session;

  std::vector<TCase> cases = {{"Search/About1000", 1000, {}, {}}, {"Search/About50000", 50000, {}, {}}};
  for (TCase& c : cases) {
    c.Prefix = ChoosePrefix(program.Form(), c.Target);
    program.Round(c.Prefix.Text);
    c.Texts = {program.Form().fdsHome->SelectQuery().ProcessedSQL(),
               program.Form().fdsOrg->SelectQuery().ProcessedSQL()};
    std::printf("%s: prefix \"%s\", %lld apartments, %d organisations\n", c.Name,
                AnsiToUtf8(c.Prefix.Text).c_str(), static_cast<long long>(c.Prefix.Rows),
                program.Form().GridOrg->RecordCount());
  }
  for (const TCase& c : cases) {
    benchmark::RegisterBenchmark((std::string(c.Name) + "/EnterToPaintedGrid").c_str(), BM_Search, &c)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string(c.Name) + "/PlainClientLoop").c_str(), BM_Plain, &c)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  double ratio = 0;
  for (const TCase& c : cases) {
    TPlainSearch plain(session, c.Texts);
    double best = 0;
    double baseline = 0;
    double reader = 0;  // the program thread's processor time
    std::int64_t rows = 0;
    std::int64_t plainRows = 0;
    const int rounds = 5;
    for (int round = 0; round < rounds; ++round) {
      auto start = std::chrono::steady_clock::now();
      const double cpu = ThreadCpuSeconds();
      rows = program.Round(c.Prefix.Text);
      const double searched = Seconds(start);
      const double read = ThreadCpuSeconds() - cpu;
      if (round == 0 || read < reader) reader = read;
      start = std::chrono::steady_clock::now();
      std::int64_t sum = 0;
      plainRows = plain.FetchAll(sum);
      const double fetched = Seconds(start);
      if (round == 0 || searched < best) best = searched;
      if (round == 0 || fetched < baseline) baseline = fetched;
    }
    if (rows != plainRows) {
      std::fprintf(stderr, "bench_search: the grid holds %lld apartments, the plain loop fetched %lld\n",
                   static_cast<long long>(rows), static_cast<long long>(plainRows));
      return 1;
    }
    ratio = best / baseline;
    std::printf(
        "%s: %lld apartments: Enter to painted grid %.1f ms, plain client loop %.1f ms, ratio %.2f, "
        "program thread's processor %.1f ms\n",
        c.Name, static_cast<long long>(rows), best * 1e3, baseline * 1e3, ratio, reader * 1e3);
  }
  // Where the time of the larger search goes: its steps taken apart.
  program.Breakdown(cases.back().Prefix.Text);
  Program = nullptr;
  Session = nullptr;
  std::printf("ratio: %.2f\n", ratio);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return RunFetchBenchmark(
      "bench_search",
      [](int c, char** v) { return search_program::RunWithApplication("bench_search", Run, c, v); }, argc,
      argv);
}
