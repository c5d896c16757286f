#pragma once
// Reading date and time text under the user's regional settings into a
// DateTime: days since 1899-12-30, the fraction being the time of day. The
// settings are loaded in date_text_settings.cpp, the general reading is
// date_time_text.cpp, the fast common shape date_common_shape.cpp.
#include <string_view>
#include <vector>

#include "text/ansi_text.h"

using DateTime = double;

struct EraEntry {
  AnsiText name;
  int yearOffset = 0;  // the Gregorian year in which the era begins
};

struct DateTextSettings {
  AnsiText shortDatePattern = "m/d/yy";  // already translated
  char dateSeparator = '/';
  char timeSeparator = ':';
  char decimalSeparator = '.';
  AnsiText amDesignator = "am";
  AnsiText pmDesignator = "pm";
  bool doubleByteSystem = false;
  int primaryLanguage = 0x09;
  std::vector<EraEntry> eras;  // newest first, at most 7
  int twoDigitYearWindow = 50;
};

namespace platform {
struct RegionalProfile;
}

// The process-wide settings, as LoadDateTextSettings last filled them.
const DateTextSettings& CurrentDateTextSettings();
void SetDateTextSettings(DateTextSettings settings);
// Counts the changes of the process-wide settings.
unsigned DateTextSettingsGeneration();
// Fills the settings (and the ANSI code page) from the active regional profile.
void LoadDateTextSettings();
// The settings a profile's items give under the ANSI code page in force: the
// fallbacks, the translated short date pattern and the era table applied.
DateTextSettings DateTextSettingsFrom(const platform::RegionalProfile& profile);

// Raises DateTimeTextError quoting the whole text.
DateTime ParseDateTimeText(std::string_view text);
// The same under given settings and a given current year.
DateTime ParseDateTimeText(std::string_view text, const DateTextSettings& settings,
                           int currentYear);

// A moment as the columns give it, before any shift.
struct LocalDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
// The date and time columns in the common shape of the settings, read with
// integers: a year-first pattern without eras, a four-digit year from 1900
// on, one or two digits for month, day and hour, two for minutes and seconds
// (seconds optional), the settings' separators, no blanks, no designator; the
// time may be empty. False for any other text, which ParseDateTimeText must
// read. Where true, ParseDateTimeText(date + " " + time) reads this moment.
bool ReadCommonShape(std::string_view dateText, std::string_view timeText, const DateTextSettings& settings,
                     LocalDateTime& out);

// FindSubstring(letters, text) > 0 for ASCII letters without NUL (the
// pattern letters the reading looks for), without its general searches.
bool OccursOnCharacterStart(std::string_view letters, std::string_view text);
