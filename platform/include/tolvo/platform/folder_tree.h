// Folders as a whole: the names in one, the removal of one with everything below it, and the
// current folder that relative names start from.
#pragma once

#include <string>
#include <vector>

#include "tolvo/platform/file_system.h"

namespace tolvo::platform {

struct FolderEntry {
  std::string name;
  FileKind kind = FileKind::kOther;  // what the name leads to, links followed; kOther when broken
  bool link = false;                 // the name itself is a symbolic link
};

// The entries of the folder `path` but "." and "..", in the order the system keeps them; the
// error when the folder cannot be opened or read.
IoResult<std::vector<FolderEntry>> ListFolder(const std::string& path);

// Removes `path` and, when it is a folder, everything in it; no link is followed (a link is
// removed itself). Whatever cannot be removed stays.
void RemoveTree(const std::string& path);

// The current folder; "" when it cannot be told (it was removed, or is out of reach).
std::string CurrentFolder();

// `path` as it is when absolute, otherwise joined to the current folder, with no element
// resolved or dropped; "" for an empty path or an unknown current folder.
std::string AbsolutePath(const std::string& path);

}  // namespace tolvo::platform
