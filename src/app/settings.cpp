#include "app/settings.h"

#include <optional>
#include <string>

#include "platform/code_page.h"
#include "platform/directories.h"
#include "platform/executable.h"
#include "platform/files.h"
#include "platform/path.h"
#include "app/ini_file.h"
#include "text/characters.h"
#include "text/errors.h"

namespace {

constexpr char kSeparator = platform::DirectorySeparator(platform::NativePathStyle);

std::optional<std::string>& SettingsDirectoryOverride() {
  static std::optional<std::string> directory;
  return directory;
}

// A path as the INI file shows it: in the code page, on one line.
AnsiText ShownPath(const std::string& path) {
  AnsiText shown = platform::DisplayPath(path);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  }
  return shown;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string SideFilePath(std::string_view programPath, std::string_view name, platform::PathStyle style) {
  return std::string(platform::DirectoryPart(programPath, style)) + std::string(name);
}

std::string IniPath(std::string_view programPath, platform::PathStyle style) {
  // "." is never a trail byte: the last one names the extension when it is in the name.
  const std::size_t nameStart = platform::DirectoryPart(programPath, style).size();
  const std::size_t dot = programPath.rfind('.');
  if (dot != std::string_view::npos && dot >= nameStart) return std::string(programPath.substr(0, dot)) + ".ini";
  return std::string(programPath) + ".ini";
}

namespace detail {

std::optional<std::int32_t> ParseWholeNumber(std::string_view text) {
  std::string s(text);
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.replace(0, 2, "$");
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

  bool hex = false;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == s.size()) return std::nullopt;

  std::uint64_t value = 0;
  for (; i < s.size(); ++i) {
    const int digit = hex ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
    if (digit < 0) return std::nullopt;
    value = value * (hex ? 16 : 10) + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (hex) {
    // Eight hex digits are a 32-bit pattern: $FFFFFFFF is -1.
    const std::uint32_t pattern = static_cast<std::uint32_t>(value);
    const std::uint32_t result = negative ? 0u - pattern : pattern;
    return static_cast<std::int32_t>(result);
  }
  if (negative) {
    if (value > 0x80000000ull) return std::nullopt;
    return static_cast<std::int32_t>(-static_cast<std::int64_t>(value));
  }
  if (value > 0x7FFFFFFFull) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::string ChooseSettingsDirectory(const std::string& executableDirectory, bool writable,
                                    const std::string& userConfigDirectory) {
  if (writable || userConfigDirectory.empty()) return executableDirectory;
  return userConfigDirectory + kSeparator + std::string(ProgramName) +
         kSeparator;
}

std::string EscapePathBytes(std::string_view path) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char c : path) {
    if (c > 0x20 && c < 0x7F && c != '%') {
      text += static_cast<char>(c);
    } else {
      text += '%';
      text += kDigits[c >> 4];
      text += kDigits[c & 15];
    }
  }
  return text;
}

std::optional<std::string> UnescapePathBytes(std::string_view text) {
  std::string path;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      path += text[i];
      continue;
    }
    if (i + 2 >= text.size() || HexDigit(text[i + 1]) < 0 || HexDigit(text[i + 2]) < 0) return std::nullopt;
    path += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
    i += 2;
  }
  return path;
}

}  // namespace detail

std::string SettingsDirectory() {
  if (const auto& forced = SettingsDirectoryOverride()) {
    std::string directory = *forced;
    if (directory.empty() || SideFilePath(directory, "") != directory)
      directory += kSeparator;
    return directory;
  }
  const std::string executableDirectory = SideFilePath(platform::ExecutablePath(), "");
  return detail::ChooseSettingsDirectory(executableDirectory,
                                         platform::IsWritableDirectory(executableDirectory),
                                         platform::UserConfigDirectory());
}

void SetSettingsDirectoryForTesting(std::optional<std::string> directory) {
  SettingsDirectoryOverride() = std::move(directory);
}

std::string SettingsProgramPath(std::string_view programName) { return SettingsDirectory() + std::string(programName); }

std::string ExecutableName() {
  const std::string path = platform::ExecutablePath();
  const std::string name = path.substr(SideFilePath(path, "").size());
  return name.empty() ? std::string(ProgramName) : name;
}

AnsiText SettingsFile::ReadText(std::string_view section, std::string_view key,
                                std::string_view defaultText) const {
  AnsiText text = ReadProfileString(path_, section, key, defaultText);
  if (text.size() > ReadTextLimit) {
    std::size_t cut = ReadTextLimit;
    // The byte after the cut would be a trail byte: leave its lead byte out too.
    if (ByteKindAt(text, 0, cut) == ByteKind::Trail) --cut;
    text.resize(cut);
  }
  return text;
}

bool SettingsFile::ReadFlag(std::string_view section, std::string_view key, bool defaultFlag) const {
  const std::optional<std::int32_t> number = detail::ParseWholeNumber(ReadText(section, key, ""));
  return number ? *number != 0 : defaultFlag;
}

void SettingsFile::WriteText(std::string_view section, std::string_view key, std::string_view text) {
  if (!WriteProfileString(path_, section, key, text))
    throw PlainError(MessagePieces{{MessagePiece::Source::Quoted, platform::DisplayPath(path_)},
                                   {MessagePiece::Source::Fixed, platform::Cp932FromUtf8(" に書き込めません")}});
}

void SettingsFile::WriteFlag(std::string_view section, std::string_view key, bool flag) {
  WriteText(section, key, flag ? "1" : "0");
}

std::string SettingsFile::ReadPath(std::string_view section, std::string_view key) const {
  // Uncut, unlike ReadText: a path cut short names another file.
  const std::string exactKey = std::string(key) + std::string(PathBytesSuffix);
  const AnsiText shown = ReadProfileString(path_, section, key, "");
  const AnsiText exact = ReadProfileString(path_, section, exactKey, "");
  // The exact name counts only while it still goes with the text beside it,
  // which a program that knows nothing of it may have changed.
  if (!exact.empty()) {
    if (const auto path = detail::UnescapePathBytes(exact); path && ShownPath(*path) == shown) return *path;
  }
  return platform::PathFromText(shown);
}

void SettingsFile::WritePath(std::string_view section, std::string_view key, const std::string& path) {
  const AnsiText shown = ShownPath(path);
  const std::string exactKey = std::string(key) + std::string(PathBytesSuffix);
  WriteText(section, key, shown);
  if (platform::PathFromText(shown) != path) {
    WriteText(section, exactKey, detail::EscapePathBytes(path));
  } else if (!ReadText(section, exactKey, "").empty()) {
    WriteText(section, exactKey, "");
  }
}
