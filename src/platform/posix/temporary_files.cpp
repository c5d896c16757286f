// The files a replacement writes before Commit: unnamed ones where the file
// system has them, named hidden ones beside the target otherwise, and the
// scratch space for streams and devices. Named ones are registered for
// removal on an interruption, and the strays of killed processes removed.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/path.h"
#include "platform/posix/file_internals.h"

namespace platform {
namespace {

// What a temporary file's name holds after the target's: the host and the
// process that write it, so that a later run can tell the stray of a killed
// process from a file still being written (by another host too, in a shared
// directory). "." + the start of the target's name + kTempMark + host + "-" +
// process id + "." + six letters.
constexpr std::string_view kTempMark = ".quillmer-";

std::string HostTag() {
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
  std::string tag;
  for (const char* p = host; *p != '\0' && tag.size() < 32; ++p) {
    const char c = *p;
    tag += (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ? c : '-';
  }
  return tag;
}

// The process that made a temporary file of ours named name on this host, or
// nothing for any other name.
std::optional<pid_t> TempFileProcess(std::string_view name, std::string_view mark) {
  if (name.size() < 8 || name[0] != '.') return std::nullopt;
  const std::size_t at = name.rfind(mark);
  if (at == std::string_view::npos || at == 0) return std::nullopt;
  std::string_view rest = name.substr(at + mark.size());
  const std::size_t dot = rest.find('.');
  if (dot == 0 || dot > 9 || dot == std::string_view::npos || rest.size() != dot + 7) return std::nullopt;
  pid_t pid = 0;
  for (char c : rest.substr(0, dot)) {
    if (c < '0' || c > '9') return std::nullopt;
    pid = pid * 10 + (c - '0');
  }
  for (char c : rest.substr(dot + 1)) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return std::nullopt;
  }
  return pid > 0 ? std::optional<pid_t>(pid) : std::nullopt;
}

// Names of temporary files that exist while they are written, for a signal
// handler to remove. A slot's name is complete before it is marked in use.
struct TempSlot {
  std::atomic<int> used{0};
  char name[4352];
};
TempSlot g_tempSlots[8];

}  // namespace

namespace internal {

int OpenUnnamed(const std::string& directory) {
#ifdef O_TMPFILE
  return ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#else
  (void)directory;
  errno = EOPNOTSUPP;
  return -1;
#endif
}

bool UnnamedUnsupported(int error) {
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOENT;
}

int OpenScratch() {
  const std::string directory = ScratchDirectory();
  int fd = OpenUnnamed(directory);
  if (fd >= 0) return fd;
  std::string name = directory + "/.quillmer.XXXXXX";
  fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(name.c_str());
  return fd;
}

// The temporary name beside target up to its six random letters. The
// target's name is cut to leave room on any file system (vfat counts 255
// characters), never inside a UTF-8 character.
std::string TempNamePrefix(const std::string& directory, const std::string& target) {
  std::string base = target.substr(DirectoryPart(target).size());
  if (base.size() > 160) {
    std::size_t cut = 160;
    while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) --cut;
    base.resize(cut);
  }
  return directory + "/." + base + std::string(kTempMark) + HostTag() + "-" + std::to_string(::getpid()) + ".";
}

// Removes the temporary files of ours in directory whose process is gone (a
// SIGKILL leaves a named one behind where the file system has no unnamed
// files): only names of our pattern made on this host, only regular files of
// our own user.
void RemoveStrays(const std::string& directory) {
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return;
  const std::string mark = std::string(kTempMark) + HostTag() + "-";
  while (const dirent* entry = ::readdir(dir)) {
    const std::optional<pid_t> pid = TempFileProcess(entry->d_name, mark);
    if (!pid || *pid == ::getpid() || ::kill(*pid, 0) == 0 || errno != ESRCH) continue;
    struct stat st;
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
        st.st_uid == ::geteuid()) {
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
  }
  ::closedir(dir);
}

int TakeTempSlot(const std::string& name) {
  if (name.size() >= sizeof g_tempSlots[0].name) return -1;
  for (int i = 0; i < 8; ++i) {
    int expected = 0;
    if (g_tempSlots[i].used.compare_exchange_strong(expected, 2)) {
      std::memcpy(g_tempSlots[i].name, name.c_str(), name.size() + 1);
      g_tempSlots[i].used.store(1);
      return i;
    }
  }
  return -1;
}

void ReleaseTempSlot(int& slot) {
  if (slot >= 0) g_tempSlots[slot].used.store(0);
  slot = -1;
}

// Six letters from the kernel's random bytes (one system call); where those
// are missing, from the clock and a count, since a taken name is only tried
// again.
std::string RandomSuffix() {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::atomic<unsigned> count{0};
  unsigned char bytes[6];
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    std::uint64_t mixed = static_cast<std::uint64_t>(now.tv_nsec) * 0x9E3779B97F4A7C15u ^ count++ ^
                          static_cast<std::uint64_t>(::getpid()) << 32;
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(mixed >>= 8);
  }
  std::string suffix;
  for (unsigned char b : bytes) suffix += kLetters[b % (sizeof kLetters - 1)];
  return suffix;
}

}  // namespace internal

void RemoveTemporaryFilesNow() {
  for (TempSlot& slot : g_tempSlots) {
    if (slot.used.load() == 1) ::unlink(slot.name);
  }
}

std::string ScratchDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
}

}  // namespace platform
