#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
  const std::vector<KeyScan>& keys = m_aModeScan[mode].keys;
  const std::size_t room = m_nBufferSize - p;
  if (room >= sizeof(std::uint64_t)) {
    // One word load serves every key; only keys longer than a word compare the rest.
    std::uint64_t word;
    std::memcpy(&word, m_pBuffer + p, sizeof word);
    for (std::size_t k = 0; k < keys.size(); ++k) {
      const KeyScan& key = keys[k];
      if ((word & key.mask) != key.prefix || key.length == 0 || key.length > room) continue;
      if (key.length <= sizeof word ||
          std::memcmp(m_pBuffer + p + sizeof word, m_apKeyStrings[mode][k].data() + sizeof word,
                      key.length - sizeof word) == 0) {
        *pKey = k;
        return true;
      }
    }
    return false;
  }
  const std::vector<std::string>& texts = m_apKeyStrings[mode];
  for (std::size_t k = 0; k < keys.size(); ++k) {
    const std::size_t n = keys[k].length;
    if (n == 0 || n > room) continue;
    if (std::memcmp(m_pBuffer + p, texts[k].data(), n) == 0) {
      *pKey = k;
      return true;
    }
  }
  return false;
}

namespace {

#if defined(__SSE2__)
constexpr std::size_t kBlock = 32;

// Walks the buffer 32 bytes at a time and hands `verify` every position whose byte is one
// of `first` and, with kSecond > 0, whose next byte is one of `second`, in file order.
// Returns the position `verify` accepted, or npos; `*pNext` is where a byte-wise scan
// must go on (the vector loads stop short of the buffer's end).
template <int kFirst, int kSecond, class Verify>
std::size_t ScanBlocks(const std::uint8_t* b, std::size_t size, std::size_t p, std::size_t last,
                       const std::uint8_t* first, const std::uint8_t* second, Verify& verify,
                       std::size_t* pNext) {
  __m128i f[kFirst];
  __m128i s[kSecond > 0 ? kSecond : 1];
  for (int i = 0; i < kFirst; ++i) f[i] = _mm_set1_epi8(static_cast<char>(first[i]));
  for (int i = 0; i < kSecond; ++i) s[i] = _mm_set1_epi8(static_cast<char>(second[i]));
  auto firstOf = [&](__m128i v) {
    __m128i m = _mm_cmpeq_epi8(v, f[0]);
    for (int i = 1; i < kFirst; ++i) m = _mm_or_si128(m, _mm_cmpeq_epi8(v, f[i]));
    return m;
  };
  auto secondOf = [&](__m128i v) {
    __m128i m = _mm_cmpeq_epi8(v, s[0]);
    for (int i = 1; i < kSecond; ++i) m = _mm_or_si128(m, _mm_cmpeq_epi8(v, s[i]));
    return m;
  };
  auto load = [&](std::size_t at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + at));
  };
  // The second-byte loads reach one byte past the block.
  while (p <= last && size - p > kBlock) {
    __m128i lo = firstOf(load(p));
    __m128i hi = firstOf(load(p + 16));
    if constexpr (kSecond > 0) {
      lo = _mm_and_si128(lo, secondOf(load(p + 1)));
      hi = _mm_and_si128(hi, secondOf(load(p + 17)));
    }
    std::uint32_t bits = static_cast<std::uint32_t>(_mm_movemask_epi8(lo)) |
                         static_cast<std::uint32_t>(_mm_movemask_epi8(hi)) << 16;
    while (bits != 0) {
      const std::size_t q = p + static_cast<std::size_t>(__builtin_ctz(bits));
      if (q > last) {
        *pNext = q;
        return static_cast<std::size_t>(-1);
      }
      if (verify(q)) return q;
      bits &= bits - 1;
    }
    p += kBlock;
  }
  *pNext = p;
  return static_cast<std::size_t>(-1);
}

// Pads a byte set to `n` entries by repeating its last byte; repeats change no result.
template <std::size_t N>
std::array<std::uint8_t, N> Padded(const std::uint8_t* bytes, int count) {
  std::array<std::uint8_t, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = bytes[std::min<std::size_t>(i, count - 1)];
  return out;
}
#endif

}  // namespace

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
  std::size_t k = 0;
  auto found = [&](std::size_t at) {
    m_nMatchPos = at;
    m_nMatchLength = m_apKeyLengths[m_nCurMode][k];
    m_nMatchCode = m_apKeyCodes[m_nCurMode][k];
    m_nPos = at + m_nMatchLength;
    return kFound;
  };

#if defined(__SSE2__)
  if (scan.distinctFirst <= 2 && p <= last) {
    auto verify = [&](std::size_t q) { return MatchAt(m_nCurMode, q, &k); };
    const auto f = Padded<2>(scan.firstBytes.data(), scan.distinctFirst);
    const int nSecond = scan.bShortKey ? 0 : scan.distinctSecond;
    const auto s = Padded<8>(scan.secondBytes.data(), nSecond > 0 ? nSecond : 1);
    const std::uint8_t* b = m_pBuffer;
    const std::size_t n = m_nBufferSize;
    std::size_t next = p;
    std::size_t q;
    const bool bOne = scan.distinctFirst == 1;
    if (nSecond == 0 || nSecond > 8) {
      q = bOne ? ScanBlocks<1, 0>(b, n, p, last, f.data(), s.data(), verify, &next)
               : ScanBlocks<2, 0>(b, n, p, last, f.data(), s.data(), verify, &next);
    } else if (nSecond <= 2) {
      q = bOne ? ScanBlocks<1, 2>(b, n, p, last, f.data(), s.data(), verify, &next)
               : ScanBlocks<2, 2>(b, n, p, last, f.data(), s.data(), verify, &next);
    } else if (nSecond <= 4) {
      q = bOne ? ScanBlocks<1, 4>(b, n, p, last, f.data(), s.data(), verify, &next)
               : ScanBlocks<2, 4>(b, n, p, last, f.data(), s.data(), verify, &next);
    } else {
      q = bOne ? ScanBlocks<1, 8>(b, n, p, last, f.data(), s.data(), verify, &next)
               : ScanBlocks<2, 8>(b, n, p, last, f.data(), s.data(), verify, &next);
    }
    if (q != static_cast<std::size_t>(-1)) return found(q);
    p = next > last ? last + 1 : next;
  }
#endif
  while (p <= last) {
    if (scan.distinctFirst == 1) {
      const void* q = std::memchr(m_pBuffer + p, scan.onlyFirst, last - p + 1);
      if (q == nullptr) break;
      p = static_cast<std::size_t>(static_cast<const std::uint8_t*>(q) - m_pBuffer);
    } else {
      while (p <= last && !scan.first[m_pBuffer[p]]) ++p;
      if (p > last) break;
    }
    if (MatchAt(m_nCurMode, p, &k)) return found(p);
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
