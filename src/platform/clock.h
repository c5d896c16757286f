#pragma once
// The local clock, as far as the engine needs it.
#include <optional>

namespace platform {

// The year of the local clock now, or the year fixed for tests.
int CurrentYear();
void SetCurrentYearForTesting(std::optional<int> year);

}  // namespace platform
