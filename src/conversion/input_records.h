#pragma once
// Physical lines of an export joined into records, and the record filter.
#include <string_view>

#include "text/line_list.h"

// Rewrites lines in place, one item per record. Raises ListIndexError with the
// index of the missing line when the last line is unfinished.
void JoinRecordLines(LineList& lines);
// True when a non-empty filter line occurs in the record on a character start.
bool IsFilteredOut(std::string_view record, const LineList& filterLines);
