#pragma once
// The one ASCII case fold: a..z to A..Z, every other byte unchanged (so no
// trail byte at or above 0x80 is ever changed). Names the system compares
// without case (profiles, INI sections and keys, the iCalendar properties)
// go through it.
#include <cstddef>
#include <string_view>

namespace platform {

inline constexpr char FoldAsciiCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

// Byte-wise comparison of the folded texts: 0, negative or positive.
inline int CompareAsciiNoCase(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const int x = static_cast<unsigned char>(FoldAsciiCase(a[i]));
    const int y = static_cast<unsigned char>(FoldAsciiCase(b[i]));
    if (x != y) return x - y;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

inline bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareAsciiNoCase(a, b) == 0;
}

}  // namespace platform
