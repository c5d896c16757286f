#pragma once
// One record's fields as one vCalendar 1.0 block.
#include "conversion/block_output.h"
#include "conversion/event_columns.h"
#include "text/comma_text.h"
#include "text/line_list.h"
#include "text/time_zone.h"

inline constexpr int DescriptionByteLimit = 128;

// Returns the block's items, BEGIN:VCALENDAR to END:VCALENDAR, from the ten
// columns by position, read in the chosen zone. Raises
// ListIndexError for a missing field and DateTimeTextError for a bad date.
LineList BuildEventBlock(const LineList& fields, const LineList& optionLines);

// The event block written straight into the output, each item followed by
// CR LF, from the record's columns: what a conversion writes, with the same
// reading order and the same errors as BuildEventBlock (which is this, as a
// list of items), its times read in zone. After an error out holds part of
// the block.
void AppendEventBlock(const EventRecord& record, const LineList& optionLines, const TimeZone& zone,
                      BlockOutput& out);
