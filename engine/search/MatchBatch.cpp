#include "engine/search/MatchBatch.h"

namespace engine {

std::size_t CMatchBatch::Next(const CSearcher::ScanView& v, std::uint8_t mode, std::size_t p,
                              std::size_t last, std::size_t* pKey) {
  for (;;) {
    if (!m_bValid || mode != m_nMode || p < m_nFrom || p >= m_nEnd) {
      if (p > last) return CSearcher::kNoMatch;
      const std::size_t to = last - p < kStretch ? last : p + kStretch - 1;
      m_nCount = CSearcher::FindAll(v, p, to, m_aEntries.data(), kRoom, &m_nEnd);
      m_nFrom = p;
      m_nCursor = 0;
      m_nMode = mode;
      m_bValid = true;
    }
    // Searches move forward, so the cursor mostly steps on by one.
    if (m_nCursor > 0 && (m_aEntries[m_nCursor - 1] >> 8) >= p) m_nCursor = 0;
    while (m_nCursor < m_nCount && (m_aEntries[m_nCursor] >> 8) < p) ++m_nCursor;
    if (m_nCursor < m_nCount) {
      const std::uint64_t e = m_aEntries[m_nCursor];
      if ((e >> 8) > last) return CSearcher::kNoMatch;
      *pKey = static_cast<std::size_t>(e & 0xFF);
      return static_cast<std::size_t>(e >> 8);
    }
    p = m_nEnd;  // nothing more in this stretch: the next one begins where it ended
  }
}

}  // namespace engine
