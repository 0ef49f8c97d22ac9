// A run stopped from inside its system calls, where no real file would stop it.
#include <gtest/gtest.h>
#include <sys/uio.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <tuple>

#include "engine/run/CExecutor.h"
#include "platform/posix/SysCalls.h"
#include "tests/support/Conversion.h"
#include "tests/support/MessageRecorder.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // designated settings

namespace engine {
namespace {

using testing_support::MessageRecorder;
using testing_support::ReadFile;

bool g_stopOnWrite = false;  // the first write of the output sets the flag
std::atomic<int>* g_flag = nullptr;

// A write of the output, setting the flag first when asked.
template <auto write, typename... Args>
ssize_t FlaggingWrite(Args... args) {
  if (g_stopOnWrite) g_flag->store(1);
  return write(args...);
}

// A run asked to stop inside a large file stops within a few megabytes, in the split or
// while it writes, or at its end, where it waits while a front end asks whether to stop;
// it leaves the output as it was and says so. Its progress never goes backwards. (One left
// alone: the golden cases, whose progress lines reach the total.)
TEST(RunDriver, StopsInsideALargeFileAndCountsProgress) {
  const std::string log = testing_support::MakeBoardLog(24u << 20);
  platform::SysCalls calls = platform::PosixSysCalls();
  calls.writev = FlaggingWrite<::writev>;
  calls.write = FlaggingWrite<::write>;
  calls.pwritev = FlaggingWrite<::pwritev>;
  platform::ScopedSysCalls scoped(calls);
  const std::uint64_t total = 2 * (log.size() + log.size());
  // Where the flag is set, in units of work (two per input byte); none: not at all. Without
  // layer 1 reversed, each body is written unchanged, as one range. Asked: set by a front
  // end that holds the gate, once the run waits there.
  const std::tuple<const char*, std::optional<std::uint64_t>, bool, bool, bool> rows[] = {
      {"during_the_first_split", std::uint64_t{8} << 20, false, true, false},
      {"during_the_second_split", 2 * log.size() + (8 << 20), false, true, false},
      {"while_writing", std::nullopt, true, true, false},
      {"while_writing_a_body_unchanged", std::nullopt, true, false, false},
      {"asked_while_it_ends", std::nullopt, false, true, true},
  };
  for (const auto& [name, stopAt, bOnWrite, bReverse, bAsked] : rows) {
    SCOPED_TRACE(name);
    testing_support::TempDir dir;
    CExecutor ex;
    testing_support::Apply(
        {.kind = 2, .reverse = bReverse ? std::vector<int>{1} : std::vector<int>{}}, ex);
    std::atomic<int> abort{0};
    g_flag = &abort;
    g_stopOnWrite = bOnWrite;
    ex.m_pAbortFlag = &abort;
    ex.m_strOutputPath = dir.Write("out.html", "old");
    ex.SetInputFiles({dir.Write("a.html", log), dir.Write("b.html", log)});
    std::vector<std::uint64_t> seen;
    std::uint64_t flagged = 0;  // the progress when the split set the flag
    const auto inner = ex.m_searcher.m_checkpoint;
    ex.m_searcher.m_checkpoint = [&](std::size_t pos) {
      seen.push_back(ex.GetProgress().nDone);
      if (stopAt && seen.back() >= *stopAt && abort.exchange(1) == 0) flagged = seen.back();
      return inner(pos);
    };
    ASSERT_TRUE(!bAsked || ex.m_commitGate.Hold());
    std::atomic<bool> bEnded = false;  // a run that does not wait must not hang the test
    std::thread asker([&] {
      while (bAsked && !ex.m_commitGate.HasWaiter() && !bEnded) std::this_thread::yield();
      if (bAsked) abort.store(1);
      ex.m_commitGate.Release();
    });
    MessageRecorder rec;
    const int result = ex.Run();
    bEnded = true;
    asker.join();
    ex.CloseFiles();
    g_stopOnWrite = false;
    EXPECT_FALSE(ex.m_commitGate.Hold());  // the run is over: nothing left to hold back
    EXPECT_EQ(ex.GetProgress().nTotal, total);
    EXPECT_TRUE(std::ranges::is_sorted(seen));
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(ex.Stopped());
    EXPECT_EQ(ReadFile(dir.File("out.html")), "old");
    // Stopped within a step of where the flag was set (the output is written while the
    // file is split: both count).
    const std::uint64_t at = bAsked ? total : stopAt ? flagged : log.size();
    EXPECT_LE(ex.GetProgress().nDone, at + 2 * CSearcher::kCheckpointStep);
    EXPECT_EQ(ex.StopReport(), "\n出力ファイルは実行前のままです: " + dir.File("out.html"));
  }
}

}  // namespace
}  // namespace engine
