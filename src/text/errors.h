#pragma once
// Every failure is an exception carrying its message as AnsiText (code page
// 932 bytes for the Japanese templates). Only the top level catches.
#include <exception>
#include <optional>
#include <vector>

#include "text/ansi_text.h"

// One piece of a message. The program's own texts are code page 932 whatever
// the profile; text quoted from the user or the system (a date, a path, the
// system's error text) is in the active code page. Keeping them apart lets a
// display decode each piece from its own code page.
struct MessagePiece {
  enum class Source { Fixed, Quoted };
  Source source = Source::Fixed;
  AnsiText bytes;
};
using MessagePieces = std::vector<MessagePiece>;

// Where a failing record stands in its input: the data record (counted from
// 1, the header being 0) and the physical line it starts on (from 1).
struct RecordPlace {
  long long record = 0;
  long long line = 0;
};

class QuillmerError : public std::exception {
 public:
  // A message that is wholly the program's own text.
  explicit QuillmerError(AnsiText message);
  explicit QuillmerError(MessagePieces pieces);

  // The message's bytes: the pieces one after the other.
  const AnsiText& Message() const noexcept { return message_; }
  const MessagePieces& Pieces() const noexcept { return pieces_; }
  const char* what() const noexcept override { return message_.c_str(); }

  // Set by the conversion run for an error raised while reading a record; the
  // message stays as it is.
  const std::optional<RecordPlace>& Place() const noexcept { return place_; }
  void SetPlace(RecordPlace place) { place_ = place; }

 private:
  MessagePieces pieces_;
  AnsiText message_;
  std::optional<RecordPlace> place_;
};

// A file that cannot be opened for reading: ファイル "%s". %s は開けません
class FileOpenError : public QuillmerError {
 public:
  FileOpenError(const AnsiText& fullPath, const AnsiText& errorText);
};

// A file that cannot be created or emptied: ファイル "%s". %s を作成できません
class FileCreateError : public QuillmerError {
 public:
  FileCreateError(const AnsiText& fullPath, const AnsiText& errorText);
};

// A failed or short write: ストリームへの書き込みエラー
class FileWriteError : public QuillmerError {
 public:
  FileWriteError();
};

// An index outside 0 .. Count-1: リストのインデックスが範囲を超えています (%d)
class ListIndexError : public QuillmerError {
 public:
  explicit ListIndexError(long long index);
};

// Text that reads as neither a date nor a time: '%s' は日付または時刻ではありません
// With the hint DayFirst (the text reads as a day-first date that the
// month-first settings refuse) a second sentence names the profile to use.
class DateTimeTextError : public QuillmerError {
 public:
  enum class Hint { None, DayFirst };
  explicit DateTimeTextError(const AnsiText& text, Hint hint = Hint::None);
};

// Any other failure whose message is fixed by its raiser.
// An option line that an iCalendar file cannot carry:
// オプションの %d 行目 '%s' は iCalendar の行として書けません
class OptionLineError : public QuillmerError {
 public:
  OptionLineError(long long number, const AnsiText& line);
};

class PlainError : public QuillmerError {
 public:
  using QuillmerError::QuillmerError;
};
