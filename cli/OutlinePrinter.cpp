#include "cli/OutlinePrinter.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string_view>

#include "cli/CliOptions.h"

namespace cli {
namespace {

void AppendNumber(std::string& text, std::size_t n) {
  char digits[24];
  const auto r = std::to_chars(digits, digits + sizeof digits, n);
  text.append(digits, r.ptr);
}

std::string Span(std::size_t offset, std::size_t length) {
  return "offset " + std::to_string(offset) + "  length " + std::to_string(length);
}

// A JSON string through the library, so that escaping is never done by hand. Text from a
// log may hold bytes that are no UTF-8: they are shown as U+FFFD.
std::string Quoted(const std::string& text) {
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::size_t CharacterLength(const std::string& s, std::size_t at);

// The same, appended; a text with nothing to escape (well-formed UTF-8 without quotes,
// backslashes or control characters, as a section's text mostly is) goes as it is.
void AppendQuoted(std::string& out, const std::string& text) {
  for (std::size_t at = 0; at < text.size();) {
    const auto c = static_cast<unsigned char>(text[at]);
    const std::size_t n =
        c < 0x80 ? (c >= 0x20 && c != '"' && c != '\\' && c != 0x7F) : CharacterLength(text, at);
    if (n == 0) {
      out += Quoted(text);
      return;
    }
    at += n;
  }
  out += '"';
  out += text;
  out += '"';
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

// A table log has two million lines: each is written straight into the chunk, with room
// made for it once, rather than appended piece by piece.
void TextOutlinePrinter::Add(const engine::OutlineSection& s, bool) {
  std::string& t = m_out.Text();
  const std::size_t indent = 2 * static_cast<std::size_t>(s.nLayer - 1);
  const std::string_view action = engine::ActionName(s.action);
  // "L", "  #", "  offset ", "  length " and four numbers of at most 20 digits.
  constexpr std::size_t kFixed = 24 + 4 * 20;
  const std::size_t at = t.size();
  t.resize(at + indent + kFixed + action.size() + 4 + s.strText.size() + 1);
  char* w = t.data() + at;
  const auto put = [&](std::string_view piece) {
    std::memcpy(w, piece.data(), piece.size());
    w += piece.size();
  };
  const auto number = [&](std::size_t n) { w = std::to_chars(w, w + 20, n).ptr; };
  std::memset(w, ' ', indent);
  w += indent;
  put("L");
  number(static_cast<std::size_t>(s.nLayer));
  put(" #");
  number(s.nIndex);
  put("  offset ");
  number(s.nOffset);
  put("  length ");
  number(s.nLength);
  put("  ");
  put(action);
  put("  ");
  put(s.strText);
  *w++ = '\n';
  t.resize(static_cast<std::size_t>(w - t.data()));
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
  if (!m_abFirst.back()) t += ',';
  m_abFirst.back() = false;
  t += "{\"layer\":";
  AppendNumber(t, s.nLayer);
  t += ",\"index\":";
  AppendNumber(t, s.nIndex);
  t += ",\"offset\":";
  AppendNumber(t, s.nOffset);
  t += ",\"length\":";
  AppendNumber(t, s.nLength);
  t += ",\"head_length\":";
  AppendNumber(t, s.nHeadLength);
  t += ",\"action\":\"";
  t += engine::ActionName(s.action);
  t += "\",\"text\":";
  AppendQuoted(t, s.strText);
  t += ",\"sections\":[";
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
