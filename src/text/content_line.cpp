// Folding works on runs of bytes that need no escape: each run is copied in
// pieces that fill the line, cut back to the start of a UTF-8 sequence, so
// that a long value costs one table lookup per byte and one append per line.
#include "text/content_line.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t kLineOctets = 75;

// The escape of a byte inside a TEXT value, or 0 for a byte written as itself.
constexpr std::array<char, 256> MakeEscapes() {
  std::array<char, 256> escapes{};
  escapes['\\'] = '\\';
  escapes[';'] = ';';
  escapes[','] = ',';
  escapes['\n'] = 'n';
  return escapes;
}
constexpr std::array<char, 256> kEscapes = MakeEscapes();

// Whether any of eight bytes needs an escape, tested on all eight at once:
// (v - 0x01..01) & ~v & 0x80..80 is not zero exactly when a byte of v is zero.
bool MayNeedEscape(const char* p) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  auto hasZero = [](std::uint64_t v) { return (v - kOnes) & ~v & kHigh; };
  return (hasZero(w ^ (kOnes * '\\')) | hasZero(w ^ (kOnes * ';')) | hasZero(w ^ (kOnes * ',')) |
          hasZero(w ^ (kOnes * '\n'))) != 0;
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

class FoldedLine {
 public:
  explicit FoldedLine(std::string& out) : out_(out), lineStart_(out.size()) {}

  // Bytes written as they are, folded between UTF-8 sequences.
  void Plain(std::string_view bytes) {
    while (!bytes.empty()) {
      const std::size_t room = kLineOctets - (out_.size() - lineStart_);
      if (bytes.size() <= room) {
        out_.append(bytes);
        return;
      }
      std::size_t cut = room;
      while (cut > 0 && IsContinuationByte(bytes[cut])) --cut;
      // Bytes that are no UTF-8 cannot hold up the line for ever.
      if (cut == 0 && out_.size() - lineStart_ <= 1) cut = room;
      out_.append(bytes.substr(0, cut));
      bytes.remove_prefix(cut);
      Fold();
    }
  }

  // A two-byte escape, kept on one line.
  void Escape(char letter) {
    if (out_.size() - lineStart_ + 2 > kLineOctets) Fold();
    out_.push_back('\\');
    out_.push_back(letter);
  }

  void End() { out_.append("\r\n"); }

 private:
  void Fold() {
    out_.append("\r\n ");
    // The space that opens the continuation counts toward its 75 octets.
    lineStart_ = out_.size() - 1;
  }

  std::string& out_;
  std::size_t lineStart_;
};

}  // namespace

void AppendTextLine(std::string_view head, std::string_view utf8Value, std::string& out) {
  FoldedLine line(out);
  line.Plain(head);
  const std::size_t size = utf8Value.size();
  std::size_t start = 0;
  std::size_t p = 0;
  while (p < size) {
    if (p + 8 <= size && !MayNeedEscape(utf8Value.data() + p)) {
      p += 8;
      continue;
    }
    for (const std::size_t stop = std::min(p + 8, size); p < stop; ++p) {
      const char escape = kEscapes[static_cast<unsigned char>(utf8Value[p])];
      if (escape == 0) continue;
      line.Plain(utf8Value.substr(start, p - start));
      line.Escape(escape);
      start = p + 1;
    }
  }
  line.Plain(utf8Value.substr(start));
  line.End();
}

void AppendFoldedLine(std::string_view utf8Line, std::string& out) {
  FoldedLine line(out);
  line.Plain(utf8Line);
  line.End();
}
