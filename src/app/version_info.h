#pragma once
// The program's version information and contact addresses, kept in one place:
// version_info.cpp, with the version number from the build's project version.
#include <optional>
#include <string_view>

#include "text/ansi_text.h"

struct VersionInfo {
  AnsiText ProductName;
  AnsiText FileVersion;
  std::optional<AnsiText> FileDescription;  // an entry may be present and empty
  AnsiText LegalCopyright;
  AnsiText SpecialBuild;
};

// The values this build carries.
const VersionInfo& ProgramVersionInfo();

// The maker's web site, the users' support page under it, the support address.
inline constexpr std::string_view WebSiteAddress = "http://example.com/kivaro/";
inline constexpr std::string_view UsersSiteAddress = "http://example.com/kivaro/users/";
inline constexpr std::string_view SupportMailAddress = "support@example.com";
