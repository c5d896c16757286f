// Text crossing the Windows console: messages in the console's output code
// page (the ANSI code page when there is no console).
#include <windows.h>

#include <string>

#include "cli/terminal_text.h"
#include "platform/code_page.h"

namespace cli {

std::string TerminalCodeset() {
  const UINT console = ::GetConsoleOutputCP();
  return std::to_string(console != 0 ? console : ::GetACP());
}

// The CRT's text mode turns each LF back into CR LF on the console.
std::string AnsiToTerminal(std::string_view ansi, const std::string& codeset) {
  std::u16string units = platform::AnsiCodePage().ToUtf16(ansi);
  for (std::size_t at = units.find(u"\r\n"); at != std::u16string::npos; at = units.find(u"\r\n", at)) {
    units.erase(at, 1);
  }
  if (units.empty()) return {};
  const UINT page = static_cast<UINT>(std::stoul(codeset));
  const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
  const int size = static_cast<int>(units.size());
  std::string out(static_cast<std::size_t>(::WideCharToMultiByte(page, 0, wide, size, nullptr, 0, nullptr, nullptr)), '\0');
  ::WideCharToMultiByte(page, 0, wide, size, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  return out;
}

}  // namespace cli
