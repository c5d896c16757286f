#include "text/date_time_text.h"

#include <array>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <optional>

#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/regional.h"
#include "text/calendar.h"
#include "text/character_cursor.h"
#include "text/characters.h"
#include "text/errors.h"
#include "text/text_settings.h"

namespace {

// ---- settings -------------------------------------------------------------

constexpr int kMaxEras = 7;
constexpr std::size_t kMaxShortDateLength = 255;
constexpr int kLanguageChinese = 0x04;
constexpr int kLanguageEnglish = 0x09;
constexpr int kLanguageJapanese = 0x11;
constexpr int kLanguageKorean = 0x12;

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

bool IsLetter(char c, char lower) { return c == lower || c == lower - 32; }

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

// ---- scanning -------------------------------------------------------------

// The current year is asked of the clock only when a text needs it.
class YearSource {
 public:
  explicit YearSource(std::optional<int> fixed) : year_(fixed) {}
  int Get() {
    if (!year_) year_ = platform::CurrentYear();
    return *year_;
  }

 private:
  std::optional<int> year_;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }


// Designators compare like the user's locale without case: ASCII letters fold,
// a double-byte character must match byte for byte (its trail byte may look
// like a letter but is none).
bool SameDesignator(std::string_view text, std::string_view designator) {
  if (text.size() != designator.size()) return false;
  CharacterCursor characters = SearchingCursor(designator);
  for (std::string_view d; characters.Next(d);) {
    const std::string_view t = text.substr(characters.Position() - d.size(), d.size());
    if (d.size() == 2 ? t != d : FoldAsciiCase(t.front()) != FoldAsciiCase(d.front())) return false;
  }
  return true;
}

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  bool AtEnd() const { return pos_ >= text_.size(); }

  void SkipSpaces() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }

  // Stops after the fourth significant digit; leading zeros count as digits.
  bool ReadNumber(int& value, int& digits) {
    SkipSpaces();
    value = 0;
    digits = 0;
    while (pos_ < text_.size() && IsDigit(text_[pos_]) && value < 1000) {
      value = value * 10 + (text_[pos_] - '0');
      ++digits;
      ++pos_;
    }
    return digits > 0;
  }

  bool ReadNumber(int& value) {
    int digits = 0;
    return ReadNumber(value, digits);
  }

  bool Expect(char c) {
    SkipSpaces();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // Without skipping spaces; an empty designator matches at once.
  bool DesignatorHere(std::string_view designator) const {
    // Most texts hold no designator: their first byte already differs. (A
    // double-byte designator must match byte for byte, which folding keeps.)
    if (!designator.empty() &&
        (pos_ >= text_.size() || FoldAsciiCase(text_[pos_]) != FoldAsciiCase(designator.front())))
      return false;
    const std::string_view rest = text_.substr(pos_);
    return SameDesignator(rest.substr(0, designator.size()), designator);
  }

  bool ExpectDesignator(std::string_view designator) {
    if (designator.empty()) return false;
    SkipSpaces();
    if (!DesignatorHere(designator)) return false;
    pos_ += designator.size();
    return true;
  }

  // Passes over a day name and the like up to the time: whole words until the
  // end or a designator.
  void SkipWordsToDesignator(const DateTextSettings& settings) {
    do {
      while (pos_ < text_.size() && text_[pos_] != ' ') ++pos_;
      SkipSpaces();
    } while (!AtEnd() && !DesignatorHere(settings.amDesignator) &&
             !DesignatorHere(settings.pmDesignator));
  }

  // Moves to the first digit, stepping over double-byte characters whole, and
  // gives the text passed over.
  std::string_view PassToDigit() {
    const std::size_t from = pos_;
    const CharacterCursor characters = SearchingCursor(text_);
    while (pos_ < text_.size() && !IsDigit(text_[pos_])) pos_ += characters.LengthAt(pos_);
    return text_.substr(from, pos_ - from);
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

DateOrder DateOrderOf(std::string_view pattern) {
  for (char c : pattern) {
    if (IsLetter(c, 'd')) return DateOrder::DayMonthYear;
    if (IsLetter(c, 'e') || IsLetter(c, 'y')) return DateOrder::YearMonthDay;
    if (IsLetter(c, 'm')) return DateOrder::MonthDayYear;
  }
  return DateOrder::MonthDayYear;
}

int EraOffsetOf(Scanner& scanner, const DateTextSettings& settings) {
  const std::string_view pattern = settings.shortDatePattern;
  if (!pattern.empty() && pattern.front() == 'g') {
    const AnsiText given = TrimBlanks(scanner.PassToDigit());
    for (const EraEntry& era : settings.eras)
      if (FindSubstring(given, era.name) > 0) return era.yearOffset;
    return 0;
  }
  if (!settings.eras.empty() && OccursOnCharacterStart("e", pattern))
    return settings.eras.front().yearOffset;
  return 0;
}

int EraYear(int year, int offset, const DateTextSettings& settings, YearSource& currentYear) {
  if (settings.primaryLanguage == kLanguageKorean) {
    if (year <= 99) year += (currentYear.Get() + std::abs(offset)) / 100 * 100;
    if (offset > 0) offset = -offset;
    return year + offset;
  }
  return year + offset - 1;  // the first year of an era is its year 1
}

bool ReadDate(Scanner& scanner, const DateTextSettings& settings, DateOrder order, YearSource& currentYear,
              int& dayValue) {
  const int eraOffset = EraOffsetOf(scanner, settings);
  const char separator = settings.dateSeparator;

  int n1 = 0, n1Digits = 0, n2 = 0;
  if (!scanner.ReadNumber(n1, n1Digits) || !scanner.Expect(separator) || !scanner.ReadNumber(n2))
    return false;

  int year = 0, month = 0, day = 0;
  if (scanner.Expect(separator)) {
    int n3 = 0, n3Digits = 0;
    if (!scanner.ReadNumber(n3, n3Digits)) return false;
    int yearDigits = n3Digits;
    switch (order) {
      case DateOrder::MonthDayYear:
        year = n3, month = n1, day = n2;
        break;
      case DateOrder::DayMonthYear:
        year = n3, month = n2, day = n1;
        break;
      case DateOrder::YearMonthDay:
        year = n1, month = n2, day = n3, yearDigits = n1Digits;
        break;
    }
    if (eraOffset > 0) {
      year = EraYear(year, eraOffset, settings, currentYear);
    } else if (yearDigits <= 2) {
      const int base = currentYear.Get() - settings.twoDigitYearWindow;
      year += base / 100 * 100;
      if (year < base) year += 100;
    }
  } else {
    year = currentYear.Get();
    if (order == DateOrder::DayMonthYear)
      day = n1, month = n2;
    else
      month = n1, day = n2;
  }

  scanner.Expect(separator);
  scanner.SkipSpaces();
  if (settings.doubleByteSystem && OccursOnCharacterStart("ddd", settings.shortDatePattern))
    scanner.SkipWordsToDesignator(settings);

  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return false;
  dayValue = DayValue(year, month, day);
  return true;
}

bool ReadDesignator(Scanner& scanner, const DateTextSettings& settings, int& baseHour) {
  // Every try below passes over spaces first ("AM" is never empty), and at the
  // end of the text none of them can match.
  scanner.SkipSpaces();
  if (scanner.AtEnd()) return false;
  if (scanner.ExpectDesignator(settings.amDesignator) || scanner.ExpectDesignator("AM")) {
    baseHour = 0;
    return true;
  }
  if (scanner.ExpectDesignator(settings.pmDesignator) || scanner.ExpectDesignator("PM")) {
    baseHour = 12;
    return true;
  }
  return false;
}

bool ReadTime(Scanner& scanner, const DateTextSettings& settings, double& timeValue) {
  int baseHour = -1;
  const bool leading = ReadDesignator(scanner, settings, baseHour);
  if (leading) scanner.SkipSpaces();

  int hour = 0, minute = 0, second = 0, millisecond = 0;
  if (!scanner.ReadNumber(hour)) return false;
  if (scanner.Expect(settings.timeSeparator)) {
    if (!scanner.ReadNumber(minute)) return false;
    if (scanner.Expect(settings.timeSeparator)) {
      if (!scanner.ReadNumber(second)) return false;
      // A plain count: .5 is five milliseconds.
      if (scanner.Expect(settings.decimalSeparator) && !scanner.ReadNumber(millisecond))
        return false;
    }
  }
  if (!leading) ReadDesignator(scanner, settings, baseHour);
  if (baseHour >= 0) {
    if (hour == 0 || hour > 12) return false;
    if (hour == 12) hour = 0;
    hour += baseHour;
  }
  scanner.SkipSpaces();

  if (hour > 23 || minute > 59 || second > 59 || millisecond > 999) return false;
  timeValue = TimeValue(hour, minute, second, millisecond);
  return true;
}

std::optional<DateTime> Read(std::string_view text, const DateTextSettings& settings, DateOrder order,
                             YearSource& currentYear) {
  Scanner scanner(text);
  int dayValue = 0;
  double timeValue = 0;
  if (ReadDate(scanner, settings, order, currentYear, dayValue)) {
    if (scanner.AtEnd()) return dayValue;
    if (ReadTime(scanner, settings, timeValue)) return CombineDateAndTime(dayValue, timeValue);
  }
  Scanner timeAlone(text);
  if (ReadTime(timeAlone, settings, timeValue) && timeAlone.AtEnd()) return timeValue;
  return std::nullopt;
}

DateTime Parse(std::string_view text, const DateTextSettings& settings, YearSource currentYear) {
  const DateOrder order = DateOrderOf(settings.shortDatePattern);
  if (const std::optional<DateTime> value = Read(text, settings, order, currentYear)) return *value;
  // A date that month-first settings refuse but the day-first order reads
  // (13/01/2024) comes from an export made under other settings: say so.
  const bool dayFirst =
      order == DateOrder::MonthDayYear && Read(text, settings, DateOrder::DayMonthYear, currentYear).has_value();
  throw DateTimeTextError(AnsiText(text), dayFirst ? DateTimeTextError::Hint::DayFirst : DateTimeTextError::Hint::None);
}

}  // namespace

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

DateTime ParseDateTimeText(std::string_view text) {
  return Parse(text, CurrentDateTextSettings(), YearSource(std::nullopt));
}

DateTime ParseDateTimeText(std::string_view text, const DateTextSettings& settings,
                           int currentYear) {
  return Parse(text, settings, YearSource(currentYear));
}

namespace {

// min..max digits at text[at], followed by the end of the text or by
// separator (never a digit); at moves past the digits.
bool ReadNumber(std::string_view text, std::size_t& at, std::size_t minDigits, std::size_t maxDigits, int& value) {
  const std::size_t from = at;
  value = 0;
  while (at < text.size() && at - from < maxDigits && IsDigit(text[at])) value = value * 10 + (text[at++] - '0');
  return at - from >= minDigits;
}

// The separator at text[at], and past it.
bool Skip(std::string_view text, std::size_t& at, char separator) {
  if (at >= text.size() || text[at] != separator) return false;
  ++at;
  return true;
}

// A designator the general reading could find where a number starts.
bool MayStartWithDigit(std::string_view designator) { return !designator.empty() && IsDigit(designator.front()); }

// The settings under which the general reading takes nothing else into
// account for such text: no era, no day names, nothing that looks like a
// digit or a blank.
bool CommonShapeApplies(const DateTextSettings& settings) {
  const char dateSeparator = settings.dateSeparator;
  const char timeSeparator = settings.timeSeparator;
  if (DateOrderOf(settings.shortDatePattern) != DateOrder::YearMonthDay) return false;
  if (!settings.shortDatePattern.empty() && settings.shortDatePattern.front() == 'g') return false;
  if (!settings.eras.empty() && OccursOnCharacterStart("e", settings.shortDatePattern)) return false;
  if (settings.doubleByteSystem && OccursOnCharacterStart("ddd", settings.shortDatePattern)) return false;
  if (IsDigit(dateSeparator) || IsDigit(timeSeparator) || dateSeparator == ' ' || timeSeparator == ' ' ||
      dateSeparator == '\0' || timeSeparator == '\0')
    return false;
  return !MayStartWithDigit(settings.amDesignator) && !MayStartWithDigit(settings.pmDesignator);
}

// CommonShapeApplies, for the process-wide settings or a run's copy of them,
// asked once per thread until the settings or the code page change: three
// stamps a record would otherwise read the pattern three times.
bool CommonShapeAppliesCached(const DateTextSettings& settings) {
  unsigned generation;
  const TextSettings* scoped = ScopedTextSettings();
  if (&settings == &ProcessSettings()) {
    generation = SettingsGeneration().load(std::memory_order_acquire);
  } else if (scoped && &settings == scoped->dates.get()) {
    generation = scoped->generation;
  } else {
    return CommonShapeApplies(settings);
  }
  struct Answer {
    const DateTextSettings* settings = nullptr;
    unsigned generation = 0;
    const platform::CodePage* page = nullptr;
    bool applies = false;
  };
  thread_local Answer answer;
  const platform::CodePage* page = &ActiveCodePage();
  if (answer.settings != &settings || answer.page != page || answer.generation != generation) {
    answer = {&settings, generation, page, CommonShapeApplies(settings)};
  }
  return answer.applies;
}

}  // namespace

bool ReadCommonShape(std::string_view dateText, std::string_view timeText, const DateTextSettings& settings,
                     LocalDateTime& out) {
  if (!CommonShapeAppliesCached(settings)) return false;
  const char dateSeparator = settings.dateSeparator;
  const char timeSeparator = settings.timeSeparator;
  LocalDateTime t;
  std::size_t at = 0;
  if (!ReadNumber(dateText, at, 4, 4, t.year) || !Skip(dateText, at, dateSeparator) ||
      !ReadNumber(dateText, at, 1, 2, t.month) || !Skip(dateText, at, dateSeparator) ||
      !ReadNumber(dateText, at, 1, 2, t.day) || at != dateText.size())
    return false;
  if (t.year < 1900 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month)) return false;

  if (!timeText.empty()) {
    at = 0;
    if (!ReadNumber(timeText, at, 1, 2, t.hour) || !Skip(timeText, at, timeSeparator) ||
        !ReadNumber(timeText, at, 2, 2, t.minute))
      return false;
    if (at != timeText.size() &&
        (!Skip(timeText, at, timeSeparator) || !ReadNumber(timeText, at, 2, 2, t.second) || at != timeText.size()))
      return false;
    if (t.hour > 23 || t.minute > 59 || t.second > 59) return false;
  }
  out = t;
  return true;
}

bool OccursOnCharacterStart(std::string_view letters, std::string_view text) {
  if (letters.empty()) return false;
  // Most patterns hold the letters nowhere: one plain search settles those.
  if (text.find(letters) == std::string_view::npos) return false;
  text = text.substr(0, text.find('\0'));
  const CharacterCursor characters = SearchingCursor(text);
  for (std::size_t i = 0; i < text.size(); i += characters.LengthAt(i)) {
    if (text[i] == letters.front() && text.substr(i, letters.size()) == letters) return true;
  }
  return false;
}


void LoadDateTextSettings() {
  const platform::RegionalProfile& profile = platform::ActiveRegionalProfile();
  platform::SetAnsiCodePage(profile.ansiCodePage);
  SetDateTextSettings(DateTextSettingsFrom(profile));
}
