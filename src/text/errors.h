#pragma once
// Every failure is an exception carrying its message as AnsiText (code page
// 932 bytes for the Japanese templates). Only the top level catches.
#include <exception>

#include "text/ansi_text.h"

class QuillmerError : public std::exception {
 public:
  explicit QuillmerError(AnsiText message) : message_(std::move(message)) {}
  const AnsiText& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  AnsiText message_;
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
class DateTimeTextError : public QuillmerError {
 public:
  explicit DateTimeTextError(const AnsiText& text);
};

// Any other failure whose message is fixed by its raiser.
class PlainError : public QuillmerError {
 public:
  using QuillmerError::QuillmerError;
};
