#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "engine/search/CSearcher.h"
#include "engine/search/SeparatorGrammar.h"
#include "engine/sections/CCluster.h"
#include "engine/sections/CSectionStore.h"

namespace engine {
namespace {

const std::uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

// One search in a fresh buffer: result, match position, length, code and scan position after.
// Where a key begins is checked against a plain compare below; these rows pin the rest.
TEST(KeySearch, FindsTheFirstKey) {
  struct Row {
    const char* user;
    int autoClose;
    std::string buffer;
    std::uint8_t mode;
    SearchResult result;
    std::size_t pos, length;
    std::uint8_t code;
    std::size_t next;
  };
  const Row rows[] = {
      {"", 1, "<table border=1>x", 6, SearchResult::kFound, 0, 16, kCodeTable, 16},
      {"", 1, "<HR title=\"a>b\">", 3, SearchResult::kFound, 0, 13, kCodeHr,
       13},                                                   // '>' in quotes ends it
      {"", 1, "<H", 3, SearchResult::kNotFound, 0, 0, 0, 0},  // shorter than every key
      {"", 1, "", 6, SearchResult::kNotFound, 0, 0, 0, 0},
      {"", 1, "abcdefgh", 3, SearchResult::kNotFound, 0, 0, 0, 6},  // stops past the last try
      {"----", 0, "x----y>z", 11, SearchResult::kFound, 1, 4, kCodeUser, 5},
      {"----", 1, "x----y>z", 11, SearchResult::kFound, 1, 6, kCodeUser, 7},
      {"--", 0, "ab--", 11, SearchResult::kFound, 2, 2, kCodeUser, 4},
      {"", 0, "abc</BODY>", 11, SearchResult::kFound, 3, 7, kCodeBodyEnd,
       10},  // empty user key never matches
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.buffer);
    CSearcher s;
    RegisterSeparatorGrammar(s, "stale");  // registering again starts afresh
    RegisterSeparatorGrammar(s, r.user);
    s.m_bAutoClose = r.autoClose;
    s.SetBuffer(Bytes(r.buffer), r.buffer.size());
    EXPECT_EQ(s.SearchTag(r.mode), r.result);
    if (r.result == SearchResult::kFound) {
      EXPECT_EQ(std::tuple(s.m_nMatchPos, s.m_nMatchLength, s.m_nMatchCode, s.m_bMatchComplete),
                std::tuple(r.pos, r.length, r.code, 1));
    }
    EXPECT_EQ(s.m_nPos, r.next);
  }
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

// A cluster as text: '*' for a leaf mark, its lead, "[head|nested]" per section, its close.
std::string Dump(const CSectionStore& sections, const std::string& buf, const CCluster& c) {
  auto text = [&](Offset pos, Offset len) { return buf.substr(pos, len); };
  if (c.m_nCount == 0) return text(c.m_nStart, c.m_nLength);
  std::string s = (c.m_bLeaf ? "*" : "") + text(c.m_nStart, c.m_nLeadLength);
  for (Offset i = 0; i < c.m_nCount; ++i) {
    const CSection& sec = c.GetSection(sections, i);
    s += "[" + text(sec.HeadStart(), sec.m_nHeadLength) + "|" + Dump(sections, buf, sec.m_cluster) +
         "]";
  }
  return s + text(c.ClosePos(), c.m_nCloseLength);
}

// The tree of one layered search over a whole buffer as the root's body, and what ended it.
TEST(LayeredSearch, BuildsTheTree) {
  struct Row {
    std::uint8_t mode, limit;
    std::string body;
    const char* dump;
    LayerResult result;
  };
  const Row rows[] = {
      {7, 1, "x<TABLE><TR><TD>p</TD></TR></TABLE>y</BODY>",
       "[x|*<TABLE>[<TR><TD>p</TD></TR>|]</TABLE>][y|]", LayerResult::kBodyEnd},
      // Closing tags are not paired by name.
      {7, 2, "<TABLE>a<TD>b</TR>c</TD></BODY>", "[|<TABLE>[a|*<TD>[b|]</TR>][c|]</TD>][|]",
       LayerResult::kBodyEnd},
      {7, 1, "a<CENTER>b</CENTER><TABLE>t</TABLE></BODY>",
       "[a<CENTER>b</CENTER>|*<TABLE>[t|]</TABLE>][|]", LayerResult::kBodyEnd},
      // The body's end closes every block left open, at any depth, counted ones too.
      {7, 1, "x<TABLE><TR>y</BODY>z</HTML>", "[x|*<TABLE>[<TR>y|]][|]", LayerResult::kBodyEnd},
      {7, 2, "a<TABLE>b<TR>c<TD></HTML>", "[a|<TABLE>[b|*<TR>[c<TD>|]][|]][|]",
       LayerResult::kDocumentEnd},
      {3, 1, "a<HR>b<HR", "[a|<HR>][b<HR|]", LayerResult::kBufferEnd},
      {7, 2, "a<TABLE>b<TR>c", "[a|<TABLE>[b|*<TR>[c|]]]", LayerResult::kBufferEnd},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.body);
    CSearcher searcher;
    CSectionStore sections;
    CCluster root;
    RegisterSeparatorGrammar(searcher, "");
    searcher.SetBuffer(Bytes(r.body), r.body.size());
    root.m_nStart = 0;
    root.m_byLayerLimit = r.limit;
    root.AddSection(sections);
    const LayerResult result = searcher.SearchLayer(sections, root, r.mode);
    EXPECT_EQ(Dump(sections, r.body, root), r.dump);
    EXPECT_EQ(result, r.result);
  }
}

}  // namespace
}  // namespace engine
