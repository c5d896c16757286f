// Inputs read in pieces to their end, and the cancel that ends a read that
// waits.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/posix/file_internals.h"

namespace platform {
namespace {

FileReadSeam* g_readSeam = nullptr;

}  // namespace

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

void SetFileReadSeamForTesting(FileReadSeam* seam) { g_readSeam = seam; }

}  // namespace platform
