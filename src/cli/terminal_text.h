#pragma once
// Text crossing to the terminal: the engine speaks AnsiText of the active
// code page, the terminal its own character set. File names on the command
// line are bytes that reach the file system unchanged.
#include <string>
#include <string_view>

#include "text/ansi_text.h"

namespace cli {

// nl_langinfo(CODESET) after setlocale(LC_CTYPE, ""); UTF-8 when the locale
// names none, or only ASCII, which could show no Japanese at all.
std::string TerminalCodeset();
// AnsiText as the terminal shows it: CR LF become LF, characters the
// terminal lacks become "?".
std::string AnsiToTerminal(std::string_view ansi, const std::string& codeset);

}  // namespace cli
