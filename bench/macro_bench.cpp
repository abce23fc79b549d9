// Substituting macros into a statement's text, as every prepare after a
// change of a macro's value does, against the baseline of joining the same
// pieces by hand. The macro occurs N times and its value holds its own token
// twice: the work must grow with the text, whatever the value holds (the
// reported complexity should be about O(N)).

#include <benchmark/benchmark.h>

#include <string>

#include "dbaccess/sql/sql_params.h"
#include "dbaccess/statement/query.h"
#include "framework/core/component/strings.h"

namespace {

const std::string Value = "NAME = '@m' or NAME = '@m x'";

std::string TextWith(int occurrences) {
  std::string text = "select A from T where 1=1";
  for (int i = 0; i < occurrences; ++i) text += " or @@m%0=1@";
  return text;
}

void BM_SubstituteMacros(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TFIBQuery query(nullptr);
  query.SQL().SetText(TextWith(n));
  TFIBXSQLDA& params = query.Params();
  for (int i = 0; i < params.Count(); ++i) params[i].SetAsString(Value);
  const std::string& normalized = query.NormalizedSQL();
  std::size_t length = 0;
  for (auto _ : state) {
    const std::string sent = SubstituteMacros(normalized, '@', params);
    length = sent.size();
    benchmark::DoNotOptimize(sent.data());
  }
  state.SetComplexityN(n);
  state.counters["bytes"] = static_cast<double>(length);
}
BENCHMARK(BM_SubstituteMacros)->RangeMultiplier(4)->Range(12, 12 << 8)->Complexity();

// The least any substitution does: the same result joined from its pieces.
void BM_JoinPiecesByHand(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string replacement = " " + Value + " ";
  for (auto _ : state) {
    std::string sent = " SELECT A FROM T WHERE 1 = 1";
    for (int i = 0; i < n; ++i) sent += " OR " + replacement;
    benchmark::DoNotOptimize(sent.data());
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_JoinPiecesByHand)->RangeMultiplier(4)->Range(12, 12 << 8)->Complexity();

}  // namespace
