#include "cli/OutlinePrinter.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string_view>
#include <utility>

#include "cli/CliOptions.h"

namespace cli {
namespace {

// Writes a line's pieces straight into the end of a chunk: room is made once for the most
// they can take, and what is left over is given back when it goes, which must be before the
// chunk is handed on. A table log has two million lines.
class LineWriter {
 public:
  LineWriter(std::string& text, std::size_t most) : m_text(text) {
    const std::size_t at = text.size();
    text.resize(at + most);
    m_w = text.data() + at;
  }
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;
  ~LineWriter() { m_text.resize(static_cast<std::size_t>(m_w - m_text.data())); }
  static constexpr std::size_t kNumber = 20;  // the most digits of a number
  void Put(std::string_view piece) {
    std::memcpy(m_w, piece.data(), piece.size());
    m_w += piece.size();
  }
  void Fill(char c, std::size_t count) {
    std::memset(m_w, c, count);
    m_w += count;
  }
  void Number(std::size_t n) { m_w = std::to_chars(m_w, m_w + kNumber, n).ptr; }
  // Each number after its label.
  void Fields(std::initializer_list<std::pair<std::string_view, std::size_t>> fields) {
    for (const auto& [label, n] : fields) {
      Put(label);
      Number(n);
    }
  }

 private:
  std::string& m_text;
  char* m_w;
};

std::string Span(std::size_t offset, std::size_t length) {
  return "offset " + std::to_string(offset) + "  length " + std::to_string(length);
}

// A JSON string through the library, so that escaping is never done by hand. Text from a
// log may hold bytes that are no UTF-8: they are shown as U+FFFD.
std::string Quoted(const std::string& text) {
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The length of the well-formed UTF-8 character at `at`, or 0.
std::size_t CharacterLength(const std::string& s, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned c = byte(at);
  if (c < 0x80) return 1;
  std::size_t n = 0;
  unsigned lo = 0x80, hi = 0xBF;  // the second byte's range: no overlong forms, no surrogates
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    lo = c == 0xE0 ? 0xA0 : lo;
    hi = c == 0xED ? 0x9F : hi;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    lo = c == 0xF0 ? 0x90 : lo;
    hi = c == 0xF4 ? 0x8F : hi;
  }
  if (n == 0 || at + n > s.size() || byte(at + 1) < lo || byte(at + 1) > hi) return 0;
  for (std::size_t i = 2; i < n; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  }
  return n;
}

// Whether a text has nothing to escape in JSON: well-formed UTF-8 without quotes,
// backslashes or control characters, as a section's text mostly is.
bool IsPlainJson(const std::string& text) {
  for (std::size_t at = 0; at < text.size();) {
    const auto c = static_cast<unsigned char>(text[at]);
    const std::size_t n =
        c < 0x80 ? (c >= 0x20 && c != '"' && c != '\\' && c != 0x7F) : CharacterLength(text, at);
    if (n == 0) return false;
    at += n;
  }
  return true;
}

// A path as a JSON string that gives its bytes back: a byte that is no part of well-formed
// UTF-8 is written as \udcXX, the lone surrogate U+DC00 plus the byte (as Python's
// "surrogateescape" reads it; no UTF-8 text holds one).
std::string QuotedPath(const std::string& path) {
  std::string quoted = "\"";
  for (std::size_t at = 0, from = 0; at <= path.size();) {
    const std::size_t n = at < path.size() ? CharacterLength(path, at) : 0;
    if (n > 0) {
      at += n;
      continue;
    }
    const std::string run = Quoted(path.substr(from, at - from));
    quoted.append(run, 1, run.size() - 2);
    if (at == path.size()) break;
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\udc%02x", static_cast<unsigned char>(path[at]));
    quoted += escape;
    from = ++at;
  }
  return quoted + '"';
}

std::string SpanJson(bool bThere, std::size_t offset, std::size_t length) {
  if (!bThere) return "null";
  return "{\"offset\":" + std::to_string(offset) + ",\"length\":" + std::to_string(length) + "}";
}

}  // namespace

void OutlineChunks::Flush() {
  if (m_text.empty()) return;
  m_sink(m_text);
  m_text.clear();
}

void TextOutlinePrinter::Begin(const engine::FileOutline& f) {
  std::string& t = m_out.Text();
  t += f.strPath + " (" + engine::EncodingOptionName(f.encoding) + ")\n";
  if (f.bHeader) t += "header  " + Span(f.nHeaderOffset, f.nHeaderLength) + "\n";
}

void TextOutlinePrinter::Add(const engine::OutlineSection& s, bool) {
  const std::string_view action = engine::ActionName(s.action);
  const std::size_t indent = 2 * static_cast<std::size_t>(s.nLayer - 1);
  {
    LineWriter w(m_out.Text(),
                 indent + 30 + 4 * LineWriter::kNumber + action.size() + s.strText.size());
    w.Fill(' ', indent);
    w.Fields({{"L", static_cast<std::size_t>(s.nLayer)},
              {" #", s.nIndex},
              {"  offset ", s.nOffset},
              {"  length ", s.nLength}});
    w.Put("  ");
    w.Put(action);
    w.Put("  ");
    w.Put(s.strText);
    w.Put("\n");
  }  // the line is whole before the chunk may go
  m_out.Step();
}

void TextOutlinePrinter::End(const engine::FileOutline& f) {
  if (f.bTrailer) {
    m_out.Text() += "trailer  " + Span(f.nTrailerOffset, f.nTrailerLength) + "\n";
  } else if (f.bComplete) {
    m_out.Text() += "trailer  none: the fixed footer is written\n";
  }
  m_out.Flush();
}

void JsonOutlinePrinter::Begin(const engine::FileOutline& f) {
  if (m_bBegun) m_out.Text() += ",\n";
  m_bBegun = true;
  m_out.Text() += "{\"path\":" + QuotedPath(f.strPath) +
                  ",\"encoding\":" + Quoted(engine::EncodingOptionName(f.encoding)) +
                  ",\"header\":" + SpanJson(f.bHeader, f.nHeaderOffset, f.nHeaderLength) +
                  ",\"sections\":[";
  m_abFirst.assign(1, true);
}

// The members are written one by one rather than as one library object of the whole tree:
// a table log of 256 MiB has two million sections, and that object took 1.7 GB and 9 s.
void JsonOutlinePrinter::Add(const engine::OutlineSection& s, bool bDivided) {
  std::string& t = m_out.Text();
  const std::string_view action = engine::ActionName(s.action);
  const bool bPlain = IsPlainJson(s.strText);
  {
    LineWriter w(t, 90 + 5 * LineWriter::kNumber + action.size() + (bPlain ? s.strText.size() : 0));
    if (!m_abFirst.back()) w.Put(",");
    w.Fields({{"{\"layer\":", static_cast<std::size_t>(s.nLayer)},
              {",\"index\":", s.nIndex},
              {",\"offset\":", s.nOffset},
              {",\"length\":", s.nLength},
              {",\"head_length\":", s.nHeadLength}});
    w.Put(",\"action\":\"");
    w.Put(action);
    w.Put("\",\"text\":\"");
    if (bPlain) w.Put(s.strText);
  }
  if (!bPlain) t.append(Quoted(s.strText), 1);  // after the quote written above
  t += bPlain ? "\",\"sections\":[" : ",\"sections\":[";
  m_abFirst.back() = false;
  if (bDivided) {
    m_abFirst.push_back(true);
  } else {
    t += "]}";
  }
  m_out.Step();
}

void JsonOutlinePrinter::Leave() {
  m_abFirst.pop_back();
  m_out.Text() += "]}";
}

// The trailer and whether the split completed are known once the sections are printed.
void JsonOutlinePrinter::End(const engine::FileOutline& f) {
  m_out.Text() += "],\"trailer\":" + SpanJson(f.bTrailer, f.nTrailerOffset, f.nTrailerLength) +
                  ",\"complete\":" + (f.bComplete ? "true" : "false") + "}";
  m_out.Flush();
}

}  // namespace cli
