#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
  EXPECT_TRUE(IsSameFile(a, dir.Path() + "/../" + dir.Path().substr(dir.Path().rfind('/') + 1) + "/a"));
  EXPECT_FALSE(IsSameFile(a, dir.Write("b", "x")));
  EXPECT_FALSE(IsSameFile(a, dir.File("missing")));
}

}  // namespace
}  // namespace platform
