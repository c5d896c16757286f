#pragma once
// The one walk over the lines of a text: CR LF, a lone CR or a lone LF ends a
// line; the text ends at its first NUL. The line list, the record reader and
// the INI reader all walk lines with it. Header-only, so that the platform's
// INI reader uses it without depending on the engine library.
#include <cstddef>
#include <string_view>

#include "text/byte_scan.h"

class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : LineCursor(text.substr(0, text.find('\0')), 0) {}
  // Every byte of text, NULs included: for files that are rewritten and must
  // keep what they hold.
  static LineCursor KeepingNul(std::string_view text) { return LineCursor(text, 0); }

  // The next line without its line break; false after the last one. A text
  // that ends with a line break has no empty line after it.
  bool Next(std::string_view& line) {
    if (p_ >= text_.size()) return false;
    const char* const begin = text_.data();
    const std::size_t stop =
        static_cast<std::size_t>(detail::FindEitherByte(begin + p_, begin + text_.size(), '\r', '\n') - begin);
    line = text_.substr(p_, stop - p_);
    p_ = stop;
    if (p_ < text_.size() && text_[p_] == '\r') ++p_;
    if (p_ < text_.size() && text_[p_] == '\n') ++p_;
    return true;
  }

 private:
  LineCursor(std::string_view text, int) : text_(text) {}

  std::string_view text_;
  std::size_t p_ = 0;
};
