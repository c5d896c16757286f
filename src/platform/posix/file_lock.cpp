// The advisory lock on a directory's files: flock on the directory itself.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "platform/files.h"

namespace platform {

struct FileLock::State {
  int handle = -1;
};

FileLock::FileLock(const std::string& directory, LockMode mode) : state_(std::make_unique<State>()) {
  const int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  int locked;
  while ((locked = ::flock(fd, mode == LockMode::Shared ? LOCK_SH : LOCK_EX)) != 0 && errno == EINTR) {
  }
  if (locked != 0) {
    ::close(fd);
    return;
  }
  state_->handle = fd;
}

FileLock::~FileLock() {
  if (state_->handle >= 0) ::close(state_->handle);
}

bool FileLock::Held() const { return state_->handle >= 0; }

}  // namespace platform
