#pragma once
// What the about box shows, composed from version information.
#include <optional>
#include <string_view>

#include "app/version_info.h"
#include "text/ansi_text.h"

struct AboutCaptions {
  AnsiText productName;
  AnsiText version;
  AnsiText copyright;
  bool noticeGroup = false;  // the "no support" notice instead of the contact links
};

// "Version " + first number + "." + second and third numbers run together,
// " " + the description when there is one, " (Build " + fourth number + ")":
// 1.0.2.25 with an empty description gives "Version 1.02  (Build 25)".
AnsiText ComposeVersionLine(std::string_view fileVersion, const std::optional<AnsiText>& fileDescription);
// A build is unsupported when SpecialBuild holds "non-support", in exactly that case.
bool IsNonSupportBuild(std::string_view specialBuild);
AboutCaptions ComposeAboutCaptions(const VersionInfo& info);

// The text and caption of the warning shown before the mail link opens.
AnsiText MailWarningText();
AnsiText MailWarningCaption();
