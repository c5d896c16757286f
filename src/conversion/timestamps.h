#pragma once
// A date column and a time column, meant as Japan Standard Time, as a UTC
// stamp yyyymmddThhmmssZ. The machine's time zone is never consulted.
#include <cstdint>
#include <string_view>

#include "text/ansi_text.h"
#include "text/date_time_text.h"

inline constexpr std::int64_t LocalToUtcHours = -9;

// Raises DateTimeTextError quoting date, one space, time.
AnsiText MakeUtcStamp(std::string_view dateText, std::string_view timeText);
DateTime ParseLocalDateTime(std::string_view dateText, std::string_view timeText);
DateTime AddHours(DateTime value, std::int64_t hours);
AnsiText FormatUtcStamp(DateTime value);
