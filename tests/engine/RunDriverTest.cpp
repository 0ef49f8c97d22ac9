#include <gtest/gtest.h>

#include <atomic>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>
#include <tuple>

#include "engine/run/CExecutor.h"
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

// The output and result of a successful run, which shows no message of its own.
TEST(Conversion, WritesTheOutput) {
  struct Row {
    const char* name;
    std::vector<std::string> inputs;
    Settings settings;
    std::string expected;
  };
  // clang-format off
  const Row rows[] = {
      // The ways of ordering and cutting that the golden corpus does not show.
      {"range_cut_at_both_ends_in_order", {Doc(kBody)}, {.range = {1}, .leadCut = 1, .trailCut = 1},
       Doc("p2 " + kB)},
      {"block_close_written_when_all_cut", {Doc("<TABLE><TR>1</TR><TR>2</TR></TABLE>")},
       {.kind = 1, .range = {2}, .leadCut = 5}, Doc("<TABLE></TABLE>")},
      // An in-order layer whose last section is empty still honours its cuts...
      {"in_order_cut_before_a_closing_tag", {Doc("<TABLE>a<HR>b<HR></TABLE>")},
       {.range = {2}, .leadCut = 1}, Doc("<TABLE>b<HR></TABLE>")},
      // ...and the reversal of the layers below it.
      {"in_order_layer_keeps_inner_reversal", {Doc("<TABLE><TR>1</TR><TR>2</TR><HR></TABLE>")},
       {.reverse = {2}, .range = {1}}, Doc("<TABLE><HR><TR>2</TR><TR>1</TR></TABLE>")},
      {"empty_list_leaves_an_empty_output", {}, {}, ""},
  };
  // clang-format on
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MessageRecorder rec;
    int result = -2;
    EXPECT_EQ(testing_support::Convert(r.inputs, r.settings, &result), r.expected);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(rec.messages.empty());
  }
}

// A log that cannot be split stops the run with a message that names the file, says what
// is wrong and where; the output is not made. The first file converts, the third is never
// opened.
TEST(SplitFailure, NamesTheFileWhatAndWhere) {
  const std::string stray = "<HTML><BODY>a\r\n<TD>x</TD></TD>b</BODY>";
  const std::string longTag =
      "<HTML><BODY>\n\n</td class=\"\x82\xa0" + std::string(50, 'c') + "\">";
  const std::string cannot = "ファイルを区切れません\n";
  // clang-format off
  const std::pair<std::string, std::string> rows[] = {
      {"", "<HTML> タグが見つかりません"},
      {"<BODY>x</BODY>", "<HTML> タグが見つかりません"},
      {"x\n<HTML>x", "<HTML> タグ (2 行目、オフセット 2) の後に <BODY> タグも </HTML> タグも見つかりません"},
      {"<HTML>\n\r\n</HTML><BODY>", "<BODY> タグより前に </HTML> タグがあります (3 行目、オフセット 9)"},
      {stray, "ブロックを閉じるタグが開くタグより多くなりました: </TD> (2 行目、オフセット " +
                  std::to_string(stray.find("</TD>b")) + ")"},
      {longTag, "ブロックを閉じるタグが開くタグより多くなりました: </td class=\"??" +
                    std::string(26, 'c') + "... (3 行目、オフセット 14)"},
  };
  // clang-format on
  for (const auto& [log, reason] : rows) {
    SCOPED_TRACE(log);
    testing_support::TempDir dir;
    CExecutor ex;
    testing_support::Apply({.kind = 1, .reverse = {1}}, ex);
    std::atomic<int> abort{0};
    ex.m_pAbortFlag = &abort;
    ex.m_strOutputPath = dir.File("out.html");
    const std::string bad = dir.Write("bad.html", log);
    ex.SetInputFiles({dir.Write("in.html", kDoc1), bad, dir.File("never.html")});
    MessageRecorder rec;
    EXPECT_EQ(ex.Run(), -1);
    ex.CloseFiles();
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{cannot + reason + "\nファイル: " + bad});
    EXPECT_FALSE(testing_support::FileExists(dir.File("out.html")));
    EXPECT_EQ(ex.StopReport(), "\n出力ファイルは作られていません: " + dir.File("out.html"));
  }
}

// A stop asked for before a run writes nothing; before an outline, it hands over no partial
// tree and says nothing: whoever stopped it wants none of it.
TEST(RunDriver, AbortStopsBeforeTheFirstFile) {
  testing_support::TempDir dir;
  CExecutor ex;
  testing_support::Apply({}, ex);
  std::atomic<int> abort{1};
  ex.m_pAbortFlag = &abort;
  ex.m_strOutputPath = dir.Write("out.html", "old");
  ex.SetInputFiles({dir.Write("in.html", kDoc1)});
  EXPECT_EQ(ex.Run(), -1);
  ex.CloseFiles();
  EXPECT_EQ(ReadFile(dir.File("out.html")), "old");

  MessageRecorder rec;
  int outlines = 0;
  EXPECT_EQ(ex.Outline([&](FileOutline&) { ++outlines; }), -1);
  EXPECT_EQ(outlines, 0);
  EXPECT_TRUE(ex.Stopped());
  EXPECT_TRUE(rec.messages.empty());
}

TEST(EucToSjis, ConvertsRowsAndCells) {
  const std::tuple<std::string, std::string, std::size_t, std::size_t> rows[] = {
      {"\xA4\xA2", "\x82\xA0", 0, 0},            // hiragana a
      {"\xDF\xA1", "\xE0\x40", 0, 0},            // rows from 0xDF use the second lead range
      {"\xFE\xFE", "\xEF\xFC", 0, 0},            // the last cell
      {"\xA1\xE0", "\x81\x80", 0, 0},            // odd row, cell above 0x7E skips 0x7F
      {"\x8E\xB1z\x8E\xDF", "\xB1z\xDF", 0, 0},  // half-width katakana lose their prefix
      {"\x8E\xE0\x8E", "\x8E\xE0\x8E", 0, 0},    // no katakana after 0x8E; a lone last byte
      {"\x80\xFF\xA4", "\x80\xFF\xA4", 0, 0},    // no EUC pair; a lone lead byte at the end
      {"z\x8F\xB0\xA1\x8F\xFE\xFE", "z\x81\xAC\x81\xAC", 2, 1},  // JIS X 0212: 〓
      {"\x8FZ\x8F\xB0", "\x8FZ\x8F\xB0", 0, 0},                  // 0x8F before ASCII; one cut short
  };
  for (auto [in, out, replaced, first] : rows) {
    const EucConversion c = ConvertEucToSjis(reinterpret_cast<std::uint8_t*>(in.data()), in.size());
    EXPECT_EQ(in.substr(0, c.nSize), out);
    EXPECT_EQ(c.nReplaced, replaced);
    EXPECT_EQ(c.nFirstReplaced, first);
  }
}

// Converted EUC text is shorter than its file: the progress of a run still ends at its total.
TEST(RunDriver, EucProgressEndsAtItsTotal) {
  testing_support::TempDir dir;
  CExecutor ex;
  testing_support::Apply({}, ex);
  ex.m_bEuc = true;
  std::atomic<int> abort{0};
  ex.m_pAbortFlag = &abort;
  ex.m_strOutputPath = dir.File("out.html");
  ex.SetInputFiles({dir.Write("in.html", Doc("\x8E\xB6\x8F\xB0\xA1"))});
  MessageRecorder rec;
  EXPECT_EQ(ex.Run(), 0);
  EXPECT_EQ(ex.GetProgress().nTotal, 2 * (Doc("").size() + 3));
  EXPECT_EQ(ex.GetProgress().nDone, ex.GetProgress().nTotal);
}

}  // namespace
}  // namespace engine
