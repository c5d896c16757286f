#pragma once
// One record's output in the chosen format: the one conversion of a record,
// for the run and for the preview alike.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "conversion/block_output.h"
#include "conversion/event_columns.h"
#include "conversion/icalendar_block.h"
#include "text/ansi_text.h"
#include "text/line_list.h"

// vCalendar 1.0 blocks for the device, or one iCalendar 2.0 file for desktop
// and web calendars, from the same records.
enum class OutputFormat { VCalendar, ICalendar };

class RecordConverter {
 public:
  // The option lines are kept by reference: they must outlive this. Times
  // are read in zone. Raises OptionLineError (iCalendar) for an option line
  // the format cannot carry.
  RecordConverter(OutputFormat format, const LineList& optionLines, std::int64_t runTime,
                  std::shared_ptr<const TimeZone> zone);

  // What comes before the first record and after the last.
  void AppendHead(AnsiText& out) const;
  void AppendTail(AnsiText& out) const;
  // text is the joined record the fields came from, joinOffsets where its
  // physical lines were joined. Raises the record's first error; out
  // then holds part of its output. Any thread may call it.
  void Convert(const EventRecord& record, std::string_view text, std::span<const std::size_t> joinOffsets,
               BlockOutput& out) const;

 private:
  const LineList& optionLines_;
  std::shared_ptr<const TimeZone> zone_;
  std::optional<ICalendarWriter> icalendar_;
};
