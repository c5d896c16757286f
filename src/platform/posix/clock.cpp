// The local clock's year.
#include "platform/clock.h"

#include <ctime>

namespace platform::detail {

int LocalClockYear() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) gmtime_r(&now, &local);
  return local.tm_year + 1900;
}

}  // namespace platform::detail
