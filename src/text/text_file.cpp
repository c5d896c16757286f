#include "text/text_file.h"

#include <utility>

#include "platform/code_page.h"
#include "text/errors.h"

namespace {

MessagePiece Fixed(const char* utf8) { return {MessagePiece::Source::Fixed, platform::Cp932FromUtf8(utf8)}; }
MessagePiece Quoted(AnsiText text) { return {MessagePiece::Source::Quoted, std::move(text)}; }

}  // namespace

void RaiseOpenError(const std::string& path, int error) {
  throw FileOpenError(platform::DisplayPath(platform::FullPath(path)), platform::PathErrorText(path, error));
}

void RaiseIfFailed(const std::string& path, const platform::FileWriteResult& result) {
  switch (result.failedAt) {
    case platform::WriteStage::Done:
      return;
    case platform::WriteStage::Create:
      throw FileCreateError(platform::DisplayPath(platform::FullPath(path)),
                            platform::PathErrorText(path, result.error));
    case platform::WriteStage::Write:
      throw FileWriteError();
    case platform::WriteStage::Scratch: {
      // The reason is the directory's: the file in it could not be made.
      const std::string directory = platform::ScratchDirectory();
      throw PlainError(MessagePieces{Fixed("一時ファイルを "), Fixed(platform::ScratchDirectoryVariable.data()),
                                     Fixed(" \""), Quoted(platform::DisplayPath(directory)), Fixed("\". "),
                                     Quoted(platform::PathErrorText(directory + "/-", result.error)),
                                     Fixed(" に作成できません")});
    }
  }
}

std::string LoadFileBytes(const std::string& path) {
  platform::FileReadResult result = platform::ReadWholeFile(path);
  if (result.error != 0) RaiseOpenError(path, result.error);
  return std::move(result.bytes);
}

void SaveFileBytes(const std::string& path, std::string_view bytes, platform::FollowLinks links) {
  RaiseIfFailed(path, platform::ReplaceWholeFile(path, bytes, links));
}

InputFile::InputFile(const std::string& path, const platform::ReadCancel* cancel) : path_(path) {
  if (const int error = reader_.Open(path, cancel)) RaiseOpenError(path, error);
}

std::size_t InputFile::Read(char* buffer, std::size_t capacity) {
  const platform::FileReader::Piece piece = reader_.Read(buffer, capacity);
  if (piece.error != 0) RaiseOpenError(path_, piece.error);
  // What was read may mix two versions of the file.
  if (piece.size == 0 && reader_.ChangedSinceOpen()) {
    throw PlainError(MessagePieces{Fixed("ファイル \""), Quoted(platform::DisplayPath(platform::FullPath(path_))),
                                   Fixed("\" は変換中に変更されました")});
  }
  return piece.size;
}

OutputFile::OutputFile(const std::string& path) : path_(path), failure_(replacement_.Begin(path)) {}

void OutputFile::Write(std::string_view bytes) {
  if (failure_.failedAt == platform::WriteStage::Done) failure_ = replacement_.Write(bytes);
}

void OutputFile::Commit() {
  RaiseIfFailed(path_, failure_);
  RaiseIfFailed(path_, replacement_.Commit());
}
