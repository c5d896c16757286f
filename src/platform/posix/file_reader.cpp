// An input read in pieces on POSIX.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"

namespace platform {

FileReader::~FileReader() {
  if (handle_ >= 0) ::close(handle_);
}

int FileReader::Open(const std::string& name) {
  handle_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (handle_ < 0) return errno;
  struct stat st;
  if (::fstat(handle_, &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  return 0;
}

FileReader::Piece FileReader::Read(char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t n = ::read(handle_, buffer, capacity);
    if (n >= 0) return Piece{static_cast<std::size_t>(n), 0};
    if (errno != EINTR) return Piece{0, errno};
  }
}

}  // namespace platform
