// An in-memory file system with Windows-style paths (drive letters, UNC shares, backslashes,
// letters compared without case), so Windows path rules run on any platform. Tests can also
// make folders unwritable, make writes short, and see which folders were asked for.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tolvo/platform/file_system.h"

namespace tolvo::test {

// Not thread-safe: one test uses one instance.
class MemoryFileSystem final : public platform::FileSystem {
 public:
  MemoryFileSystem();  // holds the empty drive C:\ .

  void AddFolder(const std::string& path);  // with any missing parents ("D:\", "\\srv\share")
  void AddFile(const std::string& path, const std::string& content = "", uint32_t mode = 0644);
  // A folder in which nothing new can be created.
  void SetFolderWritable(const std::string& path, bool writable);
  // Total bytes that writes accept from now on; -1 for no limit.
  void SetWriteLimit(int64_t bytes) { writeLimit_ = bytes; }

  bool HasFolder(const std::string& path) const;
  bool HasFile(const std::string& path) const;
  std::string Content(const std::string& path) const;
  size_t EntryCount() const { return nodes_.size(); }
  const std::vector<std::string>& MakeFolderRequests() const { return makeFolderRequests_; }

  int Open(const char* path, platform::OpenMode mode) override;
  int64_t Read(int fd, void* buffer, size_t count) override;
  int64_t Write(int fd, const void* buffer, size_t count) override;
  int64_t Seek(int fd, int64_t offset, int whence) override;
  platform::IoStatus Truncate(int fd, int64_t length) override;
  platform::IoStatus Sync(int fd) override;
  platform::IoStatus Close(int fd) override;
  platform::FileInfo StatFd(int fd) override;
  platform::FileInfo Stat(const char* path) override;
  platform::IoStatus MakeFolder(const char* path) override;
  platform::IoStatus Remove(const char* path) override;
  platform::IoStatus Rename(const char* from, const char* to) override;
  platform::IoStatus SetMode(const char* path, uint32_t mode) override;
  platform::IoStatus SetOwner(const char* path, uint32_t uid, uint32_t gid) override;
  platform::IoStatus MakeTempFile(const std::string& folder, const char* prefix,
                                  std::string* path) override;
  platform::IoStatus SyncFolder(const char* path) override;

 private:
  struct Node {
    platform::FileKind kind = platform::FileKind::kFile;
    std::string bytes;
    uint32_t mode = 0644;
    bool writable = true;  // folders: new entries may be made in it
  };
  struct Handle {
    std::string key;
    int64_t position = 0;
    bool append = false;
    bool canWrite = false;
  };

  static std::string KeyOf(const std::string& path);
  static std::string ParentOf(const std::string& key);
  const Node* Find(const std::string& key) const;
  Node* Find(const std::string& key);
  bool CanCreateIn(const std::string& key) const;
  platform::FileInfo InfoOf(const Node& node) const;

  std::map<std::string, Node> nodes_;
  std::map<int, Handle> handles_;
  std::vector<std::string> makeFolderRequests_;
  int nextFd_ = 3;
  int64_t writeLimit_ = -1;
  int tempCounter_ = 0;
};

}  // namespace tolvo::test
