#include "platform/time_zones.h"

#include <unistd.h>

#include <cstdlib>

namespace platform {

std::string ZoneDirectory() {
  const char* dir = std::getenv("TZDIR");
  std::string directory = dir != nullptr && *dir != '\0' ? dir : "/usr/share/zoneinfo";
  if (directory.back() != '/') directory += '/';
  return directory;
}

std::string SystemZoneName() {
  if (const char* tz = std::getenv("TZ"); tz != nullptr && *tz != '\0') {
    if (const std::optional<std::string> name = detail::ZoneNameInPath(tz))
      if (const std::optional<std::string> known = CanonicalZoneName(*name)) return *known;
  }
  char target[4096];
  const ssize_t n = ::readlink("/etc/localtime", target, sizeof target - 1);
  if (n > 0) {
    if (const std::optional<std::string> name =
            detail::ZoneNameInPath(std::string_view(target, static_cast<std::size_t>(n))))
      if (const std::optional<std::string> known = CanonicalZoneName(*name)) return *known;
  }
  return "UTC";
}

}  // namespace platform
