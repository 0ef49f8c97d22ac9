#include <gtest/gtest.h>

#include <string>

#include "engine/search/CSearcher.h"
#include "engine/search/SeparatorGrammar.h"
#include "tests/support/MessageRecorder.h"

namespace engine {
namespace {

TEST(KeyTable, RefusesTheTwoHundredFiftySixthMode) {
  CSearcher s;
  for (int i = 0; i < 255; ++i) ASSERT_EQ(s.AddMode("k", 1), 0);
  EXPECT_EQ(s.AddMode("k", 1), 2);
  EXPECT_EQ(s.m_nModeCount, 255);
  s.Reset();
  EXPECT_EQ(s.m_nModeCount, 0);
  EXPECT_EQ(s.AddMode("<A", 3), 0);
  EXPECT_EQ(s.m_nModeCount, 1);
  EXPECT_EQ(s.m_apKeyStrings[0].size(), 1u);
}

TEST(KeyTable, KeysAreCopiedWithTheirByteLength) {
  CSearcher s;
  ASSERT_EQ(s.AddMode("<HR", 5), 0);
  ASSERT_EQ(s.AddKey(0, "\x88\xC8\x8F\xE3", 10), 0);  // two double-byte characters
  EXPECT_EQ(s.m_apKeyLengths[0][1], 4u);
  EXPECT_EQ(s.m_apKeyCodes[0][1], 10);
  EXPECT_EQ(s.AddKey(7, "x", 1), -1);  // no such mode
}

// One search in a fresh buffer: result, match position, length, code and scan position after.
struct SearchCase {
  const char* name;
  const char* buffer;
  std::uint8_t mode;
  int result;
  std::size_t pos, length;
  std::uint8_t code;
  std::size_t next;
};

void PrintTo(const SearchCase& c, std::ostream* os) {
  *os << c.name;
}

class KeySearch : public ::testing::TestWithParam<SearchCase> {};

TEST_P(KeySearch, FindsTheFirstKey) {
  const SearchCase& c = GetParam();
  CSearcher s;
  RegisterSeparatorGrammar(s, "");
  const std::string buf = c.buffer;
  s.SetBuffer(reinterpret_cast<const std::uint8_t*>(buf.data()), buf.size());
  EXPECT_EQ(s.SearchTag(c.mode), c.result);
  if (c.result == kFound) {
    EXPECT_EQ(s.m_nMatchPos, c.pos);
    EXPECT_EQ(s.m_nMatchLength, c.length);
    EXPECT_EQ(s.m_nMatchCode, c.code);
    EXPECT_TRUE(s.m_bMatchComplete);
  }
  EXPECT_EQ(s.m_nPos, c.next);
}

const SearchCase kSearchCases[] = {
    {"table_with_attributes", "<table border=1>x", 6, kFound, 0, 16, 8, 16},
    {"tag_completed_through_its_gt", "ab<HR>", 3, kFound, 2, 4, 5, 6},
    {"mixed_case_is_no_key", "<Table><tAble>", 6, kNotFound, 0, 0, 0, 12},
    {"tag_without_gt_runs_to_the_end", "xx<TABLE", 6, kNotFound, 0, 0, 0, 8},
    {"buffer_shorter_than_every_key", "<H", 3, kNotFound, 0, 0, 0, 0},
    {"empty_buffer", "", 6, kNotFound, 0, 0, 0, 0},
    {"earliest_position_wins", "..</TD>.<TABLE>", 6, kFound, 2, 5, 14, 7},
    {"row_tag", "<TR><TD>", 6, kFound, 0, 4, 11, 4},
    {"prefix_matches_longer_tag_names", "<TRACK>", 6, kFound, 0, 7, 11, 7},
    {"gt_inside_quotes_ends_the_tag", "<HR title=\"a>b\">", 3, kFound, 0, 13, 5, 13},
    {"body_end_in_mode_3", "text</body >", 3, kFound, 4, 8, 3, 12},
    {"not_found_leaves_the_position_past_the_last_try", "abcdefgh", 3, kNotFound, 0, 0, 0, 6},
};

INSTANTIATE_TEST_SUITE_P(Cases, KeySearch, ::testing::ValuesIn(kSearchCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KeySearchScan, NextSearchFindsTheFollowingOccurrence) {
  CSearcher s;
  RegisterSeparatorGrammar(s, "");
  const std::string buf = "a<HR>b<hr>c<HR>";
  s.SetBuffer(reinterpret_cast<const std::uint8_t*>(buf.data()), buf.size());
  std::vector<std::size_t> found;
  while (s.SearchTag(3) == kFound) found.push_back(s.m_nMatchPos);
  EXPECT_EQ(found, (std::vector<std::size_t>{1, 6, 11}));
}

TEST(KeySearchScan, UserKeyIsExactWithoutAutoCloseAndATagWithIt) {
  const std::string buf = "x----y>z";
  for (int autoClose : {0, 1}) {
    CSearcher s;
    RegisterSeparatorGrammar(s, "----");
    s.m_bAutoClose = autoClose;
    s.SetBuffer(reinterpret_cast<const std::uint8_t*>(buf.data()), buf.size());
    ASSERT_EQ(s.SearchTag(11), kFound);
    EXPECT_EQ(s.m_nMatchPos, 1u);
    EXPECT_EQ(s.m_nMatchLength, autoClose ? 6u : 4u);
    EXPECT_EQ(s.m_nMatchCode, kCodeUser);
  }
}

TEST(KeySearchScan, UserKeyWinsOverATagAtTheSamePosition) {
  CSearcher s;
  RegisterSeparatorGrammar(s, "<HR>");
  s.m_bAutoClose = 0;
  const std::string buf = "<HR size=2><HR>";
  s.SetBuffer(reinterpret_cast<const std::uint8_t*>(buf.data()), buf.size());
  ASSERT_EQ(s.SearchTag(5), kFound);
  EXPECT_EQ(s.m_nMatchCode, kCodeHr);  // "<HR size" is no "<HR>"
  ASSERT_EQ(s.SearchTag(5), kFound);
  EXPECT_EQ(s.m_nMatchCode, kCodeUser);
  EXPECT_EQ(s.m_nMatchLength, 4u);
}

TEST(KeySearchScan, KeyEndingAtTheLastByteIsFound) {
  CSearcher s;
  RegisterSeparatorGrammar(s, "--");
  s.m_bAutoClose = 0;
  const std::string buf = "ab--";
  s.SetBuffer(reinterpret_cast<const std::uint8_t*>(buf.data()), buf.size());
  ASSERT_EQ(s.SearchTag(11), kFound);
  EXPECT_EQ(s.m_nMatchPos, 2u);
  EXPECT_EQ(s.m_nPos, 4u);
  EXPECT_EQ(s.SearchTag(11), kNotFound);
}

TEST(KeySearchScan, DoubleByteUserKeyMayMatchFromASecondByte) {
  CSearcher s;
  RegisterSeparatorGrammar(s, "\x81\x40");  // full-width space
  s.m_bAutoClose = 0;
  const std::string buf = "\x88\x81\x40";  // a lead byte, then the key's bytes
  s.SetBuffer(reinterpret_cast<const std::uint8_t*>(buf.data()), buf.size());
  ASSERT_EQ(s.SearchTag(11), kFound);
  EXPECT_EQ(s.m_nMatchPos, 1u);
}

TEST(KeySearchScan, EmptyUserKeyNeverMatches) {
  CSearcher s;
  RegisterSeparatorGrammar(s, "");
  s.m_bAutoClose = 0;
  const std::string buf = "abc</BODY>";
  s.SetBuffer(reinterpret_cast<const std::uint8_t*>(buf.data()), buf.size());
  ASSERT_EQ(s.SearchTag(11), kFound);
  EXPECT_EQ(s.m_nMatchCode, kCodeBodyEnd);
}

TEST(KeySearchErrors, ReportNoBufferAndBadMode) {
  testing_support::MessageRecorder rec;
  CSearcher s;
  RegisterSeparatorGrammar(s, "");
  EXPECT_EQ(s.SearchTag(3), kSearchError);
  const std::string buf = "<HR>";
  s.SetBuffer(reinterpret_cast<const std::uint8_t*>(buf.data()), buf.size());
  EXPECT_EQ(s.SearchTag(40), kSearchError);
  EXPECT_EQ(s.m_nPos, 0u);
  EXPECT_EQ(rec.Texts(),
            (std::vector<std::string>{"検索クラスにファイルバッファがセットされていません",
                                      "検索モード値が不正です CurMode[40] / ModeNum[12]\n"}));
}

// Tag fragments, text and a long user separator in a fixed pseudo-random order.
std::string MixedLog(std::size_t parts, unsigned seed) {
  static const char* const kParts[] = {"<HR>",
                                       "<hr size=2>",
                                       "<TABLE>",
                                       "</table>",
                                       "<tr>",
                                       "</TR>",
                                       "<td>",
                                       "</td>",
                                       "<CENTER>",
                                       "</center>",
                                       "</b>",
                                       "<br>",
                                       "</BODY>",
                                       "</html>",
                                       "text ",
                                       "\x82\xA0",
                                       "<",
                                       ">",
                                       "\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1",
                                       "\x81\xA1\x81\xA1"};
  std::string log;
  unsigned x = seed;
  for (std::size_t i = 0; i < parts; ++i) {
    x = x * 1103515245u + 12345u;
    log += kParts[(x >> 16) % (sizeof kParts / sizeof kParts[0])];
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
// The wide walk is the one taken wherever the processor has it (a flag set before the
// processor was looked at once left every run on the narrow walk).
TEST(KeySearchScan, WideWalkIsTakenWhereTheProcessorHasIt) {
  __builtin_cpu_init();
  EXPECT_EQ(CSearcher::s_bWideScan, __builtin_cpu_supports("avx2") != 0);
}
#endif

// From every start position in every mode, with the wide and the narrow walk: the key the
// scan finds is the one a compare of every key at every position finds.
TEST(KeySearchScan, FindsWhatComparingEveryKeyFinds) {
  const std::string log = MixedLog(400, 9);
  const auto* buf = reinterpret_cast<const std::uint8_t*>(log.data());
  CSearcher s;
  RegisterSeparatorGrammar(s, "\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1");
  s.SetBuffer(buf, log.size());
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
  const std::string user = "\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1";  // ten bytes
  for (unsigned seed = 1; seed <= 3; ++seed) {
    const std::string log = MixedLog(6000, seed);
    const auto* buf = reinterpret_cast<const std::uint8_t*>(log.data());
    for (std::uint8_t mode = 0; mode < 12; ++mode) {
      CSearcher plain, indexed;
      RegisterSeparatorGrammar(plain, user);
      RegisterSeparatorGrammar(indexed, user);
      plain.SetBuffer(buf, log.size());
      indexed.SetBuffer(buf, log.size());
      indexed.m_nIndexMin = 0;
      const std::size_t start = seed * 7;
      indexed.IndexAhead(mode, start);
      plain.m_nPos = indexed.m_nPos = start;
      plain.SetMode(mode);
      indexed.SetMode(mode);
      for (int step = 0;; ++step) {
        const int r = plain.Search();
        ASSERT_EQ(indexed.Search(), r) << "mode " << int{mode} << " step " << step;
        ASSERT_EQ(indexed.m_nPos, plain.m_nPos);
        if (r != kFound) break;
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
