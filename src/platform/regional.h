#pragma once
// Regional settings as built-in profiles: the raw locale items that date and
// time text is read with, the calendar eras, and the ANSI code page. The
// profile is ja-JP unless the user names another (--locale, QUILLMER_LOCALE):
// the terminal's language says nothing about the Outlook that made an export.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Text items are in the profile's own code page. An item that is absent
// cannot be read, and its reader falls back to a default.
struct RegionalProfile {
  std::string name;                 // "ja-JP", "ja-JP-u-ca-japanese", "en-US", "en-GB"
  unsigned localeId = 0;            // the low 10 bits are the primary language
  int ansiCodePage = 932;
  std::optional<std::string> shortDate;
  std::optional<std::string> dateSeparator;
  std::optional<std::string> timeSeparator;
  std::optional<std::string> decimalSeparator;
  std::optional<std::string> amDesignator;
  std::optional<std::string> pmDesignator;
  std::optional<std::string> calendarType;      // a number, as text
  std::optional<std::string> optionalCalendar;  // a number, as text
  // The eras of one calendar, in enumeration order (newest first): the names
  // and, slot for slot, the Gregorian year each begins in, as text.
  int eraCalendar = 0;
  std::vector<std::string> eraNames;
  std::vector<std::string> eraYearOffsets;
};

// The era names and year offsets a calendar enumerates; empty for a calendar
// the profile holds no eras for.
std::vector<std::string> EnumerateEraNames(const RegionalProfile& profile, int calendar);
std::vector<std::string> EnumerateEraYearOffsets(const RegionalProfile& profile, int calendar);

// Every built-in profile, the default (ja-JP) first.
const std::vector<RegionalProfile>& RegionalProfiles();
// The profile of that exact name (letter case ignored), or nullptr.
const RegionalProfile* FindRegionalProfile(std::string_view name);
// The names of every built-in profile, joined by ", ".
std::string KnownProfileNames();
// The profile name QUILLMER_LOCALE holds; nullopt when it is unset or empty.
std::optional<std::string> ProfileNameFromEnvironment();

// The user's own settings where the system keeps them (Windows: the locale
// items and calendar eras of the user's locale, read afresh on every call);
// nullptr where it keeps none and the built-in profiles stand in.
const RegionalProfile* SystemRegionalProfile();

// The profile in force: the one chosen by name, else the system's (Windows),
// else ja-JP.
const RegionalProfile& ActiveRegionalProfile();
// Chooses a profile by its name; false (and no change) when there is none.
bool UseRegionalProfile(std::string_view name);
// Goes back to the default profile.
void ClearRegionalProfileChoice();

}  // namespace platform
