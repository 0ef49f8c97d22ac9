#include <algorithm>
#include <array>
#include <cstring>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VELMORANT_AVX2 1  // a 64-byte walk, taken where the processor has AVX2
#endif

#include "engine/Format.h"
#include "engine/Messages.h"
#include "engine/search/CSearcher.h"
#include "engine/search/MatchBatch.h"
#include "engine/search/MatchIndex.h"
#include "engine/search/TagEnd.h"
#include "platform/MessageBox.h"

namespace engine {

#if defined(VELMORANT_AVX2)
// Static initialisers may run before the library has looked at the processor.
bool CSearcher::s_bWideScan = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}();
#else
bool CSearcher::s_bWideScan = false;
#endif

CSearcher::CSearcher() : m_pBatch(std::make_unique<CMatchBatch>()) {}

CSearcher::~CSearcher() = default;

void CSearcher::SetBuffer(const std::uint8_t* buffer, std::size_t size,
                          platform::FileHandle source) {
  StopIndex();
  m_pBatch->Forget();
  m_pBuffer = buffer;
  m_nBufferSize = size;
  m_source = source;
  m_bBufferSet = true;
  m_nPos = 0;
  m_nMatchPos = 0;
  m_nMatchLength = 0;
  m_nMatchCode = 0;
  m_nNextCheckpoint = 0;
  m_nNextTop = 0;
}

bool CSearcher::SetMode(std::uint8_t mode) {
  if (mode >= m_nModeCount) return false;
  m_nCurMode = mode;
  return true;
}

CSearcher::ScanView CSearcher::View(std::uint8_t mode) const {
  return {m_pBuffer, m_nBufferSize, &m_aModeScan[mode], m_apKeyStrings[mode].data(), m_source};
}

namespace {

// The bytes of a key longer than a word after its first word, at p (which has room for it).
bool RestMatches(const CSearcher::ScanView& v, std::size_t p, std::size_t k,
                 const CSearcher::KeyScan& key) {
  constexpr std::size_t kWord = sizeof(std::uint64_t);
  std::uint64_t tail;
  std::memcpy(&tail, v.buffer + p + key.length - kWord, kWord);
  return tail == key.suffix &&
         std::memcmp(v.buffer + p + kWord, v.texts[k].data() + kWord, key.length - kWord) == 0;
}

}  // namespace

bool CSearcher::MatchAt(const ScanView& v, std::size_t p, std::size_t* pKey) {
  const std::vector<KeyScan>& keys = v.scan->keys;
  const std::size_t room = v.size - p;
  if (room >= sizeof(std::uint64_t) && v.scan->bSieve) {
    std::uint64_t word;
    std::memcpy(&word, v.buffer + p, sizeof word);
    std::uint64_t bits = v.scan->bySecond[v.buffer[p + 1]] & v.scan->byThird[v.buffer[p + 2]];
    while (bits != 0) {  // in the order the keys were registered
      const auto k = static_cast<std::size_t>(__builtin_ctzll(bits));
      bits &= bits - 1;
      const KeyScan& key = keys[k];
      if ((word & key.mask) != key.prefix || key.length > room) continue;
      if (key.length <= sizeof word || RestMatches(v, p, k, key)) {
        *pKey = k;
        return true;
      }
    }
    return false;
  }
  if (room >= sizeof(std::uint64_t)) {
    // One word load serves every key; only keys longer than a word compare the rest.
    std::uint64_t word;
    std::memcpy(&word, v.buffer + p, sizeof word);
    for (std::size_t k = 0; k < keys.size(); ++k) {
      const KeyScan& key = keys[k];
      if ((word & key.mask) != key.prefix || key.length == 0 || key.length > room) continue;
      if (key.length <= sizeof word || RestMatches(v, p, k, key)) {
        *pKey = k;
        return true;
      }
    }
    return false;
  }
  for (std::size_t k = 0; k < keys.size(); ++k) {
    const std::size_t n = keys[k].length;
    if (n == 0 || n > room) continue;
    if (std::memcmp(v.buffer + p, v.texts[k].data(), n) == 0) {
      *pKey = k;
      return true;
    }
  }
  return false;
}

namespace {

#if defined(__SSE2__)
constexpr std::size_t kBlock = 32;

// Hands `verify` the candidates of one block, the set bits of `bits` counted from p, in
// order. True when the walk ends there: at the position verify accepted (*pFound), or at the
// first candidate past `last` (*pNext; *pFound is kNoMatch).
template <class Verify>
inline bool VerifyBlock(std::size_t p, std::uint64_t bits, std::size_t last, Verify& verify,
                        std::size_t* pFound, std::size_t* pNext) {
  while (bits != 0) {
    const std::size_t q = p + static_cast<std::size_t>(__builtin_ctzll(bits));
    if (q > last) {
      *pNext = q;
      *pFound = CSearcher::kNoMatch;
      return true;
    }
    if (verify(q)) {
      *pFound = q;
      return true;
    }
    bits &= bits - 1;
  }
  return false;
}

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
    std::size_t found;
    if (VerifyBlock(p, bits, last, verify, &found, pNext)) return found;
    p += kBlock;
  }
  *pNext = p;
  return CSearcher::kNoMatch;
}

#if defined(VELMORANT_AVX2)
// A bit set for each of the 32 positions at `at` that no group of the nibble filter allows.
// With kOneFirst, every key begins with `first`: one compare tests the first byte.
template <bool kOneFirst>
__attribute__((target("avx2"), always_inline)) inline std::uint32_t RefusedAvx2(
    const std::uint8_t* at, const __m256i* lo, const __m256i* hi, __m256i first) {
  const __m256i halfByte = _mm256_set1_epi8(0x0F);
  __m256i groups = _mm256_set1_epi8(-1);
  std::size_t j = 0;
  if constexpr (kOneFirst) {
    groups = _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)), first);
    j = 1;
  }
#pragma GCC unroll 4
  for (; j < CSearcher::ModeScan::kFilterBytes; ++j) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + j));
    const __m256i l = _mm256_shuffle_epi8(lo[j], _mm256_and_si256(v, halfByte));
    const __m256i h =
        _mm256_shuffle_epi8(hi[j], _mm256_and_si256(_mm256_srli_epi16(v, 4), halfByte));
    groups = _mm256_and_si256(groups, _mm256_and_si256(l, h));
  }
  return static_cast<std::uint32_t>(
      _mm256_movemask_epi8(_mm256_cmpeq_epi8(groups, _mm256_setzero_si256())));
}

// The walk through the nibble filter of the mode, 64 positions at a time: fewer candidates
// than the walk on the first two bytes, on every kind of log (in a board log every fourth
// tag is a "</b>" or "</a>"), and any number of distinct first bytes.
template <bool kOneFirst, class Verify>
__attribute__((target("avx2"))) std::size_t ScanNibblesAvx2(const std::uint8_t* b, std::size_t size,
                                                            std::size_t p, std::size_t last,
                                                            const CSearcher::ModeScan& scan,
                                                            Verify& verify, std::size_t* pNext) {
  constexpr std::size_t kWide = 64;
  constexpr std::size_t kBytes = CSearcher::ModeScan::kFilterBytes;
  __m256i lo[kBytes];
  __m256i hi[kBytes];
  for (std::size_t j = 0; j < kBytes; ++j) {
    lo[j] = _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(scan.lowNibble[j].data())));
    hi[j] = _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(scan.highNibble[j].data())));
  }
  const __m256i first = _mm256_set1_epi8(static_cast<char>(scan.onlyFirst));
  // The loads of the last filtered byte reach kBytes - 1 bytes past the block.
  while (p <= last && size - p >= kWide + kBytes) {
    const std::uint64_t refused =
        RefusedAvx2<kOneFirst>(b + p, lo, hi, first) |
        static_cast<std::uint64_t>(RefusedAvx2<kOneFirst>(b + p + 32, lo, hi, first)) << 32;
    std::size_t found;
    if (VerifyBlock(p, ~refused, last, verify, &found, pNext)) return found;
    p += kWide;
  }
  *pNext = p;
  return CSearcher::kNoMatch;
}

#endif

// Pads a byte set to `n` entries by repeating its last byte; repeats change no result.
template <std::size_t N>
std::array<std::uint8_t, N> Padded(const std::uint8_t* bytes, int count) {
  std::array<std::uint8_t, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = bytes[std::min<std::size_t>(i, count - 1)];
  return out;
}
#endif

// Hands `verify` every position in [p, last] whose first bytes may begin a key, in file
// order, until it accepts one; returns that position, or kNoMatch.
template <class Verify>
std::size_t Walk(const CSearcher::ScanView& v, std::size_t p, std::size_t last, Verify& verify) {
  const CSearcher::ModeScan& scan = *v.scan;
#if defined(VELMORANT_AVX2)
  if (CSearcher::s_bWideScan && p <= last) {
    std::size_t next = p;
    const std::size_t q =
        scan.distinctFirst == 1
            ? ScanNibblesAvx2<true>(v.buffer, v.size, p, last, scan, verify, &next)
            : ScanNibblesAvx2<false>(v.buffer, v.size, p, last, scan, verify, &next);
    if (q != CSearcher::kNoMatch || next > last) return q;
    p = next;
  }
#endif
#if defined(__SSE2__)
  if (scan.distinctFirst <= 2 && p <= last) {
    const auto f = Padded<2>(scan.firstBytes.data(), scan.distinctFirst);
    const int nSecond = scan.bShortKey ? 0 : scan.distinctSecond;
    const auto s = Padded<8>(scan.secondBytes.data(), nSecond > 0 ? nSecond : 1);
    const std::uint8_t* b = v.buffer;
    const std::size_t n = v.size;
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
    if (q != CSearcher::kNoMatch) return q;
    p = next > last ? last + 1 : next;
  }
#endif
  while (p <= last) {
    if (scan.distinctFirst == 1) {
      const void* q = std::memchr(v.buffer + p, scan.onlyFirst, last - p + 1);
      if (q == nullptr) break;
      p = static_cast<std::size_t>(static_cast<const std::uint8_t*>(q) - v.buffer);
    } else {
      while (p <= last && !scan.first[v.buffer[p]]) ++p;
      if (p > last) break;
    }
    if (verify(p)) return p;
    ++p;
  }
  return CSearcher::kNoMatch;
}

}  // namespace

std::size_t CSearcher::FindFirst(const ScanView& v, std::size_t p, std::size_t last,
                                 std::size_t* pKey) {
  auto verify = [&](std::size_t q) { return MatchAt(v, q, pKey); };
  return Walk(v, p, last, verify);
}

std::size_t CSearcher::FindAll(const ScanView& v, std::size_t p, std::size_t last,
                               std::uint64_t* out, std::size_t room, std::size_t* pNext) {
  std::size_t count = 0;
  auto verify = [&](std::size_t q) {
    std::size_t key;
    if (!MatchAt(v, q, &key)) return false;
    // The tag's '>' is mostly a few bytes on, in the bytes the walk has just read.
    const KeyScan& k = v.scan->keys[key];
    const std::size_t from = q + k.length;
    const std::size_t to = std::min(v.size, from + kTagReach);
    const std::size_t gt = k.bTag && from < to ? TagEnd(v.buffer, from, to) : to;
    const std::size_t reach = gt < to ? gt - q : 0;
    out[count++] = Entry(q, reach <= kMaxReach ? reach : 0, key);
    return count == room;
  };
  const std::size_t q = Walk(v, p, last, verify);
  *pNext = q == kNoMatch ? last + 1 : q + 1;
  return count;
}

// The first match at `p` or later, from a new span: the batch's walk below the index's part
// and in the chunks this thread claims as it goes, the index from the first chunk the index
// thread took.
std::size_t CSearcher::FindFrom(std::size_t p, std::size_t last, std::size_t* pKey,
                                std::size_t* pReach) {
  const ScanView view = View(m_nCurMode);
  if (m_nBufferSize > kMaxEntryPos) {  // positions that entries cannot hold
    ForgetSpan();
    *pReach = 0;
    return FindFirst(view, p, last, pKey);
  }
  while (p <= last) {
    if (!m_pIndex || m_pIndex->Mode() != m_nCurMode) {
      m_span = m_pBatch->Fill(view, p, last);
    } else if (p < m_pIndex->From()) {
      m_span = m_pBatch->Fill(view, p, std::min(last, m_pIndex->From() - 1));
    } else if (std::size_t end; m_pIndex->Claim(p, &end)) {
      m_span = m_pBatch->Fill(view, p, std::min(last, end - 1));
    } else if (m_pIndex->Wait()) {
      m_span = m_pIndex->SpanAt(p);
    } else {
      ForgetSpan();
      m_pIndex.reset();  // it ran out of memory: scan on without it
      continue;
    }
    m_nSpanMode = m_nCurMode;
    m_pSpanNext = std::lower_bound(m_span.begin, m_span.stop, Entry(p, 0, 0));
    if (m_pSpanNext != m_span.stop) {
      *pKey = EntryKey(*m_pSpanNext);
      *pReach = EntryReach(*m_pSpanNext);
      return EntryPos(*m_pSpanNext);
    }
    p = m_span.end;
  }
  return kNoMatch;
}

SearchResult CSearcher::Search() {
  if (!m_bBufferSet) {
    platform::AfxMessageBox(msg::kNoBuffer);
    return SearchResult::kError;
  }
  if (m_nCurMode >= m_nModeCount) {
    platform::AfxMessageBox(Format(msg::kBadMode, int{m_nCurMode}, int{m_nModeCount}));
    return SearchResult::kError;
  }
  const ModeScan& scan = m_aModeScan[m_nCurMode];
  if (scan.distinctFirst == 0 || scan.min > m_nBufferSize) return SearchResult::kNotFound;

  // Only positions where a key begins are tried; the keys in their registered order.
  const std::size_t last = m_nBufferSize - scan.min;
  std::size_t k = 0;
  std::size_t reach = 0;
  std::size_t q = kNoMatch;
  // Mostly the next match is the next one of the span at hand.
  const std::size_t p = m_nPos;
  if (m_nSpanMode == m_nCurMode && p >= m_span.from && p < m_span.end &&
      (m_pSpanNext == m_span.begin || EntryPos(m_pSpanNext[-1]) < p)) {
    const std::uint64_t* e = m_pSpanNext;
    while (e < m_span.stop && EntryPos(*e) < p) ++e;
    m_pSpanNext = e;
    if (e < m_span.stop) {
      q = EntryPos(*e);
      k = EntryKey(*e);
      reach = EntryReach(*e);
      // The bytes of a tag whose end was not found with it are read next, cold.
      if (e + 8 < m_span.stop && EntryReach(e[8]) == 0) {
        __builtin_prefetch(m_pBuffer + EntryPos(e[8]));
      }
    } else {
      q = FindFrom(m_span.end, last, &k, &reach);
    }
  } else {
    q = FindFrom(p, last, &k, &reach);
  }
  if (q == kNoMatch) {
    if (m_nPos < last + 1) m_nPos = last + 1;
    return SearchResult::kNotFound;
  }
  m_nMatchPos = q;
  m_nMatchLength = m_apKeyLengths[m_nCurMode][k];
  m_nMatchCode = m_apKeyCodes[m_nCurMode][k];
  m_nMatchReach = reach;
  m_nPos = q + m_nMatchLength;
  return SearchResult::kFound;
}

void CSearcher::IndexAhead(std::uint8_t mode, std::size_t start) {
  StopIndex();
  if (!m_bBufferSet || mode >= m_nModeCount || start >= m_nBufferSize) return;
  const ModeScan& scan = m_aModeScan[mode];
  if (scan.distinctFirst == 0 || scan.min > m_nBufferSize) return;
  if (m_nBufferSize - start < m_nIndexMin || m_nBufferSize > kMaxEntryPos) return;
  // On one processor the two threads would only take turns (tests force the index).
  if (m_nIndexMin > 0 && std::thread::hardware_concurrency() == 1) return;
  // The two threads share the rest of the body as they go (a fixed part for tests).
  const bool bFixed = m_nIndexFrom > start;
  const std::size_t from = bFixed ? m_nIndexFrom : start;
  const std::size_t last = m_nBufferSize - scan.min;
  if (from == 0 || from > last) return;
  try {
    m_pIndex = std::make_unique<CMatchIndex>(View(mode), mode, from, last, bFixed);
  } catch (const std::exception&) {
    m_pIndex.reset();  // no thread or no memory: the scan does without
  }
}

void CSearcher::StopIndex() {
  ForgetSpan();  // it may point into the index
  m_pIndex.reset();
}

SearchResult CSearcher::SearchTag(std::uint8_t mode) {
  SearchResult r;
  if (SetMode(mode)) {
    r = Search();
  } else if (!m_bBufferSet) {
    r = Search();  // reports the missing buffer first, as a search in any mode would
  } else {
    platform::AfxMessageBox(Format(msg::kBadMode, int{mode}, int{m_nModeCount}));
    r = SearchResult::kError;
  }
  if (r == SearchResult::kFound && m_nMatchCode == kCodeUser && !m_bAutoClose) {
    m_bMatchComplete = true;
    return SearchResult::kFound;
  }
  m_bMatchComplete = false;
  if (r != SearchResult::kFound) return r;

  // Complete the tag through its '>' (quoting is not understood). The scan mostly found it
  // with the match.
  std::size_t p = m_nPos;
  if (m_nMatchReach != 0) {
    p = m_nMatchPos + m_nMatchReach;
  } else {
    p = TagEnd(m_pBuffer, p, m_nBufferSize);
    if (p == m_nBufferSize) {
      m_nPos = m_nBufferSize;
      return SearchResult::kNotFound;
    }
  }
  m_nPos = p + 1;
  m_nMatchLength = m_nPos - m_nMatchPos;
  m_bMatchComplete = true;
  return SearchResult::kFound;
}

}  // namespace engine
