#include "platform/directories.h"

#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/code_page.h"
#include "platform/files.h"

namespace platform {
namespace {

// UTF-8 to UTF-16; a byte that forms no character becomes U+FFFD.
std::u16string Utf16FromUtf8(std::string_view utf8) {
  static const iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
  std::u16string out;
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    for (unsigned char c : utf8) out.push_back(c < 0x80 ? c : 0xFFFD);
    return out;
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string units(utf8.size() * 2 + 2, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* dst = units.data();
  std::size_t outLeft = units.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) break;
    // Room is always there: every UTF-8 byte gives at most one unit.
    dst[0] = static_cast<char>(0xFD);
    dst[1] = static_cast<char>(0xFF);
    dst += 2;
    outLeft -= 2;
    ++in;
    --inLeft;
  }
  units.resize(units.size() - outLeft);
  for (std::size_t i = 0; i + 1 < units.size(); i += 2)
    out.push_back(static_cast<char16_t>(static_cast<unsigned char>(units[i]) |
                                        (static_cast<unsigned char>(units[i + 1]) << 8)));
  return out;
}

bool IsDirectory(const std::string& name) {
  struct stat st {};
  return ::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

AnsiText AnsiTextFromFileSystemName(std::string_view name) {
  bool ascii = true;
  for (unsigned char c : name) ascii = ascii && c < 0x80;
  if (ascii) return AnsiText(name);
  return AnsiCodePage().FromUtf16(Utf16FromUtf8(name));
}

bool IsWritableDirectory(const AnsiText& path) {
  const std::string name = FileSystemName(path);
  return IsDirectory(name) && ::access(name.c_str(), W_OK | X_OK) == 0;
}

bool PathExists(const AnsiText& path) {
  struct stat st {};
  return ::lstat(FileSystemName(path).c_str(), &st) == 0;
}

AnsiText UserConfigDirectory() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return AnsiTextFromFileSystemName(config);
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') return {};
  std::string base(home);
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base == "/") base.clear();
  return AnsiTextFromFileSystemName(base + "/.config");
}

bool CreateDirectories(const AnsiText& path) {
  const std::string name = FileSystemName(path);
  if (name.empty()) return false;
  for (std::size_t slash = name.find('/', 1);; slash = name.find('/', slash + 1)) {
    const std::string prefix = name.substr(0, slash);
    if (!prefix.empty() && ::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return IsDirectory(name);
}

}  // namespace platform
