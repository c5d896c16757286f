#include "text/date_time_format.h"

#include <cmath>

#include "text/calendar.h"
#include "text/character_cursor.h"
#include "text/text_settings.h"

namespace {

constexpr long long kMsPerDay = 86'400'000;
constexpr std::size_t kMaxResult = 256;
// Values no calendar holds are clamped so that the arithmetic stays defined:
// a thousand million days either way is far past year 9999.
constexpr long double kMaxCount = 1e9L * kMsPerDay;

struct Fields {
  CivilDate date;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Rounds once, to the nearest millisecond, so that a value a hair below a
// whole second never shows the second before it.
Fields TakeApart(DateTime value) {
  long double product = static_cast<long double>(value) * kMsPerDay;  // 64-bit mantissa
  if (std::isnan(product)) product = 0;
  if (std::fabs(product) > kMaxCount) product = std::copysign(kMaxCount, product);
  const long long count = static_cast<long long>(std::nearbyint(product));  // ties to even
  const long long magnitude = count < 0 ? -count : count;
  const long long day = count < 0 ? -(magnitude / kMsPerDay) : magnitude / kMsPerDay;
  const long long ms = magnitude % kMsPerDay;

  Fields fields;
  fields.date = DateFromDayNumber(day + kDayNumberOfDayValueZero);
  fields.hour = static_cast<int>(ms / 3'600'000);
  fields.minute = static_cast<int>(ms / 60'000 % 60);
  fields.second = static_cast<int>(ms % 60'000 / 1'000);
  fields.millisecond = static_cast<int>(ms % 1'000);
  return fields;
}

class Output {
 public:
  void Append(char c) {
    if (size_ < kMaxResult) buffer_[size_++] = c;
  }
  void Append(std::string_view bytes) {
    for (char c : bytes) Append(c);
  }
  // A double-byte character that no longer fits is left out whole rather than
  // leaving a lone lead byte.
  void AppendCharacter(std::string_view bytes) {
    if (size_ + bytes.size() <= kMaxResult) Append(bytes);
  }
  void AppendNumber(long long value, int minDigits) {
    char digits[24];
    int n = 0;
    unsigned long long v = value < 0 ? 0ULL - static_cast<unsigned long long>(value) : value;
    do {
      digits[n++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v != 0);
    while (n < minDigits) digits[n++] = '0';
    if (value < 0) Append('-');
    while (n > 0) Append(digits[--n]);
  }
  AnsiText Text() const { return AnsiText(buffer_, size_); }

 private:
  char buffer_[kMaxResult];
  std::size_t size_ = 0;
};

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Count 1 writes the number as it is, any larger count two digits.
int Width(std::size_t count) { return count == 1 ? 1 : 2; }

}  // namespace

AnsiText FormatDateTimeText(std::string_view pattern, DateTime value) {
  return FormatDateTimeText(pattern, value, CurrentDateTextSettings());
}

AnsiText FormatDateTimeText(std::string_view pattern, DateTime value,
                            const DateTextSettings& settings) {
  const Fields f = TakeApart(value);
  const CharacterCursor characters = SearchingCursor(pattern);
  Output out;
  char lastLetter = 0;  // so that m after h reads as minutes
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (characters.LengthAt(i) == 2) {
      out.AppendCharacter(pattern.substr(i, 2));
      i += 2;
      lastLetter = 0;
      continue;
    }
    if (c == '"' || c == '\'') {
      std::size_t end = i + 1;
      while (end < pattern.size() && pattern[end] != c) end += characters.LengthAt(end);
      out.Append(pattern.substr(i + 1, end - i - 1));
      i = end < pattern.size() ? end + 1 : end;
      continue;
    }
    if (!IsAsciiLetter(c)) {
      if (c == '/')
        out.Append(settings.dateSeparator);
      else if (c == ':')
        out.Append(settings.timeSeparator);
      else
        out.Append(c);
      ++i;
      continue;
    }

    std::size_t count = 1;
    while (i + count < pattern.size() && pattern[i + count] == c) ++count;
    char token = FoldAsciiCase(c);
    if (token == 'M' && lastLetter == 'H') token = 'N';
    lastLetter = token;
    switch (token) {
      case 'Y':
        if (count <= 2)
          out.AppendNumber(f.date.year % 100, 2);
        else
          out.AppendNumber(f.date.year, 4);
        break;
      // The settings hold no month or day names: longer tokens give the number.
      case 'M':
        out.AppendNumber(f.date.month, Width(count));
        break;
      case 'D':
        out.AppendNumber(f.date.day, Width(count));
        break;
      case 'H':
        out.AppendNumber(f.hour, Width(count));
        break;
      case 'N':
        out.AppendNumber(f.minute, Width(count));
        break;
      case 'S':
        out.AppendNumber(f.second, Width(count));
        break;
      case 'Z':
        out.AppendNumber(f.millisecond, count == 1 ? 1 : 3);
        break;
      // The settings hold no time patterns: the usual short and long forms.
      case 'T':
        out.AppendNumber(f.hour, 1);
        out.Append(settings.timeSeparator);
        out.AppendNumber(f.minute, 2);
        if (count > 1) {
          out.Append(settings.timeSeparator);
          out.AppendNumber(f.second, 2);
        }
        break;
      default:  // not a pattern letter: copied as it is, one byte
        out.Append(c);
        count = 1;
        break;
    }
    i += count;
  }
  return out.Text();
}
