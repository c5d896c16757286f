// Outlook's own export, read by its column titles: which header names the
// columns, what the values of named columns mean, and what both formats
// make of the same appointments however the columns are ordered.
#include "conversion/event_columns.h"

#include <stdlib.h>

#include <map>
#include <utility>

#include "conversion/conversion_run.h"
#include "platform/code_page.h"
#include "platform/regional.h"
#include "support/test_support.h"
#include "text/date_time_text.h"
#include "text/errors.h"

using testing_support::ErrorOf;
using testing_support::Hex;
using testing_support::ReadFileBytes;
using testing_support::SameBytes;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

using F = EventField;

// A column: its title (UTF-8) and the field it holds, or nothing for a
// column the converter does not read.
struct Column {
  const char* title;
  std::optional<EventField> field;
};
using Layout = std::vector<Column>;

// The layouts Outlook's export wizard writes by default.
const Layout kJapanese = {
    {"件名", F::Title}, {"開始日", F::StartDate}, {"開始時刻", F::StartTime}, {"終了日", F::EndDate},
    {"終了時刻", F::EndTime}, {"終日イベント", F::AllDay}, {"アラーム オン/オフ", F::AlarmFlag},
    {"アラーム日付", F::AlarmDate}, {"アラーム時刻", F::AlarmTime}, {"会議の開催者", {}}, {"必須出席者", {}},
    {"任意出席者", {}}, {"リソース", {}}, {"プライベート", F::Private}, {"経費情報", {}},
    {"公開する時間帯の種類", F::ShowTimeAs}, {"支払い条件", {}}, {"場所", F::Place}, {"内容", F::Notes},
    {"秘密度", F::Sensitivity}, {"分類", F::Categories}, {"優先度", F::Priority}};
const Layout kEnglish = {
    {"Subject", F::Title}, {"Start Date", F::StartDate}, {"Start Time", F::StartTime}, {"End Date", F::EndDate},
    {"End Time", F::EndTime}, {"All day event", F::AllDay}, {"Reminder on/off", F::AlarmFlag},
    {"Reminder Date", F::AlarmDate}, {"Reminder Time", F::AlarmTime}, {"Meeting Organizer", {}},
    {"Required Attendees", {}}, {"Optional Attendees", {}}, {"Meeting Resources", {}},
    {"Billing Information", {}}, {"Categories", F::Categories}, {"Description", F::Notes},
    {"Location", F::Place}, {"Mileage", {}}, {"Priority", F::Priority}, {"Private", F::Private},
    {"Sensitivity", F::Sensitivity}, {"Show time as", F::ShowTimeAs}};
// The ten columns, titled as the wizard titles them when the user maps them.
const Layout kTen = {{"件名", F::Title},          {"場所", F::Place},          {"開始日", F::StartDate},
                     {"開始時刻", F::StartTime},  {"終了日", F::EndDate},      {"終了時刻", F::EndTime},
                     {"アラーム オン/オフ", F::AlarmFlag}, {"アラーム日付", F::AlarmDate},
                     {"アラーム時刻", F::AlarmTime}, {"内容", F::Notes}};

using Appointment = std::map<EventField, std::string>;  // UTF-8 values

Appointment Meeting() {
  return {{F::Title, "定例会議"},      {F::Place, "本社"},           {F::StartDate, "2024/1/5"},
          {F::StartTime, "10:00:00"},  {F::EndDate, "2024/1/5"},     {F::EndTime, "11:30:00"},
          {F::AlarmFlag, "True"},      {F::AlarmDate, "2024/1/5"},   {F::AlarmTime, "9:45:00"},
          {F::Notes, "資料持参\n\"重要\"の件,"}};
}

Appointment With(Appointment a, std::initializer_list<std::pair<const EventField, std::string>> values) {
  for (const auto& [field, value] : values) a[field] = value;
  return a;
}

// The export as Outlook writes it: titles and set values quoted, inner
// quotes doubled, an unset value as nothing; columns the converter does not
// read hold a name, as the organizer's column would.
std::string ExportOf(const Layout& layout, const std::vector<Appointment>& rows) {
  auto quoted = [](const std::string& utf8) {
    std::string text;
    for (const char c : Sjis(utf8)) text += c == '"' ? "\"\"" : c == '\n' ? "\r\n" : std::string(1, c);
    return "\"" + text + "\"";
  };
  std::string csv;
  for (std::size_t k = 0; k < layout.size(); ++k) csv += (k ? "," : "") + quoted(layout[k].title);
  csv += "\r\n";
  for (const Appointment& row : rows) {
    for (std::size_t k = 0; k < layout.size(); ++k) {
      if (k) csv += ",";
      if (!layout[k].field) {
        csv += quoted("山田 太郎");
      } else if (const auto it = row.find(*layout[k].field); it != row.end() && !it->second.empty()) {
        csv += quoted(it->second);
      } else if (k + 1 == layout.size()) {
        csv += "\"\"";  // a line ends its record with a quote (Outlook always sets the last column)
      }
    }
    csv += "\r\n";
  }
  return csv;
}

std::string FirstLine(const std::string& csv) { return csv.substr(0, csv.find('\r')); }

std::string HeaderOf(std::initializer_list<const char*> titles) {
  std::string header;
  for (const char* title : titles) header += (header.empty() ? "\"" : ",\"") + Sjis(title) + "\"";
  return header;
}

class EventColumnsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::UseRegionalProfile("ja-JP"));
    LoadDateTextSettings();
    setenv("SOURCE_DATE_EPOCH", "1704067200", 1);
  }
  void TearDown() override {
    unsetenv("SOURCE_DATE_EPOCH");
    platform::ClearRegionalProfileChoice();
  }

  std::string Convert(const std::string& csv, OutputFormat format, LineList options = {}) {
    WriteFileBytes(in_, csv);
    ConversionRun({in_, out_, std::move(options), {}, format});
    return ReadFileBytes(out_);
  }
  // The lines of the first event from its DTSTART to its END:VEVENT, the
  // UID and DTSTAMP left out (the UID comes from the record's bytes).
  std::string EventLines(const std::string& csv, LineList options = {}) {
    const std::string ics = Convert(csv, OutputFormat::ICalendar, std::move(options));
    const std::size_t from = ics.find("DTSTART");
    return ics.substr(from, ics.find("END:VEVENT") - from);
  }

  TempDir dir_;
  std::string in_ = dir_ / "export.csv";
  std::string out_ = dir_ / "out";
};

}  // namespace

TEST_F(EventColumnsTest, TheHeaderDecidesHowColumnsAreRead) {
  struct Row {
    const char* name;
    std::string header;
    bool byName;
    int title, notes, allDay;
  };
  const Row rows[] = {
      {"Japanese default", ExportOf(kJapanese, {}), true, 0, 18, 5},
      {"English default", ExportOf(kEnglish, {}), true, 0, 15, 5},
      {"the wizard's ten columns", ExportOf(kTen, {}), true, 0, 9, -1},
      {"case and blanks", HeaderOf({" SUBJECT ", "start date", "START TIME", "end date", "End Time"}), true, 0, -1,
       -1},
      {"both languages mixed", HeaderOf({"件名", "Start Date", "開始時刻", "End Date", "終了時刻", "Description"}),
       true, 0, 5, -1},
      {"shuffled", HeaderOf({"End Time", "Subject", "End Date", "Start Time", "Start Date"}), true, 1, -1, -1},
      {"the first of two columns with a name", HeaderOf({"件名", "Subject", "開始日", "開始時刻", "終了日", "終了時刻"}),
       true, 0, -1, -1},
      {"unquoted, a blank inside a title", "Location,Subject,Start Date,Start Time,End Date,End Time\r\n", true, 1,
       -1, -1},
      {"no end time: by position", HeaderOf({"Subject", "Start Date", "Start Time", "End Date"}), false, 0, 9, -1},
      {"titles that are not Outlook's", HeaderOf({"title", "place", "from", "to"}), false, 0, 9, -1},
      {"no header", "", false, 0, 9, -1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const EventColumns columns = EventColumns::FromHeader(FirstLine(r.header));
    EXPECT_EQ(columns.ByName(), r.byName);
    EXPECT_EQ(columns.Column(F::Title), r.title);
    EXPECT_EQ(columns.Column(F::Notes), r.notes);
    EXPECT_EQ(columns.Column(F::AllDay), r.allDay);
  }
  // Under a Western code page the Japanese titles cannot be written, and
  // match nothing; the English ones still do.
  platform::SetAnsiCodePage(1252);
  EXPECT_FALSE(EventColumns::FromHeader(FirstLine(ExportOf(kJapanese, {}))).ByName());
  EXPECT_TRUE(EventColumns::FromHeader(FirstLine(ExportOf(kEnglish, {}))).ByName());
  platform::SetAnsiCodePage(932);
}

TEST_F(EventColumnsTest, FlagWords) {
  struct Row {
    const char* value;
    bool alarm;  // named reminder
    bool flag;   // all day, private
    bool tenColumnAlarm;
  };
  const Row rows[] = {
      {"True", true, true, true},     {"TRUE", true, true, true},    {" on ", true, true, true},
      {"Yes", true, true, true},      {"1", true, true, true},       {"オン", true, true, true},
      {"はい", true, true, true},     {"False", false, false, false}, {"off", false, false, true},
      {"NO", false, false, true},     {"0", false, false, true},     {"オフ", false, false, true},
      {"いいえ", false, false, true}, {"", false, false, true},      {"  ", false, false, true},
      {"x", true, false, true},       {"FALSE ", false, false, true},
  };
  const EventColumns named = EventColumns::FromHeader(HeaderOf(
      {"Subject", "Start Date", "Start Time", "End Date", "End Time", "Reminder on/off", "All day event"}));
  const EventColumns positions;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.value);
    const std::string value = Sjis(r.value);
    const std::vector<std::string_view> fields = {"t", "", "", "", "", value, value};
    const std::vector<std::string_view> ten = {"t", "", "", "", "", "", value};
    EXPECT_EQ(EventRecord(FieldViews(fields), named).AlarmOn(), r.alarm);
    EXPECT_EQ(EventRecord(FieldViews(fields), named).Flag(F::AllDay), r.flag);
    EXPECT_EQ(EventRecord(FieldViews(ten), positions).AlarmOn(), r.tenColumnAlarm);
  }
}

// The same appointments give the same blocks whatever the layout: the ten
// columns, either default layout, the columns in another order.
TEST_F(EventColumnsTest, EveryLayoutGivesTheSameAppointments) {
  const std::vector<Appointment> rows = {
      Meeting(), With(Meeting(), {{F::AlarmFlag, "False"}, {F::AlarmDate, ""}, {F::AlarmTime, ""}, {F::Place, ""}}),
      With(Meeting(), {{F::Notes, ""}, {F::Title, "a \"quoted\" title, with a comma"}})};
  Layout reversed = kJapanese;
  std::reverse(reversed.begin(), reversed.end());
  for (const OutputFormat format : {OutputFormat::VCalendar, OutputFormat::ICalendar}) {
    const std::string expected = Convert(ExportOf(kTen, rows), format);
    for (const Layout* layout : {&kJapanese, &kEnglish, static_cast<const Layout*>(&reversed)}) {
      SCOPED_TRACE(layout->front().title);
      std::string actual = Convert(ExportOf(*layout, rows), format);
      if (format == OutputFormat::VCalendar) {
        EXPECT_TRUE(SameBytes(actual, expected));
      } else {
        // The UIDs come from the records' bytes; the rest must be equal.
        auto withoutUids = [](std::string ics) {
          for (std::size_t at; (at = ics.find("UID:")) != std::string::npos;) ics.erase(at, ics.find('\n', at) + 1 - at);
          return ics;
        };
        EXPECT_TRUE(SameBytes(withoutUids(actual), withoutUids(expected)));
      }
    }
  }
}

TEST_F(EventColumnsTest, WhatOnlyTheICalendarFormWrites) {
  struct Row {
    const char* name;
    Appointment values;
    std::string lines;  // from DTSTART to END:VEVENT, the summary, place and notes left out
  };
  const Appointment plain = With(Meeting(), {{F::AlarmFlag, "False"}, {F::Place, ""}, {F::Notes, ""}});
  const std::string times = "DTSTART:20240105T010000Z\r\nDTEND:20240105T023000Z\r\n";
  const Row rows[] = {
      {"nothing set", plain, times},
      {"all day, over two days",
       With(plain, {{F::AllDay, "True"}, {F::StartTime, "0:00:00"}, {F::EndDate, "2024/1/7"}, {F::EndTime, "0:00:00"}}),
       "DTSTART;VALUE=DATE:20240105\r\nDTEND;VALUE=DATE:20240107\r\n"},
      {"all day, the end not after the start",
       With(plain, {{F::AllDay, "オン"}, {F::EndDate, "2024/1/5"}}),
       "DTSTART;VALUE=DATE:20240105\r\nDTEND;VALUE=DATE:20240106\r\n"},
      {"all day before 1899/12/30 keeps its date whatever the time",
       With(plain, {{F::AllDay, "True"}, {F::StartDate, "1899/12/29"}, {F::StartTime, "6:00:00"},
                    {F::EndDate, "1899/12/29"}, {F::EndTime, "6:00:00"}}),
       "DTSTART;VALUE=DATE:18991229\r\nDTEND;VALUE=DATE:18991230\r\n"},
      {"all day at noon far before 1899",
       With(plain, {{F::AllDay, "True"}, {F::StartDate, "1800/1/1"}, {F::StartTime, "12:00:00"},
                    {F::EndDate, "1800/1/2"}, {F::EndTime, "12:00:00"}}),
       "DTSTART;VALUE=DATE:18000101\r\nDTEND;VALUE=DATE:18000102\r\n"},
      {"all day keeps a UTC alarm",
       With(plain, {{F::AllDay, "True"}, {F::EndDate, "2024/1/6"}, {F::AlarmFlag, "True"}, {F::AlarmDate, "2024/1/4"},
                    {F::AlarmTime, "18:00:00"}}),
       "DTSTART;VALUE=DATE:20240105\r\nDTEND;VALUE=DATE:20240106\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\n"
       "DESCRIPTION:定例会議\r\nTRIGGER;VALUE=DATE-TIME:20240104T090000Z\r\nEND:VALARM\r\n"},
      {"categories", With(plain, {{F::Categories, " 会議, 出張;会議 ;;a\\b "}}),
       times + "CATEGORIES:会議,出張,a\\\\b\r\n"},
      {"repeats past the first sixteen names", With(plain, {{F::Categories, "a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r,q,a;r"}}),
       times + "CATEGORIES:a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r\r\n"},
      {"private flag", With(plain, {{F::Private, "True"}}), times + "CLASS:PRIVATE\r\n"},
      {"personal", With(plain, {{F::Sensitivity, "個人用"}}), times + "CLASS:PRIVATE\r\n"},
      {"private sensitivity", With(plain, {{F::Sensitivity, "Private"}}), times + "CLASS:PRIVATE\r\n"},
      {"confidential", With(plain, {{F::Sensitivity, "社外秘"}}), times + "CLASS:CONFIDENTIAL\r\n"},
      {"normal sensitivity", With(plain, {{F::Sensitivity, "標準"}}), times},
      {"high", With(plain, {{F::Priority, "高"}}), times + "PRIORITY:1\r\n"},
      {"low", With(plain, {{F::Priority, "Low"}}), times + "PRIORITY:9\r\n"},
      {"normal priority", With(plain, {{F::Priority, "標準"}}), times},
      {"free", With(plain, {{F::ShowTimeAs, "0"}}), times + "TRANSP:TRANSPARENT\r\nX-MICROSOFT-CDO-BUSYSTATUS:FREE\r\n"},
      {"out of office", With(plain, {{F::ShowTimeAs, "3"}}), times + "TRANSP:OPAQUE\r\nX-MICROSOFT-CDO-BUSYSTATUS:OOF\r\n"},
      {"working elsewhere", With(plain, {{F::ShowTimeAs, "4"}}),
       times + "TRANSP:OPAQUE\r\nX-MICROSOFT-CDO-BUSYSTATUS:WORKINGELSEWHERE\r\n"},
      {"an unknown status", With(plain, {{F::ShowTimeAs, "7"}}), times},
      {"all of them", With(plain, {{F::Categories, "a"}, {F::Private, "1"}, {F::Priority, "High"}, {F::ShowTimeAs, "2"}}),
       times + "CATEGORIES:a\r\nCLASS:PRIVATE\r\nPRIORITY:1\r\nTRANSP:OPAQUE\r\nX-MICROSOFT-CDO-BUSYSTATUS:BUSY\r\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::string lines = EventLines(ExportOf(kJapanese, {r.values}));
    lines.erase(lines.find("SUMMARY:"), lines.find("\r\n", lines.find("SUMMARY:")) + 2 - lines.find("SUMMARY:"));
    EXPECT_TRUE(SameBytes(lines, r.lines));
  }
  // The day after 9999/12/31 has no date to write: the run fails, naming the
  // record's start, and writes nothing.
  WriteFileBytes(out_, "old");
  const std::string last = ExportOf(
      kJapanese, {With(plain, {{F::AllDay, "True"}, {F::StartDate, "9999/12/31"}, {F::EndDate, "9999/12/31"}})});
  EXPECT_EQ(ErrorOf([&] { Convert(last, OutputFormat::ICalendar); }),
            Hex(Sjis("終日の予定の開始日 '9999/12/31' の翌日は 9999/12/31 より後で、終了日として書けません")));
  EXPECT_EQ(ReadFileBytes(out_), "old");
}

// An option line that names a property the export gives stands in for it;
// the others are added as they are.
TEST_F(EventColumnsTest, AnOptionLineReplacesTheDerivedProperty) {
  const Appointment all = With(Meeting(), {{F::AlarmFlag, "False"}, {F::Place, ""}, {F::Notes, ""},
                                           {F::Sensitivity, "親展"}, {F::Priority, "低"}, {F::ShowTimeAs, "1"}});
  const std::string lines =
      EventLines(ExportOf(kEnglish, {all}), {"class:PUBLIC", "PRIORITY;X-A=1:5", "X-NOTE:1", "TRANSPX:1"});
  EXPECT_NE(lines.find("class:PUBLIC\r\nPRIORITY;X-A=1:5\r\nX-NOTE:1\r\nTRANSPX:1\r\n"), std::string::npos) << lines;
  EXPECT_EQ(lines.find("CLASS:PRIVATE"), std::string::npos);
  EXPECT_EQ(lines.find("PRIORITY:9"), std::string::npos);
  EXPECT_NE(lines.find("TRANSP:OPAQUE\r\nX-MICROSOFT-CDO-BUSYSTATUS:TENTATIVE\r\n"), std::string::npos);
}

// Notes keep their line breaks in the default layout, where they are not
// the last column; a short record still names the column it lacks.
TEST_F(EventColumnsTest, NotesAndShortRecordsInNamedColumns) {
  const std::string ics = EventLines(ExportOf(kJapanese, {Meeting()}));
  EXPECT_NE(ics.find("DESCRIPTION:資料持参\\n\"重要\"の件\\,\r\n"), std::string::npos) << ics;

  const std::string header = ExportOf(kEnglish, {});
  WriteFileBytes(in_, header + "\"t\",\"2024/1/5\",\"10:00:00\",\"2024/1/5\"\r\n");
  try {
    ConversionRun({in_, out_, {}, {}, OutputFormat::VCalendar});
    ADD_FAILURE() << "a record without its end time converted";
  } catch (const ListIndexError& error) {
    // The place is read before the times, as in the ten columns.
    EXPECT_EQ(error.Message(), ListIndexError(16).Message());
  }
}
