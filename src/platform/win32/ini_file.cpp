// Private profile files through the system's own reader and writer
// (GetPrivateProfileStringA, WritePrivateProfileStringA). The system writes
// in place, so the writer works on a copy beside the file and renames it over
// the file only when the copy is complete.
#include <windows.h>

#include <string>

#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/win32/paths.h"

namespace platform {
namespace {

bool HoldsLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// The system's reader drops blanks around a value and one pair of quotes
// around it; such a value is written inside quotes so it reads back whole.
std::string Protected(std::string_view value) {
  if (value.empty()) return {};
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
  const bool quoted = value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
                      value.back() == value.front();
  if (blank(value.front()) || blank(value.back()) || quoted) return '"' + std::string(value) + '"';
  return std::string(value);
}

// The system looks for a name without a directory in the Windows directory.
std::string ProfilePath(const std::string& path) { return FullPath(path); }

}  // namespace

AnsiText ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                           std::string_view defaultText) {
  if (path.empty()) return AnsiText(defaultText);
  const std::string file = ProfilePath(path);
  const std::string sectionName(section), keyName(key), fallback(defaultText);
  std::string buffer(4096, '\0');
  for (;;) {
    const DWORD n = ::GetPrivateProfileStringA(sectionName.c_str(), keyName.c_str(), fallback.c_str(),
                                               buffer.data(), static_cast<DWORD>(buffer.size()), file.c_str());
    // A full buffer means the value may have been cut: ask again with more room.
    if (n + 1 < buffer.size() || buffer.size() >= (std::size_t{1} << 24)) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(buffer.size() * 4);
  }
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  if (HoldsLineBreak(section) || HoldsLineBreak(key) || HoldsLineBreak(value)) return false;
  if (section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos) return false;
  if (path.empty()) return false;
  const std::string file = ProfilePath(path);

  std::string temp;
  DWORD error = 0;
  HANDLE handle = win32::CreateTemporaryBeside(file, temp, error);
  if (handle == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(handle);
  auto abandon = [&] {
    ::DeleteFileA(temp.c_str());
    return false;
  };
  // A file that exists but cannot be read is never replaced: its other keys would be lost.
  const bool exists = ::GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (exists && !::CopyFileA(file.c_str(), temp.c_str(), FALSE)) return abandon();
  // A read-only attribute copied from the file would make the copy unwritable.
  ::SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  const std::string sectionName(section), keyName(key), text = Protected(value);
  if (!::WritePrivateProfileStringA(sectionName.c_str(), keyName.c_str(), text.c_str(), temp.c_str())) {
    return abandon();
  }
  if (win32::FlushToDisk(temp) != 0) return abandon();
  if (exists && (::GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_READONLY) != 0) return abandon();
  if (win32::MoveOver(temp, file) != 0) return abandon();
  return true;
}

}  // namespace platform
