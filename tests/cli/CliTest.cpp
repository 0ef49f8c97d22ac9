// The parts of the command line that need a terminal or look inside the parser; the program
// itself, end to end, is in tests/reliability/CliHostileTest.cpp.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "cli/CliOptions.h"
#include "tests/support/TestFiles.h"

namespace cli {
namespace {

using testing_support::ReadFile;

TEST(CliParse, Layers) {
  const std::pair<const char*, std::vector<int>> rows[] = {
      {"1", {1}}, {"1,3", {1, 3}}, {"2-4", {2, 3, 4}}, {"15", {15}}, {"1-2,9", {1, 2, 9}},
      {"0", {}},  {"16", {}},      {"3-1", {}},        {"", {}},     {"1,", {}},
      {"a", {}},  {"-1", {}},      {"1-", {}},  // malformed
  };
  for (const auto& [text, layers] : rows) {
    engine::LayerSet flags;
    EXPECT_EQ(ParseLayers(text, flags), !layers.empty()) << text;
    if (layers.empty()) continue;
    std::vector<int> got;
    for (int l = 0; l <= engine::kMaxLayer; ++l)
      if (flags[l]) got.push_back(l);
    EXPECT_EQ(got, layers) << text;
  }
}

// On a terminal the existing output is overwritten only when the user says yes.
TEST(CliOverwrite, AsksOnATerminalWithNoAsTheDefault) {
  const std::pair<const char*, bool> rows[] = {{"y\n", true},  {"Y\n", true},     {"yes\n", true},
                                               {"n\n", false}, {"yes!\n", false}, {"\n", false},
                                               {"", false}};
  for (const auto& [answer, bYes] : rows) {
    testing_support::TempDir dir;
    const std::string in = dir.Write("log.html", "<HTML><BODY>a<HR>b</BODY></HTML>");
    const std::string out = dir.Write("out.html", "old");
    std::vector<std::string> args = {"velmorant-cli", "-q", "-o", out, in};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream err;
    std::istringstream typed(answer);
    const int fd = ::open("/dev/null", O_WRONLY);
    EXPECT_EQ(RunCli(static_cast<int>(argv.size()), argv.data(), err, typed, true, fd),
              bYes ? 0 : 2)
        << answer;
    ::close(fd);
    EXPECT_EQ(err.str(), "同名のファイルが存在します。上書きしますか？ [y/N] ");
    EXPECT_EQ(ReadFile(out) != "old", bYes) << answer;
    EXPECT_EQ(ReadFile(in), "<HTML><BODY>a<HR>b</BODY></HTML>");
  }
}

}  // namespace
}  // namespace cli
