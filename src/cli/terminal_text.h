#pragma once
// Text crossing the terminal and the command line: the engine speaks AnsiText
// of the active code page, the terminal its own character set, and file names
// on the command line are UTF-8 (on Windows: in the ANSI code page).
#include <string>
#include <string_view>

#include "text/ansi_text.h"

namespace cli {

// nl_langinfo(CODESET) after setlocale(LC_CTYPE, ""); UTF-8 when the locale
// names none, or only ASCII, which could show no Japanese at all. On Windows
// the console's output code page as a number.
std::string TerminalCodeset();
// AnsiText as the terminal shows it: CR LF become LF, characters the
// terminal lacks become "?".
std::string AnsiToTerminal(std::string_view ansi, const std::string& codeset);
// A UTF-8 file name from the command line as an AnsiText path.
AnsiText FileNameToAnsi(std::string_view utf8);

}  // namespace cli
