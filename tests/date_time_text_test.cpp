#include "text/date_time_text.h"

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/regional.h"
#include "support/test_support.h"
#include "text/calendar.h"
#include "text/characters.h"
#include "text/errors.h"

namespace {

using testing_support::Hex;
using testing_support::Sjis;

constexpr int kYear = 2026;

// Days counted by the standard library, not by the code under test.
double At(int y, unsigned m, unsigned d, int h = 0, int n = 0, int s = 0, int ms = 0) {
  using namespace std::chrono;
  const long days =
      (sys_days{year{y} / month{m} / day{d}} - sys_days{year{1899} / December / 30}).count();
  const double time = (h * 3'600'000.0 + n * 60'000.0 + s * 1'000.0 + ms) / 86'400'000.0;
  return days >= 0 ? days + time : days - time;
}

DateTextSettings ProfileSettings(const char* name) {
  const platform::RegionalProfile* profile = platform::FindRegionalProfile(name);
  platform::SetAnsiCodePage(profile->ansiCodePage);
  return DateTextSettingsFrom(*profile);
}

AnsiText NotDateMessage(std::string_view text) {
  return "'" + AnsiText(text) + Sjis("' は日付または時刻ではありません");
}

struct Row {
  const char* name;
  std::string text;
  std::optional<double> value;  // none: the text must fail
  bool dayFirstHint = false;    // a failure names the day-first profile
};

void CheckRows(const DateTextSettings& settings, const std::vector<Row>& rows) {
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.name) + " [" + Hex(r.text) + "]");
    if (r.value) {
      EXPECT_DOUBLE_EQ(ParseDateTimeText(r.text, settings, kYear), *r.value);
      continue;
    }
    try {
      ParseDateTimeText(r.text, settings, kYear);
      ADD_FAILURE() << "accepted";
    } catch (const DateTimeTextError& e) {
      const AnsiText plain = NotDateMessage(r.text);
      EXPECT_EQ(e.Message().substr(0, plain.size()), plain);
      EXPECT_EQ(e.Message().size() > plain.size(), r.dayFirstHint) << e.Message();
      EXPECT_EQ(e.Message().find("--locale en-GB") != std::string::npos, r.dayFirstHint);
    }
  }
}

TEST(ParseDateTimeText, JapaneseSettings) {
  const DateTextSettings s = ProfileSettings("ja-JP");
  const std::string pm = Sjis("午後"), am = Sjis("午前");
  CheckRows(s, {
      {"date and time", "2009/01/02 10:30:00", 39815.4375},
      {"no leading zeros", "2009/1/2 9:05", At(2009, 1, 2, 9, 5)},
      {"two-digit year in this century", "09/1/2 9:05", At(2009, 1, 2, 9, 5)},
      {"window start 76", "76/1/2 9:05", At(1976, 1, 2, 9, 5)},
      {"window end 75", "75/1/2 9:05", At(2075, 1, 2, 9, 5)},
      {"one-digit year", "0/1/2", At(2000, 1, 2)},
      {"three-digit year kept", "009/1/2", At(9, 1, 2)},
      {"leading zeros count as digits", "00002009/1/2", At(2009, 1, 2)},
      {"no year: current year", "1/2 9:05", At(kYear, 1, 2, 9, 5)},
      {"leading designator", "2009/01/02 " + pm + " 3:15", At(2009, 1, 2, 15, 15)},
      {"leading designator, no space", "2009/01/02 " + pm + "3:15", At(2009, 1, 2, 15, 15)},
      {"trailing designator", "2009/01/02 10:00 " + pm, At(2009, 1, 2, 22)},
      {"English designator", "2009/01/02 3:15 PM", At(2009, 1, 2, 15, 15)},
      {"English designator, lower case", "2009/01/02 3:15 pm", At(2009, 1, 2, 15, 15)},
      {"12 AM is midnight", "2009/01/02 12:00 " + am, At(2009, 1, 2)},
      {"12 PM is noon", "2009/01/02 12:30:15 " + pm, At(2009, 1, 2, 12, 30, 15)},
      {"date alone", "2009/01/02", At(2009, 1, 2)},
      {"date and trailing spaces", "2009/01/02   ", At(2009, 1, 2)},
      {"milliseconds are a count", "2009/01/02 10:00:00.5", At(2009, 1, 2, 10, 0, 0, 5)},
      {"three-digit milliseconds", "2009/01/02 10:00:00.500", At(2009, 1, 2, 10, 0, 0, 500)},
      {"rest after the time ignored", "2009/01/02 10:00:00 extra", At(2009, 1, 2, 10)},
      {"spaces everywhere", " 2009 / 1 / 2  10 : 00 ", At(2009, 1, 2, 10)},
      {"trailing date separator", "2009/1/2/ 10:00", At(2009, 1, 2, 10)},
      {"leap day", "2008/02/29 0:00", At(2008, 2, 29)},
      {"400-year leap day", "2000/02/29", At(2000, 2, 29)},
      {"before 1899-12-30", "1899/12/29 06:00", At(1899, 12, 29, 6)},
      {"first day", "0001/01/01", At(1, 1, 1)},
      {"last day", "9999/12/31 23:59:59.999", At(9999, 12, 31, 23, 59, 59, 999)},
      {"time alone", "10:30", 0.4375},
      {"hour alone with designator", "PM 3", At(1899, 12, 30, 15)},
      {"impossible day", "2009/02/30 10:00", std::nullopt},
      {"century non-leap day", "1900/02/29", std::nullopt},
      {"month 13", "2009/13/01", std::nullopt},
      {"year 0", "0000/01/01", std::nullopt},
      {"hour 25", "2009/01/02 25:00", std::nullopt},
      {"second 60", "2009/01/02 10:00:60", std::nullopt},
      {"hour 0 with designator", "2009/01/02 0:30 PM", std::nullopt},
      {"hour 13 with designator", "2009/01/02 13:30 PM", std::nullopt},
      {"foreign date separator", "2009-01-02 10:00", std::nullopt},
      {"one number is no date, 2009 no hour", "2009 10:00", std::nullopt},
      {"number stops after four digits", "12345/1/2", std::nullopt},
      {"milliseconds stop at four digits", "2009/01/02 10:00:00.12345", std::nullopt},
      {"missing minutes", "2009/01/02 10:", std::nullopt},
      {"tab is no space", "2009/01/02\t10:00", std::nullopt},
      {"time alone with rest", "10:30 x", std::nullopt},
      {"one space", " ", std::nullopt},
      {"empty", "", std::nullopt},
  });
}

TEST(ParseDateTimeText, EnglishSettings) {
  const DateTextSettings s = ProfileSettings("en-US");
  CheckRows(s, {
      {"AM", "1/2/2009 10:30:00 AM", At(2009, 1, 2, 10, 30)},
      {"12 AM", "1/2/2009 12:15:00 AM", At(2009, 1, 2, 0, 15)},
      {"PM", "1/2/2009 3:00:00 PM", At(2009, 1, 2, 15)},
      {"two-digit year", "1/2/09 3:00 PM", At(2009, 1, 2, 15)},
      {"no year", "1/2 10:00", At(kYear, 1, 2, 10)},
      {"year first reads 2009 as the month", "2009/01/02 10:00", std::nullopt},
      // Text that only the day-first order reads says so.
      {"day first", "13/2/2009 3:00 PM", std::nullopt, true},
      {"day first, 24-hour time", "31/12/2024 23:30:00", std::nullopt, true},
      {"day first without year", "13/1", std::nullopt, true},
      {"no date either way", "13/13/2009", std::nullopt},
      {"impossible day-first day", "31/2/2024", std::nullopt},
      {"bad time either way", "13/1/2024 25:00", std::nullopt},
      {"impossible day", "2/30/2024", std::nullopt},
  });
  platform::SetAnsiCodePage(932);
}

TEST(ParseDateTimeText, BritishSettings) {
  const DateTextSettings s = ProfileSettings("en-GB");
  CheckRows(s, {
      {"two-digit day and month", "15/01/2024 14:30:00", At(2024, 1, 15, 14, 30)},
      {"the day comes first", "03/02/2024 9:05:00", At(2024, 2, 3, 9, 5)},
      {"one-digit day and month", "3/2/2024 09:05", At(2024, 2, 3, 9, 5)},
      {"midnight", "1/3/2024 0:00:00", At(2024, 3, 1)},
      {"two-digit year", "3/2/24", At(2024, 2, 3)},
      {"no year", "3/2 10:00", At(kYear, 2, 3, 10)},
      {"a designator still reads", "3/2/2024 3:00 PM", At(2024, 2, 3, 15)},
      {"leap day", "29/02/2024", At(2024, 2, 29)},
      {"no leap day", "29/02/2023", std::nullopt},
      // No hint the other way: a month-first export under en-GB is plainly refused.
      {"month first", "1/13/2024 10:00:00", std::nullopt},
      {"year first", "2024/01/15 10:00:00", std::nullopt},
  });
  platform::SetAnsiCodePage(932);
}

TEST(ParseDateTimeText, EraSettings) {
  const DateTextSettings s = ProfileSettings("ja-JP-u-ca-japanese");
  CheckRows(s, {
      {"Heisei 21", Sjis("平成21/01/02 10:00"), At(2009, 1, 2, 10)},
      {"Reiwa 8", Sjis("令和8/1/2"), At(2026, 1, 2)},
      {"Showa 64", Sjis(" 昭和 64/1/7"), At(1989, 1, 7)},
      {"part of an era name", Sjis("平21/01/02"), At(2009, 1, 2)},
      {"no era name: Gregorian year", "2009/01/02", At(2009, 1, 2)},
      {"no era name: two-digit window", "21/01/02", At(2021, 1, 2)},
      {"unknown era name", Sjis("天保21/01/02"), At(2021, 1, 2)},
      {"era name alone", Sjis("平成"), std::nullopt},
      {"NUL byte before the year", Sjis("平成") + std::string(1, '\0') + "21/1/2", At(2009, 1, 2)},
  });
}

TEST(ParseDateTimeText, SettingsOfOtherLocales) {
  DateTextSettings dmy;
  dmy.shortDatePattern = "dd.MM.yyyy";
  dmy.dateSeparator = '.';
  dmy.amDesignator = dmy.pmDesignator = "";
  CheckRows(dmy, {
      {"day first", "02.01.2009 10:00", At(2009, 1, 2, 10)},
      {"day first without year", "2.1 10:00", At(kYear, 1, 2, 10)},
      {"English designators still read", "02.01.2009 3:00 pm", At(2009, 1, 2, 15)},
  });

  platform::SetAnsiCodePage(932);
  DateTextSettings korean;
  korean.shortDatePattern = "ggg e/MM/dd";
  korean.primaryLanguage = 0x12;
  korean.doubleByteSystem = true;
  korean.eras = {{"K", 2333}};
  CheckRows(korean, {
      {"Korean era year", "K4342/1/2", At(2009, 1, 2)},
      {"Korean short era year", "K42/1/2", At(2009, 1, 2)},
  });

  DateTextSettings eraWithoutName = ProfileSettings("ja-JP-u-ca-japanese");
  eraWithoutName.shortDatePattern = "e/MM/dd";
  CheckRows(eraWithoutName, {{"newest era applies", "8/1/2", At(2026, 1, 2)}});

  DateTextSettings dayName = ProfileSettings("ja-JP");
  dayName.shortDatePattern = "yyyy/MM/dd ddd";
  CheckRows(dayName, {
      {"day name passed over", Sjis("2009/01/02 (金) 午後 3:15"), At(2009, 1, 2, 15, 15)},
      {"day name at the end", Sjis("2009/01/02 金 "), At(2009, 1, 2)},
  });

  // The trail byte 0x4F of this designator must not match 0x6F.
  DateTextSettings trail = ProfileSettings("ja-JP");
  trail.pmDesignator = Sjis("前");
  CheckRows(trail, {
      {"designator matches", "2009/01/02 3:15 " + Sjis("前"), At(2009, 1, 2, 15, 15)},
      {"trail byte not folded", "2009/01/02 3:15 \x91\x6F", At(2009, 1, 2, 3, 15)},
  });
}

TEST(ParseDateTimeText, ProcessSettingsAndClockYear) {
  platform::SetAnsiCodePage(932);
  SetDateTextSettings(ProfileSettings("ja-JP"));
  platform::SetCurrentYearForTesting(2031);
  EXPECT_DOUBLE_EQ(ParseDateTimeText("1/2"), At(2031, 1, 2));
  EXPECT_DOUBLE_EQ(ParseDateTimeText("81/1/2"), At(1981, 1, 2));
  platform::SetCurrentYearForTesting(std::nullopt);
}

// Arbitrary bytes either read or raise the date error; under the sanitizers
// this also guards every scan against running past the text.
TEST(ParseDateTimeText, ArbitraryBytesNeverMisbehave) {
  const std::string pieces[] = {"1", "2", "12", "2009", "/", ":", ".", " ", "\t", "AM", "pm",
                                std::string(1, '\0'), "\x81", "\xFC", Sjis("平成"), Sjis("午後")};
  const DateTextSettings settings[] = {ProfileSettings("ja-JP-u-ca-japanese"),
                                       ProfileSettings("ja-JP")};
  unsigned seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    for (int n = (seed >> 7) % 12; n > 0; --n) {
      seed = seed * 1103515245 + 12345;
      text += pieces[(seed >> 16) % std::size(pieces)];
    }
    seed = seed * 1103515245 + 12345;
    try {
      const double v = ParseDateTimeText(text, settings[i % 2], kYear);
      EXPECT_TRUE(v > -693594 && v < 2958466) << Hex(text);
    } catch (const DateTimeTextError&) {
    }
  }
}

// ---- the settings each profile gives --------------------------------------

TEST(DateTextSettingsFrom, BuiltInProfiles) {
  DateTextSettings ja = ProfileSettings("ja-JP");
  EXPECT_EQ(ja.shortDatePattern, "yyyy/MM/dd");
  EXPECT_EQ(ja.amDesignator, Sjis("午前"));
  EXPECT_EQ(ja.pmDesignator, Sjis("午後"));
  EXPECT_TRUE(ja.doubleByteSystem);
  EXPECT_EQ(ja.primaryLanguage, 0x11);
  EXPECT_TRUE(ja.eras.empty());  // the optional calendar is the Gregorian one
  EXPECT_EQ(ja.twoDigitYearWindow, 50);

  DateTextSettings era = ProfileSettings("ja-JP-u-ca-japanese");
  EXPECT_EQ(era.shortDatePattern, "ggg e/MM/dd");
  ASSERT_EQ(era.eras.size(), 5u);
  EXPECT_EQ(era.eras[0].name, Sjis("令和"));
  EXPECT_EQ(era.eras[0].yearOffset, 2019);
  EXPECT_EQ(era.eras[4].name, Sjis("明治"));
  EXPECT_EQ(era.eras[4].yearOffset, 1868);

  DateTextSettings en = ProfileSettings("en-US");
  EXPECT_EQ(en.shortDatePattern, "M/d/yyyy");
  EXPECT_EQ(en.amDesignator, "AM");
  EXPECT_FALSE(en.doubleByteSystem);
  EXPECT_EQ(en.primaryLanguage, 0x09);

  DateTextSettings gb = ProfileSettings("en-GB");
  EXPECT_EQ(gb.shortDatePattern, "dd/MM/yyyy");
  EXPECT_EQ(std::string({gb.dateSeparator, gb.timeSeparator}), "/:");
  EXPECT_FALSE(gb.doubleByteSystem);
  EXPECT_EQ(gb.primaryLanguage, 0x09);
  platform::SetAnsiCodePage(932);
}

TEST(DateTextSettingsFrom, FallbacksAndTranslation) {
  platform::SetAnsiCodePage(932);
  platform::RegionalProfile bare;  // nothing can be read
  DateTextSettings s = DateTextSettingsFrom(bare);
  EXPECT_EQ(s.shortDatePattern, "m/d/yy");
  EXPECT_EQ(std::string({s.dateSeparator, s.timeSeparator, s.decimalSeparator}), "/:.");
  EXPECT_EQ(s.amDesignator, "am");
  EXPECT_EQ(s.pmDesignator, "pm");
  EXPECT_EQ(s.primaryLanguage, 0x09);

  bare.dateSeparator = "--";
  bare.timeSeparator = Sjis("：");
  bare.amDesignator = "";
  s = DateTextSettingsFrom(bare);
  EXPECT_EQ(s.dateSeparator, '/');
  EXPECT_EQ(s.timeSeparator, ':');
  EXPECT_EQ(s.amDesignator, "");

  struct Case {
    const char* name;
    unsigned localeId;
    const char* calendar;
    std::string pattern;
    std::string translated;
  };
  const Case cases[] = {
      {"era calendar", 0x0411, "3", "GG yyyy/MM/dd", "ggg eeee/MM/dd"},
      {"era calendar, short years", 0x0411, "4", "gg yy/M/d Y", "ggg ee/M/d e"},
      {"era calendar keeps double-byte", 0x0411, "5", Sjis("ガyト"), Sjis("ガeト")},
      {"Japanese drops era letters", 0x0411, "1", "gg yyyy/MM/dd G", " yyyy/MM/dd "},
      {"Japanese keeps double-byte", 0x0411, "1", Sjis("トg年"), Sjis("ト年")},
      {"calendar type not a number", 0x0412, "x", "g y", " y"},
      {"English keeps the letters", 0x0409, "1", "gg yyyy", "gg yyyy"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::RegionalProfile p;
    p.localeId = c.localeId;
    p.calendarType = c.calendar;
    p.shortDate = c.pattern;
    EXPECT_EQ(Hex(DateTextSettingsFrom(p).shortDatePattern), Hex(c.translated));
  }
}

TEST(DateTextSettingsFrom, EraTable) {
  platform::RegionalProfile p;
  p.localeId = 0x0411;
  p.optionalCalendar = "3";
  p.eraCalendar = 3;
  p.eraNames = {"A", "B", "C", "D", "E", "F", "G", "H"};
  p.eraYearOffsets = {"10", "x", "30"};

  platform::SetAnsiCodePage(932);
  std::vector<EraEntry> eras = DateTextSettingsFrom(p).eras;
  ASSERT_EQ(eras.size(), 7u) << "at most seven entries";
  EXPECT_EQ(eras[0].yearOffset, 10);
  EXPECT_EQ(eras[1].yearOffset, 0) << "not a number";
  EXPECT_EQ(eras[3].yearOffset, -1) << "no offset enumerated";

  p.eraNames[2] = "";
  EXPECT_EQ(DateTextSettingsFrom(p).eras.size(), 2u) << "ends at the first empty name";

  p.optionalCalendar = "1";
  EXPECT_TRUE(DateTextSettingsFrom(p).eras.empty()) << "calendar without eras";

  p.optionalCalendar = "3";
  platform::SetAnsiCodePage(1252);
  EXPECT_TRUE(DateTextSettingsFrom(p).eras.empty()) << "single-byte system";
  platform::SetAnsiCodePage(932);
}

// ---- which profile applies -------------------------------------------------

class Environment {
 public:
  Environment() {
    for (const char* name : kNames)
      if (const char* v = std::getenv(name)) saved_.emplace_back(name, v);
  }
  ~Environment() {
    for (const char* name : kNames) unsetenv(name);
    for (auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
  }
  void Set(const char* lcAll, const char* lcTime, const char* lang) {
    const char* values[] = {lcAll, lcTime, lang};
    for (int i = 0; i < 3; ++i)
      values[i] ? setenv(kNames[i], values[i], 1) : unsetenv(kNames[i]);
  }

 private:
  static constexpr const char* kNames[] = {"LC_ALL", "LC_TIME", "LANG"};
  std::vector<std::pair<std::string, std::string>> saved_;
};

// The terminal's language says nothing about the Outlook that made an export.
TEST(RegionalProfile, NotChosenByTheLocaleVariables) {
  SKIP_ON_WINDOWS("Windows reads the user's own regional settings when none is named");
  Environment env;
  env.Set("en_US.UTF-8", "en_US.UTF-8", "en_US.UTF-8");
  EXPECT_EQ(platform::ActiveRegionalProfile().name, "ja-JP");
}

TEST(RegionalProfile, ChosenByNameAndLoaded) {
  Environment env;
  env.Set("en_US.UTF-8", nullptr, nullptr);
  ASSERT_TRUE(platform::UseRegionalProfile("EN-us"));
  EXPECT_FALSE(platform::UseRegionalProfile("fr-FR"));
  EXPECT_EQ(platform::ActiveRegionalProfile().name, "en-US");
  LoadDateTextSettings();
  EXPECT_EQ(platform::AnsiCodePage().Number(), 1252);
  EXPECT_EQ(CurrentDateTextSettings().shortDatePattern, "M/d/yyyy");

  ASSERT_TRUE(platform::UseRegionalProfile("en-gb"));
  LoadDateTextSettings();
  EXPECT_EQ(platform::AnsiCodePage().Number(), 1252);
  EXPECT_EQ(CurrentDateTextSettings().shortDatePattern, "dd/MM/yyyy");

  ASSERT_TRUE(platform::UseRegionalProfile("ja-JP-u-ca-japanese"));
  LoadDateTextSettings();
  EXPECT_EQ(platform::AnsiCodePage().Number(), 932);
  EXPECT_EQ(CurrentDateTextSettings().shortDatePattern, "ggg e/MM/dd");
  platform::ClearRegionalProfileChoice();
#ifndef _WIN32  // Windows goes back to the user's own settings
  EXPECT_EQ(platform::ActiveRegionalProfile().name, "ja-JP");
#endif
  platform::SetAnsiCodePage(932);
}

}  // namespace

// ---- fast helpers against their literal twins -----------------------------

namespace {

// The day value by the literal month loop.
int DayValueByMonthLoop(int year, int month, int day) {
  int dayOfYear = day;
  for (int m = 1; m < month; ++m) dayOfYear += DaysInMonth(year, m);
  const int y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400 + dayOfYear - kDayNumberOfDayValueZero;
}

}  // namespace

TEST(Calendar, DayValueMatchesTheMonthLoopOnEveryDate) {
  for (int year = 1; year <= 9999; ++year) {
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= DaysInMonth(year, month); ++day) {
        if (DayValue(year, month, day) != DayValueByMonthLoop(year, month, day)) {
          ADD_FAILURE() << year << "-" << month << "-" << day;
          return;
        }
      }
    }
  }
  EXPECT_EQ(DayValue(2008, 1, 15), static_cast<int>(At(2008, 1, 15)));
}

// The short date pattern is searched for its letters on character starts, as
// FindSubstring searches: a letter as the second byte of a double-byte
// character does not count, nor does anything after a NUL.
TEST(PatternLetters, MatchFindSubstringOnRandomPatterns) {
  const std::string pieces[] = {"e", "d", "dd", "ddd", "y", "/", " ", "g", std::string(1, '\0'),
                                "\x81", "\x82" "d", "\xE0" "e", "\x81\x81", Sjis("年"), "\xFC"};
  for (int page : {932, 936, 1252}) {
    platform::SetAnsiCodePage(page);
    unsigned seed = static_cast<unsigned>(page);
    for (int i = 0; i < 20000; ++i) {
      std::string pattern;
      seed = seed * 1103515245 + 12345;
      for (int n = (seed >> 16) % 9; n > 0; --n) {
        seed = seed * 1103515245 + 12345;
        pattern += pieces[(seed >> 16) % std::size(pieces)];
      }
      for (const char* letters : {"e", "ddd", "d"}) {
        SCOPED_TRACE(std::to_string(page) + " " + letters + " in " + Hex(pattern));
        ASSERT_EQ(OccursOnCharacterStart(letters, pattern), FindSubstring(letters, pattern) > 0);
      }
    }
  }
  platform::SetAnsiCodePage(932);
}
