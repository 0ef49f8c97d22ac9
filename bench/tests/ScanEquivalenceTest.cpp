// The block-wise key search against a plain position-by-position, key-by-key scan, on
// random buffers dense in key bytes, from every start position, so that matches fall on
// every offset within a block, across block ends and into the last bytes of a buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/search/CSearcher.h"
#include "engine/search/SeparatorGrammar.h"

namespace engine {
namespace {

struct Outcome {
  int result;
  std::size_t pos, matchPos, matchLength;
  std::uint8_t code;
  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << "{result " << o.result << " pos " << o.pos << " match " << o.matchPos << "+"
            << o.matchLength << " code " << int{o.code} << "}";
}

// The search by its definition: earliest position, then the first registered key.
Outcome Reference(const CSearcher& s, std::uint8_t mode, const std::string& buf, std::size_t from) {
  const auto& keys = s.m_apKeyStrings[mode];
  std::size_t min = 0;
  for (const std::string& k : keys) {
    if (!k.empty() && (min == 0 || k.size() < min)) min = k.size();
  }
  if (min == 0 || min > buf.size()) return {kNotFound, from, 0, 0, 0};
  for (std::size_t p = from; p + min <= buf.size(); ++p) {
    for (std::size_t k = 0; k < keys.size(); ++k) {
      const std::string& key = keys[k];
      if (key.empty() || p + key.size() > buf.size()) continue;
      if (buf.compare(p, key.size(), key) == 0) {
        return {kFound, p + key.size(), p, key.size(), s.m_apKeyCodes[mode][k]};
      }
    }
  }
  return {kNotFound, std::max(from, buf.size() - min + 1), 0, 0, 0};
}

Outcome Actual(CSearcher& s, std::uint8_t mode, const std::string& buf, std::size_t from) {
  // A copy of exactly the buffer's size: a read past its end is caught by the sanitizers.
  const std::vector<std::uint8_t> bytes(buf.begin(), buf.end());
  s.SetBuffer(bytes.data(), bytes.size());
  s.m_nPos = from;
  s.SetMode(mode);
  const int r = s.Search();
  if (r != kFound) return {r, s.m_nPos, 0, 0, 0};
  return {r, s.m_nPos, s.m_nMatchPos, s.m_nMatchLength, s.m_nMatchCode};
}

// Random bytes drawn mostly from the keys' own bytes, so that near-misses abound.
std::string Noise(std::mt19937& rnd, std::size_t n, const std::string& alphabet) {
  std::string s(n, '\0');
  for (char& c : s) {
    c = rnd() % 8 == 0 ? static_cast<char>(rnd() % 256) : alphabet[rnd() % alphabet.size()];
  }
  return s;
}

struct ScanCase {
  const char* name;
  std::string userKey;  // the user separator of modes 5, 8, 9, 10 and 11
};
void PrintTo(const ScanCase& c, std::ostream* os) {
  *os << c.name;
}

class ScanEquivalence : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanEquivalence, EveryModeFromEveryPositionAgreesWithThePlainScan) {
  CSearcher s;
  ASSERT_EQ(RegisterSeparatorGrammar(s, GetParam().userKey), 0);
  std::mt19937 rnd(7);
  const std::string alphabet = "<</>HhRrTtAaBbDdOoYy" + GetParam().userKey + "\x81\xA1x";
  for (std::size_t n : {0u, 1u, 2u, 5u, 17u, 31u, 32u, 33u, 34u, 63u, 64u, 65u, 200u}) {
    for (int round = 0; round < 6; ++round) {
      const std::string buf = Noise(rnd, n, alphabet);
      for (std::uint8_t mode = 0; mode < kGrammarModeCount; ++mode) {
        for (std::size_t from = 0; from <= n + 1; ++from) {
          ASSERT_EQ(Actual(s, mode, buf, from), Reference(s, mode, buf, from))
              << "mode " << int{mode} << " size " << n << " from " << from;
        }
      }
    }
  }
}

// Every key of every mode at every offset of buffers up to three blocks long, alone and
// after a near miss, found from every start position: matches at the last position a key
// fits, and at both sides of every block end.
TEST_P(ScanEquivalence, EachKeyAtEachOffsetFromEachStart) {
  CSearcher s;
  ASSERT_EQ(RegisterSeparatorGrammar(s, GetParam().userKey), 0);
  for (std::uint8_t mode = 0; mode < kGrammarModeCount; ++mode) {
    for (const std::string& key : s.m_apKeyStrings[mode]) {
      if (key.empty()) continue;
      const std::string nearMiss = key.substr(0, key.size() - 1) + "x";
      for (std::size_t n = key.size(); n <= 70; ++n) {
        for (std::size_t at : {n - key.size(), (n - key.size()) / 2}) {
          std::string buf(n, 'x');
          buf.replace(at, key.size(), key);
          if (at >= nearMiss.size()) buf.replace(at - nearMiss.size(), nearMiss.size(), nearMiss);
          // Starts that put the key at each side of a block end, and on either side of it.
          std::vector<std::size_t> starts = {0, 1, at, at + 1, at > 0 ? at - 1 : 0};
          for (std::size_t back = 30; back <= 35; ++back) {
            if (n >= back) starts.push_back(n - back);
          }
          for (std::size_t from : starts) {
            ASSERT_EQ(Actual(s, mode, buf, from), Reference(s, mode, buf, from))
                << "mode " << int{mode} << " key " << key << " size " << n << " at " << at
                << " from " << from;
          }
        }
      }
    }
  }
}

TEST_P(ScanEquivalence, SuccessiveSearchesFindEveryMatchOfALongBuffer) {
  CSearcher s;
  ASSERT_EQ(RegisterSeparatorGrammar(s, GetParam().userKey), 0);
  std::mt19937 rnd(11);
  const std::string alphabet = "<</>HhRrTtAaBbDdOoYyLlMm" + GetParam().userKey + "\x81\xA1x";
  const std::string buf = Noise(rnd, 5000, alphabet);
  for (std::uint8_t mode = 0; mode < kGrammarModeCount; ++mode) {
    std::size_t from = 0;
    int matches = 0;
    for (;;) {
      const Outcome want = Reference(s, mode, buf, from);
      const Outcome got = Actual(s, mode, buf, from);
      ASSERT_EQ(got, want) << "mode " << int{mode} << " after " << matches << " matches";
      if (got.result != kFound) break;
      from = got.pos;
      ++matches;
    }
  }
}

const ScanCase kCases[] = {
    {"no_user_key", ""},  // an empty key never matches
    {"one_byte", "*"},    // one-byte keys: no second byte to test
    {"ascii", "----"},
    {"tag_like", "<hr"},  // shares its first bytes with the tag keys
    {"shift_jis", "\x81\xA1\x81\xA1"},
    {"longer_than_a_word", "\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1"},
    {"starts_with_slash", "/x"},
};
INSTANTIATE_TEST_SUITE_P(UserKeys, ScanEquivalence, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A mode with more distinct first and second bytes than the block scan tests at once.
TEST(ScanEquivalenceWide, ManyDistinctLeadingBytes) {
  CSearcher s;
  const char* keys[] = {"ab", "cd", "ef", "gh", "ij", "kl", "mn", "op", "qr", "st", "a"};
  ASSERT_EQ(s.AddMode(keys[0], 1), 0);
  for (std::uint8_t i = 1; i < 11; ++i) ASSERT_EQ(s.AddKey(0, keys[i], i + 1), 0);
  ASSERT_EQ(s.AddMode("abcdefghij", 20), 0);  // second mode: nine second bytes
  for (std::uint8_t i = 0; i < 9; ++i) {
    ASSERT_EQ(s.AddKey(1, std::string("a") + static_cast<char>('b' + i), 30 + i), 0);
  }
  std::mt19937 rnd(3);
  for (std::size_t n : {3u, 40u, 100u, 1000u}) {
    const std::string buf = Noise(rnd, n, "abcdefghijklmnopqrst");
    for (std::uint8_t mode = 0; mode < 2; ++mode) {
      for (std::size_t from = 0; from <= n; ++from) {
        ASSERT_EQ(Actual(s, mode, buf, from), Reference(s, mode, buf, from))
            << "mode " << int{mode} << " size " << n << " from " << from;
      }
    }
  }
}

}  // namespace
}  // namespace engine
