// The output file's quoted-printable form: printable ASCII except "=" as
// itself, CR and LF as themselves (they count toward the line), a blank
// escaped only when a CR or LF follows it within the same 8192-byte block,
// everything else as =XX. A line is closed with a soft break "=" as soon as
// it exceeds 71 characters, tested after each whole escape.
//
// A line closed by the very last input byte gets no "=": a value ending in a
// soft break would make a reader join the next property into it.
#include "text/quoted_printable.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#define QUILLMER_QP_SIXTEEN_AT_ONCE 1
#endif

namespace {

constexpr std::size_t kBlockSize = 8192;
constexpr std::size_t kLineThreshold = 71;

// What one byte becomes: itself, or "=" and two hex digits. The bytes are
// stored as one 4-byte word so that a piece is copied with one store.
struct Piece {
  char bytes[3];
  std::uint8_t size;
};

constexpr char kHex[] = "0123456789ABCDEF";

constexpr Piece EscapeOf(unsigned b) { return {{'=', kHex[b >> 4], kHex[b & 0x0F]}, 3}; }

// A blank is written as itself here; before a line break it is escaped.
constexpr std::array<Piece, 256> MakePieces() {
  std::array<Piece, 256> pieces{};
  for (unsigned b = 0; b < 256; ++b) {
    const bool asItself = b == 0x09 || b == 0x20 || b == 0x0A || b == 0x0D || (b >= 0x21 && b <= 0x7E && b != 0x3D);
    pieces[b] = asItself ? Piece{{static_cast<char>(b), 0, 0}, 1} : EscapeOf(b);
  }
  return pieces;
}

constexpr std::array<Piece, 256> kPieces = MakePieces();
constexpr Piece kEscapedBlanks[] = {EscapeOf(0x09), EscapeOf(0x20)};

inline bool IsBlank(unsigned char b) { return b == 0x09 || b == 0x20; }

#ifdef QUILLMER_QP_SIXTEEN_AT_ONCE
// Text beyond ASCII comes as long runs of bytes 0x80 and above (three per
// character in UTF-8), each of them an escape of three characters: up to
// sixteen of them are escaped at once with byte shuffles (SSSE3, asked of the
// processor once). Escapes the bytes from in while they are 0x80 or above, at
// most `most` (up to 16) of them, and returns how many; 16 bytes must be
// readable at in, and 48 writable at dst whatever the count.
__attribute__((target("ssse3"))) std::size_t EscapeHighBytes(const unsigned char* in, std::size_t most, char* dst) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
  const auto high = static_cast<unsigned>(_mm_movemask_epi8(bytes));
  const std::size_t run = static_cast<std::size_t>(__builtin_ctz(~high));  // bit 16 is clear
  const std::size_t count = run < most ? run : most;
  if (count == 0) return 0;
  const __m128i digits = _mm_setr_epi8('0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B', 'C', 'D', 'E', 'F');
  const __m128i nibble = _mm_set1_epi8(0x0F);
  const __m128i hi = _mm_shuffle_epi8(digits, _mm_and_si128(_mm_srli_epi16(bytes, 4), nibble));
  const __m128i lo = _mm_shuffle_epi8(digits, _mm_and_si128(bytes, nibble));
  const __m128i first = _mm_unpacklo_epi8(hi, lo);  // H0 L0 H1 L1 ... H7 L7
  const __m128i second = _mm_unpackhi_epi8(hi, lo);  // H8 L8 ... H15 L15
  // An index with its top bit set gives 0, where the "=" is added.
  constexpr char Z = static_cast<char>(0x80);
  constexpr char E = '=';
  const __m128i out0 = _mm_or_si128(_mm_shuffle_epi8(first, _mm_setr_epi8(Z, 0, 1, Z, 2, 3, Z, 4, 5, Z, 6, 7, Z, 8, 9, Z)),
                                    _mm_setr_epi8(E, 0, 0, E, 0, 0, E, 0, 0, E, 0, 0, E, 0, 0, E));
  const __m128i out1 = _mm_or_si128(
      _mm_or_si128(_mm_shuffle_epi8(first, _mm_setr_epi8(10, 11, Z, 12, 13, Z, 14, 15, Z, Z, Z, Z, Z, Z, Z, Z)),
                   _mm_shuffle_epi8(second, _mm_setr_epi8(Z, Z, Z, Z, Z, Z, Z, Z, Z, 0, 1, Z, 2, 3, Z, 4))),
      _mm_setr_epi8(0, 0, E, 0, 0, E, 0, 0, E, 0, 0, E, 0, 0, E, 0));
  const __m128i out2 = _mm_or_si128(_mm_shuffle_epi8(second, _mm_setr_epi8(5, Z, 6, 7, Z, 8, 9, Z, 10, 11, Z, 12, 13, Z, 14, 15)),
                                    _mm_setr_epi8(0, E, 0, 0, E, 0, 0, E, 0, 0, E, 0, 0, E, 0, 0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), out0);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), out1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 32), out2);
  return count;
}

bool EscapesSixteenAtOnce() {
  static const bool able = __builtin_cpu_supports("ssse3");
  return able;
}
#endif
inline bool IsLineBreak(unsigned char b) { return b == 0x0A || b == 0x0D; }

}  // namespace

AnsiText EncodeQuotedPrintable(std::string_view bytes) {
  AnsiText out;
  detail::AppendQuotedPrintable(bytes, out);
  return out;
}

namespace detail {

void AppendQuotedPrintable(std::string_view bytes, AnsiText& out) {
  const std::size_t n = bytes.size();
  if (n == 0) return;
  // At most three characters per byte, plus "=" CR LF per closed line (a
  // closed line holds at least 72 of those characters), plus spare room for
  // the whole-word store of the last piece and the 48-byte stores of
  // EscapeHighBytes.
  const std::size_t bound = 3 * n + 3 * (3 * n / 72 + 1) + 48;
  const std::size_t start = out.size();
  out.resize(start + bound);
  char* dst = out.data() + start;
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());

  std::size_t lineLength = 0;  // never above kLineThreshold between bytes
#ifdef QUILLMER_QP_SIXTEEN_AT_ONCE
  const bool sixteenAtOnce = EscapesSixteenAtOnce();
#endif
  for (std::size_t block = 0; block < n; block += kBlockSize) {
    const std::size_t blockEnd = block + kBlockSize < n ? block + kBlockSize : n;
    // The piece is copied from its table straight to dst, never through a
    // local copy (which the compiler keeps in memory).
    auto put = [&](std::size_t i) {
      const unsigned char b = in[i];
      const Piece* piece = &kPieces[b];
      if (IsBlank(b) && i + 1 < blockEnd && IsLineBreak(in[i + 1])) piece = &kEscapedBlanks[b == 0x20];
      std::memcpy(dst, piece, sizeof(Piece));
      dst += piece->size;
    };
    std::size_t i = block;
    while (i < blockEnd) {
      // Pieces are at most three characters: this many cannot pass the
      // threshold, so they go without the test, and the line's length is
      // counted once after them.
      const std::size_t safe = std::min((kLineThreshold - lineLength) / 3, blockEnd - i);
      const char* const from = dst;
      const std::size_t stop = i + safe;
      while (i < stop) {
        if (in[i] >= 0x80) {
#ifdef QUILLMER_QP_SIXTEEN_AT_ONCE
          if (sixteenAtOnce && stop - i >= 4 && i + 16 <= n) {
            const std::size_t escaped = EscapeHighBytes(in + i, std::min<std::size_t>(16, stop - i), dst);
            i += escaped;
            dst += 3 * escaped;
            continue;
          }
#endif
          // Never a blank, always escaped.
          std::memcpy(dst, &kPieces[in[i]], sizeof(Piece));
          dst += 3;
        } else {
          put(i);
        }
        ++i;
      }
      if (i == blockEnd) {
        lineLength += static_cast<std::size_t>(dst - from);
        break;
      }
      put(i);
      lineLength += static_cast<std::size_t>(dst - from);
      if (lineLength > kLineThreshold) {
        if (i + 1 < n) {
          dst[0] = '=';
          dst[1] = '\r';
          dst[2] = '\n';
          dst += 3;
        }
        lineLength = 0;
      }
      ++i;
    }
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
}

}  // namespace detail
