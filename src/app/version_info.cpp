#include "app/version_info.h"

#ifndef QUILLMER_VERSION_TEXT
#error "QUILLMER_VERSION_TEXT comes from the project version in CMakeLists.txt"
#endif

const VersionInfo& ProgramVersionInfo() {
  static const VersionInfo info{
      "Kivaro for iPod series",
      QUILLMER_VERSION_TEXT,
      AnsiText(),
      "Copyright (C) 2024 Quillmer developers",
      "non-support",
  };
  return info;
}
