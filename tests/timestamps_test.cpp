#include "conversion/timestamps.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/regional.h"
#include "support/test_support.h"
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

}  // namespace
