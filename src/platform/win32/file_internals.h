#pragma once
// What the parts of the Win32 file service share and nobody else uses: the
// temporary files a replacement writes to. Paths throughout are the code page
// bytes the "A" calls take, passed on unchanged; failures come back as
// GetLastError() codes.
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/files.h"

namespace platform::internal {

// Registers a temporary file for RemoveTemporaryFilesNow while it exists:
// its slot, released (and set to -1) by ReleaseTempSlot.
int TakeTempSlot(const std::string& name);
void ReleaseTempSlot(int& slot);

// A file for the bytes meant for the standard output until they are complete.
HANDLE CreateHoldingFile();

// A new, empty temporary file beside path, open for writing only by us;
// INVALID_HANDLE_VALUE with the system error when that fails.
HANDLE CreateTemporaryBeside(std::string_view path, std::string& tempName, DWORD& error);

}  // namespace platform::internal
