#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <atomic>
#include <thread>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>
#include <tuple>

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

// The output and result of a successful run, which shows no message of its own.
TEST(Conversion, WritesTheOutput) {
  struct Row {
    const char* name;
    std::vector<std::string> inputs;
    Settings settings;
    std::string expected;
  };
  const std::string numbered =
      "\r\n<CENTER>==============================\x88\xC8\x8F\xE3\x81\x40[0] "
      "\x94\xD4\x96\xDA\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x93\xE0\x97\x65 "
      "==============================</CENTER>\r\n";
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
  EXPECT_EQ(ex.m_bStopped, 1);
  EXPECT_TRUE(rec.messages.empty());
}

bool g_stopOnWrite = false;  // the first write of the output sets the flag
std::atomic<int>* g_flag = nullptr;

// A run asked to stop inside a large file stops within a few megabytes, in the split or
// while it writes, or at its end, where it waits while a front end asks whether to stop;
// it leaves the output as it was and says so. One left alone counts its progress up to the
// total, never backwards.
TEST(RunDriver, StopsInsideALargeFileAndCountsProgress) {
  std::string log = "<HTML><BODY>";
  while (log.size() < (24u << 20))
    log += "<dl>a post of some length, " + std::string(100, 'p') + "</dl><HR>";
  log += "</BODY></HTML>";
  platform::SysCalls calls = platform::PosixSysCalls();
  calls.writev = [](int fd, const iovec* iov, int n) -> ssize_t {
    if (g_stopOnWrite) g_flag->store(1);
    return ::writev(fd, iov, n);
  };
  calls.write = [](int fd, const void* data, size_t n) -> ssize_t {
    if (g_stopOnWrite) g_flag->store(1);
    return ::write(fd, data, n);
  };
  platform::ScopedSysCalls scoped(calls);
  const std::uint64_t total = 2 * (log.size() + log.size());
  // Where the flag is set, in units of work (two per input byte); none: not at all. Without
  // layer 1 reversed, each body is written unchanged, as one range. Asked: set by a front
  // end that holds the gate, once the run waits there.
  const std::tuple<const char*, std::optional<std::uint64_t>, bool, bool, bool> rows[] = {
      {"left_alone", std::nullopt, false, true, false},
      {"during_the_first_split", std::uint64_t{8} << 20, false, true, false},
      {"during_the_second_split", 2 * log.size() + (8 << 20), false, true, false},
      {"while_writing", std::nullopt, true, true, false},
      {"while_writing_a_body_unchanged", std::nullopt, true, false, false},
      {"asked_while_it_ends", std::nullopt, false, true, true},
  };
  for (const auto& [name, stopAt, bOnWrite, bReverse, bAsked] : rows) {
    SCOPED_TRACE(name);
    testing_support::TempDir dir;
    CExecutor ex;
    testing_support::Apply(
        {.kind = 2, .reverse = bReverse ? std::vector<int>{1} : std::vector<int>{}}, ex);
    std::atomic<int> abort{0};
    g_flag = &abort;
    g_stopOnWrite = bOnWrite;
    ex.m_pAbortFlag = &abort;
    ex.m_strOutputPath = dir.Write("out.html", "old");
    ex.SetInputFiles({dir.Write("a.html", log), dir.Write("b.html", log)});
    std::vector<std::uint64_t> seen;
    const auto inner = ex.m_searcher.m_checkpoint;
    ex.m_searcher.m_checkpoint = [&](std::size_t pos) {
      seen.push_back(ex.m_nProgressDone.load());
      if (stopAt && ex.m_nProgressDone.load() >= *stopAt) abort.store(1);
      return inner(pos);
    };
    ASSERT_TRUE(!bAsked || ex.m_commitGate.Hold());
    std::atomic<bool> bEnded = false;  // a run that does not wait must not hang the test
    std::thread asker([&] {
      while (bAsked && !ex.m_commitGate.HasWaiter() && !bEnded) std::this_thread::yield();
      if (bAsked) abort.store(1);
      ex.m_commitGate.Release();
    });
    MessageRecorder rec;
    const int result = ex.Run();
    bEnded = true;
    asker.join();
    ex.CloseFiles();
    g_stopOnWrite = false;
    EXPECT_FALSE(ex.m_commitGate.Hold());  // the run is over: nothing left to hold back
    EXPECT_EQ(ex.m_nProgressTotal.load(), total);
    EXPECT_TRUE(std::ranges::is_sorted(seen));
    EXPECT_TRUE(rec.messages.empty());
    if (!stopAt && !bOnWrite && !bAsked) {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(ex.m_nProgressDone.load(), total);
      // The second header and the first trailer give way to the 14-byte line between files.
      EXPECT_EQ(ReadFile(dir.File("out.html")).size(), 2 * log.size() - 26 + 14);
      continue;
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(ex.m_bStopped, 1);
    EXPECT_EQ(ReadFile(dir.File("out.html")), "old");
    // Stopped within a step of where the flag was set.
    const std::uint64_t at = bAsked ? total : stopAt.value_or(log.size());
    EXPECT_LE(ex.m_nProgressDone.load(), at + 2 * CSearcher::kCheckpointStep);
    EXPECT_EQ(ex.StopReport(), "\n出力ファイルは実行前のままです: " + dir.File("out.html"));
  }
}

// Each row: EUC-JP in, Shift_JIS out, and how many JIS X 0212 characters became 〓 (the
// first at the offset given, in the converted bytes).
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
  ex.m_bEuc = 1;
  std::atomic<int> abort{0};
  ex.m_pAbortFlag = &abort;
  ex.m_strOutputPath = dir.File("out.html");
  ex.SetInputFiles({dir.Write("in.html", Doc("\x8E\xB6\x8F\xB0\xA1"))});
  MessageRecorder rec;
  EXPECT_EQ(ex.Run(), 0);
  EXPECT_EQ(ex.m_nProgressTotal.load(), 2 * (Doc("").size() + 3));
  EXPECT_EQ(ex.m_nProgressDone.load(), ex.m_nProgressTotal.load());
}

// For the row under test: the open fails with this errno, or the file claims this size.
int g_fault = 0;
off_t g_size = -1;

// Every message names the file, and says the OS cause where there is one.
TEST(InputLoading, ReportsEachKindOfFailure) {
  testing_support::TempDir dir;
  const std::string file = dir.Write("a.html", "<HTML>");
  ::mkfifo(dir.File("fifo").c_str(), 0600);
  const std::string open = "ファイルをオープンできません\n";
  const std::string tooLarge =
      "ファイルが大きすぎます\n変換できるのは 4,294,967,294 バイトまでのファイルです\nファイル: ";
  struct Row {
    std::string path;
    int fault;
    std::string message;  // then the path and the cause of `err`
    int err = 0;
    off_t size = -1;
  };
  const Row rows[] = {
      {file, 0, ""},
      {file, 0, "", 0, 0xFFFFFFFE},
      {file, 0, tooLarge, 0, 0xFFFFFFFF},
      {dir.File("missing.html"), 0, open + "ファイル未定義", ENOENT},
      {dir.File("no/such/folder/a.html"), 0, open + "不正パス", ENOENT},
      {file + "/x", 0, open + "不正パス", ENOTDIR},
      {"", 0, open + "不正パス", ENOENT},
      {dir.File("fifo"), 0, open + "ファイル アクセス禁止", EINVAL},  // must not block
      {file, EROFS, open + "ファイル アクセス禁止", EROFS},
      {file, ENFILE, open + "オープン ファイル数超過", ENFILE},
      {file, EINVAL, open + "未定義エラー", EINVAL},
  };
  platform::SysCalls calls = platform::PosixSysCalls();
  calls.open = [](const char* path, int flags, mode_t mode) -> int {
    if (g_fault == 0) return platform::PosixSysCalls().open(path, flags, mode);
    errno = g_fault;
    return -1;
  };
  calls.fstat = [](int fd, struct stat* st) -> int {
    const int r = ::fstat(fd, st);
    if (g_size >= 0) st->st_size = g_size;
    return r;
  };
  platform::ScopedSysCalls scoped(calls);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path + " " + std::to_string(row.fault) + " " + std::to_string(row.size));
    g_fault = row.fault;
    g_size = row.size;
    MessageRecorder rec;
    CExecutor ex;
    ex.SetInputFiles({row.path});
    const int result = ex.OpenInputFile(0);
    std::string message = row.message;
    if (row.size > 0xFFFFFFFE) message += row.path + "\n大きさ: 4294967295 バイト";
    if (row.err != 0)
      message += "\nファイル: " + row.path + "\n原因: " + platform::OsErrorText(row.err);
    EXPECT_EQ(rec.Texts(),
              message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
    EXPECT_EQ(result, message.empty() ? 0 : -1);
    EXPECT_EQ(ex.m_bInputOpen, message.empty() ? 1 : 0);
    if (result == 0) {
      EXPECT_EQ(ex.m_nFileSize, static_cast<std::size_t>(row.size < 0 ? 6 : row.size));
    }
    ex.CloseFiles();
  }
  g_fault = 0;
  g_size = -1;
}

}  // namespace
}  // namespace engine
