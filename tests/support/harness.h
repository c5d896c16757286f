#pragma once
// The program's rules in the shapes that tests, benchmarks and fuzz targets
// drive them in: a line list edited item by item and read or written whole,
// an export joined into records at once, one block as a list of items, one
// record against the filter lines, Japan's stamp, the last characters of a
// text. The program itself needs none of these shapes, so they live here;
// each is a thin adapter over the one implementation a conversion runs.
#include <deque>
#include <string_view>
#include <vector>

#include "text/ansi_text.h"
#include "text/line_list.h"

// Item by item. Each raises ListIndexError for index < 0 or index >= Count,
// changing nothing.
void SetItemAt(LineList& list, int index, AnsiText item);
void RemoveAt(LineList& list, int index);
// Appends the items of source; a list appended to itself is doubled.
void AppendAll(LineList& list, const LineList& source);
void ReplaceAll(LineList& list, const LineList& source);

// Replaces the items by the lines of text: lines end at CR LF, a lone CR or a
// lone LF; the text ends at its first NUL.
void SplitTextIntoLines(LineList& list, std::string_view text);
// Every item followed by CR LF, the last one included.
AnsiText JoinLinesToText(const LineList& list);
// Replaces the items by the lines of the file; FileOpenError leaves them.
void LoadLinesFromFile(LineList& list, const AnsiText& path);
// Writes JoinLinesToText(list) so that an existing file is replaced whole or
// not at all. Raises FileCreateError or FileWriteError.
void SaveLinesToFile(const LineList& list, const AnsiText& path);

// The joining of a line list, over RecordJoiner: rewrites lines in place, one
// item per record. Raises ListIndexError with the index of the missing line
// when the last line is unfinished.
void JoinRecordLines(LineList& lines);
// The records of a whole export text in one pass, the same records as
// splitting the text into lines and JoinRecordLines, without a string per
// physical line. A record of one line is a view into text; a joined record is
// kept in joined. Raises ListIndexError as JoinRecordLines does, placed at the
// unfinished record.
std::vector<std::string_view> SplitIntoRecords(std::string_view text, std::deque<AnsiText>& joined);

// The block AppendEventBlock writes for the ten columns by position, read in
// the current settings' zone, as its items (BEGIN:VCALENDAR to END:VCALENDAR),
// with its errors.
LineList BuildEventBlock(const LineList& fields, const LineList& optionLines);

// RecordFilter for one record.
bool IsFilteredOut(std::string_view record, const LineList& filterLines);

// Japan's stamp. Raises DateTimeTextError quoting date, one space, time.
AnsiText MakeUtcStamp(std::string_view dateText, std::string_view timeText);

// The last n characters, re-encoded through UTF-16 as LeftChars is.
AnsiText RightChars(std::string_view text, int n);
