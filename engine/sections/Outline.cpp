#include "engine/sections/Outline.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>

#include "engine/run/CExecutor.h"
#include "engine/search/TagEnd.h"
#include "engine/sections/OutlineStream.h"
#include "platform/Encoding.h"

namespace engine {
namespace {

constexpr bool IsSpace(std::uint8_t c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// Bytes of a character starting with `c`, so that text is never cut inside one.
constexpr std::size_t CharLength(std::uint8_t c, TextEncoding encoding) {
  if (encoding == TextEncoding::kUtf8) return c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  // Shift_JIS lead bytes; an EUC log is Shift_JIS once converted.
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) ? 2 : 1;
}

// Per byte, in a run of plain characters: the length of the character it starts, or 0 where
// the run ends (a tag, a reference or a space). An outline reads tens of millions of them.
using RunTable = std::array<std::uint8_t, 256>;
constexpr RunTable MakeRunTable(TextEncoding encoding) {
  RunTable t{};
  for (std::size_t c = 0; c < t.size(); ++c) {
    const auto b = static_cast<std::uint8_t>(c);
    t[c] =
        b == '<' || b == '&' || IsSpace(b) ? 0 : static_cast<std::uint8_t>(CharLength(b, encoding));
  }
  return t;
}
constexpr RunTable kUtf8Run = MakeRunTable(TextEncoding::kUtf8);
constexpr RunTable kShiftJisRun = MakeRunTable(TextEncoding::kShiftJis);

// A character reference: "&gt;", "&#62;" or "&#x3E;". nLength 0: none there.
struct Entity {
  std::size_t nLength = 0;
  std::uint32_t nCodePoint = 0;
};

Entity ReadEntity(const std::uint8_t* d, std::size_t size) {
  const std::size_t semicolon = [&] {
    for (std::size_t i = 1; i < std::min<std::size_t>(size, 10); ++i) {
      if (d[i] == ';') return i;
    }
    return std::size_t{0};
  }();
  if (semicolon < 2) return {};
  const std::string_view name(reinterpret_cast<const char*>(d + 1), semicolon - 1);
  std::uint32_t cp = 0;
  if (name[0] == '#') {
    const bool bHex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
    const std::string_view digits = name.substr(bHex ? 2 : 1);
    if (digits.empty()) return {};
    for (const char ch : digits) {
      const int v = std::isdigit(static_cast<unsigned char>(ch)) ? ch - '0'
                    : bHex && std::isxdigit(static_cast<unsigned char>(ch))
                        ? std::tolower(static_cast<unsigned char>(ch)) - 'a' + 10
                        : -1;
      if (v < 0) return {};
      cp = cp * (bHex ? 16 : 10) + static_cast<std::uint32_t>(v);
      if (cp > 0x10FFFF) return {};
    }
    if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
  } else {
    static constexpr std::pair<std::string_view, std::uint32_t> kNamed[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", 0xA0}};
    const auto* it = std::find_if(std::begin(kNamed), std::end(kNamed),
                                  [&](const auto& e) { return e.first == name; });
    if (it == std::end(kNamed)) return {};
    cp = it->second;
  }
  return {semicolon + 1, cp};
}

// Shift_JIS characters as the platform converts them to UTF-8, remembered per code: an
// outline converts a few words for each of millions of sections, and asking the converter
// costs more than the rest of a text. 0: not asked yet; else the UTF-8 bytes, their count
// in the top byte (0xFF: no character, or one that takes more than three bytes).
std::atomic<std::uint32_t> g_anCp932[0x10000 + 0x100];

[[gnu::noinline]] std::uint32_t AskCp932(const char* c, std::size_t n,
                                         std::atomic<std::uint32_t>& slot) {
  const std::string u = platform::Cp932ToUtf8Lossy({c, n});
  std::uint32_t e = 0xFF000000u;
  if (!u.empty() && u.size() <= 3 && u.find("\xEF\xBF\xBD") == std::string::npos) {
    e = static_cast<std::uint32_t>(u.size()) << 24;
    for (std::size_t i = 0; i < u.size(); ++i)
      e |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(u[i])) << (8 * i);
  }
  slot.store(e, std::memory_order_relaxed);
  return e;
}

inline std::uint32_t Cp932Entry(const char* c, std::size_t n) {
  const auto b0 = static_cast<std::uint8_t>(c[0]);
  std::atomic<std::uint32_t>& slot =
      g_anCp932[n == 1 ? 0x10000 + b0
                       : static_cast<std::size_t>(b0) << 8 | static_cast<std::uint8_t>(c[1])];
  const std::uint32_t e = slot.load(std::memory_order_relaxed);
  return e != 0 ? e : AskCp932(c, n, slot);
}

// Shift_JIS text as UTF-8, as platform::Cp932ToUtf8Lossy makes it; a text with a byte that
// is no character is handed to it whole, as what follows such a byte depends on it (false).
bool AppendCp932(const char* sjis, std::size_t size, std::string& out) {
  const std::size_t mark = out.size();
  // No character grows to more than three bytes; each is stored as four, its count last.
  out.resize(mark + 3 * size + 1);
  char* w = out.data() + mark;
  const auto length = [&](std::size_t p) {
    return std::min(CharLength(static_cast<std::uint8_t>(sjis[p]), TextEncoding::kShiftJis),
                    size - p);
  };
  if constexpr (std::endian::native == std::endian::little) {
    // A character of one byte mostly comes out as one, and one of two as three: where the
    // next one goes is then known before the table is read, and any other is caught after.
    std::uint32_t other = 0;
    for (std::size_t p = 0; p < size;) {
      const std::size_t n = length(p);
      const std::uint32_t e = Cp932Entry(sjis + p, n);
      std::memcpy(w, &e, sizeof e);
      other |= (e >> 24) ^ static_cast<std::uint32_t>(2 * n - 1);
      w += 2 * n - 1;
      p += n;
    }
    if (other == 0) {
      out.resize(static_cast<std::size_t>(w - out.data()));
      return true;
    }
    w = out.data() + mark;
  }
  for (std::size_t p = 0; p < size;) {
    const std::size_t n = length(p);
    const std::uint32_t e = Cp932Entry(sjis + p, n);
    if (e >> 24 == 0xFF) {
      out.resize(mark);
      out += platform::Cp932ToUtf8Lossy({sjis, size});
      return false;
    }
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(w, &e, sizeof e);
      w += e >> 24;
    } else {
      for (std::uint32_t i = 0; i < e >> 24; ++i) *w++ = static_cast<char>(e >> (8 * i) & 0xFF);
    }
    p += n;
  }
  out.resize(static_cast<std::size_t>(w - out.data()));
  return true;
}

void AppendUtf8(std::uint32_t cp, std::string& out) {
  const auto byte = [&out](std::uint32_t b) { out += static_cast<char>(b); };
  if (cp < 0x800) {
    byte(0xC0 | cp >> 6);
  } else if (cp < 0x10000) {
    byte(0xE0 | cp >> 12);
    byte(0x80 | (cp >> 6 & 0x3F));
  } else {
    byte(0xF0 | cp >> 18);
    byte(0x80 | (cp >> 12 & 0x3F));
    byte(0x80 | (cp >> 6 & 0x3F));
  }
  byte(0x80 | (cp & 0x3F));
}

// Makes the whole tree, for those who keep it.
class TreeReader : public COutlineReader {
 public:
  void Begin(const FileOutline&) override {
    m_sections.clear();
    m_lists.assign(1, &m_sections);
  }
  void Add(const OutlineSection& section, bool bDivided) override {
    m_lists.back()->push_back(section);
    if (bDivided) m_lists.push_back(&m_lists.back()->back().children);
  }
  void Leave() override { m_lists.pop_back(); }
  void End(const FileOutline&) override {}
  std::vector<OutlineSection> Take() { return std::move(m_sections); }

 private:
  std::vector<OutlineSection> m_sections;
  std::vector<std::vector<OutlineSection>*> m_lists;  // the one added to is last
};

}  // namespace

const char* ActionName(SectionAction action) {
  switch (action) {
    case SectionAction::kReversed:
      return "reversed";
    case SectionAction::kCut:
      return "cut";
    case SectionAction::kKept:
      return "kept";
    case SectionAction::kWhole:
      return "whole";
    default:
      return "in-order";
  }
}

std::string VisibleText(const std::uint8_t* d, std::size_t size, TextEncoding encoding,
                        std::size_t maxChars) {
  std::string text;
  MakeVisibleText(d, size, encoding, maxChars, nullptr, text);
  return text;
}

std::size_t FirstVisible(const std::uint8_t* d, std::size_t size, TagPlaces* pTags) {
  std::size_t p = 0;
  while (p < size) {
    const std::uint8_t c = d[p];
    if (c == '<') {
      if (pTags) pTags->Add(p);
      p = std::min(size, TagEnd(d, p, size) + 1);
      continue;
    }
    const Entity entity = c == '&' ? ReadEntity(d + p, size - p) : Entity{};
    if (!IsSpace(c) && entity.nCodePoint != 0xA0) break;
    p += entity.nLength ? entity.nLength : 1;
  }
  return p;
}

namespace {

// Where the characters go is written down only for texts that may stand for others.
template <bool kPlaces>
void MakeText(const std::uint8_t* d, std::size_t size, TextEncoding encoding, std::size_t maxChars,
              std::size_t* pStop, std::string& utf8, TextPlaces* places, std::size_t nBefore) {
  // The first maxChars characters (a space between words counts as one), whole ones only.
  // An outline makes one for every section: no memory is asked for where it can be helped.
  utf8.clear();
  if constexpr (kPlaces) places->tags.nTags = 0;
  // Log bytes not yet decoded: a character takes at most four, a space or a reference one.
  char local[256];
  std::string heap;
  if (4 * maxChars > sizeof local) heap.resize(4 * maxChars);
  char* const bytes = heap.empty() ? local : heap.data();
  std::size_t nBytes = 0;
  bool bOneByOne = true;
  const auto decode = [&] {
    if (nBytes == 0) return;
    if (encoding == TextEncoding::kUtf8) {
      utf8.append(bytes, nBytes);
    } else {
      bOneByOne = AppendCp932(bytes, nBytes, utf8) && bOneByOne;
    }
    nBytes = 0;
  };
  std::size_t chars = nBefore;
  const auto place = [&](std::size_t at) {
    if constexpr (kPlaces) {
      if (chars < kOutlineChars) places->anChar[chars] = at;
    }
  };
  bool bSpace = false;
  std::size_t p = 0;
  for (; p < size && chars < maxChars;) {
    const std::uint8_t c = d[p];
    if (c == '<') {
      if constexpr (kPlaces) places->tags.Add(p);
      p = std::min(size, TagEnd(d, p, size) + 1);
      bSpace = bSpace || chars > 0;  // a tag between words parts them
      continue;
    }
    Entity entity;
    if (c == '&') entity = ReadEntity(d + p, size - p);
    if (IsSpace(c) || entity.nCodePoint == 0xA0) {
      bSpace = bSpace || chars > 0;
      p += entity.nLength ? entity.nLength : 1;
      continue;
    }
    if (bSpace) {
      bytes[nBytes++] = ' ';
      bSpace = false;
      place(TextPlaces::kNoPlace);
      if (++chars == maxChars) break;
    }
    if (entity.nLength) {
      // Replies quote with "&gt;&gt;12": shown as the reader sees it.
      if (entity.nCodePoint < 0x80) {
        bytes[nBytes++] = static_cast<char>(entity.nCodePoint);
      } else {
        decode();
        AppendUtf8(entity.nCodePoint, utf8);
      }
      place(p);
      p += entity.nLength;
      ++chars;
      continue;
    }
    // A run of plain characters goes in at once.
    const RunTable& run = encoding == TextEncoding::kUtf8 ? kUtf8Run : kShiftJisRun;
    const std::size_t from = p;
    std::size_t n = CharLength(c, encoding);  // a '&' that starts no reference, too
    for (;;) {
      place(p);
      ++chars;
      if (n >= size - p) {  // the last character, maybe cut
        p = size;
        break;
      }
      p += n;
      if (chars == maxChars) break;
      // Characters mostly come in stretches of one length: where p goes next is then
      // guessed right by the processor, instead of waiting for the byte.
      const std::size_t next = run[d[p]];
      if (next != n) {
        if (next == 0) break;
        n = next;
      }
    }
    std::memcpy(bytes + nBytes, d + from, p - from);
    nBytes += p - from;
  }
  if (pStop) *pStop = chars == maxChars ? p : size;
  decode();
  if constexpr (kPlaces) {
    places->nChars = std::min(chars, kOutlineChars);
    places->bOneByOne = bOneByOne;
  }
  // Control characters are shown escaped; everything else as it is.
  const auto isControl = [](char ch) {
    const auto c = static_cast<std::uint8_t>(ch);
    return c < 0x20 || c == 0x7F;
  };
  if (std::none_of(utf8.begin(), utf8.end(), isControl)) return;
  std::string text;
  for (const char ch : utf8) {
    const auto c = static_cast<std::uint8_t>(ch);
    if (!isControl(ch)) {
      text += ch;
      continue;
    }
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
    text += escaped;
  }
  utf8.swap(text);
}

}  // namespace

void MakeVisibleText(const std::uint8_t* d, std::size_t size, TextEncoding encoding,
                     std::size_t maxChars, std::size_t* pStop, std::string& utf8,
                     TextPlaces* pPlaces, std::size_t nBefore) {
  if (pPlaces) {
    MakeText<true>(d, size, encoding, maxChars, pStop, utf8, pPlaces, nBefore);
  } else {
    MakeText<false>(d, size, encoding, maxChars, pStop, utf8, nullptr, nBefore);
  }
}

std::string SectionText(const FileOutline& file, const OutlineSection& section) {
  if (!file.bytes) return section.strText;
  // An EUC log is split as Shift_JIS.
  const TextEncoding shown =
      file.encoding == TextEncoding::kUtf8 ? TextEncoding::kUtf8 : TextEncoding::kShiftJis;
  return VisibleText(file.bytes.get() + section.nOffset, section.nLength, shown);
}

TextEncoding CExecutor::RunEncoding() const {
  if (m_bEuc) return TextEncoding::kEucJp;
  return m_bUtf8 ? TextEncoding::kUtf8 : TextEncoding::kShiftJis;
}

// The sections [from, to) of a cluster of `count` in all, numbered from `base`, with those
// shown inside them, each with what the writer will do with it.
void CExecutor::AddOutlineEntries(const CCluster& cluster, Offset from, Offset to, std::size_t base,
                                  std::size_t count, OutlineBatch& batch) const {
  const int order = cluster.m_nCount == 0 ? kUnchanged : ChooseOrder(cluster);
  const CutBounds b = Bounds(cluster, count);
  for (Offset i = from; i < to; ++i) {
    const CSection& s = cluster.GetSection(m_sections, i);
    const std::size_t n = base + i;
    OutlineEntry& e = batch.entries.emplace_back();
    e.nLayer = s.Layer();
    e.nIndex = static_cast<Offset>(n);
    e.nOffset = s.Start();
    e.nLength = s.TotalLength();
    e.nHeadLength = s.m_nHeadLength;
    if (order == kUnchanged) {
      e.action = SectionAction::kWhole;
    } else if (n >= b.lead && n < b.rangeEnd) {
      e.action = order == kReversed ? SectionAction::kReversed : SectionAction::kInOrder;
    } else {
      const bool bKept = m_bCutOutsideRange && (n < b.lead || n >= b.trailStart);
      e.action = bKept ? SectionAction::kKept : SectionAction::kCut;
    }
    e.bDivided = ShowsSections(s.m_cluster);
    if (e.bDivided) {
      const CCluster& nested = s.m_cluster;
      AddOutlineEntries(nested, 0, nested.m_nCount, 0, nested.m_nCount, batch);
      batch.entries.emplace_back();  // its block ends
    }
  }
}

// Hands the top sections [from, to) to the stream, a megabyte of the log or so at a time, so
// that the threads share them. `count`: how many top sections there are in all, or
// SIZE_MAX while the split goes on.
void CExecutor::StreamSections(Offset from, Offset to, std::size_t count) {
  constexpr std::size_t kBatchBytes = 1u << 20;
  const CCluster& root = m_rootCluster;
  for (Offset i = from; i < to;) {
    OutlineBatch& batch = m_pStream->NextBatch();
    batch.nStart = root.GetSection(m_sections, i).Start();
    Offset j = i;
    do {
      const CSection& s = root.GetSection(m_sections, j++);
      batch.nEnd = s.Start() + std::size_t{s.TotalLength()};
    } while (j < to && batch.nEnd - batch.nStart < kBatchBytes);
    AddOutlineEntries(root, i, j, m_nStreamBase, count, batch);
    m_pStream->Hand();
    i = j;
  }
}

void CExecutor::BeginStream() {
  if (m_bStreamBegun) return;
  m_bStreamBegun = true;
  FileOutline& file = *m_pStreamFile;
  file.bHeader = m_bHeaderFound;
  file.nHeaderOffset = m_nHeaderPos;
  file.nHeaderLength = m_nHeaderLength;
  m_pStreamReader->Begin(file);
}

// Called by the split as top sections are finished: all but the last, which may still grow,
// are printed, and then dropped as the placed ones of a run are (PlaceTopSections).
void CExecutor::StreamTopSections() {
  const CCluster& root = m_rootCluster;
  if (!m_bStreamArmed || root.m_nCount <= 1) return;
  BeginStream();
  if (!m_pStream->StartThreads()) {
    m_bStreamArmed = false;  // printed after the split, from the tree
    return;
  }
  StreamSections(m_nStreamed, root.m_nCount - 1, SIZE_MAX);
  m_nStreamed = root.m_nCount - 1;
  if (root.GetLastSection(m_sections)->m_cluster.m_nCount == 0) {
    m_nStreamBase += m_nStreamed;
    m_sections.KeepLast(1);
    m_rootCluster.m_nFirstSection = 0;
    m_rootCluster.m_nCount = 1;
    m_nStreamed = 0;
    m_bPlacedDropped = true;
  }
}

void CExecutor::CloseOutlineInput() {
  m_pFileData.reset();
  m_fileIn.Abort();
  m_bInputOpen = false;
}

// Splits input i and prints its outline through `reader`: as the split goes, for a large
// file whose top-level actions do not wait for the count of its sections (no trailing cut
// there). 1 with `file` filled, 0 when the input could not be opened, -1 when stopped.
int CExecutor::OutlineInput(std::size_t i, COutlineReader& reader, bool bText, FileOutline& file) {
  if (OpenInputFile(i) != 0) return 0;
  file.strPath = m_arrInputPaths[i];
  file.encoding = RunEncoding();
  const TextEncoding shown = m_bUtf8 ? TextEncoding::kUtf8 : TextEncoding::kShiftJis;
  COutlineStream::WholeCheck whole;
  if (platform::IsMapped(m_pFileData)) {
    whole = [this] {
      return platform::CheckMappedFile(m_pFileData, m_fileIn.GetHandle()) ==
             platform::CFileException::none;
    };
  }
  COutlineStream stream(reader, m_pFileData.get(), ScanSource(), shown, bText, std::move(whole));
  struct Unhook {
    CExecutor& ex;
    ~Unhook() { ex.m_pStream = nullptr; }
  } unhook{*this};
  m_pStream = &stream;
  m_pStreamReader = &reader;
  m_pStreamFile = &file;
  m_bStreamBegun = false;
  m_bStreamArmed = m_nFileSize >= m_nPlaceMin && (!m_abyRange[1] || m_nTrailCut <= 0);
  m_nStreamBase = m_nStreamed = 0;
  m_searcher.SetBuffer(m_pFileData.get(), m_nFileSize, ScanSource());
  const int split = Split();
  if (split == kSplitStopped) {
    // Whoever stopped it wants no more of it: walking a large partial tree would only delay
    // what comes next.
    m_bStopped = true;
    return -1;
  }
  file.bComplete = split == kSplitOk;
  file.bTrailer = file.bComplete && m_bTrailerFound;
  file.nTrailerOffset = m_nTrailerPos;
  file.nTrailerLength = m_nTrailerLength;
  BeginStream();
  // What was read before a read failed is not the file: only a tree from a read file.
  if (m_nSplitFailure != kFailRead && m_nSplitFailure != kFailLost && file.bHeader) {
    const CCluster& root = m_rootCluster;
    if (root.m_nCount >= kThreadsFrom) stream.StartThreads();
    StreamSections(m_nStreamed, root.m_nCount, m_nStreamBase + root.m_nCount);
  }
  stream.Finish();
  reader.End(file);
  return 1;
}

int CExecutor::OutlineInputs(COutlineReader& reader, bool bText,
                             const std::function<void(std::size_t, FileOutline&)>& done) {
  m_nInputCount = m_arrInputPaths.size();
  m_bStopped = false;
  int result = 0;
  for (std::size_t i = 0; i < m_nInputCount; ++i) {
    m_nStoppedAt = i;
    FileOutline file;
    struct Close {
      CExecutor& ex;
      ~Close() { ex.CloseOutlineInput(); }
    } close{*this};
    const int r = OutlineInput(i, reader, bText, file);
    if (r < 0) return -1;
    if (r == 0 || !file.bComplete) result = -1;
    if (r > 0) done(i, file);
  }
  m_nStoppedAt = m_nInputCount;
  return result;
}

int CExecutor::Outline(const std::function<void(FileOutline&)>& sink) {
  TreeReader tree;
  return OutlineInputs(tree, !m_bOutlineKeepsBytes, [&](std::size_t i, FileOutline& file) {
    file.sections = tree.Take();
    const bool bComplete = file.bComplete;
    if (m_bOutlineKeepsBytes && !file.sections.empty()) {
      // The report reads the bytes, so it comes before they go; one who keeps the bytes
      // shows the messages apart from the tree anyway.
      if (!bComplete) ReportSplitFailure(i);
      file.bytes = std::move(m_pFileData);
      sink(file);
    } else {
      sink(file);
      if (!bComplete) ReportSplitFailure(i);
    }
  });
}

int CExecutor::Outline(COutlineReader& reader) {
  return OutlineInputs(reader, true, [&](std::size_t i, FileOutline& file) {
    if (!file.bComplete) ReportSplitFailure(i);
  });
}

}  // namespace engine
