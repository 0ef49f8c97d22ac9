// The scan and the second thread's index against a plain compare of every key at every
// position; what the searches make of the keys is pinned by the golden corpus.
#include <gtest/gtest.h>

#include <string>

#include "engine/search/CSearcher.h"
#include "engine/search/SeparatorGrammar.h"

namespace engine {
namespace {

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

// The first position at or after `p` where a key of `mode` begins, and the first key
// registered there: every key compared at every position.
std::size_t FirstKeyByHand(const CSearcher& s, std::uint8_t mode, const std::string& log,
                           std::size_t p, std::size_t* pKey) {
  for (; p < log.size(); ++p) {
    for (std::size_t k = 0; k < s.m_apKeyStrings[mode].size(); ++k) {
      const std::string& key = s.m_apKeyStrings[mode][k];
      if (!key.empty() && log.compare(p, key.size(), key) == 0) {
        *pKey = k;
        return p;
      }
    }
  }
  return CSearcher::kNoMatch;
}

#if defined(__x86_64__) && defined(__GNUC__)
// A flag set before the processor was looked at once left every run on the narrow walk.
TEST(KeySearchScan, WideWalkIsTakenWhereTheProcessorHasIt) {
  __builtin_cpu_init();
  EXPECT_EQ(CSearcher::s_bWideScan, __builtin_cpu_supports("avx2") != 0);
}
#endif

// From every start position in every mode, with the wide and the narrow walk: the key the
// scan finds is the one a compare of every key at every position finds.
TEST(KeySearchScan, FindsWhatComparingEveryKeyFinds) {
  const std::string log = MixedLog(400, 9);
  CSearcher s;
  RegisterSeparatorGrammar(s,
                           "\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1"
                           "\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1");
  s.SetBuffer(Bytes(log), log.size());
  const bool wide = CSearcher::s_bWideScan;
  for (const bool w : {true, false}) {
    CSearcher::s_bWideScan = w;
    for (std::uint8_t mode = 0; mode < 12; ++mode) {
      for (std::size_t p = 0; p < log.size(); p += 3) {
        std::size_t key = 0, expectedKey = 0;
        const std::size_t found = CSearcher::FindFirst(s.View(mode), p, log.size() - 1, &key);
        ASSERT_EQ(found, FirstKeyByHand(s, mode, log, p, &expectedKey))
            << (w ? "wide" : "narrow") << " walk, mode " << int{mode} << " from " << p;
        if (found != CSearcher::kNoMatch) {
          ASSERT_EQ(key, expectedKey) << "mode " << int{mode} << " at " << found;
        }
      }
    }
  }
  CSearcher::s_bWideScan = wide;
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
