#include "conversion/block_writer.h"

#include <system_error>
#include <utility>

BlockWriter::BlockWriter(OutputFile& output) : output_(output) {
  for (AnsiText& piece : pieces_) piece.reserve(kPieceSize + (kPieceSize >> 2));
}

BlockWriter::~BlockWriter() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void BlockWriter::PieceMayBeFull() {
  if (pieces_[current_].size() >= kPieceSize) HandOver();
}

// The full piece goes to the thread (started with the first one) and the
// other, once written, becomes the piece to fill. Without a thread the piece
// is written here.
void BlockWriter::HandOver() {
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      WriteHere();
      return;
    }
  }
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !pending_; });
  current_ ^= 1;
  pieces_[current_].clear();
  pending_ = true;
  lock.unlock();
  changed_.notify_all();
}

void BlockWriter::Finish() {
  if (thread_.joinable()) {
    HandOver();
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !pending_; });
  } else {
    WriteHere();
  }
}

void BlockWriter::WriteHere() {
  output_.Write(pieces_[current_]);
  pieces_[current_].clear();
}

void BlockWriter::Run() {
  for (;;) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return stop_ || pending_; });
    if (stop_) return;
    AnsiText& piece = pieces_[current_ ^ 1];
    lock.unlock();
    output_.Write(piece);
    lock.lock();
    pending_ = false;
    lock.unlock();
    changed_.notify_all();
  }
}
