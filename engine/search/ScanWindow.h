#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/search/CSearcher.h"
#include "engine/search/ReadBuffer.h"

namespace engine {

// The bytes of a stretch of a mapped file, read through the file for a scan (CReadBuffer
// says why): a scan is the first to come to most pages.
class CScanWindow {
 public:
  // Reads `stretch` bytes at a time, and what a match's tag needs after them.
  explicit CScanWindow(std::size_t stretch = kStretch) : m_nStretch(stretch) {}

  // CSearcher::FindAll over the view's bytes as read from its source file, the stretch read
  // kept for the next call; over the view itself when it has no source or a read falls
  // short (the file lost bytes: what the view holds is then checked by the run). It may
  // stop before `last`, at most a stretch on: *pNext tells.
  std::size_t FindAll(const CSearcher::ScanView& v, std::size_t p, std::size_t last,
                      std::uint64_t* out, std::size_t room, std::size_t* pNext);
  // Drops what was read: the next view may be another file's at the same address.
  void Forget() { m_pBuffer = nullptr; }

 private:
  static constexpr std::size_t kStretch = 256u << 10;
  const std::size_t m_nStretch;
  bool Load(const CSearcher::ScanView& v, std::size_t from, std::size_t to);

  CReadBuffer m_read;
  const std::uint8_t* m_pBytes = nullptr;
  // The view's bytes [m_nFrom, m_nTo) are at m_pBytes; m_pBuffer: of which view.
  const std::uint8_t* m_pBuffer = nullptr;
  std::size_t m_nFrom = 0;
  std::size_t m_nTo = 0;
};

}  // namespace engine
