#pragma once
// Text as the system keeps it: bytes of the ANSI code page (code page 932,
// Shift-JIS, by default), never assumed to be UTF-8. UTF-16 text is the form
// in which characters are counted.
#include <string>

#include "platform/ascii_case.h"

using AnsiText = std::string;
using Utf16Text = std::u16string;

// The text rules fold case with the system's one fold.
using platform::FoldAsciiCase;
