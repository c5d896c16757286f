#pragma once
// Where the running program lives; the settings are kept beside it.
#include "text/ansi_text.h"

namespace platform {

// The full path of the running executable as AnsiText, empty when the system
// cannot tell.
AnsiText ExecutablePath();

}  // namespace platform
