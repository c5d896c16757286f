#pragma once
// Character-wise cuts that work on a bounded piece of a long text instead of
// converting all of it: the characters are the ones the active code page's
// conversion to UTF-16 finds (the converting cursor's).
#include <cstddef>
#include <string_view>

#include "text/ansi_text.h"

// Equal to the character-wise cut
//   while (ByteLength(t) > limit) t = LeftChars(t, Utf16Length(t) - 1);
// but converting only the first limit + 2 characters of the text.
AnsiText CutToByteLimit(std::string_view text, std::size_t limit);

// Appends AnsiTextToUtf8(TrimmedBlanks(CutToByteLimit(text, limit))) to out in
// one walk, for a text longer than limit whose cut keeps its own bytes (see
// above); false, out unchanged, for any other text.
bool AppendTrimmedCutAsUtf8(std::string_view text, std::size_t limit, std::string& out);
