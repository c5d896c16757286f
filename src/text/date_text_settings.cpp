// The date settings: read from the regional profile, the short date pattern
// translated, the era table applied, and the process-wide copy.
#include <atomic>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/regional.h"
#include "text/character_cursor.h"
#include "text/date_text_detail.h"
#include "text/date_time_text.h"
#include "text/text_settings.h"

using date_text_detail::IsLetter;
using date_text_detail::kLanguageChinese;
using date_text_detail::kLanguageEnglish;
using date_text_detail::kLanguageJapanese;
using date_text_detail::kLanguageKorean;

namespace {

constexpr int kMaxEras = 7;
constexpr std::size_t kMaxShortDateLength = 255;

DateTextSettings& ProcessSettings() {
  static DateTextSettings settings;
  return settings;
}

// Counts the changes of the process-wide settings, for answers kept about them.
std::atomic<unsigned>& SettingsGeneration() {
  static std::atomic<unsigned> generation{0};
  return generation;
}

// A whole number, optionally signed; nothing else may surround it.
std::optional<int> WholeNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

int NumberItem(const std::optional<std::string>& item, int fallback) {
  if (!item) return fallback;
  return WholeNumber(*item).value_or(fallback);
}

// The item is read into room for a single byte: a longer one does not fit.
char OneByteItem(const std::optional<std::string>& item, char fallback) {
  return item && item->size() == 1 ? item->front() : fallback;
}

bool IsCalendarWithEras(int calendar) { return calendar >= 3 && calendar <= 5; }

// Era calendars write the year as an era year: g becomes the era name, y the
// era year. Otherwise East Asian languages drop the era letters.
AnsiText TranslateShortDate(std::string_view pattern, int calendarType, int primaryLanguage) {
  const CharacterCursor characters = SearchingCursor(pattern);
  auto doubleByteAt = [&](std::size_t i) { return characters.LengthAt(i) == 2; };
  AnsiText out;
  if (IsCalendarWithEras(calendarType)) {
    std::size_t i = 0;
    while (i < pattern.size()) {
      auto isAt = [&](char lower, std::size_t count) {
        if (i + count > pattern.size()) return false;
        for (std::size_t k = 0; k < count; ++k)
          if (!IsLetter(pattern[i + k], lower)) return false;
        return true;
      };
      if (doubleByteAt(i)) {
        out.append(pattern.substr(i, 2));
        i += 2;
      } else if (isAt('g', 2)) {
        out += "ggg";
        i += 2;
      } else if (isAt('y', 4)) {
        out += "eeee";
        i += 4;
      } else if (isAt('y', 2)) {
        out += "ee";
        i += 2;
      } else if (isAt('y', 1)) {
        out += 'e';
        i += 1;
      } else {
        out += pattern[i++];
      }
    }
    return out;
  }
  if (primaryLanguage == kLanguageChinese || primaryLanguage == kLanguageJapanese ||
      primaryLanguage == kLanguageKorean) {
    std::size_t i = 0;
    while (i < pattern.size()) {
      if (doubleByteAt(i)) {
        out.append(pattern.substr(i, 2));
        i += 2;
      } else if (IsLetter(pattern[i], 'g')) {
        ++i;
      } else {
        out += pattern[i++];
      }
    }
    return out;
  }
  return AnsiText(pattern);
}

std::vector<EraEntry> ReadEras(const platform::RegionalProfile& profile) {
  const int calendar = NumberItem(profile.optionalCalendar, 1);
  if (!IsCalendarWithEras(calendar)) return {};
  const std::vector<std::string> names = platform::EnumerateEraNames(profile, calendar);
  const std::vector<std::string> offsets = platform::EnumerateEraYearOffsets(profile, calendar);
  std::vector<EraEntry> eras;
  for (std::size_t i = 0; i < kMaxEras && i < names.size() && !names[i].empty(); ++i) {
    const int offset = i < offsets.size() ? WholeNumber(offsets[i]).value_or(0) : -1;
    eras.push_back({names[i], offset});
  }
  return eras;
}

}  // namespace

const DateTextSettings& date_text_detail::ProcessDateTextSettings() { return ProcessSettings(); }

const DateTextSettings& CurrentDateTextSettings() {
  const TextSettings* scoped = ScopedTextSettings();
  return scoped ? *scoped->dates : ProcessSettings();
}

unsigned DateTextSettingsGeneration() { return SettingsGeneration().load(std::memory_order_acquire); }

void SetDateTextSettings(DateTextSettings settings) {
  ProcessSettings() = std::move(settings);
  SettingsGeneration().fetch_add(1, std::memory_order_release);
}

DateTextSettings DateTextSettingsFrom(const platform::RegionalProfile& profile) {
  DateTextSettings settings;  // its initial values are the fallbacks
  settings.doubleByteSystem = platform::AnsiCodePage().HasLeadBytes();
  const int languageBits = static_cast<int>(profile.localeId & 0x3FF);
  settings.primaryLanguage = profile.localeId == 0 ? kLanguageEnglish : languageBits;

  if (profile.shortDate && profile.shortDate->size() <= kMaxShortDateLength)
    settings.shortDatePattern = *profile.shortDate;
  settings.shortDatePattern = TranslateShortDate(
      settings.shortDatePattern, NumberItem(profile.calendarType, 1), settings.primaryLanguage);

  settings.dateSeparator = OneByteItem(profile.dateSeparator, settings.dateSeparator);
  settings.timeSeparator = OneByteItem(profile.timeSeparator, settings.timeSeparator);
  settings.decimalSeparator = OneByteItem(profile.decimalSeparator, settings.decimalSeparator);
  if (profile.amDesignator) settings.amDesignator = *profile.amDesignator;
  if (profile.pmDesignator) settings.pmDesignator = *profile.pmDesignator;

  if (settings.doubleByteSystem) settings.eras = ReadEras(profile);
  return settings;
}

void LoadDateTextSettings() {
  const platform::RegionalProfile& profile = platform::ActiveRegionalProfile();
  platform::SetAnsiCodePage(profile.ansiCodePage);
  SetDateTextSettings(DateTextSettingsFrom(profile));
}
