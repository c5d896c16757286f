#include "conversion/block_writer.h"

// A piece is given its room when it is first filled: a small output uses
// one.
BlockWriter::BlockWriter(ByteSink& output) : output_(output) { pieces_[0].reserve(kPieceRoom); }

void BlockWriter::PieceMayBeFull() {
  if (Piece().size() < kPieceSize) return;
  std::unique_lock<std::mutex> lock(mutex_);
  // The next piece of the ring is free once the one before it is written.
  while (filled_ + 1 == written_ + kPieces) {
    if (writing_) {
      writtenChanged_.wait(lock);
    } else {
      WriteOldest(lock);
    }
  }
  ++filled_;
  lock.unlock();
  Piece().clear();
  Piece().reserve(kPieceRoom);
}

void BlockWriter::Finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (written_ < filled_) {
    if (writing_) {
      writtenChanged_.wait(lock);
    } else {
      WriteOldest(lock);
    }
  }
  lock.unlock();
  output_.Write(Piece());
  Piece().clear();
}

bool BlockWriter::WriteWaitingPiece() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (writing_ || written_ == filled_) return false;
  WriteOldest(lock);
  return true;
}

void BlockWriter::WriteOldest(std::unique_lock<std::mutex>& lock) {
  writing_ = true;
  const AnsiText& piece = pieces_[written_ % kPieces];
  lock.unlock();
  output_.Write(piece);  // its failure is kept, not raised
  lock.lock();
  ++written_;
  writing_ = false;
  writtenChanged_.notify_all();
}
