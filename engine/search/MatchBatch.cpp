#include "engine/search/MatchBatch.h"

namespace engine {

CSearcher::MatchSpan CMatchBatch::Fill(const CSearcher::ScanView& v, std::size_t p,
                                       std::size_t last) {
  const std::size_t to = last - p < kStretch ? last : p + kStretch - 1;
  std::size_t end = 0;
  const std::size_t n = m_window.FindAll(v, p, to, m_aEntries.data(), kRoom, &end);
  return {m_aEntries.data(), m_aEntries.data() + n, p, end};
}

}  // namespace engine
