#include "text/text_file.h"

#include <utility>

#include "text/errors.h"

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
