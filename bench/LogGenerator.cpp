#include "bench/LogGenerator.h"

#include <array>
#include <cstdio>

namespace bench {

const char kUserSeparatorUtf8[] =
    "\xE2\x96\xA0\xE2\x96\xA0\xE2\x96\xA0\xE2\x96\xA0\xE2\x96\xA0"
    "\xE2\x96\xA0\xE2\x96\xA0\xE2\x96\xA0\xE2\x96\xA0\xE2\x96\xA0";
const char kUserSeparatorSjis[] =
    "\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1\x81\xA1";

namespace {

constexpr std::size_t kMinPost = 200;
constexpr std::size_t kMaxPost = 2000;

// splitmix64: small, fast and the same on every machine.
class Random {
 public:
  explicit Random(std::uint64_t seed) : m_state(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi].
  std::size_t Between(std::size_t lo, std::size_t hi) { return lo + Next() % (hi - lo + 1); }

 private:
  std::uint64_t m_state;
};

// Shift_JIS words: hiragana-heavy runs with some katakana and level-1 kanji, as in
// chat text. None of their bytes is '<' or '>', and none pairs into the user separator.
class Vocabulary {
 public:
  explicit Vocabulary(Random& rnd) {
    for (std::string& w : m_words) {
      const std::size_t chars = rnd.Between(1, 5);
      const std::uint64_t script = rnd.Next() % 10;
      for (std::size_t i = 0; i < chars; ++i) {
        if (script < 6) {  // hiragana
          w += '\x82';
          w += static_cast<char>(rnd.Between(0x9F, 0xF1));
        } else if (script < 8) {  // kanji
          w += static_cast<char>(rnd.Between(0x89, 0x97));
          std::size_t t = rnd.Between(0x40, 0xFB);
          if (t >= 0x7F) ++t;
          w += static_cast<char>(t);
        } else {  // katakana
          w += '\x83';
          std::size_t t = rnd.Between(0x40, 0x95);
          if (t >= 0x7F) ++t;
          w += static_cast<char>(t);
        }
      }
    }
  }
  const std::string& Pick(Random& rnd) const { return m_words[rnd.Next() % m_words.size()]; }

 private:
  std::array<std::string, 1024> m_words;
};

const char* const kPunct[] = {"\x81\x41", "\x81\x42", "\x81\x49", "\x81\x48", "\x82\x97\x82\x97",
                              " ",        "\x81\x63", "w",        "!?",       "..."};
const char* const kNames[] = {"\x96\xBC\x96\xB3\x82\xB5\x82\xB3\x82\xF1",  // 名無しさん
                              "\x82\xC6\x82\xB5\x82\xA0\x82\xAB",          // としあき
                              "VIP\x82\xAA\x82\xA8\x91\x97\x82\xE8\x82\xB5\x82\xDC\x82\xB7"};
const char* const kDays[] = {"\x93\xFA", "\x8C\x8E", "\x89\xCE", "\x90\x85",
                             "\x96\xD8", "\x8B\xE0", "\x93\x79"};  // 日月火水木金土

class Writer {
 public:
  Writer(std::string& out, Random& rnd, const Vocabulary& vocab)
      : m_out(out), m_rnd(rnd), m_vocab(vocab) {}

  void Text(const char* s) { m_out += s; }
  void Text(const std::string& s) { m_out += s; }
  void Number(std::size_t n) { m_out += std::to_string(n); }
  std::size_t Size() const { return m_out.size(); }

  void Stamp(std::size_t no) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%02zu/%02zu/%02zu(%s)%02zu:%02zu:%02zu No.%zu",
                  m_rnd.Between(4, 12), m_rnd.Between(1, 12), m_rnd.Between(1, 28),
                  kDays[m_rnd.Next() % 7], m_rnd.Between(0, 23), m_rnd.Between(0, 59),
                  m_rnd.Between(0, 59), 10000000 + no);
    m_out += buf;
  }

  // Body lines with <br>, links, bold words and quotes until the post reaches `end`.
  void Lines(std::size_t end, std::size_t no) {
    while (m_out.size() < end) {
      const std::uint64_t kind = m_rnd.Next() % 16;
      if (kind == 0) {
        const std::size_t id = m_rnd.Between(100000, 999999);
        m_out += "<a href=\"http://img.example.jp/src/";
        Number(id);
        m_out += ".jpg\" target=\"_blank\">";
        Number(id);
        m_out += ".jpg</a>";
      } else if (kind == 1 && no > 1) {
        m_out += "&gt;&gt;";
        Number(10000000 + m_rnd.Between(1, no - 1));
      } else {
        const std::size_t words = m_rnd.Between(3, 14);
        for (std::size_t i = 0; i < words && m_out.size() < end; ++i) {
          if (m_rnd.Next() % 12 == 0) {
            m_out += "<b>";
            m_out += m_vocab.Pick(m_rnd);
            m_out += "</b>";
          } else {
            m_out += m_vocab.Pick(m_rnd);
          }
          if (m_rnd.Next() % 4 == 0) m_out += kPunct[m_rnd.Next() % 10];
        }
      }
      m_out += "<br>";
      if (m_rnd.Next() % 3 == 0) m_out += "\r\n";
    }
  }

 private:
  std::string& m_out;
  Random& m_rnd;
  const Vocabulary& m_vocab;
};

void DlPost(Writer& w, Random& rnd, std::size_t no, std::size_t end) {
  w.Text("<dt>");
  w.Number(no);
  w.Text(" \x81\x46<a href=\"mailto:sage\"><b>");  // "："
  w.Text(kNames[rnd.Next() % 3]);
  w.Text("</b></a>\x81\x46");
  w.Stamp(no);
  w.Text("<dd>");
  w.Lines(end, no);
}

void TablePost(Writer& w, Random& rnd, std::size_t no, std::size_t end, PostSpan& post) {
  w.Text("<table border=0><tr><td class=rts>\x81\x63</td>");
  post.secondCell = w.Size();
  w.Text("<td class=rtd>");
  w.Text("<input type=checkbox name=\"");
  w.Number(10000000 + no);
  w.Text("\" value=delete id=delcheck");
  w.Number(no);
  w.Text("><span class=csb>\x96\xB3\x94\x4F</span>Name <span class=cnm>");  // 無念
  w.Text(kNames[rnd.Next() % 3]);
  w.Text("</span> ");
  w.Stamp(no);
  w.Text(" <a class=del href=\"javascript:void(0);\">del</a>\r\n<blockquote>");
  // The closing tags below take 31 bytes of the post's share.
  w.Lines(end > 31 ? end - 31 : 0, no);
  w.Text("</blockquote></td>");
  post.rowEnd = w.Size();
  w.Text("</tr></table>");
}

}  // namespace

GeneratedLog GenerateLog(LogVariant variant, std::size_t targetBytes, std::uint64_t seed) {
  GeneratedLog log;
  std::string& out = log.bytes;
  out.reserve(targetBytes + 2 * kMaxPost + 512);
  Random rnd(seed);
  const Vocabulary vocab(rnd);
  Writer w(out, rnd, vocab);

  w.Text(
      "<HTML>\r\n<HEAD>\r\n<META HTTP-EQUIV=\"Content-type\" CONTENT=\"text/html; "
      "charset=Shift_JIS\">\r\n<TITLE>\x93\xF1\x8E\x9F\x8C\xB3\x97\xA0</TITLE>\r\n</HEAD>\r\n"
      "<BODY bgcolor=\"#FFFFEE\" text=\"#800000\" link=\"#0000EE\" vlink=\"#0000EE\">");
  log.bodyStart = out.size();
  const bool bTable = variant == LogVariant::kTable;
  w.Text(bTable ? "\r\n" : "\r\n<dl>\r\n");

  const std::string separator = variant == LogVariant::kHr     ? "<HR>"
                                : variant == LogVariant::kUser ? kUserSeparatorSjis
                                                               : "";
  const std::size_t tail = 32;  // "</dl>" and the end tags
  for (std::size_t no = 1; no == 1 || out.size() + tail < targetBytes; ++no) {
    if (no > 1) {
      w.Text("\r\n");
      if (!separator.empty()) {
        log.posts.back().separatorPos = out.size();
        log.posts.back().separatorLength = separator.size();
        w.Text(separator);
        w.Text("\r\n");
      }
    }
    PostSpan post;
    post.start = out.size();
    const std::size_t end = post.start + rnd.Between(kMinPost, kMaxPost);
    if (bTable) {
      TablePost(w, rnd, no, end, post);
    } else {
      DlPost(w, rnd, no, end);
    }
    post.length = out.size() - post.start;
    log.posts.push_back(post);
  }
  w.Text(bTable ? "\r\n" : "\r\n</dl>\r\n");
  log.bodyEnd = out.size();
  w.Text("</BODY>\r\n</HTML>\r\n");
  return log;
}

std::size_t ExpectedSections(LogVariant variant, std::size_t posts) {
  // A table post: its root section, two in the table, three in the row, one per cell.
  return variant == LogVariant::kTable ? 8 * posts + 1 : posts;
}

bool ParseVariant(const std::string& name, LogVariant* pVariant) {
  for (LogVariant v : {LogVariant::kHr, LogVariant::kTable, LogVariant::kUser}) {
    if (name == VariantName(v)) {
      *pVariant = v;
      return true;
    }
  }
  return false;
}

const char* VariantName(LogVariant variant) {
  switch (variant) {
    case LogVariant::kHr:
      return "hr";
    case LogVariant::kTable:
      return "table";
    default:
      return "user";
  }
}

}  // namespace bench
