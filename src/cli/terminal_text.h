#pragma once
// Text crossing to the terminal: messages are shown as the window would show
// them, in the terminal's own character set. File names on the command line
// are bytes that reach the file system unchanged.
#include <string>
#include <string_view>

namespace cli {

// nl_langinfo(CODESET) after setlocale(LC_CTYPE, ""); UTF-8 when the locale
// names none, or only ASCII, which could show no Japanese at all.
std::string TerminalCodeset();
// UTF-8 text in the terminal's character set: CR LF become LF, characters
// the terminal lacks become "?".
std::string Utf8ToTerminal(std::string_view utf8, const std::string& codeset);

namespace detail {
// UTF-8 text in the character set TerminalCodeset named: what each system
// implements.
std::string EncodeForTerminal(std::string utf8, const std::string& codeset);
}  // namespace detail

}  // namespace cli
