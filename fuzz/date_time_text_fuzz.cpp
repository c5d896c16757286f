// Date and time text under the Japanese, Japanese-era and English settings:
// a rejected text is quoted whole in the error, with the day-first hint
// exactly when the month-first text reads under en-GB; an accepted one is a real
// calendar value that reads back the same after being written out; a UTC stamp
// is always sixteen characters of the fixed shape.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <functional>
#include <string>
#include <string_view>

#include "conversion/timestamps.h"
#include "fuzz_support.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/regional.h"
#include "support/harness.h"
#include "text/date_time_format.h"
#include "text/date_time_text.h"
#include "text/errors.h"

namespace {

struct Profile {
  const char* name;
  const char* writtenBack;  // a pattern these settings read back
  DateTextSettings settings;
};

Profile* Profiles() {
  static Profile profiles[] = {
      {"ja-JP", "yyyy/mm/dd hh:nn:ss", {}},
      {"ja-JP-u-ca-japanese", "yyyy/mm/dd hh:nn:ss", {}},
      {"en-US", "mm/dd/yyyy hh:nn:ss", {}},
      {"en-GB", "dd/mm/yyyy hh:nn:ss", {}},
  };
  static bool loaded = false;
  if (!loaded) {
    for (Profile& p : profiles) {
      const platform::RegionalProfile* profile = platform::FindRegionalProfile(p.name);
      if (profile == nullptr) ::fuzz::Violated(__FILE__, __LINE__, p.name);
      platform::SetAnsiCodePage(profile->ansiCodePage);
      p.settings = DateTextSettingsFrom(*profile);
    }
    platform::SetAnsiCodePage(932);
    loaded = true;
  }
  return profiles;
}

// Days 1 to 9999 of the proleptic Gregorian calendar, as DateTime values; a
// time on a day before 1899-12-30 counts away from zero, below the day.
constexpr double kFirstDay = -693593 - 1;
constexpr double kAfterLastDay = 2958466;
constexpr int kYear = 2026;

bool IsStamp(std::string_view s) {
  if (s.size() != 16 || s[8] != 'T' || s[15] != 'Z') return false;
  for (std::size_t i = 0; i < 15; ++i) {
    if (i != 8 && (s[i] < '0' || s[i] > '9')) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  Profile& profile = Profiles()[provider.ConsumeIntegralInRange<int>(0, 3)];
  const std::string text = provider.ConsumeRemainingBytesAsString();

  // The text as a pattern, with a value of the calendar drawn from it: at most
  // 256 bytes, never a failure.
  const std::size_t hash = std::hash<std::string>{}(text);
  const double anyValue = static_cast<double>(hash % 3652059) - 693594 + static_cast<double>(hash % 86400000) / 86400000;
  FUZZ_CHECK(FormatDateTimeText(text, anyValue, profile.settings).size() <= 256);
  const fuzz::ExactBytes exact(text);
  const AnsiText suffix = platform::Cp932FromUtf8("' は日付または時刻ではありません");

  DateTime value;
  try {
    value = ParseDateTimeText(exact.View(), profile.settings, kYear);
  } catch (const DateTimeTextError& error) {
    const AnsiText plain = "'" + text + suffix;
    FUZZ_CHECK(error.Message().compare(0, plain.size(), plain) == 0);
    bool dayFirst = false;
    if (&profile == &Profiles()[2]) {
      try {
        ParseDateTimeText(exact.View(), Profiles()[3].settings, kYear);
        dayFirst = true;
      } catch (const DateTimeTextError&) {
      }
    }
    FUZZ_CHECK((error.Message().size() > plain.size()) == dayFirst);
    return 0;
  }
  FUZZ_CHECK(std::isfinite(value));
  FUZZ_CHECK(value > kFirstDay && value < kAfterLastDay);
  const double fraction = std::fabs(value - std::trunc(value));
  FUZZ_CHECK(fraction < 1.0);

  // Written out to the second and read again, the value comes back to within
  // the milliseconds that the pattern leaves out.
  const AnsiText written = FormatDateTimeText(profile.writtenBack, value, profile.settings);
  DateTime again = 0;
  try {
    again = ParseDateTimeText(written, profile.settings, kYear);
  } catch (const DateTimeTextError&) {
    std::fprintf(stderr, "%.17g written as '%s' does not read back\n", value, written.c_str());
    FUZZ_CHECK(false);
  }
  if (FormatDateTimeText(profile.writtenBack, again, profile.settings) != written ||
      std::fabs(again - value) > 1.0 / 86400.0) {
    std::fprintf(stderr, "%.17g -> '%s' -> %.17g\n", value, written.c_str(), again);
    FUZZ_CHECK(false);
  }

  // The same text as a start column pair: any value that parses makes a stamp.
  const std::size_t space = text.find(' ');
  if (space != std::string::npos && &profile == &Profiles()[0]) {
    SetDateTextSettings(profile.settings);
    platform::SetCurrentYearForTesting(kYear);
    const AnsiText stamp = MakeUtcStamp(std::string_view(text).substr(0, space),
                                        std::string_view(text).substr(space + 1));
    if (!IsStamp(stamp)) {
      std::fprintf(stderr, "stamp '%s' of '%s'\n", stamp.c_str(), text.c_str());
      FUZZ_CHECK(IsStamp(stamp));
    }
  }
  return 0;
}
