#pragma once
// The ANSI code page service: lead bytes and conversions to and from UTF-16,
// and the lookup tables every byte loop of the engine walks. Built once per
// code page, never per call.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/decode_table.h"

namespace platform {

// What one character of the code page becomes.
struct CharEntry {
  std::uint8_t utf8[3];  // its UTF-16 unit in UTF-8, utf8Length bytes used
  std::uint8_t info;     // kUtf8LengthMask | kRoundTrips | kPair
};
inline constexpr std::uint8_t kUtf8LengthMask = 0x03;
// Converting the character to UTF-16 and back gives its own bytes again.
inline constexpr std::uint8_t kRoundTrips = 0x04;
// (pair table only) lead and trail form one character; otherwise the lead
// byte stands alone and the byte after it starts the next character.
inline constexpr std::uint8_t kPair = 0x08;

// A UTF-16 unit in UTF-8, each unit on its own: a surrogate unit is written
// in the 3-byte form like any other (converted ANSI text never holds one).
inline CharEntry EntryForUnit(char16_t unit) {
  CharEntry e{};
  if (unit < 0x80) {
    e.utf8[0] = static_cast<std::uint8_t>(unit);
    e.info = 1;
  } else if (unit < 0x800) {
    e.utf8[0] = static_cast<std::uint8_t>(0xC0 | (unit >> 6));
    e.utf8[1] = static_cast<std::uint8_t>(0x80 | (unit & 0x3F));
    e.info = 2;
  } else {
    e.utf8[0] = static_cast<std::uint8_t>(0xE0 | (unit >> 12));
    e.utf8[1] = static_cast<std::uint8_t>(0x80 | ((unit >> 6) & 0x3F));
    e.utf8[2] = static_cast<std::uint8_t>(0x80 | (unit & 0x3F));
    e.info = 3;
  }
  return e;
}

// Byte classes for the record and field scanners.
inline constexpr std::uint8_t kClassLead = 0x01;
inline constexpr std::uint8_t kClassBlankOrComma = 0x02;  // 0x01..0x20 or ','
inline constexpr std::uint8_t kClassQuote = 0x04;

struct CharTables {
  bool hasLeadBytes = false;
  bool asciiIsIdentity = false;  // 0x00..0x7F are characters of their own, unchanged
  std::array<bool, 256> lead{};
  std::array<std::uint8_t, 256> classes{};
  // Every byte as a character of its own (a lead byte: alone, as at the end).
  std::array<CharEntry, 256> single{};
  // Indexed by lead << 8 | next byte; empty when the page has no lead bytes.
  detail::ZeroedTable<CharEntry> pair;
};

// No byte below it ever ends a pair (see decode_table.h).
using detail::kLowestTrailByte;

// Whether a lead byte and the byte after it are one character, for the walks
// that only need to know where characters start: a lead byte pairs with any
// byte from 0x40 up, never with a line break, tab, blank, quote or comma, so
// those bytes always stand for themselves.
inline bool StartsPair(const CharTables& t, unsigned char byte, unsigned char next) {
  return t.lead[byte] && next >= kLowestTrailByte;
}

// The entry of the character that starts at p (p < end) and its length in
// bytes, the same characters as the code page's conversion finds. That pairs
// a lead byte with at most the bytes StartsPair pairs it with.
inline const CharEntry& CharacterAt(const CharTables& t, const unsigned char* p, const unsigned char* end,
                                    std::size_t* length) {
  if (t.lead[*p] && p + 1 < end) {
    const CharEntry& e = t.pair[(static_cast<unsigned>(*p) << 8) | p[1]];
    if (e.info & kPair) {
      *length = 2;
      return e;
    }
  }
  *length = 1;
  return t.single[*p];
}

class CodePage {
 public:
  virtual ~CodePage() = default;
  virtual int Number() const = 0;
  virtual bool HasLeadBytes() const = 0;
  virtual bool IsLeadByte(unsigned char byte) const = 0;
  // Bytes that form no character become one replacement unit; never fails.
  virtual std::u16string ToUtf16(std::string_view ansi) const = 0;
  // Units without a character become the code page's default character.
  virtual std::string FromUtf16(std::u16string_view units) const = 0;

  // The tables, derived on first use from what the two conversions above are
  // built on (the decoding table and the reverse entries), so every fast path
  // gives exactly what the conversions give.
  const CharTables& Tables() const {
    // Asked once per record and more: past the first time, one load.
    if (const CharTables* built = built_.load(std::memory_order_acquire)) return *built;
    std::call_once(tablesOnce_, [this] {
      tables_ = BuildCharTables(*this);
      built_.store(tables_.get(), std::memory_order_release);
    });
    return *tables_;
  }

 protected:
  // What ToUtf16 decodes by, and the entry FromUtf16 writes for a unit
  // (detail::AppendEntryBytes).
  virtual const detail::DecodeTable& Decoding() const = 0;
  virtual std::uint16_t ReverseEntry(char16_t unit) const = 0;

 private:
  static std::unique_ptr<CharTables> BuildCharTables(const CodePage& page);
  mutable std::once_flag tablesOnce_;
  mutable std::unique_ptr<CharTables> tables_;
  mutable std::atomic<const CharTables*> built_{nullptr};
};

// The code page of the active regional profile (932 until one is chosen).
const CodePage& AnsiCodePage();
// Makes `number` the ANSI code page (932, 936, 949, 950, 1252, ...).
void SetAnsiCodePage(int number);

// The code page the program's own texts are carried in (932), whatever the
// profile: what a display decodes them from.
const CodePage& FixedTextCodePage();

// The program's own fixed texts are written in UTF-8 in the sources and carried
// as code page 932 bytes, whatever the active code page.
std::string Cp932FromUtf8(std::string_view utf8);

}  // namespace platform
