#include "support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#endif
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace testing_support {

#ifdef _WIN32
std::string Sjis(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
  BOOL lost = FALSE;
  const int wideSize = static_cast<int>(wide.size());
  std::string out(static_cast<std::size_t>(WideCharToMultiByte(932, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr)), '\0');
  WideCharToMultiByte(932, 0, wide.data(), wideSize, out.data(), static_cast<int>(out.size()), nullptr, &lost);
  if (lost) throw std::runtime_error("not representable in CP932");
  return out;
}
#else
std::string Sjis(std::string_view utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP932 in iconv");
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* dst = out.data();
  std::size_t outLeft = out.size();
  std::size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) throw std::runtime_error("not representable in CP932");
  out.resize(out.size() - outLeft);
  return out;
}
#endif

std::string Hex(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

::testing::AssertionResult SameBytes(std::string_view actual, std::string_view expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t i = 0;
  while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
  std::size_t from = i < 16 ? 0 : i - 16;
  auto around = [&](std::string_view s) {
    return from >= s.size() ? std::string("(end)") : Hex(s.substr(from, 32));
  };
  return ::testing::AssertionFailure()
         << "first difference at offset " << i << " (sizes " << actual.size() << " and "
         << expected.size() << ")\n  actual   from " << from << ": " << around(actual)
         << "\n  expected from " << from << ": " << around(expected);
}

std::string ReadGoldenFile(const std::filesystem::path& path) {
  std::string bytes = ReadFileBytes(path);
  const std::string head = "PRODID:-//Quillmer//Quillmer ";
  const std::size_t at = bytes.find(head);
  if (at == std::string::npos) return bytes;
  const std::size_t from = at + head.size();
  return bytes.replace(from, bytes.find("//EN\r\n", from) - from, QUILLMER_BUILD_VERSION);
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

#ifdef _WIN32
TempDir::TempDir() {
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (unsigned n = GetCurrentProcessId() * 7919u + GetTickCount();; ++n) {
    path_ = base / ("quillmer-test-" + std::to_string(n));
    if (std::filesystem::create_directory(path_)) return;
  }
}
#else
TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quillmer-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}
#endif

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path SourceDir() { return QUILLMER_SOURCE_DIR; }

#ifndef _WIN32
struct StalledFifo::State {
  std::string path;
  int writer = -1;
  std::mutex mutex;
  std::condition_variable released;
  bool done = false;
  std::thread rescuer;
};

StalledFifo::StalledFifo(const std::filesystem::path& path, std::string_view bytes, int seconds)
    : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.path = path.string();
  if (::mkfifo(s.path.c_str(), 0600) != 0) throw std::runtime_error("cannot make " + s.path);
  if (!bytes.empty()) {
    // Read and write: the open does not wait, and the bytes wait in the pipe.
    s.writer = ::open(s.path.c_str(), O_RDWR | O_CLOEXEC);
    if (s.writer < 0 || ::write(s.writer, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      throw std::runtime_error("cannot feed " + s.path);
    }
  }
  s.rescuer = std::thread([&s, seconds] {
    {
      std::unique_lock<std::mutex> lock(s.mutex);
      s.released.wait_for(lock, std::chrono::seconds(seconds), [&s] { return s.done; });
    }
    if (s.writer >= 0) {
      ::close(s.writer);
    } else {
      // A writer that comes and goes ends a reader waiting for one.
      const int writer = ::open(s.path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (writer >= 0) ::close(writer);
    }
  });
}

StalledFifo::~StalledFifo() {
  {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->done = true;
  }
  state_->released.notify_all();
  state_->rescuer.join();
}
#endif

}  // namespace testing_support
