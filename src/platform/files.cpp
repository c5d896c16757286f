// What the file service gives the same way on every platform, over each
// platform's FileReplacement.
#include "platform/files.h"

namespace platform {

FileWriteResult ReplaceWholeFile(const std::string& path, std::string_view bytes, FollowLinks links) {
  FileReplacement replacement;
  FileWriteResult result = replacement.Begin(path, links);
  if (result.failedAt == WriteStage::Done) result = replacement.Write(bytes);
  if (result.failedAt == WriteStage::Done) result = replacement.Commit();
  return result;
}

}  // namespace platform
