// Inputs read in pieces to their end, and the cancel that ends a read that
// waits.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/win32/file_internals.h"

namespace platform {
namespace {

FileReadSeam* g_readSeam = nullptr;

}  // namespace

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

void SetFileReadSeamForTesting(FileReadSeam* seam) { g_readSeam = seam; }

}  // namespace platform
