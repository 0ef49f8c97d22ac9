// Key search throughput: SearchTag over a whole generated log, once per start mode.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>

#include "bench/LogGenerator.h"
#include "engine/search/CSearcher.h"
#include "engine/search/SeparatorGrammar.h"

namespace {

constexpr std::size_t kLogBytes = 32u << 20;

const bench::GeneratedLog& Log(bench::LogVariant variant) {
  static std::map<bench::LogVariant, bench::GeneratedLog> logs;
  auto it = logs.find(variant);
  if (it == logs.end()) it = logs.emplace(variant, bench::GenerateLog(variant, kLogBytes)).first;
  return it->second;
}

// Every tag the mode holds is completed through its '>', as in a conversion.
void BM_KeySearch(benchmark::State& state, bench::LogVariant variant) {
  const auto mode = static_cast<std::uint8_t>(state.range(0));
  const std::string& bytes = Log(variant).bytes;
  engine::CSearcher searcher;
  engine::RegisterSeparatorGrammar(searcher, bench::kUserSeparatorSjis);
  searcher.m_bAutoClose = false;
  std::size_t matches = 0;
  for (auto _ : state) {
    searcher.SetBuffer(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    while (searcher.SearchTag(mode) == engine::SearchResult::kFound) ++matches;
    benchmark::DoNotOptimize(searcher.m_nPos);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
  state.counters["matches"] =
      benchmark::Counter(static_cast<double>(matches), benchmark::Counter::kAvgIterations);
}

// The start modes: 3 (<HR>), 5 (user + <HR>), 6 (tables + <HR>), 7 (tables), 9, 10, 11 (user).
BENCHMARK_CAPTURE(BM_KeySearch, hr_log, bench::LogVariant::kHr)
    ->Arg(3)
    ->Arg(5)
    ->Arg(6)
    ->Arg(7)
    ->Arg(9)
    ->Arg(10)
    ->Arg(11)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_KeySearch, table_log, bench::LogVariant::kTable)
    ->Arg(6)
    ->Arg(7)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_KeySearch, user_log, bench::LogVariant::kUser)
    ->Arg(11)
    ->Unit(benchmark::kMillisecond);

}  // namespace
