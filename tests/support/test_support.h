#pragma once
// Helpers shared by the tests: code page 932 literals, byte-exact comparison
// with the first differing offset, temporary directories.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "text/errors.h"

#ifdef _WIN32
#include <stdlib.h>
// The POSIX environment calls the tests use, on the Windows C runtime.
inline int setenv(const char* name, const char* value, int) { return _putenv_s(name, value); }
inline int unsetenv(const char* name) { return _putenv_s(name, ""); }
#endif

// Skips a test of something only the Linux program does, saying why.
#ifdef _WIN32
#define SKIP_ON_WINDOWS(reason) GTEST_SKIP() << (reason)
#else
#define SKIP_ON_WINDOWS(reason) static_cast<void>(0)
#endif

namespace testing_support {

// UTF-8 written in a test, as code page 932 bytes (independent of the engine).
std::string Sjis(std::string_view utf8);
// Bytes as "41 42 0D 0A" for failure messages.
std::string Hex(std::string_view bytes);
// Succeeds when equal; otherwise names the first differing offset.
::testing::AssertionResult SameBytes(std::string_view actual, std::string_view expected);

std::string ReadFileBytes(const std::filesystem::path& path);
// A golden file's bytes, the version in an iCalendar PRODID made the one this
// build writes: the files hold the version they were made with.
std::string ReadGoldenFile(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

// A fresh directory under the system's temporary directory, removed on exit.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::string operator/(std::string_view name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The project's source tree (examples/, tests/data/).
std::filesystem::path SourceDir();

// The message of the error a call raises, in hex so that a failure shows its
// bytes, or "no error".
template <typename Call>
std::string ErrorOf(Call&& call) {
  try {
    call();
  } catch (const QuillmerError& error) {
    return Hex(error.Message());
  }
  return "no error";
}

#ifndef _WIN32
// A FIFO that delivers `bytes` and then nothing more, its writer neither
// writing nor closing (with no bytes, no writer ever comes), as a stalled
// network file would. After `seconds`, and when destroyed, the writer comes
// and goes, so that a reader that failed to be woken still ends and its test
// fails rather than hangs.
class StalledFifo {
 public:
  StalledFifo(const std::filesystem::path& path, std::string_view bytes, int seconds = 5);
  ~StalledFifo();
  StalledFifo(const StalledFifo&) = delete;
  StalledFifo& operator=(const StalledFifo&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};
#endif

}  // namespace testing_support
