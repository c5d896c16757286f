// Real failures of the file layer: missing paths, directories, read-only and
// unreadable files, short and failed writes, a full device.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "platform/code_page.h"
#include "platform/files.h"
#include "support/harness.h"
#include "support/test_support.h"
#include "text/errors.h"
#include "text/line_list.h"
#include "text/text_file.h"

namespace fs = std::filesystem;
using testing_support::ReadFileBytes;
using testing_support::SameBytes;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

const char kNotFound[] = "指定されたファイルが見つかりません。";
const char kPathNotFound[] = "指定されたパスが見つかりません。";
const char kAccessDenied[] = "アクセスが拒否されました。";

std::string OpenMessage(const std::string& fullPath, const char* errorText) {
  return Sjis("ファイル \"") + fullPath + "\". " + Sjis(errorText) + Sjis(" は開けません");
}

std::string CreateMessage(const std::string& fullPath, const char* errorText) {
  return Sjis("ファイル \"") + fullPath + "\". " + Sjis(errorText) + Sjis(" を作成できません");
}

std::set<std::string> NamesIn(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

template <typename Error, typename Operation>
std::string MessageOf(Operation&& operation) {
  try {
    operation();
  } catch (const Error& error) {
    return error.Message();
  }
  ADD_FAILURE() << "the expected error was not raised";
  return {};
}

// Answers every write with the next planned result; a negative plan fails with
// that errno, a plan of N writes at most N bytes for real.
class PlannedWrites : public platform::FileWriteSeam {
 public:
  explicit PlannedWrites(std::vector<long> plan) : plan_(std::move(plan)) {
    platform::SetFileWriteSeamForTesting(this);
  }
  ~PlannedWrites() override { platform::SetFileWriteSeamForTesting(nullptr); }
  long Write(int fd, const char* data, std::size_t size) override {
    long planned = calls_ < plan_.size() ? plan_[calls_] : static_cast<long>(size);
    ++calls_;
    if (planned < 0) {
      errno = static_cast<int>(-planned);
      return -1;
    }
    std::size_t n = std::min(size, static_cast<std::size_t>(planned));
    return static_cast<long>(::write(fd, data, n));
  }
  std::size_t Calls() const { return calls_; }

 private:
  std::vector<long> plan_;
  std::size_t calls_ = 0;
};

TEST(ErrorText, WindowsTextsUnderCodePage932AndSystemTextsOtherwise) {
  EXPECT_TRUE(SameBytes(platform::ErrorText(ENOENT), Sjis(kNotFound)));
  // The Japanese full stop is two bytes and is kept; only ASCII stops go.
  EXPECT_TRUE(SameBytes(platform::ErrorText(ENOSPC), Sjis("ディスクに十分な空き領域がありません。")));
  platform::SetAnsiCodePage(1252);
  const std::string english = platform::ErrorText(ENOENT);
  platform::SetAnsiCodePage(932);
  EXPECT_EQ(english, std::strerror(ENOENT));
}

TEST(LoadFileBytes, FailuresNameTheFullPathAndTheReason) {
  TempDir dir;
  fs::create_directory(dir.Path() / "folder");
  struct Row {
    const char* name;
    std::string path;
    std::string fullPath;
    const char* reason;
  };
  const Row rows[] = {
      {"missing file", dir / "missing.csv", dir / "missing.csv", kNotFound},
      {"missing directory", dir / "nowhere/in.csv", dir / "nowhere/in.csv", kPathNotFound},
      {"a directory", dir / "folder", dir / "folder", kAccessDenied},
      {"a file used as a directory", dir / "folder/../x/..", dir.Path().string(), kPathNotFound},
      {"empty path", "", "", kPathNotFound},
      {"double-byte name kept in the message", dir / Sjis("予定.csv"), dir / Sjis("予定.csv"), kNotFound},
  };
  WriteFileBytes(dir / "x", "plain file");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(SameBytes(MessageOf<FileOpenError>([&] { (void)LoadFileBytes(row.path); }),
                          OpenMessage(row.fullPath, row.reason)));
  }
}

TEST(LoadFileBytes, RelativePathIsShownInFull) {
  TempDir dir;
  fs::create_directory(dir.Path() / "sub");
  const fs::path before = fs::current_path();
  fs::current_path(dir.Path());
  const std::string message = MessageOf<FileOpenError>([] { (void)LoadFileBytes("sub/../gone.csv"); });
  fs::current_path(before);
  EXPECT_TRUE(SameBytes(message, OpenMessage(dir / "gone.csv", kNotFound)));

  // A current directory with a double-byte name is shown in the code page.
  fs::create_directory(dir.Path() / "予定");
  fs::current_path(dir.Path() / "予定");
  const std::string shown = MessageOf<FileOpenError>([] { (void)LoadFileBytes("a.csv"); });
  fs::current_path(before);
  EXPECT_TRUE(SameBytes(shown, OpenMessage(dir / (Sjis("予定") + "/a.csv"), kNotFound)));
}

// A name is the bytes given, whatever the code page holds; only the message
// shows it in the code page.
TEST(FileNames, ReachTheFileSystemUnchanged) {
  TempDir dir;
  struct Row {
    const char* name;
    std::string file;
    std::string shown;  // in messages
  };
  const Row rows[] = {
      {"Japanese in UTF-8", "予定表.csv", Sjis("予定表.csv")},
      {"outside the code page", "café.csv", "caf?.csv"},
      {"code page 932 bytes, not UTF-8", Sjis("出力.vcs"), Sjis("出力.vcs")},
      {"a lone byte 0x80", "x\x80.csv", "x\x80.csv"},
  };
  WriteFileBytes(dir.Path() / "caf?.csv", "someone else's");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = dir / row.file;
    EXPECT_TRUE(SameBytes(MessageOf<FileOpenError>([&] { (void)LoadFileBytes(path); }),
                          OpenMessage(dir / row.shown, kNotFound)));
    SaveFileBytes(path, "x");
    EXPECT_EQ(ReadFileBytes(path), "x");
    EXPECT_EQ(LoadFileBytes(path), "x");
    fs::remove(path);
  }
  EXPECT_EQ(ReadFileBytes(dir.Path() / "caf?.csv"), "someone else's");
  EXPECT_EQ(NamesIn(dir.Path()), std::set<std::string>{"caf?.csv"});
}

// Writes bytes into a FIFO from a child process, as a pipe's writer would.
pid_t FeedFifo(const std::string& fifo, const std::string& bytes) {
  const pid_t child = ::fork();
  if (child == 0) {
    const int fd = ::open(fifo.c_str(), O_WRONLY);
    for (std::size_t at = 0; fd >= 0 && at < bytes.size();) {
      const ssize_t n = ::write(fd, bytes.data() + at, std::min<std::size_t>(bytes.size() - at, 4096));
      if (n <= 0) break;
      at += static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  return child;
}

// Pipes and devices report no size: they are read to their end all the same,
// and the text ends at its first NUL, so an endless device ends at once.
TEST(LoadFileBytes, InputsWithoutASize) {
  TempDir dir;
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string big;
  for (int i = 0; i < 40000; ++i) big += "line " + std::to_string(i) + "\r\n";
  struct Row {
    const char* name;
    std::string fed;
    std::string expected;
  };
  const Row rows[] = {
      {"a FIFO, read in many pieces", big, big},
      {"a FIFO ending at a NUL", "a\r\nb" + std::string(1, '\0') + "rest", "a\r\nb"},
      {"an empty FIFO", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const pid_t writer = FeedFifo(fifo, row.fed);
    EXPECT_TRUE(SameBytes(LoadFileBytes(fifo), row.expected));
    ::waitpid(writer, nullptr, 0);
  }
  EXPECT_EQ(LoadFileBytes("/dev/zero"), "");
  EXPECT_EQ(LoadFileBytes("/dev/null"), "");
}

TEST(SaveFileBytes, UnwritableTargetsFailBeforeAnythingChanges) {
  TempDir dir;
  fs::create_directory(dir.Path() / "folder");
  WriteFileBytes(dir / "readonly.vcs", "old contents");
  ::chmod((dir / "readonly.vcs").c_str(), 0444);
  struct Row {
    const char* name;
    std::string path;
    const char* reason;
  };
  const Row rows[] = {
      {"read-only file, even for the superuser", dir / "readonly.vcs", kAccessDenied},
      {"a directory", dir / "folder", kAccessDenied},
      {"missing directory", dir / "nowhere/out.vcs", kPathNotFound},
      {"a file used as a directory", dir / "readonly.vcs/out.vcs", kPathNotFound},
      {"empty path", "", kPathNotFound},
  };
  const std::set<std::string> names = NamesIn(dir.Path());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(SameBytes(MessageOf<FileCreateError>([&] { SaveFileBytes(row.path, "new"); }),
                          CreateMessage(platform::FullPath(row.path), row.reason)));
    EXPECT_EQ(ReadFileBytes(dir / "readonly.vcs"), "old contents");
    EXPECT_EQ(NamesIn(dir.Path()), names);
  }
}

TEST(SaveFileBytes, FailedWritesLeaveTheOldFileAndNoTemporaryFile) {
  const std::string fresh(10000, 'n');
  struct Row {
    const char* name;
    std::vector<long> plan;
  };
  const Row rows[] = {
      {"half, then disk full", {5000, -ENOSPC}},
      {"first write fails", {-EIO}},
      {"a write that makes no progress", {3, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (bool existed : {true, false}) {
      SCOPED_TRACE(existed ? "over an existing file" : "new file");
      TempDir dir;
      if (existed) WriteFileBytes(dir / "out.vcs", "old\r\n");
      PlannedWrites seam(row.plan);
      EXPECT_THROW(SaveFileBytes(dir / "out.vcs", fresh), FileWriteError);
      if (existed) {
        EXPECT_EQ(NamesIn(dir.Path()), std::set<std::string>{"out.vcs"});
        EXPECT_EQ(ReadFileBytes(dir / "out.vcs"), "old\r\n");
      } else {
        EXPECT_TRUE(NamesIn(dir.Path()).empty());
      }
    }
  }
}

TEST(SaveFileBytes, ShortWritesAndInterruptionsContinue) {
  TempDir dir;
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += static_cast<char>(i * 7);
  PlannedWrites seam({1, -EINTR, 100, 2, 4000});
  SaveFileBytes(dir / "out.vcs", bytes);
  EXPECT_GE(seam.Calls(), 6u);
  EXPECT_TRUE(SameBytes(ReadFileBytes(dir / "out.vcs"), bytes));
  EXPECT_EQ(NamesIn(dir.Path()), std::set<std::string>{"out.vcs"});
}

TEST(SaveFileBytes, ReplacementKeepsModeAndLeavesNoTail) {
  TempDir dir;
  const std::string path = dir / "out.vcs";
  WriteFileBytes(path, std::string(1000, 'o'));
  ::chmod(path.c_str(), 0640);
  SaveLinesToFile(LineList{"a", "b"}, path);
  EXPECT_TRUE(SameBytes(ReadFileBytes(path), "a\r\nb\r\n"));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  const mode_t oldMask = ::umask(027);
  SaveFileBytes(dir / "new.vcs", "");
  ::umask(oldMask);
  ASSERT_EQ(::stat((dir / "new.vcs").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_size, 0);
  EXPECT_EQ(NamesIn(dir.Path()), (std::set<std::string>{"new.vcs", "out.vcs"}));
}

TEST(SaveFileBytes, ThroughASymbolicLinkTheLinkedFileIsReplaced) {
  TempDir dir;
  fs::create_directory(dir.Path() / "real");
  WriteFileBytes(dir.Path() / "real/cal.vcs", "old");
  fs::create_symlink("real/cal.vcs", dir.Path() / "link.vcs");
  SaveFileBytes(dir / "link.vcs", "new");
  EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.vcs"));
  EXPECT_EQ(ReadFileBytes(dir.Path() / "real/cal.vcs"), "new");
  EXPECT_EQ(NamesIn(dir.Path() / "real"), std::set<std::string>{"cal.vcs"});
}

// A symbolic link is followed only where the kernel would follow it for open:
// in a sticky directory that everybody may write (/tmp), only the caller's
// own link or the directory owner's. A planted link fails with the create
// error and changes nothing.
TEST(SaveFileBytes, PlantedLinksAreNotFollowed) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant a link as another user";
  TempDir dir;
  const std::string victim = dir / "victim.txt";
  const std::string shared = dir / "shared";
  const std::string link = shared + "/out.vcs";
  fs::create_directory(shared);
  struct Row {
    const char* name;
    uid_t linkOwner;
    uid_t directoryOwner;
    mode_t directoryMode;
    bool followed;
  };
  const Row rows[] = {
      {"another user's link in a sticky shared directory", 65534, 0, 01777, false},
      {"the caller's own link", 0, 0, 01777, true},
      {"the directory owner's link", 65534, 65534, 01777, true},
      {"another user's link, directory not sticky", 65534, 0, 0777, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteFileBytes(victim, "victim's");
    fs::remove(link);
    fs::create_symlink(victim, link);
    ASSERT_EQ(::lchown(link.c_str(), row.linkOwner, row.linkOwner), 0);
    ASSERT_EQ(::chown(shared.c_str(), row.directoryOwner, row.directoryOwner), 0);
    ASSERT_EQ(::chmod(shared.c_str(), row.directoryMode), 0);
    if (row.followed) {
      SaveFileBytes(link, "new");
      EXPECT_EQ(ReadFileBytes(victim), "new");
    } else {
      EXPECT_TRUE(SameBytes(MessageOf<FileCreateError>([&] { SaveFileBytes(link, "new"); }),
                            CreateMessage(link, kAccessDenied)));
      EXPECT_EQ(ReadFileBytes(victim), "victim's");
    }
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(NamesIn(shared), std::set<std::string>{"out.vcs"});
  }
}

// Where the file system has no unnamed files (vfat, as an iPod's disk is), a
// process killed while it writes leaves its named temporary file behind. The
// next save into that directory removes it: only the strays of processes of
// this host that are gone, and only names of our own pattern.
TEST(SaveFileBytes, StraysOfKilledProcessesAreRemovedByTheNextSave) {
  TempDir dir;
  const pid_t child = ::fork();
  if (child == 0) {
    platform::SetNamedTemporaryFilesForTesting(true);
    platform::FileReplacement replacement;
    replacement.Begin(dir / "out.vcs");
    replacement.Write("partial");
    ::raise(SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  const std::set<std::string> left = NamesIn(dir.Path());
  ASSERT_EQ(left.size(), 1u);
  const std::string stray = *left.begin();
  const std::string pid = "-" + std::to_string(child) + ".";
  const std::size_t at = stray.rfind(pid);
  ASSERT_NE(at, std::string::npos) << stray << " does not name its process";
  const std::size_t mark = stray.rfind(".quillmer-", at);
  ASSERT_NE(mark, std::string::npos) << stray;
  const std::set<std::string> kept = {
      stray.substr(0, at) + "-1." + stray.substr(at + pid.size()),        // a process that lives
      stray.substr(0, mark) + ".quillmer-elsewhere" + stray.substr(at),  // another host's
      stray.substr(0, stray.size() - 1),                                 // not our pattern
      stray.substr(1),                                                   // nor this
  };
  for (const std::string& name : kept) WriteFileBytes(dir / name, "keep");
  SaveFileBytes(dir / "other.vcs", "x");
  std::set<std::string> expected = kept;
  expected.insert("other.vcs");
  EXPECT_EQ(NamesIn(dir.Path()), expected);
}

TEST(SaveFileBytes, APipeIsWrittenNotReplaced) {
  TempDir dir;
  const std::string path = dir / "pipe";
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  SaveFileBytes(path, "through\r\n");
  char buffer[32] = {};
  EXPECT_EQ(::read(reader, buffer, sizeof buffer), 9);
  ::close(reader);
  EXPECT_EQ(std::string(buffer), "through\r\n");
  EXPECT_TRUE(fs::is_fifo(path));
}

TEST(SaveFileBytes, FullDevice) {
  TempDir dir;
  const std::string mountPoint = dir / "small";
  fs::create_directory(mountPoint);
  if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "cannot mount a 64 KiB tmpfs here: " << std::strerror(errno);
  }
  struct Unmount {
    std::string at;
    ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
  } unmount{mountPoint};

  const std::string path = mountPoint + "/out.vcs";
  WriteFileBytes(path, "old\r\n");
  EXPECT_THROW(SaveFileBytes(path, std::string(256 * 1024, 'x')), FileWriteError);
  EXPECT_EQ(ReadFileBytes(path), "old\r\n");
  EXPECT_EQ(NamesIn(mountPoint), std::set<std::string>{"out.vcs"});
  // The space of the abandoned attempt is free again.
  SaveFileBytes(path, std::string(32 * 1024, 'y'));
  EXPECT_EQ(ReadFileBytes(path).size(), 32u * 1024);
}

// Runs `body` in a child process as the unprivileged user 65534 and returns what
// it produced, or nothing when the identity could not be taken.
std::optional<std::string> AsNobody(const std::function<std::string()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) return std::nullopt;
  pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
        ::setresuid(65534, 65534, 65534) != 0) {
      ::_exit(3);
    }
    std::string out;
    try {
      out = body();
    } catch (const QuillmerError& error) {
      out = "unexpected: " + error.Message();
    }
    (void)!::write(fds[1], out.data(), out.size());
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string out;
  char buffer[512];
  ssize_t n;
  while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return out;
}

TEST(FilePermissions, AnUnprivilegedUserIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to switch to an unprivileged user";
  TempDir dir;
  ::chmod(dir.Path().c_str(), 0755);
  const std::string secret = dir / "secret.csv";
  const std::string shared = dir / "shared.vcs";
  WriteFileBytes(secret, "private");
  WriteFileBytes(shared, "root's");
  ::chmod(secret.c_str(), 0600);
  ::chmod(shared.c_str(), 0644);

  std::optional<std::string> load = AsNobody([&] {
    return MessageOf<FileOpenError>([&] { (void)LoadFileBytes(secret); });
  });
  if (!load) GTEST_SKIP() << "cannot switch to user 65534";
  EXPECT_TRUE(SameBytes(*load, OpenMessage(secret, kAccessDenied)));

  std::optional<std::string> save = AsNobody([&] {
    return MessageOf<FileCreateError>([&] { SaveFileBytes(shared, "nobody's"); });
  });
  ASSERT_TRUE(save.has_value());
  EXPECT_TRUE(SameBytes(*save, CreateMessage(shared, kAccessDenied)));
  EXPECT_EQ(ReadFileBytes(shared), "root's");
  EXPECT_EQ(NamesIn(dir.Path()), (std::set<std::string>{"secret.csv", "shared.vcs"}));
}

}  // namespace
