// What `make bench` relies on: logs of the size asked for, and the section count (its
// memory bound) and output size velmorant-loggen prints for them, against the engine's
// conversion with the benchmark's own options.
#include <gtest/gtest.h>
#include <atomic>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace bench
