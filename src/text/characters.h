#pragma once
// Character-wise operations on AnsiText of the active ANSI code page: a
// character is one byte, or a lead byte and the byte after it. No trail byte
// is below 0x40, so a lead byte before a line break, tab, blank, quote or
// comma stands alone, and so does that byte; the conversions pair a lead byte
// only with the page's trail bytes. Positions are 0-based byte offsets unless
// a function says otherwise. Nothing here raises; bytes that form no
// character are replaced and conversion goes on.
#include <string_view>

#include "text/ansi_text.h"

enum class ByteKind { Single, Lead, Trail };

// The start of the character after the one at p; p itself at the end or at NUL.
std::size_t NextCharacter(std::string_view text, std::size_t p);
// Kind of the byte at i, walking characters from start (a character start);
// Lead is a lead byte on a character start, paired or not.
ByteKind ByteKindAt(std::string_view text, std::size_t start, std::size_t i);
std::size_t ByteLength(std::string_view text);

Utf16Text AnsiTextToUtf16(std::string_view text);
AnsiText Utf16ToAnsiText(std::u16string_view units);
// The character count: UTF-16 units of the converted text.
int Utf16Length(std::string_view text);
// The first n characters, re-encoded through UTF-16.
AnsiText LeftChars(std::string_view text, int n);

// 1-based position of the first match that does not begin on a trail byte, or 0.
// A position beyond the int range is given as INT_MAX. Here a lead byte pairs
// with any byte from 0x40 up, as in the record filter.
int FindSubstring(std::string_view needle, std::string_view haystack);
// The same match as a 0-based byte index, npos for none; for texts of any size.
std::size_t FindSubstringIndex(std::string_view needle, std::string_view haystack);
// Removes bytes 0x00..0x20 at both ends.
AnsiText TrimBlanks(std::string_view text);
// The same cut as a view into text.
std::string_view TrimmedBlanks(std::string_view text);
using platform::CompareAsciiNoCase;

std::string Utf16ToUtf8(std::u16string_view units);
std::string AnsiTextToUtf8(std::string_view text);

// AnsiTextToUtf8(text) appended to out, for callers that reuse one buffer.
void AppendAnsiTextToUtf8(std::string_view text, std::string& out);
// The same for the first whole characters of text, at least `step` bytes of
// them (all, when text is shorter): returns the bytes taken. A pair is never
// cut, so the rest converted after it gives what one call gives.
std::size_t AppendAnsiTextToUtf8Step(std::string_view text, std::size_t step, std::string& out);
