#pragma once
// What the parts of the POSIX file service share and nobody else uses: the
// directory of a path, the links a replacement follows, and the temporary
// files and scratch space a replacement writes to. Paths throughout are the
// file system's own bytes; failures come back as errno values.
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/path.h"

namespace platform::internal {

// The directory that holds path as stat and open take it: DirectoryPart
// without its final "/" (the root keeps it), "." for a bare name.
inline std::string DirectoryOf(std::string_view path) {
  std::string_view directory = DirectoryPart(path);
  if (directory.empty()) return ".";
  if (directory.size() > 1) directory.remove_suffix(1);
  return std::string(directory);
}

// The file a chain of symbolic links ends at, lexically; a dangling link names
// the file to create. EACCES for a link the rule does not let us follow.
// Stops at a name of one of our descriptors, which it sets.
int ResolveLinks(std::string& path, FollowLinks links, int& descriptor);

// A file without a name in directory, or -1 with errno.
int OpenUnnamed(const std::string& directory);
// Whether an OpenUnnamed error means the file system has no unnamed files.
bool UnnamedUnsupported(int error);
// Scratch space for bytes that must wait for Commit, named nowhere.
int OpenScratch();

// The temporary name beside target up to its six random letters.
std::string TempNamePrefix(const std::string& directory, const std::string& target);
// Six letters that complete a temporary name.
std::string RandomSuffix();
// Removes the temporary files of ours in directory whose process is gone.
void RemoveStrays(const std::string& directory);

// Registers a temporary file for RemoveTemporaryFilesNow while it has its
// name: the slot, or -1 when none is free.
int TakeTempSlot(const std::string& name);
void ReleaseTempSlot(int& slot);

}  // namespace platform::internal
