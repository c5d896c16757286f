#pragma once
// The one walk over the characters of bytes in a code page: the text layer's
// (text/character_cursor.h) and the Windows path rules'. A character is one
// byte, or a lead byte and the byte after it. No byte below 0x40 is ever a
// trail byte, so a lead byte before a line break, tab, blank, quote, comma or
// digit stands alone, and so does that byte. Two uses:
//   Searching:  where characters start, for finding bytes in a text (a
//               search, a fold, a pattern's letters, a path's delimiters): a
//               lead byte pairs with any byte from 0x40 up.
//   Converting: the characters the page's conversion finds, with what they
//               become: a lead byte pairs only with the bytes the page pairs
//               it with (some of the above), and otherwise stands alone.
#include <array>
#include <cstddef>
#include <string_view>

#include "platform/code_page.h"

namespace platform {

class CharacterCursor {
 public:
  enum class Use { Searching, Converting };

  CharacterCursor(const CharTables& tables, std::string_view text, Use use)
      : t_(tables),
        begin_(reinterpret_cast<const unsigned char*>(text.data())),
        end_(begin_ + text.size()),
        p_(begin_),
        use_(use) {}

  std::size_t Position() const { return static_cast<std::size_t>(p_ - begin_); }
  bool AtEnd() const { return p_ >= end_; }

  // The bytes of the character that starts at p (p < size): 1 or 2.
  std::size_t LengthAt(std::size_t p) const { return LengthOf(begin_ + p); }

  // The next character, and past it; false after the last one.
  bool Next(std::string_view& character) {
    if (AtEnd()) return false;
    const std::size_t length = LengthOf(p_);
    character = std::string_view(reinterpret_cast<const char*>(p_), length);
    p_ += length;
    return true;
  }

  // Converting: what the next character becomes, and past it (not at the end).
  const CharEntry& NextEntry() {
    const unsigned char lead = *p_;
    if (t_.lead[lead] && p_ + 1 < end_) {
      const CharEntry& e = t_.pair[static_cast<std::size_t>(lead) << 8 | p_[1]];
      if (e.info & kPair) {
        p_ += 2;
        return e;
      }
    }
    ++p_;
    return t_.single[lead];
  }

  // Passes over n bytes that are characters of their own (a run of ASCII).
  void Skip(std::size_t n) { p_ += n; }

  // Whether a character starts at p, moving up to it; p is never before a
  // position asked earlier. The walk goes on from the last byte before p
  // that is not a lead byte: no pair starts on such a byte, so a character
  // ends with it whatever came before.
  bool StartsAt(std::size_t p) {
    const unsigned char* const at = begin_ + p;
    const unsigned char* k = at;
    while (k > p_ && t_.lead[k[-1]]) --k;
    if (k > p_) p_ = k;
    while (p_ < at) p_ += LengthOf(p_);
    return p_ == at;
  }

  // Searching, for a reader that takes one byte at a time and cannot look
  // ahead (the record filter's automaton): `open` says that the byte before
  // was a lead byte on a character start. The byte then starts a character
  // unless it is that lead byte's trail; after it a pair is open when it is a
  // lead byte on a character start.
  static bool StartsWith(bool open, unsigned char byte) { return !open || byte < kLowestTrailByte; }
  static bool OpensPair(const std::array<bool, 256>& lead, bool starts, unsigned char byte) {
    return starts && lead[byte];
  }

 private:
  std::size_t LengthOf(const unsigned char* p) const {
    if (!t_.lead[*p] || p + 1 >= end_) return 1;
    if (use_ == Use::Searching) return p[1] >= kLowestTrailByte ? 2 : 1;
    return (t_.pair[static_cast<std::size_t>(*p) << 8 | p[1]].info & kPair) ? 2 : 1;
  }

  const CharTables& t_;
  const unsigned char* begin_;
  const unsigned char* end_;
  const unsigned char* p_;
  Use use_;
};

}  // namespace platform
