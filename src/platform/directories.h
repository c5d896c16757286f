#pragma once
// Directories of the file system as the settings need them. Paths are
// AnsiText; they reach the OS as UTF-8.
#include <string_view>

#include "text/ansi_text.h"

namespace platform {

// True when path is an existing directory in which this process may create files.
bool IsWritableDirectory(const AnsiText& path);
// True when something exists at path.
bool PathExists(const AnsiText& path);
// The base directory of per-user settings: $XDG_CONFIG_HOME when set and
// absolute, else $HOME/.config; empty when neither is known. No trailing "/".
AnsiText UserConfigDirectory();
// Creates the directory and its missing parents; false when that fails.
bool CreateDirectories(const AnsiText& path);

}  // namespace platform
