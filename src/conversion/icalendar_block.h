#pragma once
// The iCalendar 2.0 form of a conversion: one VCALENDAR for the whole file,
// one VEVENT per record, UTF-8, for desktop and web calendars. It reads a
// record's fields in the order of the vCalendar block and raises the same
// errors for the same record.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "conversion/block_output.h"
#include "conversion/event_columns.h"
#include "text/ansi_text.h"
#include "text/comma_text.h"
#include "text/line_list.h"

namespace detail {

// How many records with each hash were seen so far. Hashes seen once live in
// a compact table (a run touches it once per record); the rare repeats are
// counted apart.
class OccurrenceCounter {
 public:
  // Counts one more record with this hash and returns its number, from 1.
  std::uint32_t Count(std::uint64_t hash);
  // Starts loading the hash's slot, so that a Count after other work finds
  // it in the cache.
  void Prefetch(std::uint64_t hash) const { __builtin_prefetch(slots_.data() + (hash & (slots_.size() - 1))); }

 private:
  void Grow();
  std::vector<std::uint64_t> slots_ = std::vector<std::uint64_t>(1024);  // 0: free (the hash 0 is counted apart)
  std::size_t used_ = 0;
  std::uint32_t zeros_ = 0;
  std::unordered_map<std::uint64_t, std::uint32_t> repeats_;  // records after the first
};

class ICalendarWriter {
 public:
  // runTime (seconds since 1970, UTC) is every event's DTSTAMP. Empty option
  // lines are left out: they are no content lines.
  ICalendarWriter(const LineList& optionLines, std::int64_t runTime);

  void AppendHead(AnsiText& out) const;
  // text is the joined record the fields came from; joinOffsets are the
  // offsets in it where the export's physical lines were joined, in order,
  // so that the notes keep their line breaks. Raises ListIndexError or
  // DateTimeTextError as the vCalendar block does; out then holds part of
  // the event.
  void AppendEvent(const EventRecord& record, std::string_view text, std::span<const std::size_t> joinOffsets,
                   BlockOutput& out);
  void AppendEvent(const EventRecord& record, std::string_view text, std::span<const std::size_t> joinOffsets,
                   AnsiText& out);
  // AppendEvent on a thread other than the one that counts the records, with
  // buffers of its own (noteBreaks is scratch): the UID is written as a
  // first occurrence, a single "1" at `countAt` in out, and the record's hash
  // is returned, for the caller to count in order with CountOccurrence and,
  // for a repeat, to write its number there instead.
  std::uint64_t AppendUncountedEvent(const EventRecord& record, std::string_view text,
                                     std::span<const std::size_t> joinOffsets,
                                     std::vector<std::size_t>& noteBreaks, AnsiText& out, std::size_t& countAt) const;
  std::uint32_t CountOccurrence(std::uint64_t hash) { return seen_.Count(hash); }
  void AppendTail(AnsiText& out) const;

 private:
  template <typename Occurrence>
  std::size_t WriteEvent(const EventRecord& record, std::string_view text, std::span<const std::size_t> joinOffsets,
                         std::uint64_t hash, Occurrence occurrence, std::vector<std::size_t>& noteBreaks,
                         BlockOutput& out) const;
  static std::string_view NotesAndBreaks(const EventRecord& record, std::string_view text,
                                         std::span<const std::size_t> joinOffsets, std::vector<std::size_t>& scratch,
                                         LineBreaks& breaks);
  void AppendOutlookProperties(const EventRecord& record, AnsiText& out) const;
  static unsigned PropertyBit(std::string_view optionLine);

  // Properties the user's option lines give, which the export's then do not.
  static constexpr unsigned kOwnClass = 1, kOwnPriority = 2, kOwnTransparency = 4, kOwnBusyStatus = 8;
  unsigned userProperties_ = 0;
  AnsiText options_;  // the option lines as content lines, ready to copy
  AnsiText stamp_;    // DTSTAMP
  OccurrenceCounter seen_;
  std::vector<std::size_t> noteBreaks_;
};

}  // namespace detail
