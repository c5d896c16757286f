#pragma once
// The files that keep the main window's state between runs: option.txt and
// filter.txt, and the INI file named after the desktop program, all in one
// settings directory.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/path.h"
#include "text/ansi_text.h"

// The directory of programPath (up to and including its last delimiter)
// followed by name. A trail byte is never taken for a delimiter. Paths are
// bytes: the file system's own on POSIX, the code page's in Windows paths.
std::string SideFilePath(std::string_view programPath, std::string_view name,
                         platform::PathStyle style = platform::NativePathStyle);
// programPath with its extension replaced by ".ini", or with ".ini" appended
// when it has none.
std::string IniPath(std::string_view programPath,
                    platform::PathStyle style = platform::NativePathStyle);

// The desktop program's name. The command-line converter reads the settings
// named after it.
#ifdef _WIN32
inline constexpr std::string_view ProgramName = "Quillmer";  // Quillmer.exe
#else
inline constexpr std::string_view ProgramName = "quillmer";
#endif

// The settings directory, ending in the directory separator: the executable's
// own directory when it is writable, else $XDG_CONFIG_HOME/quillmer/
// (~/.config/quillmer/; on Windows %APPDATA%\Quillmer\).
std::string SettingsDirectory();
// Points the settings at a directory of the test's own; nullopt restores the real one.
void SetSettingsDirectoryForTesting(std::optional<std::string> directory);
// The path the settings files are named after: programName in SettingsDirectory().
std::string SettingsProgramPath(std::string_view programName = ProgramName);
// The file name of the running executable (ProgramName when the system cannot
// tell): the desktop program's INI file is named after it, so a renamed copy
// keeps settings of its own.
std::string ExecutableName();

// The accessor of one INI file. Reads never fail; every write reaches the disk
// before WriteText returns.
class SettingsFile {
 public:
  explicit SettingsFile(AnsiText iniPath) : path_(std::move(iniPath)) {}

  // At most ReadTextLimit bytes; a double-byte character is never cut in two.
  AnsiText ReadText(std::string_view section, std::string_view key, std::string_view defaultText) const;
  // True for a whole number other than 0; defaultFlag when the value is no number.
  bool ReadFlag(std::string_view section, std::string_view key, bool defaultFlag) const;
  // Raises PlainError "<ini path> に書き込めません" when the file cannot be written.
  void WriteText(std::string_view section, std::string_view key, std::string_view text);
  // Writes "1" or "0".
  void WriteFlag(std::string_view section, std::string_view key, bool flag);
  // A file name (the file system's bytes) kept as the code page text that
  // shows it; a name that text cannot give back exactly is also kept, escaped,
  // under key + PathBytesSuffix, and reads back as it was.
  std::string ReadPath(std::string_view section, std::string_view key) const;
  void WritePath(std::string_view section, std::string_view key, const std::string& path);

  const AnsiText& Path() const { return path_; }

  static constexpr std::size_t ReadTextLimit = 2047;
  static constexpr std::string_view PathBytesSuffix = "-bytes";

 private:
  AnsiText path_;
};

namespace detail {
// A signed 32-bit whole number: blanks, an optional sign, then decimal digits
// or hexadecimal digits after "$", "x", "X", "0x" or "0X"; nothing after them.
std::optional<std::int32_t> ParseWholeNumber(std::string_view text);
// The settings directory for an executable directory (ending in a delimiter).
std::string ChooseSettingsDirectory(const std::string& executableDirectory, bool writable,
                                    const std::string& userConfigDirectory);
// Bytes outside "!" .. "~", and "%", as %XX; and back (nullopt when malformed).
std::string EscapePathBytes(std::string_view path);
std::optional<std::string> UnescapePathBytes(std::string_view text);
}  // namespace detail
