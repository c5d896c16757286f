#pragma once
// Per-code-page lookup tables for the hot byte loops (record splitting, the
// conversion to UTF-8, character counting). They are derived once from the
// platform::CodePage itself, so every fast path gives exactly what the code
// page's own conversions give.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"

namespace detail {

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

struct CharTables {
  const platform::CodePage* page = nullptr;
  bool hasLeadBytes = false;
  bool asciiIsIdentity = false;  // 0x00..0x7F are characters of their own, unchanged
  std::array<bool, 256> lead{};
  // Every byte as a character of its own (a lead byte: alone, as at the end).
  std::array<CharEntry, 256> single{};
  // Indexed by lead << 8 | next byte; empty when the page has no lead bytes.
  std::vector<CharEntry> pair;
};

// The entry of the character that starts at p (p < end) and its length in
// bytes, the same characters as the code page's conversion finds.
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

// The tables of the active ANSI code page, built on first use.
const CharTables& ActiveCharTables();

// AnsiTextToUtf8(text) appended to out, for callers that reuse one buffer.
void AppendAnsiTextToUtf8(std::string_view text, std::string& out);

}  // namespace detail
