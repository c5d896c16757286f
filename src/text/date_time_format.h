#pragma once
// Writing a DateTime by a pattern, after rounding it once to the millisecond.
#include <string_view>

#include "text/ansi_text.h"
#include "text/date_time_text.h"

// Never fails; the result holds at most 256 bytes.
AnsiText FormatDateTimeText(std::string_view pattern, DateTime value);
// The same with the separators of given settings.
AnsiText FormatDateTimeText(std::string_view pattern, DateTime value,
                            const DateTextSettings& settings);
