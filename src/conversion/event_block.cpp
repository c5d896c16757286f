#include "conversion/event_block.h"

#include <algorithm>

#include "conversion/block_output.h"
#include "conversion/timestamps.h"
#include "platform/code_page.h"
#include "text/character_walk.h"
#include "text/characters.h"
#include "text/quoted_printable.h"
#include "text/text_settings.h"

namespace {

// "(＠" is a fixed text of the program, carried in code page 932; under any
// other code page those bytes would read as other characters, so there the
// opening is the ASCII at sign.
std::string_view PlaceOpening() {
  static const AnsiText fullWidth = platform::Cp932FromUtf8("(＠");
  return ActiveCodePage().Number() == 932 ? std::string_view(fullWidth) : "(@";
}

constexpr const char* kSummary = "SUMMARY;ENCODING=QUOTED-PRINTABLE:";
constexpr const char* kDescription = "DESCRIPTION;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:";
constexpr const char* kAlarm = "DALARM;ENCODING=QUOTED-PRINTABLE:";
constexpr const char* kNoAlarm = "DALARM;ENCODING=QUOTED-PRINTABLE:00000000T000000Z;";

// The description cut to its limit, trimmed and in UTF-8, written over utf8.
// Usually one walk over the text; description may be changed.
std::string_view DescriptionAsUtf8(AnsiText& description, std::string& utf8) {
  utf8.clear();
  if (AppendTrimmedCutAsUtf8(description, DescriptionByteLimit, utf8)) return utf8;
  if (description.size() > DescriptionByteLimit)
    description = CutToByteLimit(description, DescriptionByteLimit);
  AppendAnsiTextToUtf8(TrimmedBlanks(description), utf8);
  return utf8;
}

// Writes the items of one block, in order, to a sink.
template <typename Sink>
void WriteEventBlock(const EventRecord& record, const LineList& optionLines, const TimeZone& zone, Sink& sink) {
  // The fields are read in a fixed order: it decides which error a faulty
  // record reports (the first missing index, or the first bad date).
  sink.Item("BEGIN:VCALENDAR");
  sink.Item("BEGIN:VEVENT");
  sink.Item("VERSION:1.0");
  sink.EncodedItem(kSummary, record.Required(EventField::Title));

  // The description is assembled in the sink's buffer, reused from block to
  // block.
  AnsiText& description = sink.Description();
  description.clear();
  // The cut looks at no more than its first 130 characters, so a long place
  // or note is copied only that far.
  constexpr std::size_t kRoom = 3 * (DescriptionByteLimit + 2);
  const std::string_view place = record.Required(EventField::Place);
  if (!TrimmedBlanks(place).empty()) {
    description.append(PlaceOpening()).append(place.substr(0, std::min(place.size(), kRoom))).append(")");
  }

  const std::string_view startTime = record.Required(EventField::StartTime);
  sink.Item("DTSTART:", UtcStamp(record.Required(EventField::StartDate), startTime, zone).Text());
  const std::string_view endTime = record.Required(EventField::EndTime);
  sink.Item("DTEND:", UtcStamp(record.Required(EventField::EndDate), endTime, zone).Text());

  if (!record.AlarmOn()) {
    sink.Item(kNoAlarm);
  } else {
    const std::string_view alarmTime = record.Required(EventField::AlarmTime);
    sink.Item(kAlarm, UtcStamp(record.Required(EventField::AlarmDate), alarmTime, zone).Text(), ";");
  }

  if (const std::optional<std::string_view> notes = record.Optional(EventField::Notes)) {
    description += ' ';
    description.append(notes->substr(0, std::min(notes->size(), kRoom)));
  }
  sink.EncodedUtf8Item(kDescription, DescriptionAsUtf8(description, sink.Utf8()));

  for (const AnsiText& option : optionLines) sink.Item(option);
  sink.Item("END:VEVENT");
  sink.Item("END:VCALENDAR");
}

// Writes into the output. Its buffers live as long as the thread, so the
// blocks of a conversion run allocate nothing of their own once warmed up.
struct TextSink {
  BlockOutput& out;

  void Item(std::string_view a, std::string_view b = {}, std::string_view c = {}) {
    out.Text().append(a).append(b).append(c).append("\r\n");
    out.Step();
  }
  // head, the value in UTF-8 as quoted-printable, encoded straight into the
  // output, a long value in steps.
  void EncodedItem(std::string_view head, std::string_view ansi) {
    AppendQuotedPrintableItem(head, ansi, out);
    out.Step();
  }
  void EncodedUtf8Item(std::string_view head, std::string_view utf8Text) {
    AnsiText& text = out.Text();
    text.append(head);
    AppendQuotedPrintable(utf8Text, text);
    text.append("\r\n");
    out.Step();
  }
  AnsiText& Description() {
    thread_local AnsiText description;
    return description;
  }
  std::string& Utf8() {
    thread_local std::string utf8;
    return utf8;
  }
};

}  // namespace

void AppendEventBlock(const EventRecord& record, const LineList& optionLines, const TimeZone& zone,
                      BlockOutput& out) {
  TextSink sink{out};
  WriteEventBlock(record, optionLines, zone, sink);
}
