#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <tuple>
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

using testing_support::ReadFile;
using testing_support::TempDir;

constexpr unsigned kWrite = CFile::modeCreate | CFile::modeWrite;

// A FIFO without a writer or reader must fail at once rather than block the run.
TEST(File, OpenCauses) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  const std::tuple<std::string, unsigned, int> rows[] = {
      {dir.File("missing/new.html"), kWrite, CFileException::badPath},
      {dir.Path(), kWrite, CFileException::accessDenied},
      {dir.File("fifo"), CFile::modeRead, CFileException::accessDenied},
      {dir.File("fifo"), kWrite, CFileException::generic},
  };
  for (const auto& [path, mode, cause] : rows) {
    CFile f;
    CFileException e;
    EXPECT_FALSE(f.Open(path, mode, &e)) << path;
    EXPECT_EQ(e.m_cause, cause) << path;
  }
}

TEST(File, SymbolicLinkNamesItsTarget) {
  TempDir dir;
  const std::string a = dir.Write("a", "x");
  ASSERT_EQ(::symlink(a.c_str(), dir.File("s").c_str()), 0);
  EXPECT_TRUE(IsSameFile(a, dir.File("s")));
  EXPECT_FALSE(IsSameFile(dir.File("s"), dir.Write("b", "x")));
}

constexpr unsigned kReplace = kWrite | CFile::modeReplace;

std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename());
  return names;
}

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
    const std::optional<std::string> before =
        testing_support::FileExists(target) ? std::optional(ReadFile(target)) : std::nullopt;
    const auto names = Names(dir.Path());
    const auto realNames = Names(dir.File("real"));

    CFile f;
    CFileException e;
    ASSERT_TRUE(f.Open(path, kReplace, &e)) << e.m_lOsError;
    EXPECT_TRUE(f.IsReplacing());
    f.Write("new", 3);
    f.Flush();
    EXPECT_EQ(testing_support::FileExists(target) ? std::optional(ReadFile(target)) : std::nullopt,
              before);
    const std::size_t hidden = r.bUnnamed ? 0 : 1;  // the stand-in's name, in the target's folder
    EXPECT_EQ(Names(dir.Path()).size() + Names(dir.File("real")).size(),
              names.size() + realNames.size() + hidden);
    r.bAbort ? f.Abort() : f.Close();

    EXPECT_EQ(ReadFile(target), r.bAbort ? *before : "new");
    auto after = Names(dir.Path());
    auto realAfter = Names(dir.File("real"));
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

// A new output whose close reports a lost write leaves no file; one that someone else made
// meanwhile stays theirs.
TEST(File, NewFileWhoseCloseFailsIsNotPutInPlace) {
  SysCalls calls = PosixSysCalls();
  calls.close = [](int fd) {
    ::close(fd);
    return errno = EIO, -1;
  };
  for (const bool bMadeMeanwhile : {false, true}) {
    TempDir dir;
    CFile f;
    ASSERT_TRUE(f.Open(dir.File("out"), kReplace, nullptr));
    f.Write("new", 3);
    if (bMadeMeanwhile) dir.Write("out", "theirs");
    {
      ScopedSysCalls scoped(calls);
      EXPECT_THROW(f.Close(), CFileException);
    }
    EXPECT_EQ(Names(dir.Path()),
              bMadeMeanwhile ? std::set<std::string>{"out"} : std::set<std::string>{});
    if (bMadeMeanwhile) {
      EXPECT_EQ(ReadFile(dir.File("out")), "theirs");
    }
  }
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
    const auto names = Names(dir.Path());
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
    EXPECT_EQ(Names(dir.Path()), names);
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

std::size_t s_limit = 0;     // the most bytes one gathered write takes; 0: no limit
bool s_interrupted = false;  // each call is first interrupted once

ssize_t ChoppyWritev(int fd, const iovec* iov, int count) {
  if (!std::exchange(s_interrupted, true)) return errno = EINTR, -1;
  s_interrupted = false;
  std::vector<iovec> part(iov, iov + count);
  std::size_t room = s_limit == 0 ? static_cast<std::size_t>(-1) : s_limit;
  for (iovec& v : part) room -= v.iov_len = std::min(v.iov_len, room);
  return ::writev(fd, part.data(), count);
}

// Copied and kept ranges, adjacent kept ranges (gathered as one), more ranges than one
// call takes, a range too long to gather, and more copies than the buffer holds.
TEST(File, GatheredWritesKeepEveryByteInOrder) {
  std::string source(1 << 20, '\0');
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>('a' + i * 7 % 26);
  for (const std::size_t limit : {0, 13, 4093}) {
    s_limit = limit;
    SysCalls calls = PosixSysCalls();
    calls.writev = ChoppyWritev;
    ScopedSysCalls scoped(calls);
    TempDir dir;
    CFile f;
    ASSERT_TRUE(f.Open(dir.File("out"), kWrite, nullptr));
    std::string expected;
    auto put = [&](bool bKept, std::size_t pos, std::size_t length) {
      bKept ? f.WriteKept(&source[pos], length) : f.Write(&source[pos], length);
      expected.append(source, pos, length);
    };
    for (std::size_t i = 0; i < 3000; ++i) put(i % 3 != 0, i * 331 % 4096, i % 97);
    for (std::size_t i = 0; i < 50; ++i) put(true, 1000 + i * 10, 10);
    put(true, 0, 300 << 10);
    for (std::size_t i = 0; i < 40; ++i) put(false, i, 9000);
    f.Close();
    EXPECT_EQ(ReadFile(dir.File("out")), expected) << "limit " << limit;
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
