#pragma once
// Character boundaries exactly as the active code page's conversion to UTF-16
// finds them, so that character-wise cuts can work on a bounded piece of a
// long text instead of converting all of it.
#include <cstddef>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "text/ansi_text.h"

namespace detail {

class CharacterWalk {
 public:
  explicit CharacterWalk(const platform::CodePage& page);

  // The start of the character after the one that starts at p (p < size).
  std::size_t Next(std::string_view text, std::size_t p) const {
    const auto lead = static_cast<unsigned char>(text[p]);
    if (!isLead_[lead] || p + 1 >= text.size()) return p + 1;
    const auto next = static_cast<unsigned char>(text[p + 1]);
    return pairs_[(static_cast<std::size_t>(lead) << 8) | next] ? p + 2 : p + 1;
  }
  // True when text[p - 1] ends a character whatever came before it: a byte
  // that is not a lead byte never starts a pair.
  bool IsSafeStart(std::string_view text, std::size_t p) const {
    return p == 0 || !isLead_[static_cast<unsigned char>(text[p - 1])];
  }

 private:
  std::vector<bool> isLead_;
  std::vector<bool> pairs_;  // lead << 8 | next: the two bytes form one unit
};

// The walk of the active code page, built once per page.
const CharacterWalk& ActiveCharacterWalk();

// Equal to the character-wise cut
//   while (ByteLength(t) > limit) t = LeftChars(t, Utf16Length(t) - 1);
// but converting only the first limit + 2 characters of the text.
AnsiText CutToByteLimit(std::string_view text, std::size_t limit);

}  // namespace detail
