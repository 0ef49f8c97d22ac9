#include "engine/search/MatchIndex.h"

#include <algorithm>
#include <cstring>

#include "engine/search/CSearcher.h"

namespace engine {
namespace {
// Chunks: about 64 to a range, up to 1 MiB each. The searching thread waits at most for the
// one chunk the index thread is scanning when they meet.
constexpr std::size_t kChunkMin = 256;
constexpr std::size_t kChunkMax = 1u << 20;
// Matches found by one walk before they are added.
constexpr std::size_t kRoom = 512;

std::size_t ChunkSize(std::size_t from, std::size_t last) {
  return std::clamp((last + 1 - from) / 64, kChunkMin, kChunkMax);
}
std::uint64_t Claims(std::size_t mainEnd, std::size_t indexFrom) {
  return static_cast<std::uint64_t>(mainEnd) << 32 | indexFrom;
}
std::size_t MainEnd(std::uint64_t claims) {
  return static_cast<std::size_t>(claims >> 32);
}
std::size_t IndexFrom(std::uint64_t claims) {
  return static_cast<std::size_t>(claims & 0xFFFFFFFFu);
}
}  // namespace

CMatchIndex::CMatchIndex(const CSearcher::ScanView& view, std::uint8_t mode, std::size_t from,
                         std::size_t last, bool bFixed)
    : m_view(view),
      m_nMode(mode),
      m_nFrom(from),
      m_nLast(last),
      m_nChunkSize(ChunkSize(from, last)),
      m_nChunks((last - from) / m_nChunkSize + 1),
      m_nClaims(Claims(0, bFixed ? 0 : m_nChunks - std::max<std::size_t>(1, m_nChunks * 2 / 5))),
      m_aChunks(m_nChunks) {
  m_thread = std::thread([this] { Build(); });
}

CMatchIndex::~CMatchIndex() {
  m_bStop.store(true, std::memory_order_relaxed);
  if (m_thread.joinable()) m_thread.join();
}

bool CMatchIndex::Append(const std::uint64_t* entries, std::size_t count) {
  if (count == 0) return true;
  // A log of little else than keys would cost more in entries than the file itself: past
  // one entry per 64 bytes the index gives up and the search scans on its own.
  if (m_nCount + count > (m_nLast - m_nFrom) / 64 + 1024) return false;
  const std::size_t bytes = (m_nCount + count) * sizeof(std::uint64_t);
  if (!m_entries.Reserve(bytes)) return false;
  // Backed a megabyte at a time: one call instead of a page fault per 512 entries, or a
  // call per append.
  constexpr std::size_t kStep = 1u << 20;
  m_entries.PopulateTo((bytes + 2 * kStep - 1) & ~(kStep - 1));
  std::memcpy(static_cast<std::uint64_t*>(m_entries.Data()) + m_nCount, entries,
              count * sizeof(std::uint64_t));
  m_nCount += count;
  return true;
}

// Takes chunk c, just below the lowest it has, unless the searching thread has it.
bool CMatchIndex::ClaimFromBack(std::size_t c) {
  std::uint64_t claims = m_nClaims.load();
  do {
    if (c < MainEnd(claims)) return false;
  } while (!m_nClaims.compare_exchange_weak(claims, Claims(MainEnd(claims), c)));
  return true;
}

void CMatchIndex::Build() {
  std::uint64_t found[kRoom];
  // From the last chunk down: first those it was given, then those it claims.
  for (std::size_t c = m_nChunks; c-- > 0;) {
    if (m_bStop.load(std::memory_order_relaxed)) return;
    if (c < IndexFrom(m_nClaims.load()) && !ClaimFromBack(c)) break;
    Chunk& chunk = m_aChunks[c];
    chunk.first = m_nCount;
    std::size_t p = m_nFrom + c * m_nChunkSize;
    const std::size_t last = std::min(m_nLast, p + m_nChunkSize - 1);
    while (p <= last) {
      const std::size_t n = m_window.FindAll(m_view, p, last, found, kRoom, &p);
      if (!Append(found, n)) return;
    }
    chunk.count = m_nCount - chunk.first;
  }
  m_bComplete = true;
}

bool CMatchIndex::Claim(std::size_t p, std::size_t* pEnd) {
  const std::size_t c = ChunkOf(p);
  std::uint64_t claims = m_nClaims.load();
  for (;;) {
    if (c < MainEnd(claims)) break;
    if (c >= IndexFrom(claims)) {
      // From here on the index answers; what lies between is this thread's, so the index
      // thread stops after its chunk.
      while (
          MainEnd(claims) < IndexFrom(claims) &&
          !m_nClaims.compare_exchange_weak(claims, Claims(IndexFrom(claims), IndexFrom(claims)))) {
      }
      return false;
    }
    const std::uint64_t mine = Claims(c + 1, IndexFrom(claims));
    if (m_nClaims.compare_exchange_weak(claims, mine)) {
      claims = mine;
      break;
    }
  }
  *pEnd = m_nFrom + MainEnd(claims) * m_nChunkSize;
  return true;
}

bool CMatchIndex::Wait() {
  if (m_thread.joinable()) m_thread.join();
  return m_bComplete;
}

CSearcher::MatchSpan CMatchIndex::SpanAt(std::size_t p) const {
  const std::size_t c = ChunkOf(p);
  const auto* entries = static_cast<const std::uint64_t*>(m_entries.Data());
  const std::size_t from = m_nFrom + c * m_nChunkSize;
  return {entries + m_aChunks[c].first, entries + m_aChunks[c].first + m_aChunks[c].count, from,
          std::min(m_nLast, from + m_nChunkSize - 1) + 1};
}

}  // namespace engine
