// The general reading of date and time text under the settings: a date, a
// time, or both, with eras, designators and day names as the settings have them.
#include "text/date_time_text.h"

#include <cstdlib>
#include <optional>

#include "platform/clock.h"
#include "text/calendar.h"
#include "text/character_cursor.h"
#include "text/characters.h"
#include "text/date_text_detail.h"
#include "text/errors.h"

using date_text_detail::DateOrder;
using date_text_detail::DateOrderOf;
using date_text_detail::IsDigit;
using date_text_detail::kLanguageKorean;

namespace {

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

DateTime ParseDateTimeText(std::string_view text) {
  return Parse(text, CurrentDateTextSettings(), YearSource(std::nullopt));
}

DateTime ParseDateTimeText(std::string_view text, const DateTextSettings& settings,
                           int currentYear) {
  return Parse(text, settings, YearSource(currentYear));
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
