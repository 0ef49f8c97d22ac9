// Logs beyond 2 GiB through the real velmorant-cli. The files are sparse: a real log
// stands between long holes, so offsets past 2^31 are used without writing gigabytes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "tests/reliability/Spawn.h"
#include "tests/support/TestFiles.h"

namespace {

using testing_support::ProcessResult;
using testing_support::ReadFile;
using testing_support::Spawn;
using testing_support::TempDir;

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

// Writes `bytes` at `offset` of a file of `size` bytes; everything else is a hole.
bool WriteSparse(const std::string& path, std::uint64_t size, std::uint64_t offset,
                 const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  bool ok = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) ==
                static_cast<ssize_t>(bytes.size()) &&
            ::ftruncate(fd, static_cast<off_t>(size)) == 0;
  return ::close(fd) == 0 && ok;
}

std::string Posts(int n, bool bReversed) {
  std::string s;
  for (int i = 0; i < n; ++i)
    s += bReversed ? "<HR>post " + std::to_string(n - 1 - i) : "post " + std::to_string(i) + "<HR>";
  return s;
}

TEST(LargeFile, LogOfTwoAndAHalfGiBIsConverted) {
  TempDir dir;
  const std::string path = dir.File("big.html");
  // The log starts past 2^31, so every offset in its tree needs the 32nd bit.
  const std::uint64_t at = 2 * kGiB + kGiB / 4;
  const std::string log = "<HTML><BODY>" + Posts(20000, false) + "</BODY></HTML>";
  ASSERT_TRUE(WriteSparse(path, 2 * kGiB + kGiB / 2, at, log));

  const auto start = std::chrono::steady_clock::now();
  const ProcessResult r =
      Spawn(VELMORANT_CLI_PATH, {"-q", "-r", "1", "-o", "out.html", "big.html"}, dir.Path(), 1200);
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_TRUE(r.bExited) << "signal " << r.signal << (r.bHung ? ", hung" : "");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // Bytes before <HTML and after </HTML> are not part of the output.
  EXPECT_TRUE(ReadFile(dir.File("out.html")) ==
              "<HTML><BODY>" + Posts(20000, true) + "</BODY></HTML>");
  RecordProperty("seconds", std::to_string(seconds));
  std::printf("converted 2.5 GiB in %.1f s\n", seconds);
}

TEST(LargeFile, LogOfFourGiBIsRefusedClearly) {
  TempDir dir;
  const std::string path = dir.File("huge.html");
  ASSERT_TRUE(WriteSparse(path, 4 * kGiB, 0, "<HTML><BODY>a<HR>b</BODY></HTML>"));
  const ProcessResult r =
      Spawn(VELMORANT_CLI_PATH, {"-q", "-r", "1", "-o", "out.html", "huge.html"}, dir.Path());
  ASSERT_TRUE(r.bExited);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "ファイルが大きすぎます\n4 GiB 未満のファイルだけを変換できます\n"
            "エラーのため終了します\n");
  EXPECT_EQ(ReadFile(dir.File("out.html")), "");
}

}  // namespace
