#pragma once
// The version information an executable carries in its resources, string
// block "041103A4", read with the system's version calls.
#include <optional>

#include "app/version_info.h"
#include "text/ansi_text.h"

// nullopt when the file has no version information. A missing entry reads
// as empty; FileDescription stays nullopt when it is missing.
std::optional<VersionInfo> ReadVersionResource(const AnsiText& executablePath);

// The running program's own version information; the values the build
// carries when the resource cannot be read.
VersionInfo ExecutableVersionInfo();
