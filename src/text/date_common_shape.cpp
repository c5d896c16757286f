// The fast reading of the common shape of date and time columns (see
// ReadCommonShape), and when the settings allow it.
#include "text/calendar.h"
#include "text/date_text_detail.h"
#include "text/date_time_text.h"
#include "text/text_settings.h"

using date_text_detail::DateOrder;
using date_text_detail::DateOrderOf;
using date_text_detail::IsDigit;

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
  if (&settings == &date_text_detail::ProcessDateTextSettings()) {
    generation = DateTextSettingsGeneration();
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
