// The output file's quoted-printable form: printable ASCII except "=" as
// itself, CR and LF as themselves (they count toward the line), a blank
// escaped only when a CR or LF follows it within the same 8192-byte block,
// everything else as =XX. A line is closed with a soft break "=" as soon as
// it exceeds 71 characters, tested after each whole escape.
//
// A line closed by the very last input byte gets no "=": a value ending in a
// soft break would make a reader join the next property into it.
#include "text/quoted_printable.h"

#include <array>
#include <cstdint>

namespace {

constexpr std::size_t kBlockSize = 8192;
constexpr std::size_t kLineThreshold = 71;

enum : std::uint8_t { kAsItself, kEscaped, kBlank };

constexpr std::array<std::uint8_t, 256> MakeKinds() {
  std::array<std::uint8_t, 256> kinds{};
  for (unsigned b = 0; b < 256; ++b) {
    if (b == 0x09 || b == 0x20)
      kinds[b] = kBlank;
    else if (b == 0x0A || b == 0x0D || (b >= 0x21 && b <= 0x7E && b != 0x3D))
      kinds[b] = kAsItself;
    else
      kinds[b] = kEscaped;
  }
  return kinds;
}

constexpr std::array<std::uint8_t, 256> kKinds = MakeKinds();
constexpr char kHex[] = "0123456789ABCDEF";

}  // namespace

AnsiText EncodeQuotedPrintable(std::string_view bytes) {
  const std::size_t n = bytes.size();
  if (n == 0) return {};
  // At most three characters per byte, plus "=" CR LF per closed line (a
  // closed line holds at least 72 of those characters).
  const std::size_t bound = 3 * n + 3 * (3 * n / 72 + 1);
  AnsiText out(bound, '\0');
  char* dst = out.data();
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());

  std::size_t lineLength = 0;
  for (std::size_t block = 0; block < n; block += kBlockSize) {
    const std::size_t blockEnd = block + kBlockSize < n ? block + kBlockSize : n;
    for (std::size_t i = block; i < blockEnd; ++i) {
      const unsigned char b = in[i];
      std::uint8_t kind = kKinds[b];
      if (kind == kBlank) {
        const bool lineBreakFollows = i + 1 < blockEnd && (in[i + 1] == 0x0A || in[i + 1] == 0x0D);
        kind = lineBreakFollows ? kEscaped : kAsItself;
      }
      if (kind == kAsItself) {
        *dst++ = static_cast<char>(b);
        lineLength += 1;
      } else {
        dst[0] = '=';
        dst[1] = kHex[b >> 4];
        dst[2] = kHex[b & 0x0F];
        dst += 3;
        lineLength += 3;
      }
      if (lineLength > kLineThreshold) {
        if (i + 1 < n) {
          dst[0] = '=';
          dst[1] = '\r';
          dst[2] = '\n';
          dst += 3;
        }
        lineLength = 0;
      }
    }
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return out;
}
