// The stamp of an output file. Plain C++ (the clock and one variable), so
// that every platform can build it as it is.
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "text/errors.h"

namespace platform {

std::int64_t OutputTimestamp() {
  constexpr std::int64_t kLastSecondOf9999 = 253402300799;
  const char* fixed = std::getenv("SOURCE_DATE_EPOCH");
  if (fixed == nullptr || *fixed == '\0') {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::seconds>(now).count();
  }
  const std::string_view text(fixed);
  std::int64_t seconds = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc() || end != text.data() + text.size() || seconds < 0 || seconds > kLastSecondOf9999)
    throw PlainError("SOURCE_DATE_EPOCH is not a number of seconds since 1970: '" + std::string(text) + "'");
  return seconds;
}

}  // namespace platform
