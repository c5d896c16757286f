// The iCalendar form of a conversion: a round trip through libical's parser
// (where the build has libical) and the content line rules on their own;
// the golden files are compared in examples_test.cpp.
#if QUILLMER_HAVE_LIBICAL
#include <libical/ical.h>
#endif
#include <stdlib.h>

#include <cctype>
#include <memory>
#include <set>

#include "app/memo_text.h"
#include "conversion/conversion_run.h"
#include "conversion/icalendar_block.h"
#include "platform/clock.h"
#include "platform/regional.h"
#include "support/test_support.h"
#include "text/comma_text.h"
#include "text/content_line.h"
#include "text/characters.h"
#include "text/date_time_text.h"
#include "text/errors.h"

using testing_support::Hex;
using testing_support::ReadFileBytes;
using testing_support::SameBytes;
using testing_support::Sjis;
using testing_support::SourceDir;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// The golden files are stamped with 2024-01-01 00:00:00 UTC.
constexpr const char* kStampEpoch = "1704067200";

// Sets the variable, or removes it for nullptr.
void SetSourceDateEpoch(const char* value) {
#ifdef _WIN32
  _putenv_s("SOURCE_DATE_EPOCH", value ? value : "");
#else
  value ? setenv("SOURCE_DATE_EPOCH", value, 1) : unsetenv("SOURCE_DATE_EPOCH");
#endif
}

class ICalendarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::UseRegionalProfile("ja-JP"));
    LoadDateTextSettings();
    SetSourceDateEpoch(kStampEpoch);
  }
  void TearDown() override {
    SetSourceDateEpoch(nullptr);
    platform::ClearRegionalProfileChoice();
  }

  static std::string Source(const std::string& name) { return (SourceDir() / name).string(); }
  static LineList FileLines(const std::string& name) {
    return name.empty() ? LineList{} : MemoLines(ReadMemoFile(Source(name)));
  }

  // Converts the export (a file of the source tree) and returns the output.
  std::string Convert(const std::string& csv, const std::string& options = "", const std::string& filters = "") {
    ConversionRun({Source(csv), out_, FileLines(options), FileLines(filters), OutputFormat::ICalendar});
    return ReadFileBytes(out_);
  }

  // Writes the export text and converts it.
  std::string ConvertText(const std::string& csv) {
    WriteFileBytes(in_, csv);
    ConversionRun({in_, out_, {}, {}, OutputFormat::ICalendar});
    return ReadFileBytes(out_);
  }

  TempDir dir_;
  std::string in_ = dir_ / "export.csv";
  std::string out_ = dir_ / "calendar.ics";
};

#if QUILLMER_HAVE_LIBICAL
struct ComponentFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

std::vector<icalcomponent*> Children(icalcomponent* parent, icalcomponent_kind kind) {
  std::vector<icalcomponent*> children;
  for (icalcomponent* c = icalcomponent_get_first_component(parent, kind); c != nullptr;
       c = icalcomponent_get_next_component(parent, kind))
    children.push_back(c);
  return children;
}

// Parses a whole file as a calendar application would; fails the test on any
// error libical finds and on any broken restriction of RFC 5545.
Component ParseStrictly(const std::string& ics) {
  Component calendar(icalparser_parse_string(ics.c_str()));
  EXPECT_NE(calendar, nullptr);
  if (!calendar) return calendar;
  EXPECT_EQ(icalcomponent_isa(calendar.get()), ICAL_VCALENDAR_COMPONENT);
  EXPECT_EQ(icalcomponent_count_errors(calendar.get()), 0) << icalcomponent_as_ical_string(calendar.get());
  EXPECT_EQ(icalrestriction_check(calendar.get()), 1);
  EXPECT_EQ(icalcomponent_count_errors(calendar.get()), 0) << icalcomponent_as_ical_string(calendar.get());
  return calendar;
}

std::string Text(const char* value) { return value ? value : "(none)"; }

#endif

}  // namespace

#if QUILLMER_HAVE_LIBICAL
TEST_F(ICalendarTest, SamplesReadBackWhole) {
  for (const auto& [csv, events] : {std::pair{"examples/outlook-export.csv", 20u},
                                    std::pair{"examples/outlook-default-export.csv", 22u}}) {
    SCOPED_TRACE(csv);
    const Component calendar = ParseStrictly(Convert(csv));
    ASSERT_TRUE(calendar);
    EXPECT_EQ(Children(calendar.get(), ICAL_VEVENT_COMPONENT).size(), events);
  }
}

TEST_F(ICalendarTest, AwkwardAppointmentsReadBackAsWritten) {
  const Component calendar =
      ParseStrictly(Convert("tests/data/icalendar-cases.csv", "tests/data/icalendar-cases.option.txt"));
  ASSERT_TRUE(calendar);
  const std::vector<icalcomponent*> events = Children(calendar.get(), ICAL_VEVENT_COMPONENT);
  ASSERT_EQ(events.size(), 8u);

  struct Row {
    const char* name;
    std::string summary, location, description, trigger;  // "(none)": absent
  };
  const std::string longNote = ReadFileBytes(Source("tests/data/icalendar-long-note.txt"));
  const Row rows[] = {
      {"neither place nor notes", "場所もメモもない", "(none)", "(none)", "(none)"},
      {"no notes column, blank place", "メモ列のない予定", "(none)", "(none)", "(none)"},
      {"commas, semicolons, backslashes, yen", "a,b;c\\d ￥1,000 ソフト表示", "会議室A; B\\C", "件名の記号",
       "20240305T035000Z"},
      {"multi-line note", "複数行のメモ", "本社", "一行目\n二行目, 続き\n\n四行目", "20240305T230000Z"},
      {"10 KB note", "長いメモ", "(none)", longNote, "(none)"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].name);
    icalcomponent* event = events[i];
    EXPECT_EQ(Text(icalcomponent_get_summary(event)), rows[i].summary);
    EXPECT_EQ(Text(icalcomponent_get_location(event)), rows[i].location);
    EXPECT_TRUE(SameBytes(Text(icalcomponent_get_description(event)), rows[i].description));
    const std::vector<icalcomponent*> alarms = Children(event, ICAL_VALARM_COMPONENT);
    std::string trigger = "(none)";
    if (!alarms.empty()) {
      icalproperty* property = icalcomponent_get_first_property(alarms[0], ICAL_TRIGGER_PROPERTY);
      ASSERT_NE(property, nullptr);
      trigger = icaltime_as_ical_string(icalproperty_get_trigger(property).time);
      EXPECT_EQ(Text(icalcomponent_get_description(alarms[0])), rows[i].summary);
    }
    EXPECT_EQ(trigger, rows[i].trigger);
    // The empty option line is left out; the others come as they were typed.
    EXPECT_EQ(Text(icalproperty_get_x(icalcomponent_get_first_property(event, ICAL_X_PROPERTY))), "ascii");
    EXPECT_NE(icalcomponent_get_first_property(event, ICAL_CATEGORIES_PROPERTY), nullptr);
  }

  std::set<std::string> uids;
  for (icalcomponent* event : events) uids.insert(icalcomponent_get_uid(event));
  EXPECT_EQ(uids.size(), events.size()) << "three equal appointments share a UID";
}
#endif

// Where the export broke a note over several lines, the calendar shows the
// breaks.
TEST_F(ICalendarTest, NotesKeepTheirLineBreaks) {
  const std::string head = "\"h\"\r\n\"t\",\"\",\"2024/01/01\",\"9:00\",\"2024/01/01\",\"10:00\",\"FALSE\",\"\",\"\",";
  struct Row {
    const char* name;
    std::string notes;        // the notes column as the export holds it
    std::string description;  // the DESCRIPTION line, or "" for none
  };
  const Row rows[] = {
      {"CR LF", "\"a\r\nb\"", "DESCRIPTION:a\\nb"},
      {"lone LF and lone CR", "\"a\nb\rc\"", "DESCRIPTION:a\\nb\\nc"},
      {"a break right after the opening quote", "\"\r\nb\"", "DESCRIPTION:\\nb"},
      {"a line that ends with a comma", "\"a,\r\nb\"", "DESCRIPTION:a\\,\\nb"},
      {"doubled quotes", "\"a \"\"x\"\" b\r\nc \"\"y\"\"d\"", "DESCRIPTION:a \"x\" b\\nc \"y\"d"},
      {"a break after doubled quotes", "\"a,\"\"\r\nb\"", "DESCRIPTION:a\\,\"\\nb"},
      {"a break right before the closing quote", "\"a\r\n\"", "DESCRIPTION:a\\n"},
      {"an unquoted note ends the record on its line", "ab", "DESCRIPTION:ab"},
      {"only breaks", "\"\r\n\r\n\"", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string ics = ConvertText(head + r.notes + "\r\n");
    const std::size_t at = ics.find("DESCRIPTION:");
    EXPECT_EQ(at == std::string::npos ? "" : ics.substr(at, ics.find("\r\n", at) - at), r.description);
  }
  // An empty line between records is joined to the next record and dropped.
  const std::string record = head.substr(5) + "\"n\"\r\n";
  const std::string twice = ConvertText("\"h\"\r\n" + record + "\r\n" + record);
  EXPECT_NE(twice.find("-2\r\n"), std::string::npos) << "the second record differs from the first";
}

// A record that fails one format fails the other with the same message:
// every number of fields, alarm on and off, a bad date in each stamp.
TEST_F(ICalendarTest, SameErrorsAsTheVCalendarBlocks) {
  const std::vector<std::string> full = {"t", "p", "2024/01/01", "9:00", "2024/01/01", "10:00", "TRUE",
                                         "2024/01/01", "8:50", "n"};
  std::vector<std::vector<std::string>> records;
  for (const char* flag : {"TRUE", "FALSE"}) {
    for (std::size_t count = 0; count <= full.size(); ++count) {
      std::vector<std::string> fields(full.begin(), full.begin() + static_cast<long>(count));
      if (count > 6) fields[6] = flag;
      records.push_back(fields);
    }
  }
  for (const std::size_t bad : {2u, 4u, 7u}) {
    records.push_back(full);
    records.back()[bad] = "2024/02/30";
  }
  auto outcome = [this](const std::string& csv, OutputFormat format) -> std::string {
    WriteFileBytes(in_, csv);
    try {
      ConversionRun({in_, out_, {}, {}, format});
      return "converted";
    } catch (const QuillmerError& error) {
      return error.Message();
    }
  };
  int failures = 0;
  for (const std::vector<std::string>& fields : records) {
    std::string csv = "\"h\"\r\n";
    for (std::size_t i = 0; i < fields.size(); ++i) csv += (i ? ",\"" : "\"") + fields[i] + "\"";
    csv += "\r\n";
    SCOPED_TRACE(csv);
    const std::string expected = outcome(csv, OutputFormat::VCalendar);
    failures += expected != "converted";
    EXPECT_EQ(outcome(csv, OutputFormat::ICalendar), expected);
  }
  EXPECT_EQ(failures, 19);
}

// Tens of thousands of records, each three times in batches far apart (some
// of them written ahead of their count): every UID differs, and the same
// record numbered in file order.
TEST_F(ICalendarTest, UidsStayApartInALargeExport) {
  constexpr int kDistinct = 20000;
  std::string csv = "\"h\"\r\n";
  for (int i = 0; i < 3 * kDistinct; ++i)
    csv += "\"t" + std::to_string(i % kDistinct) + "\",\"\",\"2024/01/01\",\"9:00\",\"2024/01/01\",\"10:00\",\"FALSE\"\r\n";
  const std::string ics = ConvertText(csv);
  std::set<std::string> uids;
  std::vector<std::string> ofFirst;
  for (std::size_t at = ics.find("UID:"); at != std::string::npos; at = ics.find("UID:", at + 1)) {
    const std::string uid = ics.substr(at, ics.find("\r\n", at) - at);
    uids.insert(uid);
    if (ofFirst.size() < 3 && (uids.size() == 1 || uid.starts_with(ofFirst[0].substr(0, ofFirst[0].size() - 1))))
      ofFirst.push_back(uid);
  }
  EXPECT_EQ(uids.size(), 3u * kDistinct);
  ASSERT_EQ(ofFirst.size(), 3u);
  EXPECT_TRUE(ofFirst[0].ends_with("-1") && ofFirst[1].ends_with("-2") && ofFirst[2].ends_with("-3"));
}

// Read in another zone than Japan's, a record is another event: its UID
// differs by zone, and Japan's is the UID the golden file holds.
TEST_F(ICalendarTest, UidsNameTheZone) {
  auto firstUid = [&](const char* zone) {
    ConversionRequest request{Source("examples/outlook-export.csv"), out_, {}, {}, OutputFormat::ICalendar};
    request.Zone = LoadTimeZone(zone);
    ConversionRun(request);
    const std::string ics = ReadFileBytes(out_);
    const std::size_t at = ics.find("UID:");
    return ics.substr(at, ics.find("\r\n", at) - at);
  };
  const std::string golden = ReadFileBytes(SourceDir() / "examples/outlook-export.ics");
  const std::string japan = firstUid("Asia/Tokyo");
  EXPECT_NE(golden.find(japan + "\r\n"), std::string::npos);
  const std::set<std::string> uids = {japan, firstUid("Europe/London"), firstUid("America/New_York"), firstUid("UTC")};
  EXPECT_EQ(uids.size(), 4u);
  EXPECT_EQ(firstUid("Europe/London"), firstUid("Europe/London"));
}

TEST_F(ICalendarTest, NothingConvertedIsAnEmptyCalendar) {
  EXPECT_EQ(ConvertText("\"h\"\r\n"),
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Quillmer//Quillmer " QUILLMER_BUILD_VERSION
            "//EN\r\nCALSCALE:GREGORIAN\r\nEND:VCALENDAR\r\n");
}

TEST_F(ICalendarTest, StampFromSourceDateEpoch) {
  const std::string csv = "\"h\"\r\n\"t\",\"\",\"2024/01/01\",\"9:00\",\"2024/01/01\",\"10:00\",\"FALSE\"\r\n";
  // The environment's own text: UTF-8 here, the code page on Windows.
#ifdef _WIN32
  const std::string era = Sjis("平成");
#else
  const std::string era = "平成";
#endif
  struct Row {
    std::string value;
    const char* stamp;  // nullptr: the run fails, quoting the value as shown, and writes nothing
    std::string shown;
  };
  const Row rows[] = {
      {"0", "19700101T000000Z", ""},
      {"951782400", "20000229T000000Z", ""},
      {"253402300799", "99991231T235959Z", ""},
      {"253402300800", nullptr, "253402300800"},
      {"-1", nullptr, "-1"},
      {"1e9", nullptr, "1e9"},
      {"12 ", nullptr, "12 "},
      {era + "1", nullptr, Sjis("平成") + "1"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.value);
    SetSourceDateEpoch(r.value.c_str());
    WriteFileBytes(out_, "old");
    if (r.stamp) {
      EXPECT_NE(ConvertText(csv).find(std::string("\r\nDTSTAMP:") + r.stamp + "\r\n"), std::string::npos);
    } else {
      try {
        ConvertText(csv);
        ADD_FAILURE() << "no error";
      } catch (const PlainError& error) {
        EXPECT_EQ(Hex(error.Message()), Hex(Sjis("環境変数 SOURCE_DATE_EPOCH の値 '") + r.shown +
                                            Sjis("' は 1970 年 1 月 1 日からの秒数 (0 から 253402300799 まで) ではありません")));
      }
      EXPECT_EQ(ReadFileBytes(out_), "old");
    }
  }
  // Unset or empty: the clock, in the same form.
  for (const bool empty : {false, true}) {
    SetSourceDateEpoch(empty ? "" : nullptr);
    const std::string ics = ConvertText(csv);
    const std::size_t at = ics.find("DTSTAMP:");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(ics.find("\r\n", at) - at, 8u + 16u);
    EXPECT_EQ(ics.substr(at + 8, 2), "20");
  }
}

TEST(ContentLine, FoldingAndEscaping) {
  const std::string a74(74, 'a');
  const std::string a75(75, 'a');
  struct Row {
    const char* name;
    std::string head, value;  // a TEXT value in code page 932, or "" for a whole UTF-8 line in head
    std::string out;
  };
  const Row rows[] = {
      {"75 octets stay on one line", a75, "", a75 + "\r\n"},
      {"the 76th octet folds", a75 + "b", "", a75 + "\r\n b\r\n"},
      {"a continuation holds the space and 74 octets", a75 + a74 + "bc", "", a75 + "\r\n " + a74 + "\r\n bc\r\n"},
      {"a UTF-8 sequence moves whole to the next line", a74 + "あ", "", a74 + "\r\n あ\r\n"},
      {"a four-octet sequence as well", std::string(72, 'a') + "😀", "", std::string(72, 'a') + "\r\n 😀\r\n"},
      {"an option line is not escaped", "CATEGORIES:a,b;c", "", "CATEGORIES:a,b;c\r\n"},
      {"converted and escaped", "X:", Sjis("a\\b;c,d\ne:f\"g ￥ソ表"), "X:a\\\\b\\;c\\,d\\ne:f\"g ￥ソ表\r\n"},
      {"an escape is never split", "X:", std::string(72, 'a') + ",", "X:" + std::string(72, 'a') + "\r\n \\,\r\n"},
      {"an escape that just fits", "X:", std::string(71, 'a') + ";", "X:" + std::string(71, 'a') + "\\;\r\n"},
      {"a converted character moves whole", "X:", std::string(71, 'a') + Sjis("あ"),
       "X:" + std::string(71, 'a') + "\r\n あ\r\n"},
      {"empty value", "SUMMARY:", "", "SUMMARY:\r\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::string out = "before";
    if (r.value.empty() && !r.head.ends_with(":")) {
      AppendFoldedLine(r.head, out);
    } else {
      AppendTextLine(r.head, r.value, out);
      // Written in parts of every size, the same line.
      for (std::size_t step = 1; step < r.value.size(); ++step) {
        std::string parts = "before";
        TextLineWriter line(r.head, parts);
        for (std::size_t p = 0; p < r.value.size();) p += line.PutText(std::string_view(r.value).substr(p), step, parts);
        line.End(parts);
        ASSERT_TRUE(SameBytes(parts, "before" + r.out)) << "parts of " << step;
      }
    }
    EXPECT_TRUE(SameBytes(out, "before" + r.out));
  }
}

// Option lines, as every event carries them. A line that is no content
// line, names what the writer writes, or names again a property an event
// holds once fails the run before anything is written, quoting the line and
// its number; a line naming the place or the notes stands in for the
// export's. Every file written passes the strict reader; the vCalendar
// blocks still copy each line as it is.
TEST_F(ICalendarTest, OptionLines) {
  struct Row {
    std::string name;
    std::vector<std::string> lines;  // after "X-FIRST:1" and an empty line
    int refused;                     // the number of the refused line, or 0
    bool libicalKeeps = true;        // libical drops an X- property without a value
  };
  std::vector<Row> rows = {
      {"a plain property", {"X-NOTE:1"}, 0},
      {"parameters, quoted and listed", {"X-A;LANGUAGE=ja;X-B=\"a:b;c\",d:v\tw"}, 0},
      {"Japanese value", {Sjis("CATEGORIES:仕事")}, 0},
      {"an empty value", {"X-A:"}, 0, false},
      {"a leading blank folds into the line before", {" X-NOTE:1"}, 3},
      {"a leading tab", {"\tX-NOTE:1"}, 3},
      {"no colon", {"X-NOTE"}, 3},
      {"a name with a blank", {"X NOTE:1"}, 3},
      {"a control character in the value", {"X-NOTE:a\x01" "b"}, 3},
      {"a quote in a plain parameter value", {"X-A;B=a\"b:1"}, 3},
      {"an unclosed quoted parameter", {"X-A;B=\"ab:1"}, 3},
      {"ends the event", {"END:VEVENT"}, 3},
      {"opens a component", {"begin:VTODO"}, 3},
      {"ends the calendar", {"END:VCALENDAR"}, 3},
      {"the writer's UID", {"UID:x"}, 3},
      {"the writer's start", {"DTSTART;VALUE=DATE:20240101"}, 3},
      {"a duration beside the writer's end", {"DURATION:PT1H"}, 3},
      {"a second summary", {"summary;LANGUAGE=en:x"}, 3},
      {"properties an event may hold many times",
       {"CATEGORIES:a", "CATEGORIES:b", "ATTENDEE:mailto:a@example.org", "ATTENDEE:mailto:b@example.org",
        "X-MICROSOFT-CDO-BUSYSTATUS:BUSY", "X-MICROSOFT-CDO-BUSYSTATUS:FREE"},
       0},
  };
  // Each property an event holds at most once: given once it is written
  // (the place and the notes instead of the export's); given again it is
  // refused at the second line, whatever its letter case.
  const std::vector<std::string> once = {
      "LOCATION:Room 1",       "DESCRIPTION;LANGUAGE=en:see the plan", "CLASS:PUBLIC",
      "PRIORITY:5",            "TRANSP:TRANSPARENT",                   "GEO:35.68;139.76",
      "ORGANIZER:mailto:a@example.org", "STATUS:CONFIRMED",            "URL:https://example.org/",
      "SEQUENCE:1",            "CREATED:20240101T000000Z",             "LAST-MODIFIED:20240101T000000Z",
      "RECURRENCE-ID:20240101T000000Z"};
  rows.push_back({"each once-only property once", once, 0});
  for (const std::string& line : once) {
    std::string again = line;
    for (std::size_t i = 0; i < again.find_first_of(";:"); ++i) again[i] = static_cast<char>(std::tolower(again[i]));
    rows.push_back({line + " twice", {line, "X-B:1", again}, 5});
  }

  const std::string csv =
      "\"h\"\r\n\"t\",\"p\",\"2024/01/01\",\"9:00\",\"2024/01/01\",\"10:00\",\"FALSE\",\"\",\"\",\"n\"\r\n";
  WriteFileBytes(in_, csv);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteFileBytes(out_, "old");
    LineList options = {"X-FIRST:1", ""};
    for (const std::string& line : r.lines) options.Append(line);
    const std::string error = testing_support::ErrorOf([&] { ConversionRun({in_, out_, options, {}, OutputFormat::ICalendar}); });
    if (r.refused) {
      EXPECT_EQ(error, Hex(OptionLineError(r.refused, r.lines[static_cast<std::size_t>(r.refused - 3)]).Message()));
      EXPECT_EQ(ReadFileBytes(out_), "old");
    } else {
      EXPECT_EQ(error, "no error");
      const std::string ics = ReadFileBytes(out_);
      for (const std::string& line : r.lines) EXPECT_NE(ics.find("\r\n" + AnsiTextToUtf8(line) + "\r\n"), std::string::npos) << line;
#if QUILLMER_HAVE_LIBICAL
      if (r.libicalKeeps) {
        EXPECT_TRUE(ParseStrictly(ics));
      }
#endif
    }
    ConversionRun({in_, out_, options, {}, OutputFormat::VCalendar});
    for (const std::string& line : r.lines) EXPECT_NE(ReadFileBytes(out_).find("\r\n" + line + "\r\n"), std::string::npos);
  }
}

// TEXT values cannot hold control characters: they are left out, a tab
// stays, and a line break of the notes stays the escape \n.
TEST_F(ICalendarTest, ControlCharactersAreLeftOutOfText) {
  const std::string ics = ConvertText(
      "\"h\"\r\n\"a\x01" "b\x7F" "c\td\",\"p\x1B" "q\",\"2024/01/01\",\"9:00\",\"2024/01/01\",\"10:00\",\"FALSE\",\"\",\"\","
      "\"x\x02y\r\nz\"\r\n");
  EXPECT_NE(ics.find("SUMMARY:abc\td\r\n"), std::string::npos) << ics;
  EXPECT_NE(ics.find("LOCATION:pq\r\n"), std::string::npos) << ics;
  EXPECT_NE(ics.find("DESCRIPTION:xy\\nz\r\n"), std::string::npos) << ics;
}
