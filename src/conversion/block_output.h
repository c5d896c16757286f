#pragma once
// Where a record's output goes while it is converted: a text the writers
// append to, and Step, which they call at safe points (between whole output
// lines, or between the steps of one long value) so that a long record's
// output need not stay in memory whole. What a step does is the output's:
// hand the bytes so far to the output file, or, for a record converted ahead
// of its turn, give up on that record (Full) once its room is used, leaving
// it to be converted again in its turn.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "text/ansi_text.h"
#include "text/content_line.h"

class BlockOutput {
 public:
  // Raised by Step where an output has no more room for this record.
  struct Full {};

  virtual ~BlockOutput() = default;
  BlockOutput(const BlockOutput&) = delete;
  BlockOutput& operator=(const BlockOutput&) = delete;

  // Where the next bytes go, until the next Step: take it again after each
  // Step rather than keep the reference.
  AnsiText& Text() const { return *text_; }
  // A safe point: the bytes so far may go on once they reach the output's
  // limit.
  void Step() {
    if (text_->size() >= handOnAt_) HandOn();
  }
  // Writes the number of this record's UID among the records that hash
  // alike, from 1, at the end of Text(): counted now where the records come
  // in order, or marked for the one who takes them in order.
  virtual void AppendOccurrence(std::uint64_t hash) = 0;
  // Says early which hash AppendOccurrence will be given, so that an output
  // that counts can have it ready (a cache line) by then.
  virtual void ExpectOccurrence(std::uint64_t /*hash*/) {}

  // The input a step of a long value takes.
  static constexpr std::size_t kStepBytes = std::size_t{64} << 10;

 protected:
  explicit BlockOutput(AnsiText& text, std::size_t handOnAt = std::numeric_limits<std::size_t>::max())
      : text_(&text), handOnAt_(handOnAt) {}
  // Called by Step once Text() holds handOnAt bytes or more.
  virtual void HandOn() {}

  AnsiText* text_;
  std::size_t handOnAt_;
};

// head, the AnsiText value in UTF-8 as quoted-printable, CR LF.
void AppendQuotedPrintableItem(std::string_view head, std::string_view ansiValue, BlockOutput& out);
// AppendTextLine(head, value, breaks).
void AppendTextItem(std::string_view head, std::string_view ansiValue, LineBreaks breaks, BlockOutput& out);
