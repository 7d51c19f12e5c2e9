// A file system held in memory, for tests and fuzz targets: files, folders, open descriptors with
// their own positions, permission bits and advisory locks, and the errors the real layer gives.
// Paths are POSIX ("/a/b") or, so that the Windows path rules run on any platform, Windows style
// (drive letters, UNC shares, backslashes, letters compared without case).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "tolvo/platform/file_system.h"

namespace tolvo::platform {

enum class PathForm { kPosix, kWindows };

// Not thread-safe: one test uses one instance.
class MemoryFileSystem final : public FileSystem {
 public:
  // Holds the empty root: "/", or the drive "C:\".
  explicit MemoryFileSystem(PathForm form = PathForm::kPosix);

  // With any missing parents ("/a/b", "D:\x", "\\srv\share").
  void AddFolder(const std::string& path);
  void AddFile(const std::string& path, const std::string& content = "", uint32_t mode = 0644);

  bool HasFolder(const std::string& path) const;
  bool HasFile(const std::string& path) const;
  std::string Content(const std::string& path) const;    // empty for no file
  size_t EntryCount() const { return entries_.size(); }  // files and folders, the root included
  size_t OpenCount() const { return handles_.size(); }

  IoResult<int> Open(const char* path, OpenMode mode) override;
  IoResult<size_t> Read(int fd, void* buffer, size_t count) override;
  IoResult<size_t> Write(int fd, const void* buffer, size_t count) override;
  IoResult<int64_t> Seek(int fd, int64_t offset, int whence) override;
  IoStatus Truncate(int fd, int64_t length) override;
  IoStatus Sync(int fd) override;
  IoStatus Close(int fd) override;
  IoResult<FileInfo> StatFd(int fd) override;
  IoResult<FileInfo> Stat(const char* path) override;
  IoStatus MakeFolder(const char* path) override;
  IoStatus Remove(const char* path) override;
  IoStatus Rename(const char* from, const char* to) override;
  IoStatus SetMode(const char* path, uint32_t mode) override;
  IoStatus SetOwner(const char* path, uint32_t uid, uint32_t gid) override;
  IoResult<std::string> MakeTempFile(const std::string& folder, const char* prefix) override;
  IoStatus SyncFolder(const char* path) override;
  IoStatus SetModeFd(int fd, uint32_t mode) override;
  IoStatus SetOwnerFd(int fd, uint32_t uid, uint32_t gid) override;
  IoStatus LockFd(int fd) override;
  IoResult<std::string> MakePrivateFolder(const std::string& parent, const char* prefix) override;
  IoStatus RemoveFolder(const char* path) override;

 private:
  struct Node {
    FileKind kind = FileKind::kFile;
    std::string bytes;
    uint32_t mode = 0644;
    uint32_t uid = 0;
    uint32_t gid = 0;
    uint64_t inode = 0;
    int lockedBy = -1;  // the descriptor holding the advisory lock
  };
  struct Handle {
    std::shared_ptr<Node> node;  // open files outlive their names, as on the disk
    int64_t position = 0;
    bool append = false;
    bool canRead = false;
    bool canWrite = false;
  };

  std::string KeyOf(const std::string& path) const;
  std::string ParentOf(const std::string& key) const;
  std::shared_ptr<Node> Find(const std::string& key) const;
  Handle* HandleOf(int fd);
  // Nothing, or why no entry can be made at (or taken from) key: its folder is missing or not
  // writable.
  IoStatus CheckFolderOf(const std::string& key) const;
  std::shared_ptr<Node> NewNode(FileKind kind, uint32_t mode);
  static FileInfo InfoOf(const Node& node);
  // "<folder><separator><prefix>NNNNNN" not in use yet.
  std::string UniqueName(const std::string& folder, const char* prefix);
  // Makes an entry of that kind under such a name.
  IoResult<std::string> MakeUnique(const std::string& folder, const char* prefix, FileKind kind,
                                   uint32_t mode);

  PathForm form_;
  char separator_;
  std::map<std::string, std::shared_ptr<Node>> entries_;
  std::map<int, Handle> handles_;
  int nextFd_ = 3;
  uint64_t nextInode_ = 1;
  int nameCounter_ = 0;
};

}  // namespace tolvo::platform
