#pragma once
// Encodes bytes as the output file carries them: escapes, 72-character
// lines, soft breaks. Never fails.
#include <cstddef>
#include <string>
#include <string_view>

#include "text/ansi_text.h"

AnsiText EncodeQuotedPrintable(std::string_view bytes);

// The same encoding appended to out, without a string of its own.
void AppendQuotedPrintable(std::string_view bytes, AnsiText& out);

// The same encoding of an input given in parts of any size, for inputs too
// long to hold whole: Finish after the last part. The bytes out receives are
// those of one call over the whole input.
class QuotedPrintableWriter {
 public:
  void Append(std::string_view bytes, AnsiText& out);
  void Finish(AnsiText& out);

 private:
  // Whole 8192-byte blocks are encoded as they come, the last byte held
  // back: a blank's escape looks at the byte after it in its block, and the
  // last line's soft break depends on whether more input follows.
  std::string pending_;
  std::size_t lineLength_ = 0;
};
