// What `make bench` relies on: logs of the size asked for, and the section count (its
// memory bound) and output size velmorant-loggen prints for them, against the engine's
// conversion with the benchmark's own options. And the block-wise key search against a
// compare of every key at every position, for what the engine's search tests leave out:
// user keys of one byte, like a tag, starting like a closing tag or longer than a word,
// and modes of more distinct first or second bytes than the block walk tests at once.
#include <gtest/gtest.h>
#include <atomic>

#include <string>
#include <tuple>
#include <vector>

#include "bench/LogGenerator.h"
#include "engine/search/CSearcher.h"
#include "engine/search/SeparatorGrammar.h"
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

using Match = std::tuple<std::size_t, std::size_t, int>;  // where, next position, code

Match Reference(const engine::CSearcher& s, std::uint8_t mode, const std::string& buf,
                std::size_t p) {
  const auto& keys = s.m_apKeyStrings[mode];
  for (; p < buf.size(); ++p) {
    for (std::size_t k = 0; k < keys.size(); ++k) {
      if (!keys[k].empty() && buf.compare(p, keys[k].size(), keys[k]) == 0)
        return {p, p + keys[k].size(), s.m_apKeyCodes[mode][k]};
    }
  }
  return {engine::CSearcher::kNoMatch, 0, 0};
}

TEST(ScanEquivalence, EachKeyAtEachOffsetFromEachStart) {
  engine::CSearcher searchers[5];
  const char* users[] = {"*", "<hr", "/x", kUserSeparatorSjis};
  for (int i = 0; i < 4; ++i)
    ASSERT_EQ(engine::RegisterSeparatorGrammar(searchers[i], users[i]), 0);
  const std::vector<std::string> wide[] = {
      {"ab", "cd", "ef", "gh", "ij", "kl", "mn", "op", "qr", "st", "a"},     // ten first bytes
      {"abcdefghij", "ab", "ac", "ad", "ae", "af", "ag", "ah", "ai", "aj"},  // nine second
  };
  std::uint8_t code = 1;
  for (std::uint8_t m = 0; m < 2; ++m) {
    ASSERT_EQ(searchers[4].AddMode(wide[m][0], code++), 0);
    for (std::size_t k = 1; k < wide[m].size(); ++k)
      ASSERT_EQ(searchers[4].AddKey(m, wide[m][k], code++), 0);
  }
  for (engine::CSearcher& s : searchers) {
    for (std::uint8_t mode = 0; mode < s.m_nModeCount; ++mode) {
      for (const std::string& key : s.m_apKeyStrings[mode]) {
        if (key.empty()) continue;
        for (std::size_t n = key.size(); n <= 70; ++n) {
          // The key with its last byte changed, or (odd sizes) its middle one.
          std::string nearMiss = key;
          nearMiss[n % 2 ? key.size() / 2 : key.size() - 1] = 'x';
          for (std::size_t at : {n - key.size(), (n - key.size()) / 2}) {
            std::string buf(n, 'x');
            buf.replace(at, key.size(), key);
            if (at >= nearMiss.size()) buf.replace(at - nearMiss.size(), nearMiss.size(), nearMiss);
            // Exactly the buffer: the sanitizers catch a read past its end.
            const std::vector<std::uint8_t> bytes(buf.begin(), buf.end());
            s.SetBuffer(bytes.data(), bytes.size());
            for (std::size_t from = 0; from < n; ++from) {
              s.m_nPos = from;
              s.SetMode(mode);
              const Match actual = s.Search() == engine::SearchResult::kFound
                                       ? Match{s.m_nMatchPos, s.m_nPos, s.m_nMatchCode}
                                       : Match{engine::CSearcher::kNoMatch, 0, 0};
              ASSERT_EQ(actual, Reference(s, mode, buf, from))
                  << "mode " << int{mode} << " key " << key << " size " << n << " from " << from;
            }
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace bench
