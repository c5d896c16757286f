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
