#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "engine/run/TextEncoding.h"
#include "engine/sections/CSectionStore.h"

namespace engine {

// The last outline text that can stand for others: it began at nFirst and ended at nStop.
struct OutlineTextCache {
  std::size_t nFirst = static_cast<std::size_t>(-1);
  std::size_t nStop = 0;
  std::string strText;
};

// The text an outline shows for the section of `length` bytes at `start` of `data`.
void MakeOutlineText(const std::uint8_t* data, std::size_t start, std::size_t length,
                     TextEncoding shown, OutlineTextCache& cache, std::string& text);

// Whether an outline shows the sections of a section's nested cluster: it is divided.
inline bool ShowsSections(const CCluster& nested) {
  return nested.m_nCount > 0 && !nested.m_bLeaf;
}

// The texts of the later part of an outline, made on a thread of its own while the earlier
// part is written: a section's text costs more to make than its line does to write.
class COutlineTexts {
 public:
  // Makes the texts of the root's sections from `from` on and of the sections shown inside
  // them, in the order an outline shows them. Throws std::system_error when no thread can
  // be had. The tree and the bytes must stay as they are until this is gone.
  COutlineTexts(CSectionStore& store, const CCluster& root, Offset from, const std::uint8_t* data,
                TextEncoding shown);
  ~COutlineTexts();  // waits for the thread
  COutlineTexts(const COutlineTexts&) = delete;
  COutlineTexts& operator=(const COutlineTexts&) = delete;

  // The next of those texts, waiting for the thread; false when it could not make them all
  // (no memory): from then on the caller makes them.
  bool Next(std::string& text);

 private:
  void Make(const CCluster& cluster, Offset from);

  CSectionStore& m_store;
  const std::uint8_t* const m_pData;
  const TextEncoding m_shown;
  OutlineTextCache m_cache;
  // The texts one after another, each after its length, in blocks that never move: one
  // growing string of them was copied whole at each doubling, a tenth of an outline's time.
  std::vector<std::string> m_aBlocks;
  std::size_t m_nReadBlock = 0;
  std::size_t m_nReadAt = 0;
  bool m_bComplete = false;
  std::thread m_thread;
};

}  // namespace engine
