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
