// Writer throughput: the file writer alone (ranges copied into its buffer, or kept where
// they lie and gathered), and the reordered output of a whole split log, to /dev/null
// (user-space cost only: nothing is copied there) and to a file (with the kernel's copy).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/LogGenerator.h"
#include "engine/run/CExecutor.h"
#include "engine/search/SeparatorGrammar.h"
#include "platform/File.h"

namespace {

constexpr std::size_t kLogBytes = 32u << 20;
constexpr unsigned kCreate = platform::CFile::modeCreate | platform::CFile::modeWrite;

std::string TempPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/velmorant-bench-" +
         std::to_string(::getpid()) + "-" + name;
}

const bench::GeneratedLog& HrLog() {
  static const bench::GeneratedLog log = bench::GenerateLog(bench::LogVariant::kHr, kLogBytes);
  return log;
}

// The ranges a reversed <HR> log is written in: each post, then its separator, last first.
void BM_FileWriteRanges(benchmark::State& state, const char* target, bool bKept) {
  const bench::GeneratedLog& log = HrLog();
  const std::string path = target[0] == '/' ? target : TempPath(target);
  for (auto _ : state) {
    platform::CFile f;
    platform::CFileException e;
    if (!f.Open(path, kCreate, &e)) {
      state.SkipWithError("cannot open the output");
      return;
    }
    for (std::size_t i = log.posts.size(); i-- > 0;) {
      const bench::PostSpan& p = log.posts[i];
      const auto write = [&](std::size_t pos, std::size_t n) {
        bKept ? f.WriteKept(log.bytes.data() + pos, n) : f.Write(log.bytes.data() + pos, n);
      };
      if (p.separatorLength) write(p.separatorPos, p.separatorLength);
      write(p.start, p.length);
    }
    f.Close();
  }
  if (target[0] != '/') std::remove(path.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log.bytes.size()));
}
BENCHMARK_CAPTURE(BM_FileWriteRanges, copied_dev_null, "/dev/null", false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FileWriteRanges, copied_file, "ranges.html", false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FileWriteRanges, kept_file, "ranges.html", true)
    ->Unit(benchmark::kMillisecond);

}  // namespace

namespace engine {
// Splits the input once and writes its tree again and again, without the run around it.
struct WriterBenchAccess {
  CExecutor& ex;
  const char* SplitOnce() {
    if (ex.OpenInputFile(0) != 0) return "cannot open the input";
    ex.m_searcher.SetBuffer(ex.m_pFileData.get(), ex.m_nFileSize);
    if (ex.Split() != kSplitOk) return "the log did not split";
    ex.m_fileIn.Abort();
    ex.m_bInputOpen = false;
    return nullptr;
  }
  const char* WriteTo(const std::string& path) {
    platform::CFileException e;
    if (!ex.m_fileOut.Open(path, kCreate, &e)) return "cannot open the output";
    const int r = ex.WriteCluster(ex.m_rootCluster);
    ex.m_fileOut.Close();
    return r != 0 ? "a write failed" : nullptr;
  }
};
}  // namespace engine

namespace {

// WriteCluster over the tree of a split log, layer 1 reversed (layers 1 to 3 for tables).
void BM_WriteCluster(benchmark::State& state, bench::LogVariant variant, const char* target) {
  const bench::GeneratedLog log = bench::GenerateLog(variant, kLogBytes);
  const std::string input = TempPath("input.html");
  {
    platform::CFile f;
    platform::CFileException e;
    if (!f.Open(input, kCreate, &e)) {
      state.SkipWithError("cannot write the input");
      return;
    }
    f.Write(log.bytes.data(), log.bytes.size());
    f.Close();
  }
  engine::CExecutor ex;
  const bool bUser = variant == bench::LogVariant::kUser;
  engine::RegisterSeparatorGrammar(ex.m_searcher, bUser ? bench::kUserSeparatorSjis : "");
  const int kind = variant == bench::LogVariant::kHr ? 2 : bUser ? 3 : 0;
  ex.m_nStartMode = engine::StartModeFor(bUser ? 1 : 0, kind);
  ex.m_byLayerLimit = variant == bench::LogVariant::kTable ? 3 : 1;
  for (int l = 1; l <= ex.m_byLayerLimit; ++l) ex.m_abyReverse[l] = 1;
  ex.m_bSeparatorFirst = true;
  ex.SetInputFiles({input});
  engine::WriterBenchAccess access{ex};
  const char* error = access.SplitOnce();
  std::remove(input.c_str());
  if (error != nullptr) {
    state.SkipWithError(error);
    return;
  }

  const std::string path = target[0] == '/' ? target : TempPath(target);
  for (auto _ : state) {
    if (const char* e = access.WriteTo(path)) {
      state.SkipWithError(e);
      break;
    }
  }
  if (target[0] != '/') std::remove(path.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log.bytes.size()));
}
BENCHMARK_CAPTURE(BM_WriteCluster, hr_dev_null, bench::LogVariant::kHr, "/dev/null")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteCluster, table_dev_null, bench::LogVariant::kTable, "/dev/null")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteCluster, user_dev_null, bench::LogVariant::kUser, "/dev/null")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteCluster, hr_file, bench::LogVariant::kHr, "cluster.html")
    ->Unit(benchmark::kMillisecond);

}  // namespace
