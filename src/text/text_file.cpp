#include "text/text_file.h"

#include <utility>

#include "platform/files.h"
#include "text/errors.h"

std::string LoadFileBytes(const AnsiText& path) {
  platform::FileReadResult result = platform::ReadWholeFile(path);
  if (result.error != 0) {
    throw FileOpenError(platform::FullPath(path), platform::PathErrorText(path, result.error));
  }
  return std::move(result.bytes);
}

void SaveFileBytes(const AnsiText& path, std::string_view bytes) {
  platform::FileWriteResult result = platform::ReplaceWholeFile(path, bytes);
  switch (result.failedAt) {
    case platform::WriteStage::Done:
      return;
    case platform::WriteStage::Create:
      throw FileCreateError(platform::FullPath(path), platform::PathErrorText(path, result.error));
    case platform::WriteStage::Write:
      throw FileWriteError();
  }
}

InputFile::InputFile(const AnsiText& path) : path_(path) {
  if (const int error = reader_.Open(platform::FileSystemName(path))) {
    throw FileOpenError(platform::FullPath(path), platform::PathErrorText(path, error));
  }
}

std::size_t InputFile::Read(char* buffer, std::size_t capacity) {
  const platform::FileReader::Piece piece = reader_.Read(buffer, capacity);
  if (piece.error != 0) throw FileOpenError(platform::FullPath(path_), platform::PathErrorText(path_, piece.error));
  return piece.size;
}

OutputFile::OutputFile(const AnsiText& path) : path_(path) {}

void OutputFile::Write(std::string_view bytes) { bytes_.append(bytes); }

void OutputFile::Commit() { SaveFileBytes(path_, bytes_); }
