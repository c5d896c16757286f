#pragma once
// Text crossing the terminal and the command line: messages are shown as the
// window would show them, in the terminal's own character set, and file names
// on the command line are UTF-8.
#include <string>
#include <string_view>

#include "text/ansi_text.h"

namespace cli {

// nl_langinfo(CODESET) after setlocale(LC_CTYPE, ""); UTF-8 when the locale
// names none, or only ASCII, which could show no Japanese at all.
std::string TerminalCodeset();
// UTF-8 text in the terminal's character set: CR LF become LF, characters
// the terminal lacks become "?".
std::string Utf8ToTerminal(std::string utf8, const std::string& codeset);
// A UTF-8 file name from the command line as an AnsiText path.
AnsiText FileNameToAnsi(std::string_view utf8);

}  // namespace cli
