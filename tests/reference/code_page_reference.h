#pragma once
// The code page asked one character at a time, the slow way its tables were
// once built: the twin the bulk-built tables are compared with.
#include <optional>
#include <string>

#include "platform/code_page.h"

namespace reference {

#ifndef _WIN32
// What iconv makes of exactly these bytes: one UTF-16 unit, or nothing when
// they are not exactly one BMP character.
std::optional<char16_t> DecodeWithIconv(int page, std::string_view bytes);
// What iconv makes of one unit, or nothing when it has no bytes.
std::optional<std::string> EncodeWithIconv(int page, char16_t unit);
#endif
// The tables from one ToUtf16 and one FromUtf16 call per byte and per pair.
platform::CharTables TablesOneByOne(const platform::CodePage& page);

}  // namespace reference
