#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/run/TextEncoding.h"
#include "engine/search/ReadBuffer.h"
#include "engine/sections/CCluster.h"
#include "engine/sections/Outline.h"

namespace engine {

// The last outline text that can stand for others: it began at nFirst and ended at nStop.
struct OutlineTextCache {
  std::size_t nStart = 0;  // its section's bytes
  std::size_t nEnd = 0;
  std::size_t nFirst = static_cast<std::size_t>(-1);
  std::size_t nStop = 0;
  std::string strText;
  TagPlaces leading;    // the tags before nFirst, from nStart
  TextPlaces places;    // its characters', from nFirst
  std::string strMore;  // room for the pieces of a text made from it
};

// The text an outline shows for the section of `length` bytes at offset `start` of a file,
// from `bytes`, which hold the file's bytes from offset `base` on.
void MakeOutlineText(const std::uint8_t* bytes, std::size_t base, std::size_t start,
                     std::size_t length, TextEncoding shown, OutlineTextCache& cache,
                     std::string& text);

// The bytes the texts of a batch of sections are made from: read through the file where the
// view is a mapped input's (CReadBuffer says why), else the view itself.
class COutlineBytes {
 public:
  COutlineBytes(const std::uint8_t* view, platform::FileHandle source)
      : m_pView(view), m_source(source), m_pBytes(view) {}
  COutlineBytes(const COutlineBytes&) = delete;
  COutlineBytes& operator=(const COutlineBytes&) = delete;
  // Readies the bytes [start, end) of the file.
  void Load(std::size_t start, std::size_t end);
  // Asks for the first bytes of a section whose text is made soon, where they are in the
  // view (bytes read through the file were just copied). A prefetch never faults.
  void Prefetch(std::size_t start) const { __builtin_prefetch(m_pView + start); }
  // The text of the section of `length` bytes at `start`, from the bytes read when it lies
  // among them, else from the view.
  void MakeText(std::size_t start, std::size_t length, TextEncoding shown, OutlineTextCache& cache,
                std::string& text) const {
    const bool bRead = start >= m_nBase && start - m_nBase + length <= m_nSize;
    MakeOutlineText(bRead ? m_pBytes : m_pView, bRead ? m_nBase : 0, start, length, shown, cache,
                    text);
  }

 private:
  const std::uint8_t* const m_pView;
  const platform::FileHandle m_source;
  CReadBuffer m_read;
  const std::uint8_t* m_pBytes;  // m_nSize bytes of the file from m_nBase on
  std::size_t m_nBase = 0;
  std::size_t m_nSize = 0;
};

// Whether an outline shows the sections of a section's nested cluster: it is divided.
inline bool ShowsSections(const CCluster& nested) {
  return nested.m_nCount > 0 && !nested.m_bLeaf;
}

}  // namespace engine
