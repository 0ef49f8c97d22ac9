// What `make bench` relies on: logs of the size asked for, and the section count (its
// memory bound, from the post count) and output size velmorant-loggen prints for them,
// against the engine's conversion with the benchmark's own options.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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
    ASSERT_GT(log.posts.size(), 100u);

    testing_support::Settings s;  // as scripts/bench runs it
    s.kind = v == LogVariant::kHr ? 2 : v == LogVariant::kTable ? 0 : 3;
    s.userSeparator = v == LogVariant::kUser ? kUserSeparatorSjis : "";
    s.reverse = v == LogVariant::kTable ? std::vector<int>{1, 2, 3} : std::vector<int>{1};
    testing_support::TempDir dir;
    engine::CExecutor ex;
    testing_support::Apply(s, ex);
    int abort = 0;
    ex.m_pAbortFlag = &abort;
    ex.m_strOutputPath = dir.File("out.html");
    ex.SetInputFiles({dir.Write("in.html", log.bytes)});
    ASSERT_EQ(ex.Run(), 0);
    std::size_t sections = 0;
    for (int layer = 0; layer < 256; ++layer) sections += ex.m_sections.Count(layer);
    EXPECT_EQ(sections, ExpectedSections(v, log.posts.size()));
    ex.CloseFiles();

    // Every byte through </HTML> kept, reordered: the size velmorant-loggen prints.
    std::string in = log.bytes.substr(0, log.bytes.rfind("</HTML>") + 7);
    std::string out = testing_support::ReadFile(dir.File("out.html"));
    ASSERT_EQ(out.size(), in.size());
    EXPECT_NE(out, in);
    std::sort(in.begin(), in.end());
    std::sort(out.begin(), out.end());
    EXPECT_TRUE(out == in);
  }
}

}  // namespace
}  // namespace bench
