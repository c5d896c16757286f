// Which symbolic links a replacement follows to the file it replaces, and
// which names are our own open streams rather than files.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/posix/file_internals.h"

namespace platform::internal {
namespace {

// May a link with this owner in this directory be followed?
bool MayFollow(const struct stat& link, const std::string& linkPath, FollowLinks links) {
  struct stat dir;
  if (::stat(DirectoryOf(linkPath).c_str(), &dir) != 0) return false;
  if (links == FollowLinks::OfTheDirectoryOwner) return link.st_uid == dir.st_uid;
  // The kernel's protected_symlinks rule, applied whatever the system's setting.
  const bool shared = (dir.st_mode & S_ISVTX) != 0 && (dir.st_mode & S_IWOTH) != 0;
  return !shared || link.st_uid == ::geteuid() || link.st_uid == dir.st_uid;
}

// The descriptor of our own that a path names (/dev/stdout, /dev/fd/N,
// /proc/self/fd/N), or -1. Such a name is a stream already open, not a file
// to replace.
int DescriptorNamed(const std::string& path) {
  if (path == "/dev/stdout") return 1;
  if (path == "/dev/stderr") return 2;
  std::string_view rest(path);
  const std::string own = "/proc/" + std::to_string(::getpid()) + "/fd/";
  bool matched = false;
  for (std::string_view prefix : {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/"),
                                  std::string_view("/proc/thread-self/fd/"), std::string_view(own)}) {
    if (rest.starts_with(prefix)) {
      rest.remove_prefix(prefix.size());
      matched = true;
      break;
    }
  }
  if (!matched || rest.empty() || rest.size() > 9) return -1;
  int fd = 0;
  for (char c : rest) {
    if (c < '0' || c > '9') return -1;
    fd = fd * 10 + (c - '0');
  }
  return fd;
}

}  // namespace

int ResolveLinks(std::string& path, FollowLinks links, int& descriptor) {
  for (int hops = 0; hops < 40; ++hops) {
    if ((descriptor = DescriptorNamed(path)) >= 0) return 0;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
    if (!MayFollow(st, path, links)) return EACCES;
    std::vector<char> buffer(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096);
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) return errno;
    std::string target(buffer.data(), static_cast<std::size_t>(n));
    if (target.empty()) return ENOENT;
    path = target[0] == '/' ? target : DirectoryOf(path) + "/" + target;
  }
  return ELOOP;
}

}  // namespace platform::internal
