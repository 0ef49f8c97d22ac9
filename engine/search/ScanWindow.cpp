#include "engine/search/ScanWindow.h"

#include <algorithm>

namespace engine {

bool CScanWindow::Load(const CSearcher::ScanView& v, std::size_t from, std::size_t to) {
  m_pBytes = m_read.Read(v.source, from, to - from);
  m_pBuffer = m_pBytes ? v.buffer : nullptr;
  m_nFrom = from;
  m_nTo = to;
  return m_pBytes != nullptr;
}

std::size_t CScanWindow::FindAll(const CSearcher::ScanView& v, std::size_t p, std::size_t last,
                                 std::uint64_t* out, std::size_t room, std::size_t* pNext) {
  if (v.source == platform::kNoFileHandle) return CSearcher::FindAll(v, p, last, out, room, pNext);
  // A match at the window's last position must have its longest key and its tag's reach
  // in the window too, unless the file ends first: then the window finds what the view
  // would.
  const std::size_t slack = v.scan->max + CSearcher::kTagReach;
  const bool bHeld =
      v.buffer == m_pBuffer && p >= m_nFrom && (m_nTo == v.size || p + slack < m_nTo);
  if (!bHeld && !Load(v, p, std::min(v.size, p + m_nStretch + slack))) {
    return CSearcher::FindAll(v, p, last, out, room, pNext);
  }
  if (m_nTo < v.size) last = std::min(last, m_nTo - 1 - slack);
  CSearcher::ScanView w = v;
  w.buffer = m_pBytes;
  w.size = m_nTo - m_nFrom;
  w.source = platform::kNoFileHandle;
  const std::size_t n = CSearcher::FindAll(w, p - m_nFrom, last - m_nFrom, out, room, pNext);
  for (std::size_t i = 0; i < n; ++i) out[i] += static_cast<std::uint64_t>(m_nFrom) << 32;
  *pNext += m_nFrom;
  return n;
}

}  // namespace engine
