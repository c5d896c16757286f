#include "platform/executable.h"

#include <unistd.h>

#include <string>


namespace platform {

std::string ExecutablePath() {
  // Grow the buffer until the link fits: a path is never cut short.
  std::string buffer(512, '\0');
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(n));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform
