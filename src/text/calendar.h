#pragma once
// Calendar arithmetic of DateTime in the proleptic Gregorian calendar, years 1
// to 9999: day value 0 is 1899-12-30, the fraction is the time of day.
#include "text/date_time_text.h"

// Day number of 1899-12-30 when 0001-01-01 is day 1.
inline constexpr int kDayNumberOfDayValueZero = 693594;

bool IsLeapYear(int year);
// 0 for a month outside 1..12.
int DaysInMonth(int year, int month);
// For a valid date only; the caller checks the ranges.
int DayValue(int year, int month, int day);
// A part of 24 hours, divided in floating point.
double TimeValue(int hour, int minute, int second, int millisecond);
// Days before 1899-12-30 keep their time of day as a fraction counted away
// from zero, so the time is subtracted there.
DateTime CombineDateAndTime(int dayValue, double timeValue);

struct CivilDate {
  int year = 0;
  int month = 0;
  int day = 0;
};
// The date of a day number (0001-01-01 is day 1); below 1 gives 0-0-0.
CivilDate DateFromDayNumber(long long dayNumber);
