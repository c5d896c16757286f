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

// How many bytes in [p, end) equal a. With SSE2 the matches are summed as
// bytes, sixteen lanes at a time, and a text of sixteen bytes or more ends
// with one load of its last sixteen, those already counted masked off (most
// lines of an export are a few dozen bytes long).
inline std::size_t CountByte(const char* p, const char* end, char a) {
  std::size_t count = 0;
#ifdef __SSE2__
  if (end - p >= 16) {
    const __m128i as = _mm_set1_epi8(a);
    const __m128i zero = _mm_setzero_si128();
    auto sum = [zero](__m128i bytes) {
      const __m128i sums = _mm_sad_epu8(bytes, zero);
      return static_cast<std::size_t>(_mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
    };
    auto matches = [as](const char* at) {
      return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), as);
    };
    __m128i counts = zero;  // per lane, at most 255 before it is summed
    for (int blocks = 0; end - p >= 16; p += 16) {
      counts = _mm_sub_epi8(counts, matches(p));
      if (++blocks == 255) {
        count += sum(counts);
        counts = zero;
        blocks = 0;
      }
    }
    if (p < end) {
      alignas(16) static constexpr unsigned char kLast[32] = {0,    0,    0,    0,    0,    0,    0,    0,
                                                              0,    0,    0,    0,    0,    0,    0,    0,
                                                              0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                              0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
      const __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kLast + (end - p)));
      counts = _mm_sub_epi8(counts, _mm_and_si128(matches(end - 16), last));
    }
    return count + sum(counts);
  }
#endif
  for (; p < end; ++p) count += *p == a;
  return count;
}

}  // namespace detail
