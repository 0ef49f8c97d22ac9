#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

#include "engine/search/CSearcher.h"
#include "platform/GrowableRegion.h"

namespace engine {

// Every position in [from, last] where a key of one mode begins, with the first key that
// matches there, found on a thread of its own. Because every position is kept, the next
// match after any point is the same as a scan from that point would find.
class CMatchIndex {
 public:
  // Starts the thread; throws std::system_error when there is none to be had.
  CMatchIndex(const CSearcher::ScanView& view, std::uint8_t mode, std::size_t from,
              std::size_t last);
  ~CMatchIndex();  // stops the thread
  CMatchIndex(const CMatchIndex&) = delete;
  CMatchIndex& operator=(const CMatchIndex&) = delete;

  std::uint8_t Mode() const { return m_nMode; }
  std::size_t From() const { return m_nFrom; }

  // Waits for the thread; false when the index is incomplete (out of memory, or matches
  // so dense that it would cost more than the file).
  bool Wait();
  // After a successful Wait: the first match at `p` or later (p >= From()) and its key in
  // `*pKey`, or CSearcher::kNoMatch.
  std::size_t Next(std::size_t p, std::size_t* pKey);

 private:
  void Build();
  bool Append(const std::uint64_t* entries, std::size_t count);
  std::uint64_t Entry(std::size_t i) const {
    return static_cast<const std::uint64_t*>(m_entries.Data())[i];
  }

  const CSearcher::ScanView m_view;
  const std::uint8_t m_nMode;
  const std::size_t m_nFrom;
  const std::size_t m_nLast;
  // Position << 8 | key: keys per mode are fewer than 256. What the thread writes starts
  // a cache line of its own: the searching thread reads Mode and From on every search.
  alignas(64) platform::CGrowableRegion m_entries;
  std::size_t m_nCount = 0;
  std::size_t m_nCursor = 0;
  bool m_bComplete = false;
  std::atomic<bool> m_bStop{false};
  std::thread m_thread;
};

}  // namespace engine
