#include "conversion/block_writer.h"

// A piece is given its room when it is first made: a small output uses one.
BlockWriter::BlockWriter(ByteSink& output, std::size_t pieceBytes) : output_(output), pieceBytes_(pieceBytes) {
  StartPiece();
}

std::optional<std::size_t> BlockWriter::ClaimWaiting() {
  if (writing_ || written_ == made_) return std::nullopt;
  writing_ = true;
  return written_;
}

void BlockWriter::Written() {
  ++written_;
  writing_ = false;
}

void BlockWriter::Write(std::size_t m) {
  AnsiText& piece = pieces_[m % kPieces];
  output_.Write(piece);
  piece.clear();
}

void BlockWriter::WriteLast() {
  output_.Write(Piece());
  Piece().clear();
}

void BlockWriter::StartPiece() { Piece().reserve(pieceBytes_ + pieceBytes_ / 4); }
