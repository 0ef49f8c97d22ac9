#include "engine/sections/OutlineTexts.h"

#include "engine/sections/Outline.h"

namespace engine {

// A nested section mostly starts with the words of the one that holds it: its text is the
// same when its first visible character is, and it reaches past where those words ended
// (and past what was looked at beyond them).
void MakeOutlineText(const std::uint8_t* d, std::size_t base, std::size_t start, std::size_t length,
                     TextEncoding shown, OutlineTextCache& cache, std::string& text) {
  constexpr std::size_t kLookedAhead = 16;  // a character reference is read whole
  const std::size_t end = start + length;
  const std::size_t first = start + FirstVisible(d + (start - base), length);
  if (first == cache.nFirst && end >= cache.nStop + kLookedAhead) {
    text = cache.strText;
    return;
  }
  std::size_t stop = 0;
  MakeVisibleText(d + (first - base), end - first, shown, kOutlineChars, &stop, text);
  // Only words that ended well inside their section are the same in a longer one.
  if (first + stop + kLookedAhead <= end) {
    cache.nFirst = first;
    cache.nStop = first + stop;
    cache.strText = text;  // into the room it has
  }
}

// Bytes that cannot be read (no memory, a file cut meanwhile, or more than kMaxRead) are
// taken from the view.
void COutlineBytes::Load(std::size_t start, std::size_t end) {
  constexpr std::size_t kMaxRead = 8u << 20;
  m_pBytes = m_pView;
  m_nBase = m_nSize = 0;
  if (m_source == platform::kNoFileHandle || start >= end || end - start > kMaxRead) return;
  if (const std::uint8_t* read = m_read.Read(m_source, start, end - start)) {
    m_pBytes = read;
    m_nBase = start;
    m_nSize = end - start;
  }
}

}  // namespace engine
