#pragma once
// Directories of the file system as the settings need them. Paths are the
// file system's own bytes.
#include <string>

namespace platform {

// True when path is an existing directory in which this process may create files.
bool IsWritableDirectory(const std::string& path);
// True when something exists at path.
bool PathExists(const std::string& path);
// The base directory of per-user settings: $XDG_CONFIG_HOME when set and
// absolute, else $HOME/.config (Windows: %APPDATA%); empty when neither is
// known. No trailing delimiter.
std::string UserConfigDirectory();
// Creates the directory and its missing parents; false when that fails.
bool CreateDirectories(const std::string& path);
// The current directory, absolute.
std::string CurrentDirectory();

}  // namespace platform
