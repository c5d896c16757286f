#include "app/ini_file.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/files.h"
#include "text/line_cursor.h"

namespace {

bool IsSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

// Only blanks and tabs surround names here: a control byte is part of a name.
std::string_view TrimmedSpacesAndTabs(std::string_view s) {
  while (!s.empty() && IsSpaceOrTab(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpaceOrTab(s.back())) s.remove_suffix(1);
  return s;
}

using platform::EqualsAsciiNoCase;

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  LineCursor cursor = LineCursor::KeepingNul(text);
  for (std::string_view line; cursor.Next(line);) lines.push_back(line);
  return lines;
}

// The name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = TrimmedSpacesAndTabs(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  const std::size_t close = line.find(']');
  if (close != std::string_view::npos) line = line.substr(0, close);
  return TrimmedSpacesAndTabs(line);
}

// The key of a "key=value" line, or nothing for comments and other lines.
std::optional<std::string_view> KeyName(std::string_view line) {
  const std::string_view trimmed = TrimmedSpacesAndTabs(line);
  if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return TrimmedSpacesAndTabs(line.substr(0, eq));
}

// Where a key lives in the lines of a file.
struct KeyPlace {
  std::optional<std::size_t> section;  // index of the section's header line
  std::optional<std::size_t> key;      // index of the key's line
  std::size_t sectionEnd = 0;          // one past the section's last non-empty line
};

KeyPlace FindKey(const std::vector<std::string_view>& lines, std::string_view section,
                 std::string_view key) {
  KeyPlace place;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (const auto name = SectionName(lines[i])) {
      if (place.section) break;  // only the first section of that name counts
      if (EqualsAsciiNoCase(*name, section)) {
        place.section = i;
        place.sectionEnd = i + 1;
      }
      continue;
    }
    if (!place.section) continue;
    if (!TrimmedSpacesAndTabs(lines[i]).empty()) place.sectionEnd = i + 1;
    if (const auto name = KeyName(lines[i]); name && !place.key && EqualsAsciiNoCase(*name, key))
      place.key = i;
  }
  return place;
}

bool HoldsLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

AnsiText ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                           std::string_view defaultText) {
  const platform::FileReadResult file = platform::ReadWholeFile(path, false);
  if (file.error != 0) return AnsiText(defaultText);
  const std::vector<std::string_view> lines = SplitLines(file.bytes);
  const KeyPlace place = FindKey(lines, section, key);
  if (!place.key) return AnsiText(defaultText);
  const std::string_view line = lines[*place.key];
  return AnsiText(line.substr(line.find('=') + 1));
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  if (HoldsLineBreak(section) || HoldsLineBreak(key) || HoldsLineBreak(value)) return false;
  if (section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos)
    return false;
  const platform::FileReadResult file = platform::ReadWholeFile(path, false);
  // A file that exists but cannot be read is never overwritten: its other keys would be lost.
  if (file.error != 0 && file.error != platform::FileNotFoundError) return false;
  std::vector<std::string_view> lines = SplitLines(file.bytes);
  const KeyPlace place = FindKey(lines, section, key);

  const std::string header = "[" + std::string(section) + "]";
  const std::string entry = std::string(key) + "=" + std::string(value);
  if (place.key) {
    lines[*place.key] = entry;
  } else if (place.section) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(place.sectionEnd), entry);
  } else {
    lines.push_back(header);
    lines.push_back(entry);
  }

  std::string text;
  for (std::string_view line : lines) {
    text += line;
    text += "\r\n";
  }
  return platform::ReplaceWholeFile(path, text).failedAt == platform::WriteStage::Done;
}

