#include "conversion/timestamps.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/regional.h"
#include "support/harness.h"
#include "support/test_support.h"
#include "text/date_time_format.h"
#include "text/errors.h"

namespace {

using testing_support::Sjis;

struct Row {
  const char* name;
  std::string date;
  std::string time;
  const char* stamp;
};

const Row kJapaneseRows[] = {
    {"plain", "2008/01/15", "10:00:00", "20080115T010000Z"},
    {"nine o'clock is midnight", "2008/01/15", "9:00:00", "20080115T000000Z"},
    {"back to the day before", "2008/01/15", "8:30:00", "20080114T233000Z"},
    {"last second of the day", "2008/01/15", "23:59:59", "20080115T145959Z"},
    {"back to the year before", "2008/01/01", "0:00:00", "20071231T150000Z"},
    {"back to a leap day", "2008/03/01", "5:00:00", "20080229T200000Z"},
    {"back to February 28", "2007/03/01", "5:00:00", "20070228T200000Z"},
    {"no leading zeros", "2008/1/5", "9:05:07", "20080105T000507Z"},
    {"no seconds", "2008/01/15", "10:00", "20080115T010000Z"},
    {"fraction of a second dropped", "2008/01/15", "10:00:00.999", "20080115T010000Z"},
    {"two-digit year", "08/01/15", "10:00:00", "20080115T010000Z"},
    {"designator", "2008/01/15", Sjis("午後 1:00"), "20080115T040000Z"},
    {"time alone", "", "10:00:00", "18991230T010000Z"},
    {"time alone before nine", "", "8:30:00", "18991230T003000Z"},
    {"date alone", "2008/01/15", "", "20080114T150000Z"},
    // Below day 0 the shifted value's fraction counts away from zero.
    {"before 1899-12-30", "1899/12/29", "10:00:00", "18991229T190000Z"},
    {"long column", "2008/01/15" + std::string(150, ' '), "10:00:00", "20080115T010000Z"},
};

class StampTest : public ::testing::Test {
 protected:
  void SetUp() override { Use("ja-JP"); }
  void TearDown() override {
    platform::ClearRegionalProfileChoice();
    platform::SetCurrentYearForTesting(std::nullopt);
    platform::SetAnsiCodePage(932);
  }
  static void Use(const char* profile) {
    ASSERT_TRUE(platform::UseRegionalProfile(profile));
    LoadDateTextSettings();
    platform::SetCurrentYearForTesting(2026);
  }
  static void ExpectNotDate(std::string_view date, std::string_view time, std::string_view quoted) {
    try {
      MakeUtcStamp(date, time);
      ADD_FAILURE() << "accepted '" << date << "' '" << time << "'";
    } catch (const DateTimeTextError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(quoted) + Sjis("' は日付または時刻ではありません"));
    }
  }
};

TEST_F(StampTest, JapaneseSettings) {
  for (const Row& r : kJapaneseRows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(MakeUtcStamp(r.date, r.time), r.stamp);
  }
}

TEST_F(StampTest, OtherSettings) {
  Use("en-US");
  EXPECT_EQ(MakeUtcStamp("1/15/2008", "3:00:00 PM"), "20080115T060000Z");
  EXPECT_EQ(MakeUtcStamp("1/15/08", "12:30 AM"), "20080114T153000Z");
  Use("ja-JP-u-ca-japanese");
  EXPECT_EQ(MakeUtcStamp(Sjis("平成20/01/15"), "10:00:00"), "20080115T010000Z");
  EXPECT_EQ(MakeUtcStamp(Sjis("令和8/1/1"), "8:00"), "20251231T230000Z");
}

TEST_F(StampTest, UnreadableTextQuotesTheJoinedText) {
  ExpectNotDate("2008/02/30", "10:00:00", "2008/02/30 10:00:00");
  ExpectNotDate("", "", " ");
  ExpectNotDate("2008/01/15", "x", "2008/01/15 x");
  const std::string longDate = "2008/02/30" + std::string(200, ' ');
  ExpectNotDate(longDate, "1:00", longDate + " 1:00");
}

// The shift is a fixed nine hours: the machine's zone and its daylight saving
// rules never show in a stamp.
TEST_F(StampTest, SameStampInEveryTimeZone) {
  const char* saved = std::getenv("TZ");
  const std::optional<std::string> original = saved ? std::optional<std::string>(saved) : std::nullopt;
  const Row summer[] = {
      {"New York summer", "2008/07/04", "12:00:00", "20080704T030000Z"},
      {"New York switch night", "2008/03/09", "2:30:00", "20080308T173000Z"},
      {"Lord Howe half hour", "2008/10/05", "2:15:00", "20081004T171500Z"},
  };
  std::vector<Row> rows(std::begin(kJapaneseRows), std::end(kJapaneseRows));
  rows.insert(rows.end(), std::begin(summer), std::end(summer));
  for (const char* zone : {"UTC0", "America/New_York", "Asia/Tokyo", "Australia/Lord_Howe"}) {
    SCOPED_TRACE(zone);
    setenv("TZ", zone, 1);
    tzset();
    for (const Row& r : rows) {
      SCOPED_TRACE(r.name);
      EXPECT_EQ(MakeUtcStamp(r.date, r.time), r.stamp);
    }
  }
  original ? setenv("TZ", original->c_str(), 1) : unsetenv("TZ");
  tzset();
}

TEST_F(StampTest, EveryHourOfADayAcrossAMonthEnd) {
  for (int hour = 0; hour < 24; ++hour) {
    SCOPED_TRACE(hour);
    char expected[20];
    std::snprintf(expected, sizeof expected, "%sT%02d1500Z", hour < 9 ? "20080229" : "20080301",
                  (hour + 15) % 24);
    EXPECT_EQ(MakeUtcStamp("2008/03/01", std::to_string(hour) + ":15"), expected);
  }
}

// The stamp is written directly, without the general pattern formatter; the
// formatter with the stamp pattern is its slow twin and must agree on every
// value: rounding to the millisecond, negative values, far-off years.
class DirectStampTest : public StampTest {
 protected:
  static std::string General(double value) { return FormatDateTimeText("yyyymmdd\"T\"hhmmss\"Z\"", value); }
  static void ExpectSame(double value) {
    const std::string direct = FormatUtcStamp(value);
    const std::string general = General(value);
    if (direct != general) ADD_FAILURE() << "value " << std::hexfloat << value << ": " << direct << " vs " << general;
  }
  // The value itself and its closest neighbours on both sides.
  static void ExpectSameAround(double value) {
    ExpectSame(value);
    double up = value, down = value;
    for (int i = 0; i < 3; ++i) {
      up = std::nextafter(up, std::numeric_limits<double>::infinity());
      down = std::nextafter(down, -std::numeric_limits<double>::infinity());
      ExpectSame(up);
      ExpectSame(down);
    }
  }
};

TEST_F(DirectStampTest, KnownValues) {
  struct Case {
    const char* name;
    double value;
    const char* stamp;
  };
  const double msShort = 0.0002 / 86'400'000;
  const Case cases[] = {
      {"day value zero", 0.0, "18991230T000000Z"},
      {"half past ten", 0.4375, "18991230T103000Z"},
      {"a hair below a whole second", 39815.0 + (11 * 3600 - 0.0004) / 86400, "20090102T110000Z"},
      {"a hair below a new year", 40179.0 - 0.0004 / 86400, "20100101T000000Z"},
      {"shift result short of the hour", (39815.0 + 10.0 / 24) * 24 / 24 - 9.0 / 24 - msShort, "20090102T010000Z"},
      {"before day zero counts away from zero", -0.375, "18991230T090000Z"},
      {"a day and a quarter before day zero", -1.25, "18991229T060000Z"},
      {"first day of the calendar", -693593.0, "00010101T000000Z"},
      {"below the calendar", -693594.5, "00000000T120000Z"},
      {"last day of the calendar", 2958465.75, "99991231T180000Z"},
      {"past year 9999", 2958466.0, "100000101T000000Z"},
      {"not a number", std::nan(""), "18991230T000000Z"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FormatUtcStamp(c.value), c.stamp);
    EXPECT_EQ(General(c.value), c.stamp);
  }
}

TEST_F(DirectStampTest, SameAsGeneralFormatterOnRandomValues) {
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> calendar(-693594.0 - 2, 2958466.0 + 2);
  std::uniform_real_distribution<double> nearZero(-3.0, 3.0);
  for (int i = 0; i < 200'000; ++i) {
    ExpectSame(calendar(random));
    ExpectSame(nearZero(random));
  }
}

// Near every kind of boundary the extended-precision product and the rounding
// to even decide the digits.
TEST_F(DirectStampTest, SameAsGeneralFormatterNearBoundaries) {
  std::mt19937_64 random(7);
  std::uniform_int_distribution<long long> dayPick(-693600, 2958470);
  std::uniform_int_distribution<long long> msPick(0, 86'399'999);
  const long long msPerDay = 86'400'000;
  for (int i = 0; i < 20'000; ++i) {
    const long long day = dayPick(random);
    const long long ms = msPick(random);
    for (long long count : {day * msPerDay + ms, day * msPerDay + ms / 1000 * 1000, day * msPerDay,
                            day * msPerDay + ms / 60'000 * 60'000}) {
      const double exact = static_cast<double>(count) / msPerDay;
      ExpectSameAround(exact);
      ExpectSameAround((static_cast<double>(count) + 0.5) / msPerDay);  // a half millisecond
      ExpectSameAround((static_cast<double>(count) - 0.5) / msPerDay);
      ExpectSameAround(AddHours(exact, LocalToUtcHours));
    }
  }
  // New years, month ends and leap days, and both sides of day zero.
  for (int year : {1, 2, 1600, 1899, 1900, 2000, 2008, 2100, 9999}) {
    for (int month = 1; month <= 12; ++month) {
      const double first = ParseDateTimeText(std::to_string(year) + "/" + std::to_string(month) + "/1");
      ExpectSameAround(first);
      ExpectSameAround(AddHours(first, LocalToUtcHours));
    }
  }
  for (double value : {0.0, -0.0, 1.0, -1.0, 1e-300, -1e-300, 1e9, -1e9, 1e300, -1e300,
                       std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                       std::numeric_limits<double>::denorm_min()})
    ExpectSameAround(value);
}

TEST_F(DirectStampTest, WritesNoMoreThanItsRoom) {
  char bytes[kUtcStampRoom];
  for (double value : {1e300, -1e300, 2958465.99999}) {
    SCOPED_TRACE(value);
    const std::size_t size = WriteUtcStamp(value, bytes);
    EXPECT_LE(size, sizeof bytes);
    EXPECT_EQ(std::string(bytes, size), General(value));
  }
}

}  // namespace

// Columns in the common shape are read with integers; every column, common
// or not, must give the stamp (or the error) of the general reading.
TEST_F(StampTest, IntegerReadingAgreesWithTheGeneralReading) {
  auto general = [](const std::string& date, const std::string& time) -> std::string {
    try {
      char bytes[kUtcStampRoom];
      return std::string(bytes, WriteUtcStamp(AddHours(ParseLocalDateTime(date, time), LocalToUtcHours), bytes));
    } catch (const DateTimeTextError& e) {
      return "error " + e.Message();
    }
  };
  auto direct = [](const std::string& date, const std::string& time) -> std::string {
    try {
      return MakeUtcStamp(date, time);
    } catch (const DateTimeTextError& e) {
      return "error " + e.Message();
    }
  };
  std::mt19937 random(20261208);
  auto number = [&random](int low, int high, int width) {
    const int value = low + static_cast<int>(random() % static_cast<unsigned>(high - low + 1));
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", random() % 3 == 0 ? 1 : width, value);
    return std::string(text);
  };
  const char* const odd[] = {"", " ", "/", ":", "0", "AM", "a", "\x81"};
  for (const char* profile : {"ja-JP", "en-US", "ja-JP-u-ca-japanese"}) {
    SCOPED_TRACE(profile);
    Use(profile);
    for (int i = 0; i < 200'000; ++i) {
      std::string date = number(1890, 2100, 4) + "/" + number(0, 13, 2) + "/" + number(0, 32, 2);
      std::string time = number(0, 25, 2) + ":" + number(0, 60, 2);
      if (random() % 2) time += ":" + number(0, 60, 2);
      if (random() % 20 == 0) time.clear();
      // Now and then a near miss: a byte put in, taken out or changed.
      if (random() % 8 == 0) {
        std::string& column = random() % 2 ? date : time;
        const std::size_t at = column.empty() ? 0 : random() % column.size();
        switch (random() % 3) {
          case 0: column.insert(at, odd[random() % std::size(odd)]); break;
          case 1: if (!column.empty()) column.erase(at, 1); break;
          default: if (!column.empty()) column[at] = "0/: 9"[random() % 5]; break;
        }
      }
      ASSERT_EQ(direct(date, time), general(date, time)) << "'" << date << "' '" << time << "'";
    }
  }
}
