#pragma once
// Reading and replacing whole files on the file system. A path is the bytes
// the user gave, in the file system's own encoding; it reaches the OS
// unchanged and is converted to the code page only to be shown (DisplayPath).
// Failures come back as the platform's error codes: the text layer turns them
// into its errors. Texts for messages are in the ANSI code page.
#include <cerrno>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// The name under which the standard input is read and the standard output
// replaced, as a command line's "-" asks. No file name holds a NUL byte.
inline constexpr std::string_view StandardStream("\0-", 2);
inline bool IsStandardStream(std::string_view path) { return path == StandardStream; }

// The path made absolute against the current directory, lexically normalised
// (no symlinks resolved). The empty path stays empty.
std::string FullPath(const std::string& path);
// A path as a message shows it, in the ANSI code page: a UTF-8 name is
// converted (characters the page lacks become its default character), any
// other name is shown as its bytes; StandardStream is "-".
std::string DisplayPath(std::string_view path);
// The path that a code page text names, as a path typed or stored as text
// does: DisplayPath's inverse for every path that it shows exactly.
std::string PathFromText(std::string_view text);
// The platform's text for an error code, without trailing blanks and full
// stops: the Japanese texts of the common failures under code page 932.
std::string ErrorText(int error);
// ErrorText for a failure on path: a missing file whose directory is missing
// too, and the empty path, read as "path not found".
std::string PathErrorText(const std::string& path, int error);

// The error code of a file that does not exist (ERROR_FILE_NOT_FOUND on Windows).
#ifdef _WIN32
inline constexpr int FileNotFoundError = 2;
#else
inline constexpr int FileNotFoundError = ENOENT;
#endif

// The error code of a read ended by ReadCancel (ERROR_OPERATION_ABORTED on Windows).
#ifdef _WIN32
inline constexpr int ReadCancelledError = 995;
#else
inline constexpr int ReadCancelledError = ECANCELED;
#endif

// Ends, from any thread, the reading of the FileReaders opened with it: a
// read that waits for a pipe, a FIFO or a terminal to deliver returns at once
// with ReadCancelledError, and so does every later one. Opening with it never
// waits either (a FIFO without a writer). A file on a disk is read in
// smaller pieces, so that a slow one stops soon too. Outlives its readers.
class ReadCancel {
 public:
  ReadCancel();
  ~ReadCancel();
  ReadCancel(const ReadCancel&) = delete;
  ReadCancel& operator=(const ReadCancel&) = delete;
  void Cancel();
  bool Cancelled() const;

 private:
  friend class FileReader;
  struct State;  // the platform's own
  std::unique_ptr<State> state_;
};

// An input read in pieces from its start to its end, whatever kind of file
// it is (a pipe or a terminal reports no size). Closed when destroyed.
class FileReader {
 public:
  FileReader();
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // 0, or the error code when the file cannot be opened for reading (a
  // directory cannot). With cancel, its reads can be ended from another thread.
  int Open(const std::string& path, const ReadCancel* cancel = nullptr);
  // The size the file reports, 0 when it reports none; only a hint.
  std::size_t SizeHint() const;
  struct Piece {
    std::size_t size = 0;  // 0 at the end of the input
    int error = 0;
  };
  Piece Read(char* buffer, std::size_t capacity);
  // Whether a file on a disk is no longer as it was opened, as archivers
  // tell: its size, modification or change time differ, or its path now
  // names another file or none. Pipes, devices and terminals never change.
  bool ChangedSinceOpen() const;

 private:
  struct State;  // the platform's own
  std::unique_ptr<State> state_;
};

struct FileReadResult {
  int error = 0;  // 0 when the whole input was read
  std::string bytes;
};
// The whole input. Text ends at its first NUL byte, so with endAtNul the
// reading stops there (an endless device then ends at once) and the bytes
// end before it.
FileReadResult ReadWholeFile(const std::string& path, bool endAtNul = true);

// Scratch: the space for bytes that wait for Commit (in ScratchDirectory())
// could not be made.
enum class WriteStage { Done, Create, Write, Scratch };
struct FileWriteResult {
  WriteStage failedAt = WriteStage::Done;
  int error = 0;
};

// Which symbolic links a replacement follows to the file it replaces.
enum class FollowLinks {
  // Those the kernel would let open follow: in a sticky world-writable
  // directory only a link of the caller or of the directory's owner.
  AsOpenWould,
  // Only links with the same owner as the directory they are in (the user's
  // own settings).
  OfTheDirectoryOwner,
};

// Replaces a file whole or not at all. The bytes go to an unnamed file beside
// the target where the file system allows one (a named hidden one otherwise)
// that is linked in and renamed over the target only on Commit, so an
// interruption at any point leaves the old file as it was. Devices and pipes
// are written in place, and StandardStream or a name of one of our open
// streams (/dev/stdout) is written to that stream, in every case with every
// byte on Commit. A replaced file keeps its permission bits. Abandoned unless
// committed.
class FileReplacement {
 public:
  FileReplacement();
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Refuses, before anything changes, a target that could not be written.
  FileWriteResult Begin(const std::string& path, FollowLinks links = FollowLinks::AsOpenWould);
  FileWriteResult Write(std::string_view bytes);
  FileWriteResult Commit();
  // Removes what was written; the target stays as it was.
  void Abandon();

 private:
  struct State;  // the platform's own
  std::unique_ptr<State> state_;
};

// Where bytes for a stream, a device or a pipe wait until Commit, and the
// variable that chooses it.
std::string ScratchDirectory();
#ifdef _WIN32
inline constexpr std::string_view ScratchDirectoryVariable = "TMP";
#else
inline constexpr std::string_view ScratchDirectoryVariable = "TMPDIR";
#endif

// Begin, Write, Commit at once.
FileWriteResult ReplaceWholeFile(const std::string& path, std::string_view bytes,
                                 FollowLinks links = FollowLinks::AsOpenWould);

// An advisory lock on the files of a directory, held for the lifetime of the
// object, so that a program that reads a set of files there sees what one
// writer wrote, whole. The directory itself is locked: it is never replaced
// as the files in it are. Shared holders exclude only an exclusive one (on
// Windows every holder is exclusive). Waits for the other holders; a
// directory that cannot be opened or locked is simply not locked.
enum class LockMode { Shared, Exclusive };
class FileLock {
 public:
  explicit FileLock(const std::string& directory, LockMode mode = LockMode::Exclusive);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool Held() const;

 private:
  struct State;  // the platform's own
  std::unique_ptr<State> state_;
};

// Makes every replacement write a named temporary file, as on a file system
// without unnamed ones (vfat); false restores the usual choice. Windows names
// them always.
void SetNamedTemporaryFilesForTesting(bool named);

// Removes the named temporary files still being written. Async-signal-safe:
// for a handler that ends the process.
void RemoveTemporaryFilesNow();

// Every write of file contents goes through the seam, so tests can make a
// write fail or come up short.
class FileWriteSeam {
 public:
  virtual ~FileWriteSeam() = default;
  // As write(2): bytes written, or -1 with errno set.
  virtual long Write(int fd, const char* data, std::size_t size) = 0;
};
// nullptr restores the real write.
void SetFileWriteSeamForTesting(FileWriteSeam* seam);

// Told of every piece a FileReader reads, so tests can change an input
// between two pieces.
class FileReadSeam {
 public:
  virtual ~FileReadSeam() = default;
  virtual void PieceRead(std::size_t size) = 0;
};
void SetFileReadSeamForTesting(FileReadSeam* seam);

namespace detail {
// The system's own text for an error code, as it gives it (ErrorText trims it).
std::string SystemErrorText(int error);
}  // namespace detail

}  // namespace platform
