#include "app/error_text.h"

#include "text/characters.h"

AnsiText ErrorBoxText(std::string_view message) {
  AnsiText text(message);
  if (message.empty()) return text;
  // Step back over a trail byte so a double-byte character is compared whole.
  std::size_t last = message.size() - 1;
  if (last > 0 && ByteKindAt(message, 0, last) == ByteKind::Trail) --last;
  if (message.substr(last) > std::string_view(".")) text += '.';
  return text;
}
