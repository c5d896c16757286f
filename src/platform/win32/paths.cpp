#include "platform/win32/paths.h"

namespace platform::win32 {

std::size_t LastDelimiter(std::string_view path) {
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (::IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < path.size()) {
      ++i;  // the trail byte may be 0x5C and is no delimiter
    } else if (c == '\\' || c == '/' || c == ':') {
      last = i;
    }
  }
  return last;
}

std::string DirectoryPart(std::string_view path) {
  const std::size_t last = LastDelimiter(path);
  return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last + 1));
}

HANDLE CreateTemporaryBeside(std::string_view path, std::string& tempName, DWORD& error) {
  const std::string directory = DirectoryPart(path);
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

DWORD FlushToDisk(const std::string& name) {
  HANDLE file = ::CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
  const DWORD error = ::FlushFileBuffers(file) ? 0 : ::GetLastError();
  ::CloseHandle(file);
  return error;
}

DWORD MoveOver(const std::string& temp, const std::string& target) {
  if (::MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
  return ::GetLastError();
}

}  // namespace platform::win32
