// What the file service gives the same way on every platform, over each
// platform's FileReader and FileReplacement.
#include "platform/files.h"

#include <cstring>

#include "platform/directories.h"
#include "platform/path.h"

namespace platform {

std::string ErrorText(int error) {
  // Systems end their texts with a full stop and a line break; a message
  // goes on after the reason.
  std::string text = detail::SystemErrorText(error);
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= 0x20 || text.back() == '.')) text.pop_back();
  return text;
}

std::string FullPath(const std::string& path) {
  if (path.empty() || IsStandardStream(path)) return path;
  return AbsolutePath(path, CurrentDirectory(), NativePathStyle);
}

FileReadResult ReadWholeFile(const std::string& path, bool endAtNul) {
  FileReadResult result;
  FileReader reader;
  if ((result.error = reader.Open(path)) != 0) return result;
  // One byte beyond the reported size, so that a file read in one piece needs
  // no second buffer to find its end.
  std::size_t capacity = reader.SizeHint() + 1;
  if (capacity < (std::size_t{64} << 10)) capacity = std::size_t{64} << 10;
  std::size_t got = 0;
  for (;;) {
    if (got == result.bytes.size()) result.bytes.resize(got < capacity ? capacity : got * 2);
    const FileReader::Piece piece = reader.Read(result.bytes.data() + got, result.bytes.size() - got);
    if (piece.error != 0) {
      result.error = piece.error;
      result.bytes.clear();
      return result;
    }
    if (piece.size == 0) break;
    if (endAtNul) {
      if (const void* nul = std::memchr(result.bytes.data() + got, '\0', piece.size)) {
        got = static_cast<std::size_t>(static_cast<const char*>(nul) - result.bytes.data());
        break;
      }
    }
    got += piece.size;
  }
  result.bytes.resize(got);
  return result;
}

FileWriteResult ReplaceWholeFile(const std::string& path, std::string_view bytes, FollowLinks links) {
  FileReplacement replacement;
  FileWriteResult result = replacement.Begin(path, links);
  if (result.failedAt == WriteStage::Done) result = replacement.Write(bytes);
  if (result.failedAt == WriteStage::Done) result = replacement.Commit();
  return result;
}

}  // namespace platform
