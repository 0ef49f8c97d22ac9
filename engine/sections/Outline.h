#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/run/TextEncoding.h"
#include "platform/FileBuffer.h"

namespace engine {

// What a run does with a section.
enum class SectionAction {
  kInOrder,   // written in its place among the written ones
  kReversed,  // written in reverse order with the others of its cluster
  kCut,       // left out
  kKept,      // outside the range, written unchanged in its place
  kWhole,     // its cluster is not divided: copied whole with it
};

// "in-order", "reversed", "cut", "kept", "whole".
const char* ActionName(SectionAction action);

// One section of a file's tree as a run would treat it. Offsets count in the bytes the
// engine splits (after an EUC conversion).
struct OutlineSection {
  int nLayer = 0;
  std::size_t nIndex = 0;  // within its cluster
  std::size_t nOffset = 0;
  std::size_t nLength = 0;      // the whole section: its text, then its separator or block
  std::size_t nHeadLength = 0;  // its text before the separator or block
  SectionAction action = SectionAction::kInOrder;
  std::string strText;                   // its first visible characters, as UTF-8; see SectionText
  std::vector<OutlineSection> children;  // the sections of its block, when it is divided
};

// One input's outline: where its header and trailer lie and its sections.
struct FileOutline {
  std::string strPath;
  TextEncoding encoding = TextEncoding::kShiftJis;
  bool bHeader = false;
  std::size_t nHeaderOffset = 0;
  std::size_t nHeaderLength = 0;
  bool bTrailer = false;
  std::size_t nTrailerOffset = 0;
  std::size_t nTrailerLength = 0;
  std::vector<OutlineSection> sections;
  bool bComplete = false;  // false: the split stopped at a fault, reported after the outline
  // The bytes split, kept instead of making every section's text up front (a viewer that
  // shows a few rows at a time); null when the texts were made.
  platform::FileBuffer bytes;
};

// The first visible characters of some log bytes, as UTF-8: tags dropped, each run of
// white space one space, control characters escaped ("\x1b"), at most `maxChars`.
std::string VisibleText(const std::uint8_t* data, std::size_t size, TextEncoding encoding,
                        std::size_t maxChars = 40);

// A section's first visible characters, as UTF-8: made now from the kept bytes, or the
// text made with the outline.
std::string SectionText(const FileOutline& file, const OutlineSection& section);

}  // namespace engine
