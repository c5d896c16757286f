#pragma once
// Physical lines of an export joined into records, and the record filter.
#include <array>
#include <cstdint>
#include <cstring>
#include <deque>
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
// records, a line ending its record when it ends with a double quote and the
// record's double quotes up to there are balanced. Fed by a line list (JoinRecordLines), a
// text in memory or the conversion run's input read in pieces.
class RecordJoiner {
 public:
  explicit RecordJoiner(LineSource& lines);
  enum class Step { Record, End, Unfinished };
  // Record: the next record, valid until the next call. Unfinished: the last
  // line needed a line after it (ListIndexError with index Count() + 1).
  // With `into`, the record is appended to it and given as a view of it (the
  // lines of a record are then copied once, straight to where they go);
  // without, it is the line itself when one line ends it.
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

// Rewrites lines in place, one item per record. Raises ListIndexError with the
// index of the missing line when the last line is unfinished.
void JoinRecordLines(LineList& lines);
// True when a non-empty filter line occurs in the record on a character start.
bool IsFilteredOut(std::string_view record, const LineList& filterLines);

// IsFilteredOut for many records and one set of filter lines: all lines are
// tested in one pass over the record, so the cost hardly grows with their
// number. Reads the active code page's lead bytes when built.
class RecordFilter {
 public:
  explicit RecordFilter(const LineList& filterLines);
  bool Excludes(std::string_view record) const;

 private:
  bool ExcludesInOnePass(std::string_view record) const;

  std::vector<AnsiText> needles_;  // non-empty, cut at their first NUL
  const std::array<bool, 256>* lead_;
  // One pass when there are more lines than this; a search per line otherwise.
  static constexpr std::size_t kOnePassFrom = 3;
  // Every line holds one of its indexed grams at a multiple of step_: grams
  // are gramBytes_ long (two bytes, or four when every line is that long),
  // those at offsets 0 .. step_ - 1 of each line are indexed, and step_ is
  // the shortest line's length less gramBytes_ - 1 (at least 1).
  std::size_t gramBytes_ = 2;
  std::size_t step_ = 1;
  std::array<bool, 256> oneByte_{};   // lines of one byte (step_ is then 1)
  std::vector<std::uint64_t> keys_;   // a bit per indexed gram's key
  struct Entry {
    std::uint16_t key;     // the gram's key (KeyOf)
    std::uint16_t offset;  // where the gram stands in the line
    std::uint32_t line;
    bool operator<(const Entry& other) const {
      // Larger offsets first: at one position, the earlier starts come first.
      return key != other.key ? key < other.key : offset > other.offset;
    }
  };
  std::vector<Entry> entries_;               // grouped by BucketOf(key)
  std::vector<std::uint32_t> bucketStart_;  // where each group begins, and the end
  unsigned bucketBits_ = 0;
  std::uint32_t BucketOf(std::uint16_t key) const { return (key * 0x9E3779B1u) >> (32 - bucketBits_); }
  // A pair of bytes is its own key (second << 8 | first); four bytes are
  // hashed to sixteen bits.
  std::uint16_t KeyOf(const unsigned char* gram) const {
    if (gramBytes_ == 2) return static_cast<std::uint16_t>(gram[0] | gram[1] << 8);
    std::uint32_t bytes;
    std::memcpy(&bytes, gram, 4);
    return static_cast<std::uint16_t>((bytes * 0x9E3779B1u) >> 16);
  }
  struct Head {
    std::uint32_t bytes = 0;  // up to the first four bytes, as loaded from memory
    std::uint32_t mask = 0;
    // The last four bytes of a line longer than four: lines that share their
    // start (numbered names) mostly differ there.
    std::uint32_t tail = 0;
  };
  std::vector<Head> heads_;  // per line
};

namespace detail {

// The records of a whole export text in one pass: the same records as
// splitting the text into lines and JoinRecordLines, without a string per
// physical line. A record of one line is a view into text; a joined record is
// kept in joined. Raises ListIndexError as JoinRecordLines does, placed at
// the unfinished record.
std::vector<std::string_view> SplitIntoRecords(std::string_view text, std::deque<AnsiText>& joined);

}  // namespace detail
