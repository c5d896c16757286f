#pragma once
// Character boundaries exactly as the active code page's conversion to UTF-16
// finds them, so that character-wise cuts can work on a bounded piece of a
// long text instead of converting all of it.
#include <cstddef>
#include <string_view>

#include "platform/code_page.h"
#include "text/ansi_text.h"
#include "text/text_settings.h"

class CharacterWalk {
 public:
  explicit CharacterWalk(const platform::CharTables& tables) : t_(tables) {}

  // The start of the character after the one that starts at p (p < size).
  std::size_t Next(std::string_view text, std::size_t p) const {
    const auto lead = static_cast<unsigned char>(text[p]);
    if (!t_.lead[lead] || p + 1 >= text.size()) return p + 1;
    const auto next = static_cast<unsigned char>(text[p + 1]);
    return (t_.pair[(static_cast<std::size_t>(lead) << 8) | next].info & platform::kPair) ? p + 2 : p + 1;
  }
  // True when text[p - 1] ends a character whatever came before it: a byte
  // that is not a lead byte never starts a pair.
  bool IsSafeStart(std::string_view text, std::size_t p) const {
    return p == 0 || !t_.lead[static_cast<unsigned char>(text[p - 1])];
  }

 private:
  const platform::CharTables& t_;
};

// The walk of the active code page.
inline CharacterWalk ActiveCharacterWalk() { return CharacterWalk(ActiveCodePage().Tables()); }

// Equal to the character-wise cut
//   while (ByteLength(t) > limit) t = LeftChars(t, Utf16Length(t) - 1);
// but converting only the first limit + 2 characters of the text.
AnsiText CutToByteLimit(std::string_view text, std::size_t limit);

// Appends AnsiTextToUtf8(TrimmedBlanks(CutToByteLimit(text, limit))) to out in
// one walk, for a text longer than limit whose cut keeps its own bytes (see
// above); false, out unchanged, for any other text.
bool AppendTrimmedCutAsUtf8(std::string_view text, std::size_t limit, std::string& out);
