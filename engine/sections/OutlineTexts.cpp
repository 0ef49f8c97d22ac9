#include "engine/sections/OutlineTexts.h"

#include <algorithm>
#include <cstring>
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

namespace {
constexpr std::size_t kBlock = 1u << 20;
using Length = std::uint32_t;
}  // namespace

void COutlineTexts::Make(const CCluster& cluster, Offset from) {
  std::string text;
  for (Offset i = from; i < cluster.m_nCount; ++i) {
    const CSection& s = cluster.GetSection(m_store, i);
    MakeOutlineText(m_pData, s.Start(), s.TotalLength(), m_shown, m_cache, text);
    const Length length = static_cast<Length>(text.size());
    if (m_aBlocks.empty() || m_aBlocks.back().size() + sizeof length + length > kBlock) {
      m_aBlocks.emplace_back();
      m_aBlocks.back().reserve(std::max(kBlock, sizeof length + length));
    }
    std::string& block = m_aBlocks.back();
    block.append(reinterpret_cast<const char*>(&length), sizeof length);
    block += text;
    if (ShowsSections(s.m_cluster)) Make(s.m_cluster, 0);
  }
}

bool COutlineTexts::Next(std::string& text) {
  if (m_thread.joinable()) m_thread.join();
  if (!m_bComplete) return false;
  while (m_nReadBlock < m_aBlocks.size() && m_nReadAt == m_aBlocks[m_nReadBlock].size()) {
    m_aBlocks[m_nReadBlock] = std::string();  // read: its memory goes back
    ++m_nReadBlock;
    m_nReadAt = 0;
  }
  if (m_nReadBlock == m_aBlocks.size()) return false;
  const std::string& block = m_aBlocks[m_nReadBlock];
  Length length;
  std::memcpy(&length, block.data() + m_nReadAt, sizeof length);
  text.assign(block, m_nReadAt + sizeof length, length);
  m_nReadAt += sizeof length + length;
  return true;
}

}  // namespace engine
