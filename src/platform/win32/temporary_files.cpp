// The files a replacement writes before Commit: a temporary file beside the
// target, or a holding file in the scratch space for the standard output and
// devices. Named ones are registered for removal on an interruption.
#include <windows.h>

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/path.h"
#include "platform/win32/file_internals.h"

namespace platform {
namespace {

// The temporary files being written, for RemoveTemporaryFilesNow.
std::mutex g_tempMutex;
std::vector<std::string> g_tempNames;

}  // namespace

namespace internal {

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

HANDLE CreateHoldingFile() {
  char name[MAX_PATH + 1];
  if (::GetTempFileNameA(ScratchDirectory().c_str(), "qlm", 0, name) == 0) return INVALID_HANDLE_VALUE;
  return ::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

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

}  // namespace internal

void RemoveTemporaryFilesNow() {
  std::lock_guard<std::mutex> lock(g_tempMutex);
  for (const std::string& name : g_tempNames) {
    if (!name.empty()) ::DeleteFileA(name.c_str());
  }
}

std::string ScratchDirectory() {
  char directory[MAX_PATH + 1];
  const DWORD n = ::GetTempPathA(sizeof directory, directory);
  return n == 0 || n > MAX_PATH ? std::string(".\\") : std::string(directory, n);
}

}  // namespace platform
