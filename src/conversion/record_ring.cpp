#include "conversion/record_ring.h"

#include <system_error>

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

// The fields of every record, as views into the slot's text; done by the
// thread that converts the slot.
void SplitFields(RecordSlot& slot) {
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

void GiveBackRoom(AnsiText& text, std::size_t keepBytes) {
  if (text.capacity() > keepBytes) AnsiText().swap(text);
}

}  // namespace

void RecordSlot::Reset(std::size_t keepBytes) {
  text.clear();
  GiveBackRoom(text, keepBytes);
  records.clear();
  joinOffsets.clear();
  places.clear();
  reduced.clear();
  GiveBackRoom(reduced, keepBytes);
  fields.clear();
  filtered = 0;
  split = false;
  columns = nullptr;
  ahead.done = false;
  ahead.text.clear();
  ahead.marks.clear();
  ahead.converted = 0;
  ahead.error = nullptr;
}

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
                       ByteSink& output, const TextSettings& settings, const RunOptions& options)
    : recordReader_(input, filter),
      converter_(converter),
      settings_(settings),
      options_(options),
      writer_(output, options.pieceBytes) {}

// ---- The locked step ----

// Every thread's loop: the jobs its steps give, until one hands it what it
// wants (or stops the reader).
RecordRing::Job RecordRing::WorkUntil(Want want, const Job& done, std::stop_token stop) {
  for (Job job = Step(done, want, stop);; job = Step(job, want, stop)) {
    if (job.kind != Job::Read && job.kind != Job::Convert && job.kind != Job::Write) return job;
    Do(job);
  }
}

// Threads wait for a job done, a slot taken or a piece handed over, never
// for a job claimed.
RecordRing::Job RecordRing::Step(const Job& done, Want want, std::stop_token stop) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (done.kind != Job::None) {
    Record(done);
    changed_.notify_all();
  }
  Job next;
  changed_.wait(lock, stop, [&] {
    next = Decide(want, stop);
    return next.kind != Job::Wait;
  });
  if (next.kind == Job::Take || (want == Want::FreePiece && next.kind == Job::Proceed)) changed_.notify_all();
  return next;
}

void RecordRing::Record(const Job& done) {
  switch (done.kind) {
    case Job::Read:
      ++filled_;
      readAll_ = At(done.n).last;
      break;
    case Job::Convert:
      At(done.n).converting = false;
      At(done.n).records.ahead.done = true;
      break;
    case Job::Write:
      writer_.Written();
      break;
    case Job::Take:  // the caller asks for the next slot: it is done with this one
      released_ = done.n + 1;
      break;
    default:
      break;
  }
}

// The rules of the header, in their order.
RecordRing::Job RecordRing::Decide(Want want, const std::stop_token& stop) {
  switch (want) {
    case Want::FreeSlot:
      if (readAll_ || stop.stop_requested()) return {Job::Stop};
      if (SlotFree()) return {Job::Read, filled_};
      break;
    case Want::NextSlot:
      if (Ready(taken_)) return {Job::Take, taken_++};
      // Without the reader thread (one thread, or before the first slot is
      // read) the caller fills its slot itself.
      if (!reader_.joinable() && filled_ == taken_) return {Job::Read, filled_};
      break;
    case Want::FreePiece:
      if (writer_.HasRoom()) {
        writer_.HandOver();
        return {Job::Proceed};
      }
      break;
    case Want::AllWritten:
      if (writer_.AllWritten()) return {Job::Proceed};
      break;
  }
  if (want == Want::FreeSlot || want == Want::NextSlot) {
    if (const std::optional<std::size_t> n = SlotToConvert()) {
      At(*n).converting = true;
      return {Job::Convert, *n};
    }
  }
  if (const std::optional<std::size_t> m = writer_.ClaimWaiting()) return {Job::Write, *m};
  return {Job::Wait};
}

// The slots filled and not given back are the caller's or wait for it; none
// is being filled.
bool RecordRing::SlotFree() const {
  if (filled_ >= released_ + kSlots) return false;
  if (filled_ == taken_) return true;
  std::size_t bytes = 0;
  for (std::size_t k = released_; k < filled_; ++k) bytes += At(k).records.text.size();
  return bytes < kAheadTextBytes;
}

bool RecordRing::Ready(std::size_t n) const {
  const Slot& slot = At(n);
  return filled_ > n && !slot.converting &&
         (slot.ahead != Ahead::Before || slot.records.ahead.done || slot.error || stopConverting_);
}

std::optional<std::size_t> RecordRing::SlotToConvert() const {
  if (stopConverting_) return std::nullopt;
  for (std::size_t n = taken_; n < filled_; ++n) {
    const Slot& slot = At(n);
    if (!slot.converting && !slot.records.ahead.done && !slot.error && slot.ahead != Ahead::Never) return n;
  }
  return std::nullopt;
}

// ---- The jobs, done outside the lock ----

void RecordRing::Do(const Job& job) {
  switch (job.kind) {
    case Job::Read:
      Fill(job.n);
      break;
    case Job::Convert:
      ConvertAhead(At(job.n));
      break;
    case Job::Write:
      writer_.Write(job.n);
      break;
    default:
      break;
  }
}

// Whole records up to about slotBytes of text. An error of the reading ends
// the records: it is kept in the slot and raised when the caller reaches it.
void RecordRing::Fill(std::size_t n) {
  Slot& slot = At(n);
  RecordSlot& records = slot.records;
  records.Reset(4 * options_.slotBytes);
  records.columns = &recordReader_.Columns();
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
  if (options_.schedule == nullptr) {
    slot.ahead = Ahead::IfIdle;
  } else {
    slot.ahead = options_.schedule->ConvertAhead(n) ? Ahead::Before : Ahead::Never;
  }
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

// ---- The threads ----

void RecordRing::ReadAhead(std::stop_token stop) {
  const TextSettingsScope scope(settings_);
  WorkUntil(Want::FreeSlot, Job{}, std::move(stop));
}

RecordSlot* RecordRing::Next() {
  if (ended_) return nullptr;
  lastTaken_ = WorkUntil(Want::NextSlot, lastTaken_);
  Slot& slot = At(lastTaken_.n);
  ended_ = slot.last;
  // Only an export of more than one slot starts the thread.
  if (lastTaken_.n == 0 && !slot.last && options_.threads > 1) {
    try {
      reader_ = std::jthread([this](std::stop_token stop) { ReadAhead(std::move(stop)); });
    } catch (const std::system_error&) {
      // No thread: the caller reads alone.
    }
  }
  if (slot.error) std::rethrow_exception(slot.error);
  if (!slot.records.split) SplitFields(slot.records);
  return &slot.records;
}

void RecordRing::StopConverting() {
  const std::lock_guard<std::mutex> lock(mutex_);
  stopConverting_ = true;
}

void RecordRing::HandOverPiece() {
  if (Piece().size() < PieceBytes()) return;
  WorkUntil(Want::FreePiece, Job{});
  writer_.StartPiece();
}

void RecordRing::FinishOutput() {
  WorkUntil(Want::AllWritten, Job{});
  writer_.WriteLast();
}
