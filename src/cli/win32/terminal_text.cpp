// Text crossing the Windows console: messages in the console's output code
// page (the ANSI code page when there is no console).
#include <windows.h>

#include <string>

#include "cli/terminal_text.h"

namespace cli {

std::string TerminalCodeset() {
  const UINT console = ::GetConsoleOutputCP();
  return std::to_string(console != 0 ? console : ::GetACP());
}

// The CRT's text mode turns each LF back into CR LF on the console.
std::string Utf8ToTerminal(std::string utf8, const std::string& codeset) {
  for (std::size_t at = utf8.find("\r\n"); at != std::string::npos; at = utf8.find("\r\n", at)) utf8.erase(at, 1);
  if (utf8.empty()) return utf8;
  const UINT page = static_cast<UINT>(std::stoul(codeset));
  if (page == CP_UTF8) return utf8;
  const int size = static_cast<int>(utf8.size());
  std::wstring wide(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
  // What the console cannot show becomes "?", never a look-alike.
  const int wideSize = static_cast<int>(wide.size());
  std::string out(static_cast<std::size_t>(::WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide.data(), wideSize,
                                                                 nullptr, 0, nullptr, nullptr)),
                  '\0');
  ::WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide.data(), wideSize, out.data(), static_cast<int>(out.size()),
                        nullptr, nullptr);
  return out;
}

}  // namespace cli
