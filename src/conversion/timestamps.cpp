#include "conversion/timestamps.h"

#include <algorithm>
#include <cmath>

#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "text/calendar.h"
#include "text/errors.h"

namespace {

constexpr long long kMsPerDay = 86'400'000;
// The general formatter clamps values no calendar holds to this many
// milliseconds either way; the stamp must do the same.
constexpr long double kMaxCount = 1e9L * kMsPerDay;

// The value as a whole number of milliseconds, rounded once as the general
// formatter rounds it: the product in extended precision, then to the nearest
// whole number, a half to even. rint rounds like nearbyint in the default
// rounding mode without saving and restoring the floating-point environment.
long long MillisecondCount(DateTime value) {
  long double product = static_cast<long double>(value) * kMsPerDay;
  if (std::isnan(product)) product = 0;
  if (std::fabs(product) > kMaxCount) product = std::copysign(kMaxCount, product);
  return static_cast<long long>(std::rint(product));
}

char* TwoDigits(char* out, int value) {
  out[0] = static_cast<char>('0' + value / 10);
  out[1] = static_cast<char>('0' + value % 10);
  return out + 2;
}

// At least four digits; years past 9999 only exist for absurd values.
char* YearDigits(char* out, int year) {
  if (year >= 1000 && year <= 9999) {
    out = TwoDigits(out, year / 100);
    return TwoDigits(out, year % 100);
  }
  char digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + year % 10);
    year /= 10;
  } while (year != 0);
  while (n < 4) digits[n++] = '0';
  while (n > 0) *out++ = digits[--n];
  return out;
}

char* WriteStamp(char* out, int year, int month, int day, int hour, int minute, int second) {
  char* p = YearDigits(out, year);
  p = TwoDigits(p, month);
  p = TwoDigits(p, day);
  *p++ = 'T';
  p = TwoDigits(p, hour);
  p = TwoDigits(p, minute);
  p = TwoDigits(p, second);
  *p++ = 'Z';
  return p;
}

constexpr int kSecondsPerDay = 86'400;

// The wall clock as the general reading gives it, taken apart as the
// formatter takes a value apart; the milliseconds never reach a stamp.
LocalDateTime TakenApart(std::string_view dateText, std::string_view timeText) {
  const long long count = MillisecondCount(ParseLocalDateTime(dateText, timeText));
  const long long magnitude = count < 0 ? -count : count;
  const long long day = count < 0 ? -(magnitude / kMsPerDay) : magnitude / kMsPerDay;
  const int second = static_cast<int>(magnitude % kMsPerDay / 1'000);
  const CivilDate date = DateFromDayNumber(day + kDayNumberOfDayValueZero);
  return {date.year, date.month, date.day, second / 3'600, second / 60 % 60, second % 60};
}

// The wall clock less the zone's offset there, moved by at most a day (no
// zone is a day off UTC). A stamp holds the years 1 to 9999: a time at the
// calendar's very edge that the zone moves past it is an error, never a stamp
// no reader takes.
[[noreturn]] void OutsideTheStamp(std::string_view dateText, std::string_view timeText, const TimeZone& zone) {
  AnsiText joined(dateText);
  joined.append(1, ' ').append(timeText);
  throw PlainError(MessagePieces{
      {MessagePiece::Source::Fixed, "'"},
      {MessagePiece::Source::Quoted, joined},
      {MessagePiece::Source::Fixed,
       platform::Cp932FromUtf8("' は " + zone.Name() + " から UTC にすると 1 年から 9999 年の外になります")}});
}

std::size_t WriteZoneStamp(LocalDateTime t, const TimeZone& zone, std::string_view dateText,
                           std::string_view timeText, char* out) {
  if (t.year < 1) OutsideTheStamp(dateText, timeText, zone);
  constexpr std::int64_t kDayValueOf1970 = 25'569;
  const int localSecond = t.hour * 3'600 + t.minute * 60 + t.second;
  const std::int64_t local =
      (DayValue(t.year, t.month, t.day) - kDayValueOf1970) * std::int64_t{kSecondsPerDay} + localSecond;
  int second = localSecond - static_cast<int>(local - zone.UtcFromLocal(local));
  if (second < 0) {
    second += kSecondsPerDay;
    if (--t.day == 0) {
      if (--t.month == 0) {
        t.month = 12;
        --t.year;
      }
      t.day = t.year < 1 ? 31 : DaysInMonth(t.year, t.month);
    }
  } else if (second >= kSecondsPerDay) {
    second -= kSecondsPerDay;
    if (++t.day > DaysInMonth(t.year, t.month)) {
      t.day = 1;
      if (++t.month == 13) {
        t.month = 1;
        ++t.year;
      }
    }
  }
  if (t.year < 1 || t.year > 9999) OutsideTheStamp(dateText, timeText, zone);
  return static_cast<std::size_t>(
      WriteStamp(out, t.year, t.month, t.day, second / 3'600, second / 60 % 60, second % 60) - out);
}

}  // namespace

DateTime ParseLocalDateTime(std::string_view dateText, std::string_view timeText) {
  // Columns are short; join them on the stack and spare the allocation.
  char buffer[128];
  const std::size_t size = dateText.size() + 1 + timeText.size();
  if (size > sizeof buffer) {
    AnsiText joined;
    joined.reserve(size);
    joined.append(dateText).append(1, ' ').append(timeText);
    return ParseDateTimeText(joined);
  }
  char* end = std::copy(dateText.begin(), dateText.end(), buffer);
  *end++ = ' ';
  end = std::copy(timeText.begin(), timeText.end(), end);
  return ParseDateTimeText(std::string_view(buffer, size));
}

DateTime AddHours(DateTime value, std::int64_t hours) {
  return (value * 24 + static_cast<double>(hours)) / 24;
}

AnsiText FormatUtcStamp(DateTime value) {
  char bytes[kUtcStampRoom];
  return AnsiText(bytes, WriteUtcStamp(value, bytes));
}

// The fixed pattern yyyymmdd"T"hhmmss"Z" written directly: the value is taken
// apart exactly as the general formatter takes it apart (a negative count
// keeps its time of day counted away from zero).
std::size_t WriteUtcStamp(DateTime value, char* out) {
  const long long count = MillisecondCount(value);
  const long long magnitude = count < 0 ? -count : count;
  const long long day = count < 0 ? -(magnitude / kMsPerDay) : magnitude / kMsPerDay;
  const long long ms = magnitude % kMsPerDay;
  const CivilDate date = DateFromDayNumber(day + kDayNumberOfDayValueZero);

  char* p = YearDigits(out, date.year);
  p = TwoDigits(p, date.month);
  p = TwoDigits(p, date.day);
  *p++ = 'T';
  p = TwoDigits(p, static_cast<int>(ms / 3'600'000));
  p = TwoDigits(p, static_cast<int>(ms / 60'000 % 60));
  p = TwoDigits(p, static_cast<int>(ms % 60'000 / 1'000));
  *p++ = 'Z';
  return static_cast<std::size_t>(p - out);
}

std::size_t WriteLocalTimeAsUtcStamp(std::string_view dateText, std::string_view timeText, const TimeZone& zone,
                                     char* out) {
  LocalDateTime t;
  const bool common = ReadCommonShape(dateText, timeText, CurrentDateTextSettings(), t);
  if (!zone.IsJapan())
    return WriteZoneStamp(common ? t : TakenApart(dateText, timeText), zone, dateText, timeText, out);
  if (!common) return WriteUtcStamp(AddHours(ParseLocalDateTime(dateText, timeText), LocalToUtcHours), out);
  // The fixed shift, by whole hours, within the years 1899..9999.
  t.hour += static_cast<int>(LocalToUtcHours);
  if (t.hour < 0) {
    t.hour += 24;
    if (--t.day == 0) {
      if (--t.month == 0) {
        t.month = 12;
        --t.year;
      }
      t.day = DaysInMonth(t.year, t.month);
    }
  }
  return static_cast<std::size_t>(WriteStamp(out, t.year, t.month, t.day, t.hour, t.minute, t.second) - out);
}

std::int64_t OutputTimestamp() {
  const platform::OutputStamp stamp = platform::ReadOutputTimestamp();
  if (stamp.valid) return stamp.seconds;
  // The value is the system's text, shown as a path is.
  throw PlainError(MessagePieces{
      {MessagePiece::Source::Fixed, platform::Cp932FromUtf8("環境変数 SOURCE_DATE_EPOCH の値 '")},
      {MessagePiece::Source::Quoted, platform::DisplayPath(stamp.value)},
      {MessagePiece::Source::Fixed,
       platform::Cp932FromUtf8("' は 1970 年 1 月 1 日からの秒数 (0 から " + std::to_string(platform::kLastSecondOf9999) +
                               " まで) ではありません")}});
}
