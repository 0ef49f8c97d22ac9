// The parts of the command line that need a terminal or look inside it: the overwrite
// question, a list read from standard input, the progress line's figures; the program
// itself, its options included, is in the golden cases and
// tests/reliability/CliHostileTest.cpp.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliApp.h"
#include "cli/InputList.h"
#include "cli/ProgressLine.h"
#include "cli/ProgressRate.h"
#include "tests/support/TestFiles.h"

namespace cli {
namespace {

using testing_support::ReadFile;

// On a terminal the existing output is overwritten only when the user says yes.
TEST(CliOverwrite, AsksOnATerminalWithNoAsTheDefault) {
  const std::pair<const char*, bool> rows[] = {{"y\n", true},  {"Y\n", true},     {"yes\n", true},
                                               {"n\n", false}, {"yes!\n", false}, {"\n", false},
                                               {"", false}};
  for (const auto& [answer, bYes] : rows) {
    testing_support::TempDir dir;
    std::string in = dir.Write("log.html", "<HTML><BODY>a<HR>b</BODY></HTML>");
    std::string out = dir.Write("out.html", "old"), q = "-q", o = "-o", name = "velmorant-cli";
    char* argv[] = {name.data(), q.data(), o.data(), out.data(), in.data()};
    std::ostringstream err;
    std::istringstream typed(answer);
    const int fd = ::open("/dev/null", O_WRONLY);
    EXPECT_EQ(RunCli(5, argv, err, typed, true, fd), bYes ? 0 : 2) << answer;
    ::close(fd);
    EXPECT_EQ(err.str(), "同名のファイルが存在します。上書きしますか？ [y/N] ");
    EXPECT_EQ(ReadFile(out) != "old", bYes) << answer;
    EXPECT_EQ(ReadFile(in), "<HTML><BODY>a<HR>b</BODY></HTML>");
  }
}

// A faulty list read from standard input is named as such (a list file: the golden cases).
TEST(CliInputList, StandardInputIsNamed) {
  std::istringstream typed("a.html\n\nb.html\n");
  std::vector<std::string> paths;
  EXPECT_EQ(ReadInputList("-", false, typed, paths),
            "入力ファイルのリストの 2 番目の名前が空です\nファイル: 標準入力");
}

TEST(ProgressLine, NamesAreShortenedFromTheMiddleByTheirColumns) {
  struct Row {
    const char* text;
    std::size_t columns;
    const char* shown;
    std::size_t width;  // of the text whole
  };
  const Row rows[] = {
      {"short.html", 10, "short.html", 10},
      {"abcdefghijklmnopqrstuvwxyz", 10, "abc...wxyz", 26},
      {"ログファイル一覧.html", 11, "ログ...html", 21},  // a wide character is never cut
      {"ｶﾀｶﾅ.html", 9, "ｶﾀｶﾅ.html", 9},                  // half-width katakana: one column each
      {"か\xE3\x82\x99か\xE3\x82\x99.html", 8, "か\xE3\x82\x99...tml",
       9},                                                  // marks go with their character
      {"a\nb\x1B[2J\x7F", 0, "a?b?[2J?", 8},                // no control reaches the terminal
      {"\xFF\xC3x\xC0\xAF\xED\xA0\x80", 0, "??x?????", 8},  // nor bytes that are not UTF-8
      {"abcdef", 2, "..", 6},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ShortenMiddle(r.text, r.columns), r.shown) << r.text << " in " << r.columns;
    EXPECT_EQ(DisplayWidth(r.text), r.width) << r.text;
  }
}

TEST(ProgressLine, FiguresFitTheTerminal) {
  constexpr std::uint64_t kKiB = 2 * 1024;  // two units of work a byte
  const std::string longName = "logs/" + std::string(100, 'x') + "/day 3.html";
  struct Row {
    ProgressFigures figures;
    std::size_t columns;
    std::string line;
  };
  const Row rows[] = {
      {{0, 0, 0, 3, "a.html", {}},
       0,
       "       0 B / 0 B (  0%)  0/3 files        -- B/s  --:-- left  a.html"},
      {{3 * kKiB / 2, 3 * kKiB, 1, 3, "b.html", 512},
       0,
       "   1.5 KiB / 3.0 KiB ( 50%)  1/3 files       512 B/s  0:03 left  b.html"},
      {{0, 10 * 1024 * 1024 * kKiB, 0, 1, "", 1 << 20},
       0,
       "       0 B / 10.0 GiB (  0%)  0/1 files     1.0 MiB/s  2:50:40 left"},
      {{400, 200, 2, 2, "", {}},
       0,
       "     100 B / 100 B (100%)  2/2 files        -- B/s  0:00 left"},
      {{kKiB, 2 * kKiB, 0, 1, longName, 1024},
       80,
       "   1.0 KiB / 2.0 KiB ( 50%)  0/1 files     1.0 KiB/s  0:01 left  logs/...3.html"},
      {{kKiB, 2 * kKiB, 0, 1, longName, 1024}, 40, "   1.0 KiB / 2.0 KiB ( 50%)  0/1 files"},
  };
  for (const Row& r : rows) EXPECT_EQ(ComposeProgressLine(r.figures, r.columns), r.line);
}

// Counts are two a byte; the rate is over the last three seconds, none before half of one.
TEST(ProgressLine, RateFollowsTheRecentCounts) {
  struct Row {
    std::vector<std::pair<int, std::uint64_t>> samples;  // milliseconds from the start, count
    std::optional<double> rate;
  };
  const Row rows[] = {
      {{{400, 2000}}, std::nullopt},
      {{{1000, 2000}}, 1000},
      {{{1000, 2000}, {2000, 4000}, {3000, 6000}, {4000, 26000}}, 4000},
  };
  for (const Row& r : rows) {
    ProgressRate rate;
    const ProgressRate::Clock::time_point start;
    rate.Restart(start);
    for (const auto& [ms, done] : r.samples) rate.Add(start + std::chrono::milliseconds(ms), done);
    EXPECT_EQ(rate.BytesPerSecond(), r.rate) << r.samples.size();
  }
}

}  // namespace
}  // namespace cli
