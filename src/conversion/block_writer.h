#pragma once
// The output of a run, made in pieces of about 1 MiB. A full piece waits in a
// small ring until a thread of the run has nothing better to do (the caller
// waiting for records, the reader waiting for room) and writes it; only when
// the ring is full does the caller write one itself. The work of writing thus
// goes to whichever thread is ahead, and no thread of its own competes with
// the two for the processors. The pieces are written one at a time and in
// order.
#include <condition_variable>
#include <cstddef>
#include <mutex>

#include "conversion/ordered_output.h"
#include "text/ansi_text.h"
#include "text/text_file.h"

class BlockWriter {
 public:
  // output must outlive this (an output file keeps its failures for its
  // Commit).
  explicit BlockWriter(ByteSink& output);
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;

  // Where the next bytes go; valid until PieceMayBeFull or Finish. These
  // three belong to the thread that makes the output.
  AnsiText& Piece() { return pieces_[filled_ % kPieces]; }
  // Hands the piece over once it holds kPieceSize bytes.
  void PieceMayBeFull();
  // Writes every piece and returns when every byte is written.
  void Finish();

  // Writes the oldest piece handed over, unless none waits or another thread
  // is writing one; true if it wrote. Any thread may call it.
  bool WriteWaitingPiece();

  static constexpr std::size_t kPieceSize = std::size_t{1} << 20;

 private:
  static constexpr std::size_t kPieces = 4;
  static constexpr std::size_t kPieceRoom = kPieceSize + (kPieceSize >> 2);
  // With the lock held, no piece being written and one waiting: writes it
  // with the lock released.
  void WriteOldest(std::unique_lock<std::mutex>& lock);

  ByteSink& output_;
  AnsiText pieces_[kPieces];
  // Pieces handed over, and pieces written: those between wait or are being
  // written, and the one after them is being filled.
  std::size_t filled_ = 0;
  std::size_t written_ = 0;
  bool writing_ = false;
  std::mutex mutex_;
  std::condition_variable writtenChanged_;
};

// Records in their order, straight into the writer's pieces: at each safe
// point a full piece is handed over, so that even one long record's output
// goes to the file in steps.
class PieceOutput final : public OrderedOutput {
 public:
  PieceOutput(BlockWriter& writer, OccurrenceCounter& counter)
      : OrderedOutput(writer.Piece(), counter, BlockWriter::kPieceSize), writer_(writer) {}

 protected:
  void HandOn() override {
    writer_.PieceMayBeFull();
    text_ = &writer_.Piece();
  }

 private:
  BlockWriter& writer_;
};
