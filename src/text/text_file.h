#pragma once
// Whole files as bytes, with the errors and messages of the text layer.
#include <string_view>

#include "platform/files.h"
#include "text/ansi_text.h"
#include "text/line_stream.h"

// Raises FileOpenError naming the full path and the platform's error text.
std::string LoadFileBytes(const AnsiText& path);
// Replaces the file whole or not at all. Raises FileCreateError when it cannot
// be created, FileWriteError when a write fails or comes up short.
void SaveFileBytes(const AnsiText& path, std::string_view bytes);

// An input file read in pieces, for LineStream. Raises FileOpenError, as
// LoadFileBytes does, when it cannot be opened or read.
class InputFile final : public ByteSource {
 public:
  explicit InputFile(const AnsiText& path);
  std::size_t Read(char* buffer, std::size_t capacity) override;

 private:
  AnsiText path_;
  platform::FileReader reader_;
};

// An output file written in pieces that replaces the file whole or not at
// all: nothing reaches the path before Commit. Failures to create or write
// are kept and raised by Commit (FileCreateError, FileWriteError), so they
// come after every error of the input. Abandoned when destroyed uncommitted.
class OutputFile {
 public:
  explicit OutputFile(const AnsiText& path);
  void Write(std::string_view bytes);
  void Commit();

 private:
  AnsiText path_;
  // Until the platform replaces files in pieces, the bytes are gathered here
  // and handed to the whole-file replacement on Commit.
  std::string bytes_;
};
