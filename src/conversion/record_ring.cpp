#include "conversion/record_ring.h"

#include <system_error>
#include <utility>

#include "text/comma_text.h"
#include "text/errors.h"

namespace {

// A slot's output made ahead: the UID numbers are marked for the caller,
// and a record that would take the slot past its room is given up (Full) to
// be converted again in its turn.
class AheadOutput final : public BlockOutput {
 public:
  AheadOutput(RecordSlot::Ahead& ahead, std::size_t room) : BlockOutput(ahead.text, room), ahead_(ahead) {}
  void AppendOccurrence(std::uint64_t hash) override { ahead_.marks.push_back({ahead_.text.size(), hash}); }

 protected:
  void HandOn() override { throw Full{}; }

 private:
  RecordSlot::Ahead& ahead_;
};

}  // namespace

void ConvertSlotRecord(const RecordConverter& converter, const RecordSlot& slot, std::size_t i, BlockOutput& out) {
  try {
    converter.Convert(EventRecord(slot.Fields(i), *slot.columns), slot.Text(i), slot.Joins(i), out);
  } catch (QuillmerError& error) {
    // The message stays the system's own; the place is for callers that
    // can show more.
    const RecordSlot::Record& place = slot.records[i];
    error.SetPlace({static_cast<long long>(place.index), place.startLine});
    throw;
  }
}

RecordRing::RecordRing(ByteSource& input, const RecordFilter& filter, const RecordConverter& converter,
                       BlockWriter& writer, const TextSettings& settings, RingOptions options)
    : recordReader_(input, filter),
      converter_(converter),
      writer_(writer),
      settings_(settings),
      options_(std::move(options)) {}

RecordRing::~RecordRing() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (reader_.joinable()) reader_.join();
}

// Whole records up to about slotBytes of text. An error of the reading ends
// the records: it is kept in the slot and raised when the caller reaches it.
void RecordRing::Fill(Slot& slot) {
  RecordSlot& records = slot.records;
  records.text.clear();
  records.records.clear();
  records.joinOffsets.clear();
  records.filtered = 0;
  records.split = false;
  records.columns = &recordReader_.Columns();
  records.ahead.done = false;
  records.ahead.text.clear();
  records.ahead.marks.clear();
  records.ahead.converted = 0;
  records.ahead.error = nullptr;
  slot.error = nullptr;
  slot.last = false;
  try {
    RecordReader::Record record;
    while (records.text.size() < options_.slotBytes) {
      // The record goes straight to the slot, and leaves it again if it is
      // filtered out.
      const std::size_t start = records.text.size();
      if (!recordReader_.Next(record, &records.text)) {
        slot.last = true;
        break;
      }
      if (record.filteredOut) {
        records.text.resize(start);
        ++records.filtered;
        continue;
      }
      const std::vector<std::size_t>& joins = recordReader_.JoinOffsets();
      records.joinOffsets.insert(records.joinOffsets.end(), joins.begin(), joins.end());
      records.records.push_back({records.text.size(), records.joinOffsets.size(), 0, record.index, record.startLine});
    }
  } catch (...) {
    slot.error = std::current_exception();
    slot.last = true;
  }
}

// The fields of every record, as views into the slot's text; done by the
// thread that converts the slot.
void RecordRing::SplitFields(RecordSlot& slot) {
  slot.places.clear();
  slot.reduced.clear();
  slot.fields.clear();
  std::size_t start = 0;
  for (RecordSlot::Record& record : slot.records) {
    RecordReader::FindFields(slot.text, start, record.end, slot.places, slot.reduced);
    record.fieldsEnd = slot.places.size();
    start = record.end;
  }
  slot.fields.reserve(slot.places.size());
  for (const FieldPlace& place : slot.places) slot.fields.push_back(FieldValue(place, slot.text, slot.reduced));
  slot.split = true;
}

// Converts the slot's records in order into its own output, as far as the
// first that fails or the room allows; the caller does the rest in its turn.
void RecordRing::ConvertAhead(Slot& slot) {
  RecordSlot& records = slot.records;
  RecordSlot::Ahead& ahead = records.ahead;
  try {
    if (!records.split) SplitFields(records);
  } catch (...) {
    ahead.error = std::current_exception();
    return;
  }
  AheadOutput out(ahead, options_.aheadBytes);
  for (std::size_t i = 0; i < records.records.size() && ahead.text.size() < options_.aheadBytes; ++i) {
    // A record as long as the room would hardly fit: it is left whole to the
    // caller, whose output hands its bytes on as they are made.
    if (records.Text(i).size() >= options_.aheadBytes) return;
    const std::size_t end = ahead.text.size();
    const std::size_t marks = ahead.marks.size();
    try {
      ConvertSlotRecord(converter_, records, i, out);
    } catch (const BlockOutput::Full&) {
      ahead.text.resize(end);
      ahead.marks.resize(marks);
      return;
    } catch (...) {
      ahead.text.resize(end);
      ahead.marks.resize(marks);
      ahead.error = std::current_exception();
      return;
    }
    ++ahead.converted;
  }
}

// With the lock held. The slots filled and not given back are the caller's
// or wait for it; none is being filled.
bool RecordRing::SlotFree() const {
  if (filled_ >= released_ + kSlots) return false;
  if (filled_ == taken_) return true;
  std::size_t bytes = 0;
  for (std::size_t k = released_; k < filled_; ++k) bytes += slots_[k % kSlots].records.text.size();
  return bytes < kAheadTextBytes;
}

bool RecordRing::MayConvertAhead(std::size_t n) const {
  return !stopConverting_ && (!options_.convertAhead || options_.convertAhead(n));
}

// With the lock held, by a thread that would otherwise wait: converts the
// oldest filled slot the caller has not taken, or else writes a waiting
// piece of output. False when there was nothing to do.
bool RecordRing::DoSomeWork(std::unique_lock<std::mutex>& lock) {
  if (stop_) return false;
  for (std::size_t n = taken_; n < filled_; ++n) {
    Slot& slot = At(n);
    if (slot.converting || slot.records.ahead.done || slot.error || !MayConvertAhead(n)) continue;
    slot.converting = true;
    lock.unlock();
    ConvertAhead(slot);
    lock.lock();
    slot.converting = false;
    slot.records.ahead.done = true;
    changed_.notify_all();
    return true;
  }
  lock.unlock();
  const bool wrote = writer_.WriteWaitingPiece();
  lock.lock();
  return wrote;
}

void RecordRing::ReadAhead() {
  for (;;) {
    std::size_t n;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      while (!stop_ && !SlotFree()) {
        if (!DoSomeWork(lock) && !stop_ && !SlotFree()) changed_.wait(lock);
      }
      if (stop_) return;
      n = filled_;
    }
    Slot& slot = At(n);
    Fill(slot);
    const bool last = slot.last;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ++filled_;
    }
    changed_.notify_all();
    if (last) return;
  }
}

void RecordRing::StopConverting() {
  const std::lock_guard<std::mutex> lock(mutex_);
  stopConverting_ = true;
}

// Without the reader thread (one thread, or before the first slot is read)
// the caller fills its slot itself; only an export of more than one slot
// starts the thread.
RecordSlot* RecordRing::Next() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (ended_) return nullptr;
  // The caller is done with every slot it took: they are free, and a long
  // record's room is given back rather than kept for the rest of the run.
  for (; released_ < taken_; ++released_) {
    RecordSlot& records = At(released_).records;
    if (records.text.capacity() > 4 * options_.slotBytes) AnsiText().swap(records.text);
    if (records.reduced.capacity() > 4 * options_.slotBytes) AnsiText().swap(records.reduced);
  }
  const std::size_t n = taken_;
  if (!threaded_) {
    lock.unlock();
    Fill(At(n));
    lock.lock();
    ++filled_;
    if (n == 0 && !At(0).last && options_.threads > 1) {
      try {
        reader_ = std::thread([this] {
          const TextSettingsScope scope(settings_);
          ReadAhead();
        });
        threaded_ = true;
      } catch (const std::system_error&) {
        // No thread: the caller reads alone.
      }
    }
  } else {
    lock.unlock();
    changed_.notify_all();  // its slot before is free
    lock.lock();
  }
  Slot& slot = At(n);
  // Ready once filled and not being converted, and converted ahead if a
  // test asked for it.
  auto ready = [&] {
    return filled_ > n && !slot.converting &&
           (slot.records.ahead.done || slot.error || !options_.convertAhead || !MayConvertAhead(n));
  };
  while (!ready()) {
    if (!DoSomeWork(lock) && !ready()) changed_.wait(lock);
  }
  ++taken_;
  ended_ = slot.last;
  if (slot.error) std::rethrow_exception(slot.error);
  lock.unlock();
  changed_.notify_all();  // the reader may wait for every slot to be taken
  if (!slot.records.split) SplitFields(slot.records);
  return &slot.records;
}
