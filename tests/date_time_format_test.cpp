#include "text/date_time_format.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "platform/code_page.h"
#include "support/test_support.h"
#include "text/calendar.h"

namespace {

using testing_support::Sjis;

constexpr const char* kStamp = "yyyymmdd\"T\"hhmmss\"Z\"";

double At(int y, unsigned m, unsigned d, int h = 0, int n = 0, double s = 0) {
  using namespace std::chrono;
  const long days =
      (sys_days{year{y} / month{m} / day{d}} - sys_days{year{1899} / December / 30}).count();
  const double time = (h * 3600.0 + n * 60.0 + s) / 86'400.0;
  return days >= 0 ? days + time : days - time;
}

class FormatTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetAnsiCodePage(932); }
};

TEST_F(FormatTest, StampPatternRoundsOnceToTheMillisecond) {
  const double tenOClock = At(2009, 1, 2, 10);
  const double shifted = (tenOClock * 24 - 9) / 24;
  // Only meaningful while the shifted value lies below 01:00:00.
  ASSERT_LT(std::floor(static_cast<long double>(shifted) * 86'400'000), At(2009, 1, 2, 1) * 86'400'000);

  struct Row {
    const char* name;
    double value;
    const char* stamp;
  };
  const Row rows[] = {
      {"plain", At(2009, 1, 2, 10, 30), "20090102T103000Z"},
      {"milliseconds never carry", At(2009, 1, 2, 10, 30, 15.7), "20090102T103015Z"},
      {"rounds up across the hour", At(2009, 1, 2, 10, 59, 59.9996), "20090102T110000Z"},
      {"rounds up across the year", At(2009, 12, 31, 23, 59, 59.9996), "20100101T000000Z"},
      {"a hair below 01:00 after the shift", shifted, "20090102T010000Z"},
      {"time alone", 0.4375, "18991230T103000Z"},
      {"negative time counts away from zero", -1.25, "18991229T060000Z"},
      {"minus a fraction is still day zero", -(1.0 / 48), "18991230T003000Z"},
      {"first day", At(1, 1, 1, 0, 0, 1), "00010101T000001Z"},
      {"last millisecond", At(9999, 12, 31, 23, 59, 59.999), "99991231T235959Z"},
      {"before the calendar", -693594.5, "00000000T120000Z"},
      {"past year 9999", At(9999, 12, 31) + 1, "100000101T000000Z"},
      {"not a number", std::nan(""), "18991230T000000Z"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(FormatDateTimeText(kStamp, r.value), r.stamp);
  }
  EXPECT_FALSE(FormatDateTimeText(kStamp, std::numeric_limits<double>::infinity()).empty());
  EXPECT_FALSE(FormatDateTimeText(kStamp, -std::numeric_limits<double>::infinity()).empty());
}

TEST_F(FormatTest, PatternLetters) {
  DateTextSettings s;
  s.dateSeparator = '-';
  s.timeSeparator = '.';
  const double v = At(2009, 1, 2, 7, 5, 3.04);
  struct Row {
    const char* name;
    std::string pattern;
    std::string out;
  };
  const Row rows[] = {
      {"separators replaced", "yyyy/mm/dd hh:nn:ss", "2009-01-02 07.05.03"},
      {"short forms", "y m d h n s", "09 1 2 7 5 3"},
      {"three y are four digits", "yyy", "2009"},
      {"upper case letters", "YYYY MM DD HH NN SS", "2009 01 02 07 05 03"},
      {"case change splits tokens", "yyYY", "0909"},
      {"m after h is minutes", "h:m", "7.5"},
      {"m after h across quotes and punctuation", "hh' o''clock' mm", "07 oclock 05"},
      {"m after another letter is the month", "hh dd mm", "07 02 01"},
      {"m at the start is the month", "mm hh", "01 07"},
      {"double-byte character forgets the h", "hh" + Sjis("時") + "mm", "07" + Sjis("時") + "01"},
      {"trail byte h is no token", Sjis("ド") + "mm", Sjis("ド") + "01"},
      {"quoted text copied", "\"T\"'Z'", "TZ"},
      {"unterminated quote runs to the end", "yy\"abc", "09abc"},
      {"long tokens capped", "hhhh nnn sss ddd mmm", "07 05 03 02 01"},
      {"milliseconds", "z zzz", "40 040"},
      {"time forms", "t|tt", "7.05|7.05.03"},
      {"other letters and bytes copied", "x!q%", "x!q%"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(FormatDateTimeText(r.pattern, v, s), r.out);
  }
}

TEST_F(FormatTest, ResultHoldsAtMost256Bytes) {
  DateTextSettings s;
  EXPECT_EQ(FormatDateTimeText(std::string(300, 'x'), 0, s), std::string(256, 'x'));
  EXPECT_EQ(FormatDateTimeText(std::string(250, 'x') + "yyyymmdd", 0, s),
            std::string(250, 'x') + "189912");
  // A double-byte character that no longer fits is left out whole.
  EXPECT_EQ(FormatDateTimeText(std::string(255, 'x') + Sjis("年"), 0, s), std::string(255, 'x'));
}

TEST_F(FormatTest, ArbitraryPatternsAndValuesStayInBounds) {
  const std::string pieces[] = {"y", "yyyy", "m", "mm", "d", "h", "n", "s", "z", "t", "\"", "'",
                                "/", ":", "x", "\x81", Sjis("年"), std::string(1, '\0')};
  const double values[] = {0, -0.5, 39815.99999999, -693594.9, 2958465.99999, 1e300, -1e300,
                           std::numeric_limits<double>::denorm_min()};
  unsigned seed = 7;
  for (int i = 0; i < 20000; ++i) {
    std::string pattern;
    for (int n = (seed >> 9) % 40; n > 0; --n) {
      seed = seed * 1103515245 + 12345;
      pattern += pieces[(seed >> 16) % std::size(pieces)];
    }
    seed = seed * 1103515245 + 12345;
    EXPECT_LE(FormatDateTimeText(pattern, values[i % std::size(values)]).size(), 256u);
  }
}

// The fast day-number conversion against a day-by-day count over every day of
// the calendar, and the day values it must invert.
TEST(Calendar, EveryDayFromYear1To9999) {
  int y = 1, m = 1, d = 1;
  for (long long number = 1; y <= 9999; ++number) {
    const CivilDate date = DateFromDayNumber(number);
    if (date.year != y || date.month != m || date.day != d) {
      FAIL() << "day " << number << " gave " << date.year << "-" << date.month << "-" << date.day
             << ", expected " << y << "-" << m << "-" << d;
    }
    if (DayValue(y, m, d) != number - kDayNumberOfDayValueZero)
      FAIL() << "day value of " << y << "-" << m << "-" << d;
    if (++d > DaysInMonth(y, m)) {
      d = 1;
      if (++m > 12) m = 1, ++y;
    }
  }
  EXPECT_EQ(DateFromDayNumber(0).year, 0);
  EXPECT_EQ(DayValue(2009, 1, 2), 39815);
}

}  // namespace
