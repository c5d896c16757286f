// Whole-file reading and replacing on Win32. Paths are passed to the "A" calls
// as they are; failures come back as GetLastError() codes and are shown with
// the system's own texts (FormatMessageA).
#include <windows.h>

#include <cerrno>
#include <cstdio>

#include "platform/files.h"
#include "platform/win32/paths.h"

namespace platform {
namespace {

FileWriteSeam* g_writeSeam = nullptr;

// One write, through the test seam when one is set; 0 or the system error.
DWORD WritePiece(HANDLE file, const char* data, DWORD size, DWORD& written) {
  written = 0;
  if (g_writeSeam != nullptr) {
    errno = 0;
    const long n = g_writeSeam->Write(0, data, size);
    if (n < 0) return errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
    written = static_cast<DWORD>(n);
    return 0;
  }
  return ::WriteFile(file, data, size, &written, nullptr) ? 0 : ::GetLastError();
}

DWORD WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() < (DWORD{1} << 30) ? static_cast<DWORD>(bytes.size()) : (DWORD{1} << 30);
    DWORD written = 0;
    if (DWORD error = WritePiece(file, bytes.data(), chunk, written)) return error;
    if (written == 0) return ERROR_DISK_FULL;  // no progress: the device takes no more
    bytes.remove_prefix(written);
  }
  return 0;
}

FileWriteResult Fail(WriteStage stage, DWORD error) { return FileWriteResult{stage, static_cast<int>(error)}; }

// Refuses, before anything changes, a target that could not be written:
// a directory, a read-only file, a file another program holds open.
DWORD CheckWritable(const std::string& path, bool& exists, bool& diskFile) {
  exists = false;
  diskFile = true;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return error;
    const std::string directory = win32::DirectoryPart(path);
    if (directory.empty()) return 0;
    const DWORD dir = ::GetFileAttributesA(directory.c_str());
    if (dir == INVALID_FILE_ATTRIBUTES || (dir & FILE_ATTRIBUTE_DIRECTORY) == 0) return ERROR_PATH_NOT_FOUND;
    return 0;
  }
  exists = true;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ERROR_ACCESS_DENIED;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return ERROR_ACCESS_DENIED;
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
  diskFile = ::GetFileType(file) == FILE_TYPE_DISK;
  ::CloseHandle(file);
  return 0;
}

// Devices (NUL, COM1, a named pipe) cannot be replaced by a rename; they are
// written in place.
FileWriteResult WriteInPlace(const std::string& path, std::string_view bytes) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail(WriteStage::Create, ::GetLastError());
  const DWORD error = WriteAll(file, bytes);
  ::CloseHandle(file);
  return error != 0 ? Fail(WriteStage::Write, error) : FileWriteResult{};
}

}  // namespace

AnsiText AnsiTextFromFileSystemName(std::string_view name) { return AnsiText(name); }

std::string FileSystemName(const AnsiText& path) { return path; }

AnsiText FullPath(const AnsiText& path) {
  if (path.empty()) return path;
  std::string buffer(MAX_PATH + 1, '\0');
  for (;;) {
    const DWORD n = ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0) return path;
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(n + 1);
  }
}

AnsiText ErrorText(int error) {
  char* message = nullptr;
  const DWORD n = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(error), 0, reinterpret_cast<char*>(&message), 0, nullptr);
  AnsiText text;
  if (n != 0 && message != nullptr) {
    text.assign(message, n);
  } else {
    char number[32];
    std::snprintf(number, sizeof number, "Error %d", error);
    text = number;
  }
  if (message != nullptr) ::LocalFree(message);
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= 0x20 || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

// The system already tells a missing file from a missing directory.
AnsiText PathErrorText(const AnsiText& path, int error) {
  if (path.empty() && error == ERROR_FILE_NOT_FOUND) return ErrorText(ERROR_PATH_NOT_FOUND);
  return ErrorText(error);
}

FileReadResult ReadWholeFile(const AnsiText& path) {
  FileReadResult result;
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    result.error = static_cast<int>(::GetLastError());
    return result;
  }
  LARGE_INTEGER size{};
  if (::GetFileType(file) == FILE_TYPE_DISK && ::GetFileSizeEx(file, &size) && size.QuadPart > 0) {
    result.bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  }
  // Read to the end in pieces: pipes and devices report no size.
  char buffer[1 << 16];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_BROKEN_PIPE && error != ERROR_HANDLE_EOF) result.error = static_cast<int>(error);
      break;
    }
    if (got == 0) break;
    result.bytes.append(buffer, got);
  }
  ::CloseHandle(file);
  if (result.error != 0) result.bytes.clear();
  return result;
}

FileWriteResult ReplaceWholeFile(const AnsiText& path, std::string_view bytes) {
  if (path.empty()) return Fail(WriteStage::Create, ERROR_PATH_NOT_FOUND);
  bool exists = false;
  bool diskFile = true;
  if (DWORD error = CheckWritable(path, exists, diskFile)) return Fail(WriteStage::Create, error);
  if (exists && !diskFile) return WriteInPlace(path, bytes);

  std::string temp;
  DWORD error = 0;
  HANDLE file = win32::CreateTemporaryBeside(path, temp, error);
  if (file == INVALID_HANDLE_VALUE) return Fail(WriteStage::Create, error);
  auto abandon = [&](WriteStage stage, DWORD failure) {
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    ::DeleteFileA(temp.c_str());
    return Fail(stage, failure);
  };
  if ((error = WriteAll(file, bytes)) != 0) return abandon(WriteStage::Write, error);
  if (!::FlushFileBuffers(file)) return abandon(WriteStage::Write, ::GetLastError());
  ::CloseHandle(file);
  file = INVALID_HANDLE_VALUE;
  if ((error = win32::MoveOver(temp, path)) != 0) return abandon(WriteStage::Create, error);
  return FileWriteResult{};
}

void SetFileWriteSeamForTesting(FileWriteSeam* seam) { g_writeSeam = seam; }

}  // namespace platform
