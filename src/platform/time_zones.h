#pragma once
// The system's time zone database: the IANA zones as TZif files, their names,
// and the zone the computer itself is set to. On Linux the database is
// tzdata's /usr/share/zoneinfo; on Windows the copy of it shipped beside the
// program (zoneinfo\). TZDIR names another directory on both.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The database's directory, ending in a delimiter.
std::string ZoneDirectory();
// Every zone name the database holds (zones and their other names), sorted;
// empty when it lists none.
std::vector<std::string> ZoneNames();
// The database's own spelling of name (letter case ignored), or nullopt when
// it holds no such zone.
std::optional<std::string> CanonicalZoneName(std::string_view name);
// The TZif bytes of a zone the database holds; nullopt for any other name.
std::optional<std::string> ReadZoneData(std::string_view canonicalName);

// The zone QUILLMER_ZONE names; nullopt when it is unset or empty.
std::optional<std::string> ZoneNameFromEnvironment();
// The computer's own zone as an IANA name: on Linux TZ, then /etc/localtime;
// on Windows the system's zone mapped to its IANA name; "UTC" when neither says.
std::string SystemZoneName();

namespace detail {
// The zone name in a TZ value or a path into a zoneinfo directory
// (":America/New_York", "/usr/share/zoneinfo/Europe/London"); nullopt for
// anything else, such as a POSIX rule.
std::optional<std::string> ZoneNameInPath(std::string_view value);
}  // namespace detail

}  // namespace platform
