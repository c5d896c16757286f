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
// Raises ListIndexError as JoinRecordLines does. Where lines were joined is
// added to breaks when it is given.
std::vector<std::string_view> SplitIntoRecords(std::string_view text, std::deque<AnsiText>& joined,
                                               LineBreakList* breaks = nullptr);

}  // namespace detail
