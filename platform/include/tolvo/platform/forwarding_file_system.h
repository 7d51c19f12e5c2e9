// A file system that passes every call on to another. A layer that changes a few calls (fails
// them, records them, makes a write short) derives from it and overrides only those; Before()
// sees every call first, by name, and may fail it.
#pragma once

#include <optional>
#include <string>

#include "tolvo/platform/file_system.h"

namespace tolvo::platform {

class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& inner = RealFileSystem()) : inner_(inner) {}

  IoResult<int> Open(const char* path, OpenMode mode) override;
  IoResult<size_t> Read(int fd, void* buffer, size_t count) override;
  IoResult<size_t> Write(int fd, const void* buffer, size_t count) override;
  IoResult<int64_t> Seek(int fd, int64_t offset, int whence) override;
  IoStatus Truncate(int fd, int64_t length) override;
  IoStatus Sync(int fd) override;
  // A failed Close still closes, as the system's close does.
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
  IoResult<std::string> ResolvePath(const char* path) override;
  IoResult<FileInfo> LinkStat(const char* path) override;
  IoStatus SetModeFd(int fd, uint32_t mode) override;
  IoStatus SetOwnerFd(int fd, uint32_t uid, uint32_t gid) override;
  IoStatus LockFd(int fd) override;
  IoResult<CreatedFile> CreateTempFile(const std::string& folder, const char* prefix) override;
  IoResult<std::string> MakePrivateFolder(const std::string& parent, const char* prefix) override;
  IoStatus RemoveFolder(const char* path) override;
  IoStatus RemoveDeadLeftovers(const std::string& folder, const char* convertedPrefix) override;

 protected:
  // Called before each call with its name ("Open", "Stat", ...); an error fails the call, which
  // then does nothing.
  virtual std::optional<IoError> Before(const char* call) {
    (void)call;
    return std::nullopt;
  }
  FileSystem& inner() { return inner_; }

 private:
  FileSystem& inner_;
};

}  // namespace tolvo::platform
