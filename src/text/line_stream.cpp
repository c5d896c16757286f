#include "text/line_stream.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "platform/code_page.h"
#include "text/errors.h"

namespace {

struct ByteOrderMark {
  std::string_view bytes;
  const char* encoding;
};
constexpr ByteOrderMark kMarks[] = {
    {"\xEF\xBB\xBF", "UTF-8"},
    {"\xFF\xFE", "UTF-16 LE"},
    {"\xFE\xFF", "UTF-16 BE"},
};

[[noreturn]] void RaiseMarkError(const ByteOrderMark& mark) {
  std::string hex;
  for (unsigned char c : mark.bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    if (!hex.empty()) hex += ' ';
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  throw PlainError(platform::Cp932FromUtf8(std::string("入力は ") + mark.encoding +
                                           " のテキストです (先頭にバイト順マーク " + hex +
                                           ")。Outlook のエクスポートは ANSI コード ページで書かれます"));
}

[[noreturn]] void RaiseNulError(long long line) {
  throw PlainError(platform::Cp932FromUtf8("入力の " + std::to_string(line) + " 行目に NUL 文字があります"));
}

}  // namespace

LineStream::LineStream(ByteSource& source, std::size_t pieceSize)
    : source_(source), buffer_(new char[pieceSize]), capacity_(pieceSize) {}

bool LineStream::Next(std::string_view& line) {
  bool more = false;
  return Take(line, more, false);
}

bool LineStream::NextPart(std::string_view& part, bool& more) { return Take(part, more, true); }

bool LineStream::Take(std::string_view& part, bool& more, bool inParts) {
  more = false;
  for (;;) {
    if (cursor_.Next(part)) break;
    if (nul_) RaiseNulError(lines_ + 1);
    if (ended_) {
      if (!inLine_) return false;
      part = {};  // the input ended with the long line
      break;
    }
    if (inParts && complete_ == 0 && end_ == capacity_ && startChecked_) {
      // A full buffer without a line break: what is read of the line goes
      // now, but for a CR at its end, which an LF may follow.
      const std::size_t n = buffer_[end_ - 1] == '\r' ? end_ - 1 : end_;
      if (n > 0) {
        complete_ = n;
        part = std::string_view(buffer_.get(), n);
        more = inLine_ = true;
        return true;
      }
    }
    ReadMore();
  }
  inLine_ = false;
  ++lines_;
  return true;
}

// Decided once the first bytes cannot become a mark any more; until then no
// line is given.
void LineStream::CheckStart() {
  const std::string_view head(buffer_.get(), std::min<std::size_t>(end_, 3));
  for (const ByteOrderMark& mark : kMarks) {
    if (head.starts_with(mark.bytes)) RaiseMarkError(mark);
    if (!ended_ && mark.bytes.starts_with(head)) return;
  }
  startChecked_ = true;
}

// The walked lines are dropped, the rest moved to the front and the buffer
// filled behind it (grown only for a line longer than it). The cursor then
// walks the lines that are surely complete: up to the last line break, but a
// CR at the very end waits, since an LF may follow it in the next piece; and
// only those before the line that holds a NUL.
void LineStream::ReadMore() {
  std::memmove(buffer_.get(), buffer_.get() + complete_, end_ - complete_);
  end_ -= complete_;
  complete_ = 0;
  if (end_ == capacity_) {
    std::unique_ptr<char[]> larger(new char[capacity_ * 2]);
    std::memcpy(larger.get(), buffer_.get(), end_);
    buffer_ = std::move(larger);
    capacity_ *= 2;
  }
  const std::size_t got = source_.Read(buffer_.get() + end_, capacity_ - end_);
  const void* nul = got == 0 ? nullptr : std::memchr(buffer_.get() + end_, '\0', got);
  end_ += got;
  if (got == 0) ended_ = true;
  if (!startChecked_) {
    CheckStart();
    if (!startChecked_) {
      cursor_ = LineCursor::KeepingNul(std::string_view());
      return;
    }
  }
  std::size_t q = end_;
  if (nul != nullptr) {
    q = static_cast<std::size_t>(static_cast<const char*>(nul) - buffer_.get());
    end_ = q;
    ended_ = nul_ = true;
  } else if (!ended_ && q > 0 && buffer_[q - 1] == '\r') {
    --q;
  }
  if (!ended_ || nul_) {
    while (q > 0 && buffer_[q - 1] != '\n' && buffer_[q - 1] != '\r') --q;
  }
  complete_ = q;
  cursor_ = LineCursor::KeepingNul(std::string_view(buffer_.get(), complete_));
}
