#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "engine/request/CRunRequest.h"
#include "engine/run/CExecutor.h"
#include "platform/SysCalls.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"

namespace engine {
namespace {

using testing_support::MessageRecorder;
using testing_support::ReadFile;
using testing_support::TempDir;

const std::string kDoc = "<HTML><BODY>a<HR>b</BODY></HTML>";
const std::string kCollision =
    "出力ファイル名が入力ファイルと衝突します。\n出力ファイル名を変更してください";

struct Fixture {
  TempDir dir;
  CRunRequest request;
  COptionValues options;
  CExecutor executor;
  RunInputs inputs;

  Fixture() {
    inputs.astrInputPaths = {dir.Write("a.html", kDoc), dir.Write("b.html", kDoc)};
    inputs.strOutputPath = dir.File("out.html");
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

// Each refusal: the inputs that cause it and the one message it shows.
TEST(RunRequest, ChecksInTheirOrder) {
  struct Row {
    const char* name;
    std::function<void(Fixture&)> setup;
    std::vector<std::string> messages;
  };
  const Row rows[] = {
      {"no_input_even_without_output",
       [](Fixture& f) {
         f.inputs.astrInputPaths.clear();
         f.inputs.strOutputPath.clear();
       },
       {"入力用ファイル名を入力してください"}},
      {"no_output",
       [](Fixture& f) { f.inputs.strOutputPath.clear(); },
       {"出力用ファイル名を入力してください"}},
      {"user_separator_empty",
       [](Fixture& f) {
         f.request.m_bUserSeparator = 1;
         f.request.m_nSeparatorKind = 3;
       },
       {"区切り用の文字列を入力してください"}},
      {"kind_3_without_user_separator",
       [](Fixture& f) { f.request.m_nSeparatorKind = 3; },
       {"区切り用の文字列を入力してください"}},
      {"decision_then_collision",
       [](Fixture& f) {
         f.request.m_bUserSeparator = 1;
         f.inputs.strSeparatorText = "<HR";
         f.inputs.strOutputPath = f.inputs.astrInputPaths[1];
       },
       {"[<] はありますが [>] がないので [>] を自動サーチします", kCollision}},
      {"collision_by_another_spelling",
       [](Fixture& f) { f.inputs.strOutputPath = f.dir.Path() + "/./b.html"; },
       {kCollision}},
      {"collision_through_a_symbolic_link",
       [](Fixture& f) {
         ::symlink(f.inputs.astrInputPaths[0].c_str(), f.dir.File("link.html").c_str());
         f.inputs.strOutputPath = f.dir.File("link.html");
       },
       {kCollision}},
      {"collision_through_a_hard_link",
       [](Fixture& f) {
         ::link(f.inputs.astrInputPaths[0].c_str(), f.dir.File("hard.html").c_str());
         f.inputs.strOutputPath = f.dir.File("hard.html");
       },
       {kCollision}},
      {"rev_name_is_an_input",
       [](Fixture& f) {
         f.inputs.astrInputPaths.push_back(f.dir.Write("Rev_a.html", kDoc));
         f.request.m_bOptionsOpened = 1;
         f.options.m_bOneFile = 0;
       },
       {kCollision + "\n" + "REV"}},
      {"overwrite_declined",
       [](Fixture& f) { f.dir.Write("out.html", "keep"); },
       {"同名のファイルが存在します。上書きしますか？"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MessageRecorder rec(platform::IDNO);
    Fixture f;
    // Taken before the setup, which may empty the input list.
    const std::string first = f.inputs.astrInputPaths[0];
    const std::string before = ReadFile(first);
    r.setup(f);
    EXPECT_EQ(f.Run(), RequestOutcome::kRefused);
    std::vector<std::string> expected = r.messages;
    for (auto& m : expected) {
      const auto rev = m.find("REV");
      if (rev != std::string::npos) m.replace(rev, 3, f.dir.File("Rev_a.html"));
    }
    EXPECT_EQ(rec.Texts(), expected);
    EXPECT_EQ(ReadFile(first), before);
    if (std::string(r.name) == "overwrite_declined") {
      EXPECT_EQ(rec.messages[0].nType, 292u);
      EXPECT_EQ(ReadFile(f.dir.File("out.html")), "keep");
    } else {
      EXPECT_FALSE(testing_support::FileExists(f.dir.File("out.html")));
    }
  }
}

TEST(RunRequest, OverwriteAnsweredYesRuns) {
  MessageRecorder rec(platform::IDYES);
  Fixture f;
  f.dir.Write("out.html", "old");
  EXPECT_EQ(f.Run(), RequestOutcome::kSucceeded);
  EXPECT_NE(ReadFile(f.inputs.strOutputPath), "old");
}

TEST(RunRequest, OtherLetterCaseIsNoCollision) {
  MessageRecorder rec(platform::IDYES);
  Fixture f;
  f.inputs.strOutputPath = f.dir.File("A.html");
  EXPECT_EQ(f.Run(), RequestOutcome::kSucceeded);
}

TEST(RunRequest, FailedRunEndsWithTheErrorMessage) {
  MessageRecorder rec;
  Fixture f;
  f.inputs.astrInputPaths[1] = f.dir.File("missing.html");
  EXPECT_EQ(f.Run(), RequestOutcome::kFailed);
  EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"ファイルをオープンできません\nファイル未定義",
                                                   "エラーのため終了します"}));
  EXPECT_EQ(f.executor.m_bOutputOpen, 0);
}

TEST(RunRequest, ExceptionFromTheRunIsCaughtAndFilesClosed) {
  MessageRecorder rec;
  Fixture f;
  platform::SysCalls calls = platform::PosixSysCalls();
  calls.writev = [](int, const iovec*, int) -> ssize_t { throw std::runtime_error("boom"); };
  platform::ScopedSysCalls scoped(calls);
  EXPECT_EQ(f.Run(), RequestOutcome::kFailed);
  EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"予期しないエラーが発生しました\nboom",
                                                   "エラーのため終了します"}));
  EXPECT_EQ(f.executor.m_bInputOpen, 0);
  EXPECT_EQ(f.executor.m_bOutputOpen, 0);
  EXPECT_EQ(f.executor.m_pFileData, nullptr);
}

TEST(RunRequest, HandOverOptions) {
  CRunRequest r;
  COptionValues o;
  CExecutor ex;
  // Never opened: fixed defaults, nothing reordered, the <HR> line between files.
  r.HandOverOptions(o, ex);
  EXPECT_EQ(ex.m_bAppendSeparator, 1);
  EXPECT_EQ(ex.m_nSeparatorStyle, 0);
  EXPECT_EQ(ex.m_bSeparatorFirst, 1);
  EXPECT_EQ(ex.m_bOneFile, 1);
  EXPECT_EQ(ex.m_byLayerLimit, 0);
  // Opened and cancelled at once: the construction values.
  r.m_bOptionsOpened = 1;
  r.HandOverOptions(o, ex);
  EXPECT_EQ(ex.m_nSeparatorStyle, 1);
  EXPECT_EQ(ex.m_bSeparatorFirst, 0);
  // The highest flagged layer is the limit; working copies are not handed over.
  o.m_abyReverse[3] = 1;
  o.m_abyRange[5] = 1;
  o.m_abyReverseEdit[9] = 1;
  o.m_bAppendSeparator = 0;
  o.m_nSeparatorStyle = 0;
  r.HandOverOptions(o, ex);
  EXPECT_EQ(ex.m_byLayerLimit, 5);
  EXPECT_EQ(ex.m_abyReverse[3], 1);
  EXPECT_EQ(ex.m_abyRange[5], 1);
  EXPECT_EQ(ex.m_abyReverse[9], 0);
  EXPECT_EQ(ex.m_bAppendSeparator, 0);
  EXPECT_EQ(ex.m_nSeparatorStyle, 1);  // kept from the last hand-over
}

TEST(RunRequest, OutputDescriptorThatIsAnInputIsRefused) {
  MessageRecorder rec;
  Fixture f;
  const int fd = ::open(f.inputs.astrInputPaths[0].c_str(), O_WRONLY | O_APPEND);
  f.inputs.target = RunInputs::Target::kDescriptor;
  f.inputs.hOutput = fd;
  EXPECT_EQ(f.Run(), RequestOutcome::kRefused);
  ::close(fd);
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{kCollision});
  EXPECT_EQ(ReadFile(f.inputs.astrInputPaths[0]), kDoc);
}

}  // namespace
}  // namespace engine
