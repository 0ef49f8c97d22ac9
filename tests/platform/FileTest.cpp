#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/SysCalls.h"
#include "tests/support/TestFiles.h"

namespace platform {
namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

constexpr unsigned kWrite =
    CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite | CFile::typeBinary;
constexpr unsigned kRead = CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary;

TEST(File, OutputOpenCauses) {
  TempDir dir;
  struct Row {
    std::string path;
    int cause;
  };
  const Row rows[] = {
      {dir.File("new.html"), CFileException::none},
      {dir.File("missing/new.html"), CFileException::badPath},
      {dir.Path(), CFileException::accessDenied},
      {"/dev/null", CFileException::none},
  };
  for (const Row& r : rows) {
    CFile f;
    CFileException e;
    EXPECT_EQ(f.Open(r.path, kWrite, &e), r.cause == CFileException::none) << r.path;
    EXPECT_EQ(e.m_cause, r.cause) << r.path;
  }
}

TEST(File, FifoWithoutReaderNeverBlocks) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("f").c_str(), 0600), 0);
  CFile in, out;
  CFileException e;
  EXPECT_FALSE(in.Open(dir.File("f"), kRead, &e));
  EXPECT_EQ(e.m_cause, CFileException::accessDenied);
  EXPECT_FALSE(out.Open(dir.File("f"), kWrite, &e));
}

TEST(File, SameFileThroughLinks) {
  TempDir dir;
  const std::string a = dir.Write("a", "x");
  ASSERT_EQ(::symlink(a.c_str(), dir.File("s").c_str()), 0);
  ASSERT_EQ(::link(a.c_str(), dir.File("h").c_str()), 0);
  EXPECT_TRUE(IsSameFile(a, dir.File("s")));
  EXPECT_TRUE(IsSameFile(a, dir.File("h")));
  EXPECT_TRUE(
      IsSameFile(a, dir.Path() + "/../" + dir.Path().substr(dir.Path().rfind('/') + 1) + "/a"));
  EXPECT_FALSE(IsSameFile(a, dir.Write("b", "x")));
  EXPECT_FALSE(IsSameFile(a, dir.File("missing")));
}

// A gathered write that takes at most s_limit bytes (0: no limit), each call first
// interrupted once when s_interrupt is set.
std::size_t s_limit = 0;
bool s_interrupt = false;
bool s_interrupted = false;

ssize_t ChoppyWritev(int fd, const iovec* iov, int count) {
  if (s_interrupt && !s_interrupted) {
    s_interrupted = true;
    errno = EINTR;
    return -1;
  }
  s_interrupted = false;
  std::vector<iovec> part;
  std::size_t room = s_limit == 0 ? static_cast<std::size_t>(-1) : s_limit;
  for (int i = 0; i < count && room > 0; ++i) {
    part.push_back({iov[i].iov_base, std::min(iov[i].iov_len, room)});
    room -= part.back().iov_len;
  }
  return ::writev(fd, part.data(), static_cast<int>(part.size()));
}

// Copied and kept ranges, ranges next to each other (one gathered range), more ranges
// than one call takes, a range too long to gather, and more copies than the buffer holds.
TEST(File, GatheredWritesKeepEveryByteInOrder) {
  std::string source(1 << 20, '\0');
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>('a' + i * 7 % 26);
  std::string expected;
  struct Step {
    bool bKept;
    std::size_t pos, length;
  };
  std::vector<Step> steps;
  for (std::size_t i = 0; i < 3000; ++i) steps.push_back({i % 3 != 0, (i * 331) % 4096, i % 97});
  for (std::size_t i = 0; i < 50; ++i) steps.push_back({true, 1000 + i * 10, 10});  // adjacent
  steps.push_back({true, 0, 300 << 10});
  for (std::size_t i = 0; i < 40; ++i) steps.push_back({false, i, 9000});

  struct Row {
    std::size_t limit;
    bool bInterrupt;
  } rows[] = {{0, false}, {13, true}, {4093, false}};
  for (const Row& r : rows) {
    s_limit = r.limit;
    s_interrupt = r.bInterrupt;
    SysCalls calls = PosixSysCalls();
    calls.writev = ChoppyWritev;
    ScopedSysCalls scoped(calls);
    TempDir dir;
    CFile f;
    CFileException e;
    ASSERT_TRUE(f.Open(dir.File("out"), kWrite, &e));
    expected.clear();
    for (const Step& st : steps) {
      const char* p = source.data() + st.pos;
      st.bKept ? f.WriteKept(p, st.length) : f.Write(p, st.length);
      expected.append(p, st.length);
    }
    f.Close();
    EXPECT_EQ(ReadFile(dir.File("out")), expected) << "limit " << r.limit;
  }
}

TEST(File, ReservedSpaceIsGivenBackWhenTheFileCloses) {
  for (const bool bAbort : {false, true}) {
    TempDir dir;
    CFile f;
    CFileException e;
    ASSERT_TRUE(f.Open(dir.File("out"), kWrite, &e));
    f.Reserve(16 << 20);
    f.Write("0123456789", 10);
    f.Reserve(16 << 20);
    bAbort ? f.Abort() : f.Close();
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("out").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 10);
    EXPECT_LT(st.st_blocks * 512, 1 << 20) << (bAbort ? "abort" : "close");
    EXPECT_EQ(ReadFile(dir.File("out")), "0123456789");
  }
}

// A descriptor handed in (standard output) may be a file with more in it than is written.
TEST(File, ReserveNeverCutsAFileItDidNotCreate) {
  TempDir dir;
  const std::string path = dir.Write("out", "abcdefgh");
  const int fd = ::open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  CFile f;
  f.Attach(fd, "stdout");
  f.Reserve(1 << 20);
  f.Write("XY", 2);
  f.Close();
  ::close(fd);
  EXPECT_EQ(ReadFile(path), "XYcdefgh");
}

}  // namespace
}  // namespace platform
