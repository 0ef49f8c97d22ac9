#include "cli/OutlinePrinter.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/CliOptions.h"

namespace cli {
namespace {

// Hands the text on once it is large enough to be worth a write; the printer hands on the
// rest itself, as a write that fails must not be made from a destructor.
class Chunks {
 public:
  explicit Chunks(const OutlineSink& sink) : m_sink(sink) {}
  std::string& Text() { return m_text; }
  void Step() {
    if (m_text.size() >= (1u << 20)) Flush();
  }
  void Flush() {
    if (m_text.empty()) return;
    m_sink(m_text);
    m_text.clear();
  }

 private:
  const OutlineSink& m_sink;
  std::string m_text;
};

std::string Span(std::size_t offset, std::size_t length) {
  return "offset " + std::to_string(offset) + "  length " + std::to_string(length);
}

void AddLines(const std::vector<engine::OutlineSection>& sections, Chunks& out) {
  for (const engine::OutlineSection& s : sections) {
    std::string& t = out.Text();
    t.append(2 * static_cast<std::size_t>(s.nLayer - 1), ' ');
    t += "L" + std::to_string(s.nLayer) + " #" + std::to_string(s.nIndex) + "  " +
         Span(s.nOffset, s.nLength) + "  " + engine::ActionName(s.action) + "  " + s.strText + "\n";
    out.Step();
    AddLines(s.children, out);
  }
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

// The members are written one by one rather than as one library object of the whole tree:
// a table log of 256 MiB has 1.4 million sections, and that object took 1.7 GB and 9 s.
void AddSections(const std::vector<engine::OutlineSection>& sections, Chunks& out) {
  out.Text() += '[';
  bool bFirst = true;
  for (const engine::OutlineSection& s : sections) {
    std::string& t = out.Text();
    if (!bFirst) t += ',';
    bFirst = false;
    t += "{\"layer\":" + std::to_string(s.nLayer) + ",\"index\":" + std::to_string(s.nIndex) +
         ",\"offset\":" + std::to_string(s.nOffset) + ",\"length\":" + std::to_string(s.nLength) +
         ",\"head_length\":" + std::to_string(s.nHeadLength) + ",\"action\":\"" +
         engine::ActionName(s.action) + "\",\"text\":" + Quoted(s.strText) + ",\"sections\":";
    AddSections(s.children, out);
    out.Text() += '}';
    out.Step();
  }
  out.Text() += ']';
}

std::string SpanJson(bool bThere, std::size_t offset, std::size_t length) {
  if (!bThere) return "null";
  return "{\"offset\":" + std::to_string(offset) + ",\"length\":" + std::to_string(length) + "}";
}

}  // namespace

void PrintOutlineText(const engine::FileOutline& f, const OutlineSink& sink) {
  Chunks out(sink);
  std::string& t = out.Text();
  t = f.strPath + " (" + EncodingOptionName(f.encoding) + ")\n";
  if (f.bHeader) t += "header  " + Span(f.nHeaderOffset, f.nHeaderLength) + "\n";
  AddLines(f.sections, out);
  if (f.bTrailer) {
    out.Text() += "trailer  " + Span(f.nTrailerOffset, f.nTrailerLength) + "\n";
  } else if (f.bComplete) {
    out.Text() += "trailer  none: the fixed footer is written\n";
  }
  out.Flush();
}

void PrintOutlineJson(const engine::FileOutline& f, const OutlineSink& sink) {
  Chunks out(sink);
  out.Text() = "{\"path\":" + QuotedPath(f.strPath) +
               ",\"encoding\":" + Quoted(EncodingOptionName(f.encoding)) +
               ",\"header\":" + SpanJson(f.bHeader, f.nHeaderOffset, f.nHeaderLength) +
               ",\"trailer\":" + SpanJson(f.bTrailer, f.nTrailerOffset, f.nTrailerLength) +
               ",\"complete\":" + (f.bComplete ? "true" : "false") + ",\"sections\":";
  AddSections(f.sections, out);
  out.Text() += '}';
  out.Flush();
}

}  // namespace cli
