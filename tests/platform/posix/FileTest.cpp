#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/EndingSignals.h"
#include "platform/File.h"
#include "platform/FileBuffer.h"
#include "platform/FileException.h"
#include "platform/posix/SysCalls.h"
#include "tests/support/TestFiles.h"

namespace platform {
namespace {

using testing_support::FileNames;
using testing_support::ReadFile;
using testing_support::ReadIfExists;
using testing_support::TempDir;

constexpr unsigned kWrite = CFile::modeCreate | CFile::modeWrite;

// A FIFO without a reader must fail at once rather than block the run. (Other causes: the
// golden cases and the program's own hostile cases.)
TEST(File, FifoWithoutAReaderFailsAtOnce) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  CFile f;
  CFileException e;
  EXPECT_FALSE(f.Open(dir.File("fifo"), kWrite, &e));
  EXPECT_EQ(e.m_cause, CFileException::generic);
}

constexpr unsigned kReplace = kWrite | CFile::modeReplace;

bool s_noUnnamed = false;  // the file system cannot make unnamed files

int OpenWithoutUnnamed(const char* path, int flags, mode_t mode) {
  if (s_noUnnamed && (flags & O_TMPFILE) == O_TMPFILE) return errno = EOPNOTSUPP, -1;
  return ::open(path, flags, mode);
}

// A replaced file keeps its old bytes until Close and after Abort; Close puts the new
// bytes in place with the old permissions, through a symbolic link (which stays a link),
// and leaves no other name in the folder. Where unnamed files cannot be made, a hidden
// name stands in for them until then.
TEST(File, ReplacesOnlyWhenComplete) {
  struct Row {
    const char* name;
    const char* target;  // what the path names: "new", "file", "link", "dangling"
    bool bUnnamed;
    bool bAbort;
  };
  const Row rows[] = {
      {"existing_file", "file", true, false},     {"through_a_link", "link", true, false},
      {"dangling_link", "dangling", true, false}, {"named_new_file", "new", false, false},
      {"named_existing", "link", false, false},   {"named_aborted", "file", false, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    s_noUnnamed = !r.bUnnamed;
    SysCalls calls = PosixSysCalls();
    calls.open = OpenWithoutUnnamed;
    ScopedSysCalls scoped(calls);
    TempDir dir;
    ::mkdir(dir.File("real").c_str(), 0700);
    const std::string target =
        std::string(r.target) == "new" ? dir.File("out") : dir.File("real/out");
    if (std::string(r.target) == "file" || std::string(r.target) == "link") {
      dir.Write("real/out", "old bytes");
      ::chmod(target.c_str(), 0640);
      // Another user's file (the tests run as root, who may give it away).
      if (::geteuid() == 0) {
        ASSERT_EQ(::chown(target.c_str(), 4321, 5432), 0);
      }
    }
    std::string path = target;
    if (std::string(r.target) == "link" || std::string(r.target) == "dangling") {
      path = dir.File("link");
      ASSERT_EQ(::symlink("real/out", path.c_str()), 0);
    }
    const std::optional<std::string> before = ReadIfExists(target);
    const auto names = FileNames(dir.Path());
    const auto realNames = FileNames(dir.File("real"));

    CFile f;
    CFileException e;
    ASSERT_TRUE(f.Open(path, kReplace, &e)) << e.m_lOsError;
    EXPECT_TRUE(f.IsReplacing());
    f.Write("new", 3);
    f.Flush();
    EXPECT_EQ(ReadIfExists(target), before);
    const std::size_t hidden = r.bUnnamed ? 0 : 1;  // the stand-in's name, in the target's folder
    EXPECT_EQ(FileNames(dir.Path()).size() + FileNames(dir.File("real")).size(),
              names.size() + realNames.size() + hidden);
    r.bAbort ? f.Abort() : f.Close();

    EXPECT_EQ(ReadFile(target), r.bAbort ? *before : "new");
    auto after = FileNames(dir.Path());
    auto realAfter = FileNames(dir.File("real"));
    if (!before && !r.bAbort) (target == dir.File("out") ? after : realAfter).erase("out");
    EXPECT_EQ(after, names);
    EXPECT_EQ(realAfter, realNames);
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_EQ(S_ISLNK(st.st_mode), path != target);
    if (before) {
      ASSERT_EQ(::stat(target.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, 0640u);
      if (::geteuid() == 0) {
        EXPECT_EQ(std::pair(st.st_uid, st.st_gid), std::pair(4321u, 5432u));
      }
    }
  }
  s_noUnnamed = false;
}

int s_signal = 0;    // sent to the process itself inside a call:
int s_signalIn = 0;  // 1 linkat, 2 rename

// A run ended by a signal whose default action ends the process removes the stand-in's
// name; SIGKILL leaves nothing where unnamed files are made. In a program that ends when its
// run ends, a signal that comes while the new file is put in place ends it before the last
// step (the old file stays), or waits until it ends having reported success or until it
// opens its next file.
TEST(File, SignalEndsTheRunWithTheOldFileOrAfterTheNewOne) {
  struct Row {
    int sig;
    bool bUnnamed;
    int signalIn;  // 0: once the new bytes are written
    bool bOpensNext;
    int endedBy;  // 0: ends normally
    const char* after;
  };
  std::vector<Row> rows = {{SIGTERM, false, 2, false, 0, "new"},
                           {SIGTERM, false, 2, true, SIGTERM, "new"},
                           {SIGTERM, true, 1, false, SIGTERM, "old bytes"}};
  for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM,
                        SIGPROF, SIGXCPU, SIGPIPE, SIGRTMIN, SIGKILL}) {
    rows.push_back({sig, sig == SIGKILL, 0, false, sig, "old bytes"});
  }
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.sig) + " in " + std::to_string(r.signalIn));
    TempDir dir;
    const std::string target = dir.Write("out", "old bytes");
    const auto names = FileNames(dir.Path());
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      const rlimit noCore{0, 0};
      ::setrlimit(RLIMIT_CORE, &noCore);
      struct sigaction now {};
      if (::sigaction(r.sig, nullptr, &now) != 0 || now.sa_handler == SIG_IGN) ::_exit(77);
      HoldEndingSignalsAfterPlacing();
      s_noUnnamed = !r.bUnnamed;
      s_signal = r.sig;
      s_signalIn = r.signalIn;
      SysCalls calls = PosixSysCalls();
      calls.open = OpenWithoutUnnamed;
      calls.linkat = [](int from, const char* a, int to, const char* b, int flags) {
        if (s_signalIn == 1) ::raise(s_signal);
        return ::linkat(from, a, to, b, flags);
      };
      calls.rename = [](const char* a, const char* b) {
        if (s_signalIn == 2) ::raise(s_signal);
        return ::rename(a, b);
      };
      ScopedSysCalls scoped(calls);
      CFile f;
      if (!f.Open(target, kReplace, nullptr)) ::_exit(3);
      f.Write("new", 3);
      f.Flush();
      if (r.signalIn == 0) ::raise(r.sig);
      f.Close();
      if (r.bOpensNext) f.Open(dir.File("next"), kReplace, nullptr);
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
      std::printf("signal %d is ignored by whoever started the test: not tried\n", r.sig);
      continue;
    }
    EXPECT_EQ(WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status) << 8, r.endedBy);
    EXPECT_EQ(ReadFile(target), r.after);
    EXPECT_EQ(FileNames(dir.Path()), names);
  }
}

// A helper thread never takes an ending signal: one sent to the process while the main
// thread holds them back must wait for it, not end the program through the helper.
TEST(File, HelperThreadsTakeNoEndingSignal) {
  sigset_t inThread;
  StartThreadWithoutSignals([&] { ::pthread_sigmask(SIG_BLOCK, nullptr, &inThread); }).join();
  sigset_t here;
  ::pthread_sigmask(SIG_BLOCK, nullptr, &here);
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
    EXPECT_EQ(sigismember(&inThread, sig), 1) << sig;
    EXPECT_EQ(sigismember(&here, sig), 0) << sig;
  }
}

std::atomic<int> s_nWriting{0};
std::atomic<int> s_nMostWriting{0};

// A write that takes a while, counting how many are under way at once.
ssize_t SlowPwritev(int fd, const iovec* iov, int count, off_t at) {
  const int now = ++s_nWriting;
  int most = s_nMostWriting.load();
  while (now > most && !s_nMostWriting.compare_exchange_weak(most, now)) {
  }
  std::this_thread::sleep_for(std::chrono::microseconds(300));
  const ssize_t n = ::pwritev(fd, iov, count, at);
  --s_nWriting;
  return n;
}

// Positioned writers that share a mutex write one at a time, short parts and long ones
// alike, and every part still lands at its place.
TEST(File, PositionedWritersTakeTurns) {
  SysCalls calls = PosixSysCalls();
  calls.pwritev = SlowPwritev;
  ScopedSysCalls scoped(calls);
  TempDir dir;
  CFile f;
  ASSERT_TRUE(f.Open(dir.File("out"), kWrite, nullptr));
  constexpr std::size_t kParts = 24;
  const std::size_t kLong = 300 << 10;  // written at once, without the buffer
  std::mutex turns;
  auto writer = [&](std::size_t first) {
    CFile at;
    at.AttachPositioned(f.GetHandle(), "out", &turns);
    for (std::size_t i = first; i < kParts; i += 2) {
      at.SetPosition(i * kLong);
      const std::string part(i % 4 < 2 ? 100 : kLong, static_cast<char>('a' + i));
      i % 4 < 2 ? at.Write(part.data(), part.size()) : at.WriteKept(part.data(), part.size());
    }
    at.Close();
  };
  std::thread other(writer, 1);
  writer(0);
  other.join();
  f.Close();
  EXPECT_EQ(s_nMostWriting.load(), 1);
  const std::string out = ReadFile(dir.File("out"));
  for (std::size_t i = 0; i < kParts; ++i) {
    ASSERT_GT(out.size(), i * kLong);
    EXPECT_EQ(out[i * kLong], static_cast<char>('a' + i)) << i;
  }
}

// Reserved space is cut off when the file closes or is aborted, but a descriptor handed
// in (standard output) may be a file with more in it than is written: nothing is cut.
TEST(File, ReservedSpaceIsGivenBackButNeverCutFromAFileHandedIn) {
  for (const int how : {0, 1, 2}) {  // closed, aborted, handed in
    TempDir dir;
    const std::string path = dir.Write("out", "abcdefghij");
    const int fd = ::open(path.c_str(), O_WRONLY);
    CFile f;
    if (how == 2) f.Attach(fd, "stdout");
    ASSERT_TRUE(how == 2 || f.Open(path, kWrite, nullptr));
    f.Reserve(16 << 20);
    f.Write("0123", 4);
    f.Reserve(16 << 20);
    how == 1 ? f.Abort() : f.Close();
    ::close(fd);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_LT(st.st_blocks * 512, 1 << 20) << how;
    EXPECT_EQ(ReadFile(path), how == 2 ? "0123efghij" : "0123") << how;
  }
}

const std::size_t kPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));

// Three pages and a bit, no zero byte in them.
std::string Pattern() {
  std::string s(3 * kPage + 100, '\0');
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>(1 + i % 251);
  return s;
}

// The handler takes only faults in views it made; any other bus error must still end
// the process instead of being retried for ever.
TEST(FileBufferDeathTest, OtherBusErrorsStillEndTheProcess) {
  TempDir dir;
  const std::string bytes = Pattern();
  const std::string path = dir.Write("in", bytes);
  EXPECT_EXIT(
      {
        ::alarm(10);  // a fault retried for ever ends with SIGALRM instead
        const int fd = ::open(path.c_str(), O_RDONLY);
        FileBuffer mine = MapFile(fd, bytes.size());
        void* other = ::mmap(nullptr, bytes.size(), PROT_READ, MAP_SHARED, fd, 0);
        if (!mine || other == MAP_FAILED || ::truncate(path.c_str(), 0) != 0) ::_exit(3);
        volatile char c = static_cast<const char*>(other)[2 * kPage];
        (void)c;
        ::_exit(0);
      },
      [](int status) {  // killed by the bus error, or ended by a sanitizer's handler
        return WIFSIGNALED(status) ? WTERMSIG(status) == SIGBUS
                                   : WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 3;
      },
      "");
}

}  // namespace
}  // namespace platform
