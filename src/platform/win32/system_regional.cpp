// The user's regional settings as Windows keeps them: GetLocaleInfoA items
// and the eras that EnumCalendarInfoA lists for the Japanese calendar.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/regional.h"

namespace platform {
namespace {

constexpr int kJapaneseEmperorCalendar = 3;  // CAL_JAPAN

std::optional<std::string> LocaleItem(LCID locale, LCTYPE item) {
  char buffer[256];
  const int n = ::GetLocaleInfoA(locale, item, buffer, sizeof buffer);
  if (n <= 0) return std::nullopt;
  return std::string(buffer, static_cast<std::size_t>(n - 1));
}

// EnumCalendarInfoA hands its callback no context.
std::vector<std::string>* g_enumerated = nullptr;

BOOL CALLBACK CollectCalendarInfo(LPSTR text) {
  g_enumerated->push_back(text);
  return TRUE;
}

std::vector<std::string> CalendarInfo(LCID locale, CALID calendar, CALTYPE item) {
  std::vector<std::string> values;
  g_enumerated = &values;
  ::EnumCalendarInfoA(CollectCalendarInfo, locale, calendar, item);
  g_enumerated = nullptr;
  return values;
}

}  // namespace

const RegionalProfile* SystemRegionalProfile() {
  static RegionalProfile profile;
  const LCID locale = ::GetThreadLocale();
  profile = RegionalProfile{};
  profile.name = "system";
  profile.localeId = locale;
  profile.ansiCodePage = static_cast<int>(::GetACP());
  profile.shortDate = LocaleItem(locale, LOCALE_SSHORTDATE);
  profile.dateSeparator = LocaleItem(locale, LOCALE_SDATE);
  profile.timeSeparator = LocaleItem(locale, LOCALE_STIME);
  profile.decimalSeparator = LocaleItem(locale, LOCALE_SDECIMAL);
  profile.amDesignator = LocaleItem(locale, LOCALE_S1159);
  profile.pmDesignator = LocaleItem(locale, LOCALE_S2359);
  profile.calendarType = LocaleItem(locale, LOCALE_ICALENDARTYPE);
  profile.optionalCalendar = LocaleItem(locale, LOCALE_IOPTIONALCALENDAR);
  // The eras of the calendar the date text is read with.
  const int optional = profile.optionalCalendar ? std::atoi(profile.optionalCalendar->c_str()) : 0;
  profile.eraCalendar = optional > 1 ? optional : kJapaneseEmperorCalendar;
  const CALID calendar = static_cast<CALID>(profile.eraCalendar);
  profile.eraNames = CalendarInfo(locale, calendar, CAL_SERASTRING);
  profile.eraYearOffsets = CalendarInfo(locale, calendar, CAL_IYEAROFFSETRANGE);
  // Only pairs that belong together are kept.
  const std::size_t eras = std::min(profile.eraNames.size(), profile.eraYearOffsets.size());
  profile.eraNames.resize(eras);
  profile.eraYearOffsets.resize(eras);
  return &profile;
}

}  // namespace platform
