// Text crossing a POSIX terminal: the character set the locale names, reached
// through iconv.
#include "cli/terminal_text.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <cstring>

#include "platform/ascii_case.h"

namespace cli {
namespace {

bool IsUtf8Name(std::string_view name) {
  std::string letters;
  for (char c : name) {
    if (c != '-' && c != '_') letters += c;
  }
  return platform::EqualsAsciiNoCase(letters, "utf8");
}

}  // namespace

std::string TerminalCodeset() {
  std::setlocale(LC_CTYPE, "");
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr || *codeset == '\0') return "UTF-8";
  const std::string name = codeset;
  if (name == "ANSI_X3.4-1968" || name == "ASCII" || name == "US-ASCII") return "UTF-8";
  return name;
}

std::string detail::EncodeForTerminal(std::string utf8, const std::string& codeset) {
  if (IsUtf8Name(codeset)) return utf8;
  iconv_t cd = iconv_open(codeset.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return utf8;
  std::string out(utf8.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* dst = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) break;
    // A character the terminal cannot show: one "?" for the whole UTF-8 sequence.
    std::size_t skip = 1;
    while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) ++skip;
    in += skip;
    inLeft -= skip;
    if (outLeft == 0) break;
    *dst++ = '?';
    --outLeft;
  }
  iconv(cd, nullptr, nullptr, &dst, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace cli
