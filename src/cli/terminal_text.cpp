#include "cli/terminal_text.h"

#include "text/line_cursor.h"

namespace cli {

// The terminal's own line break is LF (on Windows the C runtime's text mode
// makes it CR LF again).
std::string Utf8ToTerminal(std::string_view utf8, const std::string& codeset) {
  std::string text;
  text.reserve(utf8.size());
  LineCursor lines(utf8, {.crLfOnly = true, .keepNul = true, .emptyLastLine = true});
  bool first = true;
  for (std::string_view line; lines.Next(line); first = false) {
    if (!first) text += '\n';
    text += line;
  }
  return detail::EncodeForTerminal(std::move(text), codeset);
}

}  // namespace cli
