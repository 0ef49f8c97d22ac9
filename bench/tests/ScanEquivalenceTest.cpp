// Search() against a compare of every key at every position, for what the engine's
// search tests leave out: user keys of one byte (no second byte to test), like a tag,
// longer than a word or starting like a closing tag, and modes of more distinct first or
// second bytes than the block walk tests at once. Each key at the end and the middle of
// buffers of exactly 1 to 70 bytes (the sanitizers catch a read past the end), after a
// near miss, from starts on both sides of the block ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "engine/search/CSearcher.h"
#include "engine/search/SeparatorGrammar.h"

namespace engine {
namespace {

using Outcome = std::tuple<int, std::size_t, std::size_t, int>;  // result, next, match, code

Outcome Reference(const CSearcher& s, std::uint8_t mode, const std::string& buf, std::size_t from) {
  const auto& keys = s.m_apKeyStrings[mode];
  std::size_t min = static_cast<std::size_t>(-1);
  for (const std::string& k : keys) min = k.empty() ? min : std::min(min, k.size());
  if (min > buf.size()) return {kNotFound, from, 0, 0};
  for (std::size_t p = from; p + min <= buf.size(); ++p) {
    for (std::size_t k = 0; k < keys.size(); ++k) {
      if (!keys[k].empty() && buf.compare(p, keys[k].size(), keys[k]) == 0) {
        return {kFound, p + keys[k].size(), p, s.m_apKeyCodes[mode][k]};
      }
    }
  }
  return {kNotFound, std::max(from, buf.size() - min + 1), 0, 0};
}

Outcome Actual(CSearcher& s, std::uint8_t mode, const std::string& buf, std::size_t from) {
  const std::vector<std::uint8_t> bytes(buf.begin(), buf.end());  // exactly the buffer
  s.SetBuffer(bytes.data(), bytes.size());
  s.m_nPos = from;
  s.SetMode(mode);
  const int r = s.Search();
  return {r, s.m_nPos, r == kFound ? s.m_nMatchPos : 0, r == kFound ? s.m_nMatchCode : 0};
}

TEST(ScanEquivalence, EachKeyAtEachOffsetFromEachStart) {
  CSearcher searchers[5];
  const char* users[] = {"*", "<hr", "/x", "\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1"};
  for (int i = 0; i < 4; ++i) ASSERT_EQ(RegisterSeparatorGrammar(searchers[i], users[i]), 0);
  const std::vector<std::vector<std::string>> wide = {
      {"ab", "cd", "ef", "gh", "ij", "kl", "mn", "op", "qr", "st", "a"},     // ten first bytes
      {"abcdefghij", "ab", "ac", "ad", "ae", "af", "ag", "ah", "ai", "aj"},  // nine second
  };
  std::uint8_t code = 1;
  for (std::uint8_t m = 0; m < 2; ++m) {
    ASSERT_EQ(searchers[4].AddMode(wide[m][0], code++), 0);
    for (std::size_t k = 1; k < wide[m].size(); ++k)
      ASSERT_EQ(searchers[4].AddKey(m, wide[m][k], code++), 0);
  }
  for (CSearcher& s : searchers) {
    for (std::uint8_t mode = 0; mode < s.m_nModeCount; ++mode) {
      for (const std::string& key : s.m_apKeyStrings[mode]) {
        if (key.empty()) continue;
        const std::string nearMiss = key.substr(0, key.size() - 1) + "x";
        for (std::size_t n = key.size(); n <= 70; ++n) {
          for (std::size_t at : {n - key.size(), (n - key.size()) / 2}) {
            std::string buf(n, 'x');
            buf.replace(at, key.size(), key);
            if (at >= nearMiss.size()) buf.replace(at - nearMiss.size(), nearMiss.size(), nearMiss);
            std::vector<std::size_t> starts = {0, 1, at, at + 1, at > 0 ? at - 1 : 0};
            for (std::size_t back = 30; back <= 35 && back <= n; ++back) starts.push_back(n - back);
            for (std::size_t from : starts) {
              ASSERT_EQ(Actual(s, mode, buf, from), Reference(s, mode, buf, from))
                  << "mode " << int{mode} << " key " << key << " size " << n << " from " << from;
            }
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace engine
