#pragma once
// Physical lines of an export joined into records.
#include <string_view>
#include <utility>
#include <vector>

#include "text/errors.h"
#include "text/line_cursor.h"
#include "text/line_list.h"

// Where records are joined from: physical lines, each a view valid until the
// next call.
class LineSource {
 public:
  virtual ~LineSource() = default;
  virtual bool Next(std::string_view& line) = 0;
  // The next line, or a part of a long one with `more` set: the rest follows
  // in the next calls. A source that holds its lines whole gives them whole.
  virtual bool NextPart(std::string_view& part, bool& more) {
    more = false;
    return Next(part);
  }
};

// The lines of a text in memory, as the line list would hold them.
class TextLines final : public LineSource {
 public:
  explicit TextLines(std::string_view text) : cursor_(text) {}
  bool Next(std::string_view& line) override { return cursor_.Next(line); }

 private:
  LineCursor cursor_;
};

// The one implementation of the joining rule: physical lines joined into
// records, a line ending its record when the record's double quotes up to
// there are balanced and the record holds more than blanks (spaces and
// tabs), whatever the line's last byte. Fed by a line list, a text in
// memory or the conversion run's input read in pieces.
class RecordJoiner {
 public:
  explicit RecordJoiner(LineSource& lines);
  enum class Step { Record, End, Unfinished };
  // Record: the next record, valid until the next call. Unfinished: the last
  // line needed a line after it (ListIndexError with index Count() + 1).
  // With `into`, the record is appended to it and given as a view of it (the
  // lines of a record are then copied once, straight to where they go, a
  // long line part by part); without, it is the line itself when one line
  // ends it.
  Step Next(std::string_view& record, AnsiText* into = nullptr);
  // Records handed out so far.
  std::size_t Count() const { return count_; }
  // The physical line (from 1) the last record, or the unfinished one, starts on.
  long long StartLine() const { return startLine_; }
  // The error of an unfinished last line, placed at its record.
  ListIndexError UnfinishedError() const;
  // Where in the last record its physical lines were joined (byte offsets).
  const std::vector<std::size_t>& JoinOffsets() const { return joinOffsets_; }
  // The buffer lines are joined in without `into`: the last record that was
  // joined, or the record the last line left unfinished.
  const AnsiText& Joined() const { return joined_; }

 private:
  LineSource& lines_;
  AnsiText joined_;
  std::size_t count_ = 0;
  long long linesRead_ = 0;
  long long startLine_ = 0;
  std::vector<std::size_t> joinOffsets_;
};
