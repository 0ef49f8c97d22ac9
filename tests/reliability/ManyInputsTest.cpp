// 100,000 inputs in one run, through the real velmorant-cli: in the slow group, as making
// that many files takes seconds.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/Program.h"
#include "tests/support/TestFiles.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

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
