#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <tuple>

#include "engine/run/CExecutor.h"
#include "tests/support/Conversion.h"
#include "tests/support/MessageRecorder.h"

namespace engine {
namespace {

using testing_support::Doc;
using testing_support::MessageRecorder;
using testing_support::ReadFile;

const std::string kDoc1 =
    "<!DOCTYPE x>\r\n<HTML><HEAD>1</HEAD><BODY bgcolor=1>b1</BODY>\r\n</HTML>tail";

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
