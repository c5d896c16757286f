#pragma once
// The records of a whole export text in one pass, for the conversion run: the
// same records as splitting the text into lines and JoinRecordLines, without
// a string per physical line.
#include <deque>
#include <string_view>
#include <vector>

#include "conversion/icalendar_block.h"
#include "text/ansi_text.h"

namespace detail {

// A record of one line is a view into text; a joined record is kept in joined.
// startLines, when given, receives the physical line (from 1) each record
// starts on, and breaks where lines were joined. Raises ListIndexError as
// JoinRecordLines does, placed at the unfinished record.
std::vector<std::string_view> SplitIntoRecords(std::string_view text, std::deque<AnsiText>& joined,
                                               std::vector<long long>* startLines = nullptr,
                                               LineBreakList* breaks = nullptr);

}  // namespace detail
