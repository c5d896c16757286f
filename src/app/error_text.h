#pragma once
// The text of the one top-level error display.
#include <string_view>

#include "text/ansi_text.h"

// The message with "." appended when its last character (a double-byte
// character counts whole) sorts after "." as a byte string.
AnsiText ErrorBoxText(std::string_view message);
