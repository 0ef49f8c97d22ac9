#include <cstring>

#include "engine/Format.h"
#include "engine/Messages.h"
#include "engine/search/CSearcher.h"
#include "platform/MessageBox.h"

namespace engine {

void CSearcher::SetBuffer(const std::uint8_t* buffer, std::size_t size) {
  m_pBuffer = buffer;
  m_nBufferSize = size;
  m_bBufferSet = 1;
  m_nPos = 0;
  m_nMatchPos = 0;
  m_nMatchLength = 0;
  m_nMatchCode = 0;
}

int CSearcher::SetMode(std::uint8_t mode) {
  if (mode >= m_nModeCount) return kSearchError;
  m_nCurMode = mode;
  return 0;
}

bool CSearcher::MatchAt(std::uint8_t mode, std::size_t p, std::size_t* pKey) const {
  const std::vector<std::size_t>& lengths = m_apKeyLengths[mode];
  const std::vector<std::string>& texts = m_apKeyStrings[mode];
  const std::size_t room = m_nBufferSize - p;
  for (std::size_t k = 0; k < lengths.size(); ++k) {
    const std::size_t n = lengths[k];
    if (n == 0 || n > room) continue;
    if (std::memcmp(m_pBuffer + p, texts[k].data(), n) == 0) {
      *pKey = k;
      return true;
    }
  }
  return false;
}

int CSearcher::Search() {
  if (!m_bBufferSet) {
    platform::AfxMessageBox(msg::kNoBuffer);
    return kSearchError;
  }
  if (m_nCurMode >= m_nModeCount) {
    platform::AfxMessageBox(Format(msg::kBadMode, int{m_nCurMode}, int{m_nModeCount}));
    return kSearchError;
  }
  const ModeScan& scan = m_aModeScan[m_nCurMode];
  if (scan.distinctFirst == 0 || scan.min > m_nBufferSize) return kNotFound;

  // Only positions where a key begins are tried; the keys in their registered order.
  const std::size_t last = m_nBufferSize - scan.min;
  std::size_t p = m_nPos;
  while (p <= last) {
    if (scan.distinctFirst == 1) {
      const void* q = std::memchr(m_pBuffer + p, scan.onlyFirst, last - p + 1);
      if (q == nullptr) break;
      p = static_cast<std::size_t>(static_cast<const std::uint8_t*>(q) - m_pBuffer);
    } else {
      while (p <= last && !scan.first[m_pBuffer[p]]) ++p;
      if (p > last) break;
    }
    std::size_t k;
    if (MatchAt(m_nCurMode, p, &k)) {
      m_nMatchPos = p;
      m_nMatchLength = m_apKeyLengths[m_nCurMode][k];
      m_nMatchCode = m_apKeyCodes[m_nCurMode][k];
      m_nPos = p + m_nMatchLength;
      return kFound;
    }
    ++p;
  }
  if (m_nPos < last + 1) m_nPos = last + 1;
  return kNotFound;
}

int CSearcher::SearchTag(std::uint8_t mode) {
  int r;
  if (SetMode(mode) == 0) {
    r = Search();
  } else if (!m_bBufferSet) {
    r = Search();  // reports the missing buffer first, as a search in any mode would
  } else {
    platform::AfxMessageBox(Format(msg::kBadMode, int{mode}, int{m_nModeCount}));
    r = kSearchError;
  }
  if (r == kFound && m_nMatchCode == 10 && !m_bAutoClose) {
    m_bMatchComplete = 1;
    return kFound;
  }
  m_bMatchComplete = 0;
  if (r != kFound) return r;

  // Complete the tag through its '>' (quoting is not understood).
  const void* q = std::memchr(m_pBuffer + m_nPos, '>', m_nBufferSize - m_nPos);
  if (q == nullptr) {
    m_nPos = m_nBufferSize;
    return kNotFound;
  }
  m_nPos = static_cast<std::size_t>(static_cast<const std::uint8_t*>(q) - m_pBuffer) + 1;
  m_nMatchLength = m_nPos - m_nMatchPos;
  m_bMatchComplete = 1;
  return kFound;
}

}  // namespace engine
