// Paths shown in messages and paths named by code page text.
#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/utf8.h"

namespace platform {

std::string DisplayPath(std::string_view path) {
  if (IsStandardStream(path)) return "-";
  bool ascii = true;
  for (unsigned char c : path) ascii = ascii && c < 0x80;
  if (ascii) return std::string(path);
  std::u16string units;
  if (!AppendUtf16FromUtf8(path, units)) return std::string(path);
  return AnsiCodePage().FromUtf16(units);
}

std::string PathFromText(std::string_view text) {
  std::string path;
  path.reserve(text.size() * 3 / 2);
  // Every character of the code pages is one UTF-16 unit.
  for (char16_t unit : AnsiCodePage().ToUtf16(text)) AppendUtf8(path, unit);
  return path;
}

}  // namespace platform
