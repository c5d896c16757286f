// The local clock's year (GetLocalTime); tests may fix it.
#include <windows.h>

#include "platform/clock.h"

namespace platform {
namespace {

std::optional<int>& FixedYear() {
  static std::optional<int> year;
  return year;
}

}  // namespace

int CurrentYear() {
  if (const std::optional<int>& fixed = FixedYear()) return *fixed;
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return now.wYear;
}

void SetCurrentYearForTesting(std::optional<int> year) { FixedYear() = year; }

}  // namespace platform
