#pragma once
// The records of an export on their way to the output, as one ordered ring of
// slots. The reader fills slots in order with whole records (joined,
// filtered); the caller takes them in order and writes their output. A
// thread that would otherwise wait converts the oldest filled slot ahead of
// the caller's turn, into the slot's own output (at most aheadBytes; the
// rest is left to the caller), leaving what only order settles (the UID
// occurrence numbers, the first error, the counts) for the caller.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

#include "conversion/block_output.h"
#include "conversion/block_writer.h"
#include "conversion/event_columns.h"
#include "conversion/record_converter.h"
#include "conversion/record_filter.h"
#include "conversion/record_reader.h"
#include "text/comma_text.h"
#include "text/line_stream.h"
#include "text/text_settings.h"

// Records that passed the filter, copied back to back, their fields as views
// into them, how many did not, and what was converted of them ahead.
struct RecordSlot {
  struct Record {
    std::size_t end;        // where its text ends in text
    std::size_t joinsEnd;   // where its join offsets end in joinOffsets
    std::size_t fieldsEnd;  // where its fields end in fields
    std::size_t index;      // the record's index in the export (the header is 0)
    long long startLine;    // the physical line it starts on, from 1
  };
  AnsiText text;
  std::vector<Record> records;
  std::vector<std::size_t> joinOffsets;  // RecordJoiner::JoinOffsets of each record
  std::vector<FieldPlace> places;        // each record's fields, from the slot's start
  AnsiText reduced;                      // values whose doubled quotes were reduced
  std::vector<std::string_view> fields;  // the places as views, once split
  std::int32_t filtered = 0;
  bool split = false;
  const EventColumns* columns = nullptr;  // as the export's header gives them

  // The output of the first `converted` records, made ahead of the caller's
  // turn; each mark is where a UID's occurrence number goes. error: the
  // failure of the record after them, if one failed.
  struct Mark {
    std::size_t at;
    std::uint64_t hash;
  };
  struct Ahead {
    bool done = false;
    AnsiText text;
    std::vector<Mark> marks;
    std::size_t converted = 0;
    std::exception_ptr error;
  };
  Ahead ahead;

  std::string_view Text(std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : records[i - 1].end;
    return std::string_view(text).substr(begin, records[i].end - begin);
  }
  std::span<const std::size_t> Joins(std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : records[i - 1].joinsEnd;
    return std::span<const std::size_t>(joinOffsets).subspan(begin, records[i].joinsEnd - begin);
  }
  FieldViews Fields(std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : records[i - 1].fieldsEnd;
    return FieldViews(std::span<const std::string_view>(fields).subspan(begin, records[i].fieldsEnd - begin));
  }
};

// Converts the slot's record i into out, an error placed at the record.
void ConvertSlotRecord(const RecordConverter& converter, const RecordSlot& slot, std::size_t i, BlockOutput& out);

struct RingOptions {
  // 1: the caller reads, converts and writes alone; 2: a reader thread too.
  int threads = 2;
  // Record text gathered in a slot before it is handed over.
  std::size_t slotBytes = std::size_t{256} << 10;
  // Output a slot converted ahead keeps at most: a record that would take
  // it further is left to the caller.
  std::size_t aheadBytes = std::size_t{4} << 20;
  // Tests: whether the slot numbered n (from 0) is converted ahead of the
  // caller's turn (by either thread) or by the caller in its turn. Without
  // it, a slot is converted ahead only by a thread that would otherwise wait.
  std::function<bool(std::size_t)> convertAhead;
};

class RecordRing {
 public:
  // What it is given must exist before it and so outlives it: the reader
  // thread is the ring's, joined in its destructor before anything goes.
  // The header record is passed over. The writer is the output's: either
  // thread, with nothing else to do, writes its waiting pieces.
  // The reader thread reads text under settings.
  RecordRing(ByteSource& input, const RecordFilter& filter, const RecordConverter& converter, BlockWriter& writer,
             const TextSettings& settings, RingOptions options = {});
  ~RecordRing();
  RecordRing(const RecordRing&) = delete;
  RecordRing& operator=(const RecordRing&) = delete;

  // The next slot in order, the caller's until the next call; nullptr after
  // the last. Raises the reading's error (the input's, or the unfinished
  // last line's ListIndexError) where it stands in that order.
  RecordSlot* Next();
  // Nothing more is converted ahead (after a record error the rest is only
  // read to its end).
  void StopConverting();

 private:
  struct Slot {
    RecordSlot records;
    bool last = false;
    std::exception_ptr error;  // of the reading
    bool converting = false;   // a thread converts it ahead
  };
  static constexpr std::size_t kSlots = 4;

  Slot& At(std::size_t n) { return slots_[n % kSlots]; }
  void Fill(Slot& slot);
  void ReadAhead();
  void ConvertAhead(Slot& slot);
  static void SplitFields(RecordSlot& slot);
  bool MayConvertAhead(std::size_t n) const;
  bool DoSomeWork(std::unique_lock<std::mutex>& lock);
  bool SlotFree() const;
  // Record text the slots not given back may hold before the reader waits
  // for the caller to take them all: long records are not read far ahead.
  static constexpr std::size_t kAheadTextBytes = std::size_t{8} << 20;

  // Reads the header, in the first slot, before the thread starts.
  RecordReader recordReader_;
  const RecordConverter& converter_;
  BlockWriter& writer_;
  const TextSettings& settings_;
  const RingOptions options_;
  Slot slots_[kSlots];
  // Slots filled, and taken by the caller; the caller gives every slot it
  // took back when it asks for the next (released_).
  std::size_t filled_ = 0;
  std::size_t taken_ = 0;
  std::size_t released_ = 0;
  bool ended_ = false;
  bool stop_ = false;
  bool stopConverting_ = false;
  bool threaded_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread reader_;
};
