#pragma once
// The records of an export, read ahead in batches: the input is read, joined
// into records and filtered on a thread of its own while the caller converts
// the batch before; each batch is split into fields by the thread that
// converts it. A small export (one batch) never starts the thread. When the
// caller falls behind, the thread splits (and may convert) batches ahead of
// it rather than wait for room.
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

#include "conversion/event_columns.h"
#include "conversion/input_records.h"
#include "conversion/record_filter.h"
#include "text/comma_text.h"
#include "text/line_stream.h"

// Records that passed the filter, copied back to back, their fields as views
// into them, and how many did not.
struct RecordBatch {
  struct Record {
    std::size_t end;          // where its text ends in text
    std::size_t joinsEnd;     // where its join offsets end in joinOffsets
    std::size_t fieldsEnd;    // where its fields end in fields
    std::size_t index;        // the record's index in the export (the header is 0)
    long long startLine;      // the physical line it starts on, from 1
  };
  AnsiText text;
  std::vector<Record> records;
  std::vector<std::size_t> joinOffsets;  // RecordJoiner::JoinOffsets of each record
  std::vector<FieldPlace> places;        // each record's fields, from the batch's start
  AnsiText reduced;                      // values whose doubled quotes were reduced
  std::vector<std::string_view> fields;  // the places as views, once the batch is split
  std::int32_t filtered = 0;
  bool split = false;
  const EventColumns* columns = nullptr;  // as the export's header gives them  // places, reduced and fields are filled in

  // What converting the batch's records gave, when the reading thread did it
  // ahead of the caller: the blocks of the first `converted` records and the
  // error of the next one, if one failed; and the counts the caller settles
  // in order, each a key and where in blocks its count stands, written as
  // a single "1" (the count of a first occurrence).
  struct OrderedCount {
    std::uint64_t key;
    std::size_t at;
  };
  struct Converted {
    bool done = false;
    AnsiText blocks;
    std::size_t converted = 0;
    std::exception_ptr error;
    std::vector<OrderedCount> counts;
  };
  Converted ahead;

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

class RecordBatches {
 public:
  // Both must outlive this. The header record is passed over. convertAhead,
  // when given, fills a batch's `ahead` on the reading thread; the caller
  // converts the batches it left as they are.
  using ConvertAhead = std::function<void(const RecordBatch&, RecordBatch::Converted&)>;
  // whileWaiting, when given, does some other work of the run and tells
  // whether it did any; either thread calls it rather than wait.
  RecordBatches(ByteSource& input, const RecordFilter& filter, ConvertAhead convertAhead = {},
                std::function<bool()> whileWaiting = {});
  // Stops the reading thread and waits for it (after its current read).
  ~RecordBatches();
  RecordBatches(const RecordBatches&) = delete;
  RecordBatches& operator=(const RecordBatches&) = delete;

  // The next batch in input order, valid until the next call; nullptr after
  // the last. Raises the reading's error (the input's read error, or the
  // unfinished last line's ListIndexError) where it stands in that order,
  // after every batch before it.
  const RecordBatch* Next();

  // Record text gathered before a batch is handed over.
  static constexpr std::size_t kBatchBytes = std::size_t{256} << 10;

 private:
  struct Slot {
    RecordBatch batch;
    bool last = false;
    std::exception_ptr error;
    bool workedAhead = false;  // the reading thread took it on ahead of the caller
    bool converting = false;   // ... and is at work on it
  };
  static constexpr std::size_t kSlots = 4;

  void Fill(Slot& slot);
  void ReadAhead();
  static void SplitFields(RecordBatch& batch);
  bool WorkOneAhead(std::unique_lock<std::mutex>& lock);
  template <typename Ready>
  void WaitFor(std::unique_lock<std::mutex>& lock, Ready ready);
  bool SlotFree() const;
  // Record text the batches not given back may hold before the reader waits
  // for the caller to take them all: long records are not read far ahead.
  static constexpr std::size_t kAheadTextBytes = std::size_t{8} << 20;

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
  // Read from the header, in the first batch, before the thread starts.
  EventColumns columns_;
  const RecordFilter& filter_;
  const ConvertAhead convertAhead_;
  const std::function<bool()> whileWaiting_;
  Slot slots_[kSlots];
  // Batches filled, taken by the caller, and given back (the caller is done
  // with every batch it took once it asks for the next).
  std::size_t filled_ = 0;
  std::size_t taken_ = 0;
  std::size_t released_ = 0;
  bool ended_ = false;  // the last batch was handed out
  bool stop_ = false;
  bool inline_ = false;  // no thread could be started: the caller reads
  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread reader_;
};
