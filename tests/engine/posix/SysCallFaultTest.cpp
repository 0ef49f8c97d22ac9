// Runs whose system calls fail or stop them where no real file would: the POSIX call table.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/uio.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
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

// A run asked to stop inside a large file stops within a few megabytes, in the split or
// while it writes, or at its end, where it waits while a front end asks whether to stop;
// it leaves the output as it was and says so. One left alone counts its progress up to the
// total, never backwards.
TEST(RunDriver, StopsInsideALargeFileAndCountsProgress) {
  std::string log = "<HTML><BODY>";
  while (log.size() < (24u << 20))
    log += "<dl>a post of some length, " + std::string(100, 'p') + "</dl><HR>";
  log += "</BODY></HTML>";
  platform::SysCalls calls = platform::PosixSysCalls();
  calls.writev = [](int fd, const iovec* iov, int n) -> ssize_t {
    if (g_stopOnWrite) g_flag->store(1);
    return ::writev(fd, iov, n);
  };
  calls.write = [](int fd, const void* data, size_t n) -> ssize_t {
    if (g_stopOnWrite) g_flag->store(1);
    return ::write(fd, data, n);
  };
  calls.pwritev = [](int fd, const iovec* iov, int n, off_t at) -> ssize_t {
    if (g_stopOnWrite) g_flag->store(1);
    return ::pwritev(fd, iov, n, at);
  };
  platform::ScopedSysCalls scoped(calls);
  const std::uint64_t total = 2 * (log.size() + log.size());
  // Where the flag is set, in units of work (two per input byte); none: not at all. Without
  // layer 1 reversed, each body is written unchanged, as one range. Asked: set by a front
  // end that holds the gate, once the run waits there.
  const std::tuple<const char*, std::optional<std::uint64_t>, bool, bool, bool> rows[] = {
      {"left_alone", std::nullopt, false, true, false},
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
    if (!stopAt && !bOnWrite && !bAsked) {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(ex.GetProgress().nDone, total);
      // The second header and the first trailer give way to the 14-byte line between files.
      EXPECT_EQ(ReadFile(dir.File("out.html")).size(), 2 * log.size() - 26 + 14);
      continue;
    }
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

// For the row under test: the open fails with this errno, or the file claims this size.
int g_fault = 0;
off_t g_size = -1;

// Every message names the file, and says the OS cause where there is one.
TEST(InputLoading, ReportsEachKindOfFailure) {
  testing_support::TempDir dir;
  const std::string file = dir.Write("a.html", "<HTML>");
  ::mkfifo(dir.File("fifo").c_str(), 0600);
  const std::string open = "ファイルをオープンできません\n";
  const std::string tooLarge =
      "ファイルが大きすぎます\n変換できるのは 4,294,967,294 バイトまでのファイルです\nファイル: ";
  struct Row {
    std::string path;
    int fault;
    std::string message;  // then the path and the cause of `err`
    int err = 0;
    off_t size = -1;
  };
  const Row rows[] = {
      {file, 0, ""},
      {file, 0, "", 0, 0xFFFFFFFE},
      {file, 0, tooLarge, 0, 0xFFFFFFFF},
      {dir.File("missing.html"), 0, open + "ファイル未定義", ENOENT},
      {dir.File("no/such/folder/a.html"), 0, open + "不正パス", ENOENT},
      {file + "/x", 0, open + "不正パス", ENOTDIR},
      {"", 0, open + "不正パス", ENOENT},
      {dir.File("fifo"), 0, open + "ファイル アクセス禁止", EINVAL},  // must not block
      {file, EROFS, open + "ファイル アクセス禁止", EROFS},
      {file, ENFILE, open + "オープン ファイル数超過", ENFILE},
      {file, EINVAL, open + "未定義エラー", EINVAL},
  };
  platform::SysCalls calls = platform::PosixSysCalls();
  calls.open = [](const char* path, int flags, mode_t mode) -> int {
    if (g_fault == 0) return platform::PosixSysCalls().open(path, flags, mode);
    errno = g_fault;
    return -1;
  };
  calls.fstat = [](int fd, struct stat* st) -> int {
    const int r = ::fstat(fd, st);
    if (g_size >= 0) st->st_size = g_size;
    return r;
  };
  platform::ScopedSysCalls scoped(calls);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path + " " + std::to_string(row.fault) + " " + std::to_string(row.size));
    g_fault = row.fault;
    g_size = row.size;
    MessageRecorder rec;
    CExecutor ex;
    ex.SetInputFiles({row.path});
    const int result = ex.OpenInputFile(0);
    std::string message = row.message;
    if (row.size > 0xFFFFFFFE) message += row.path + "\n大きさ: 4294967295 バイト";
    if (row.err != 0)
      message += "\nファイル: " + row.path + "\n原因: " + platform::OsErrorText(row.err);
    EXPECT_EQ(rec.Texts(),
              message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
    EXPECT_EQ(result, message.empty() ? 0 : -1);
    EXPECT_EQ(ex.HoldsFiles(), message.empty());
    ex.CloseFiles();
  }
  g_fault = 0;
  g_size = -1;
}

}  // namespace
}  // namespace engine
