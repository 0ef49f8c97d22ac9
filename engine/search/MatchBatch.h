#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/search/CSearcher.h"

namespace engine {

// The matches of one mode in a stretch of the buffer, found by one walk and handed out one
// at a time: a log with a tag every hundred bytes pays the walk's set-up once per stretch
// instead of once per tag. Every position is kept, so the next match after any point is
// the one a scan from that point would find.
class CMatchBatch {
 public:
  void Forget() { m_bValid = false; }
  // The first match at `p` or later and no later than `last`, with its key in `*pKey`, or
  // CSearcher::kNoMatch. The view must be the one of the last call until Forget.
  std::size_t Next(const CSearcher::ScanView& v, std::uint8_t mode, std::size_t p, std::size_t last,
                   std::size_t* pKey);

 private:
  static constexpr std::size_t kStretch = 64u << 10;
  static constexpr std::size_t kRoom = 1024;

  bool m_bValid = false;
  std::uint8_t m_nMode = 0;
  std::size_t m_nFrom = 0;  // every match in [m_nFrom, m_nEnd) is in m_aEntries
  std::size_t m_nEnd = 0;
  std::size_t m_nCount = 0;
  std::size_t m_nCursor = 0;
  std::array<std::uint64_t, kRoom> m_aEntries;  // position << 8 | key
};

}  // namespace engine
