#include "text/line_stream.h"

#include <cstring>

LineStream::LineStream(ByteSource& source, std::size_t pieceSize) : source_(source), buffer_(pieceSize, '\0') {}

bool LineStream::Next(std::string_view& line) {
  while (!cursor_.Next(line)) {
    if (ended_) return false;
    ReadMore();
  }
  return true;
}

// The walked lines are dropped, the rest moved to the front and the buffer
// filled behind it (grown only for a line longer than it). The cursor then
// walks the lines that are surely complete: up to the last line break, but a
// CR at the very end waits, since an LF may follow it in the next piece.
void LineStream::ReadMore() {
  std::memmove(buffer_.data(), buffer_.data() + complete_, end_ - complete_);
  end_ -= complete_;
  complete_ = 0;
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
  const std::size_t got = source_.Read(buffer_.data() + end_, buffer_.size() - end_);
  if (got == 0) {
    ended_ = true;
  } else if (const void* nul = std::memchr(buffer_.data() + end_, '\0', got)) {
    end_ = static_cast<std::size_t>(static_cast<const char*>(nul) - buffer_.data());
    ended_ = true;
  } else {
    end_ += got;
  }
  if (ended_) {
    complete_ = end_;
  } else {
    std::size_t q = end_;
    if (q > 0 && buffer_[q - 1] == '\r') --q;
    while (q > 0 && buffer_[q - 1] != '\n' && buffer_[q - 1] != '\r') --q;
    complete_ = q;
  }
  cursor_ = LineCursor::KeepingNul(std::string_view(buffer_.data(), complete_));
}
