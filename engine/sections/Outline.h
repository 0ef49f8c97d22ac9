#pragma once

#include <algorithm>
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

// Takes one input's outline as it is made, a section at a time in file order, instead of
// as one tree in memory: a table log of 256 MiB has two million sections. The calls come
// from one thread at a time, not always the same one.
class COutlineReader {
 public:
  virtual ~COutlineReader() = default;
  // The input and its header; `file.sections` is empty, and the trailer and bComplete are
  // not known yet: End has them.
  virtual void Begin(const FileOutline& file) = 0;
  // A section, its `children` empty. With `bDivided` its block's sections follow, then Leave.
  virtual void Add(const OutlineSection& section, bool bDivided) = 0;
  virtual void Leave() = 0;
  virtual void End(const FileOutline& file) = 0;
};

// The first visible characters of some log bytes, as UTF-8: tags dropped, each run of
// white space one space, control characters escaped ("\x1b"), at most `maxChars`.
inline constexpr std::size_t kOutlineChars = 40;
std::string VisibleText(const std::uint8_t* data, std::size_t size, TextEncoding encoding,
                        std::size_t maxChars = kOutlineChars);
// Where the tags looked at began, from the start of the bytes looked at: a nested section
// that starts at one of them is read the same from there on.
struct TagPlaces {
  static constexpr std::size_t kMax = 16;
  std::size_t anTag[kMax];
  std::size_t nTags = 0;  // the first ones only
  void Add(std::size_t at) {
    if (nTags < kMax) anTag[nTags++] = at;
  }
  bool Has(std::size_t at) const { return std::find(anTag, anTag + nTags, at) != anTag + nTags; }
};
// Where the first kOutlineChars characters of a text began, from the start of the bytes it
// was made from (kNoPlace: a space between words), the tags before them, and whether each
// was converted on its own: a nested section's text can then be made from the text of the
// one holding it.
struct TextPlaces {
  static constexpr std::size_t kNoPlace = static_cast<std::size_t>(-1);
  std::size_t anChar[kOutlineChars];
  std::size_t nChars = 0;
  TagPlaces tags;
  bool bOneByOne = true;
};
// The same, into `text`; `*pStop` (unless null) is where the text ended: after its last
// character when it has maxChars of them, else `size`. With `nBefore`, the text goes on
// one that has that many characters (white space at its start parts words), up to maxChars
// in all; `pPlaces` (unless null) is told where its characters began.
void MakeVisibleText(const std::uint8_t* data, std::size_t size, TextEncoding encoding,
                     std::size_t maxChars, std::size_t* pStop, std::string& text,
                     TextPlaces* pPlaces = nullptr, std::size_t nBefore = 0);
// Where the first visible character of some log bytes is (`size` when there is none): the
// tags and white space before it show nothing.
std::size_t FirstVisible(const std::uint8_t* data, std::size_t size, TagPlaces* pTags = nullptr);

// A section's first visible characters, as UTF-8: made now from the kept bytes, or the
// text made with the outline.
std::string SectionText(const FileOutline& file, const OutlineSection& section);

}  // namespace engine
