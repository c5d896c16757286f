#pragma once
// Writing a DateTime by a pattern, after rounding it once to the millisecond.
// The preview shows the times it read with it. The output's stamps do not
// use it (FormatUtcStamp writes them directly); their tests compare the two.
#include <string_view>

#include "text/ansi_text.h"
#include "text/date_time_text.h"

// Never fails; the result holds at most 256 bytes.
AnsiText FormatDateTimeText(std::string_view pattern, DateTime value);
// The same with the separators of given settings.
AnsiText FormatDateTimeText(std::string_view pattern, DateTime value,
                            const DateTextSettings& settings);
