#pragma once
// The local clock, as far as the engine needs it.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The year of the local clock now, or the year fixed for tests.
int CurrentYear();
void SetCurrentYearForTesting(std::optional<int> year);

inline constexpr std::int64_t kLastSecondOf9999 = 253402300799;

// Seconds since 1970-01-01 00:00 UTC to stamp an output file with: the
// variable SOURCE_DATE_EPOCH when it is set and not empty, so that the same
// input gives the same file, else the clock now. Not valid, with the value as
// the variable holds it, when that is not a whole number of seconds up to the
// end of the year 9999.
struct OutputStamp {
  std::int64_t seconds = 0;
  bool valid = true;
  std::string value;
};
OutputStamp ReadOutputTimestamp();

namespace detail {
// The year of the local clock now: what each platform implements.
int LocalClockYear();
}  // namespace detail

}  // namespace platform
