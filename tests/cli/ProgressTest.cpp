// The progress of a run through the real program, with standard error in a file: only
// --progress shows it there, a plain line per update, and the messages after it are the
// same as without it.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/Program.h"
#include "tests/support/TestFiles.h"

namespace {

using testing_support::ReadFile;

const std::string kLog = "<HTML><BODY>post 1<HR>post 2</BODY></HTML>";  // 42 bytes
const std::string kDone = "正常に終了しました\n";
const std::string kStart = "0 B / 0 B (  0%)  0/3 files  -- B/s  --:-- left  a.html";
const std::string kEnd = "126 B / 126 B (100%)  3/3 files  -- B/s  0:00 left";

const std::regex kProgressLine("^ *[0-9.]+ [KMGT]?i?B / .* files ");

// The measured rate is the machine's: it reads as unknown.
std::string WithoutRate(const std::string& line) {
  static const std::regex rate(" +([0-9.]+ [KMGT]?i?B|--) ?B?/s");
  return std::regex_replace(std::regex_replace(line, rate, "  -- B/s"), std::regex("^ +"), "");
}

TEST(Progress, PlainLinesOnlyWithTheOptionAndOnlyForSlowRuns) {
  struct Row {
    const char* name;
    std::vector<std::string> args;
    bool bSlow;  // VELMORANT_TEST_PROGRESS_AFTER=0; otherwise the run ends sooner
    std::string first, last;
    std::string messages;
    const char* b = nullptr;  // the second input's bytes, if not a log
  };
  const std::vector<std::string> inputs = {"a.html", "b.html", "c.html"};
  const Row rows[] = {
      {"lines", {"--progress"}, true, kStart, kEnd, kDone},
      {"quiet with the option", {"--progress", "-q"}, true, kStart, kEnd, ""},
      {"not a terminal", {}, true, "", "", kDone},
      {"turned off", {"--progress", "--no-progress"}, true, "", "", kDone},
      {"ended sooner", {"--progress"}, false, "", "", kDone},
      {"failed",
       {"--progress"},
       true,
       kStart,
       "42 B / 96 B ( 43%)  1/3 files  -- B/s  --:-- left  b.html",
       "ファイルを区切れません\n<HTML> タグが見つかりません\nファイル: b.html\nエラーのため終了"
       "します\n出力ファイルは作られていません: out.html\n",
       "no html here"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    testing_support::TempDir dir;
    testing_support::ProgramRun run;
    run.program = VELMORANT_CLI_PATH;
    run.dir = dir.Path();
    run.args = r.args;
    run.args.insert(run.args.end(), {"-o", "out.html"});
    run.args.insert(run.args.end(), inputs.begin(), inputs.end());
    for (const std::string& input : inputs) dir.Write(input, input == "b.html" && r.b ? r.b : kLog);
    if (r.bSlow) run.env = {{"VELMORANT_TEST_PROGRESS_AFTER", "0"}};
    run.unset = {"VELMORANT_TEST_PROGRESS_AFTER"};
    run.outPath = dir.File("stdout");
    run.errPath = dir.File("stderr");
    testing_support::RunProgram(run);

    // Progress lines come as the run goes, the messages between them as they always do.
    const std::string err = ReadFile(run.errPath);
    EXPECT_EQ(err.find('\r'), std::string::npos) << err;
    std::vector<std::string> lines;
    std::string messages;
    std::istringstream stream(err);
    for (std::string line; std::getline(stream, line);) {
      if (std::regex_search(line, kProgressLine)) {
        lines.push_back(WithoutRate(line));
      } else {
        messages += line + "\n";
      }
    }
    EXPECT_EQ(messages, r.messages);
    EXPECT_EQ(lines.empty() ? "" : lines.front(), r.first) << err;
    EXPECT_EQ(lines.empty() ? "" : lines.back(), r.last) << err;
  }
}

}  // namespace
