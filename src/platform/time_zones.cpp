#include "platform/time_zones.h"

#include <algorithm>
#include <cstdlib>

#include "platform/ascii_case.h"
#include "platform/files.h"

namespace platform {
namespace {

// Letters, digits and the few marks IANA names use; no "..", no leading "/".
bool IsZoneName(std::string_view name) {
  if (name.empty() || name.size() > 64 || name.front() == '/' || name.back() == '/') return false;
  if (name.find("..") != std::string_view::npos || name.find("//") != std::string_view::npos) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' || c == '_' ||
           c == '-' || c == '+' || c == '.';
  });
}

// tzdata.zi lists every zone ("Z name ...") and every other name of one
// ("L target name").
std::vector<std::string> NamesInIndex(std::string_view index) {
  std::vector<std::string> names;
  std::size_t pos = 0;
  while (pos < index.size()) {
    std::size_t end = index.find('\n', pos);
    if (end == std::string_view::npos) end = index.size();
    const std::string_view line = index.substr(pos, end - pos);
    pos = end + 1;
    std::string_view name;
    if (line.starts_with("Z ")) {
      name = line.substr(2, line.find(' ', 2) - 2);
    } else if (line.starts_with("L ")) {
      const std::size_t second = line.find(' ', 2);
      if (second == std::string_view::npos) continue;
      name = line.substr(second + 1, line.find(' ', second + 1) - second - 1);
    }
    if (IsZoneName(name)) names.emplace_back(name);
  }
  return names;
}

}  // namespace

std::vector<std::string> ZoneNames() {
  const FileReadResult index = ReadWholeFile(ZoneDirectory() + "tzdata.zi", false);
  if (index.error != 0) return {};
  std::vector<std::string> names = NamesInIndex(index.bytes);
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

std::optional<std::string> CanonicalZoneName(std::string_view name) {
  if (!IsZoneName(name)) return std::nullopt;
  const std::vector<std::string> names = ZoneNames();
  // Without the index, the file itself says whether the zone is there.
  if (names.empty()) return ReadZoneData(name) ? std::optional<std::string>(name) : std::nullopt;
  for (const std::string& known : names)
    if (EqualsAsciiNoCase(known, name)) return known;
  return std::nullopt;
}

std::optional<std::string> ReadZoneData(std::string_view canonicalName) {
  if (!IsZoneName(canonicalName)) return std::nullopt;
  FileReadResult file = ReadWholeFile(ZoneDirectory() + std::string(canonicalName), false);
  if (file.error != 0 || !file.bytes.starts_with("TZif")) return std::nullopt;
  return std::move(file.bytes);
}

std::optional<std::string> ZoneNameFromEnvironment() {
  const char* value = std::getenv("QUILLMER_ZONE");
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

namespace detail {

std::optional<std::string> ZoneNameInPath(std::string_view value) {
  if (value.starts_with(':')) value.remove_prefix(1);
  if (const std::size_t at = value.rfind("zoneinfo/"); at != std::string_view::npos)
    value.remove_prefix(at + 9);
  if (value.starts_with("posix/") || value.starts_with("right/")) value.remove_prefix(6);
  // A POSIX rule ("EST5EDT,M3.2.0,M11.1.0") is no name; the database decides
  // about the rest.
  if (!IsZoneName(value)) return std::nullopt;
  return std::string(value);
}

}  // namespace detail

}  // namespace platform
