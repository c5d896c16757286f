// The local clock's year; tests may fix it.
#include "platform/clock.h"

#include <ctime>

namespace platform {
namespace {

std::optional<int>& FixedYear() {
  static std::optional<int> year;
  return year;
}

}  // namespace

int CurrentYear() {
  if (const std::optional<int>& fixed = FixedYear()) return *fixed;
  std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) gmtime_r(&now, &local);
  return local.tm_year + 1900;
}

void SetCurrentYearForTesting(std::optional<int> year) { FixedYear() = year; }

}  // namespace platform
