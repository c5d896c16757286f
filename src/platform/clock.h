#pragma once
// The local clock, as far as the engine needs it.
#include <cstdint>
#include <optional>

namespace platform {

// The year of the local clock now, or the year fixed for tests.
int CurrentYear();
void SetCurrentYearForTesting(std::optional<int> year);

// Seconds since 1970-01-01 00:00 UTC to stamp an output file with: the
// variable SOURCE_DATE_EPOCH when it is set and not empty, so that the same
// input gives the same file, else the clock now. Raises PlainError, quoting
// the value, when the variable is not a whole number of seconds up to the end
// of the year 9999.
std::int64_t OutputTimestamp();

namespace detail {
// The year of the local clock now: what each platform implements.
int LocalClockYear();
}  // namespace detail

}  // namespace platform
