#pragma once
// One record's fields as one vCalendar 1.0 block.
#include "conversion/block_output.h"
#include "conversion/event_columns.h"
#include "text/comma_text.h"
#include "text/line_list.h"
#include "text/time_zone.h"

inline constexpr int DescriptionByteLimit = 128;

// The event block, BEGIN:VCALENDAR to END:VCALENDAR, written straight into
// the output, each item followed by CR LF, from the record's columns, its
// times read in zone. Fields are read in a fixed order, which decides the
// error: ListIndexError for a missing field, DateTimeTextError for a bad
// date. After an error out holds part of the block.
void AppendEventBlock(const EventRecord& record, const LineList& optionLines, const TimeZone& zone,
                      BlockOutput& out);
