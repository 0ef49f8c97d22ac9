// The scan and the second thread's index against a plain compare of every key at every
// position; what the searches make of the keys is pinned by the golden corpus.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "engine/search/CSearcher.h"
#include "engine/search/SeparatorGrammar.h"

namespace engine {
namespace {

// Ten squares, as the benchmark's logs separate their posts.
const char kLongUser[] =
    "\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1";

const std::uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

// Tag fragments, text and a long user separator in a fixed pseudo-random order.
std::string MixedLog(std::size_t parts, unsigned seed) {
  // clang-format off
  static const char* const kParts[] = {
      "<HR>", "<hr size=2>", "<TABLE>", "</table>", "<tr>", "</TR>", "<td>", "</td>", "<CENTER>",
      "</center>", "</b>", "<br>", "</BODY>", "</html>", "text ", "\x82\xA0", "<", ">",
      "\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1", "\x81\xA1\x81\xA1",
      // A near miss of ten squares in its middle bytes only.
      "\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81x\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1"};
  // clang-format on
  std::string log;
  unsigned x = seed;
  for (std::size_t i = 0; i < parts; ++i) {
    x = x * 1103515245u + 12345u;
    log += kParts[(x >> 16) % std::size(kParts)];
  }
  return log;
}

using Match = std::tuple<std::size_t, std::size_t, int>;  // where, next position, code

// The first key of `mode` at or after `p`, by a compare of every key at every position.
Match FirstKeyByHand(const CSearcher& s, std::uint8_t mode, const std::string& buf, std::size_t p) {
  const auto& keys = s.m_apKeyStrings[mode];
  for (; p < buf.size(); ++p) {
    for (std::size_t k = 0; k < keys.size(); ++k) {
      if (!keys[k].empty() && buf.compare(p, keys[k].size(), keys[k]) == 0)
        return {p, p + keys[k].size(), s.m_apKeyCodes[mode][k]};
    }
  }
  return {CSearcher::kNoMatch, 0, 0};
}

#if defined(__x86_64__) && defined(__GNUC__)
// A flag set before the processor was looked at once left every run on the narrow walk.
TEST(KeySearchScan, WideWalkIsTakenWhereTheProcessorHasIt) {
  __builtin_cpu_init();
  EXPECT_EQ(CSearcher::s_bWideScan, __builtin_cpu_supports("avx2") != 0);
}
#endif

// Each key alone at every offset of buffers up to 70 bytes, after a near miss of it, found
// from every start with the wide and the narrow walk: the answer of a compare of every key
// at every position. The user keys are of one byte, like a tag, starting like a closing tag
// and longer than a word; the last searcher's modes have more distinct first or second
// bytes than the block walk tests at once.
TEST(KeySearchScan, FindsWhatComparingEveryKeyFinds) {
  CSearcher searchers[5];
  const char* users[] = {"*", "<hr", "/x", kLongUser};
  for (int i = 0; i < 4; ++i) ASSERT_EQ(RegisterSeparatorGrammar(searchers[i], users[i]), 0);
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
  const bool bWide = CSearcher::s_bWideScan;
  for (const bool w : {true, false}) {
    CSearcher::s_bWideScan = w;
    for (CSearcher& s : searchers) {
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
              if (at >= nearMiss.size())
                buf.replace(at - nearMiss.size(), nearMiss.size(), nearMiss);
              // Exactly the buffer: the sanitizers catch a read past its end.
              const std::vector<std::uint8_t> bytes(buf.begin(), buf.end());
              s.SetBuffer(bytes.data(), bytes.size());
              for (std::size_t from = 0; from < n; ++from) {
                s.m_nPos = from;
                s.SetMode(mode);
                const Match actual = s.Search() == SearchResult::kFound
                                         ? Match{s.m_nMatchPos, s.m_nPos, s.m_nMatchCode}
                                         : Match{CSearcher::kNoMatch, 0, 0};
                ASSERT_EQ(actual, FirstKeyByHand(s, mode, buf, from))
                    << (w ? "wide" : "narrow") << " walk, mode " << int{mode} << " key " << key
                    << " size " << n << " from " << from;
              }
            }
          }
        }
      }
    }
  }
  CSearcher::s_bWideScan = bWide;
}

// Every match of a log of tags, text and near misses, the log shifted across a block of the
// wide walk: the walk tests several bytes of each position at once, and a key must be found
// wherever it falls in a block and at the buffer's end.
TEST(KeySearchScan, FindsEveryMatchOfALogAtEveryAlignment) {
  CSearcher searchers[4];
  const char* users[] = {"*", "<hr", "/x", kLongUser};
  for (int i = 0; i < 4; ++i) ASSERT_EQ(RegisterSeparatorGrammar(searchers[i], users[i]), 0);
  const std::string log = MixedLog(48, 7);
  const bool bWide = CSearcher::s_bWideScan;
  for (const bool w : {true, false}) {
    CSearcher::s_bWideScan = w;
    for (std::size_t shift = 0; shift < 64; ++shift) {
      const std::string buf = std::string(shift, 'x') + log;
      const std::vector<std::uint8_t> bytes(buf.begin(), buf.end());
      for (CSearcher& s : searchers) {
        for (std::uint8_t mode = 0; mode < s.m_nModeCount; ++mode) {
          s.SetBuffer(bytes.data(), bytes.size());
          s.SetMode(mode);
          for (std::size_t from = 0;;) {
            const Match expected = FirstKeyByHand(s, mode, buf, from);
            const Match actual = s.Search() == SearchResult::kFound
                                     ? Match{s.m_nMatchPos, s.m_nPos, s.m_nMatchCode}
                                     : Match{CSearcher::kNoMatch, 0, 0};
            ASSERT_EQ(actual, expected) << (w ? "wide" : "narrow") << " walk, mode " << int{mode}
                                        << " shift " << shift << " from " << from;
            if (std::get<0>(expected) == CSearcher::kNoMatch) break;
            from = std::get<1>(expected);
          }
        }
      }
    }
  }
  CSearcher::s_bWideScan = bWide;
}

// The second half found on another thread gives every search the answer a plain scan
// gives, wherever the scan goes on from (also backwards), in every mode.
TEST(MatchIndex, FindsWhatAPlainScanFinds) {
  const std::string user = "\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1";
  for (unsigned seed = 1; seed <= 3; ++seed) {
    const std::string log = MixedLog(6000, seed);
    for (std::uint8_t mode = 0; mode < 12; ++mode) {
      CSearcher plain, indexed;
      RegisterSeparatorGrammar(plain, user);
      RegisterSeparatorGrammar(indexed, user);
      plain.SetBuffer(Bytes(log), log.size());
      indexed.SetBuffer(Bytes(log), log.size());
      indexed.m_nIndexMin = 0;
      const std::size_t start = seed * 7;
      indexed.IndexAhead(mode, start);
      plain.m_nPos = indexed.m_nPos = start;
      plain.SetMode(mode);
      indexed.SetMode(mode);
      for (int step = 0;; ++step) {
        const SearchResult r = plain.Search();
        ASSERT_EQ(indexed.Search(), r) << "mode " << int{mode} << " step " << step;
        ASSERT_EQ(indexed.m_nPos, plain.m_nPos);
        if (r != SearchResult::kFound) break;
        ASSERT_EQ(indexed.m_nMatchPos, plain.m_nMatchPos);
        ASSERT_EQ(indexed.m_nMatchCode, plain.m_nMatchCode);
        ASSERT_EQ(indexed.m_nMatchLength, plain.m_nMatchLength);
        const std::size_t jump = step % 50 == 49 && plain.m_nPos > 100 ? -100 : step % 5;
        plain.m_nPos += jump;
        indexed.m_nPos += jump;
      }
    }
  }
}

}  // namespace
}  // namespace engine
