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

// Two logs, an existing "old.html" and "link.html", another name of the first log.
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
    std::filesystem::create_hard_link(testing_support::PathOf(inputs.astrInputPaths[0]),
                                      testing_support::PathOf(dir.File("link.html")));
  }
  RequestOutcome Run() { return request.OnRun(inputs, options, executor); }
};

// The refusals the golden corpus cannot make (a second name of an input, an answer "no"),
// with the messages they show. Nothing is written, no input changes, and the overwrite
// question defaults to "no".
TEST(RunRequest, RefusesWhatTheCorpusCannotAsk) {
  struct Row {
    const char* name;
    std::string output;
    std::string message;  // "$": the folder
    unsigned type;
  };
  const Row rows[] = {
      {"collision through a link and another spelling", "./link.html",
       kCollision + "\nファイル: $/./link.html", platform::kMbOk},
      // Yes and no, no the default, with the question's icon.
      {"overwrite declined", "old.html", "同名のファイルが存在します。上書きしますか？", 292u},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MessageRecorder rec(platform::kIdNo);
    Fixture f;
    f.inputs.astrInputPaths = {f.dir.File("a.html")};
    f.inputs.strOutputPath = f.dir.File(r.output);
    EXPECT_EQ(f.Run(), RequestOutcome::kRefused);
    std::string expected = r.message;
    if (const auto at = expected.find('$'); at != std::string::npos)
      expected.replace(at, 1, f.dir.Path());
    EXPECT_EQ(rec.Texts(), std::vector{expected});
    EXPECT_EQ(rec.messages[0].nType, r.type);
    EXPECT_EQ(ReadFile(f.dir.File("a.html")), kDoc);
    EXPECT_EQ(ReadFile(f.dir.File("old.html")), "keep");
    EXPECT_FALSE(testing_support::FileExists(f.dir.File("out.html")));
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
  EXPECT_FALSE(f.executor.HoldsFiles());
}

}  // namespace
}  // namespace engine
