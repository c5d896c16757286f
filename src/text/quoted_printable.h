#pragma once
// Encodes bytes as the output file carries them: escapes, 72-character
// lines, soft breaks. Never fails.
#include <string_view>

#include "text/ansi_text.h"

AnsiText EncodeQuotedPrintable(std::string_view bytes);

namespace detail {

// The same encoding appended to out, without a string of its own.
void AppendQuotedPrintable(std::string_view bytes, AnsiText& out);

}  // namespace detail
