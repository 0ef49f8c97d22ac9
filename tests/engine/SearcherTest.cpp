// The scan and the second thread's index against a plain compare of every key at every
// position; what the searches make of the keys is pinned by the golden corpus.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "engine/search/CSearcher.h"
#include "engine/search/ScanWindow.h"
#include "engine/search/SeparatorGrammar.h"
#include "platform/File.h"
#include "tests/support/TestFiles.h"

namespace engine {
namespace {

// Ten squares, as the benchmark's logs separate their posts.
const char kLongUser[] =
    "\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1";

const std::uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

// Tag fragments, text and a long user separator in a fixed pseudo-random order; with
// `bLongTags` also tags whose '>' is far on, some beyond where a scan looks for it.
std::string MixedLog(std::size_t parts, unsigned seed, bool bLongTags = false) {
  // clang-format off
  static const char* const kParts[] = {
      "<HR>", "<hr size=2>", "<TABLE>", "</table>", "<tr>", "</TR>", "<td>", "</td>", "<CENTER>",
      "</center>", "</b>", "<br>", "</BODY>", "</html>", "text ", "\x82\xA0", "<", ">",
      "\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1", "\x81\xA1\x81\xA1",
      // A near miss of ten squares in its middle bytes only.
      "\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81x\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1"};
  // clang-format on
  const std::string longTags[] = {"<td " + std::string(CSearcher::kTagReach - 4, 'w') + ">",
                                  "<TR" + std::string(CSearcher::kTagReach, 'w') + ">",
                                  "<hr" + std::string(CSearcher::kTagReach + 1, 'w') + ">"};
  std::string log;
  unsigned x = seed;
  for (std::size_t i = 0; i < parts; ++i) {
    x = x * 1103515245u + 12345u;
    const std::size_t n = std::size(kParts) + (bLongTags ? std::size(longTags) : 0);
    const std::size_t k = (x >> 16) % n;
    log += k < std::size(kParts) ? kParts[k] : longTags[k - std::size(kParts)].c_str();
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

// The tag a SearchTag in `mode` from `p` finds, by hand: the first key, then through the
// next '>' unless it is a user separator that is not closed that way.
struct Tag {
  SearchResult result;
  std::size_t pos, next, code;
  bool operator==(const Tag&) const = default;
};
Tag TagByHand(const CSearcher& s, std::uint8_t mode, const std::string& buf, std::size_t p,
              bool bAutoClose) {
  const auto [pos, next, code] = FirstKeyByHand(s, mode, buf, p);
  if (pos == CSearcher::kNoMatch) return {SearchResult::kNotFound, 0, 0, 0};
  if (code == kCodeUser && !bAutoClose) return {SearchResult::kFound, pos, next, std::size_t(code)};
  const std::size_t gt = buf.find('>', next);
  if (gt == std::string::npos) return {SearchResult::kNotFound, 0, buf.size(), 0};
  return {SearchResult::kFound, pos, gt + 1, std::size_t(code)};
}

// A log read through its file, its matches found on both threads with the ends of their
// tags, gives every tag a plain look at the bytes gives, in every mode: tags whose '>' is
// far on, beyond where the scans look, and user separators closed by a '>' or not. Each
// log is searched from a third on with the index, then from its start without; the second
// is another file seen at the same address, as the next input mostly is.
TEST(MatchIndex, CompletesTagsAsTheBytesSay) {
  testing_support::TempDir dir;
  std::vector<std::string> logs = {MixedLog(1500, 1, true), MixedLog(1500, 2, true)};
  std::vector<platform::CFile> files(logs.size());
  for (std::size_t i = 0; i < logs.size(); ++i) {
    const std::string path = dir.Write("log" + std::to_string(i) + ".html", logs[i]);
    ASSERT_TRUE(files[i].Open(path, platform::CFile::modeRead, nullptr));
  }
  std::string view;
  view.reserve(std::max(logs[0].size(), logs[1].size()));
  for (const bool bAutoClose : {false, true}) {
    for (std::uint8_t mode = 0; mode < 12; ++mode) {
      CSearcher s;
      RegisterSeparatorGrammar(s, kLongUser);
      s.m_bAutoClose = bAutoClose;
      for (std::size_t i = 0; i < logs.size(); ++i) {
        view = logs[i];
        for (const bool bIndexed : {true, false}) {
          s.SetBuffer(Bytes(view), view.size(), files[i].GetHandle());
          s.m_nIndexMin = bIndexed ? 0 : std::size_t{8} << 20;
          s.m_nPos = bIndexed ? view.size() / 3 : 0;
          s.IndexAhead(mode, s.m_nPos);
          for (int step = 0;; ++step) {
            const Tag expected = TagByHand(s, mode, view, s.m_nPos, bAutoClose);
            const SearchResult r = s.SearchTag(mode);
            const Tag actual = r == SearchResult::kFound
                                   ? Tag{r, s.m_nMatchPos, s.m_nPos, s.m_nMatchCode}
                                   : Tag{r, 0, expected.next, 0};
            ASSERT_EQ(actual, expected)
                << "log " << i << " mode " << int{mode} << " step " << step
                << (bIndexed ? " indexed" : "") << (bAutoClose ? " auto-closed" : "");
            if (r != SearchResult::kFound) break;
            EXPECT_EQ(s.m_nMatchLength, s.m_nPos - s.m_nMatchPos);
          }
        }
      }
    }
  }
}

// Matches found through a window read from the file are those of the bytes in memory, tag
// ends included, whatever is read at once and however few are taken per call: keys and
// tags across a stretch's end, and the file's end. A file cut short meanwhile cannot be
// read whole: the bytes in memory are searched then.
TEST(ScanWindow, FindsWhatTheBytesInMemoryGive) {
  testing_support::TempDir dir;
  const std::string log = MixedLog(600, 9, true);
  platform::CFile files[2];
  ASSERT_TRUE(files[0].Open(dir.Write("log.html", log), platform::CFile::modeRead, nullptr));
  const std::string cut = log.substr(0, log.size() / 2);
  ASSERT_TRUE(files[1].Open(dir.Write("cut.html", cut), platform::CFile::modeRead, nullptr));
  CSearcher s;
  RegisterSeparatorGrammar(s, kLongUser);
  s.SetBuffer(Bytes(log), log.size());
  auto all = [](auto&& find, std::size_t p, std::size_t last, std::size_t room) {
    std::vector<std::uint64_t> found(room), out;
    while (p <= last) {
      const std::size_t n = find(p, last, found.data(), room, &p);
      out.insert(out.end(), found.begin(), found.begin() + n);
    }
    return out;
  };
  for (std::uint8_t mode = 0; mode < s.m_nModeCount; ++mode) {
    CSearcher::ScanView v = s.View(mode);
    const std::size_t last = log.size() - v.scan->min;
    for (const std::size_t from : {std::size_t{0}, std::size_t{1234}}) {
      const auto expected =
          all([&](std::size_t p, std::size_t l, std::uint64_t* out, std::size_t room,
                  std::size_t* next) { return CSearcher::FindAll(v, p, l, out, room, next); },
              from, last, 512);
      for (const std::size_t stretch : {37, 1500, 256 << 10}) {
        for (const auto& [room, file] : {std::pair{1, 0}, std::pair{512, 0}, std::pair{512, 1}}) {
          CScanWindow window(stretch);
          CSearcher::ScanView read = v;
          read.source = files[file].GetHandle();
          const auto actual =
              all([&](std::size_t p, std::size_t l, std::uint64_t* out, std::size_t r,
                      std::size_t* next) { return window.FindAll(read, p, l, out, r, next); },
                  from, last, room);
          ASSERT_EQ(actual, expected) << "mode " << int{mode} << " from " << from << " stretch "
                                      << stretch << " room " << room << " file " << file;
        }
      }
    }
  }
}

}  // namespace
}  // namespace engine
