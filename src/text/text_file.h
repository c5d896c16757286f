#pragma once
// Whole files as bytes, with the errors and messages of the text layer. A
// path is the file system's own bytes; messages show it in the code page.
#include <string>
#include <string_view>

#include "platform/files.h"
#include "text/ansi_text.h"

// The bytes up to the first NUL, read in pieces whatever kind of file it is.
// Raises FileOpenError naming the full path and the platform's error text.
std::string LoadFileBytes(const std::string& path);
// Replaces the file whole or not at all. Raises FileCreateError when it cannot
// be created (or a link to it may not be followed), FileWriteError when a
// write fails or comes up short.
void SaveFileBytes(const std::string& path, std::string_view bytes,
                   platform::FollowLinks links = platform::FollowLinks::AsOpenWould);

// The errors of a failed file operation on path, raised.
[[noreturn]] void RaiseOpenError(const std::string& path, int error);
void RaiseIfFailed(const std::string& path, const platform::FileWriteResult& result);
