#include "conversion/record_converter.h"

#include "conversion/event_block.h"

RecordConverter::RecordConverter(OutputFormat format, const LineList& optionLines, std::int64_t runTime,
                                 std::shared_ptr<const TimeZone> zone)
    : optionLines_(optionLines), zone_(std::move(zone)) {
  if (format == OutputFormat::ICalendar) icalendar_.emplace(optionLines, runTime, zone_);
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
    AppendEventBlock(record, optionLines_, *zone_, out);
  }
}
