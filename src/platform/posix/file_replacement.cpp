// Replacing a file whole or not at all: a temporary file linked in and renamed
// over the target on Commit; streams, devices and pipes written in place
// from scratch space.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/posix/file_internals.h"

namespace platform {
namespace {

using internal::DirectoryOf;

FileWriteSeam* g_writeSeam = nullptr;
bool g_namedTemporaryFiles = false;

long WriteThroughSeam(int fd, const char* data, std::size_t size) {
  if (g_writeSeam != nullptr) return g_writeSeam->Write(fd, data, size);
  return static_cast<long>(::write(fd, data, size));
}

mode_t CurrentUmask() {
  // Reading the mask from /proc avoids changing it, which other threads would see.
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (std::fgets(line, sizeof line, status) != nullptr) {
      if (std::sscanf(line, "Umask: %o", &mask) == 1) {
        found = true;
        break;
      }
    }
    std::fclose(status);
    if (found) return static_cast<mode_t>(mask);
  }
  mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

int WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const std::size_t chunk = left < (std::size_t{1} << 30) ? left : (std::size_t{1} << 30);
    errno = 0;
    const long n = WriteThroughSeam(fd, p, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno != 0 ? errno : EIO;
    }
    if (n == 0) return ENOSPC;  // no progress: the device takes no more
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return 0;
}

FileWriteResult Fail(WriteStage stage, int error) { return FileWriteResult{stage, error}; }

// Refuses, before anything changes, a target that could not be written.
int CheckWritable(const std::string& name, struct stat& st, bool& exists) {
  exists = false;
  if (::stat(name.c_str(), &st) != 0) {
    if (errno != ENOENT) return errno;
    struct stat dir;
    if (::stat(DirectoryOf(name).c_str(), &dir) != 0) return errno;
    if (!S_ISDIR(dir.st_mode)) return ENOTDIR;
    return 0;
  }
  exists = true;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  // The read-only attribute: refused even where the superuser could write.
  if (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) return EACCES;
  const int fd = ::open(name.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno;
  ::close(fd);
  return 0;
}

}  // namespace

using internal::OpenScratch;
using internal::OpenUnnamed;
using internal::RandomSuffix;
using internal::ReleaseTempSlot;
using internal::RemoveStrays;
using internal::ResolveLinks;
using internal::TakeTempSlot;
using internal::TempNamePrefix;
using internal::UnnamedUnsupported;

struct FileReplacement::State {
  std::string target;     // the file replaced, links resolved
  std::string directory;  // where the temporary file lives
  int handle = -1;
  bool inPlace = false;   // a device, a pipe or one of our streams
  int stream = -1;        // the descriptor of that stream
  bool exists = false;
  mode_t oldMode = 0;
  uid_t oldOwner = 0;
  gid_t oldGroup = 0;
  std::string tempName;   // the temporary file while it has a name
  int tempSlot = -1;      // its entry for RemoveTemporaryFilesNow
  off_t written = 0;      // bytes written to the temporary file
  off_t unsynced = 0;     // where the bytes not yet handed to writeback begin
};

FileReplacement::FileReplacement() : state_(std::make_unique<State>()) {}

FileReplacement::~FileReplacement() { Abandon(); }

void FileReplacement::Abandon() {
  State& s = *state_;
  if (s.handle >= 0) ::close(s.handle);
  s.handle = -1;
  if (!s.tempName.empty()) ::unlink(s.tempName.c_str());
  s.tempName.clear();
  ReleaseTempSlot(s.tempSlot);
}

FileWriteResult FileReplacement::Begin(const std::string& path, FollowLinks links) {
  State& s = *state_;
  Abandon();
  s.written = 0;
  s.unsynced = 0;
  if (path.empty()) return Fail(WriteStage::Create, ENOENT);
  int descriptor = IsStandardStream(path) ? 1 : -1;
  s.target = path;
  if (descriptor < 0) {
    if (int error = ResolveLinks(s.target, links, descriptor)) return Fail(WriteStage::Create, error);
  }
  if (descriptor >= 0) {
    // A stream of ours: written as it is, appended or not, never replaced.
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0) return Fail(WriteStage::Create, errno);
    if ((flags & O_ACCMODE) == O_RDONLY) return Fail(WriteStage::Create, EBADF);
    s.stream = descriptor;
    s.inPlace = true;
    s.handle = OpenScratch();
    return s.handle < 0 ? Fail(WriteStage::Scratch, errno) : FileWriteResult{};
  }

  // Devices and pipes cannot be replaced by a rename: they are written in
  // place, through the name as given, opened once on Commit. Opening one
  // only to see whether it can be written is not harmless: a FIFO's waiting
  // reader would see its end, a tape would rewind. The permission bits say
  // as much as such a probe would.
  struct stat given;
  if (::stat(path.c_str(), &given) == 0 && !S_ISREG(given.st_mode) && !S_ISDIR(given.st_mode)) {
    if (S_ISFIFO(given.st_mode) || S_ISCHR(given.st_mode) || S_ISBLK(given.st_mode)) {
      if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return Fail(WriteStage::Create, errno);
    } else {
      struct stat st;
      bool exists = false;
      if (int error = CheckWritable(path, st, exists)) return Fail(WriteStage::Create, error);
    }
    s.target = path;
    s.inPlace = true;
    s.handle = OpenScratch();
    return s.handle < 0 ? Fail(WriteStage::Scratch, errno) : FileWriteResult{};
  }

  struct stat old;
  if (int error = CheckWritable(s.target, old, s.exists)) return Fail(WriteStage::Create, error);
  s.oldMode = old.st_mode & 07777;
  s.oldOwner = old.st_uid;
  s.oldGroup = old.st_gid;
  s.directory = DirectoryOf(s.target);
  RemoveStrays(s.directory);
  // An unnamed file is linked in through /proc; without it, a hidden name.
  if (!g_namedTemporaryFiles && ::access("/proc/self/fd", X_OK) == 0) {
    s.handle = OpenUnnamed(s.directory);
  } else {
    errno = EOPNOTSUPP;
  }
  if (s.handle < 0 && UnnamedUnsupported(errno)) {
    // A hidden name beside the target keeps the rename on one file system.
    std::string temp = TempNamePrefix(s.directory, s.target) + "XXXXXX";
    s.handle = ::mkostemp(temp.data(), O_CLOEXEC);
    if (s.handle >= 0) {
      s.tempName = temp;
      s.tempSlot = TakeTempSlot(temp);
    }
  }
  return s.handle < 0 ? Fail(WriteStage::Create, errno) : FileWriteResult{};
}

FileWriteResult FileReplacement::Write(std::string_view bytes) {
  State& s = *state_;
  if (s.handle < 0) return Fail(WriteStage::Write, EBADF);
  if (!s.inPlace && s.written > s.unsynced) {
    // Writeback of what a long run has written so far starts now rather than
    // all at the final fsync; a file system that cannot is simply not asked.
    // The last piece is left to that fsync, so a file written at once is
    // synced once.
    (void)::sync_file_range(s.handle, s.unsynced, s.written - s.unsynced, SYNC_FILE_RANGE_WRITE);
    s.unsynced = s.written;
  }
  if (int error = WriteAll(s.handle, bytes)) {
    Abandon();
    return Fail(WriteStage::Write, error);
  }
  s.written += static_cast<off_t>(bytes.size());
  return FileWriteResult{};
}

FileWriteResult FileReplacement::Commit() {
  State& s = *state_;
  if (s.handle < 0) return Fail(WriteStage::Write, EBADF);
  auto abandon = [this](WriteStage stage, int error) {
    Abandon();
    return Fail(stage, error);
  };
  if (s.inPlace) {
    // The bytes waited in scratch space: the target sees all of them or none.
    // A FIFO waits here for its reader, as any writer to it would.
    int out = s.stream;
    while (out < 0 && (out = ::open(s.target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY)) < 0 && errno == EINTR) {
    }
    if (out < 0) return abandon(WriteStage::Create, errno);
    int error = ::lseek(s.handle, 0, SEEK_SET) == 0 ? 0 : errno;
    std::vector<char> buffer(std::size_t{1} << 16);
    while (error == 0) {
      const ssize_t n = ::read(s.handle, buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (n < 0) error = errno;
        break;
      }
      error = WriteAll(out, std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    }
    if (s.stream < 0 && ::close(out) != 0 && error == 0 && errno != EINTR) error = errno;
    Abandon();
    return error != 0 ? Fail(WriteStage::Write, error) : FileWriteResult{};
  }

  if (::fsync(s.handle) != 0) return abandon(WriteStage::Write, errno);
  if (s.exists) {
    // Only the superuser may give the file away; anyone may keep their own group.
    if (s.oldOwner != ::geteuid() || s.oldGroup != ::getegid()) {
      (void)::fchown(s.handle, ::geteuid() == 0 ? s.oldOwner : static_cast<uid_t>(-1), s.oldGroup);
    }
    if (::fchmod(s.handle, s.oldMode) != 0) return abandon(WriteStage::Write, errno);
  } else if (::fchmod(s.handle, 0666 & ~CurrentUmask()) != 0) {
    return abandon(WriteStage::Write, errno);
  }

  if (s.tempName.empty()) {
    // The unnamed file gets a name only now, complete, for as long as the
    // rename takes.
    const std::string self = "/proc/self/fd/" + std::to_string(s.handle);
    for (int attempt = 0;; ++attempt) {
      const std::string temp = TempNamePrefix(s.directory, s.target) + RandomSuffix();
      s.tempSlot = TakeTempSlot(temp);
      int linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW);
      if (linked != 0 && errno == ENOENT) linked = ::linkat(s.handle, "", AT_FDCWD, temp.c_str(), AT_EMPTY_PATH);
      if (linked == 0) {
        s.tempName = temp;
        break;
      }
      const int error = errno;
      ReleaseTempSlot(s.tempSlot);
      if (error != EEXIST || attempt > 100) return abandon(WriteStage::Write, error);
    }
  }
  const int closed = ::close(s.handle);
  s.handle = -1;
  if (closed != 0 && errno != EINTR) return abandon(WriteStage::Write, errno);
  if (::rename(s.tempName.c_str(), s.target.c_str()) != 0) return abandon(WriteStage::Create, errno);
  s.tempName.clear();
  ReleaseTempSlot(s.tempSlot);

  // The rename itself must survive a crash as well: once success is reported,
  // the name must not come back as the old file after a power loss.
  const int dirFd = ::open(s.directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    (void)::fsync(dirFd);
    ::close(dirFd);
  }
  return FileWriteResult{};
}

void SetFileWriteSeamForTesting(FileWriteSeam* seam) { g_writeSeam = seam; }

void SetNamedTemporaryFilesForTesting(bool named) { g_namedTemporaryFiles = named; }

}  // namespace platform
