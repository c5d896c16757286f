#pragma once
// The output of a run in pieces of about 1 MiB: the piece being made, and up
// to three full ones waiting to be written, one at a time and in order. It
// keeps no lock of its own: the run's ring holds it under the ring's lock and
// decides who writes each piece (record_ring.h).
#include <cstddef>
#include <optional>

#include "text/ansi_text.h"
#include "text/text_file.h"

class BlockWriter {
 public:
  // output must outlive this (an output file keeps its failures for its
  // Commit). A piece is full at pieceBytes.
  BlockWriter(ByteSink& output, std::size_t pieceBytes);
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;

  // The piece being made: the maker's alone, until it is handed over.
  AnsiText& Piece() { return pieces_[made_ % kPieces]; }
  std::size_t PieceBytes() const { return pieceBytes_; }

  // With the ring's lock held.
  // Another full piece may be handed over: the one after it is written.
  bool HasRoom() const { return made_ + 1 < written_ + kPieces; }
  void HandOver() { ++made_; }
  bool AllWritten() const { return written_ == made_; }
  // The oldest piece handed over, now the caller's to Write, unless none
  // waits or one is being written.
  std::optional<std::size_t> ClaimWaiting();
  void Written();

  // Without the lock. Writes piece m, claimed; its failure is kept by the
  // output, not raised.
  void Write(std::size_t m);
  // The maker's, once every piece is written: the last, partial piece.
  void WriteLast();
  // The maker's, after HandOver: gives the new piece its room.
  void StartPiece();

 private:
  static constexpr std::size_t kPieces = 4;

  ByteSink& output_;
  const std::size_t pieceBytes_;
  AnsiText pieces_[kPieces];
  // Pieces handed over, and pieces written: those between wait or are being
  // written, and the one after them is being made.
  std::size_t made_ = 0;
  std::size_t written_ = 0;
  bool writing_ = false;
};
