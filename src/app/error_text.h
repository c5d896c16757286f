#pragma once
// The text of the one top-level error display.
#include <string>
#include <string_view>

#include "text/ansi_text.h"
#include "text/errors.h"

// The message with "." appended when its last character (a double-byte
// character counts whole) sorts after "." as a byte string.
AnsiText ErrorBoxText(std::string_view message);

// The error as a display shows it, in UTF-16: ErrorBoxText's text, each piece
// decoded from its own code page, so it reads the same under every profile.
std::u16string ShownErrorText(const QuillmerError& error);
// The program's own text (code page 932) in UTF-16, whatever the profile.
std::u16string ShownFixedText(std::string_view text);
