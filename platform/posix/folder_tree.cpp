// Folder listing and removal with opendir/readdir and the *at calls, the current folder with
// getcwd.
#include "tolvo/platform/folder_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "folder_handle.h"
#include "tolvo/platform/path_names.h"
#include "tolvo/platform/system_error.h"

namespace tolvo::platform {
namespace {

FileKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::kFile;
  if (S_ISDIR(mode)) return FileKind::kFolder;
  return FileKind::kOther;
}

}  // namespace

DirHandle OpenFolderAt(int parent, const char* name, bool followLink) {
  const int fd =
      ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
  if (fd < 0) return nullptr;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    const int error = errno;
    ::close(fd);
    errno = error;
  }
  return DirHandle(dir);
}

void RemoveTreeAt(int parent, const char* name) {
  if (::unlinkat(parent, name, 0) == 0) return;
  DirHandle dir = OpenFolderAt(parent, name, false);
  if (!dir) return;
  while (dirent* entry = ::readdir(dir.get())) {
    if (!IsDotEntry(entry->d_name)) RemoveTreeAt(::dirfd(dir.get()), entry->d_name);
  }
  dir.reset();
  ::unlinkat(parent, name, AT_REMOVEDIR);
}

IoResult<std::vector<FolderEntry>> ListFolder(const std::string& path) {
  DirHandle dir = OpenFolderAt(AT_FDCWD, path.c_str(), true);
  if (!dir) return ErrorFromNumber(errno);
  std::vector<FolderEntry> entries;
  for (;;) {
    errno = 0;
    dirent* entry = ::readdir(dir.get());
    if (!entry) {
      if (errno != 0) return ErrorFromNumber(errno);
      break;
    }
    if (IsDotEntry(entry->d_name)) continue;
    FolderEntry found;
    found.name = entry->d_name;
    struct stat info;
    if (entry->d_type == DT_UNKNOWN) {
      found.link = ::fstatat(::dirfd(dir.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                   S_ISLNK(info.st_mode);
    } else {
      found.link = entry->d_type == DT_LNK;
    }
    if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, 0) == 0)
      found.kind = KindOf(info.st_mode);
    entries.push_back(std::move(found));
  }
  return entries;
}

void RemoveTree(const std::string& path) {
  if (!path.empty()) RemoveTreeAt(AT_FDCWD, path.c_str());
}

std::string CurrentFolder() {
  std::string buffer(256, '\0');
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size())) return buffer.c_str();
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  const std::string current = CurrentFolder();
  return current.empty() ? std::string() : JoinPath(current, path);
}

}  // namespace tolvo::platform
