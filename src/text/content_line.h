#pragma once
// iCalendar content lines: TEXT values escaped, every physical line at most 75
// octets, folded with CR LF and one space, never inside a UTF-8 sequence or
// an escape; each line ends with CR LF. Never fails.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "text/ansi_text.h"

// Appends head (a name with its parameters and the colon, ASCII), then the
// AnsiText value converted to UTF-8 as TEXT: backslash, semicolon and comma
// escaped, LF written as \n.
void AppendTextLine(std::string_view head, std::string_view ansiValue, std::string& out);
// Where a value's line breaks stand: before offsets[k] - base, ascending, at
// most the value's size. The base lets a record's own join offsets serve a
// field of it without a copy.
struct LineBreaks {
  std::span<const std::size_t> offsets;
  std::size_t base = 0;
  std::size_t size() const { return offsets.size(); }
  std::size_t operator[](std::size_t k) const { return offsets[k] - base; }
};
// The same with an LF at each break: the lines of a note. No character spans
// a break.
void AppendTextLine(std::string_view head, std::string_view ansiValue, LineBreaks breaks, std::string& out);
// The same line written in parts, for values too long to convert at once:
// each call appends what it made to out, and the bytes are those of one
// AppendTextLine over the whole value.
class TextLineWriter {
 public:
  TextLineWriter(std::string_view head, std::string& out);
  // Whole characters of ansiValue, at least `step` bytes of them (all when
  // shorter), as TEXT; returns the bytes taken. A pair is never cut.
  std::size_t PutText(std::string_view ansiValue, std::size_t step, std::string& out);
  // The escape \n, as an LF in the value gives it.
  void PutLineBreak(std::string& out);
  void End(std::string& out);

 private:
  std::size_t lineRoom_;  // octets the open physical line still takes
};
// The same for a list of TEXT values, each escaped, separated by commas.
void AppendTextListLine(std::string_view head, std::span<const std::string_view> ansiValues, std::string& out);
// True when the UTF-8 line is an iCalendar content line: a name of letters,
// digits and "-", parameters (name=value, values quoted or plain), a colon
// and a value without control characters other than tab.
bool IsContentLine(std::string_view utf8Line);
// Appends a whole line of UTF-8 as it is (a stamp, an option line), folded.
void AppendFoldedLine(std::string_view utf8Line, std::string& out);
