#include "conversion/input_records.h"

#include <utility>

#include "text/byte_scan.h"
#include "text/errors.h"
#include "text/line_cursor.h"

namespace {

// The double quotes of a record so far, counted to tell whether a line ends
// inside a quoted field. 0x22 is never the second byte of a double-byte
// character, so every one counts, whatever the code page.
std::size_t QuotesIn(std::string_view text) { return detail::CountByte(text.data(), text.data() + text.size(), '"'); }

// Whether a piece of a record holds anything but blanks: a record of only
// spaces and tabs (an empty line between records) is no record yet.
bool HasContent(std::string_view text) { return text.find_first_not_of(" \t") != std::string_view::npos; }

// A line ends its record when the record's quotes up to there are balanced
// and the record holds more than blanks, whatever the line's last byte: a
// note line that ends with a quoted word (doubled quotes) is still inside its
// field, while an unquoted header or an empty unquoted last field closes its
// record.
bool EndsRecord(std::size_t quotesSoFar, bool hasContent) { return hasContent && quotesSoFar % 2 == 0; }

}  // namespace

RecordJoiner::RecordJoiner(LineSource& lines) : lines_(lines) {}

// A record is taken to its end line by line: a line that ends it on its own
// (the usual case) is handed out as it is, unless the caller gave a buffer;
// otherwise the lines are joined in the buffer (the caller's, or one reused)
// until the joined text ends the record. A long line comes in parts, each
// appended as it comes.
RecordJoiner::Step RecordJoiner::Next(std::string_view& record, AnsiText* into) {
  std::string_view part;
  bool more = false;
  joinOffsets_.clear();
  if (!lines_.NextPart(part, more)) return Step::End;
  startLine_ = ++linesRead_;
  std::size_t quotes = QuotesIn(part);
  bool hasContent = HasContent(part);
  if (!more && into == nullptr && EndsRecord(quotes, hasContent)) {
    record = part;
    ++count_;
    return Step::Record;
  }
  if (into == nullptr) {
    joined_.clear();
    into = &joined_;
  }
  const std::size_t start = into->size();
  into->append(part);
  for (;;) {
    while (more && lines_.NextPart(part, more)) {
      into->append(part);
      quotes += QuotesIn(part);
      hasContent = hasContent || HasContent(part);
    }
    if (EndsRecord(quotes, hasContent)) break;
    if (!lines_.NextPart(part, more)) return Step::Unfinished;
    ++linesRead_;
    joinOffsets_.push_back(into->size() - start);
    into->append(part);
    quotes += QuotesIn(part);
    hasContent = hasContent || HasContent(part);
  }
  record = std::string_view(*into).substr(start);
  ++count_;
  return Step::Record;
}

ListIndexError RecordJoiner::UnfinishedError() const {
  ListIndexError error(static_cast<long long>(count_) + 1);
  error.SetPlace({static_cast<long long>(count_), startLine_});
  return error;
}
