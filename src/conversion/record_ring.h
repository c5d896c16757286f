#pragma once
// The run's two threads and the work they share, decided in one place.
//
//   reader:  input -> join -> filter -> [slot: records]            (in order)
//   either:  [slot: records] -> convert -> [slot: output, marks]   (ahead of
//            the caller's turn, at most aheadBytes of output)
//   caller:  takes slots in order; copies their output made ahead, counting
//            the UID numbers at the marks; converts what is left straight
//            into the output pieces; keeps the first error and the counts
//   either:  output pieces of about 1 MiB -> the output, in order
//
// Every thread works the same way (WorkUntil): a step under the lock records
// the job it has just done and hands it the next one (read slot N, convert
// slot N ahead, write piece M) or what it waits for; the job is done outside
// the lock, and nothing unlocks in the middle of a job. Decide() is the one
// place that chooses who does what:
//
//   1. A thread gets what it waits for as soon as it is there: the reader a
//      free slot to read into (it stops after the last slot, or when told),
//      the caller its next slot (filled, by the caller itself while there is
//      no reader thread, and converted ahead if the schedule asks for it), a
//      free output piece, or every piece written.
//   2. Otherwise, while waiting for a slot, it converts the oldest filled
//      slot that no one converts and that the caller has not taken.
//   3. Otherwise, whatever it waits for, it writes the oldest full output
//      piece, unless another thread is writing one.
//   4. Otherwise it waits until another step changes something.
//
// Rule 3 is the one rule for output pieces: whichever thread would otherwise
// wait writes them, one at a time and in order. No thread of its own
// competes with the two for the processors. What only order settles (the UID
// occurrence numbers, the first error, the counts) stays with the caller.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>
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
#include "text/text_file.h"
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

  // Empty again for the next records; a text buffer grown past keepBytes by
  // a long record gives its room back rather than keep it for the run.
  void Reset(std::size_t keepBytes);

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

// Which slots are converted ahead, for tests that try every schedule.
// Without one, a slot is converted ahead only by a thread that would
// otherwise wait, and the caller never waits for that.
class RingSchedule {
 public:
  // true: slot n (from 0) is converted ahead, by either thread, before the
  // caller takes it; false: by the caller in its turn. Asked once per slot,
  // outside the lock, by the thread that read the slot.
  virtual bool ConvertAhead(std::size_t n) = 0;

 protected:
  ~RingSchedule() = default;
};

// How a run shares its work; the defaults are the product's.
struct RunOptions {
  // 1: the caller reads, converts and writes alone; 2: a reader thread too.
  int threads = 2;
  // Record text gathered in a slot before it is handed over.
  std::size_t slotBytes = std::size_t{256} << 10;
  // Output a slot converted ahead keeps at most: a record that would take
  // it further is left to the caller.
  std::size_t aheadBytes = std::size_t{4} << 20;
  // Output gathered in a piece before it is handed over to be written.
  std::size_t pieceBytes = std::size_t{1} << 20;
  RingSchedule* schedule = nullptr;
};

class RecordRing {
 public:
  // What it is given must exist before it and so outlives it: the reader
  // thread is the ring's, stopped and joined before anything goes. The
  // header record is passed over. The reader thread reads text under
  // settings.
  RecordRing(ByteSource& input, const RecordFilter& filter, const RecordConverter& converter, ByteSink& output,
             const TextSettings& settings, const RunOptions& options);
  RecordRing(const RecordRing&) = delete;
  RecordRing& operator=(const RecordRing&) = delete;

  // The caller's side.
  // The next slot in order, the caller's until the next call; nullptr after
  // the last. Raises the reading's error (the input's, or the unfinished
  // last line's ListIndexError) where it stands in that order.
  RecordSlot* Next();
  // Nothing more is converted ahead (after a record error the rest is only
  // read to its end).
  void StopConverting();
  // The output piece being made; valid until HandOverPiece or FinishOutput.
  AnsiText& Piece() { return writer_.Piece(); }
  std::size_t PieceBytes() const { return writer_.PieceBytes(); }
  // Hands the piece over to be written once it holds PieceBytes().
  void HandOverPiece();
  // Writes every piece and returns when every byte is written.
  void FinishOutput();

 private:
  enum class Want { FreeSlot, NextSlot, FreePiece, AllWritten };
  struct Job {
    enum Kind {
      None,
      Read,     // fill slot n
      Convert,  // convert slot n ahead
      Write,    // write piece n
      Wait,
      Take,     // slot n is the caller's
      Proceed,  // what was waited for is there
      Stop,     // the reader has nothing more to read, or is told to stop
    };
    Kind kind = None;
    std::size_t n = 0;
  };
  enum class Ahead { IfIdle, Before, Never };
  struct Slot {
    RecordSlot records;
    bool last = false;
    std::exception_ptr error;  // of the reading
    Ahead ahead = Ahead::IfIdle;
    bool converting = false;   // a thread converts it ahead
  };
  static constexpr std::size_t kSlots = 4;
  // Record text the slots not given back may hold before the reader waits
  // for the caller to take them all: long records are not read far ahead.
  static constexpr std::size_t kAheadTextBytes = std::size_t{8} << 20;

  Slot& At(std::size_t n) { return slots_[n % kSlots]; }
  const Slot& At(std::size_t n) const { return slots_[n % kSlots]; }

  Job WorkUntil(Want want, const Job& done, std::stop_token stop = {});
  // Takes the lock: records done, then decides (or waits for) the next job.
  Job Step(const Job& done, Want want, std::stop_token stop);
  // With the lock held.
  void Record(const Job& done);
  Job Decide(Want want, const std::stop_token& stop);
  bool SlotFree() const;
  bool Ready(std::size_t n) const;
  std::optional<std::size_t> SlotToConvert() const;

  // Without the lock.
  void Do(const Job& job);
  void Fill(std::size_t n);
  void ConvertAhead(Slot& slot);
  void ReadAhead(std::stop_token stop);

  // Reads the header, in the first slot, before the thread starts.
  RecordReader recordReader_;
  const RecordConverter& converter_;
  const TextSettings& settings_;
  const RunOptions options_;
  Slot slots_[kSlots];
  BlockWriter writer_;
  // Slots filled, and taken by the caller; the caller gives every slot it
  // took back when it asks for the next (released_). readAll_: the last
  // slot is filled. The caller alone uses ended_ and lastTaken_.
  std::size_t filled_ = 0;
  std::size_t taken_ = 0;
  std::size_t released_ = 0;
  bool readAll_ = false;
  bool stopConverting_ = false;
  bool ended_ = false;
  Job lastTaken_;
  std::mutex mutex_;
  std::condition_variable_any changed_;
  // Last, so that it is stopped and joined before the rest goes.
  std::jthread reader_;
};
