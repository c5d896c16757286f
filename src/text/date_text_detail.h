#pragma once
// What the three parts of the date text rules share: the settings
// (date_text_settings.cpp), the general reading (date_time_text.cpp) and the
// common shape (date_common_shape.cpp). For those files only.
#include <string_view>

#include "text/date_time_text.h"

namespace date_text_detail {

inline constexpr int kLanguageChinese = 0x04;
inline constexpr int kLanguageEnglish = 0x09;
inline constexpr int kLanguageJapanese = 0x11;
inline constexpr int kLanguageKorean = 0x12;

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsLetter(char c, char lower) { return c == lower || c == lower - 32; }

enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

inline DateOrder DateOrderOf(std::string_view pattern) {
  for (char c : pattern) {
    if (IsLetter(c, 'd')) return DateOrder::DayMonthYear;
    if (IsLetter(c, 'e') || IsLetter(c, 'y')) return DateOrder::YearMonthDay;
    if (IsLetter(c, 'm')) return DateOrder::MonthDayYear;
  }
  return DateOrder::MonthDayYear;
}

// The process-wide settings themselves, never a run's copy of them.
const DateTextSettings& ProcessDateTextSettings();

}  // namespace date_text_detail
