#include "engine/sections/Outline.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/run/CExecutor.h"
#include "platform/Encoding.h"

namespace engine {
namespace {

bool IsSpace(std::uint8_t c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// Bytes of a character starting with `c`, so that text is never cut inside one.
std::size_t CharLength(std::uint8_t c, TextEncoding encoding) {
  if (encoding == TextEncoding::kUtf8) return c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  // Shift_JIS lead bytes; an EUC log is Shift_JIS once converted.
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) ? 2 : 1;
}

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
  // The first maxChars characters (a space between words counts as one), whole ones only.
  // An outline makes one for every section, so the strings are made once each where it can.
  std::string bytes;
  bytes.reserve(2 * maxChars + 1);
  std::size_t chars = 0;
  bool bSpace = false;
  for (std::size_t p = 0; p < size && chars < maxChars;) {
    const std::uint8_t c = d[p];
    if (c == '<') {
      const void* end = std::memchr(d + p, '>', size - p);
      p = end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - d) + 1 : size;
      bSpace = bSpace || chars > 0;  // a tag between words parts them
      continue;
    }
    if (IsSpace(c)) {
      bSpace = bSpace || chars > 0;
      ++p;
      continue;
    }
    if (bSpace) {
      bytes += ' ';
      bSpace = false;
      if (++chars == maxChars) break;
    }
    const std::size_t n = std::min(CharLength(c, encoding), size - p);
    bytes.append(reinterpret_cast<const char*>(d + p), n);
    p += n;
    ++chars;
  }
  std::string utf8 =
      encoding == TextEncoding::kUtf8 ? std::move(bytes) : platform::Cp932ToUtf8Lossy(bytes);
  // Control characters are shown escaped; everything else as it is.
  const auto isControl = [](char ch) {
    const auto c = static_cast<std::uint8_t>(ch);
    return c < 0x20 || c == 0x7F;
  };
  if (std::none_of(utf8.begin(), utf8.end(), isControl)) return utf8;
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
  return text;
}

TextEncoding CExecutor::RunEncoding() const {
  if (m_bEuc == 1) return TextEncoding::kEucJp;
  return m_bUtf8 == 1 ? TextEncoding::kUtf8 : TextEncoding::kShiftJis;
}

// The sections of a divided cluster, each with what the writer will do with it.
void CExecutor::OutlineCluster(const CCluster& cluster, std::vector<OutlineSection>& out) {
  const int order = cluster.m_nCount == 0 ? kUnchanged : ChooseOrder(cluster);
  const CutBounds b = Bounds(cluster);
  const TextEncoding shown = m_bUtf8 == 1 ? TextEncoding::kUtf8 : TextEncoding::kShiftJis;
  out.reserve(cluster.m_nCount);
  for (Offset i = 0; i < cluster.m_nCount; ++i) {
    const CSection& s = cluster.GetSection(m_sections, i);
    OutlineSection o;
    o.nLayer = s.m_byLayer;
    o.nIndex = i;
    o.nOffset = s.m_nStart;
    o.nLength = s.m_nTotalLength;
    o.nHeadLength = s.m_nHeadLength;
    if (order == kUnchanged) {
      o.action = SectionAction::kWhole;
    } else if (i >= b.lead && i < b.rangeEnd) {
      o.action = order == kReversed ? SectionAction::kReversed : SectionAction::kInOrder;
    } else {
      const bool bKept = m_bCutOutsideRange == 1 && (i < b.lead || i >= b.trailStart);
      o.action = bKept ? SectionAction::kKept : SectionAction::kCut;
    }
    o.strText = VisibleText(m_pFileData.get() + s.m_nStart, s.m_nTotalLength, shown);
    if (s.m_cluster.m_nCount > 0 && s.m_cluster.m_bLeaf == 0) {
      OutlineCluster(s.m_cluster, o.children);
    }
    out.push_back(std::move(o));
  }
}

int CExecutor::Outline(const std::function<void(FileOutline&)>& sink) {
  m_nInputCount = m_arrInputPaths.size();
  m_bStopped = 0;
  int result = 0;
  for (std::size_t i = 0; i < m_nInputCount; ++i) {
    m_nStoppedAt = i;
    if (OpenInputFile(i) != 0) {
      result = -1;
      continue;
    }
    m_searcher.SetBuffer(m_pFileData.get(), m_nFileSize);
    const int split = Split();
    if (split == kSplitStopped) {
      // Whoever stopped it wants no part of it: walking a large partial tree would only delay
      // what comes next.
      m_bStopped = 1;
      m_pFileData.reset();
      m_fileIn.Abort();
      m_bInputOpen = 0;
      return -1;
    }
    FileOutline file;
    file.strPath = m_arrInputPaths[i];
    file.encoding = RunEncoding();
    file.bComplete = split == kSplitOk;
    file.bHeader = m_bHeaderFound != 0;
    file.nHeaderOffset = m_nHeaderPos;
    file.nHeaderLength = m_nHeaderLength;
    file.bTrailer = file.bComplete && m_bTrailerFound != 0;
    file.nTrailerOffset = m_nTrailerPos;
    file.nTrailerLength = m_nTrailerLength;
    // What was read before a read failed is not the file: only a tree from a read file.
    if (m_nSplitFailure != kFailRead && m_nSplitFailure != kFailLost && file.bHeader) {
      OutlineCluster(m_rootCluster, file.sections);
    }
    const bool bComplete = file.bComplete;
    sink(file);
    if (!bComplete) {
      ReportSplitFailure(i);
      result = -1;
    }
    m_pFileData.reset();
    m_fileIn.Abort();
    m_bInputOpen = 0;
  }
  m_nStoppedAt = m_nInputCount;
  return result;
}

}  // namespace engine
