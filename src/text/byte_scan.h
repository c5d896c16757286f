#pragma once
// Finding the first of one or two byte values (and counting one), 32 bytes a step with SSE2
// (which every x86-64 processor has; elsewhere a byte at a time): one pass
// where two memchr calls would each walk the bytes, and no call at all for
// the short stretches between the commas and quotes of a record.
#include <bit>
#include <cstddef>
#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace detail {

// The first byte in [p, end) equal to a or b, or end.
inline const char* FindEitherByte(const char* p, const char* end, char a, char b) {
#ifdef __SSE2__
  const __m128i as = _mm_set1_epi8(a);
  const __m128i bs = _mm_set1_epi8(b);
  auto hits = [&](const char* at) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, as), _mm_cmpeq_epi8(chunk, bs))));
  };
  if (end - p >= 16) {
    // The first sixteen alone: most stretches of a record are short.
    if (const std::uint32_t found = hits(p)) return p + std::countr_zero(found);
    p += 16;
    for (; end - p >= 32; p += 32) {
      const std::uint32_t found = hits(p) | hits(p + 16) << 16;
      if (found != 0) return p + std::countr_zero(found);
    }
    if (end - p >= 16) {
      if (const std::uint32_t found = hits(p)) return p + std::countr_zero(found);
      p += 16;
    }
  }
#endif
  for (; p < end; ++p) {
    if (*p == a || *p == b) return p;
  }
  return end;
}

inline const char* FindByte(const char* p, const char* end, char a) { return FindEitherByte(p, end, a, a); }

// How many bytes in [p, end) equal a.
inline std::size_t CountByte(const char* p, const char* end, char a) {
  std::size_t count = 0;
#ifdef __SSE2__
  const __m128i as = _mm_set1_epi8(a);
  for (; end - p >= 16; p += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    count += static_cast<std::size_t>(std::popcount(static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, as)))));
  }
#endif
  for (; p < end; ++p) count += *p == a;
  return count;
}

}  // namespace detail
