// What the file service gives the same way on every platform, over each
// platform's FileReplacement.
#include "platform/files.h"

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
  if (path.empty() || path == StandardStream) return path;
  return AbsolutePath(path, CurrentDirectory(), NativePathStyle);
}

FileWriteResult ReplaceWholeFile(const std::string& path, std::string_view bytes, FollowLinks links) {
  FileReplacement replacement;
  FileWriteResult result = replacement.Begin(path, links);
  if (result.failedAt == WriteStage::Done) result = replacement.Write(bytes);
  if (result.failedAt == WriteStage::Done) result = replacement.Commit();
  return result;
}

}  // namespace platform
