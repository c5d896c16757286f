#pragma once
// The one walk over the characters of AnsiText, as LineCursor is for lines:
// every loop of the text and conversion layers that needs to know where a
// character starts, or what it becomes, walks with it. See
// platform/character_cursor.h for the two uses; the path rules share it.
#include <string_view>

#include "platform/character_cursor.h"
#include "text/text_settings.h"

using platform::CharacterCursor;

// Where the characters of text in the active code page start.
inline CharacterCursor SearchingCursor(std::string_view text) {
  return CharacterCursor(ActiveCodePage().Tables(), text, CharacterCursor::Use::Searching);
}
// The characters the active code page's conversion finds in text.
inline CharacterCursor ConvertingCursor(std::string_view text) {
  return CharacterCursor(ActiveCodePage().Tables(), text, CharacterCursor::Use::Converting);
}
