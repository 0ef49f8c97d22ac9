// The outline's own work on a split table log: making each section's text, and printing
// the lines, without the split and the output file around them. Bytes: the log's.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/LogGenerator.h"
#include "cli/OutlinePrinter.h"
#include "engine/run/CExecutor.h"
#include "engine/search/SeparatorGrammar.h"
#include "engine/sections/OutlineStream.h"
#include "engine/sections/OutlineTexts.h"
#include "platform/File.h"

namespace {

constexpr std::size_t kLogBytes = 32u << 20;

// The table log's sections, depth first, with the bytes they lie in.
struct SplitLog {
  engine::FileOutline file;
  std::vector<engine::OutlineSection> sections;  // without their children
  std::size_t nBytes = 0;
  const char* error = nullptr;
};

void Flatten(std::vector<engine::OutlineSection>& from, std::vector<engine::OutlineSection>& to) {
  for (engine::OutlineSection& s : from) {
    std::vector<engine::OutlineSection> children = std::move(s.children);
    s.children.clear();
    to.push_back(std::move(s));
    Flatten(children, to);
  }
}

const SplitLog& TableLog() {
  static const SplitLog split = [] {
    SplitLog r;
    const bench::GeneratedLog log = bench::GenerateLog(bench::LogVariant::kTable, kLogBytes);
    r.nBytes = log.bytes.size();
    const char* dir = std::getenv("TMPDIR");
    const std::string input = std::string(dir && *dir ? dir : "/tmp") + "/velmorant-bench-" +
                              std::to_string(::getpid()) + "-outline.html";
    {
      platform::CFile f;
      platform::CFileException e;
      if (!f.Open(input, platform::CFile::modeCreate | platform::CFile::modeWrite, &e)) {
        r.error = "cannot write the input";
        return r;
      }
      f.Write(log.bytes.data(), log.bytes.size());
      f.Close();
    }
    engine::CExecutor ex;
    engine::RegisterSeparatorGrammar(ex.m_searcher, "");
    ex.m_nStartMode = engine::StartModeFor(0, 0);
    ex.m_byLayerLimit = 3;
    for (int l = 1; l <= 3; ++l) ex.m_abyReverse[l] = 1;
    ex.m_bSeparatorFirst = true;
    ex.m_bOutlineKeepsBytes = true;
    ex.SetInputFiles({input});
    const int result = ex.Outline([&](engine::FileOutline& f) { r.file = std::move(f); });
    std::remove(input.c_str());
    if (result != 0 || !r.file.bytes) {
      r.error = "the log did not split";
      return r;
    }
    Flatten(r.file.sections, r.sections);
    return r;
  }();
  return split;
}

// Every section's text, in file order, as one thread of an outline makes them.
void BM_OutlineTexts(benchmark::State& state) {
  const SplitLog& log = TableLog();
  if (log.error) {
    state.SkipWithError(log.error);
    return;
  }
  engine::OutlineBatch batch;
  for (const engine::OutlineSection& s : log.sections) {
    engine::OutlineEntry& e = batch.entries.emplace_back();
    e.nOffset = static_cast<engine::Offset>(s.nOffset);
    e.nLength = static_cast<engine::Offset>(s.nLength);
    e.nLayer = static_cast<std::uint8_t>(s.nLayer);
  }
  batch.nEnd = log.sections.back().nOffset + log.sections.back().nLength;
  engine::COutlineBytes bytes(log.file.bytes.get(), platform::kNoFileHandle);
  std::string text;
  std::size_t made = 0;
  for (auto _ : state) {
    engine::OutlineTextCache cache;
    batch.texts.clear();
    engine::MakeBatchTexts(batch, bytes, engine::TextEncoding::kShiftJis, cache, text);
    made += batch.texts.size();
  }
  benchmark::DoNotOptimize(made);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log.nBytes));
}
BENCHMARK(BM_OutlineTexts)->Unit(benchmark::kMillisecond);

// Every section's line, its text made beforehand, into chunks that go nowhere.
void BM_OutlinePrint(benchmark::State& state) {
  const SplitLog& log = TableLog();
  if (log.error) {
    state.SkipWithError(log.error);
    return;
  }
  std::vector<engine::OutlineSection> sections = log.sections;
  engine::OutlineTextCache cache;
  for (engine::OutlineSection& s : sections) {
    engine::MakeOutlineText(log.file.bytes.get(), 0, s.nOffset, s.nLength,
                            engine::TextEncoding::kShiftJis, cache, s.strText);
  }
  std::size_t bytes = 0;
  cli::TextOutlinePrinter printer([&](const std::string& chunk) { bytes += chunk.size(); });
  for (auto _ : state) {
    for (const engine::OutlineSection& s : sections) printer.Add(s, false);
  }
  benchmark::DoNotOptimize(bytes);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log.nBytes));
}
BENCHMARK(BM_OutlinePrint)->Unit(benchmark::kMillisecond);

}  // namespace
