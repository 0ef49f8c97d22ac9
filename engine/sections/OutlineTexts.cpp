#include "engine/sections/OutlineTexts.h"

#include <new>

#include "engine/sections/Outline.h"

namespace engine {

// A nested section mostly starts with the words of the one that holds it: its text is the
// same when its first visible character is, and it reaches past where those words ended
// (and past what was looked at beyond them).
void MakeOutlineText(const std::uint8_t* d, std::size_t start, std::size_t length,
                     TextEncoding shown, OutlineTextCache& cache, std::string& text) {
  constexpr std::size_t kLookedAhead = 16;  // a character reference is read whole
  const std::size_t end = start + length;
  const std::size_t first = start + FirstVisible(d + start, length);
  if (first == cache.nFirst && end >= cache.nStop + kLookedAhead) {
    text = cache.strText;
    return;
  }
  std::size_t stop = 0;
  text = VisibleText(d + first, end - first, shown, kOutlineChars, &stop);
  // Only words that ended well inside their section are the same in a longer one.
  if (first + stop + kLookedAhead <= end) cache = {first, first + stop, text};
}

COutlineTexts::COutlineTexts(CSectionStore& store, const CCluster& root, Offset from,
                             const std::uint8_t* data, TextEncoding shown)
    : m_store(store), m_pData(data), m_shown(shown) {
  m_thread = std::thread([this, &root, from] {
    try {
      Make(root, from);
      m_bComplete = true;
    } catch (const std::bad_alloc&) {
      // The caller makes the texts that are missing.
    }
  });
}

COutlineTexts::~COutlineTexts() {
  if (m_thread.joinable()) m_thread.join();
}

void COutlineTexts::Make(const CCluster& cluster, Offset from) {
  std::string text;
  for (Offset i = from; i < cluster.m_nCount; ++i) {
    const CSection& s = cluster.GetSection(m_store, i);
    MakeOutlineText(m_pData, s.Start(), s.TotalLength(), m_shown, m_cache, text);
    m_strTexts += text;
    m_anEnds.push_back(m_strTexts.size());
    if (ShowsSections(s.m_cluster)) Make(s.m_cluster, 0);
  }
}

bool COutlineTexts::Next(std::string& text) {
  if (m_thread.joinable()) m_thread.join();
  if (!m_bComplete || m_nNext == m_anEnds.size()) return false;
  const std::size_t from = m_nNext == 0 ? 0 : m_anEnds[m_nNext - 1];
  text.assign(m_strTexts, from, m_anEnds[m_nNext] - from);
  ++m_nNext;
  return true;
}

}  // namespace engine
