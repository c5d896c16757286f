#pragma once
// Whole files as bytes, with the errors and messages of the text layer.
#include <string_view>

#include "text/ansi_text.h"

// Raises FileOpenError naming the full path and the platform's error text.
std::string LoadFileBytes(const AnsiText& path);
// Replaces the file whole or not at all. Raises FileCreateError when it cannot
// be created, FileWriteError when a write fails or comes up short.
void SaveFileBytes(const AnsiText& path, std::string_view bytes);
