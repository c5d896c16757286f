#pragma once
// Whole-file reading and replacing on the file system. Paths are AnsiText;
// they reach the OS as UTF-8. Failures come back as errno values: the text
// layer turns them into its errors.
#include <cstddef>
#include <string>
#include <string_view>

#include "text/ansi_text.h"

namespace platform {

// The path made absolute against the current directory, lexically normalised
// (no symlinks resolved). The empty path stays empty.
AnsiText FullPath(const AnsiText& path);
// The file-system (UTF-8) name of an AnsiText path.
std::string FileSystemName(const AnsiText& path);
// The other way: a name the OS or the command line gave (UTF-8) as AnsiText;
// malformed UTF-8 and characters the code page lacks are replaced.
AnsiText AnsiTextFromFileSystemName(std::string_view name);
// The platform's text for an errno value, without trailing blanks and full
// stops: the Japanese texts of the common failures under code page 932.
AnsiText ErrorText(int error);
// ErrorText for a failure on path: a missing file whose directory is missing
// too, and the empty path, read as "path not found".
AnsiText PathErrorText(const AnsiText& path, int error);

struct FileReadResult {
  int error = 0;  // 0 when the whole file was read
  std::string bytes;
};
FileReadResult ReadWholeFile(const AnsiText& path);

// An input read in pieces from its start to its end, whatever kind of file
// it is (a pipe or a terminal reports no size). Closed when destroyed.
class FileReader {
 public:
  FileReader() = default;
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // 0, or the errno value when the file (a file-system name) cannot be
  // opened for reading (a directory cannot).
  int Open(const std::string& name);
  struct Piece {
    std::size_t size = 0;  // 0 at the end of the input
    int error = 0;
  };
  Piece Read(char* buffer, std::size_t capacity);

 private:
  int handle_ = -1;
};

enum class WriteStage { Done, Create, Write };
struct FileWriteResult {
  WriteStage failedAt = WriteStage::Done;
  int error = 0;
};
// Writes bytes to a temporary file beside path, then renames it over path. A
// replaced file keeps its permission bits. On any failure the old file is
// untouched and no temporary file remains.
FileWriteResult ReplaceWholeFile(const AnsiText& path, std::string_view bytes);

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

}  // namespace platform
