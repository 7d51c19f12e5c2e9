// Open folders for the POSIX code that walks them: an owned DIR handle opened relative to a folder
// descriptor, and the removal of a tree below one without following links.
#pragma once

#include <dirent.h>

#include <memory>
#include <string_view>

namespace tolvo::platform {

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// The folder `name` below the folder descriptor `parent` (AT_FDCWD: the current folder), a final
// link followed only when asked; null with errno set.
DirHandle OpenFolderAt(int parent, const char* name, bool followLink);

inline bool IsDotEntry(std::string_view name) { return name == "." || name == ".."; }

// Removes `name` below `parent` and, when it is a folder, everything in it; no link is followed.
void RemoveTreeAt(int parent, const char* name);

}  // namespace tolvo::platform
