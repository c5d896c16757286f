#include "conversion/record_batches.h"

#include <system_error>
#include <utility>

#include "text/comma_text.h"


RecordBatches::RecordBatches(ByteSource& input, const RecordFilter& filter, ConvertAhead convertAhead,
                             std::function<bool()> whileWaiting)
    : lines_(input),
      joiner_(lines_),
      filter_(filter),
      convertAhead_(std::move(convertAhead)),
      whileWaiting_(std::move(whileWaiting)) {}

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
  batch.ahead.done = false;
  batch.split = false;
  batch.columns = &columns_;
  slot.workedAhead = false;
  slot.error = nullptr;
  slot.last = false;
  try {
    std::string_view record;
    while (!slot.last && batch.text.size() < kBatchBytes) {
      // The record goes straight to the batch, and leaves it again if it is
      // not to be converted.
      const std::size_t start = batch.text.size();
      const RecordJoiner::Step step = joiner_.Next(record, &batch.text);
      if (step == RecordJoiner::Step::End) {
        slot.last = true;
        break;
      }
      if (step == RecordJoiner::Step::Unfinished) throw joiner_.UnfinishedError();
      const bool header = joiner_.Count() == 1;
      if (header) columns_ = EventColumns::FromHeader(record);
      if (header || filter_.Excludes(record)) {
        batch.text.resize(start);
        if (!header) ++batch.filtered;
        continue;
      }
      const std::vector<std::size_t>& joins = joiner_.JoinOffsets();
      batch.joinOffsets.insert(batch.joinOffsets.end(), joins.begin(), joins.end());
      batch.records.push_back({batch.text.size(), batch.joinOffsets.size(), 0, joiner_.Count() - 1,
                               joiner_.StartLine()});
    }
  } catch (...) {
    slot.error = std::current_exception();
    slot.last = true;
  }
}

// The fields of every record, as views into the batch's text; done by the
// thread that converts the batch.
void RecordBatches::SplitFields(RecordBatch& batch) {
  batch.places.clear();
  batch.reduced.clear();
  batch.fields.clear();
  std::size_t start = 0;
  for (RecordBatch::Record& record : batch.records) {
    const std::size_t firstField = batch.places.size();
    FindCommaFields(std::string_view(batch.text).substr(start, record.end - start), batch.places, batch.reduced);
    for (std::size_t k = firstField; k < batch.places.size(); ++k) batch.places[k].raw += start;
    record.fieldsEnd = batch.places.size();
    start = record.end;
  }
  batch.fields.reserve(batch.places.size());
  for (const FieldPlace& place : batch.places) batch.fields.push_back(FieldValue(place, batch.text, batch.reduced));
  batch.split = true;
}

// With no room to read into, the newest batch the caller has not taken and
// that was not worked on yet is split into fields here, and converted if the
// run may convert ahead: the caller reaches it last. Returns false if there
// is none. A failure to convert is kept with the batch, for the caller to meet
// in its turn; a batch that could not be split is left to the caller.
bool RecordBatches::WorkOneAhead(std::unique_lock<std::mutex>& lock) {
  std::size_t k = filled_;
  while (k > taken_ && slots_[(k - 1) % kSlots].workedAhead) --k;
  if (k == taken_) return false;
  Slot& slot = slots_[(k - 1) % kSlots];
  slot.workedAhead = true;
  slot.converting = true;
  lock.unlock();
  RecordBatch::Converted& ahead = slot.batch.ahead;
  bool converted = false;
  try {
    SplitFields(slot.batch);
    if (convertAhead_) {
      converted = true;
      ahead.blocks.clear();
      ahead.converted = 0;
      ahead.error = nullptr;
      ahead.counts.clear();
      convertAhead_(slot.batch, ahead);
    }
  } catch (...) {
    if (converted) ahead.error = std::current_exception();
  }
  lock.lock();
  slot.converting = false;
  ahead.done = converted;
  changed_.notify_all();
  return true;
}

// With the lock held. The batches filled and not given back are the caller's
// or wait for it; none is being filled.
bool RecordBatches::SlotFree() const {
  if (filled_ >= released_ + kSlots) return false;
  if (filled_ == taken_) return true;
  std::size_t bytes = 0;
  for (std::size_t k = released_; k < filled_; ++k) bytes += slots_[k % kSlots].batch.text.size();
  return bytes < kAheadTextBytes;
}

// Until ready, with the lock held: the other work first, while there is
// some, and then a wait.
template <typename Ready>
void RecordBatches::WaitFor(std::unique_lock<std::mutex>& lock, Ready ready) {
  while (!ready()) {
    if (whileWaiting_) {
      lock.unlock();
      const bool worked = whileWaiting_();
      lock.lock();
      if (worked) continue;
    }
    changed_.wait(lock, ready);
  }
}

void RecordBatches::ReadAhead() {
  for (;;) {
    std::size_t next;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      while (!stop_ && !SlotFree() && WorkOneAhead(lock)) {
      }
      WaitFor(lock, [this] { return stop_ || SlotFree(); });
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
  // The caller is done with every batch it took: their slots are free, and
  // a long record's room is given back rather than kept for the rest of the run.
  for (; released_ < taken_; ++released_) {
    RecordBatch& batch = slots_[released_ % kSlots].batch;
    if (batch.text.capacity() > 4 * kBatchBytes) AnsiText().swap(batch.text);
    if (batch.reduced.capacity() > 4 * kBatchBytes) AnsiText().swap(batch.reduced);
  }
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
    WaitFor(lock, [this] { return filled_ > taken_; });
  }
  Slot& slot = slots_[taken_ % kSlots];
  WaitFor(lock, [&slot] { return !slot.converting; });
  ++taken_;
  ended_ = slot.last;
  if (slot.error) std::rethrow_exception(slot.error);
  lock.unlock();
  changed_.notify_all();  // the reader may wait for every batch to be taken
  if (!slot.batch.split) SplitFields(slot.batch);
  return &slot.batch;
}
