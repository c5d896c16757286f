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
inline bool IsLineBreak(unsigned char b) { return b == 0x0A || b == 0x0D; }

// Encodes bytes that start a block of the whole input and, unless `last`,
// fill whole blocks, carrying the open line's length from part to part.
void AppendEncoded(std::string_view bytes, bool last, std::size_t& lineLength, AnsiText& out) {
  const std::size_t n = bytes.size();
  if (n == 0) return;
  // At most three characters per byte, plus "=" CR LF per closed line (a
  // closed line holds at least 72 of those characters), plus one spare byte
  // for the whole-word store of the last piece.
  const std::size_t bound = 3 * n + 3 * (3 * n / 72 + 1) + 1;
  const std::size_t start = out.size();
  out.resize(start + bound);
  char* dst = out.data() + start;
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());

  // lineLength is never above kLineThreshold between bytes.
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
      for (const std::size_t stop = i + safe; i < stop; ++i) {
        if (in[i] >= 0x80) {
          // Never a blank, always escaped.
          std::memcpy(dst, &kPieces[in[i]], sizeof(Piece));
          dst += 3;
        } else {
          put(i);
        }
      }
      if (i == blockEnd) {
        lineLength += static_cast<std::size_t>(dst - from);
        break;
      }
      put(i);
      lineLength += static_cast<std::size_t>(dst - from);
      if (lineLength > kLineThreshold) {
        if (i + 1 < n || !last) {
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

}  // namespace

AnsiText EncodeQuotedPrintable(std::string_view bytes) {
  AnsiText out;
  AppendQuotedPrintable(bytes, out);
  return out;
}

void AppendQuotedPrintable(std::string_view bytes, AnsiText& out) {
  std::size_t lineLength = 0;
  AppendEncoded(bytes, true, lineLength, out);
}

void QuotedPrintableWriter::Append(std::string_view bytes, AnsiText& out) {
  pending_.append(bytes);
  if (pending_.size() <= kBlockSize) return;
  const std::size_t whole = (pending_.size() - 1) / kBlockSize * kBlockSize;
  AppendEncoded(std::string_view(pending_).substr(0, whole), false, lineLength_, out);
  pending_.erase(0, whole);
}

void QuotedPrintableWriter::Finish(AnsiText& out) {
  AppendEncoded(pending_, true, lineLength_, out);
  pending_.clear();
  lineLength_ = 0;
}
