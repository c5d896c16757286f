#include "app/win32/version_resource.h"

#include <windows.h>

#include "platform/executable.h"

#include <string>
#include <vector>

namespace {

std::optional<AnsiText> Query(const std::vector<char>& block, const char* key) {
  const std::string path = std::string("\\StringFileInfo\\041103A4\\") + key;
  void* value = nullptr;
  UINT length = 0;
  if (!::VerQueryValueA(block.data(), path.c_str(), &value, &length) || value == nullptr) return std::nullopt;
  AnsiText text(static_cast<const char*>(value), length);
  // The length may or may not count the terminating NUL.
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

}  // namespace

std::optional<VersionInfo> ReadVersionResource(const AnsiText& executablePath) {
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(executablePath.c_str(), &handle);
  if (size == 0) return std::nullopt;
  std::vector<char> block(size);
  if (!::GetFileVersionInfoA(executablePath.c_str(), 0, size, block.data())) return std::nullopt;
  VersionInfo info;
  info.ProductName = Query(block, "ProductName").value_or("");
  info.FileVersion = Query(block, "FileVersion").value_or("");
  info.FileDescription = Query(block, "FileDescription");
  info.LegalCopyright = Query(block, "LegalCopyright").value_or("");
  info.SpecialBuild = Query(block, "SpecialBuild").value_or("");
  return info;
}

VersionInfo ExecutableVersionInfo() {
  return ReadVersionResource(platform::ExecutablePath()).value_or(ProgramVersionInfo());
}
