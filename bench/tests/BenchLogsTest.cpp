// What `make bench` relies on: logs of the size asked for, and the section count (its
// memory bound) and output size velmorant-loggen prints for them, against the engine's
// conversion with the benchmark's own options.
#include <gtest/gtest.h>
#include <atomic>

#include <string>
#include <utility>
#include <vector>

#include "bench/CopyFloor.h"
#include "bench/LogGenerator.h"
#include "tests/support/Conversion.h"

namespace bench {
namespace {

TEST(GeneratedLog, ConvertsAsTheBenchmarkExpects) {
  constexpr std::size_t kSize = 300 << 10;
  for (const LogVariant v : {LogVariant::kHr, LogVariant::kTable, LogVariant::kUser}) {
    SCOPED_TRACE(VariantName(v));
    const GeneratedLog log = GenerateLog(v, kSize);
    EXPECT_EQ(log.bytes, GenerateLog(v, kSize).bytes);
    EXPECT_GE(log.bytes.size(), kSize);
    EXPECT_LT(log.bytes.size(), kSize + 2100);

    testing_support::Settings s;  // as scripts/bench runs it
    s.kind = v == LogVariant::kHr ? 2 : v == LogVariant::kTable ? 0 : 3;
    s.userSeparator = v == LogVariant::kUser ? kUserSeparatorSjis : "";
    s.reverse = v == LogVariant::kTable ? std::vector<int>{1, 2, 3} : std::vector<int>{1};
    testing_support::TempDir dir;
    engine::CExecutor ex;
    testing_support::Apply(s, ex);
    std::atomic<int> abort{0};
    ex.m_pAbortFlag = &abort;
    ex.m_strOutputPath = dir.File("out.html");
    ex.SetInputFiles({dir.Write("in.html", log.bytes)});
    ASSERT_EQ(ex.Run(), 0);
    std::size_t sections = 0;
    for (int layer = 0; layer < 256; ++layer) sections += ex.Sections().Count(layer);
    EXPECT_GT(log.posts.size(), 100u);
    EXPECT_EQ(sections, ExpectedSections(v, log.posts.size()));
    ex.CloseFiles();
    // Everything through </HTML> is kept, reordered: the size velmorant-loggen prints.
    const std::string out = testing_support::ReadFile(dir.File("out.html"));
    EXPECT_EQ(out.size(), log.bytes.rfind("</HTML>") + 7);
    EXPECT_NE(out, log.bytes.substr(0, out.size()));
  }
}

// The floor beside cp must do the work it claims: read every byte, count what it looks for,
// and write every byte once, each block's pieces last to first at the block's mirror place.
TEST(CopyFloor, WritesEveryByteOnceInReversedPieces) {
  constexpr std::size_t kBlock = 256u << 10;  // the floor's read size
  // {size, piece}: empty, one byte, a block and one byte on, and a block short of three.
  const std::pair<std::size_t, std::size_t> cases[] = {
      {0, 100}, {1, 1}, {4095, 512}, {kBlock + 1, 600}, {3 * kBlock - 5, 139}};
  for (const auto& [size, piece] : cases) {
    SCOPED_TRACE(testing::Message() << size << " bytes, pieces of " << piece);
    std::string in(size, 'x');
    long long opens = 0;
    // Runs of '<' longer than a vector lane can count to, and bytes that are one bit off.
    for (std::size_t i = 0; i < size; ++i) {
      const std::size_t k = (i * 2654435761u) >> 7;
      in[i] = i % 9000 < 5000 ? '<' : static_cast<char>(k % 4 == 0 ? '<' : "=>;|\xbc"[k % 5]);
      opens += in[i] == '<';
    }
    testing_support::TempDir dir;
    EXPECT_EQ(CopyFloor(dir.Write("in", in), dir.File("out"), piece), opens);

    std::string want(size, '\0');
    for (std::size_t off = 0; off < size; off += kBlock) {
      const std::size_t len = std::min(kBlock, size - off);
      std::size_t at = size - off - len;
      for (std::size_t end = len; end > 0;) {
        const std::size_t start = end > piece ? end - piece : 0;
        want.replace(at, end - start, in, off + start, end - start);
        at += end - start;
        end = start;
      }
    }
    EXPECT_TRUE(testing_support::ReadFile(dir.File("out")) == want);
  }
}

// The floor is run by hand too: a wrong argument must never cost a file.
TEST(CopyFloor, LeavesFilesAloneAndNamesTheOneItCannotUse) {
  testing_support::TempDir dir;
  const std::string in = dir.Write("in", std::string(5000, '<'));
  const std::string kept = dir.Write("kept", "keep me");
  struct Case {
    std::string input, output, named;
  };
  for (const Case& c :
       {Case{dir.File("missing"), dir.File("out"), dir.File("missing")}, Case{in, kept, kept},
        Case{in, in, in}, Case{in, dir.File("no/such/folder"), dir.File("no/such/folder")}}) {
    SCOPED_TRACE(c.input + " to " + c.output);
    testing::internal::CaptureStderr();
    EXPECT_EQ(CopyFloor(c.input, c.output, 100), -1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(c.named), std::string::npos);
  }
  EXPECT_EQ(testing_support::ReadFile(kept), "keep me");
  EXPECT_EQ(testing_support::ReadFile(in), std::string(5000, '<'));
}

}  // namespace
}  // namespace bench
