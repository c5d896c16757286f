#pragma once
// Finding the first of one or two byte values, sixteen bytes a step with the
// compiler's vector types: one pass where two memchr calls would each walk
// the bytes, and no call at all for the short stretches between the commas
// and quotes of a record.
#include <bit>
#include <cstdint>
#include <cstring>

namespace detail {

// The first byte in [p, end) equal to a or b, or end.
inline const char* FindEitherByte(const char* p, const char* end, char a, char b) {
#if defined(__GNUC__) && !defined(QUILLMER_SCALAR_SCAN)
  static_assert(std::endian::native == std::endian::little);
  using Bytes = char __attribute__((vector_size(16)));
  const Bytes as = Bytes{} + a;
  const Bytes bs = Bytes{} + b;
  for (; end - p >= 16; p += 16) {
    Bytes chunk;
    std::memcpy(&chunk, p, sizeof chunk);
    const Bytes hits = (chunk == as) | (chunk == bs);
    std::uint64_t half[2];
    std::memcpy(half, &hits, sizeof half);
    if (half[0] != 0) return p + std::countr_zero(half[0]) / 8;
    if (half[1] != 0) return p + 8 + std::countr_zero(half[1]) / 8;
  }
#endif
  for (; p < end; ++p) {
    if (*p == a || *p == b) return p;
  }
  return end;
}

inline const char* FindByte(const char* p, const char* end, char a) { return FindEitherByte(p, end, a, a); }

}  // namespace detail
