#pragma once
// The lines of an input read in pieces: the same lines as LineCursor finds in
// the whole text (CR LF, a lone CR or a lone LF ends a line; the text ends at
// its first NUL, where reading stops), in memory bounded by one piece and the
// longest line.
#include <cstddef>
#include <string>
#include <string_view>

#include "text/line_cursor.h"

// Where the pieces come from. Raises the source's own errors.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to capacity bytes into buffer; 0 at the end of the input.
  virtual std::size_t Read(char* buffer, std::size_t capacity) = 0;
};

class LineStream {
 public:
  static constexpr std::size_t kPieceSize = std::size_t{1} << 20;
  explicit LineStream(ByteSource& source, std::size_t pieceSize = kPieceSize);

  // The next line without its line break, valid until the next call; false
  // after the last one.
  bool Next(std::string_view& line);

 private:
  void ReadMore();

  ByteSource& source_;
  std::string buffer_;
  std::size_t complete_ = 0;  // the lines the cursor walks end here
  std::size_t end_ = 0;       // bytes read end here
  bool ended_ = false;        // the end of the input or a NUL was met
  LineCursor cursor_{std::string_view()};
};
