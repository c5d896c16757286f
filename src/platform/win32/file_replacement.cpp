// Replacing a file whole or not at all: a temporary file beside the target
// moved over it on Commit; the standard output and devices written from a
// holding file.
#include <windows.h>

#include <cerrno>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/win32/file_internals.h"

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

// A name of a device rather than of a file: the device namespace (\\.\PIPE\x,
// \\.\COM1) or a reserved name (NUL, CON, COM1, LPT1, ... with any extension,
// in any directory). Such a target is opened once, on Commit: opening it
// only to see whether it can be written is not harmless (a named pipe's
// server would see a client come and go).
bool IsDeviceName(std::string_view path) {
  if (path.size() > 4 && (path.substr(0, 4) == "\\\\.\\" || path.substr(0, 4) == "//./")) {
    // \\.\C:\dir\name is still a file on a disk.
    return !(path.size() > 6 && path[5] == ':' && (path[6] == '\\' || path[6] == '/'));
  }
  std::string base(path.substr(DirectoryPart(path).size()));
  base = base.substr(0, base.find('.'));
  while (!base.empty() && (base.back() == ' ' || base.back() == ':')) base.pop_back();
  for (char& c : base) c = FoldAsciiCase(c);
  if (base == "NUL" || base == "CON" || base == "PRN" || base == "AUX" || base == "CONIN$" || base == "CONOUT$") {
    return true;
  }
  return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' && base[3] <= '9';
}

// Refuses, before anything changes, a target that could not be written: a
// directory, a read-only file, a file another program holds open.
DWORD CheckWritable(const std::string& path, bool& exists, bool& diskFile) {
  exists = false;
  diskFile = true;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    // Devices such as NUL have no attributes but open.
    HANDLE device = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device != INVALID_HANDLE_VALUE) {
      exists = true;
      diskFile = ::GetFileType(device) == FILE_TYPE_DISK;
      ::CloseHandle(device);
      return 0;
    }
    if (error != ERROR_FILE_NOT_FOUND) return error;
    const std::string directory = std::string(DirectoryPart(path));
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

// Renames temp over target in one step that reaches the disk; 0 or the error.
DWORD MoveOver(const std::string& temp, const std::string& target) {
  if (::MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
  return ::GetLastError();
}

}  // namespace

using internal::CreateHoldingFile;
using internal::CreateTemporaryBeside;
using internal::ReleaseTempSlot;
using internal::TakeTempSlot;

struct FileReplacement::State {
  std::string target;
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool inPlace = false;          // a device or a pipe
  bool toStandardOutput = false;  // held in a file of its own until Commit
  bool toDevice = false;          // ... as is what goes to a device's name
  std::string tempName;          // the temporary file beside the target
  int tempSlot = -1;             // its entry for RemoveTemporaryFilesNow
};

FileReplacement::FileReplacement() : state_(std::make_unique<State>()) {}

FileReplacement::~FileReplacement() { Abandon(); }

void FileReplacement::Abandon() {
  State& s = *state_;
  if (s.handle != INVALID_HANDLE_VALUE) ::CloseHandle(s.handle);
  s.handle = INVALID_HANDLE_VALUE;
  if (!s.tempName.empty()) ::DeleteFileA(s.tempName.c_str());
  s.tempName.clear();
  ReleaseTempSlot(s.tempSlot);
}

FileWriteResult FileReplacement::Begin(const std::string& path, FollowLinks) {
  Abandon();
  State& s = *state_;
  s.target = path;
  s.inPlace = false;
  s.toDevice = false;
  s.toStandardOutput = IsStandardStream(path);
  if (s.toStandardOutput) {
    s.handle = CreateHoldingFile();
    if (s.handle == INVALID_HANDLE_VALUE) return Fail(WriteStage::Scratch, ::GetLastError());
    return FileWriteResult{};
  }
  if (path.empty()) return Fail(WriteStage::Create, ERROR_PATH_NOT_FOUND);
  s.toDevice = IsDeviceName(path);
  if (s.toDevice) {
    s.handle = CreateHoldingFile();
    if (s.handle == INVALID_HANDLE_VALUE) return Fail(WriteStage::Scratch, ::GetLastError());
    return FileWriteResult{};
  }
  bool exists = false;
  bool diskFile = true;
  if (DWORD error = CheckWritable(path, exists, diskFile)) return Fail(WriteStage::Create, error);
  if (exists && !diskFile) {
    // Devices (NUL, COM1, a named pipe) cannot be replaced by a rename.
    s.handle = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (s.handle == INVALID_HANDLE_VALUE) return Fail(WriteStage::Create, ::GetLastError());
    s.inPlace = true;
    return FileWriteResult{};
  }
  DWORD error = 0;
  s.handle = CreateTemporaryBeside(path, s.tempName, error);
  if (s.handle == INVALID_HANDLE_VALUE) return Fail(WriteStage::Create, error);
  s.tempSlot = TakeTempSlot(s.tempName);
  return FileWriteResult{};
}

FileWriteResult FileReplacement::Write(std::string_view bytes) {
  if (state_->handle == INVALID_HANDLE_VALUE) return Fail(WriteStage::Write, ERROR_INVALID_HANDLE);
  if (DWORD error = WriteAll(state_->handle, bytes)) {
    Abandon();
    return Fail(WriteStage::Write, error);
  }
  return FileWriteResult{};
}

FileWriteResult FileReplacement::Commit() {
  State& s = *state_;
  if (s.handle == INVALID_HANDLE_VALUE) return Fail(WriteStage::Write, ERROR_INVALID_HANDLE);
  auto abandon = [this](WriteStage stage, DWORD error) {
    Abandon();
    return Fail(stage, error);
  };
  if (s.toStandardOutput || s.toDevice) {
    // Every record converted: now the bytes go out, unchanged by text mode,
    // through the one opening of the device.
    HANDLE out = s.toStandardOutput ? ::GetStdHandle(STD_OUTPUT_HANDLE)
                                    : ::CreateFileA(s.target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (s.toDevice && out == INVALID_HANDLE_VALUE) return abandon(WriteStage::Create, ::GetLastError());
    DWORD error = ::SetFilePointer(s.handle, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ? ::GetLastError() : 0;
    std::vector<char> buffer(1 << 16);
    while (error == 0) {
      DWORD got = 0;
      if (!::ReadFile(s.handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
        error = ::GetLastError();
      } else if (got == 0) {
        break;
      } else {
        error = WriteAll(out, std::string_view(buffer.data(), got));
      }
    }
    if (s.toDevice) ::CloseHandle(out);
    if (error != 0) return abandon(WriteStage::Write, error);
    Abandon();
    return FileWriteResult{};
  }
  if (s.inPlace) {
    Abandon();
    return FileWriteResult{};
  }
  if (!::FlushFileBuffers(s.handle)) return abandon(WriteStage::Write, ::GetLastError());
  ::CloseHandle(s.handle);
  s.handle = INVALID_HANDLE_VALUE;
  if (DWORD error = MoveOver(s.tempName, s.target)) return abandon(WriteStage::Create, error);
  s.tempName.clear();
  ReleaseTempSlot(s.tempSlot);
  return FileWriteResult{};
}

void SetFileWriteSeamForTesting(FileWriteSeam* seam) { g_writeSeam = seam; }

void SetNamedTemporaryFilesForTesting(bool) {}

}  // namespace platform
