// Input lists of any length (--files-from, --null) and per-file output into a folder
// (--output-dir), through the real velmorant-cli.
#include <gtest/gtest.h>
#include <sys/stat.h>
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

struct Result {
  int status;
  std::string err;
};

Result Cli(const TempDir& dir, const std::vector<std::string>& args,
           const std::string& input = "/dev/null") {
  const int wait = testing_support::WaitProgram(
      testing_support::StartProgram(VELMORANT_CLI_PATH, dir.Path(), args, input));
  return {WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait), ReadFile(dir.File(".err"))};
}

std::string Log(std::size_t i) {
  return "<HTML><BODY>post " + std::to_string(i) + "<HR>reply " + std::to_string(i) +
         "</BODY></HTML>";
}

// A list gives the same bytes as the same inputs given as arguments; an empty entry or a
// list that cannot be read is refused, naming the list.
TEST(InputList, SameAsArgumentsAndFaultsNamed) {
  TempDir dir;
  std::vector<std::string> args = {"-q", "-f", "-r", "1", "--between", "numbered", "-o", "a.html"};
  std::string list;
  for (std::size_t i = 0; i < 5; ++i) {
    args.push_back(dir.Write("in" + std::to_string(i) + ".html", Log(i)));
    list += args.back() + "\n";
  }
  ASSERT_EQ(Cli(dir, args).status, 0);
  testing_support::WriteFile(dir.File("list.txt"), list);
  const Result r = Cli(dir, {"-q", "-f", "-r", "1", "--between", "numbered", "-o", "b.html",
                             "--files-from", "list.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir.File("b.html")), ReadFile(dir.File("a.html")));

  testing_support::WriteFile(dir.File("gap.txt"), "in0.html\n\nin1.html\n");
  testing_support::WriteFile(dir.File("gap0"), std::string("in0.html\0in1.html\0\0", 19));
  // The options, what standard input holds, and the message.
  const std::tuple<std::vector<std::string>, std::string, std::string> faults[] = {
      {{"--files-from", "gap.txt"},
       "/dev/null",
       "入力ファイルのリストの 2 番目の名前が空です\nファイル: gap.txt\n"},
      {{"--files-from", "-"},
       dir.File("gap.txt"),
       "入力ファイルのリストの 2 番目の名前が空です\nファイル: 標準入力\n"},
      {{"--null", "--files-from", "gap0"},
       "/dev/null",
       "入力ファイルのリストの 3 番目の名前が空です\nファイル: gap0\n"},
      {{"--files-from", "missing.txt"},
       "/dev/null",
       "入力ファイルのリストを読み込めません\nファイル: missing.txt\n"
       "原因: ファイルまたはフォルダーがありません (ENOENT)\n"},
  };
  for (const auto& [options, input, message] : faults) {
    std::vector<std::string> a = {"-q", "-o", "c.html"};
    a.insert(a.end(), options.begin(), options.end());
    const Result f = Cli(dir, a, input);
    EXPECT_EQ(f.status, 2);
    EXPECT_EQ(f.err, message);
    EXPECT_FALSE(testing_support::FileExists(dir.File("c.html")));
  }
}

// --output-dir writes every Rev_ file into the folder, leaves the inputs' folders alone, and
// refuses two inputs that would write one file, before writing anything.
TEST(InputList, OutputDirAndItsCollisions) {
  TempDir dir;
  for (const char* sub : {"a", "b", "out"}) std::filesystem::create_directory(dir.File(sub));
  dir.Write("a/x.html", Log(1));
  dir.Write("a/y.html", Log(2));
  dir.Write("b/x.html", Log(3));
  Result r = Cli(dir, {"-q", "-r", "1", "--per-file", "--output-dir", "out", "a/x.html", "a/y.html",
                       "./a/x.html"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir.File("out/Rev_x.html")), "<HTML><BODY>reply 1<HR>post 1</BODY></HTML>");
  EXPECT_EQ(ReadFile(dir.File("out/Rev_y.html")), "<HTML><BODY>reply 2<HR>post 2</BODY></HTML>");
  EXPECT_FALSE(testing_support::FileExists(dir.File("a/Rev_x.html")));

  r = Cli(dir, {"-q", "--per-file", "--output-dir", "out", "a/y.html", "a/x.html", "b/x.html"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(
      r.err,
      "2 つの入力ファイルが同じ出力ファイルに書き込まれます\n入力ファイル名を変更してください\n"
      "ファイル: a/x.html\nファイル: b/x.html\n出力ファイル: out/Rev_x.html\n");
  EXPECT_EQ(ReadFile(dir.File("out/Rev_y.html")), "<HTML><BODY>reply 2<HR>post 2</BODY></HTML>");
  EXPECT_EQ(Cli(dir, {"--per-file", "--output-dir", "none", "a/x.html"}).err,
            "--output-dir のフォルダーがありません\nファイル: none\n");
}

}  // namespace
