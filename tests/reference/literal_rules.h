#pragma once
// The rules as first written, slow and obviously right: the twins that the
// fast implementations are compared with in the tests and the fuzz targets.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "text/characters.h"
#include "text/line_list.h"

namespace reference {

// Physical lines, byte by byte: CR LF, CR or LF ends one; the text ends at
// its first NUL.
inline std::vector<std::string> SplitLinesLiterally(std::string_view text) {
  const std::size_t end = std::min(text.find('\0'), text.size());
  std::vector<std::string> items;
  std::size_t p = 0;
  while (p < end) {
    const std::size_t s = p;
    while (p < end && text[p] != '\r' && text[p] != '\n') ++p;
    items.emplace_back(text.substr(s, p - s));
    if (p < end && text[p] == '\r') ++p;
    if (p < end && text[p] == '\n') ++p;
  }
  return items;
}

// The joining in place, one join at a time, with the list operations: an
// unfinished last line raises ListIndexError from ItemAt.
inline void JoinRecordLinesOneAtATime(LineList& lines) {
  int i = 0;
  while (i < lines.Count()) {
    const AnsiText line = lines.ItemAt(i);
    if (!line.empty() && line.back() == '"' && std::count(line.begin(), line.end(), '"') % 2 == 0) {
      ++i;
    } else {
      lines.SetItemAt(i, line + lines.ItemAt(i + 1));
      lines.RemoveAt(i + 1);
    }
  }
}

// Each filter line in turn, searched with FindSubstring.
inline bool IsFilteredOutLiterally(std::string_view record, const LineList& filterLines) {
  for (const AnsiText& filter : filterLines) {
    if (!filter.empty() && FindSubstring(filter, record) > 0) return true;
  }
  return false;
}

// The description cut: one character at a time from the end.
inline AnsiText CutToByteLimitLiterally(AnsiText text, std::size_t limit) {
  while (ByteLength(text) > limit) text = LeftChars(text, Utf16Length(text) - 1);
  return text;
}

}  // namespace reference
