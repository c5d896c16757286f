#include "text/calendar.h"

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int DayValue(int year, int month, int day) {
  // Days of the year before the first of each month, February taken as 28.
  static constexpr int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  int dayOfYear = day + kDaysBefore[month - 1] + (month > 2 && IsLeapYear(year) ? 1 : 0);
  const int y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400 + dayOfYear - kDayNumberOfDayValueZero;
}

double TimeValue(int hour, int minute, int second, int millisecond) {
  const long long ms = hour * 3'600'000LL + minute * 60'000LL + second * 1'000LL + millisecond;
  return static_cast<double>(ms) / 86'400'000.0;
}

DateTime CombineDateAndTime(int dayValue, double timeValue) {
  return dayValue >= 0 ? dayValue + timeValue : dayValue - timeValue;
}

CivilDate DateFromDayNumber(long long dayNumber) {
  if (dayNumber < 1) return {};
  // Counted in 400-year cycles from 0000-03-01, so the leap day ends a year.
  const long long z = dayNumber + 305;  // days since 0000-03-01
  const long long era = z / 146'097;
  const long long dayOfEra = z - era * 146'097;
  const long long yearOfEra =
      (dayOfEra - dayOfEra / 1'460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long long shiftedMonth = (5 * dayOfYear + 2) / 153;  // 0 is March
  CivilDate date;
  date.day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  date.month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  date.year = static_cast<int>(yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0));
  return date;
}
