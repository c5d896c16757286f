// The built-in regional profiles and the choice among them.
#include "platform/regional.h"

#include <cstdlib>
#include <utility>

#include "platform/ascii_case.h"
#include "platform/code_page.h"

namespace platform {
namespace {

constexpr int kJapaneseEmperorCalendar = 3;

// A Gregorian profile with the separators both built-in languages share.
RegionalProfile Gregorian(std::string name, unsigned localeId, int ansiCodePage, std::string shortDate,
                          std::string amDesignator, std::string pmDesignator) {
  RegionalProfile profile;
  profile.name = std::move(name);
  profile.localeId = localeId;
  profile.ansiCodePage = ansiCodePage;
  profile.shortDate = std::move(shortDate);
  profile.dateSeparator = "/";
  profile.timeSeparator = ":";
  profile.decimalSeparator = ".";
  profile.amDesignator = std::move(amDesignator);
  profile.pmDesignator = std::move(pmDesignator);
  profile.calendarType = "1";
  profile.optionalCalendar = "1";
  return profile;
}

std::vector<RegionalProfile> BuildProfiles() {
  // Gregorian: the eras stay unused until the calendar is chosen.
  RegionalProfile japanese =
      Gregorian("ja-JP", 0x0411, 932, "yyyy/MM/dd", Cp932FromUtf8("午前"), Cp932FromUtf8("午後"));
  japanese.eraCalendar = kJapaneseEmperorCalendar;
  for (const char* name : {"令和", "平成", "昭和", "大正", "明治"})
    japanese.eraNames.push_back(Cp932FromUtf8(name));
  japanese.eraYearOffsets = {"2019", "1989", "1926", "1912", "1868"};

  RegionalProfile eras = japanese;
  eras.name = "ja-JP-u-ca-japanese";
  eras.shortDate = "gg y/MM/dd";
  eras.calendarType = "3";
  eras.optionalCalendar = "3";

  // British English writes the day first and the hours 0 to 23; Windows still
  // gives it designators, which a time may carry.
  return {japanese, eras, Gregorian("en-US", 0x0409, 1252, "M/d/yyyy", "AM", "PM"),
          Gregorian("en-GB", 0x0809, 1252, "dd/MM/yyyy", "AM", "PM")};
}

std::optional<std::string>& ChosenProfileName() {
  static std::optional<std::string> chosen;
  return chosen;
}

}  // namespace

std::vector<std::string> EnumerateEraNames(const RegionalProfile& profile, int calendar) {
  if (calendar != profile.eraCalendar) return {};
  return profile.eraNames;
}

std::vector<std::string> EnumerateEraYearOffsets(const RegionalProfile& profile, int calendar) {
  if (calendar != profile.eraCalendar) return {};
  return profile.eraYearOffsets;
}

const std::vector<RegionalProfile>& RegionalProfiles() {
  static const std::vector<RegionalProfile> profiles = BuildProfiles();
  return profiles;
}

const RegionalProfile* FindRegionalProfile(std::string_view name) {
  for (const RegionalProfile& profile : RegionalProfiles())
    if (EqualsAsciiNoCase(profile.name, name)) return &profile;
  return nullptr;
}

std::string KnownProfileNames() {
  std::string names;
  for (const RegionalProfile& profile : RegionalProfiles()) names += (names.empty() ? "" : ", ") + profile.name;
  return names;
}

std::optional<std::string> ProfileNameFromEnvironment() {
  const char* value = std::getenv("QUILLMER_LOCALE");
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

const RegionalProfile& ActiveRegionalProfile() {
  if (const std::optional<std::string>& chosen = ChosenProfileName())
    return *FindRegionalProfile(*chosen);
  if (const RegionalProfile* system = SystemRegionalProfile()) return *system;
  return RegionalProfiles()[0];
}

bool UseRegionalProfile(std::string_view name) {
  const RegionalProfile* profile = FindRegionalProfile(name);
  if (profile == nullptr) return false;
  ChosenProfileName() = profile->name;
  return true;
}

void ClearRegionalProfileChoice() { ChosenProfileName().reset(); }

}  // namespace platform
