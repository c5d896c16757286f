#pragma once
// Paths as bytes, in either system's style: which bytes end a directory, the
// directory part, and a path made absolute and lexically normalised (no link
// resolved, nothing asked of the file system). Windows paths are in the
// system's ANSI code page, so a trail byte 0x5C is never taken for a
// delimiter; no trail byte is below 0x40, so "/" and ":" never are one.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

enum class PathStyle { Posix, Windows };
#ifdef _WIN32
inline constexpr PathStyle NativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle NativePathStyle = PathStyle::Posix;
#endif

// The bytes that end a directory: "/"; in Windows paths "\", "/" and ":".
std::string_view PathDelimiters(PathStyle style);
// The byte that joins a directory and a name in paths made here.
inline constexpr char DirectorySeparator(PathStyle style) { return style == PathStyle::Windows ? '\\' : '/'; }

// Index of the last delimiter of path that is not a trail byte, or npos.
std::size_t LastDelimiter(std::string_view path, PathStyle style = NativePathStyle);
// path up to and including its last delimiter; empty for a bare name.
std::string_view DirectoryPart(std::string_view path, PathStyle style = NativePathStyle);

// path made absolute against currentDirectory (itself absolute) and lexically
// normalised: "." and empty parts dropped, ".." takes back one part but never
// the root, a trailing delimiter kept. Windows: "C:x" is relative to the
// current directory only on its drive, "\x" to the current drive, and
// "\\server\share" is a root. The empty path stays empty.
std::string AbsolutePath(std::string_view path, std::string_view currentDirectory, PathStyle style);

}  // namespace platform
