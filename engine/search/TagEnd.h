#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace engine {

// The first '>' in [from, to) of `b`, or `to`. A tag mostly ends within a few bytes of where
// it is looked at, nearer than a library call pays for: one compare of 16 bytes mostly
// finds it.
inline std::size_t TagEnd(const std::uint8_t* b, std::size_t from, std::size_t to) {
  std::size_t p = from;
#if defined(__SSE2__)
  if (to - from >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + from));
    const auto bits =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('>'))));
    if (bits != 0) return from + static_cast<std::size_t>(__builtin_ctz(bits));
    p = from + 16;
  }
#endif
  const std::size_t near = std::min(to, p + 16);
  while (p < near && b[p] != '>') ++p;
  if (p < near) return p;
  const void* q = p < to ? std::memchr(b + p, '>', to - p) : nullptr;
  return q ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(q) - b) : to;
}

}  // namespace engine
