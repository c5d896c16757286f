#pragma once
// The filter rule as written: each filter line in turn, searched with
// FindSubstring; the twin of the one-pass record filter.
#include <string_view>

#include "text/characters.h"
#include "text/line_list.h"

namespace reference {

inline bool IsFilteredOutLiterally(std::string_view record, const LineList& filterLines) {
  for (const AnsiText& filter : filterLines) {
    if (!filter.empty() && FindSubstring(filter, record) > 0) return true;
  }
  return false;
}

}  // namespace reference
