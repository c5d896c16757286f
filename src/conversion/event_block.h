#pragma once
// One record's fields as one vCalendar 1.0 block.
#include "conversion/block_output.h"
#include "conversion/event_columns.h"
#include "text/comma_text.h"
#include "text/line_list.h"

inline constexpr int DescriptionByteLimit = 128;

// Returns the block's items, BEGIN:VCALENDAR to END:VCALENDAR, from the ten
// columns by position. Raises
// ListIndexError for a missing field and DateTimeTextError for a bad date.
LineList BuildEventBlock(const LineList& fields, const LineList& optionLines);

namespace detail {

// The event block written straight into the output text, each item followed by
// CR LF, without a list of items in between: the conversion run's form of
// BuildEventBlock, with the same reading order and the same errors. After an
// error out holds part of the block.
void AppendEventBlockText(const EventRecord& record, const LineList& optionLines, BlockOutput& out);
void AppendEventBlockText(const EventRecord& record, const LineList& optionLines, AnsiText& out);

}  // namespace detail
