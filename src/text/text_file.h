#pragma once
// Whole files as bytes, with the errors and messages of the text layer. A
// path is the file system's own bytes; messages show it in the code page.
#include <string>
#include <string_view>

#include "platform/files.h"
#include "text/ansi_text.h"
#include "text/line_stream.h"

// The bytes up to the first NUL, read in pieces whatever kind of file it is.
// Raises FileOpenError naming the full path and the platform's error text.
std::string LoadFileBytes(const std::string& path);
// Replaces the file whole or not at all. Raises FileCreateError when it cannot
// be created (or a link to it may not be followed), FileWriteError when a
// write fails or comes up short.
void SaveFileBytes(const std::string& path, std::string_view bytes,
                   platform::FollowLinks links = platform::FollowLinks::AsOpenWould);

// The errors of a failed file operation on path, raised (PlainError naming
// the scratch directory and the reason when that failed).
[[noreturn]] void RaiseOpenError(const std::string& path, int error);
void RaiseIfFailed(const std::string& path, const platform::FileWriteResult& result);

// An input file read in pieces, for LineStream. Raises FileOpenError, as
// LoadFileBytes does, when it cannot be opened or read, and PlainError
// "ファイル "<full path>" は変換中に変更されました" at its end when a file on a
// disk changed while it was read. With cancel, another thread can end the
// reading: the read then raises FileOpenError with the platform's text for
// ReadCancelledError.
class InputFile final : public ByteSource {
 public:
  explicit InputFile(const std::string& path, const platform::ReadCancel* cancel = nullptr);
  std::size_t Read(char* buffer, std::size_t capacity) override;

 private:
  std::string path_;
  platform::FileReader reader_;
};

// Where a run's output bytes go, in order and one call at a time (possibly
// from different threads, each call ordered after the one before).
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Write(std::string_view bytes) = 0;
};

// An output file written in pieces that replaces the file whole or not at
// all: nothing reaches the path before Commit. Failures to create or write
// are kept and raised by Commit (FileCreateError, FileWriteError), so they
// come after every error of the input. Abandoned when destroyed uncommitted.
class OutputFile final : public ByteSink {
 public:
  explicit OutputFile(const std::string& path);
  void Write(std::string_view bytes) override;
  void Commit();

 private:
  std::string path_;
  platform::FileReplacement replacement_;
  platform::FileWriteResult failure_;  // the first failure, if any
};
