#pragma once
// Directories of the file system as the settings need them. Paths are
// AnsiText; they reach the OS as UTF-8.
#include <string_view>

#include "text/ansi_text.h"

namespace platform {

// The byte that joins a directory and a name in paths made here, and the bytes
// that end a directory in the executable's path.
#ifdef _WIN32
inline constexpr char DirectorySeparator = '\\';
inline constexpr std::string_view NativePathDelimiters = "\\/:";
#else
inline constexpr char DirectorySeparator = '/';
inline constexpr std::string_view NativePathDelimiters = "/";
#endif

// True when path is an existing directory in which this process may create files.
bool IsWritableDirectory(const AnsiText& path);
// True when something exists at path.
bool PathExists(const AnsiText& path);
// The base directory of per-user settings: $XDG_CONFIG_HOME when set and
// absolute, else $HOME/.config (Windows: %APPDATA%); empty when neither is
// known. No trailing delimiter.
AnsiText UserConfigDirectory();
// Creates the directory and its missing parents; false when that fails.
bool CreateDirectories(const AnsiText& path);

}  // namespace platform
