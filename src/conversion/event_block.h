#pragma once
// One record's fields as one vCalendar 1.0 block.
#include "text/line_list.h"

inline constexpr int DescriptionByteLimit = 128;

// Returns the block's items, BEGIN:VCALENDAR to END:VCALENDAR. Raises
// ListIndexError for a missing field and DateTimeTextError for a bad date.
LineList BuildEventBlock(const LineList& fields, const LineList& optionLines);
