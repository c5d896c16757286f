#pragma once
// The lines of an export read in pieces: CR LF, a lone CR or a lone LF ends a
// line, as LineCursor finds them, in memory bounded by one piece and the
// longest line. An export is text of the ANSI code page: a NUL byte in it, or
// a byte-order mark at its start, is an error, not an end (Outlook writes
// neither; a NUL is the sign of UTF-16 or a damaged file).
#include <cstddef>
#include <memory>
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
  // after the last one. Raises PlainError "入力の N 行目に NUL 文字があります"
  // where the line holding a NUL would come, and at once for an input that
  // starts with a byte-order mark (naming its encoding).
  bool Next(std::string_view& line);
  // The same lines, but a line longer than the piece is given in parts, the
  // bytes read of it so far with `more` set, so that it is never held whole
  // here; the last part (perhaps empty) has `more` cleared.
  bool NextPart(std::string_view& part, bool& more);

 private:
  bool Take(std::string_view& part, bool& more, bool inParts);
  void ReadMore();
  void CheckStart();

  ByteSource& source_;
  // Not zero-filled: a small input then touches only the pages it fills.
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_;
  std::size_t complete_ = 0;  // the lines the cursor walks end here
  std::size_t end_ = 0;       // bytes read end here
  bool ended_ = false;        // the end of the input or a NUL was met
  bool nul_ = false;          // ... a NUL, on the line after the last one given
  bool startChecked_ = false; // the first bytes are known to be no byte-order mark
  bool inLine_ = false;       // parts of a line were given, its last one not yet
  long long lines_ = 0;       // lines given
  LineCursor cursor_{std::string_view()};
};
