#include "platform/time_zones.h"

#include <windows.h>

#include <cstdlib>
#include <string_view>

#include "platform/ascii_case.h"
#include "platform/executable.h"
#include "platform/path.h"
#include "platform/windows_zone_names.h"

namespace platform {

// The copy of tzdata's zoneinfo that is shipped beside the program.
std::string ZoneDirectory() {
  if (const char* dir = std::getenv("TZDIR"); dir != nullptr && *dir != '\0') {
    std::string directory = dir;
    if (directory.back() != '\\' && directory.back() != '/') directory += '\\';
    return directory;
  }
  return std::string(DirectoryPart(ExecutablePath())) + "zoneinfo\\";
}

// The system's zone by the name Windows keys it under ("Eastern Standard
// Time"), mapped as the Unicode consortium's table maps it.
std::string SystemZoneName() {
  DYNAMIC_TIME_ZONE_INFORMATION info{};
  if (::GetDynamicTimeZoneInformation(&info) != TIME_ZONE_ID_INVALID) {
    std::string key;
    for (const wchar_t* p = info.TimeZoneKeyName; *p != L'\0' && *p < 0x80; ++p) key.push_back(static_cast<char>(*p));
    for (const WindowsZoneName& entry : kWindowsZoneNames) {
      if (EqualsAsciiNoCase(entry.windows, key)) {
        if (const std::optional<std::string> known = CanonicalZoneName(entry.iana)) return *known;
        break;
      }
    }
  }
  return "UTC";
}

}  // namespace platform
