#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "engine/run/CExecutor.h"
#include "platform/SysCalls.h"
#include "tests/support/Conversion.h"
#include "tests/support/MessageRecorder.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // designated settings

namespace engine {
namespace {

using testing_support::Doc;
using testing_support::MessageRecorder;
using testing_support::ReadFile;
using testing_support::Settings;

// p1 <HR> p2 B p3: three top-level sections, the second carrying a whole table.
const std::string kB = "<TABLE><TR><TD>t</TD></TR></TABLE>";
const std::string kBody = "p1 <HR>p2 " + kB + "p3 ";
const std::string kDoc1 =
    "<!DOCTYPE x>\r\n<HTML><HEAD>1</HEAD><BODY bgcolor=1>b1</BODY>\r\n</HTML>tail";
const std::string kHead1 = "<HTML><HEAD>1</HEAD><BODY bgcolor=1>b1";

// The output and result of a run, which never shows a message itself (on failure the caller
// reports it).
TEST(Conversion, WritesTheOutput) {
  struct Row {
    const char* name;
    std::vector<std::string> inputs;
    Settings settings;
    std::string expected;
    int result = 0;
  };
  const std::string numbered =
      "\r\n<CENTER>==============================\x88\xC8\x8F\xE3\x81\x40[0] "
      "\x94\xD4\x96\xDA\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x93\xE0\x97\x65 "
      "==============================</CENTER>\r\n";
  const Settings reversed = {.kind = 1, .reverse = {1}};
  // clang-format off
  const Row rows[] = {
      // One row per way the writer orders and cuts a layer's sections.
      {"reversed_text_first", {Doc(kBody)}, {.reverse = {1}, .separatorFirst = 0},
       Doc("p3 p2 " + kB + "p1 <HR>")},
      {"reversed_separator_first", {Doc(kBody)}, {.reverse = {1}}, Doc("p3 " + kB + "p2 <HR>p1 ")},
      {"range_cut_at_both_ends_in_order", {Doc(kBody)}, {.range = {1}, .leadCut = 1, .trailCut = 1},
       Doc("p2 " + kB)},
      {"reversed_range_keeps_the_cut_in_place", {Doc(kBody)},
       {.reverse = {1}, .range = {1}, .leadCut = 1, .cutOutsideRange = 1},
       Doc("p1 <HR>p3 " + kB + "p2 ")},
      {"cuts_cover_everything", {Doc(kBody)}, {.range = {1}, .leadCut = 2, .trailCut = 1}, Doc("")},
      // Layer 2 reversed: rows inside each table, the table's own tags stay at its ends.
      {"layer_2_reverses_rows", {Doc("x<TABLE><TR>r1</TR><TR>r2</TR></TABLE>y")},
       {.kind = 1, .reverse = {2}}, Doc("x<TABLE><TR>r2</TR><TR>r1</TR></TABLE>y")},
      {"block_close_written_when_all_cut", {Doc("<TABLE><TR>1</TR><TR>2</TR></TABLE>")},
       {.kind = 1, .range = {2}, .leadCut = 5}, Doc("<TABLE></TABLE>")},
      // An in-order layer whose last section is empty still honours its cuts...
      {"in_order_cut_before_a_closing_tag", {Doc("<TABLE>a<HR>b<HR></TABLE>")},
       {.range = {2}, .leadCut = 1}, Doc("<TABLE>b<HR></TABLE>")},
      // ...and the reversal of the layers below it.
      {"in_order_layer_keeps_inner_reversal", {Doc("<TABLE><TR>1</TR><TR>2</TR><HR></TABLE>")},
       {.reverse = {2}, .range = {1}}, Doc("<TABLE><HR><TR>2</TR><TR>1</TR></TABLE>")},
      {"numbered_line_between_files", {kDoc1, "<html><body>b2</body></html>"},
       {.separatorStyle = 1}, kHead1 + numbered + "b2</body></html>"},
      {"document_end_without_body_end", {"<HTML><BODY>x</HTML>y"}, {}, "<HTML><BODY>x</HTML>"},
      {"empty_list_leaves_an_empty_output", {}, {}, ""},
      // A second file that cannot be divided ends the run after the first one.
      {"body_after_html_end", {kDoc1, "<HTML></HTML><BODY>", kDoc1}, reversed,
       kHead1 + "<HR SIZE=\"50\">", -1},
      {"stray_closing_tag", {kDoc1, "<HTML><BODY>a</TD>b</BODY>", kDoc1}, reversed,
       kHead1 + "<HR SIZE=\"50\">", -1},
  };
  // clang-format on
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MessageRecorder rec;
    int result = -2;
    EXPECT_EQ(testing_support::Convert(r.inputs, r.settings, &result), r.expected);
    EXPECT_EQ(result, r.result);
    EXPECT_TRUE(rec.messages.empty());
  }
}

TEST(RunDriver, AbortStopsBeforeTheFirstFile) {
  testing_support::TempDir dir;
  CExecutor ex;
  testing_support::Apply({}, ex);
  int abort = 1;
  ex.m_pAbortFlag = &abort;
  ex.m_strOutputPath = dir.File("out.html");
  ex.SetInputFiles({dir.Write("in.html", kDoc1)});
  EXPECT_EQ(ex.Run(), -1);
  ex.CloseFiles();
  EXPECT_EQ(ReadFile(dir.File("out.html")), "");
}

TEST(EucToSjis, ConvertsRowsAndCells) {
  const std::pair<std::string, std::string> rows[] = {
      {"\xA4\xA2", "\x82\xA0"},                  // hiragana a
      {"\xDF\xA1", "\xE0\x40"},                  // rows from 0xDF use the second lead range
      {"\xFE\xFE", "\xEF\xFC"},                  // the last cell
      {"\xA1\xE0", "\x81\x80"},                  // odd row, cell above 0x7E skips 0x7F
      {"\x8E\xB1\x8E\xDE", "\x8E\xB1\x8E\xDE"},  // half-width katakana stay
      {"\x80\xFF\xA4", "\x80\xFF\xA4"},          // no EUC pair; a lone lead byte at the end
  };
  for (auto [in, out] : rows) {
    ConvertEucToSjis(reinterpret_cast<std::uint8_t*>(in.data()), in.size());
    EXPECT_EQ(in, out);
  }
}

// For the row under test: the open fails with this errno.
int g_fault = 0;

TEST(InputLoading, ReportsEachKindOfFailure) {
  testing_support::TempDir dir;
  const std::string file = dir.Write("a.html", "<HTML>");
  ::mkfifo(dir.File("fifo").c_str(), 0600);
  const std::string open = "ファイルをオープンできません\n";
  const std::tuple<std::string, int, std::string> rows[] = {
      {file, 0, ""},
      {dir.File("missing.html"), 0, open + "ファイル未定義"},
      {dir.File("no/such/folder/a.html"), 0, open + "不正パス"},
      {file + "/x", 0, open + "不正パス"},
      {"", 0, open + "不正パス"},
      {dir.File("fifo"), 0, open + "ファイル アクセス禁止"},  // must not block
      {file, EROFS, open + "ファイル アクセス禁止"},
      {file, ENFILE, open + "オープン ファイル数超過"},
      {file, EINVAL, open + "未定義エラー"},
  };
  platform::SysCalls calls = platform::PosixSysCalls();
  calls.open = [](const char* path, int flags, mode_t mode) -> int {
    if (g_fault == 0) return platform::PosixSysCalls().open(path, flags, mode);
    errno = g_fault;
    return -1;
  };
  platform::ScopedSysCalls scoped(calls);
  for (const auto& [path, fault, message] : rows) {
    SCOPED_TRACE(path + " " + std::to_string(fault));
    g_fault = fault;
    MessageRecorder rec;
    CExecutor ex;
    ex.SetInputFiles({path});
    const int result = ex.OpenInputFile(0);
    EXPECT_EQ(rec.Texts(),
              message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
    EXPECT_EQ(result, message.empty() ? 0 : -1);
    EXPECT_EQ(ex.m_bInputOpen, message.empty() ? 1 : 0);
  }
  g_fault = 0;
}

}  // namespace
}  // namespace engine
