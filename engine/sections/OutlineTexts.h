#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/run/TextEncoding.h"
#include "engine/search/ReadBuffer.h"
#include "engine/sections/CSectionStore.h"

namespace engine {

// The last outline text that can stand for others: it began at nFirst and ended at nStop.
struct OutlineTextCache {
  std::size_t nFirst = static_cast<std::size_t>(-1);
  std::size_t nStop = 0;
  std::string strText;
};

// The text an outline shows for the section of `length` bytes at offset `start` of a file,
// from `bytes`, which hold the file's bytes from offset `base` on.
void MakeOutlineText(const std::uint8_t* bytes, std::size_t base, std::size_t start,
                     std::size_t length, TextEncoding shown, OutlineTextCache& cache,
                     std::string& text);

// The bytes the texts of one chunk of top-level sections are made from: read through the
// file where the view is a mapped input's (CReadBuffer says why), else the view itself.
class COutlineBytes {
 public:
  COutlineBytes(const std::uint8_t* view, platform::FileHandle source)
      : m_pView(view), m_source(source), m_pBytes(view) {}
  COutlineBytes(const COutlineBytes&) = delete;
  COutlineBytes& operator=(const COutlineBytes&) = delete;
  // Readies the bytes of the top-level sections [from, to) of `root`.
  void Load(const CSectionStore& store, const CCluster& root, Offset from, Offset to);
  // The text of a section, from the bytes read when it lies among them, else from the view.
  void MakeText(const CSection& s, TextEncoding shown, OutlineTextCache& cache,
                std::string& text) const {
    const std::size_t start = s.Start();
    const bool bRead = start >= m_nBase && start - m_nBase + s.TotalLength() <= m_nSize;
    MakeOutlineText(bRead ? m_pBytes : m_pView, bRead ? m_nBase : 0, start, s.TotalLength(), shown,
                    cache, text);
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

// Texts of an outline made on a second thread while the walk writes the lines: a section's
// text costs more to make than its line does to write. The top-level sections go in chunks.
// The thread takes the first chunk nobody has, leaving the one after the walk's for the
// walk: a walk that catches up makes texts too, instead of waiting for each next chunk. The
// thread keeps its texts in a few slots, which the walk reads in order and hands back: the
// memory stays small and is used again.
class COutlineTexts {
 public:
  static constexpr Offset kChunk = 64;  // top-level sections

  // Starts the thread on the root's sections and those shown inside them, made from the
  // view `data` of the file `source` (as COutlineBytes). Throws std::system_error when no
  // thread can be had. The tree and the bytes must stay as they are until this is gone.
  COutlineTexts(CSectionStore& store, const CCluster& root, const std::uint8_t* data,
                platform::FileHandle source, TextEncoding shown);
  ~COutlineTexts();  // stops the thread and waits for it
  COutlineTexts(const COutlineTexts&) = delete;
  COutlineTexts& operator=(const COutlineTexts&) = delete;

  // At the first top-level section of chunk c, in order: true when the thread made its texts
  // (waiting for them), which Next then gives in the walk's order; false when the caller
  // makes them.
  bool TakeChunk(Offset c);
  // The next text of the chunk taken; false when there is none left.
  bool Next(std::string& text);

 private:
  static constexpr std::size_t kSlots = 16;
  enum class SlotState { kFree, kMaking, kMade, kFailed };
  struct Slot {
    Offset chunk = 0;
    SlotState state = SlotState::kFree;
    std::string texts;  // each after its length
  };
  void Loop();
  void Make(const CCluster& cluster, Offset from, Offset to, std::string& texts);

  CSectionStore& m_store;
  const CCluster& m_root;
  COutlineBytes m_bytes;  // the thread's
  const TextEncoding m_shown;
  const Offset m_nChunks;
  OutlineTextCache m_cache;  // the thread's

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::array<Slot, kSlots> m_aSlots;
  std::vector<bool> m_abTaken;  // per chunk: a thread makes its texts
  Offset m_nThreadNext = 0;     // where the thread looks for a chunk to take
  Offset m_nReading = 0;        // the chunk the walk is at: those before it are read
  bool m_bStop = false;
  const Slot* m_pRead = nullptr;  // the slot Next reads, at m_nReadAt
  std::size_t m_nReadAt = 0;
  std::thread m_thread;
};

}  // namespace engine
