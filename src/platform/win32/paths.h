#pragma once
// Pieces of Windows paths for the file layer and the INI writer. Paths are in
// the system's ANSI code page, as the "A" calls take them: "\", "/" and ":"
// end a directory unless they are the second byte of a double-byte character.
#include <windows.h>

#include <string>
#include <string_view>

namespace platform::win32 {

// Index of the last delimiter of path that is not a trail byte, or npos.
std::size_t LastDelimiter(std::string_view path);
// The directory part of path with its delimiter ("C:\a\" for "C:\a\b.txt"),
// empty for a bare name.
std::string DirectoryPart(std::string_view path);
// Creates a new, empty temporary file beside path, open for writing only by
// us. INVALID_HANDLE_VALUE with the system error when that fails.
HANDLE CreateTemporaryBeside(std::string_view path, std::string& tempName, DWORD& error);
// Forces the file's contents to disk; 0 or the system error.
DWORD FlushToDisk(const std::string& name);
// Renames temp over target in one step that reaches the disk; 0 or the error.
DWORD MoveOver(const std::string& temp, const std::string& target);

}  // namespace platform::win32
