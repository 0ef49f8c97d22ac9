#include "cli/OutlinePrinter.h"

#include <nlohmann/json.hpp>

#include "cli/CliOptions.h"

namespace cli {
namespace {

// Hands the text on once it is large enough to be worth a write.
class Chunks {
 public:
  explicit Chunks(const OutlineSink& sink) : m_sink(sink) {}
  ~Chunks() { Flush(); }
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
}

void PrintOutlineJson(const engine::FileOutline& f, const OutlineSink& sink) {
  Chunks out(sink);
  out.Text() = "{\"path\":" + Quoted(f.strPath) +
               ",\"encoding\":" + Quoted(EncodingOptionName(f.encoding)) +
               ",\"header\":" + SpanJson(f.bHeader, f.nHeaderOffset, f.nHeaderLength) +
               ",\"trailer\":" + SpanJson(f.bTrailer, f.nTrailerOffset, f.nTrailerLength) +
               ",\"complete\":" + (f.bComplete ? "true" : "false") + ",\"sections\":";
  AddSections(f.sections, out);
  out.Text() += '}';
}

}  // namespace cli
