#pragma once
// The records of an export as a conversion reads them: the input read in
// pieces, its physical lines joined into records, the header passed over
// (the columns it names kept), each data record tested against the filter
// lines, and its fields found on request. The run's ring and the preview
// both read through it, so a record is read the same way by both.
#include <cstddef>
#include <string_view>
#include <vector>

#include "conversion/event_columns.h"
#include "conversion/input_records.h"
#include "conversion/record_filter.h"
#include "text/ansi_text.h"
#include "text/comma_text.h"
#include "text/line_stream.h"

class RecordReader {
 public:
  // What it is given must outlive it.
  RecordReader(ByteSource& input, const RecordFilter& filter);
  RecordReader(const RecordReader&) = delete;
  RecordReader& operator=(const RecordReader&) = delete;

  struct Record {
    std::string_view text;     // valid until the next call
    bool filteredOut = false;  // a filter line occurs in it
    std::size_t index = 0;     // its number among the data records, from 1
    long long startLine = 0;   // the physical line it starts on, from 1
  };
  // The next data record; false after the last. With `into`, its text is
  // appended to it (and the header's is not). Raises the input's errors,
  // and ListIndexError, placed at its record, for an unfinished last line.
  bool Next(Record& record, AnsiText* into = nullptr);
  // Where the last record's physical lines were joined (byte offsets).
  const std::vector<std::size_t>& JoinOffsets() const { return joiner_.JoinOffsets(); }
  // The columns as the header names them; by position before it is read.
  const EventColumns& Columns() const { return columns_; }

  // The fields of the record at [begin, end) of text: their places, counted
  // from text's start, appended to places, the values whose doubled quotes
  // were reduced to reduced (FieldValue gives each value).
  static void FindFields(std::string_view text, std::size_t begin, std::size_t end, std::vector<FieldPlace>& places,
                         AnsiText& reduced);

 private:
  class Lines final : public LineSource {
   public:
    explicit Lines(ByteSource& input) : stream_(input) {}
    bool Next(std::string_view& line) override { return stream_.Next(line); }
    bool NextPart(std::string_view& part, bool& more) override { return stream_.NextPart(part, more); }

   private:
    LineStream stream_;
  };

  Lines lines_;
  RecordJoiner joiner_;
  const RecordFilter& filter_;
  EventColumns columns_;
};
