#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "platform/File.h"
#include "tests/support/TestFiles.h"

namespace platform {
namespace {

using testing_support::TempDir;

constexpr unsigned kWrite = CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite | CFile::typeBinary;
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
  const auto start = std::chrono::steady_clock::now();
  CFile in, out;
  CFileException e;
  EXPECT_FALSE(in.Open(dir.File("f"), kRead, &e));
  EXPECT_EQ(e.m_cause, CFileException::accessDenied);
  EXPECT_FALSE(out.Open(dir.File("f"), kWrite, &e));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(File, WritesLargeAndSmallRangesInOrder) {
  TempDir dir;
  std::string expected;
  {
    CFile f;
    ASSERT_TRUE(f.Open(dir.File("o"), kWrite, nullptr));
    for (int i = 0; i < 3000; ++i) {
      const std::string piece(static_cast<std::size_t>((i * 7919) % 4000 + (i % 500 == 0 ? 600000 : 0)),
                              static_cast<char>('a' + i % 26));
      f.Write(piece.data(), piece.size());
      expected += piece;
    }
    f.Close();
  }
  EXPECT_EQ(testing_support::ReadFile(dir.File("o")), expected);
}

TEST(File, FullDiskThrowsAtTheLatestOnClose) {
  CFile f;
  ASSERT_TRUE(f.Open("/dev/full", kWrite, nullptr));
  f.Write("abc", 3);
  try {
    f.Close();
    FAIL() << "no error from a full disk";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_cause, CFileException::diskFull);
  }
  EXPECT_FALSE(f.IsOpen());
}

TEST(File, SameFileThroughLinks) {
  TempDir dir;
  const std::string a = dir.Write("a", "x");
  ASSERT_EQ(::symlink(a.c_str(), dir.File("s").c_str()), 0);
  ASSERT_EQ(::link(a.c_str(), dir.File("h").c_str()), 0);
  EXPECT_TRUE(IsSameFile(a, dir.File("s")));
  EXPECT_TRUE(IsSameFile(a, dir.File("h")));
  EXPECT_TRUE(IsSameFile(a, dir.Path() + "/../" + dir.Path().substr(dir.Path().rfind('/') + 1) + "/a"));
  EXPECT_FALSE(IsSameFile(a, dir.Write("b", "x")));
  EXPECT_FALSE(IsSameFile(a, dir.File("missing")));
}

}  // namespace
}  // namespace platform
