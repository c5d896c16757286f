#pragma once
// A date column and a time column, wall-clock times of the export's zone, as
// a UTC stamp yyyymmddThhmmssZ. The zone is the run's, never the machine's;
// Japan's is the fixed nine-hour shift.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/ansi_text.h"
#include "text/date_time_text.h"
#include "text/time_zone.h"

inline constexpr std::int64_t LocalToUtcHours = -9;

DateTime ParseLocalDateTime(std::string_view dateText, std::string_view timeText);
DateTime AddHours(DateTime value, std::int64_t hours);
AnsiText FormatUtcStamp(DateTime value);

// Seconds since 1970 to stamp an output file with (SOURCE_DATE_EPOCH, else the
// clock now). Raises PlainError, quoting the value, when the variable is not a
// whole number of seconds up to the end of the year 9999.
std::int64_t OutputTimestamp();

// Room for any stamp: the year takes four digits, more only far past 9999.
inline constexpr std::size_t kUtcStampRoom = 24;

// Writes the bytes of FormatUtcStamp(value) to out (kUtcStampRoom bytes of
// room) without building a string, and returns how many it wrote.
std::size_t WriteUtcStamp(DateTime value, char* out);
// Writes the stamp of the columns read in zone: columns in the common shape of
// the current settings with integers only, any other text through the general
// reading (which raises DateTimeTextError quoting date, one space, time).
std::size_t WriteLocalTimeAsUtcStamp(std::string_view dateText, std::string_view timeText, const TimeZone& zone,
                                     char* out);

// The stamp of the columns read in zone, kept on the stack.
class UtcStamp {
 public:
  UtcStamp(std::string_view dateText, std::string_view timeText, const TimeZone& zone)
      : size_(WriteLocalTimeAsUtcStamp(dateText, timeText, zone, bytes_)) {}
  std::string_view Text() const { return {bytes_, size_}; }

 private:
  char bytes_[kUtcStampRoom];
  std::size_t size_;
};
