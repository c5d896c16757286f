#include "conversion/icalendar_block.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <string>

#include "conversion/timestamps.h"
#include "text/characters.h"
#include "text/content_line.h"

#ifndef QUILLMER_VERSION_TEXT
#error "QUILLMER_VERSION_TEXT comes from the project version in CMakeLists.txt"
#endif

namespace detail {
namespace {

enum Field { Title, Place, StartDate, StartTime, EndDate, EndTime, AlarmFlag, AlarmDate, AlarmTime, Notes };

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

std::uint64_t TailWord(const char* p, std::size_t n) {
  std::uint64_t w = 0;
  for (std::size_t i = 0; i < n; ++i) w |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
  return w;
}

// The occurrence number stands this far into the UID line.
constexpr std::size_t kUidCountOffset = sizeof "UID:quillmer-" - 1 + 16 + 1;

void AppendUid(std::uint64_t hash, std::uint32_t occurrence, AnsiText& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.append("UID:quillmer-");
  for (int shift = 60; shift >= 0; shift -= 4) out.push_back(kHex[(hash >> shift) & 0xF]);
  out.push_back('-');
  out.append(std::to_string(occurrence));
  out.append("\r\n");
}

// The hash a record's UID is made of; the same bytes give the same hash on
// every machine. The bytes are read as little-endian 64-bit words (the last
// one padded with zeros); word i goes to lane i % 4, so that the four chains
// of multiplications run side by side; the lanes are then folded together
// and MurmurHash3's finaliser mixes the result.
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

}  // namespace

std::uint32_t OccurrenceCounter::Count(std::uint64_t hash) {
  if (hash == 0) return ++zeros_;
  // Open addressing over the hash's own bits, at most three quarters full.
  if (4 * (used_ + 1) > 3 * slots_.size()) Grow();
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    if (slots_[i] == hash) return 1 + ++repeats_[hash];
    if (slots_[i] == 0) {
      slots_[i] = hash;
      ++used_;
      return 1;
    }
  }
}

void OccurrenceCounter::Grow() {
  std::vector<std::uint64_t> old(2 * slots_.size());
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const std::uint64_t hash : old) {
    if (hash == 0) continue;
    std::size_t i = hash & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = hash;
  }
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

void ICalendarWriter::AppendEvent(const FieldViews& fields, std::string_view record,
                                  std::span<const std::size_t> joinOffsets, AnsiText& out) {
  const std::uint64_t hash = RecordHash(record);
  seen_.Prefetch(hash);
  // Equal records hash alike; counting them keeps their UIDs apart.
  WriteEvent(fields, record, joinOffsets, hash, [this, hash] { return seen_.Count(hash); }, notesWithBreaks_, out);
}

std::uint64_t ICalendarWriter::AppendUncountedEvent(const FieldViews& fields, std::string_view record,
                                                    std::span<const std::size_t> joinOffsets, AnsiText& notesBuffer,
                                                    AnsiText& out, std::size_t& countAt) const {
  const std::uint64_t hash = RecordHash(record);
  countAt = WriteEvent(fields, record, joinOffsets, hash, [] { return std::uint32_t{1}; }, notesBuffer, out);
  return hash;
}

// Writes the event and returns where in out its occurrence number stands.
// The number is asked for once the fields are read.
template <typename Occurrence>
std::size_t ICalendarWriter::WriteEvent(const FieldViews& fields, std::string_view record,
                                        std::span<const std::size_t> joinOffsets, std::uint64_t hash,
                                        Occurrence occurrence, AnsiText& notesBuffer, AnsiText& out) const {
  // The fields are read in the vCalendar block's order, so that a faulty
  // record reports the same first error in both formats.
  const std::string_view title = fields.ItemAt(Title);
  const std::string_view place = fields.ItemAt(Place);
  const std::string_view startTime = fields.ItemAt(StartTime);
  const UtcStamp start(fields.ItemAt(StartDate), startTime);
  const std::string_view endTime = fields.ItemAt(EndTime);
  const UtcStamp end(fields.ItemAt(EndDate), endTime);
  std::optional<UtcStamp> alarm;
  if (CompareAsciiNoCase(fields.ItemAt(AlarmFlag), "FALSE") != 0) {
    const std::string_view alarmTime = fields.ItemAt(AlarmTime);
    alarm.emplace(fields.ItemAt(AlarmDate), alarmTime);
  }
  const std::string_view notes =
      fields.Count() > Notes ? NotesWithBreaks(fields, record, joinOffsets, notesBuffer) : "";

  out.append("BEGIN:VEVENT\r\n");
  const std::size_t countAt = out.size() + kUidCountOffset;
  AppendUid(hash, occurrence(), out);
  out.append(stamp_);
  out.append("DTSTART:").append(start.Text()).append("\r\n");
  out.append("DTEND:").append(end.Text()).append("\r\n");
  AppendTextLine("SUMMARY:", title, out);
  if (!IsBlank(place)) AppendTextLine("LOCATION:", place, out);
  if (!IsBlank(notes)) AppendTextLine("DESCRIPTION:", notes, out);
  out.append(options_);
  if (alarm) {
    out.append("BEGIN:VALARM\r\nACTION:DISPLAY\r\n");
    AppendTextLine("DESCRIPTION:", title, out);
    out.append("TRIGGER;VALUE=DATE-TIME:").append(alarm->Text()).append("\r\nEND:VALARM\r\n");
  }
  out.append("END:VEVENT\r\n");
  return countAt;
}

std::string_view ICalendarWriter::NotesWithBreaks(const FieldViews& fields, std::string_view record,
                                                  std::span<const std::size_t> joinOffsets, AnsiText& buffer) {
  const std::string_view notes = fields.ItemAt(Notes);
  if (joinOffsets.empty()) return notes;

  // The notes of an export are its last field, in quotes: the record ends
  // with their text, quotes doubled, and the closing quote. Their length
  // tells where they start, and the bytes from there must be theirs;
  // anything else (more fields, no quotes) keeps the notes as the record
  // joined them.
  if (fields.Count() != Notes + 1 || record.empty() || record.back() != '"') return notes;
  const std::size_t end = record.size() - 1;
  const std::size_t rawSize = notes.size() + CountQuotes(notes);
  if (end < rawSize + 1 || record[end - rawSize - 1] != '"') return notes;
  const std::size_t start = end - rawSize;
  for (std::size_t v = 0, p = start;;) {
    const std::size_t quote = std::min(notes.find('"', v), notes.size());
    if (record.compare(p, quote - v, notes, v, quote - v) != 0) return notes;
    p += quote - v;
    if (quote == notes.size()) break;
    if (record[p] != '"' || record[p + 1] != '"') return notes;
    p += 2;
    v = quote + 1;
  }

  // The notes again, an LF wherever a line break was: an offset into the
  // record less half the quotes before it is an offset into the notes.
  buffer.clear();
  std::size_t copied = 0;  // bytes of the notes already copied
  std::size_t counted = start;
  std::size_t quotes = 0;  // in the record from start to counted
  for (const std::size_t at : joinOffsets) {
    if (at < counted || at > end) continue;
    quotes += CountQuotes(record.substr(counted, at - counted));
    counted = at;
    const std::size_t upTo = std::min(at - start - quotes / 2, notes.size());
    buffer.append(notes, copied, upTo - copied).push_back('\n');
    copied = upTo;
  }
  buffer.append(notes, copied);
  return buffer;
}

}  // namespace detail
