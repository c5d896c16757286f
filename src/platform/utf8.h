#pragma once
// The one UTF-8 codec. Text is carried as UTF-16 units of the BMP (every
// character of the code pages is one); each unit is written on its own, a
// surrogate unit in the 3-byte form like any other (converted ANSI text never
// holds one).
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

struct Utf8OfUnit {
  std::uint8_t bytes[3];
  std::uint8_t length;  // 1 to 3
};

inline constexpr Utf8OfUnit EncodeUtf8(char16_t unit) {
  if (unit < 0x80) return {{static_cast<std::uint8_t>(unit), 0, 0}, 1};
  if (unit < 0x800)
    return {{static_cast<std::uint8_t>(0xC0 | (unit >> 6)), static_cast<std::uint8_t>(0x80 | (unit & 0x3F)), 0}, 2};
  return {{static_cast<std::uint8_t>(0xE0 | (unit >> 12)), static_cast<std::uint8_t>(0x80 | ((unit >> 6) & 0x3F)),
           static_cast<std::uint8_t>(0x80 | (unit & 0x3F))},
          3};
}

inline void AppendUtf8(std::string& out, char16_t unit) {
  const Utf8OfUnit u = EncodeUtf8(unit);
  out.append(reinterpret_cast<const char*>(u.bytes), u.length);
}

// Appends the UTF-16 of strict UTF-8 (a character beyond the BMP as a
// surrogate pair). A byte that starts no well-formed character (overlong,
// surrogate, beyond U+10FFFF, cut short) becomes "?" and the decoding goes on
// after it; false when there was any.
bool AppendUtf16FromUtf8(std::string_view utf8, std::u16string& out);

}  // namespace platform
