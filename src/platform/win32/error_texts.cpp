// The texts of the system's error codes, as FormatMessageA gives them.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/files.h"

namespace platform {

std::string detail::SystemErrorText(int error) {
  char* message = nullptr;
  const DWORD n = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(error), 0, reinterpret_cast<char*>(&message), 0, nullptr);
  std::string text;
  if (n != 0 && message != nullptr) {
    text.assign(message, n);
  } else {
    char number[32];
    std::snprintf(number, sizeof number, "Error %d", error);
    text = number;
  }
  if (message != nullptr) ::LocalFree(message);
  return text;
}

// The system already tells a missing file from a missing directory.
std::string PathErrorText(const std::string& path, int error) {
  if (path.empty() && error == ERROR_FILE_NOT_FOUND) return ErrorText(ERROR_PATH_NOT_FOUND);
  return ErrorText(error);
}

}  // namespace platform
