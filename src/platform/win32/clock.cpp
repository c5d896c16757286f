// The local clock's year (GetLocalTime).
#include <windows.h>

#include "platform/clock.h"

namespace platform::detail {

int LocalClockYear() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return now.wYear;
}

}  // namespace platform::detail
