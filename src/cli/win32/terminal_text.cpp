// Text crossing the Windows console: messages in the console's output code
// page (the ANSI code page when there is no console).
#include <windows.h>

#include <stdexcept>
#include <string>

#include "cli/terminal_text.h"
#include "platform/code_page.h"
#include "platform/utf8.h"

namespace cli {

std::string TerminalCodeset() {
  const UINT console = ::GetConsoleOutputCP();
  return std::to_string(console != 0 ? console : ::GetACP());
}

// What the console cannot show becomes "?", never a look-alike: the code
// page's own reverse entries (the system's, without best-fit substitutes).
std::string detail::EncodeForTerminal(std::string utf8, const std::string& codeset) {
  const int page = std::stoi(codeset);
  if (utf8.empty() || page == CP_UTF8) return utf8;
  std::u16string units;
  platform::AppendUtf16FromUtf8(utf8, units);
  try {
    return platform::CodePageNumbered(page).FromUtf16(units);
  } catch (const std::invalid_argument&) {
    return utf8;  // a console page the system cannot convert to: as it is
  }
}

}  // namespace cli
