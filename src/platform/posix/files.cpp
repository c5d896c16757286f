// Whole-file reading and replacing on POSIX. Paths arrive as AnsiText and reach
// the OS as UTF-8; failures come back as errno values for the text layer.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/code_page.h"

namespace platform {
namespace {

FileWriteSeam* g_writeSeam = nullptr;

long WriteThroughSeam(int fd, const char* data, std::size_t size) {
  if (g_writeSeam != nullptr) return g_writeSeam->Write(fd, data, size);
  return static_cast<long>(::write(fd, data, size));
}

bool IsAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// A lone surrogate becomes U+FFFD so the name stays valid UTF-8.
std::string Utf8FromUtf16(std::u16string_view units) {
  std::string out;
  out.reserve(units.size() * 3);
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      u = 0xFFFD;
    }
    AppendUtf8(out, u);
  }
  return out;
}

// Malformed sequences become U+FFFD; only used for names the OS handed us.
std::u16string Utf16FromUtf8(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    unsigned char lead = static_cast<unsigned char>(bytes[i]);
    std::size_t extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : 3;
    char32_t cp = lead < 0x80 ? lead : lead & (0x3F >> extra);
    bool ok = (lead < 0x80 || lead >= 0xC2) && lead <= 0xF4 && i + extra < bytes.size();
    for (std::size_t k = 1; ok && k <= extra; ++k) {
      unsigned char trail = static_cast<unsigned char>(bytes[i + k]);
      ok = (trail & 0xC0) == 0x80;
      cp = (cp << 6) | (trail & 0x3F);
    }
    if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += extra + 1;
  }
  return out;
}

// The current directory in the ANSI code page, for messages.
AnsiText CurrentDirectory() {
  std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
  if (!cwd) return "/";
  return AnsiTextFromFileSystemName(cwd.get());
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a chain of symbolic links ends at, lexically; a dangling link names
// the file to create.
int FollowLinks(std::string& path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
    std::vector<char> buffer(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096);
    ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
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
    std::size_t chunk = left < (std::size_t{1} << 30) ? left : (std::size_t{1} << 30);
    errno = 0;
    long n = WriteThroughSeam(fd, p, chunk);
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

// Devices and pipes cannot be replaced by a rename; they are written in place.
FileWriteResult WriteInPlace(const std::string& name, std::string_view bytes) {
  int fd = ::open(name.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return Fail(WriteStage::Create, errno);
  int error = WriteAll(fd, bytes);
  if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
  return error != 0 ? Fail(WriteStage::Write, error) : FileWriteResult{};
}

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
  int fd = ::open(name.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno;
  ::close(fd);
  return 0;
}

}  // namespace

AnsiText AnsiTextFromFileSystemName(std::string_view name) {
  if (IsAscii(name)) return AnsiText(name);
  return AnsiCodePage().FromUtf16(Utf16FromUtf8(name));
}

AnsiText FullPath(const AnsiText& path) {
  if (path.empty()) return path;
  // No trail byte of the code page is '/', so splitting the bytes is safe.
  AnsiText whole = path[0] == '/' ? path : CurrentDirectory() + "/" + path;
  std::vector<std::string_view> parts;
  std::string_view rest(whole);
  while (!rest.empty()) {
    std::size_t slash = rest.find('/');
    std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  AnsiText out;
  out.reserve(whole.size());
  for (std::string_view part : parts) {
    out += '/';
    out += part;
  }
  if (out.empty()) return "/";
  if (path.back() == '/') out += '/';
  return out;
}

std::string FileSystemName(const AnsiText& path) {
  if (IsAscii(path)) return path;
  return Utf8FromUtf16(AnsiCodePage().ToUtf16(path));
}

AnsiText ErrorText(int error) {
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
  AnsiText text = japanese != nullptr ? Cp932FromUtf8(japanese) : AnsiText(std::strerror(error));
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= 0x20 || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

AnsiText PathErrorText(const AnsiText& path, int error) {
  if (error == ENOENT) {
    if (path.empty()) return ErrorText(ENOTDIR);
    std::string name = FileSystemName(path);
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    struct stat dir;
    if (::stat(DirectoryOf(name).c_str(), &dir) != 0 || !S_ISDIR(dir.st_mode)) {
      return ErrorText(ENOTDIR);
    }
  }
  return ErrorText(error);
}

FileReadResult ReadWholeFile(const AnsiText& path) {
  FileReadResult result;
  int fd = ::open(FileSystemName(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    result.error = errno;
    return result;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    result.error = errno;
  } else if (S_ISDIR(st.st_mode)) {
    result.error = EISDIR;
  } else if (st.st_size > 0) {
    result.bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < result.bytes.size()) {
      ssize_t n = ::read(fd, result.bytes.data() + got, result.bytes.size() - got);
      if (n < 0) {
        if (errno == EINTR) continue;
        result.error = errno;
        break;
      }
      if (n == 0) break;  // the file shrank since fstat: take what is there
      got += static_cast<std::size_t>(n);
    }
    result.bytes.resize(got);
  }
  ::close(fd);
  if (result.error != 0) result.bytes.clear();
  return result;
}

FileWriteResult ReplaceWholeFile(const AnsiText& path, std::string_view bytes) {
  if (path.empty()) return Fail(WriteStage::Create, ENOENT);
  std::string target = FileSystemName(path);
  if (int error = FollowLinks(target)) return Fail(WriteStage::Create, error);

  struct stat old;
  bool exists = false;
  if (int error = CheckWritable(target, old, exists)) return Fail(WriteStage::Create, error);
  if (exists && !S_ISREG(old.st_mode)) return WriteInPlace(target, bytes);

  // A hidden name beside the target keeps the rename on one file system.
  std::string directory = DirectoryOf(target);
  std::string temp = directory + "/." + BaseNameOf(target).substr(0, 200) + ".XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return Fail(WriteStage::Create, errno);

  auto abandon = [&](WriteStage stage, int error) {
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    return Fail(stage, error);
  };

  if (int error = WriteAll(fd, bytes)) return abandon(WriteStage::Write, error);
  if (::fsync(fd) != 0) return abandon(WriteStage::Write, errno);
  if (exists) {
    // Only the superuser may give the file away; anyone may keep their own group.
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
      (void)::fchown(fd, ::geteuid() == 0 ? old.st_uid : static_cast<uid_t>(-1), old.st_gid);
    }
    if (::fchmod(fd, old.st_mode & 07777) != 0) return abandon(WriteStage::Write, errno);
  } else if (::fchmod(fd, 0666 & ~CurrentUmask()) != 0) {
    return abandon(WriteStage::Write, errno);
  }
  int closed = ::close(fd);
  fd = -1;
  if (closed != 0 && errno != EINTR) return abandon(WriteStage::Write, errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) return abandon(WriteStage::Create, errno);

  // The rename itself must survive a crash as well.
  int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    (void)::fsync(dirFd);
    ::close(dirFd);
  }
  return FileWriteResult{};
}

void SetFileWriteSeamForTesting(FileWriteSeam* seam) { g_writeSeam = seam; }

}  // namespace platform
