#include "conversion/record_converter.h"

#include "conversion/event_block.h"

RecordConverter::RecordConverter(OutputFormat format, const LineList& optionLines, std::int64_t runTime)
    : optionLines_(optionLines) {
  if (format == OutputFormat::ICalendar) icalendar_.emplace(optionLines, runTime);
}

void RecordConverter::AppendHead(AnsiText& out) const {
  if (icalendar_) icalendar_->AppendHead(out);
}

void RecordConverter::AppendTail(AnsiText& out) const {
  if (icalendar_) icalendar_->AppendTail(out);
}

void RecordConverter::Convert(const EventRecord& record, std::string_view text,
                              std::span<const std::size_t> joinOffsets, BlockOutput& out) const {
  if (icalendar_) {
    icalendar_->AppendEvent(record, text, joinOffsets, out);
  } else {
    AppendEventBlock(record, optionLines_, out);
  }
}
