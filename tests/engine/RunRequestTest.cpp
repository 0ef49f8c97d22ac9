#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "engine/request/CRunRequest.h"
#include "engine/run/CExecutor.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"

namespace engine {
namespace {

using testing_support::MessageRecorder;
using testing_support::ReadFile;

const std::string kDoc = "<HTML><BODY>a<HR>b</BODY></HTML>";
const std::string kCollision =
    "出力ファイル名が入力ファイルと衝突します。\n出力ファイル名を変更してください";

// Two logs, an existing "old.html", a folder "sub" and "link.html", another name of the first log.
struct Fixture {
  testing_support::TempDir dir;
  CRunRequest request;
  COptionValues options;
  CExecutor executor;
  RunInputs inputs;

  Fixture() {
    inputs.astrInputPaths = {dir.Write("a.html", kDoc), dir.Write("b.html", kDoc)};
    inputs.strOutputPath = dir.File("out.html");
    dir.Write("old.html", "keep");
    std::filesystem::create_directory(testing_support::PathOf(dir.File("sub")));
    std::filesystem::create_hard_link(testing_support::PathOf(inputs.astrInputPaths[0]),
                                      testing_support::PathOf(dir.File("link.html")));
  }
  RequestOutcome Run() { return request.OnRun(inputs, options, executor); }
};

TEST(RunRequest, SucceedsAndReportsIt) {
  MessageRecorder rec;
  Fixture f;
  EXPECT_EQ(f.Run(), RequestOutcome::kSucceeded);
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"正常に終了しました"});
  EXPECT_TRUE(rec.messages[0].bInformation);
  EXPECT_EQ(ReadFile(f.inputs.strOutputPath),
            "<HTML><BODY>a<HR>b<HR SIZE=\"50\">a<HR>b</BODY></HTML>");
}

// Each refusal, in the order of the checks, and the messages it shows. Nothing is written, no
// input changes, and the overwrite question defaults to "no".
TEST(RunRequest, ChecksInTheirOrder) {
  struct Row {
    const char* name;
    std::vector<std::string> inputs;
    std::string output;  // in the folder; "" for none
    int userSeparator, kind;
    std::string separator;
    int notCp932, perFile;
    std::vector<std::string> messages;
  };
  const std::string decision = "[<] はありますが [>] がないので [>] を自動サーチします";
  // clang-format off
  const Row rows[] = {
      {"no_input_even_without_output", {}, "", 0, 0, "", 0, 0,
       {"入力用ファイル名を入力してください"}},
      {"no_output", {"a.html"}, "", 0, 0, "", 0, 0, {"出力用ファイル名を入力してください"}},
      {"user_separator_empty", {"a.html"}, "out.html", 1, 3, "", 0, 0,
       {"区切り用の文字列を入力してください"}},
      {"separator_without_shift_jis", {"a.html"}, "out.html", 1, 0, "", 1, 0,
       {"区切り用の文字列に Shift_JIS (コードページ 932) で表せない文字があります"}},
      {"kind_3_without_user_separator", {"a.html"}, "out.html", 0, 3, "x", 0, 0,
       {"区切り用の文字列を入力してください"}},
      {"decision_then_collision", {"a.html", "b.html"}, "b.html", 1, 0, "<HR", 0, 0,
       {decision, kCollision + "\nファイル: $/b.html"}},
      {"collision_through_a_link_and_another_spelling", {"a.html"}, "./link.html", 0, 0, "", 0, 0,
       {kCollision + "\nファイル: $/./link.html"}},
      {"rev_name_is_an_input", {"a.html", "Rev_a.html"}, "out.html", 0, 0, "", 0, 1,
       {kCollision + "\nファイル: $/Rev_a.html"}},
      // A folder is refused as one, not offered for overwriting.
      {"output_is_a_folder", {"a.html"}, "sub", 0, 0, "", 0, 0,
       {"出力ファイル名がフォルダーを指しています\n出力ファイル名を変更してください\nファイル: $/sub"}},
      {"overwrite_declined", {"a.html"}, "old.html", 0, 0, "", 0, 0,
       {"同名のファイルが存在します。上書きしますか？"}},
  };
  // clang-format on
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MessageRecorder rec(platform::kIdNo);
    Fixture f;
    f.inputs.astrInputPaths.clear();
    for (const auto& name : r.inputs) f.inputs.astrInputPaths.push_back(f.dir.Write(name, kDoc));
    f.inputs.strOutputPath = r.output.empty() ? "" : f.dir.File(r.output);
    f.request.m_bUserSeparator = r.userSeparator;
    f.request.m_nSeparatorKind = r.kind;
    f.inputs.strSeparatorText = r.separator;
    f.inputs.bSeparatorNotCp932 = r.notCp932;
    f.request.m_bOptionsOpened = r.perFile;
    f.options.m_bOneFile = !r.perFile;
    EXPECT_EQ(f.Run(), RequestOutcome::kRefused);
    std::vector<std::string> expected = r.messages;
    for (auto& m : expected) {
      if (const auto at = m.find('$'); at != std::string::npos) m.replace(at, 1, f.dir.Path());
    }
    EXPECT_EQ(rec.Texts(), expected);
    for (const auto& name : r.inputs) EXPECT_EQ(ReadFile(f.dir.File(name)), kDoc);
    EXPECT_EQ(ReadFile(f.dir.File("old.html")), "keep");
    EXPECT_FALSE(testing_support::FileExists(f.dir.File("out.html")));
    if (r.output == "old.html") {
      EXPECT_EQ(rec.messages[0].nType, 292u);
    }
  }
}

TEST(RunRequest, ExceptionFromTheRunIsCaughtAndFilesClosed) {
  MessageRecorder rec;
  Fixture f;
  f.inputs.astrInputPaths[0] = f.dir.Write("utf8.html", "<HTML><BODY>\xE3\x81\x82</BODY></HTML>");
  f.executor.m_onEncodingMismatch = [](const std::string&, TextEncoding) {
    throw std::runtime_error("boom");
  };
  EXPECT_EQ(f.Run(), RequestOutcome::kFailed);
  EXPECT_EQ(
      rec.Texts(),
      (std::vector<std::string>{
          "予期しないエラーが発生しました\nboom\nファイル: " + f.inputs.astrInputPaths[0],
          "エラーのため終了します\n出力ファイルは作られていません: " + f.dir.File("out.html")}));
  EXPECT_FALSE(testing_support::FileExists(f.dir.File("out.html")));
  EXPECT_EQ(f.executor.m_bInputOpen, 0);
  EXPECT_EQ(f.executor.m_bOutputOpen, 0);
  EXPECT_EQ(f.executor.m_pFileData, nullptr);
}

// The [<]/[>] decision on a user separator.
TEST(RunRequest, ShowsTheAutoCloseDecision) {
  for (const auto& [separator, autoClose, text] :
       {std::tuple{"----", 0, "[<] が見つからないので [>] を自動サーチしません"},
        {"<HR", 1, "[<] はありますが [>] がないので [>] を自動サーチします"},
        {"--><!--", 0, "[<] が [>] よりも後にきたので [>] は自動サーチしません"},
        {"<HR>", 0, "[<] も [>] も見つかったので [>] は自動サーチしません"}}) {
    MessageRecorder rec;
    CRunRequest r;
    r.m_bAutoClose = !autoClose;
    EXPECT_EQ(r.CheckAutoClose(separator), 0);
    EXPECT_EQ(r.m_bAutoClose, autoClose) << separator;
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{text});
  }
}

}  // namespace
}  // namespace engine
