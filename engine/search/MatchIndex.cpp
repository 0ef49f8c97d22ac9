#include "engine/search/MatchIndex.h"

#include <algorithm>
#include <cstring>

#include "engine/search/CSearcher.h"

namespace engine {
namespace {
// How far the thread scans between looks at the stop request.
constexpr std::size_t kStep = 1 << 20;
// How many matches ahead Next asks for the bytes of a match.
constexpr std::size_t kAhead = 8;
// Matches found by one walk before they are added.
constexpr std::size_t kRoom = 512;
}  // namespace

CMatchIndex::CMatchIndex(const CSearcher::ScanView& view, std::uint8_t mode, std::size_t from,
                         std::size_t last)
    : m_view(view), m_nMode(mode), m_nFrom(from), m_nLast(last) {
  m_thread = std::thread([this] { Build(); });
}

CMatchIndex::~CMatchIndex() {
  m_bStop.store(true, std::memory_order_relaxed);
  if (m_thread.joinable()) m_thread.join();
}

bool CMatchIndex::Append(const std::uint64_t* entries, std::size_t count) {
  // A log of little else than keys would cost more in entries than the file itself: past
  // one entry per 64 bytes the index gives up and the search scans on its own.
  if (m_nCount + count > (m_nLast - m_nFrom) / 64 + 1024) return false;
  if (!m_entries.Reserve((m_nCount + count) * sizeof(std::uint64_t))) return false;
  std::memcpy(static_cast<std::uint64_t*>(m_entries.Data()) + m_nCount, entries,
              count * sizeof(std::uint64_t));
  m_nCount += count;
  return true;
}

void CMatchIndex::Build() {
  std::uint64_t found[kRoom];
  std::size_t p = m_nFrom;
  while (p <= m_nLast) {
    if (m_bStop.load(std::memory_order_relaxed)) return;
    const std::size_t stepLast = m_nLast - p < kStep ? m_nLast : p + kStep - 1;
    const std::size_t n = CSearcher::FindAll(m_view, p, stepLast, found, kRoom, &p);
    if (!Append(found, n)) return;
  }
  m_bComplete = true;
}

bool CMatchIndex::Wait() {
  if (m_thread.joinable()) m_thread.join();
  return m_bComplete;
}

std::size_t CMatchIndex::Next(std::size_t p, std::size_t* pKey) {
  // Scans move forward, so the cursor usually only steps on by one or two; otherwise look
  // it up.
  if (m_nCursor > 0 && (Entry(m_nCursor - 1) >> 8) >= p) m_nCursor = 0;
  for (int i = 0; i < 4 && m_nCursor < m_nCount && (Entry(m_nCursor) >> 8) < p; ++i) ++m_nCursor;
  const auto* begin = static_cast<const std::uint64_t*>(m_entries.Data());
  if (m_nCursor < m_nCount && (Entry(m_nCursor) >> 8) < p) {
    m_nCursor = static_cast<std::size_t>(
        std::lower_bound(begin + m_nCursor, begin + m_nCount, static_cast<std::uint64_t>(p) << 8) -
        begin);
  }
  if (m_nCursor == m_nCount) return CSearcher::kNoMatch;
  // The caller reads the bytes at each match (the rest of the tag); those of the second
  // half left the cache long ago, so they are asked for a few matches ahead.
  if (m_nCursor + kAhead < m_nCount) {
    __builtin_prefetch(m_view.buffer + (Entry(m_nCursor + kAhead) >> 8));
  }
  const std::uint64_t e = Entry(m_nCursor);
  *pKey = static_cast<std::size_t>(e & 0xFF);
  return static_cast<std::size_t>(e >> 8);
}

}  // namespace engine
