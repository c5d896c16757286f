#pragma once
// The rules as first written, slow and obviously right: the twins that the
// fast implementations are compared with in the tests and the fuzz targets.
// They ask the code page only what the system itself answers (lead bytes,
// the two conversions), never the fast code they check.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "support/harness.h"
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

// The joining in place, one join at a time, with the list operations: a
// record ends once its quotes balance and it holds more than blanks; an
// unfinished last line raises ListIndexError from ItemAt.
inline void JoinRecordLinesOneAtATime(LineList& lines) {
  int i = 0;
  while (i < lines.Count()) {
    const AnsiText line = lines.ItemAt(i);
    const bool blank = std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
    if (!blank && std::count(line.begin(), line.end(), '"') % 2 == 0) {
      ++i;
    } else {
      SetItemAt(lines, i, line + lines.ItemAt(i + 1));
      RemoveAt(lines, i + 1);
    }
  }
}

// Each filter line in turn, looked for at every character start of the
// record: a lead byte and a byte from 0x40 up are one character. Both texts
// end at their first NUL.
inline bool IsFilteredOutLiterally(std::string_view record, const LineList& filterLines) {
  const platform::CodePage& page = platform::AnsiCodePage();
  record = record.substr(0, record.find('\0'));
  for (const AnsiText& line : filterLines) {
    const std::string_view filter = std::string_view(line).substr(0, line.find('\0'));
    if (filter.empty()) continue;
    for (std::size_t i = 0; i < record.size();) {
      if (record.compare(i, filter.size(), filter) == 0) return true;
      const bool pair = i + 1 < record.size() && page.IsLeadByte(static_cast<unsigned char>(record[i])) &&
                        static_cast<unsigned char>(record[i + 1]) >= 0x40;
      i += pair ? 2 : 1;
    }
  }
  return false;
}

// The description cut: one UTF-16 unit at a time from the end, each time
// through the code page's two conversions.
inline AnsiText CutToByteLimitLiterally(AnsiText text, std::size_t limit) {
  const platform::CodePage& page = platform::AnsiCodePage();
  while (text.size() > limit) {
    const std::u16string units = page.ToUtf16(text);
    text = page.FromUtf16(std::u16string_view(units).substr(0, units.size() - 1));
  }
  return text;
}

}  // namespace reference
