// Whole-file reading and replacing on POSIX. Paths are the file system's own
// bytes; failures come back as errno values for the text layer.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <vector>

#include "platform/code_page.h"
#include "platform/utf8.h"

namespace platform {
namespace {

FileWriteSeam* g_writeSeam = nullptr;
FileReadSeam* g_readSeam = nullptr;
bool g_namedTemporaryFiles = false;

long WriteThroughSeam(int fd, const char* data, std::size_t size) {
  if (g_writeSeam != nullptr) return g_writeSeam->Write(fd, data, size);
  return static_cast<long>(::write(fd, data, size));
}

bool IsStandardStream(std::string_view path) { return path == StandardStream; }

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

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

// The file a chain of symbolic links ends at, lexically; a dangling link names
// the file to create. EACCES for a link the rule does not let us follow.
// Stops at a name of one of our descriptors, which it sets.
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

// A file without a name in directory, or -1 with errno.
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

// Scratch space for bytes that must wait for Commit, named nowhere.
int OpenScratch() {
  const std::string directory = ScratchDirectory();
  int fd = OpenUnnamed(directory);
  if (fd >= 0) return fd;
  std::string name = directory + "/.quillmer.XXXXXX";
  fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(name.c_str());
  return fd;
}

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

// The temporary name beside target up to its six random letters. The
// target's name is cut to leave room on any file system (vfat counts 255
// characters), never inside a UTF-8 character.
std::string TempNamePrefix(const std::string& directory, const std::string& target) {
  std::string base = BaseNameOf(target);
  if (base.size() > 160) {
    std::size_t cut = 160;
    while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) --cut;
    base.resize(cut);
  }
  return directory + "/." + base + std::string(kTempMark) + HostTag() + "-" + std::to_string(::getpid()) + ".";
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

// Names of temporary files that exist while they are written, for a signal
// handler to remove. A slot's name is complete before it is marked in use.
struct TempSlot {
  std::atomic<int> used{0};
  char name[4352];
};
TempSlot g_tempSlots[8];

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

}  // namespace

void RemoveTemporaryFilesNow() {
  for (TempSlot& slot : g_tempSlots) {
    if (slot.used.load() == 1) ::unlink(slot.name);
  }
}

std::string DisplayPath(std::string_view path) {
  if (IsStandardStream(path)) return "-";
  bool ascii = true;
  for (unsigned char c : path) ascii = ascii && c < 0x80;
  if (ascii) return std::string(path);
  std::u16string units;
  if (!AppendUtf16FromUtf8(path, units)) return std::string(path);
  return AnsiCodePage().FromUtf16(units);
}

std::string PathFromText(std::string_view text) {
  std::string path;
  path.reserve(text.size() * 3 / 2);
  // Every character of the code pages is one UTF-16 unit.
  for (char16_t unit : AnsiCodePage().ToUtf16(text)) AppendUtf8(path, unit);
  return path;
}

std::string detail::SystemErrorText(int error) {
  const char* japanese = nullptr;
  if (AnsiCodePage().Number() == 932) {
    switch (error) {
      case ENOENT: japanese = "指定されたファイルが見つかりません。"; break;
      case ENOTDIR: japanese = "指定されたパスが見つかりません。"; break;
      case EACCES:
      case EPERM:
      case EISDIR: japanese = "アクセスが拒否されました。"; break;
      case ENOSPC:
      case EDQUOT:
      case EFBIG: japanese = "ディスクに十分な空き領域がありません。"; break;
      case EROFS: japanese = "メディアは書き込み禁止になっています。"; break;
      case EBUSY:
      case ETXTBSY:
      case EAGAIN: japanese = "プロセスはファイルにアクセスできません。別のプロセスが使用中です。"; break;
      case EMFILE:
      case ENFILE: japanese = "開いているファイルが多すぎます。"; break;
      case ENAMETOOLONG:
      case EINVAL:
      case EILSEQ: japanese = "ファイル名、ディレクトリ名、またはボリューム ラベルの構文が間違っています。"; break;
      case EIO: japanese = "デバイスが認識できないコマンドを受け取りました。"; break;
      case EEXIST: japanese = "ファイルが存在します。"; break;
      case ENOMEM: japanese = "このコマンドを実行するのに十分な記憶域がありません。"; break;
      case ELOOP: japanese = "ファイル名を解決できません。"; break;
      case ENXIO:
      case ENODEV: japanese = "指定されたデバイス名は無効です。"; break;
      default: break;
    }
  }
  return japanese != nullptr ? Cp932FromUtf8(japanese) : std::string(std::strerror(error));
}

std::string ScratchDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
}

std::string PathErrorText(const std::string& path, int error) {
  if (error == ENOENT) {
    if (path.empty()) return ErrorText(ENOTDIR);
    std::string name = path;
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    struct stat dir;
    if (::stat(DirectoryOf(name).c_str(), &dir) != 0 || !S_ISDIR(dir.st_mode)) {
      return ErrorText(ENOTDIR);
    }
  }
  return ErrorText(error);
}

// The wake-up is a pipe whose read end becomes readable on Cancel and stays
// so: every reader polls it beside its input.
struct ReadCancel::State {
  int wake[2] = {-1, -1};
  std::atomic<bool> cancelled{false};
};

ReadCancel::ReadCancel() : state_(std::make_unique<State>()) {
  if (::pipe2(state_->wake, O_CLOEXEC | O_NONBLOCK) != 0) state_->wake[0] = state_->wake[1] = -1;
}

ReadCancel::~ReadCancel() {
  for (const int end : state_->wake) {
    if (end >= 0) ::close(end);
  }
}

void ReadCancel::Cancel() {
  if (state_->cancelled.exchange(true) || state_->wake[1] < 0) return;
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(state_->wake[1], &byte, 1);
}

bool ReadCancel::Cancelled() const { return state_->cancelled.load(); }

struct FileReader::State {
  int handle = -1;
  bool ownsHandle = false;
  const ReadCancel* cancel = nullptr;
  std::size_t sizeHint = 0;
  bool watched = false;  // a regular file, checked for changes
  std::string path;      // the name it was opened by; empty for the standard input
  struct stat opened {};
};

FileReader::FileReader() : state_(std::make_unique<State>()) {}

std::size_t FileReader::SizeHint() const { return state_->sizeHint; }

FileReader::~FileReader() {
  if (state_->ownsHandle) ::close(state_->handle);
}

int FileReader::Open(const std::string& path, const ReadCancel* cancel) {
  state_->cancel = cancel;
  if (cancel != nullptr && cancel->Cancelled()) return ReadCancelledError;
  if (IsStandardStream(path)) {
    state_->handle = 0;
  } else {
    // A cancellable FIFO is opened without waiting for its writer: the poll
    // before each read waits for it instead (Linux reports no hang-up on a
    // FIFO that never had a writer).
    state_->handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | (cancel != nullptr ? O_NONBLOCK : 0));
    if (state_->handle < 0) return errno;
    state_->ownsHandle = true;
    state_->path = path;
  }
  struct stat& st = state_->opened;
  if (::fstat(state_->handle, &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  state_->watched = S_ISREG(st.st_mode);
  state_->sizeHint = S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
  return 0;
}

namespace {

// Waits until fd has something to read (or its end), or the cancel's wake-up
// comes: 0, ReadCancelledError or the poll's error.
int WaitReadable(int fd, const ReadCancel& cancel, int wake) {
  for (;;) {
    if (cancel.Cancelled()) return ReadCancelledError;
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
    // Without a wake-up pipe the flag is looked at every tenth of a second.
    const int n = ::poll(fds, wake >= 0 ? 2 : 1, wake >= 0 ? -1 : 100);
    if (n < 0 && errno != EINTR) return errno;
    if (n > 0 && fds[1].revents != 0) return ReadCancelledError;
    if (n > 0 && fds[0].revents != 0) return 0;
  }
}

// Read requests of a cancellable file on a disk: a slow one is asked again soon.
constexpr std::size_t kCancellablePiece = std::size_t{256} << 10;

}  // namespace

FileReader::Piece FileReader::Read(char* buffer, std::size_t capacity) {
  const ReadCancel* cancel = state_->cancel;
  if (cancel != nullptr && capacity > kCancellablePiece) capacity = kCancellablePiece;
  for (;;) {
    if (cancel != nullptr) {
      if (const int error = WaitReadable(state_->handle, *cancel, cancel->state_->wake[0])) return Piece{0, error};
    }
    const ssize_t n = ::read(state_->handle, buffer, capacity);
    if (n > 0 && g_readSeam != nullptr) g_readSeam->PieceRead(static_cast<std::size_t>(n));
    if (n >= 0) return Piece{static_cast<std::size_t>(n), 0};
    // Another reader of the same FIFO may have taken what the poll saw.
    if (errno == EAGAIN && cancel != nullptr) continue;
    if (errno != EINTR) return Piece{0, errno};
  }
}

bool FileReader::ChangedSinceOpen() const {
  const State& s = *state_;
  if (!s.watched) return false;
  const struct stat& was = s.opened;
  struct stat now;
  if (::fstat(s.handle, &now) != 0) return true;
  auto same = [](const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; };
  if (now.st_size != was.st_size || !same(now.st_mtim, was.st_mtim) || !same(now.st_ctim, was.st_ctim)) return true;
  if (s.path.empty()) return false;
  struct stat named;
  return ::stat(s.path.c_str(), &named) != 0 || named.st_dev != was.st_dev || named.st_ino != was.st_ino;
}

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

void SetFileWriteSeamForTesting(FileWriteSeam* seam) { g_writeSeam = seam; }

void SetFileReadSeamForTesting(FileReadSeam* seam) { g_readSeam = seam; }

void SetNamedTemporaryFilesForTesting(bool named) { g_namedTemporaryFiles = named; }

}  // namespace platform
