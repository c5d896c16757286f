#pragma once
// The event block written straight into the output text, each item followed
// by CR LF, without a list of items in between: the conversion run's form of
// BuildEventBlock, with the same reading order and the same errors.
#include "text/ansi_text.h"
#include "text/line_list.h"

namespace detail {

// Appends the block's items to out. After an error out holds part of the block.
void AppendEventBlockText(const LineList& fields, const LineList& optionLines, AnsiText& out);

}  // namespace detail
