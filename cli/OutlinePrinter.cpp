#include "cli/OutlinePrinter.h"

#include "cli/CliOptions.h"

namespace cli {
namespace {

std::string Span(std::size_t offset, std::size_t length) {
  return "offset " + std::to_string(offset) + "  length " + std::to_string(length);
}

void AddLines(const std::vector<engine::OutlineSection>& sections, std::string& out) {
  for (const engine::OutlineSection& s : sections) {
    out += std::string(2 * static_cast<std::size_t>(s.nLayer - 1), ' ') + "L" +
           std::to_string(s.nLayer) + " #" + std::to_string(s.nIndex) + "  " +
           Span(s.nOffset, s.nLength) + "  " + engine::ActionName(s.action) + "  " + s.strText +
           "\n";
    AddLines(s.children, out);
  }
}

nlohmann::ordered_json SectionsJson(const std::vector<engine::OutlineSection>& sections) {
  nlohmann::ordered_json array = nlohmann::ordered_json::array();
  for (const engine::OutlineSection& s : sections) {
    array.push_back({{"layer", s.nLayer},
                     {"index", s.nIndex},
                     {"offset", s.nOffset},
                     {"length", s.nLength},
                     {"head_length", s.nHeadLength},
                     {"action", engine::ActionName(s.action)},
                     {"text", s.strText},
                     {"sections", SectionsJson(s.children)}});
  }
  return array;
}

}  // namespace

std::string OutlineText(const engine::FileOutline& f) {
  std::string out = f.strPath + " (" + EncodingOptionName(f.encoding) + ")\n";
  if (f.bHeader) out += "header  " + Span(f.nHeaderOffset, f.nHeaderLength) + "\n";
  AddLines(f.sections, out);
  if (f.bTrailer) {
    out += "trailer  " + Span(f.nTrailerOffset, f.nTrailerLength) + "\n";
  } else if (f.bComplete) {
    out += "trailer  none: the fixed footer is written\n";
  }
  return out;
}

nlohmann::ordered_json OutlineJson(const engine::FileOutline& f) {
  nlohmann::ordered_json header = nullptr;
  if (f.bHeader) header = {{"offset", f.nHeaderOffset}, {"length", f.nHeaderLength}};
  nlohmann::ordered_json trailer = nullptr;
  if (f.bTrailer) trailer = {{"offset", f.nTrailerOffset}, {"length", f.nTrailerLength}};
  return {{"path", f.strPath},       {"encoding", EncodingOptionName(f.encoding)},
          {"header", header},        {"trailer", trailer},
          {"complete", f.bComplete}, {"sections", SectionsJson(f.sections)}};
}

}  // namespace cli
