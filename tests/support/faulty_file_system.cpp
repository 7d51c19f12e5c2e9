// The failing file layer for tests: counts calls, fails the chosen one or fills the disk.
#include "faulty_file_system.h"

namespace tolvo::test {

using platform::FileInfo;
using platform::IoStatus;

void FaultyFileSystem::FailCall(int n, int error) {
  Reset();
  failAtCall_ = n;
  failError_ = error;
}

void FaultyFileSystem::FillDiskAtWrite(int n) {
  Reset();
  fullAtWrite_ = n;
}

void FaultyFileSystem::Reset() {
  calls_ = writes_ = failAtCall_ = fullAtWrite_ = 0;
  failedCall_.clear();
  failError_ = EIO;
  triggered_ = false;
}

bool FaultyFileSystem::FailsNow(const char* call) {
  ++calls_;
  if (failAtCall_ != 0 && calls_ == failAtCall_) {
    triggered_ = true;
    failedCall_ = call;
    return true;
  }
  return false;
}

int FaultyFileSystem::Open(const char* path, platform::OpenMode mode) {
  return FailsNow(__func__) ? -failError_ : inner_.Open(path, mode);
}

int64_t FaultyFileSystem::Read(int fd, void* buffer, size_t count) {
  return FailsNow(__func__) ? -failError_ : inner_.Read(fd, buffer, count);
}

int64_t FaultyFileSystem::Write(int fd, const void* buffer, size_t count) {
  if (FailsNow(__func__)) return -failError_;
  ++writes_;
  if (fullAtWrite_ != 0 && writes_ > fullAtWrite_) return -ENOSPC;
  if (fullAtWrite_ != 0 && writes_ == fullAtWrite_) {
    triggered_ = true;
    size_t half = count / 2;
    if (half == 0) return -ENOSPC;
    return inner_.Write(fd, buffer, half);
  }
  return inner_.Write(fd, buffer, count);
}

int64_t FaultyFileSystem::Seek(int fd, int64_t offset, int whence) {
  return FailsNow(__func__) ? -failError_ : inner_.Seek(fd, offset, whence);
}

IoStatus FaultyFileSystem::Truncate(int fd, int64_t length) {
  return FailsNow(__func__) ? IoStatus{failError_} : inner_.Truncate(fd, length);
}

IoStatus FaultyFileSystem::Sync(int fd) {
  return FailsNow(__func__) ? IoStatus{failError_} : inner_.Sync(fd);
}

IoStatus FaultyFileSystem::Close(int fd) {
  bool fails = FailsNow(__func__);
  IoStatus status = inner_.Close(fd);  // the descriptor is gone either way
  return fails ? IoStatus{failError_} : status;
}

FileInfo FaultyFileSystem::StatFd(int fd) {
  return FailsNow(__func__) ? FileInfo{} : inner_.StatFd(fd);
}

FileInfo FaultyFileSystem::Stat(const char* path) {
  return FailsNow(__func__) ? FileInfo{} : inner_.Stat(path);
}

IoStatus FaultyFileSystem::MakeFolder(const char* path) {
  return FailsNow(__func__) ? IoStatus{failError_} : inner_.MakeFolder(path);
}

IoStatus FaultyFileSystem::Remove(const char* path) {
  return FailsNow(__func__) ? IoStatus{failError_} : inner_.Remove(path);
}

IoStatus FaultyFileSystem::Rename(const char* from, const char* to) {
  return FailsNow(__func__) ? IoStatus{failError_} : inner_.Rename(from, to);
}

IoStatus FaultyFileSystem::SetMode(const char* path, uint32_t mode) {
  return FailsNow(__func__) ? IoStatus{failError_} : inner_.SetMode(path, mode);
}

IoStatus FaultyFileSystem::SetOwner(const char* path, uint32_t uid, uint32_t gid) {
  return FailsNow(__func__) ? IoStatus{failError_} : inner_.SetOwner(path, uid, gid);
}

IoStatus FaultyFileSystem::MakeTempFile(const std::string& folder, const char* prefix,
                                        std::string* path) {
  return FailsNow(__func__) ? IoStatus{failError_} : inner_.MakeTempFile(folder, prefix, path);
}

IoStatus FaultyFileSystem::SyncFolder(const char* path) {
  return FailsNow(__func__) ? IoStatus{failError_} : inner_.SyncFolder(path);
}

std::string FaultyFileSystem::ResolvePath(const char* path) {
  return FailsNow(__func__) ? std::string() : inner_.ResolvePath(path);
}

FileInfo FaultyFileSystem::LinkStat(const char* path) {
  return FailsNow(__func__) ? FileInfo{} : inner_.LinkStat(path);
}

IoStatus FaultyFileSystem::SetModeFd(int fd, uint32_t mode) {
  return FailsNow(__func__) ? IoStatus{failError_} : inner_.SetModeFd(fd, mode);
}

IoStatus FaultyFileSystem::SetOwnerFd(int fd, uint32_t uid, uint32_t gid) {
  return FailsNow(__func__) ? IoStatus{failError_} : inner_.SetOwnerFd(fd, uid, gid);
}

IoStatus FaultyFileSystem::LockFd(int fd) {
  return FailsNow(__func__) ? IoStatus{failError_} : inner_.LockFd(fd);
}

int FaultyFileSystem::CreateTempFile(const std::string& folder, const char* prefix,
                                     std::string* path) {
  return FailsNow(__func__) ? -failError_ : inner_.CreateTempFile(folder, prefix, path);
}

IoStatus FaultyFileSystem::MakePrivateFolder(const std::string& parent, const char* prefix,
                                             std::string* path) {
  return FailsNow(__func__) ? IoStatus{failError_} : inner_.MakePrivateFolder(parent, prefix, path);
}

IoStatus FaultyFileSystem::RemoveFolder(const char* path) {
  return FailsNow(__func__) ? IoStatus{failError_} : inner_.RemoveFolder(path);
}

}  // namespace tolvo::test
