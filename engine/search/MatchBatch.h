#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/search/CSearcher.h"
#include "engine/search/ScanWindow.h"

namespace engine {

// The matches of one mode in a stretch of the buffer, found by one walk: a log with a tag
// every hundred bytes pays the walk's set-up once per stretch instead of once per tag.
class CMatchBatch {
 public:
  // Every match in a stretch of [p, last] that begins at `p`, for the searcher to hand out.
  // The span points into this batch until the next Fill.
  CSearcher::MatchSpan Fill(const CSearcher::ScanView& v, std::size_t p, std::size_t last);
  void Forget() { m_window.Forget(); }

 private:
  static constexpr std::size_t kStretch = 64u << 10;
  static constexpr std::size_t kRoom = 1024;
  std::array<std::uint64_t, kRoom> m_aEntries;
  CScanWindow m_window;
};

}  // namespace engine
