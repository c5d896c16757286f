#pragma once
// Private profile (INI) files: "[section]" lines followed by "key=value"
// lines, section and key names compared without regard to ASCII case.
// Values are taken byte for byte after the first "="; lines starting with ";"
// and lines without "=" are kept but never read. The same rules on every
// system: only the file access is the platform's.
#include <string>
#include <string_view>

#include "text/ansi_text.h"

// windows.h names a macro after the writer of win.ini; include it first.
#ifdef WriteProfileString
#undef WriteProfileString
#endif

// The value of key in section, or defaultText when the file, the section or
// the key is missing or the file cannot be read. Never fails.
AnsiText ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                           std::string_view defaultText);

// Sets key in section, adding the section or the key when missing and keeping
// every other line. The file is replaced whole or not at all. False when the
// file cannot be written, or when a name or the value holds a line break
// (it could not be read back).
bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);

