// Paths shown in messages and paths named by code page text.
#include <string>
#include <string_view>

#include "platform/files.h"

namespace platform {

// Windows names are already in the code page.
std::string DisplayPath(std::string_view path) { return IsStandardStream(path) ? std::string("-") : std::string(path); }

std::string PathFromText(std::string_view text) { return std::string(text); }

}  // namespace platform
