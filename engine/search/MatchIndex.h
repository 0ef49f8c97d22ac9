#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

#include "engine/search/CSearcher.h"
#include "engine/search/ScanWindow.h"
#include "platform/GrowableRegion.h"

namespace engine {

// Every position where a key of one mode begins, with the first key that matches there,
// found on a thread of its own in the part of [from, last] that the searching thread does
// not scan itself. The range is cut into chunks: the index thread has the last two fifths
// (at least one chunk) from the start; then the searching thread claims chunks from the
// front as its scan reaches them, the index thread from the back, until they meet; so
// whichever thread is faster (the searching one also builds the tree) takes the larger
// part. Because every position is kept, the next match after any point is the same as a
// scan from that point would find.
class CMatchIndex {
 public:
  // Starts the thread; throws std::system_error when there is none to be had, bad_alloc
  // when there is no memory. With `bFixed` the index keeps the whole range: the searching
  // thread claims nothing (tests put the boundary where they need it).
  CMatchIndex(const CSearcher::ScanView& view, std::uint8_t mode, std::size_t from,
              std::size_t last, bool bFixed);
  ~CMatchIndex();  // stops the thread
  CMatchIndex(const CMatchIndex&) = delete;
  CMatchIndex& operator=(const CMatchIndex&) = delete;

  std::uint8_t Mode() const { return m_nMode; }
  std::size_t From() const { return m_nFrom; }

  // For the searching thread at `p` (From() <= p <= last): true when the chunk of `p` is its
  // own to scan, claimed now if nobody had it; `*pEnd` is then where its part ends. False
  // when the chunk is the index's: the index thread is stopped from taking more.
  bool Claim(std::size_t p, std::size_t* pEnd);
  // Waits for the thread; false when the index is incomplete (out of memory, or matches
  // so dense that it would cost more than the file).
  bool Wait();
  // After a successful Wait, for `p` (at most last) in the index's part (Claim was false):
  // the matches of the chunk that holds it.
  CSearcher::MatchSpan SpanAt(std::size_t p) const;

 private:
  struct Chunk {
    std::size_t first = 0;  // its entries, in file order
    std::size_t count = 0;
  };
  void Build();
  bool ClaimFromBack(std::size_t c);
  bool Append(const std::uint64_t* entries, std::size_t count);
  std::size_t ChunkOf(std::size_t p) const { return (p - m_nFrom) / m_nChunkSize; }

  const CSearcher::ScanView m_view;
  const std::uint8_t m_nMode;
  const std::size_t m_nFrom;
  const std::size_t m_nLast;
  const std::size_t m_nChunkSize;
  const std::size_t m_nChunks;
  // The searching thread's chunks are those below the high half, the index's those from
  // the low half on; both move only towards each other.
  std::atomic<std::uint64_t> m_nClaims;
  std::vector<Chunk> m_aChunks;
  // Entries (CSearcher::Entry). What the thread writes starts a cache line of its own: the
  // searching thread reads Mode and From on every search.
  alignas(64) platform::CGrowableRegion m_entries;
  std::size_t m_nCount = 0;
  CScanWindow m_window;
  bool m_bComplete = false;
  std::atomic<bool> m_bStop{false};
  std::thread m_thread;
};

}  // namespace engine
