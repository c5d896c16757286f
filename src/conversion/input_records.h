#pragma once
// Physical lines of an export joined into records, and the record filter.
#include <deque>
#include <string_view>
#include <vector>

#include "text/line_list.h"

// Rewrites lines in place, one item per record. Raises ListIndexError with the
// index of the missing line when the last line is unfinished.
void JoinRecordLines(LineList& lines);
// True when a non-empty filter line occurs in the record on a character start.
bool IsFilteredOut(std::string_view record, const LineList& filterLines);

namespace detail {

// The records of a whole export text in one pass, for the conversion run: the
// same records as splitting the text into lines and JoinRecordLines, without a
// string per physical line. A record of one line is a view into text; a joined
// record is kept in joined. Raises ListIndexError as JoinRecordLines does.
std::vector<std::string_view> SplitIntoRecords(std::string_view text, std::deque<AnsiText>& joined);

}  // namespace detail
