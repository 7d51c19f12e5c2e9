// Every call of the forwarding layer: Before() first, then the inner file system.
#include "tolvo/platform/forwarding_file_system.h"

namespace tolvo::platform {

#define TOLVO_FORWARD(call)                                        \
  if (std::optional<IoError> error = Before(#call)) return *error; \
  return inner_.call

IoResult<int> ForwardingFileSystem::Open(const char* path, OpenMode mode) {
  TOLVO_FORWARD(Open)(path, mode);
}
IoResult<size_t> ForwardingFileSystem::Read(int fd, void* buffer, size_t count) {
  TOLVO_FORWARD(Read)(fd, buffer, count);
}
IoResult<size_t> ForwardingFileSystem::Write(int fd, const void* buffer, size_t count) {
  TOLVO_FORWARD(Write)(fd, buffer, count);
}
IoResult<int64_t> ForwardingFileSystem::Seek(int fd, int64_t offset, int whence) {
  TOLVO_FORWARD(Seek)(fd, offset, whence);
}
IoStatus ForwardingFileSystem::Truncate(int fd, int64_t length) {
  TOLVO_FORWARD(Truncate)(fd, length);
}
IoStatus ForwardingFileSystem::Sync(int fd) { TOLVO_FORWARD(Sync)(fd); }
IoStatus ForwardingFileSystem::Close(int fd) {
  const std::optional<IoError> error = Before("Close");
  const IoStatus closed = inner_.Close(fd);  // the descriptor is gone either way
  if (error) return *error;
  return closed;
}
IoResult<FileInfo> ForwardingFileSystem::StatFd(int fd) { TOLVO_FORWARD(StatFd)(fd); }
IoResult<FileInfo> ForwardingFileSystem::Stat(const char* path) { TOLVO_FORWARD(Stat)(path); }
IoStatus ForwardingFileSystem::MakeFolder(const char* path) { TOLVO_FORWARD(MakeFolder)(path); }
IoStatus ForwardingFileSystem::Remove(const char* path) { TOLVO_FORWARD(Remove)(path); }
IoStatus ForwardingFileSystem::Rename(const char* from, const char* to) {
  TOLVO_FORWARD(Rename)(from, to);
}
IoStatus ForwardingFileSystem::SetMode(const char* path, uint32_t mode) {
  TOLVO_FORWARD(SetMode)(path, mode);
}
IoStatus ForwardingFileSystem::SetOwner(const char* path, uint32_t uid, uint32_t gid) {
  TOLVO_FORWARD(SetOwner)(path, uid, gid);
}
IoResult<std::string> ForwardingFileSystem::MakeTempFile(const std::string& folder,
                                                         const char* prefix) {
  TOLVO_FORWARD(MakeTempFile)(folder, prefix);
}
IoStatus ForwardingFileSystem::SyncFolder(const char* path) { TOLVO_FORWARD(SyncFolder)(path); }
IoResult<std::string> ForwardingFileSystem::ResolvePath(const char* path) {
  TOLVO_FORWARD(ResolvePath)(path);
}
IoResult<FileInfo> ForwardingFileSystem::LinkStat(const char* path) {
  TOLVO_FORWARD(LinkStat)(path);
}
IoStatus ForwardingFileSystem::SetModeFd(int fd, uint32_t mode) {
  TOLVO_FORWARD(SetModeFd)(fd, mode);
}
IoStatus ForwardingFileSystem::SetOwnerFd(int fd, uint32_t uid, uint32_t gid) {
  TOLVO_FORWARD(SetOwnerFd)(fd, uid, gid);
}
IoStatus ForwardingFileSystem::LockFd(int fd) { TOLVO_FORWARD(LockFd)(fd); }
IoResult<FileSystem::CreatedFile> ForwardingFileSystem::CreateTempFile(const std::string& folder,
                                                                       const char* prefix) {
  TOLVO_FORWARD(CreateTempFile)(folder, prefix);
}
IoResult<std::string> ForwardingFileSystem::MakePrivateFolder(const std::string& parent,
                                                              const char* prefix) {
  TOLVO_FORWARD(MakePrivateFolder)(parent, prefix);
}
IoStatus ForwardingFileSystem::RemoveFolder(const char* path) { TOLVO_FORWARD(RemoveFolder)(path); }

IoStatus ForwardingFileSystem::RemoveDeadLeftovers(const std::string& folder,
                                                   const char* convertedPrefix) {
  TOLVO_FORWARD(RemoveDeadLeftovers)(folder, convertedPrefix);
}

#undef TOLVO_FORWARD

}  // namespace tolvo::platform
