#include "conversion/record_batches.h"

#include <system_error>
#include <utility>

#include "text/comma_text.h"


RecordBatches::RecordBatches(ByteSource& input, const RecordFilter& filter)
    : lines_(input), joiner_(lines_), filter_(filter) {}

RecordBatches::~RecordBatches() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (reader_.joinable()) reader_.join();
}

// Whole records up to about kBatchBytes of text. An error of the reading ends
// the batches: it is kept in the slot and raised when the caller reaches it.
void RecordBatches::Fill(Slot& slot) {
  RecordBatch& batch = slot.batch;
  batch.text.clear();
  batch.records.clear();
  batch.joinOffsets.clear();
  batch.filtered = 0;
  batch.places.clear();
  batch.reduced.clear();
  batch.fields.clear();
  slot.error = nullptr;
  slot.last = false;
  try {
    std::string_view record;
    while (!slot.last && batch.text.size() < kBatchBytes) {
      const RecordJoiner::Step step = joiner_.Next(record);
      if (step == RecordJoiner::Step::End) {
        slot.last = true;
        break;
      }
      if (step == RecordJoiner::Step::Unfinished) throw joiner_.UnfinishedError();
      if (joiner_.Count() == 1) continue;  // the header
      if (filter_.Excludes(record)) {
        ++batch.filtered;
        continue;
      }
      const std::size_t start = batch.text.size();
      batch.text.append(record);
      const std::vector<std::size_t>& joins = joiner_.JoinOffsets();
      batch.joinOffsets.insert(batch.joinOffsets.end(), joins.begin(), joins.end());
      const std::size_t firstField = batch.places.size();
      FindCommaFields(record, batch.places, batch.reduced);
      for (std::size_t k = firstField; k < batch.places.size(); ++k) {
        if (!batch.places[k].reduced) batch.places[k].offset += start;
      }
      batch.records.push_back({batch.text.size(), batch.joinOffsets.size(), batch.places.size(), joiner_.Count() - 1,
                               joiner_.StartLine()});
    }
  } catch (...) {
    slot.error = std::current_exception();
    slot.last = true;
    return;
  }
  // The text no longer moves: the places become views.
  const std::string_view text(batch.text);
  const std::string_view reduced(batch.reduced);
  batch.fields.reserve(batch.places.size());
  for (const FieldPlace& place : batch.places)
    batch.fields.push_back((place.reduced ? reduced : text).substr(place.offset, place.size));
}

void RecordBatches::ReadAhead() {
  for (;;) {
    std::size_t next;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || SlotFree(); });
      if (stop_) return;
      next = filled_;
    }
    Slot& slot = slots_[next % kSlots];
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

// The first batch is read here; only an export with more starts the thread.
const RecordBatch* RecordBatches::Next() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (ended_) return nullptr;
  // The caller is done with every batch it took: their slots are free.
  released_ = taken_;
  if (taken_ == 0 || inline_) {
    lock.unlock();
    Fill(slots_[filled_ % kSlots]);
    lock.lock();
    ++filled_;
    if (taken_ == 0 && !slots_[0].last) {
      try {
        reader_ = std::thread([this] { ReadAhead(); });
      } catch (const std::system_error&) {
        inline_ = true;
      }
    }
  } else {
    lock.unlock();
    changed_.notify_all();
    lock.lock();
    changed_.wait(lock, [this] { return filled_ > taken_; });
  }
  Slot& slot = slots_[taken_ % kSlots];
  ++taken_;
  ended_ = slot.last;
  if (slot.error) std::rethrow_exception(slot.error);
  return &slot.batch;
}
