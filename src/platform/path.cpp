#include "platform/path.h"

#include <algorithm>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/character_cursor.h"
#include "platform/code_page.h"

namespace platform {
namespace {

bool IsDelimiter(char c, PathStyle style) { return PathDelimiters(style).find(c) != std::string_view::npos; }

// The characters of a path: Windows paths are in the system's ANSI code page,
// where a trail byte may be 0x5C; POSIX paths are taken byte by byte.
CharacterCursor PathCharacters(std::string_view path, PathStyle style) {
  static const CharTables kBytes{};  // no lead bytes
  const CharTables& tables = style == PathStyle::Windows ? SystemAnsiCodePage().Tables() : kBytes;
  return CharacterCursor(tables, path, CharacterCursor::Use::Searching);
}

// The parts of path between delimiters (not ":"), trail bytes kept inside.
std::vector<std::string_view> Parts(std::string_view path, PathStyle style) {
  std::vector<std::string_view> parts;
  CharacterCursor characters = PathCharacters(path, style);
  std::size_t start = 0;
  for (std::string_view c; characters.Next(c);) {
    if (c.size() == 1 && (c[0] == '/' || (style == PathStyle::Windows && c[0] == '\\'))) {
      parts.push_back(path.substr(start, characters.Position() - 1 - start));
      start = characters.Position();
    }
  }
  parts.push_back(path.substr(start));
  return parts;
}

// root followed by the parts of rest, normalised; ending in a delimiter when
// trailing asks for one or no part is left.
std::string Joined(std::string_view root, std::string_view rest, PathStyle style, bool trailing) {
  std::vector<std::string_view> kept;
  for (std::string_view part : Parts(rest, style)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(part);
  }
  const char separator = DirectorySeparator(style);
  std::string out(root);
  for (std::string_view part : kept) out.append(1, separator).append(part);
  if (kept.empty() || trailing) out += separator;
  return out;
}

bool HasDrive(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' && FoldAsciiCase(path[0]) >= 'A' && FoldAsciiCase(path[0]) <= 'Z';
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "C:" or "\\server\share" at the start of an absolute Windows path; the
// rest follows it.
std::string_view WindowsRoot(std::string_view path) {
  if (HasDrive(path)) return path.substr(0, 2);
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    const std::vector<std::string_view> parts = Parts(path.substr(2), PathStyle::Windows);
    std::size_t length = 2;
    for (std::size_t i = 0; i < parts.size() && i < 2; ++i) length += parts[i].size() + (i > 0 ? 1 : 0);
    return path.substr(0, std::min(length, path.size()));
  }
  return {};
}

std::string WindowsAbsolute(std::string_view path, std::string_view current) {
  const bool trailing = LastDelimiter(path, PathStyle::Windows) == path.size() - 1 && IsSeparator(path.back());
  const std::string_view currentRoot = WindowsRoot(current);
  if (HasDrive(path) && path.size() > 2 && IsSeparator(path[2]))
    return Joined(path.substr(0, 2), path.substr(2), PathStyle::Windows, trailing);
  if (HasDrive(path)) {
    // "C:x": the current directory only when it is on that drive.
    const bool sameDrive = HasDrive(current) && FoldAsciiCase(current[0]) == FoldAsciiCase(path[0]);
    const std::string rest = sameDrive ? std::string(current.substr(2)) + "\\" + std::string(path.substr(2))
                                       : std::string(path.substr(2));
    return Joined(path.substr(0, 2), rest, PathStyle::Windows, trailing);
  }
  if (!WindowsRoot(path).empty()) {
    const std::string_view root = WindowsRoot(path);
    return Joined(root, path.substr(root.size()), PathStyle::Windows, trailing);
  }
  if (IsSeparator(path[0])) return Joined(currentRoot, path, PathStyle::Windows, trailing);
  const std::string rest = std::string(current.substr(currentRoot.size())) + "\\" + std::string(path);
  return Joined(currentRoot, rest, PathStyle::Windows, trailing);
}

}  // namespace

std::string_view PathDelimiters(PathStyle style) { return style == PathStyle::Windows ? "\\/:" : "/"; }

std::size_t LastDelimiter(std::string_view path, PathStyle style) {
  if (style == PathStyle::Posix) return path.find_last_of('/');
  CharacterCursor characters = PathCharacters(path, style);
  std::size_t last = std::string_view::npos;
  for (std::string_view c; characters.Next(c);) {
    if (c.size() == 1 && IsDelimiter(c[0], style)) last = characters.Position() - 1;
  }
  return last;
}

std::string_view DirectoryPart(std::string_view path, PathStyle style) {
  const std::size_t last = LastDelimiter(path, style);
  return last == std::string_view::npos ? std::string_view() : path.substr(0, last + 1);
}

std::string AbsolutePath(std::string_view path, std::string_view currentDirectory, PathStyle style) {
  if (path.empty()) return {};
  if (style == PathStyle::Windows) return WindowsAbsolute(path, currentDirectory);
  const bool trailing = path.back() == '/';
  if (path.front() == '/') return Joined("", path, style, trailing);
  return Joined("", std::string(currentDirectory) + "/" + std::string(path), style, trailing);
}

}  // namespace platform
