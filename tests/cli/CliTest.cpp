#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
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
using testing_support::TempDir;

const std::string kLog =
    "<HTML><BODY>\r\n<dl>1</dl><HR>\r\n<dl>2</dl><HR>\r\n<dl>3</dl>\r\n</BODY></HTML>";

// One in-process run of the command line.
struct Cli {
  TempDir dir;
  std::string err;
  std::string answer;        // what the user types at the overwrite question
  bool interactive = false;
  int status = -1;

  int Run(std::vector<std::string> args, int outFd = -1) {
    args.insert(args.begin(), "velmorant-cli");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream e;
    std::istringstream in(answer);
    const int fd = outFd >= 0 ? outFd : ::open("/dev/null", O_WRONLY);
    status = RunCli(static_cast<int>(argv.size()), argv.data(), e, in, interactive, fd);
    if (outFd < 0) ::close(fd);
    err = e.str();
    return status;
  }
};

TEST(CliParse, Layers) {
  struct Row {
    const char* text;
    bool ok;
    std::vector<int> layers;
  };
  const Row rows[] = {
      {"1", true, {1}},         {"1,3", true, {1, 3}},  {"2-4", true, {2, 3, 4}},
      {"15", true, {15}},       {"1-2,9", true, {1, 2, 9}},
      {"0", false, {}},         {"16", false, {}},      {"3-1", false, {}},
      {"", false, {}},          {"1,", false, {}},      {"a", false, {}},
      {"-1", false, {}},        {"1-", false, {}},
  };
  for (const Row& r : rows) {
    std::array<std::uint8_t, 16> flags{};
    EXPECT_EQ(ParseLayers(r.text, flags), r.ok) << r.text;
    if (!r.ok) continue;
    std::vector<int> got;
    for (int l = 1; l <= 15; ++l) {
      if (flags[l]) got.push_back(l);
    }
    EXPECT_EQ(got, r.layers) << r.text;
  }
}

TEST(CliParse, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> rows = {
      {"--bogus", "a"},           {"-k", "4", "a"},        {"--lead-cut", "20", "a"},
      {"--trail-cut=-1", "a"},    {"-r", "0", "a"},        {"--order", "up", "a"},
      {"--between", "dash", "a"}, {"--per-file", "-o", "x", "a"},
      {"-o"},                     {"--euc=1", "a"},
  };
  for (const auto& args : rows) {
    Cli c;
    EXPECT_EQ(c.Run(args), 2) << args[0];
    EXPECT_NE(c.err.find("usage: velmorant-cli"), std::string::npos) << args[0];
  }
}

// Checks before the run: the arguments, and the one message each refusal prints.
TEST(CliChecks, RefuseBeforeTheRunInTheirOrder) {
  struct Row {
    const char* name;
    std::vector<std::string> args;  // "IN" is the log, "OUT" a new output path
    std::string err;
  };
  const std::string collision =
      "出力ファイル名が入力ファイルと衝突します。\n出力ファイル名を変更してください\n";
  const Row rows[] = {
      {"no_input", {"-o", "OUT"}, "入力用ファイル名を入力してください\n"},
      {"empty_output", {"-o", "", "IN"}, "出力用ファイル名を入力してください\n"},
      {"empty_separator", {"-s", "", "-o", "OUT", "IN"}, "区切り用の文字列を入力してください\n"},
      {"kind_3_without_separator", {"-k", "3", "-o", "OUT", "IN"},
       "区切り用の文字列を入力してください\n"},
      {"separator_without_shift_jis", {"-s", "😀", "-o", "OUT", "IN"},
       "区切り用の文字列に Shift_JIS (コードページ 932) で表せない文字があります\n"},
      {"decision_then_collision", {"-s", "<dl", "-o", "IN", "IN"},
       "[<] はありますが [>] がないので [>] を自動サーチします\n" + collision},
      {"quiet_hides_the_decision_only", {"-q", "-s", "----", "-o", "IN", "IN"}, collision},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Cli c;
    const std::string in = c.dir.Write("log.html", kLog);
    std::vector<std::string> args;
    for (const auto& a : r.args) args.push_back(a == "IN" ? in : a == "OUT" ? c.dir.File("out.html") : a);
    EXPECT_EQ(c.Run(args), 2);
    EXPECT_EQ(c.err, r.err);
    EXPECT_EQ(ReadFile(in), kLog);
    EXPECT_FALSE(testing_support::FileExists(c.dir.File("out.html")));
  }
}

TEST(CliChecks, RevNameThatIsAnInputIsNamed) {
  Cli c;
  const std::string a = c.dir.Write("a.html", kLog);
  const std::string rev = c.dir.Write("Rev_a.html", "keep");
  EXPECT_EQ(c.Run({"--per-file", a, rev}), 2);
  EXPECT_EQ(c.err, "出力ファイル名が入力ファイルと衝突します。\n出力ファイル名を変更してください\n" +
                       rev + "\n");
  EXPECT_EQ(ReadFile(rev), "keep");
}

TEST(CliOverwrite, AsksOnATerminalAndRefusesOtherwise) {
  struct Row {
    const char* name;
    bool interactive;
    const char* answer;
    bool force;
    int status;
    bool overwritten;
  };
  const Row rows[] = {
      {"not_a_terminal", false, "", false, 2, false},
      {"answer_yes", true, "y\n", false, 0, true},
      {"enter_means_no", true, "\n", false, 2, false},
      {"end_of_input_means_no", true, "", false, 2, false},
      {"force", false, "", true, 0, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Cli c;
    c.interactive = r.interactive;
    c.answer = r.answer;
    const std::string in = c.dir.Write("log.html", kLog);
    const std::string out = c.dir.Write("out.html", "old");
    std::vector<std::string> args = {"-q", "-o", out, in};
    if (r.force) args.insert(args.begin(), "-f");
    EXPECT_EQ(c.Run(args), r.status);
    EXPECT_EQ(ReadFile(out) != "old", r.overwritten);
    if (!r.interactive && !r.force) {
      EXPECT_EQ(c.err, "同名のファイルが存在します。上書きするには -f を指定してください\n");
    }
    if (r.interactive) {
      EXPECT_EQ(c.err.rfind("同名のファイルが存在します。上書きしますか？ [y/N] ", 0), 0u);
    }
  }
}

// Full runs: arguments and the expected output body.
TEST(CliRun, MapsOptionsOntoTheRun) {
  struct Row {
    const char* name;
    std::vector<std::string> args;
    std::string out;
  };
  const std::string h = "<HTML><BODY>\r\n";
  const std::string numbered0 =
      "\r\n<CENTER>==============================\x88\xC8\x8F\xE3\x81\x40[0] "
      "\x94\xD4\x96\xDA\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x93\xE0\x97\x65 "
      "==============================</CENTER>\r\n";
  const std::string body = "<dl>1</dl><HR>\r\n<dl>2</dl><HR>\r\n<dl>3</dl>\r\n";
  const Row rows[] = {
      {"defaults_copy_the_body", {"IN"}, kLog},
      {"reverse_separator_first", {"-r", "1", "IN"},
       h + "<dl>3</dl>\r\n<HR>\r\n<dl>2</dl><HR>\r\n<dl>1</dl></BODY></HTML>"},
      {"reverse_body_first", {"-r", "1", "--order", "body", "IN"},
       h + "<dl>3</dl>\r\n\r\n<dl>2</dl><HR>\r\n<dl>1</dl><HR></BODY></HTML>"},
      {"lead_cut", {"--range", "1", "--lead-cut", "1", "IN"}, h.substr(0, 12) + "\r\n<dl>2</dl><HR>\r\n<dl>3</dl>\r\n</BODY></HTML>"},
      {"between_hr", {"IN", "IN2"}, h + body + "<HR SIZE=\"50\">" + h.substr(12) + body + "</BODY></HTML>"},
      {"between_numbered", {"--between", "numbered", "IN", "IN2"},
       h + body + numbered0 + h.substr(12) + body + "</BODY></HTML>"},
      {"between_none", {"--between=none", "IN", "IN2"}, h + body + h.substr(12) + body + "</BODY></HTML>"},
      {"simple_header", {"--simple-header", "IN"}, "<HTML>\r\n<BODY>\r\n" + h.substr(12) + body + "</BODY></HTML>"},
      {"user_separator_only", {"-k", "3", "-s", "<dl>", "-r", "1", "IN"},
       "<HTML><BODY>3</dl>\r\n<dl>2</dl><HR>\r\n<dl>1</dl><HR>\r\n<dl>\r\n</BODY></HTML>"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Cli c;
    const std::string in = c.dir.Write("log.html", kLog);
    const std::string in2 = c.dir.Write("log2.html", kLog.substr(0, 6) + "<BODY>\r\n" + body + "</BODY></HTML>");
    const std::string out = c.dir.File("out.html");
    std::vector<std::string> args = {"-q", "-o", out};
    for (const auto& a : r.args) args.push_back(a == "IN" ? in : a == "IN2" ? in2 : a);
    EXPECT_EQ(c.Run(args), 0) << c.err;
    EXPECT_EQ(c.err, "");
    EXPECT_EQ(ReadFile(out), r.out);
  }
}

TEST(CliRun, WritesToStandardOutputWithoutOutputOption) {
  Cli c;
  const std::string in = c.dir.Write("log.html", kLog);
  const int fd = ::open(c.dir.File("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  EXPECT_EQ(c.Run({in}, fd), 0);
  ::close(fd);
  EXPECT_EQ(c.err, "正常に終了しました\n");
  EXPECT_EQ(ReadFile(c.dir.File("stdout")), kLog);
}

TEST(CliRun, PerFileWritesRevFilesBesideTheInputs) {
  Cli c;
  const std::string a = c.dir.Write("a.html", kLog);
  ::mkdir(c.dir.File("sub").c_str(), 0700);
  const std::string b = c.dir.Write("sub/b.html", kLog);
  EXPECT_EQ(c.Run({"-q", "--per-file", "-r", "1", a, b}), 0) << c.err;
  const std::string reversed = "<HTML><BODY>\r\n<dl>3</dl>\r\n<HR>\r\n<dl>2</dl><HR>\r\n<dl>1</dl></BODY></HTML>";
  EXPECT_EQ(ReadFile(c.dir.File("Rev_a.html")), reversed);
  EXPECT_EQ(ReadFile(c.dir.File("sub/Rev_b.html")), reversed);
}

TEST(CliRun, EucInput) {
  Cli c;
  const std::string in = c.dir.Write("euc.html", "<HTML><BODY>\xA4\xA2<HR>\xB0\xA1</BODY></HTML>");
  const std::string out = c.dir.File("out.html");
  EXPECT_EQ(c.Run({"-q", "--euc", "-k", "2", "-r", "1", "-o", out, in}), 0);
  EXPECT_EQ(ReadFile(out), "<HTML><BODY>\x88\x9F<HR>\x82\xA0</BODY></HTML>");
}

TEST(CliRun, FailedRunExitsWithOneAndKeepsThePartialOutput) {
  Cli c;
  const std::string in = c.dir.Write("log.html", kLog);
  const std::string out = c.dir.File("out.html");
  EXPECT_EQ(c.Run({"-q", "-o", out, in, c.dir.File("missing.html")}), 1);
  EXPECT_EQ(c.err, "ファイルをオープンできません\nファイル未定義\nエラーのため終了します\n");
  EXPECT_EQ(ReadFile(out), "<HTML><BODY>\r\n<dl>1</dl><HR>\r\n<dl>2</dl><HR>\r\n<dl>3</dl>\r\n<HR SIZE=\"50\">");
}

TEST(CliRun, HelpAndVersion) {
  Cli c;
  EXPECT_EQ(c.Run({"--help"}), 0);
  EXPECT_NE(c.err.find("--per-file"), std::string::npos);
  EXPECT_EQ(c.Run({"--version"}), 0);
  EXPECT_EQ(c.err, "velmorant-cli 1.32\n");
}

}  // namespace
}  // namespace cli
