#pragma once
// The one walk over the lines of a text: CR LF, a lone CR or a lone LF ends a
// line; the text ends at its first NUL. The line list, the record reader, the
// INI reader, the memo boxes and the terminal all walk lines with it, some
// with other options.
#include <cstddef>
#include <string_view>

#include "text/byte_scan.h"

class LineCursor {
 public:
  struct Options {
    // Only CR LF ends a line (a box's text); a lone CR or LF stays in it.
    bool crLfOnly = false;
    // Every byte of text, NULs included: for files that are rewritten and
    // must keep what they hold.
    bool keepNul = false;
    // The text after the last line break is a line even when empty, so the
    // empty text is one empty line (the pieces between the breaks).
    bool emptyLastLine = false;
  };

  explicit LineCursor(std::string_view text) : LineCursor(text, Options{}) {}
  LineCursor(std::string_view text, Options options)
      : text_(options.keepNul ? text : text.substr(0, text.find('\0'))),
        crLfOnly_(options.crLfOnly),
        emptyLastLine_(options.emptyLastLine),
        owed_(options.emptyLastLine) {}
  static LineCursor KeepingNul(std::string_view text) { return LineCursor(text, Options{.keepNul = true}); }

  // The next line without its line break; false after the last one. Unless
  // emptyLastLine, a text that ends with a line break has no empty line
  // after it.
  bool Next(std::string_view& line) {
    if (p_ >= text_.size()) {
      if (!owed_) return false;
      owed_ = false;
      line = text_.substr(text_.size());
      return true;
    }
    const char* const begin = text_.data();
    const char* const end = begin + text_.size();
    std::size_t stop = text_.size();
    std::size_t next = stop;
    if (crLfOnly_) {
      for (const char* from = begin + p_;;) {
        const char* lf = detail::FindByte(from, end, '\n');
        if (lf == end) break;
        if (lf > begin + p_ && lf[-1] == '\r') {
          stop = static_cast<std::size_t>(lf - 1 - begin);
          next = stop + 2;
          break;
        }
        from = lf + 1;
      }
    } else {
      stop = static_cast<std::size_t>(detail::FindEitherByte(begin + p_, end, '\r', '\n') - begin);
      next = stop;
      if (next < text_.size() && text_[next] == '\r') ++next;
      if (next < text_.size() && text_[next] == '\n') ++next;
    }
    line = text_.substr(p_, stop - p_);
    owed_ = emptyLastLine_ && next > stop;  // a break was passed
    p_ = next;
    return true;
  }

 private:
  std::string_view text_;
  bool crLfOnly_;
  bool emptyLastLine_;
  bool owed_;  // an empty line is still to come at the end
  std::size_t p_ = 0;
};
