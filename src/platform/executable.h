#pragma once
// Where the running program lives; the settings are kept beside it.
#include <string>

namespace platform {

// The full path of the running executable in the file system's own bytes,
// empty when the system cannot tell.
std::string ExecutablePath();

}  // namespace platform
