#pragma once
// Text as the system keeps it: bytes of the ANSI code page (code page 932,
// Shift-JIS, by default), never assumed to be UTF-8. UTF-16 text is the form
// in which characters are counted.
#include <string>

using AnsiText = std::string;
using Utf16Text = std::u16string;

// The one case fold of the system: a..z to A..Z, every other byte unchanged
// (so no trail byte of a double-byte character is ever changed).
inline constexpr char FoldAsciiCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }
