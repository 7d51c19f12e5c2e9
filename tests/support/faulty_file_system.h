// A file layer for tests that fails on purpose: it passes every call to a real file system and
// counts them, and can make its Nth call fail or fill the disk at its Nth write, so a test can
// walk through every failure point of an operation.
#pragma once

#include <cerrno>
#include <string>

#include "tolvo/platform/file_system.h"

namespace tolvo::test {

class FaultyFileSystem final : public platform::FileSystem {
 public:
  explicit FaultyFileSystem(platform::FileSystem& inner = platform::RealFileSystem())
      : inner_(inner) {}

  // The nth call (1-based, counting calls of every kind) fails with error and does nothing,
  // except a failing Close, which still closes (as the system's close does).
  void FailCall(int n, int error = EIO);
  // The nth Write writes only half of its bytes; every later Write fails with ENOSPC.
  void FillDiskAtWrite(int n);
  // Back to a faithful pass-through; the counters restart.
  void Reset();

  int calls() const { return calls_; }
  int writes() const { return writes_; }
  // The planned fault has happened.
  bool triggered() const { return triggered_; }
  // The name of the call that FailCall made fail ("Stat", "SyncFolder", ...); empty before.
  const std::string& failedCall() const { return failedCall_; }

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
  std::string ResolvePath(const char* path) override;
  platform::FileInfo LinkStat(const char* path) override;
  platform::IoStatus SetModeFd(int fd, uint32_t mode) override;
  platform::IoStatus SetOwnerFd(int fd, uint32_t uid, uint32_t gid) override;
  platform::IoStatus LockFd(int fd) override;
  int CreateTempFile(const std::string& folder, const char* prefix, std::string* path) override;
  platform::IoStatus MakePrivateFolder(const std::string& parent, const char* prefix,
                                       std::string* path) override;
  platform::IoStatus RemoveFolder(const char* path) override;

 private:
  // Counts a call; true when this call (named `call`) is the one that fails.
  bool FailsNow(const char* call);

  platform::FileSystem& inner_;
  int calls_ = 0;
  int writes_ = 0;
  int failAtCall_ = 0;
  int failError_ = EIO;
  int fullAtWrite_ = 0;
  bool triggered_ = false;
  std::string failedCall_;
};

}  // namespace tolvo::test
