#include <windows.h>

#include <string>

#include "platform/executable.h"

namespace platform {

std::string ExecutablePath() {
  // Grow the buffer until the name fits: a path is never cut short.
  std::string buffer(MAX_PATH + 1, '\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size() - 1) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform
