// The real velmorant-cli, stopped or disturbed while it writes over an existing output: the
// old output stays byte for byte until a complete new one takes its place, and nothing
// else is left in the folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/Program.h"
#include "tests/support/TestFiles.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename());
  return names;
}

// A board log of about `mib` MiB whose posts stand between <HR> tags.
std::string BigLog(std::size_t mib) {
  const std::string post = "<dl><dt>name</dt><dd>" + std::string(160, 'x') + "</dd></dl><HR>\r\n";
  std::string log = "<HTML><BODY>\r\n";
  log.reserve((mib << 20) + 64);
  for (std::size_t i = 0; log.size() < (mib << 20); ++i) log += post;
  return log + "</BODY></HTML>";
}

// Starts velmorant-cli in `dir` with messages to dir/.err; returns its process id.
pid_t Start(const std::string& dir, const std::vector<std::string>& args) {
  return testing_support::StartProgram(VELMORANT_CLI_PATH, dir, args);
}

int Wait(pid_t pid) {
  return testing_support::WaitProgram(pid);
}

void Sleep(long microseconds) {
  const timespec t = {microseconds / 1000000, (microseconds % 1000000) * 1000};
  ::nanosleep(&t, nullptr);
}

const std::vector<std::string> kReverse = {"-q", "-f", "-k",       "2",      "-r",
                                           "1",  "-o", "out.html", "in.html"};

// Killed at any moment, by SIGKILL or by an interrupt, a run leaves the previous output and
// the folder as they were; one that finished first has written its whole output.
TEST(SafeOutput, KilledRunLeavesThePreviousOutput) {
  TempDir dir;
  dir.Write("in.html", BigLog(48));
  const std::string old = "the previous output\n";
  ASSERT_EQ(Wait(Start(dir.Path(), kReverse)), 0);
  const std::string complete = ReadFile(dir.File("out.html"));
  ASSERT_GT(complete.size(), std::size_t{48} << 20);
  int killed = 0;
  int tries = 0;
  for (const int sig : {SIGKILL, SIGINT, SIGTERM}) {
    for (const long delay : {0L, 1000L, 5000L, 15000L, 30000L, 60000L, 90000L}) {
      SCOPED_TRACE(std::to_string(sig) + " after " + std::to_string(delay) + " us");
      dir.Write("out.html", old);
      const auto names = Names(dir.Path());
      const pid_t pid = Start(dir.Path(), kReverse);
      Sleep(delay);
      ::kill(pid, sig);
      const int status = Wait(pid);
      ++tries;
      if (WIFSIGNALED(status)) {
        ++killed;
        EXPECT_EQ(WTERMSIG(status), sig);
        // A signal that comes after the new output was put in place ends the process on
        // its way out: the output is then the whole new one, never a part.
        const std::string now = ReadFile(dir.File("out.html"));
        EXPECT_TRUE(now == old || now == complete) << "the output holds a part of a run";
      } else {
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_TRUE(ReadFile(dir.File("out.html")) == complete) << "a finished run wrote a part";
      }
      EXPECT_EQ(Names(dir.Path()), names);
    }
  }
  // Most kills must land during the run, or the test shows nothing.
  EXPECT_GE(killed, tries / 2);
}

// Two runs on one output at the same time never mix: what is left is one of the two
// outputs, whole.
TEST(SafeOutput, ConcurrentRunsNeverMix) {
  TempDir dir;
  dir.Write("in.html", BigLog(8));
  const std::vector<std::string> inOrder = {"-q", "-f", "-k", "2", "-o", "out.html", "in.html"};
  ASSERT_EQ(Wait(Start(dir.Path(), kReverse)), 0);
  const std::string reversed = ReadFile(dir.File("out.html"));
  ASSERT_EQ(Wait(Start(dir.Path(), inOrder)), 0);
  const std::string ordered = ReadFile(dir.File("out.html"));
  ASSERT_NE(reversed, ordered);
  const auto names = Names(dir.Path());
  for (int round = 0; round < 6; ++round) {
    const pid_t a = Start(dir.Path(), round % 2 ? kReverse : inOrder);
    const pid_t b = Start(dir.Path(), round % 2 ? inOrder : kReverse);
    EXPECT_EQ(Wait(a), 0);
    EXPECT_EQ(Wait(b), 0);
    const std::string out = ReadFile(dir.File("out.html"));
    EXPECT_TRUE(out == reversed || out == ordered) << "round " << round << ": a mix";
    EXPECT_EQ(Names(dir.Path()), names);
  }
}

// A small real file system that fills up: the previous output, the free space and the
// folder are as before, and the message names the output and the cause.
TEST(SafeOutput, FullFileSystemLeavesThePreviousOutput) {
  TempDir dir;
  const std::string small = dir.File("small");
  std::filesystem::create_directory(small);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "cannot mount a small file system here (needs root)";
  }
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
  } unmount{small};
  dir.Write("in.html", BigLog(1));
  const std::string old(100 << 10, 'o');
  testing_support::WriteFile(small + "/out.html", old);
  struct statvfs before {};
  ASSERT_EQ(::statvfs(small.c_str(), &before), 0);
  const auto names = Names(small);
  const pid_t pid = Start(dir.Path(), {"-q", "-f", "-o", "small/out.html", "in.html"});
  const int status = Wait(pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_TRUE(ReadFile(small + "/out.html") == old);
  EXPECT_EQ(Names(small), names);
  struct statvfs after {};
  ASSERT_EQ(::statvfs(small.c_str(), &after), 0);
  EXPECT_EQ(after.f_bfree, before.f_bfree) << "space of the failed output is still taken";
  EXPECT_EQ(ReadFile(dir.File(".err")),
            "ファイルに書き込めません\nディスク フル\nファイル: small/out.html\n"
            "原因: ディスクに空きがありません (ENOSPC)\nエラーのため終了します\n"
            "出力ファイルは実行前のままです: small/out.html\n");
}

}  // namespace
