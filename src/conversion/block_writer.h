#pragma once
// The output of a run, made in pieces of about 1 MiB and written on a thread
// of its own while the next piece is made, so that copying the bytes into the
// file system does not hold up the conversion. A small output (one piece) is
// written by the caller and starts no thread.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

#include "text/ansi_text.h"
#include "text/text_file.h"

class BlockWriter {
 public:
  // output must outlive this; its failures are kept for its Commit.
  explicit BlockWriter(OutputFile& output);
  // Waits for the thread; a piece not yet written is dropped.
  ~BlockWriter();
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;

  // Where the next bytes go; valid until PieceMayBeFull or Finish.
  AnsiText& Piece() { return pieces_[current_]; }
  // Hands the piece over to be written once it holds kPieceSize bytes.
  void PieceMayBeFull();
  // Writes what is left and returns when every byte is written.
  void Finish();

  static constexpr std::size_t kPieceSize = std::size_t{1} << 20;

 private:
  void HandOver();
  void WriteHere();  // the piece to fill, by the caller
  void Run();

  OutputFile& output_;
  AnsiText pieces_[2];
  std::size_t current_ = 0;
  bool pending_ = false;  // the other piece waits or is being written
  bool stop_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread thread_;  // none: the caller writes
};
