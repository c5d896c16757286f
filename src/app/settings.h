#pragma once
// The files that keep the main window's state between runs: option.txt and
// filter.txt, and the INI file named after the desktop program, all in one
// settings directory.
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/directories.h"
#include "text/ansi_text.h"

// Bytes that end a directory in a path: "/" here; "\" and ":" in Windows paths.
inline constexpr std::string_view PosixPathDelimiters = "/";
inline constexpr std::string_view WindowsPathDelimiters = "\\:";

// The directory of programPath (up to and including its last delimiter)
// followed by name. A trail byte is never taken for a delimiter.
AnsiText SideFilePath(std::string_view programPath, std::string_view name,
                      std::string_view delimiters = platform::NativePathDelimiters);
// programPath with its extension replaced by ".ini", or with ".ini" appended
// when it has none.
AnsiText IniPath(std::string_view programPath,
                 std::string_view delimiters = platform::NativePathDelimiters);

// The desktop program's name. The settings are named after it, also when the
// command-line converter reads them.
inline constexpr std::string_view ProgramName = "quillmer";

// The settings directory, ending in the directory separator: the executable's
// own directory when it is writable, else $XDG_CONFIG_HOME/quillmer/
// (~/.config/quillmer/; on Windows %APPDATA%\quillmer\).
AnsiText SettingsDirectory();
// Points the settings at a directory of the test's own; nullopt restores the real one.
void SetSettingsDirectoryForTesting(std::optional<AnsiText> directory);
// The path the settings files are named after: ProgramName in SettingsDirectory().
AnsiText SettingsProgramPath();

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

  const AnsiText& Path() const { return path_; }

  static constexpr std::size_t ReadTextLimit = 2047;

 private:
  AnsiText path_;
};

namespace detail {
// A signed 32-bit whole number: blanks, an optional sign, then decimal digits
// or hexadecimal digits after "$", "x", "X", "0x" or "0X"; nothing after them.
std::optional<std::int32_t> ParseWholeNumber(std::string_view text);
// The settings directory for an executable directory (ending in a delimiter).
AnsiText ChooseSettingsDirectory(const AnsiText& executableDirectory, bool writable,
                                 const AnsiText& userConfigDirectory);
}  // namespace detail
