#include "conversion/event_block.h"

#include <algorithm>

#include "conversion/character_walk.h"
#include "conversion/event_block_text.h"
#include "conversion/timestamps.h"
#include "platform/code_page.h"
#include "text/characters.h"
#include "text/quoted_printable.h"

namespace {

enum Field { Title, Place, StartDate, StartTime, EndDate, EndTime, AlarmFlag, AlarmDate, AlarmTime, Notes };

// "(＠" is a fixed text of the program, carried in code page 932.
const AnsiText& PlaceOpening() {
  static const AnsiText text = platform::Cp932FromUtf8("(＠");
  return text;
}

constexpr const char* kSummary = "SUMMARY;ENCODING=QUOTED-PRINTABLE:";
constexpr const char* kDescription = "DESCRIPTION;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:";
constexpr const char* kAlarm = "DALARM;ENCODING=QUOTED-PRINTABLE:";
constexpr const char* kNoAlarm = "DALARM;ENCODING=QUOTED-PRINTABLE:00000000T000000Z;";

AnsiText Encoded(std::string_view ansi) { return EncodeQuotedPrintable(AnsiTextToUtf8(ansi)); }

// Writes the items of one block, in order, to a sink: a list of items or the
// output text.
template <typename Sink>
void WriteEventBlock(const LineList& fields, const LineList& optionLines, Sink& sink) {
  // The fields are read in a fixed order: it decides which error a faulty
  // record reports (the first missing index, or the first bad date).
  sink.Item("BEGIN:VCALENDAR");
  sink.Item("BEGIN:VEVENT");
  sink.Item("VERSION:1.0");
  sink.Item(kSummary, Encoded(fields.ItemAt(Title)));

  AnsiText description;
  const AnsiText& place = fields.ItemAt(Place);
  if (!TrimBlanks(place).empty()) description = PlaceOpening() + place + ")";

  const AnsiText& startTime = fields.ItemAt(StartTime);
  sink.Item("DTSTART:", MakeUtcStamp(fields.ItemAt(StartDate), startTime));
  const AnsiText& endTime = fields.ItemAt(EndTime);
  sink.Item("DTEND:", MakeUtcStamp(fields.ItemAt(EndDate), endTime));

  if (CompareAsciiNoCase(fields.ItemAt(AlarmFlag), "FALSE") == 0) {
    sink.Item(kNoAlarm);
  } else {
    const AnsiText& alarmTime = fields.ItemAt(AlarmTime);
    sink.Item(kAlarm, MakeUtcStamp(fields.ItemAt(AlarmDate), alarmTime), ";");
  }

  if (fields.Count() > Notes) {
    // The cut looks at no more than its first 130 characters, so a long note
    // is copied only that far.
    const AnsiText& notes = fields.ItemAt(Notes);
    constexpr std::size_t kRoom = 3 * (DescriptionByteLimit + 2);
    description += ' ';
    description.append(notes, 0, std::min(notes.size(), kRoom));
  }
  description = detail::CutToByteLimit(description, DescriptionByteLimit);
  sink.Item(kDescription, Encoded(TrimBlanks(description)));

  for (const AnsiText& option : optionLines) sink.Item(option);
  sink.Item("END:VEVENT");
  sink.Item("END:VCALENDAR");
}

struct ListSink {
  std::vector<AnsiText>& items;
  void Item(std::string_view a, std::string_view b = {}, std::string_view c = {}) {
    AnsiText& item = items.emplace_back();
    item.reserve(a.size() + b.size() + c.size());
    item.append(a).append(b).append(c);
  }
};

struct TextSink {
  AnsiText& out;
  void Item(std::string_view a, std::string_view b = {}, std::string_view c = {}) {
    out.append(a).append(b).append(c).append("\r\n");
  }
};

}  // namespace

LineList BuildEventBlock(const LineList& fields, const LineList& optionLines) {
  LineList block;
  block.Items().reserve(10 + static_cast<std::size_t>(optionLines.Count()));
  ListSink sink{block.Items()};
  WriteEventBlock(fields, optionLines, sink);
  return block;
}

namespace detail {

void AppendEventBlockText(const LineList& fields, const LineList& optionLines, AnsiText& out) {
  TextSink sink{out};
  WriteEventBlock(fields, optionLines, sink);
}

}  // namespace detail
