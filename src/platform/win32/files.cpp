// Reading and replacing whole files on Win32. Paths are the code page bytes
// the "A" calls take, passed on unchanged; failures come back as
// GetLastError() codes and are shown with the system's texts (FormatMessageA).
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/files.h"
#include "platform/path.h"

namespace platform {
namespace {

FileWriteSeam* g_writeSeam = nullptr;
FileReadSeam* g_readSeam = nullptr;

bool IsStandardStream(std::string_view path) { return path == StandardStream; }

// The temporary files being written, for RemoveTemporaryFilesNow.
std::mutex g_tempMutex;
std::vector<std::string> g_tempNames;

int TakeTempSlot(const std::string& name) {
  std::lock_guard<std::mutex> lock(g_tempMutex);
  for (std::size_t i = 0; i < g_tempNames.size(); ++i) {
    if (g_tempNames[i].empty()) {
      g_tempNames[i] = name;
      return static_cast<int>(i);
    }
  }
  g_tempNames.push_back(name);
  return static_cast<int>(g_tempNames.size() - 1);
}

void ReleaseTempSlot(int& slot) {
  if (slot < 0) return;
  std::lock_guard<std::mutex> lock(g_tempMutex);
  g_tempNames[static_cast<std::size_t>(slot)].clear();
  slot = -1;
}

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

// A file for the bytes meant for the standard output until they are complete.
HANDLE CreateHoldingFile() {
  char name[MAX_PATH + 1];
  if (::GetTempFileNameA(ScratchDirectory().c_str(), "qlm", 0, name) == 0) return INVALID_HANDLE_VALUE;
  return ::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

// A new, empty temporary file beside path, open for writing only by us;
// INVALID_HANDLE_VALUE with the system error when that fails.
HANDLE CreateTemporaryBeside(std::string_view path, std::string& tempName, DWORD& error) {
  const std::string directory(DirectoryPart(path));
  const std::string base(path.substr(directory.size()).substr(0, 100));
  // A name of our own: GetTempFileNameA would cut the directory at MAX_PATH.
  const unsigned long seed = ::GetCurrentProcessId() ^ ::GetTickCount();
  for (unsigned long n = 0; n < 100; ++n) {
    char suffix[32];
    ::wsprintfA(suffix, ".%08lx.tmp", seed + n * 7919);
    tempName = directory + "~" + base + suffix;
    // Shared for deletion, so an interruption can remove it while it is open.
    HANDLE file = ::CreateFileA(tempName.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  tempName.clear();
  return INVALID_HANDLE_VALUE;
}

// Renames temp over target in one step that reaches the disk; 0 or the error.
DWORD MoveOver(const std::string& temp, const std::string& target) {
  if (::MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
  return ::GetLastError();
}

}  // namespace

// Windows names are already in the code page.
std::string DisplayPath(std::string_view path) { return IsStandardStream(path) ? std::string("-") : std::string(path); }

std::string PathFromText(std::string_view text) { return std::string(text); }

std::string detail::SystemErrorText(int error) {
  char* message = nullptr;
  const DWORD n = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(error), 0, reinterpret_cast<char*>(&message), 0, nullptr);
  std::string text;
  if (n != 0 && message != nullptr) {
    text.assign(message, n);
  } else {
    char number[32];
    std::snprintf(number, sizeof number, "Error %d", error);
    text = number;
  }
  if (message != nullptr) ::LocalFree(message);
  return text;
}

std::string ScratchDirectory() {
  char directory[MAX_PATH + 1];
  const DWORD n = ::GetTempPathA(sizeof directory, directory);
  return n == 0 || n > MAX_PATH ? std::string(".\\") : std::string(directory, n);
}

// The system already tells a missing file from a missing directory.
std::string PathErrorText(const std::string& path, int error) {
  if (path.empty() && error == ERROR_FILE_NOT_FOUND) return ErrorText(ERROR_PATH_NOT_FOUND);
  return ErrorText(error);
}

// Cancel signals an event that every overlapped read waits for beside its own.
struct ReadCancel::State {
  HANDLE event = nullptr;
  std::atomic<bool> cancelled{false};
};

ReadCancel::ReadCancel() : state_(std::make_unique<State>()) {
  state_->event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

ReadCancel::~ReadCancel() {
  if (state_->event != nullptr) ::CloseHandle(state_->event);
}

void ReadCancel::Cancel() {
  state_->cancelled.store(true);
  if (state_->event != nullptr) ::SetEvent(state_->event);
}

bool ReadCancel::Cancelled() const { return state_->cancelled.load(); }

struct FileReader::State {
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool ownsHandle = false;
  const ReadCancel* cancel = nullptr;
  HANDLE ioEvent = nullptr;      // set when the handle was opened for overlapped reads
  std::uint64_t position = 0;    // where the next overlapped read of a disk file starts
  std::size_t sizeHint = 0;
  bool watched = false;  // a file on a disk, checked for changes
  std::string path;      // the name it was opened by; empty for the standard input
  BY_HANDLE_FILE_INFORMATION opened{};
  LARGE_INTEGER openedChange{};
};

namespace {

// The file's identity, size and last write time, and its change time.
bool FileState(HANDLE file, BY_HANDLE_FILE_INFORMATION& info, LARGE_INTEGER& change) {
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandle(file, &info)) return false;
  change = ::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) ? basic.ChangeTime
                                                                                      : LARGE_INTEGER{};
  return true;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace

FileReader::FileReader() : state_(std::make_unique<State>()) {}

FileReader::~FileReader() {
  if (state_->ownsHandle && state_->handle != INVALID_HANDLE_VALUE) ::CloseHandle(state_->handle);
  if (state_->ioEvent != nullptr) ::CloseHandle(state_->ioEvent);
}

std::size_t FileReader::SizeHint() const { return state_->sizeHint; }

int FileReader::Open(const std::string& path, const ReadCancel* cancel) {
  State& s = *state_;
  s.cancel = cancel;
  if (cancel != nullptr && cancel->Cancelled()) return ReadCancelledError;
  // A cancellable input is read overlapped, so that a read can be given up;
  // the standard input is read as it was opened.
  const bool overlapped = cancel != nullptr && cancel->state_->event != nullptr && !IsStandardStream(path);
  if (overlapped) {
    s.ioEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (s.ioEvent == nullptr) return static_cast<int>(::GetLastError());
  }
  if (IsStandardStream(path)) {
    s.handle = ::GetStdHandle(STD_INPUT_HANDLE);
    if (s.handle == nullptr || s.handle == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
    s.ownsHandle = false;
  } else {
    s.handle = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | (overlapped ? FILE_FLAG_OVERLAPPED : 0), nullptr);
    if (s.handle == INVALID_HANDLE_VALUE) return static_cast<int>(::GetLastError());
    s.ownsHandle = true;
  }
  LARGE_INTEGER size{};
  if (::GetFileType(s.handle) == FILE_TYPE_DISK && ::GetFileSizeEx(s.handle, &size) && size.QuadPart > 0) {
    s.sizeHint = static_cast<std::size_t>(size.QuadPart);
  }
  s.watched = ::GetFileType(s.handle) == FILE_TYPE_DISK && FileState(s.handle, s.opened, s.openedChange);
  if (s.ownsHandle) s.path = path;
  return 0;
}

bool FileReader::ChangedSinceOpen() const {
  const State& s = *state_;
  if (!s.watched) return false;
  BY_HANDLE_FILE_INFORMATION now{};
  LARGE_INTEGER change{};
  if (!FileState(s.handle, now, change)) return true;
  const BY_HANDLE_FILE_INFORMATION& was = s.opened;
  if (now.nFileSizeHigh != was.nFileSizeHigh || now.nFileSizeLow != was.nFileSizeLow ||
      ::CompareFileTime(&now.ftLastWriteTime, &was.ftLastWriteTime) != 0 ||
      change.QuadPart != s.openedChange.QuadPart) {
    return true;
  }
  if (s.path.empty()) return false;
  HANDLE named = ::CreateFileA(s.path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (named == INVALID_HANDLE_VALUE) return true;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool same = ::GetFileInformationByHandle(named, &info) && SameFile(info, was);
  ::CloseHandle(named);
  return !same;
}

namespace {

// Read requests of a cancellable file on a disk: a slow one is asked again soon.
constexpr std::size_t kCancellablePiece = std::size_t{256} << 10;

// One overlapped read that gives up when cancelled is signalled: 0 or the
// system's error.
DWORD ReadOverlapped(HANDLE file, HANDLE ioEvent, HANDLE cancelled, std::uint64_t& position, char* buffer,
                     DWORD ask, DWORD& got) {
  OVERLAPPED request{};
  request.Offset = static_cast<DWORD>(position);
  request.OffsetHigh = static_cast<DWORD>(position >> 32);
  request.hEvent = ioEvent;
  got = 0;
  if (!::ReadFile(file, buffer, ask, nullptr, &request)) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_PENDING) return error;
    const HANDLE events[2] = {ioEvent, cancelled};
    if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
      ::CancelIoEx(file, &request);
      // The read must have ended before its buffer and request go.
      ::GetOverlappedResult(file, &request, &got, TRUE);
      got = 0;
      return ERROR_OPERATION_ABORTED;
    }
  }
  if (!::GetOverlappedResult(file, &request, &got, TRUE)) return ::GetLastError();
  position += got;
  return 0;
}

}  // namespace

FileReader::Piece FileReader::Read(char* buffer, std::size_t capacity) {
  State& s = *state_;
  Piece piece;
  if (s.cancel != nullptr) {
    if (s.cancel->Cancelled()) return Piece{0, ReadCancelledError};
    if (capacity > kCancellablePiece) capacity = kCancellablePiece;
  }
  const DWORD ask = capacity < (DWORD{1} << 30) ? static_cast<DWORD>(capacity) : (DWORD{1} << 30);
  DWORD got = 0;
  DWORD error = 0;
  if (s.ioEvent != nullptr) {
    error = ReadOverlapped(s.handle, s.ioEvent, s.cancel->state_->event, s.position, buffer, ask, got);
  } else if (!::ReadFile(s.handle, buffer, ask, &got, nullptr)) {
    error = ::GetLastError();
  }
  if (error != 0) {
    // The writer of a pipe closing it is the end of the input.
    if (error != ERROR_BROKEN_PIPE && error != ERROR_HANDLE_EOF) piece.error = static_cast<int>(error);
    return piece;
  }
  piece.size = got;
  if (got > 0 && g_readSeam != nullptr) g_readSeam->PieceRead(got);
  return piece;
}

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

// A named mutex per directory: other processes wait for it, and no lock file
// is left beside the settings.
struct FileLock::State {
  HANDLE mutex = nullptr;
};

// Shared holders take the mutex as well: a load is as short as a save.
FileLock::FileLock(const std::string& directory, LockMode) : state_(std::make_unique<State>()) {
  std::string full = FullPath(directory.empty() ? "." : directory);
  // "C:\a\" and "C:\a" are one directory; a trail byte 0x5C is no delimiter.
  if (full.size() > 3 && LastDelimiter(full) == full.size() - 1) full.pop_back();
  unsigned long hash = 5381;
  for (char c : full) hash = hash * 33 + static_cast<unsigned char>(FoldAsciiCase(c));
  char name[64];
  std::snprintf(name, sizeof name, "Local\\quillmer-lock-%08lx", hash);
  HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name);
  if (mutex == nullptr) return;
  const DWORD waited = ::WaitForSingleObject(mutex, INFINITE);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    ::CloseHandle(mutex);
    return;
  }
  state_->mutex = mutex;
}

FileLock::~FileLock() {
  if (state_->mutex == nullptr) return;
  ::ReleaseMutex(state_->mutex);
  ::CloseHandle(state_->mutex);
}

bool FileLock::Held() const { return state_->mutex != nullptr; }

void RemoveTemporaryFilesNow() {
  std::lock_guard<std::mutex> lock(g_tempMutex);
  for (const std::string& name : g_tempNames) {
    if (!name.empty()) ::DeleteFileA(name.c_str());
  }
}

void SetFileWriteSeamForTesting(FileWriteSeam* seam) { g_writeSeam = seam; }

void SetFileReadSeamForTesting(FileReadSeam* seam) { g_readSeam = seam; }

void SetNamedTemporaryFilesForTesting(bool) {}

}  // namespace platform
