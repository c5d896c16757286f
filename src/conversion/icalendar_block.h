#pragma once
// The iCalendar 2.0 form of a conversion: one VCALENDAR for the whole file,
// one VEVENT per record, UTF-8, for desktop and web calendars. It reads a
// record's fields in the order of the vCalendar block and raises the same
// errors for the same record.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "conversion/block_output.h"
#include "conversion/event_columns.h"
#include "text/ansi_text.h"
#include "text/comma_text.h"
#include "text/line_list.h"
#include "text/time_zone.h"

// The calendar's head and tail, and one VEVENT per record. Holds nothing
// that changes while it writes: any thread may write events with it.
class ICalendarWriter {
 public:
  // runTime (seconds since 1970, UTC) is every event's DTSTAMP; times are
  // read in zone, whose name (but Japan's) goes into the UIDs. Empty option
  // lines are left out: they are no content lines. A line naming LOCATION,
  // DESCRIPTION, CLASS, PRIORITY, TRANSP or X-MICROSOFT-CDO-BUSYSTATUS stands
  // in for what the export gives. Raises OptionLineError for a line that is
  // no content line, names what the writer writes (SUMMARY and DURATION
  // included), or names again a property an event holds at most once.
  ICalendarWriter(const LineList& optionLines, std::int64_t runTime, std::shared_ptr<const TimeZone> zone);

  void AppendHead(AnsiText& out) const;
  // text is the joined record the fields came from; joinOffsets are the
  // offsets in it where the export's physical lines were joined, in order,
  // so that the notes keep their line breaks. The UID's occurrence number is
  // the output's to give. Raises ListIndexError or DateTimeTextError as the
  // vCalendar block does; out then holds part of the event.
  void AppendEvent(const EventRecord& record, std::string_view text, std::span<const std::size_t> joinOffsets,
                   BlockOutput& out) const;
  void AppendTail(AnsiText& out) const;

 private:
  static std::string_view NotesAndBreaks(const EventRecord& record, std::string_view text,
                                         std::span<const std::size_t> joinOffsets, std::vector<std::size_t>& scratch,
                                         LineBreaks& breaks);
  void AppendOutlookProperties(const EventRecord& record, AnsiText& out) const;

  // Properties the user's option lines give, which the export's then do not.
  static constexpr unsigned kOwnClass = 1, kOwnPriority = 2, kOwnTransparency = 4, kOwnBusyStatus = 8,
                            kOwnLocation = 16, kOwnDescription = 32;
  unsigned userProperties_ = 0;
  AnsiText options_;  // the option lines as content lines, ready to copy
  AnsiText stamp_;    // DTSTAMP
  std::shared_ptr<const TimeZone> zone_;
};
