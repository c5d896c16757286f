#include "conversion/icalendar_block.h"

#include <optional>
#include <string>

#include "conversion/timestamps.h"
#include "text/char_tables.h"
#include "text/characters.h"
#include "text/comma_text.h"
#include "text/content_line.h"

#ifndef QUILLMER_VERSION_TEXT
#error "QUILLMER_VERSION_TEXT comes from the project version in CMakeLists.txt"
#endif

namespace detail {
namespace {

enum Field { Title, Place, StartDate, StartTime, EndDate, EndTime, AlarmFlag, AlarmDate, AlarmTime, Notes };

// The UtcStamp of a date and a time column, as the vCalendar block writes it.
class Stamp {
 public:
  Stamp(std::string_view dateText, std::string_view timeText)
      : size_(WriteUtcStamp(AddHours(ParseLocalDateTime(dateText, timeText), LocalToUtcHours), bytes_)) {}
  std::string_view Text() const { return {bytes_, size_}; }

 private:
  char bytes_[kUtcStampRoom];
  std::size_t size_;
};

bool IsBlank(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) > 0x20) return false;
  }
  return true;
}

// True when withBreaks is text with some LF bytes added.
bool EqualWithoutLineFeeds(std::string_view withBreaks, std::string_view text) {
  std::size_t t = 0;
  for (const char c : withBreaks) {
    if (c == '\n') continue;
    if (t == text.size() || text[t] != c) return false;
    ++t;
  }
  return t == text.size();
}

std::uint64_t Word(const char* p, std::size_t n) {
  std::uint64_t w = 0;
  for (std::size_t i = 0; i < n; ++i) w |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
  return w;
}

void AppendUid(std::uint64_t hash, std::uint32_t occurrence, AnsiText& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.append("UID:quillmer-");
  for (int shift = 60; shift >= 0; shift -= 4) out.push_back(kHex[(hash >> shift) & 0xF]);
  out.push_back('-');
  out.append(std::to_string(occurrence));
  out.append("\r\n");
}

}  // namespace

std::uint64_t RecordHash(std::string_view bytes) {
  // Eight bytes at a time (little-endian, the last word padded with zeros;
  // the length is in the seed), then MurmurHash3's finaliser.
  std::uint64_t h = 0x517CC1B727220A95ULL ^ bytes.size();
  std::size_t p = 0;
  for (; p + 8 <= bytes.size(); p += 8) {
    h = (h ^ Word(bytes.data() + p, 8)) * 0x9E3779B97F4A7C15ULL;
    h ^= h >> 32;
  }
  if (p < bytes.size()) {
    h = (h ^ Word(bytes.data() + p, bytes.size() - p)) * 0x9E3779B97F4A7C15ULL;
    h ^= h >> 32;
  }
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDULL;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ULL;
  h ^= h >> 33;
  return h;
}

ICalendarWriter::ICalendarWriter(const LineList& optionLines, std::int64_t runTime) {
  for (const AnsiText& line : optionLines) {
    if (line.empty()) continue;
    AppendFoldedLine(AnsiTextToUtf8(line), options_);
  }
  stamp_ = "DTSTAMP:" + FormatUtcStamp(25569.0 + static_cast<double>(runTime) / 86400.0) + "\r\n";
}

void ICalendarWriter::AppendHead(AnsiText& out) const {
  out.append("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n");
  AppendFoldedLine("PRODID:-//Quillmer//Quillmer " QUILLMER_VERSION_TEXT "//EN", out);
  out.append("CALSCALE:GREGORIAN\r\n");
}

void ICalendarWriter::AppendTail(AnsiText& out) const { out.append("END:VCALENDAR\r\n"); }

void ICalendarWriter::AppendEvent(const LineList& fields, std::string_view record, std::size_t index,
                                  AnsiText& out) {
  // The fields are read in the vCalendar block's order, so that a faulty
  // record reports the same first error in both formats.
  const AnsiText& title = fields.ItemAt(Title);
  const AnsiText& place = fields.ItemAt(Place);
  const AnsiText& startTime = fields.ItemAt(StartTime);
  const Stamp start(fields.ItemAt(StartDate), startTime);
  const AnsiText& endTime = fields.ItemAt(EndTime);
  const Stamp end(fields.ItemAt(EndDate), endTime);
  std::optional<Stamp> alarm;
  if (CompareAsciiNoCase(fields.ItemAt(AlarmFlag), "FALSE") != 0) {
    const AnsiText& alarmTime = fields.ItemAt(AlarmTime);
    alarm.emplace(fields.ItemAt(AlarmDate), alarmTime);
  }
  const std::string_view notes = fields.Count() > Notes ? NotesWithBreaks(fields, record, index) : "";

  // Equal records hash alike; counting them keeps their UIDs apart.
  const std::uint64_t hash = RecordHash(record);
  const std::uint32_t occurrence = ++seen_[hash];

  out.append("BEGIN:VEVENT\r\n");
  AppendUid(hash, occurrence, out);
  out.append(stamp_);
  out.append("DTSTART:").append(start.Text()).append("\r\n");
  out.append("DTEND:").append(end.Text()).append("\r\n");
  utf8_.clear();
  AppendAnsiTextToUtf8(title, utf8_);
  AppendTextLine("SUMMARY:", utf8_, out);
  if (!IsBlank(place)) {
    utf8_.clear();
    AppendAnsiTextToUtf8(place, utf8_);
    AppendTextLine("LOCATION:", utf8_, out);
  }
  if (!IsBlank(notes)) {
    utf8_.clear();
    AppendAnsiTextToUtf8(notes, utf8_);
    AppendTextLine("DESCRIPTION:", utf8_, out);
  }
  out.append(options_);
  if (alarm) {
    out.append("BEGIN:VALARM\r\nACTION:DISPLAY\r\n");
    utf8_.clear();
    AppendAnsiTextToUtf8(title, utf8_);
    AppendTextLine("DESCRIPTION:", utf8_, out);
    out.append("TRIGGER;VALUE=DATE-TIME:").append(alarm->Text()).append("\r\nEND:VALARM\r\n");
  }
  out.append("END:VEVENT\r\n");
}

std::string_view ICalendarWriter::NotesWithBreaks(const LineList& fields, std::string_view record,
                                                  std::size_t index) {
  const AnsiText& notes = fields.ItemAt(Notes);
  while (nextBreak_ < breaks_.size() && breaks_[nextBreak_].first < index) ++nextBreak_;
  if (nextBreak_ == breaks_.size() || breaks_[nextBreak_].first != index) return notes;

  // The record again with an LF where each line break was, split once more:
  // inside a quoted field an LF is a byte like any other. A break that fell
  // outside the quotes would split the fields otherwise; the notes then stay
  // as the record joined them.
  recordWithBreaks_.clear();
  std::size_t from = 0;
  for (; nextBreak_ < breaks_.size() && breaks_[nextBreak_].first == index; ++nextBreak_) {
    const std::size_t at = breaks_[nextBreak_].second;
    recordWithBreaks_.append(record.substr(from, at - from)).push_back('\n');
    from = at;
  }
  recordWithBreaks_.append(record.substr(from));
  SplitCommaText(splitWithBreaks_, recordWithBreaks_);
  if (splitWithBreaks_.Count() != fields.Count()) return notes;
  for (int i = 0; i < fields.Count(); ++i) {
    if (!EqualWithoutLineFeeds(splitWithBreaks_.ItemAt(i), fields.ItemAt(i))) return notes;
  }
  return splitWithBreaks_.ItemAt(Notes);
}

}  // namespace detail
