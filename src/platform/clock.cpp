// The clock as the engine sees it: the year (fixed in tests) and the stamp of
// an output file. Plain C++; the local year itself comes from the platform.
#include "platform/clock.h"

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>


namespace platform {
namespace {

std::optional<int>& FixedYear() {
  static std::optional<int> year;
  return year;
}

}  // namespace

int CurrentYear() {
  if (const std::optional<int>& fixed = FixedYear()) return *fixed;
  return detail::LocalClockYear();
}

void SetCurrentYearForTesting(std::optional<int> year) { FixedYear() = year; }

OutputStamp ReadOutputTimestamp() {
  const char* fixed = std::getenv("SOURCE_DATE_EPOCH");
  if (fixed == nullptr || *fixed == '\0') {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return {std::chrono::duration_cast<std::chrono::seconds>(now).count(), true, {}};
  }
  const std::string_view text(fixed);
  std::int64_t seconds = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  const bool valid = error == std::errc() && end == text.data() + text.size() && seconds >= 0 &&
                     seconds <= kLastSecondOf9999;
  return {valid ? seconds : 0, valid, std::string(text)};
}

}  // namespace platform
