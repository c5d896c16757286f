#include "conversion/event_block.h"

#include <algorithm>

#include "conversion/timestamps.h"
#include "platform/code_page.h"
#include "platform/code_page.h"
#include "text/character_walk.h"
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

// The UtcStamp of a date and a time column (MakeUtcStamp), kept on the stack.
class Stamp {
 public:
  Stamp(std::string_view dateText, std::string_view timeText)
      : size_(detail::WriteLocalTimeAsUtcStamp(dateText, timeText, bytes_)) {}
  std::string_view Text() const { return {bytes_, size_}; }

 private:
  char bytes_[detail::kUtcStampRoom];
  std::size_t size_;
};

// Writes the items of one block, in order, to a sink: a list of items or the
// output text.
template <typename Sink>
void WriteEventBlock(const LineList& fields, const LineList& optionLines, Sink& sink) {
  // The fields are read in a fixed order: it decides which error a faulty
  // record reports (the first missing index, or the first bad date).
  sink.Item("BEGIN:VCALENDAR");
  sink.Item("BEGIN:VEVENT");
  sink.Item("VERSION:1.0");
  sink.EncodedItem(kSummary, fields.ItemAt(Title));

  // The description is assembled in the sink's buffer, reused from block to
  // block.
  AnsiText& description = sink.Description();
  description.clear();
  const AnsiText& place = fields.ItemAt(Place);
  if (!TrimmedBlanks(place).empty()) description.append(PlaceOpening()).append(place).append(")");

  const AnsiText& startTime = fields.ItemAt(StartTime);
  sink.Item("DTSTART:", Stamp(fields.ItemAt(StartDate), startTime).Text());
  const AnsiText& endTime = fields.ItemAt(EndTime);
  sink.Item("DTEND:", Stamp(fields.ItemAt(EndDate), endTime).Text());

  if (CompareAsciiNoCase(fields.ItemAt(AlarmFlag), "FALSE") == 0) {
    sink.Item(kNoAlarm);
  } else {
    const AnsiText& alarmTime = fields.ItemAt(AlarmTime);
    sink.Item(kAlarm, Stamp(fields.ItemAt(AlarmDate), alarmTime).Text(), ";");
  }

  if (fields.Count() > Notes) {
    // The cut looks at no more than its first 130 characters, so a long note
    // is copied only that far.
    const AnsiText& notes = fields.ItemAt(Notes);
    constexpr std::size_t kRoom = 3 * (DescriptionByteLimit + 2);
    description += ' ';
    description.append(notes, 0, std::min(notes.size(), kRoom));
  }
  if (description.size() > DescriptionByteLimit)
    description = detail::CutToByteLimit(description, DescriptionByteLimit);
  sink.EncodedItem(kDescription, TrimmedBlanks(description));

  for (const AnsiText& option : optionLines) sink.Item(option);
  sink.Item("END:VEVENT");
  sink.Item("END:VCALENDAR");
}

struct ListSink {
  std::vector<AnsiText>& items;
  AnsiText description;

  void Item(std::string_view a, std::string_view b = {}, std::string_view c = {}) {
    AnsiText& item = items.emplace_back();
    item.reserve(a.size() + b.size() + c.size());
    item.append(a).append(b).append(c);
  }
  void EncodedItem(std::string_view head, std::string_view ansi) { Item(head, Encoded(ansi)); }
  AnsiText& Description() { return description; }
};

// Writes into the output text. Its buffers live as long as the thread, so the
// blocks of a conversion run allocate nothing of their own once warmed up.
struct TextSink {
  AnsiText& out;

  void Item(std::string_view a, std::string_view b = {}, std::string_view c = {}) {
    out.append(a).append(b).append(c).append("\r\n");
  }
  // Item(head, Encoded(ansi)), encoded straight into the output.
  void EncodedItem(std::string_view head, std::string_view ansi) {
    thread_local std::string utf8;
    utf8.clear();
    detail::AppendAnsiTextToUtf8(ansi, utf8);
    out.append(head);
    detail::AppendQuotedPrintable(utf8, out);
    out.append("\r\n");
  }
  AnsiText& Description() {
    thread_local AnsiText description;
    return description;
  }
};

}  // namespace

LineList BuildEventBlock(const LineList& fields, const LineList& optionLines) {
  LineList block;
  block.Items().reserve(10 + static_cast<std::size_t>(optionLines.Count()));
  ListSink sink{block.Items(), {}};
  WriteEventBlock(fields, optionLines, sink);
  return block;
}

namespace detail {

void AppendEventBlockText(const LineList& fields, const LineList& optionLines, AnsiText& out) {
  TextSink sink{out};
  WriteEventBlock(fields, optionLines, sink);
}

}  // namespace detail
