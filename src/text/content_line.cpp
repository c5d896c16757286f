// One pass from AnsiText to the folded, escaped UTF-8 of the output: each
// character is converted through the code page's tables and placed on the
// line at once, and runs of plain ASCII move eight bytes at a time.
#include "text/content_line.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "platform/code_page.h"
#include "text/character_cursor.h"
#include "text/text_settings.h"

namespace {

constexpr std::size_t kLineOctets = 75;

// The escape of a character inside a TEXT value, 0 for one written as
// itself, or kLeftOut for a control character, which TEXT cannot hold (tab
// excepted; a line break is the escape \n).
constexpr char kLeftOut = 1;
constexpr std::array<char, 256> MakeEscapes() {
  std::array<char, 256> escapes{};
  for (int c = 0; c < 0x20; ++c) escapes[static_cast<std::size_t>(c)] = kLeftOut;
  escapes[0x7F] = kLeftOut;
  escapes['\t'] = 0;
  escapes['\\'] = '\\';
  escapes[';'] = ';';
  escapes[','] = ',';
  escapes['\n'] = 'n';
  return escapes;
}
constexpr std::array<char, 256> kEscapes = MakeEscapes();

// Eight ASCII bytes none of which needs an escape or is a control
// character. (v - 0x01..01) & ~v & 0x80..80 is not zero exactly when a byte
// of v is zero; (v - 0x20..20) & ~v & 0x80..80 when one is below 0x20.
bool IsPlainAscii(std::uint64_t w) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  auto hasZero = [](std::uint64_t v) { return (v - kOnes) & ~v & kHigh; };
  const std::uint64_t belowSpace = (w - kOnes * 0x20) & ~w & kHigh;
  return ((w & kHigh) | belowSpace | hasZero(w ^ (kOnes * 0x7F)) | hasZero(w ^ (kOnes * '\\')) |
          hasZero(w ^ (kOnes * ';')) | hasZero(w ^ (kOnes * ','))) == 0;
}

// Writes one line, or one part of it, into a buffer sized for the longest
// result, reused from line to line so that it is cleared only when it grows,
// and appends what it holds to the output at the end.
class FoldedLine {
 public:
  // lineRoom: the octets the open physical line still takes.
  explicit FoldedLine(std::size_t maxContent, std::size_t lineRoom = kLineOctets) {
    // A fold costs 3 octets per 71 or more of content; 8 spare for the
    // whole-word stores.
    const std::size_t room = maxContent + 3 * (maxContent / 71 + 1) + 2 + 8;
    if (Buffer().size() < room) Buffer().resize(std::max(room, 2 * Buffer().size()));
    begin_ = dst_ = Buffer().data();
    lineEnd_ = dst_ + lineRoom;
  }

  bool HasRoomFor(std::size_t octets) const { return dst_ + octets <= lineEnd_; }
  // A character of 1 to 4 octets; four bytes are readable at bytes.
  void Put(const char* bytes, std::size_t octets) {
    if (!HasRoomFor(octets)) Fold();
    std::memcpy(dst_, bytes, 4);
    dst_ += octets;
  }
  // Bytes that fit on the line as they are.
  void PutWhole(std::string_view bytes) {
    std::memcpy(dst_, bytes.data(), bytes.size());
    dst_ += bytes.size();
  }
  void PutEight(std::uint64_t word) {
    std::memcpy(dst_, &word, 8);
    dst_ += 8;
  }
  void Escape(char letter) {
    const char pair[4] = {'\\', letter, 0, 0};
    Put(pair, 2);
  }
  // Appends what was written and returns the room left on the line.
  std::size_t Flush(std::string& out) {
    out.append(begin_, static_cast<std::size_t>(dst_ - begin_));
    return static_cast<std::size_t>(lineEnd_ - dst_);
  }
  void End(std::string& out) {
    PutWhole("\r\n");
    Flush(out);
  }

 private:
  void Fold() {
    std::memcpy(dst_, "\r\n ", 3);
    dst_ += 3;
    lineEnd_ = dst_ - 1 + kLineOctets;  // the space counts toward the line's 75 octets
  }

  static std::string& Buffer() {
    thread_local std::string buffer;
    return buffer;
  }

  char* begin_;
  char* dst_;
  const char* lineEnd_;  // where the physical line reaches 75 octets
};

std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead < 0xC0) return 1;  // ASCII, or a stray continuation byte
  if (lead < 0xE0) return 2;
  return lead < 0xF0 ? 3 : 4;
}

void PutUtf8(FoldedLine& line, std::string_view utf8) {
  if (line.HasRoomFor(utf8.size())) {
    line.PutWhole(utf8);
    return;
  }
  for (std::size_t p = 0; p < utf8.size();) {
    const std::size_t length =
        std::min(Utf8SequenceLength(static_cast<unsigned char>(utf8[p])), utf8.size() - p);
    char bytes[4] = {};
    std::memcpy(bytes, utf8.data() + p, length);
    line.Put(bytes, length);
    p += length;
  }
}

// Whole characters of the AnsiText value, at least `step` bytes of them, as
// escaped TEXT on the line; returns the bytes taken.
std::size_t PutText(FoldedLine& line, const platform::CharTables& t, std::string_view ansiValue, std::size_t step) {
  const char* const bytes = ansiValue.data();
  const std::size_t stop = std::min(step, ansiValue.size());
  // The pair is looked for up to the value's end, past the step.
  CharacterCursor cursor(t, ansiValue, CharacterCursor::Use::Converting);
  while (cursor.Position() < stop) {
    const std::size_t p = cursor.Position();
    if (static_cast<unsigned char>(bytes[p]) < 0x80 && t.asciiIsIdentity && stop - p >= 8 && line.HasRoomFor(8)) {
      std::uint64_t word;
      std::memcpy(&word, bytes + p, 8);
      if (IsPlainAscii(word)) {
        line.PutEight(word);
        cursor.Skip(8);
        continue;
      }
    }
    const platform::CharEntry& e = cursor.NextEntry();
    const std::size_t octets = e.info & platform::kUtf8LengthMask;
    if (octets == 1 && kEscapes[e.utf8[0]] != 0) {
      if (kEscapes[e.utf8[0]] != kLeftOut) line.Escape(kEscapes[e.utf8[0]]);
    } else {
      line.Put(reinterpret_cast<const char*>(&e), octets);
    }
  }
  return cursor.Position();
}

}  // namespace

void AppendTextLine(std::string_view head, std::string_view ansiValue, std::string& out) {
  const platform::CharTables& t = ActiveCodePage().Tables();
  FoldedLine line(head.size() + 3 * ansiValue.size());
  PutUtf8(line, head);
  PutText(line, t, ansiValue, ansiValue.size());
  line.End(out);
}

void AppendTextLine(std::string_view head, std::string_view ansiValue, LineBreaks breaks, std::string& out) {
  const platform::CharTables& t = ActiveCodePage().Tables();
  FoldedLine line(head.size() + 3 * ansiValue.size() + 2 * breaks.size());
  PutUtf8(line, head);
  std::size_t start = 0;
  for (std::size_t k = 0; k < breaks.size(); ++k) {
    const std::size_t at = breaks[k];
    PutText(line, t, ansiValue.substr(start, at - start), at - start);
    line.Escape('n');
    start = at;
  }
  PutText(line, t, ansiValue.substr(start), ansiValue.size() - start);
  line.End(out);
}

TextLineWriter::TextLineWriter(std::string_view head, std::string& out) {
  FoldedLine line(head.size());
  PutUtf8(line, head);
  lineRoom_ = line.Flush(out);
}

std::size_t TextLineWriter::PutText(std::string_view ansiValue, std::size_t step, std::string& out) {
  // A pair may take one byte past the step.
  FoldedLine line(3 * (std::min(step, ansiValue.size()) + 1), lineRoom_);
  const std::size_t taken = ::PutText(line, ActiveCodePage().Tables(), ansiValue, step);
  lineRoom_ = line.Flush(out);
  return taken;
}

void TextLineWriter::PutLineBreak(std::string& out) {
  FoldedLine line(2, lineRoom_);
  line.Escape('n');
  lineRoom_ = line.Flush(out);
}

void TextLineWriter::End(std::string& out) {
  FoldedLine line(0, lineRoom_);
  line.End(out);
}

void AppendTextListLine(std::string_view head, std::span<const std::string_view> ansiValues, std::string& out) {
  const platform::CharTables& t = ActiveCodePage().Tables();
  std::size_t room = head.size();
  for (const std::string_view value : ansiValues) room += 3 * value.size() + 1;
  FoldedLine line(room);
  PutUtf8(line, head);
  for (std::size_t k = 0; k < ansiValues.size(); ++k) {
    if (k > 0) line.Put(",\0\0", 1);
    PutText(line, t, ansiValues[k], ansiValues[k].size());
  }
  line.End(out);
}

bool IsContentLine(std::string_view line) {
  auto isControl = [](unsigned char c) { return (c < 0x20 && c != '\t') || c == 0x7F; };
  auto isNameCharacter = [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
  };
  std::size_t p = 0;
  auto name = [&] {
    const std::size_t start = p;
    while (p < line.size() && isNameCharacter(static_cast<unsigned char>(line[p]))) ++p;
    return p > start;
  };
  // A parameter value: quoted (no control character, no quote inside) or
  // plain (no control character, quote, ";", ":" or ",").
  auto parameterValue = [&] {
    if (p < line.size() && line[p] == '"') {
      for (++p; p < line.size() && line[p] != '"'; ++p) {
        if (isControl(static_cast<unsigned char>(line[p]))) return false;
      }
      return p++ < line.size();
    }
    for (; p < line.size(); ++p) {
      const auto c = static_cast<unsigned char>(line[p]);
      if (c == ';' || c == ':' || c == ',') break;
      if (c == '"' || isControl(c)) return false;
    }
    return true;
  };
  if (!name()) return false;
  while (p < line.size() && line[p] == ';') {
    ++p;
    if (!name() || p >= line.size() || line[p++] != '=') return false;
    do {
      if (!parameterValue()) return false;
    } while (p < line.size() && line[p] == ',' && ++p);
  }
  if (p >= line.size() || line[p++] != ':') return false;
  for (; p < line.size(); ++p) {
    if (isControl(static_cast<unsigned char>(line[p]))) return false;
  }
  return true;
}

void AppendFoldedLine(std::string_view utf8Line, std::string& out) {
  FoldedLine line(utf8Line.size());
  PutUtf8(line, utf8Line);
  line.End(out);
}
