#include "conversion/icalendar_block.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_set>

#include "conversion/timestamps.h"
#include "platform/code_page.h"
#include "text/characters.h"
#include "text/content_line.h"
#include "text/errors.h"

#ifndef QUILLMER_VERSION_TEXT
#error "QUILLMER_VERSION_TEXT comes from the project version in CMakeLists.txt"
#endif

namespace {

bool IsBlank(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) > 0x20) return false;
  }
  return true;
}

// Eight bytes read as a little-endian number, whatever the machine's order.
std::uint64_t Word(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  return w;
}

std::size_t CountQuotes(std::string_view text) {
  std::size_t count = 0;
  for (const char* p = text.data(), *end = p + text.size();
       (p = static_cast<const char*>(std::memchr(p, '"', static_cast<std::size_t>(end - p)))) != nullptr; ++p)
    ++count;
  return count;
}

// Whether a field's bytes in the record give value: as they are, or with
// each doubled quote read as one. Compared in place: a long note is not
// copied again.
bool SpellsValue(std::string_view raw, std::string_view value, bool reduced) {
  if (!reduced) return raw == value;
  for (;;) {
    const std::size_t quote = value.find('"');
    const std::size_t upTo = quote == std::string_view::npos ? value.size() : quote + 1;
    if (raw.substr(0, upTo) != value.substr(0, upTo)) return false;
    if (quote == std::string_view::npos) return raw.size() == upTo;
    if (raw.size() <= upTo || raw[upTo] != '"') return false;
    raw.remove_prefix(upTo + 1);
    value.remove_prefix(upTo);
  }
}

std::uint64_t TailWord(const char* p, std::size_t n) {
  std::uint64_t w = 0;
  for (std::size_t i = 0; i < n; ++i) w |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
  return w;
}

// The record's hash, then its number among the records that hash alike
// (equal records), which the output settles in the records' order.
void AppendUid(std::uint64_t hash, BlockOutput& output) {
  static constexpr char kHex[] = "0123456789abcdef";
  AnsiText& out = output.Text();
  out.append("UID:quillmer-");
  for (int shift = 60; shift >= 0; shift -= 4) out.push_back(kHex[(hash >> shift) & 0xF]);
  out.push_back('-');
  output.AppendOccurrence(hash);
  output.Text().append("\r\n");
}

// The hash a record's UID is made of; the same bytes give the same hash on
// every machine. The bytes are read as little-endian 64-bit words (the last
// one padded with zeros); word i goes to lane i % 4, so that the four chains
// of multiplications run side by side; the lanes are then folded together
// and MurmurHash3's finaliser mixes the result.
std::uint64_t RecordHash(std::string_view bytes);

// The hash of a record read in a zone other than Japan's: that of the
// record's hash (as eight little-endian bytes) followed by the zone's name
// (at most 64 bytes, as every zone's is).
std::uint64_t ZoneSaltedHash(std::uint64_t hash, std::string_view zoneName) {
  char bytes[8 + 64];
  for (std::size_t i = 0; i < 8; ++i) bytes[i] = static_cast<char>(hash >> (8 * i));
  const std::size_t n = std::min(zoneName.size(), sizeof bytes - 8);
  std::copy_n(zoneName.data(), n, bytes + 8);
  return RecordHash(std::string_view(bytes, 8 + n));
}

std::uint64_t RecordHash(std::string_view bytes) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
  auto mix = [](std::uint64_t lane, std::uint64_t word) {
    lane = (lane ^ word) * kMultiplier;
    return lane ^ (lane >> 32);
  };
  std::uint64_t lanes[4] = {0x517CC1B727220A95ULL ^ bytes.size(), 0x2545F4914F6CDD1DULL, 0x6C8E9CF570932BD5ULL,
                            0x94D049BB133111EBULL};
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  for (; left >= 32; p += 32, left -= 32) {
    for (int j = 0; j < 4; ++j) lanes[j] = mix(lanes[j], Word(p + 8 * j));
  }
  for (int j = 0; left > 0; ++j) {
    const std::size_t n = left < 8 ? left : 8;
    lanes[j] = mix(lanes[j], n == 8 ? Word(p) : TailWord(p, n));
    p += n;
    left -= n;
  }
  std::uint64_t h = lanes[0];
  for (int j = 1; j < 4; ++j) h = mix(h, lanes[j]);
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDULL;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ULL;
  h ^= h >> 33;
  return h;
}

// An all-day appointment's first day and the day after its last, yyyymmdd,
// as they are written: a date has no time zone, so nothing is shifted. The
// columns are read as the stamps read them, so a bad date fails with the
// same message. A day is the value's whole part: before 1899/12/30 the time
// of day is counted away from zero, so rounding down would give the day
// before.
class AllDayDates {
 public:
  void SetStart(std::string_view date, std::string_view time) {
    startDay_ = std::trunc(ParseLocalDateTime(date, time));
    startDate_ = date;
  }
  // Outlook ends the day after the last one; an end not after the start
  // still gives the event its one day. On 9999/12/31 that day cannot be
  // written, and a cut date would break the file for every reader.
  void SetEnd(std::string_view date, std::string_view time) {
    endDay_ = std::max(std::trunc(ParseLocalDateTime(date, time)), startDay_ + 1);
    if (endDay_ > kLastDay) {
      throw PlainError(MessagePieces{
          {MessagePiece::Source::Fixed, platform::Cp932FromUtf8("終日の予定の開始日 '")},
          {MessagePiece::Source::Quoted, AnsiText(startDate_)},
          {MessagePiece::Source::Fixed, platform::Cp932FromUtf8("' の翌日は 9999/12/31 より後で、終了日として書けません")}});
    }
  }
  AnsiText Start() const { return FormatUtcStamp(startDay_).substr(0, 8); }
  AnsiText End() const { return FormatUtcStamp(endDay_).substr(0, 8); }

 private:
  static constexpr double kLastDay = 2958465;  // 9999/12/31
  double startDay_ = 0;
  double endDay_ = 0;
  std::string_view startDate_;
};

// The categories as Outlook joins them (by the list separator, "," or ";"),
// each trimmed; empty and repeated names left out.
// A handful of names is searched in place; past that, a set keeps a field
// of many names from costing the square of their count.
void SplitCategories(std::string_view text, std::vector<std::string_view>& names) {
  constexpr std::size_t kSearchedInPlace = 16;
  names.clear();
  std::unordered_set<std::string_view> seen;
  // 0x2C and 0x3B are never the second byte of a double-byte character.
  for (std::size_t p = 0; p <= text.size();) {
    const std::size_t next = std::min(text.find_first_of(",;", p), text.size());
    const std::string_view name = TrimmedBlanks(text.substr(p, next - p));
    p = next + 1;
    if (name.empty()) continue;
    if (names.size() < kSearchedInPlace) {
      if (std::find(names.begin(), names.end(), name) != names.end()) continue;
    } else {
      if (seen.empty()) seen.insert(names.begin(), names.end());
      if (!seen.insert(name).second) continue;
    }
    names.push_back(name);
  }
}

// The property an option line names: the text before its first ";" or ":".
std::string_view PropertyName(std::string_view line) { return line.substr(0, std::min(line.find_first_of(";:"), line.size())); }

}  // namespace

ICalendarWriter::ICalendarWriter(const LineList& optionLines, std::int64_t runTime,
                                 std::shared_ptr<const TimeZone> zone)
    : zone_(std::move(zone)) {
  // What an option line's property is to every event: one the writer writes
  // itself (DTEND stands for DURATION too), one an event may hold once (a
  // second line naming it is refused), or one it may hold many times; and
  // the export's property the line then stands in for.
  enum class Use { Writers, Once, Many };
  struct Rule {
    std::string_view name;
    Use use;
    unsigned replaces;
  };
  static constexpr Rule kRules[] = {
      {"BEGIN", Use::Writers, 0},   {"END", Use::Writers, 0},      {"VERSION", Use::Writers, 0},
      {"PRODID", Use::Writers, 0},  {"CALSCALE", Use::Writers, 0}, {"UID", Use::Writers, 0},
      {"DTSTAMP", Use::Writers, 0}, {"DTSTART", Use::Writers, 0},  {"DTEND", Use::Writers, 0},
      {"DURATION", Use::Writers, 0}, {"SUMMARY", Use::Writers, 0},
      {"CLASS", Use::Once, kOwnClass}, {"PRIORITY", Use::Once, kOwnPriority}, {"TRANSP", Use::Once, kOwnTransparency},
      {"LOCATION", Use::Once, kOwnLocation}, {"DESCRIPTION", Use::Once, kOwnDescription},
      {"X-MICROSOFT-CDO-BUSYSTATUS", Use::Many, kOwnBusyStatus},
      {"CREATED", Use::Once, 0},    {"GEO", Use::Once, 0},         {"LAST-MODIFIED", Use::Once, 0},
      {"ORGANIZER", Use::Once, 0},  {"RECURRENCE-ID", Use::Once, 0}, {"SEQUENCE", Use::Once, 0},
      {"STATUS", Use::Once, 0},     {"URL", Use::Once, 0},
  };
  static_assert(std::size(kRules) <= 32);
  std::uint32_t given = 0;  // the once-only rules an earlier line named
  for (int k = 0; k < optionLines.Count(); ++k) {
    const AnsiText& line = optionLines.ItemAt(k);
    if (line.empty()) continue;
    const std::string utf8 = AnsiTextToUtf8(line);
    // A line that is no content line, that names what the writer writes
    // itself, or that repeats what an event holds once would break the
    // calendar for every reader.
    if (!IsContentLine(utf8)) throw OptionLineError(k + 1, line);
    const std::string_view name = PropertyName(line);
    for (std::size_t r = 0; r < std::size(kRules); ++r) {
      if (!platform::EqualsAsciiNoCase(name, kRules[r].name)) continue;
      const std::uint32_t bit = std::uint32_t{1} << r;
      if (kRules[r].use == Use::Writers || (kRules[r].use == Use::Once && (given & bit)))
        throw OptionLineError(k + 1, line);
      given |= bit;
      userProperties_ |= kRules[r].replaces;
      break;
    }
    AppendFoldedLine(utf8, options_);
  }
  stamp_ = "DTSTAMP:" + FormatUtcStamp(25569.0 + static_cast<double>(runTime) / 86400.0) + "\r\n";
}

void ICalendarWriter::AppendHead(AnsiText& out) const {
  out.append("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n");
  AppendFoldedLine("PRODID:-//Quillmer//Quillmer " QUILLMER_VERSION_TEXT "//EN", out);
  out.append("CALSCALE:GREGORIAN\r\n");
}

void ICalendarWriter::AppendTail(AnsiText& out) const { out.append("END:VCALENDAR\r\n"); }

void ICalendarWriter::AppendEvent(const EventRecord& record, std::string_view text,
                                  std::span<const std::size_t> joinOffsets, BlockOutput& output) const {
  // Equal records hash alike; the occurrence number keeps their UIDs apart.
  // Read in another zone than Japan's, the same record is another event.
  std::uint64_t hash = RecordHash(text);
  if (!zone_->IsJapan()) hash = ZoneSaltedHash(hash, zone_->Name());
  output.ExpectOccurrence(hash);
  // The fields are read in the vCalendar block's order, so that a faulty
  // record reports the same first error in both formats.
  const std::string_view title = record.Required(EventField::Title);
  const std::string_view place = record.Required(EventField::Place);
  // Each time is read, then its date, and the two converted, before the
  // next pair is read.
  const bool allDay = record.Flag(EventField::AllDay);
  std::optional<UtcStamp> start;
  std::optional<UtcStamp> end;
  AllDayDates dates{};
  const std::string_view startTime = record.Required(EventField::StartTime);
  const std::string_view startDate = record.Required(EventField::StartDate);
  if (allDay) {
    dates.SetStart(startDate, startTime);
  } else {
    start.emplace(startDate, startTime, *zone_);
  }
  const std::string_view endTime = record.Required(EventField::EndTime);
  const std::string_view endDate = record.Required(EventField::EndDate);
  if (allDay) {
    dates.SetEnd(endDate, endTime);
  } else {
    end.emplace(endDate, endTime, *zone_);
  }
  std::optional<UtcStamp> alarm;
  if (record.AlarmOn()) {
    const std::string_view alarmTime = record.Required(EventField::AlarmTime);
    alarm.emplace(record.Required(EventField::AlarmDate), alarmTime, *zone_);
  }
  thread_local std::vector<std::size_t> noteBreaks;
  LineBreaks breaks;
  const std::string_view notes = (userProperties_ & kOwnDescription)
                                     ? std::string_view()
                                     : NotesAndBreaks(record, text, joinOffsets, noteBreaks, breaks);

  output.Text().append("BEGIN:VEVENT\r\n");
  AppendUid(hash, output);
  AnsiText& out = output.Text();
  out.append(stamp_);
  if (allDay) {
    out.append("DTSTART;VALUE=DATE:").append(dates.Start()).append("\r\nDTEND;VALUE=DATE:").append(dates.End());
    out.append("\r\n");
  } else {
    out.append("DTSTART:").append(start->Text()).append("\r\n");
    out.append("DTEND:").append(end->Text()).append("\r\n");
  }
  // The values may be long: past them, the bytes go to output.Text().
  AppendTextItem("SUMMARY:", title, {}, output);
  if (!(userProperties_ & kOwnLocation) && !IsBlank(place)) AppendTextItem("LOCATION:", place, {}, output);
  if (!IsBlank(notes)) AppendTextItem("DESCRIPTION:", notes, breaks, output);
  if (record.Columns().ByName()) AppendOutlookProperties(record, output.Text());
  // The option lines may be long, and every event carries them: in steps, as
  // the long values, so that no piece of the output holds them whole.
  for (std::size_t at = 0; at < options_.size(); at += BlockOutput::kStepBytes) {
    output.Text().append(options_, at, BlockOutput::kStepBytes);
    output.Step();
  }
  if (alarm) {
    output.Text().append("BEGIN:VALARM\r\nACTION:DISPLAY\r\n");
    AppendTextItem("DESCRIPTION:", title, {}, output);
    output.Text().append("TRIGGER;VALUE=DATE-TIME:").append(alarm->Text()).append("\r\nEND:VALARM\r\n");
  }
  output.Text().append("END:VEVENT\r\n");
}

// What Outlook's own export carries beyond the ten columns: categories,
// class, priority and busy status, each left to an option line that names
// the same property.
void ICalendarWriter::AppendOutlookProperties(const EventRecord& record, AnsiText& out) const {
  if (const std::optional<std::string_view> categories = record.Optional(EventField::Categories)) {
    thread_local std::vector<std::string_view> names;
    SplitCategories(*categories, names);
    if (!names.empty()) AppendTextListLine("CATEGORIES:", names, out);
  }
  if (!(userProperties_ & kOwnClass)) {
    const ValueWord sensitivity = record.Word(EventField::Sensitivity);
    if (record.Flag(EventField::Private) || sensitivity == ValueWord::Personal || sensitivity == ValueWord::Private) {
      out.append("CLASS:PRIVATE\r\n");
    } else if (sensitivity == ValueWord::Confidential) {
      out.append("CLASS:CONFIDENTIAL\r\n");
    }
  }
  if (!(userProperties_ & kOwnPriority)) {
    const ValueWord priority = record.Word(EventField::Priority);
    if (priority == ValueWord::High) out.append("PRIORITY:1\r\n");
    if (priority == ValueWord::Low) out.append("PRIORITY:9\r\n");
  }
  const std::optional<std::string_view> showAs = record.Optional(EventField::ShowTimeAs);
  const std::string_view status = showAs ? TrimmedBlanks(*showAs) : std::string_view();
  static constexpr const char* kBusyStatus[] = {"FREE", "TENTATIVE", "BUSY", "OOF", "WORKINGELSEWHERE"};
  if (status.size() == 1 && status[0] >= '0' && status[0] <= '4') {
    const int k = status[0] - '0';
    if (!(userProperties_ & kOwnTransparency)) out.append(k == 0 ? "TRANSP:TRANSPARENT\r\n" : "TRANSP:OPAQUE\r\n");
    if (!(userProperties_ & kOwnBusyStatus))
      out.append("X-MICROSOFT-CDO-BUSYSTATUS:").append(kBusyStatus[k]).append("\r\n");
  }
}

// The notes, and where in them the export's line breaks stood: the
// description gets an LF there. Only notes whose doubled quotes were reduced
// need their breaks in scratch; others use the record's own join offsets.
std::string_view ICalendarWriter::NotesAndBreaks(const EventRecord& record, std::string_view text,
                                                 std::span<const std::size_t> joinOffsets,
                                                 std::vector<std::size_t>& scratch, LineBreaks& breaks) {
  breaks = {};
  const std::optional<std::string_view> field = record.Optional(EventField::Notes);
  if (!field) return {};
  const std::string_view notes = *field;
  if (joinOffsets.empty()) return notes;

  // Where the notes' bytes stand in the record: a value taken as it is
  // points into it; one whose doubled quotes were reduced is found by
  // splitting the record again (only such notes over several lines).
  std::size_t raw;
  std::size_t rawSize = notes.size();
  bool reduced = false;
  if (notes.data() >= text.data() && notes.data() + notes.size() <= text.data() + text.size()) {
    raw = static_cast<std::size_t>(notes.data() - text.data());
  } else {
    thread_local std::vector<FieldPlace> places;
    places.clear();
    FindCommaFieldPlaces(text, places);
    const auto column = static_cast<std::size_t>(record.Columns().Column(EventField::Notes));
    if (column >= places.size()) return notes;
    reduced = places[column].Reduced();
    if (reduced) rawSize += CountQuotes(notes);
    if (!SpellsValue(text.substr(places[column].raw, rawSize), notes, reduced)) return notes;
    raw = places[column].raw;
  }

  // An offset into the record, less the start and half the quotes of a
  // reduced value before it, is an offset into the notes.
  if (!reduced) {
    const auto first = std::lower_bound(joinOffsets.begin(), joinOffsets.end(), raw);
    const auto last = std::upper_bound(first, joinOffsets.end(), raw + rawSize);
    breaks = {joinOffsets.subspan(static_cast<std::size_t>(first - joinOffsets.begin()),
                                  static_cast<std::size_t>(last - first)),
              raw};
    return notes;
  }
  scratch.clear();
  std::size_t counted = raw;
  std::size_t quotes = 0;  // in the record from raw to counted
  for (const std::size_t at : joinOffsets) {
    if (at < counted || at > raw + rawSize) continue;
    quotes += CountQuotes(text.substr(counted, at - counted));
    counted = at;
    scratch.push_back(std::min(at - raw - quotes / 2, notes.size()));
  }
  breaks = {scratch};
  return notes;
}
