// The advisory lock on a directory's files: a named mutex per directory.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/ascii_case.h"
#include "platform/files.h"
#include "platform/path.h"

namespace platform {

// A named mutex per directory: other processes wait for it, and no lock file
// is left beside the settings.
struct FileLock::State {
  HANDLE mutex = nullptr;
};

// Shared holders take the mutex as well: a load is as short as a save.
FileLock::FileLock(const std::string& directory, LockMode) : state_(std::make_unique<State>()) {
  std::string full = FullPath(directory.empty() ? "." : directory);
  // "C:\a\" and "C:\a" are one directory; a trail byte 0x5C is no delimiter.
  if (full.size() > 3 && LastDelimiter(full) == full.size() - 1) full.pop_back();
  unsigned long hash = 5381;
  for (char c : full) hash = hash * 33 + static_cast<unsigned char>(FoldAsciiCase(c));
  char name[64];
  std::snprintf(name, sizeof name, "Local\\quillmer-lock-%08lx", hash);
  HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name);
  if (mutex == nullptr) return;
  const DWORD waited = ::WaitForSingleObject(mutex, INFINITE);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    ::CloseHandle(mutex);
    return;
  }
  state_->mutex = mutex;
}

FileLock::~FileLock() {
  if (state_->mutex == nullptr) return;
  ::ReleaseMutex(state_->mutex);
  ::CloseHandle(state_->mutex);
}

bool FileLock::Held() const { return state_->mutex != nullptr; }

}  // namespace platform
