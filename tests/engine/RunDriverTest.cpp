#include <gtest/gtest.h>

#include <string>

#include "engine/run/CExecutor.h"
#include "tests/support/Conversion.h"
#include "tests/support/MessageRecorder.h"

namespace engine {
namespace {

using testing_support::Convert;
using testing_support::MessageRecorder;
using testing_support::ReadFile;
using testing_support::Settings;
using testing_support::TempDir;

const std::string kDoc1 = "<!DOCTYPE x>\r\n<HTML><HEAD>1</HEAD><BODY bgcolor=1>b1</BODY>\r\n</HTML>tail";
const std::string kDoc2 = "<html><body>b2</body></html>";
const std::string kNumbered0 =
    "\r\n<CENTER>==============================\x88\xC8\x8F\xE3\x81\x40[0] "
    "\x94\xD4\x96\xDA\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x93\xE0\x97\x65 "
    "==============================</CENTER>\r\n";

TEST(NumberedLine, IsTheShiftJisLineNumberedFromZero) {
  EXPECT_EQ(NumberedSeparatorLine(0), kNumbered0);
  EXPECT_EQ(kNumbered0.size(), 110u);  // 111 with "%d", 110 with one digit
  EXPECT_NE(NumberedSeparatorLine(12).find("[12] "), std::string::npos);
}

struct RunCase {
  const char* name;
  std::vector<std::string> inputs;
  Settings settings;
  std::string expected;
};

Settings Between(int append, int style) {
  Settings s;
  s.appendSeparator = append;
  s.separatorStyle = style;
  return s;
}

const RunCase kRunCases[] = {
    {"numbered_line_between_files", {kDoc1, kDoc2}, Between(1, 1),
     "<HTML><HEAD>1</HEAD><BODY bgcolor=1>b1" + kNumbered0 + "b2</body></html>"},
    {"hr_line_between_files", {kDoc1, kDoc2}, Between(1, 0),
     "<HTML><HEAD>1</HEAD><BODY bgcolor=1>b1<HR SIZE=\"50\">b2</body></html>"},
    {"nothing_between_files", {kDoc1, kDoc2}, Between(0, 1),
     "<HTML><HEAD>1</HEAD><BODY bgcolor=1>b1b2</body></html>"},
    {"simple_header_keeps_the_trailer", {kDoc1},
     [] {
       Settings s;
       s.simpleHeader = 1;
       return s;
     }(),
     "<HTML>\r\n<BODY>\r\nb1</BODY>\r\n</HTML>"},
    {"body_end_without_document_end_gets_the_fixed_footer", {"<HTML><BODY>x</BODY>"}, Settings{},
     "<HTML><BODY>x\r\n</BODY>\r\n</HTML>\r\n"},
    {"document_end_without_body_end", {"<HTML><BODY>x</HTML>y"}, Settings{},
     "<HTML><BODY>x</HTML>"},
    {"log_without_end_tags_keeps_its_last_bytes", {"<HTML><BODY>a<HR>bc"}, Settings{},
     "<HTML><BODY>a<HR>bc\r\n</BODY>\r\n</HTML>\r\n"},
    {"euc_input_is_converted", {"<HTML><BODY>\xA4\xA2\xB0\xA1\x8E\xB1</BODY></HTML>"},
     [] {
       Settings s;
       s.euc = 1;
       return s;
     }(),
     "<HTML><BODY>\x82\xA0\x88\x9F\x8E\xB1</BODY></HTML>"},
    {"empty_list_leaves_an_empty_output", {}, Settings{}, ""},
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

class RunDriver : public ::testing::TestWithParam<RunCase> {};

TEST_P(RunDriver, WritesHeadersBodiesAndFooters) {
  const RunCase& c = GetParam();
  MessageRecorder rec;
  int result = -2;
  EXPECT_EQ(Convert(c.inputs, c.settings, &result), c.expected);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(rec.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, RunDriver, ::testing::ValuesIn(kRunCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A run over files in a fresh folder, kept open for inspection.
struct RunFixture {
  TempDir dir;
  CExecutor ex;
  int abort = 0;
  std::vector<std::string> paths;

  RunFixture(const std::vector<std::string>& inputs, const Settings& s) {
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      paths.push_back(dir.Write("in" + std::to_string(i) + ".html", inputs[i]));
    }
    testing_support::Apply(s, ex);
    ex.m_pAbortFlag = &abort;
    ex.m_strOutputPath = dir.File("out.html");
    ex.SetInputFiles(paths);
  }
};

TEST(RunDriverFiles, PerFileOutputWritesOneDocumentPerInput) {
  Settings s = Between(1, 1);
  s.oneFile = 0;
  RunFixture run({kDoc1, kDoc2, "<HTML><BODY>3"}, s);
  ASSERT_EQ(run.ex.Run(), 0);
  EXPECT_EQ(ReadFile(run.dir.File("Rev_in0.html")),
            "<HTML><HEAD>1</HEAD><BODY bgcolor=1>b1</BODY>\r\n</HTML>");
  EXPECT_EQ(ReadFile(run.dir.File("Rev_in1.html")), kDoc2);
  EXPECT_EQ(ReadFile(run.dir.File("Rev_in2.html")),
            "<HTML><BODY>3\r\n</BODY>\r\n</HTML>\r\n");
  EXPECT_FALSE(testing_support::FileExists(run.dir.File("out.html")));
  EXPECT_EQ(run.ex.m_strOutputPath, run.dir.File("Rev_in2.html"));
}

TEST(RunDriverFiles, AbortFlagStopsBeforeTheFirstFile) {
  RunFixture run({kDoc1}, Settings{});
  run.abort = 1;
  EXPECT_EQ(run.ex.Run(), -1);
  run.ex.CloseFiles();
  EXPECT_TRUE(testing_support::FileExists(run.dir.File("out.html")));
  EXPECT_EQ(ReadFile(run.dir.File("out.html")), "");
  EXPECT_EQ(run.ex.m_bInputOpen, 0);
}

TEST(RunDriverFiles, MissingAbortFlagOpensNothing) {
  MessageRecorder rec;
  RunFixture run({kDoc1}, Settings{});
  run.ex.m_pAbortFlag = nullptr;
  EXPECT_EQ(run.ex.Run(), -1);
  EXPECT_FALSE(testing_support::FileExists(run.dir.File("out.html")));
  EXPECT_EQ(rec.Texts(),
            std::vector<std::string>{"実行クラスに中止命令変数のアドレスがセットされてません"});
}

TEST(RunDriverFiles, FailingSecondFileLeavesThePartialOutput) {
  MessageRecorder rec;
  RunFixture run({kDoc1, "no document here", kDoc2}, Between(1, 0));
  EXPECT_EQ(run.ex.Run(), -1);
  EXPECT_EQ(run.ex.m_bInputOpen, 1);  // closed by the caller
  run.ex.CloseFiles();
  EXPECT_EQ(run.ex.m_bInputOpen, 0);
  EXPECT_EQ(ReadFile(run.dir.File("out.html")),
            "<HTML><HEAD>1</HEAD><BODY bgcolor=1>b1<HR SIZE=\"50\">");
  EXPECT_TRUE(rec.messages.empty());
}

TEST(RunDriverFiles, SplitResults) {
  struct Row {
    const char* doc;
    int split;
  };
  for (const Row& r : {Row{"no html", kSplitCannot}, Row{"<HTML></HTML><BODY>", kSplitHtmlEndFirst},
                       Row{"<HTML>no body", kSplitCannot}, Row{"", kSplitCannot},
                       Row{"<HTML><BODY>a</TD>b</BODY>", kSplitCannot},
                       Row{"<html><body>a</body></html>", kSplitOk}}) {
    RunFixture run({r.doc}, [] {
      Settings s;
      s.kind = 1;
      s.reverse = {1};
      return s;
    }());
    ASSERT_EQ(run.ex.OpenInputFile(0), 0);
    run.ex.m_searcher.SetBuffer(run.ex.m_pFileData.get(), run.ex.m_nFileSize);
    EXPECT_EQ(run.ex.Split(), r.split) << r.doc;
  }
}

}  // namespace
}  // namespace engine
