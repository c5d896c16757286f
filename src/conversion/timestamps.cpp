#include "conversion/timestamps.h"

#include <algorithm>

#include "text/date_time_format.h"

namespace {

// yyyymmdd, T, hhmmss, Z: the letters T and Z are pattern letters, hence quoted.
constexpr std::string_view kStampPattern = "yyyymmdd\"T\"hhmmss\"Z\"";

}  // namespace

AnsiText MakeUtcStamp(std::string_view dateText, std::string_view timeText) {
  return FormatUtcStamp(AddHours(ParseLocalDateTime(dateText, timeText), LocalToUtcHours));
}

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

AnsiText FormatUtcStamp(DateTime value) { return FormatDateTimeText(kStampPattern, value); }
