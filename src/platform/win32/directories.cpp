#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/directories.h"
#include "platform/path.h"

namespace platform {
namespace {

bool IsDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

// Access rights on Windows are only known by trying: a file that vanishes
// when closed tells whether this process may create files there.
bool IsWritableDirectory(const std::string& path) {
  if (!IsDirectory(path.empty() ? "." : path)) return false;
  std::string probe = path;
  if (!probe.empty() && LastDelimiter(probe) != probe.size() - 1) probe += '\\';
  char name[64];
  ::wsprintfA(name, "~quillmer-%08lx.tmp", ::GetCurrentProcessId());
  probe += name;
  HANDLE file = ::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(file);
  return true;
}

bool PathExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// %APPDATA%, where per-user settings of Windows programs go.
std::string UserConfigDirectory() {
  const char* appData = std::getenv("APPDATA");
  if (appData == nullptr || appData[0] == '\0') return {};
  std::string base(appData);
  while (base.size() > 3 && LastDelimiter(base) == base.size() - 1) base.pop_back();
  return base;
}

bool CreateDirectories(const std::string& path) {
  if (path.empty()) return false;
  // Each prefix ending before a delimiter, drive and share roots included;
  // those simply exist already.
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (::IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (path[i] != '\\' && path[i] != '/') continue;
    const std::string prefix = path.substr(0, i);
    if (prefix.empty() || prefix.back() == ':' || IsDirectory(prefix)) continue;
    if (!::CreateDirectoryA(prefix.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  if (!IsDirectory(path) && !::CreateDirectoryA(path.c_str(), nullptr)) return false;
  return IsDirectory(path);
}

std::string CurrentDirectory() {
  std::string buffer(MAX_PATH + 1, '\0');
  for (;;) {
    const DWORD n = ::GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0) return "C:\\";
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(n + 1);
  }
}

}  // namespace platform
