#include "conversion/event_block.h"

#include <algorithm>

#include "conversion/character_walk.h"
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

}  // namespace

LineList BuildEventBlock(const LineList& fields, const LineList& optionLines) {
  // The fields are read in a fixed order: it decides which error a faulty
  // record reports (the first missing index, or the first bad date).
  LineList block;
  std::vector<AnsiText>& items = block.Items();
  items.reserve(10 + static_cast<std::size_t>(optionLines.Count()));
  items.emplace_back("BEGIN:VCALENDAR");
  items.emplace_back("BEGIN:VEVENT");
  items.emplace_back("VERSION:1.0");
  items.push_back(kSummary + Encoded(fields.ItemAt(Title)));

  AnsiText description;
  const AnsiText& place = fields.ItemAt(Place);
  if (!TrimBlanks(place).empty()) description = PlaceOpening() + place + ")";

  const AnsiText& startTime = fields.ItemAt(StartTime);
  items.push_back("DTSTART:" + MakeUtcStamp(fields.ItemAt(StartDate), startTime));
  const AnsiText& endTime = fields.ItemAt(EndTime);
  items.push_back("DTEND:" + MakeUtcStamp(fields.ItemAt(EndDate), endTime));

  if (CompareAsciiNoCase(fields.ItemAt(AlarmFlag), "FALSE") == 0) {
    items.emplace_back(kNoAlarm);
  } else {
    const AnsiText& alarmTime = fields.ItemAt(AlarmTime);
    items.push_back(kAlarm + MakeUtcStamp(fields.ItemAt(AlarmDate), alarmTime) + ";");
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
  items.push_back(kDescription + Encoded(TrimBlanks(description)));

  items.insert(items.end(), optionLines.begin(), optionLines.end());
  items.emplace_back("END:VEVENT");
  items.emplace_back("END:VCALENDAR");
  return block;
}
