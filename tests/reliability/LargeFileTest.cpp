// Runs of the real velmorant-cli too large for the fast tests: logs beyond 2 GiB, and
// 100,000 inputs in one run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/Program.h"
#include "tests/support/TestFiles.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

// The files are sparse: a real log stands between long holes, so offsets past 2^31 are
// used without writing gigabytes. A file of `size` bytes holding `bytes` at `offset`; everything
// else is a hole. Then
// "-q -r 1 -o out.html" on it; returns the exit status and standard error.
std::pair<int, std::string> Convert(const TempDir& dir, std::uint64_t size, std::uint64_t offset,
                                    const std::string& bytes) {
  const int fd = ::open(dir.File("in.html").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const bool ok = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) ==
                      static_cast<ssize_t>(bytes.size()) &&
                  ::ftruncate(fd, static_cast<off_t>(size)) == 0;
  if (fd < 0 || ::close(fd) != 0 || !ok) return {-1, "cannot make the sparse file"};
  const std::string command = "cd '" + dir.Path() + "' && timeout -s KILL 1200 '" +
                              VELMORANT_CLI_PATH "' -q -r 1 -o out.html in.html </dev/null 2>err";
  const int wait = std::system(command.c_str());
  return {WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait), ReadFile(dir.File("err"))};
}

// The log starts past 2^31, so every offset in its tree needs the 32nd bit; the bytes
// before <HTML and after </HTML> are not part of the output.
TEST(LargeFile, LogOfTwoAndAHalfGiBIsConverted) {
  TempDir dir;
  std::string log = "<HTML><BODY>", reversed = log;
  for (int i = 0; i < 20000; ++i) {
    log += "post " + std::to_string(i) + "<HR>";
    reversed += "<HR>post " + std::to_string(19999 - i);
  }
  EXPECT_EQ(Convert(dir, 2 * kGiB + kGiB / 2, 2 * kGiB + kGiB / 4, log + "</BODY></HTML>"),
            std::pair(0, std::string()));
  EXPECT_TRUE(ReadFile(dir.File("out.html")) == reversed + "</BODY></HTML>");
}

// The message states the real limit, the file and its size; no output is made.
TEST(LargeFile, LogOfFourGiBIsRefusedClearly) {
  TempDir dir;
  EXPECT_EQ(Convert(dir, 4 * kGiB, 0, "<HTML><BODY>a<HR>b</BODY></HTML>"),
            std::pair(1, std::string("ファイルが大きすぎます\n"
                                     "変換できるのは 4,294,967,294 バイトまでのファイルです\n"
                                     "ファイル: in.html\n大きさ: 4294967296 バイト\n"
                                     "エラーのため終了します\n"
                                     "出力ファイルは作られていません: out.html\n")));
  EXPECT_FALSE(testing_support::FileExists(dir.File("out.html")));
}

std::string Log(std::size_t i) {
  return "<HTML><BODY>post " + std::to_string(i) + "<HR>reply " + std::to_string(i) +
         "</BODY></HTML>";
}

// 100,000 logs, more than a command line takes, merge in one run from a list read from a
// file or from standard input, by lines or NUL-separated; the arguments come first. The
// logs are links to 1,000 files (making 100,000 files would take most of the test's time).
TEST(InputList, ManyLogsMergeInOneRun) {
  TempDir dir;
  constexpr std::size_t kLogs = 100000, kFiles = 1000;
  std::filesystem::create_directory(dir.File("logs"));
  for (std::size_t i = 1; i <= kFiles; ++i) dir.Write(std::to_string(i) + ".html", Log(i));
  std::string lines, nuls, expected = "<HTML><BODY>post 0<HR>reply 0";
  for (std::size_t i = 1; i <= kLogs; ++i) {
    const std::size_t file = 1 + i % kFiles;
    const std::string name = "logs/" + std::to_string(i) + ".html";
    ASSERT_EQ(::link(dir.File(std::to_string(file) + ".html").c_str(), dir.File(name).c_str()), 0);
    lines += name + "\n";
    nuls += name + '\0';
    expected +=
        "<HR SIZE=\"50\">post " + std::to_string(file) + "<HR>reply " + std::to_string(file);
  }
  expected += "</BODY></HTML>";
  testing_support::WriteFile(dir.File("first.html"), Log(0));
  testing_support::WriteFile(dir.File("list.txt"), lines);
  testing_support::WriteFile(dir.File("list0"), nuls);
  const std::tuple<std::vector<std::string>, std::string> rows[] = {
      {{"--files-from", "list.txt"}, "/dev/null"},
      {{"--null", "--files-from", "-"}, dir.File("list0")},
  };
  for (const auto& [options, input] : rows) {
    std::vector<std::string> args = {"-q", "-f", "-o", "out.html", "first.html"};
    args.insert(args.end(), options.begin(), options.end());
    const int wait = testing_support::WaitProgram(
        testing_support::StartProgram(VELMORANT_CLI_PATH, dir.Path(), args, input));
    EXPECT_TRUE(WIFEXITED(wait) && WEXITSTATUS(wait) == 0) << ReadFile(dir.File(".err"));
    EXPECT_TRUE(ReadFile(dir.File("out.html")) == expected) << options[0];
  }
}

}  // namespace
