// The in-memory file system: a map from folded path to entry, entries shared with the open
// descriptors that use them. Errors are the error numbers the real layer would give.
#include "tolvo/platform/memory_file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tolvo/platform/system_error.h"

namespace tolvo::platform {
namespace {

constexpr uint32_t kFolderMode = 0755;
constexpr uint32_t kPrivateMode = 0700;
constexpr uint32_t kTempFileMode = 0600;
constexpr uint64_t kDevice = 1;

IoError Error(int number) { return ErrorFromNumber(number); }

bool Writable(uint32_t mode) { return (mode & FileInfo::kOwnerWrite) != 0; }

}  // namespace

MemoryFileSystem::MemoryFileSystem(PathForm form)
    : form_(form), separator_(form == PathForm::kWindows ? '\\' : '/') {
  AddFolder(form == PathForm::kWindows ? "C:\\" : "/");
}

// POSIX: the path with trailing separators dropped except the root's. Windows: letters folded to
// lower case, trailing backslashes dropped except the root's ("c:\").
std::string MemoryFileSystem::KeyOf(const std::string& path) const {
  std::string key = path;
  if (form_ == PathForm::kPosix) {
    while (key.size() > 1 && key.back() == '/') key.pop_back();
    return key;
  }
  std::transform(key.begin(), key.end(), key.begin(), [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  });
  while (key.size() > 3 && key.back() == '\\') key.pop_back();
  if (key.size() == 2 && key[1] == ':') key += '\\';
  return key;
}

// The key of the folder holding key; empty for a root.
std::string MemoryFileSystem::ParentOf(const std::string& key) const {
  const size_t last = key.rfind(separator_);
  if (form_ == PathForm::kPosix) {
    if (last == std::string::npos || key == "/") return "";
    return last == 0 ? "/" : key.substr(0, last);
  }
  if (last == std::string::npos || key.size() <= 3) return "";
  if (last == 2 && key[1] == ':') return key.substr(0, 3);
  if (last < 2) return "";  // "\\server" has no parent
  return key.substr(0, last);
}

std::shared_ptr<MemoryFileSystem::Node> MemoryFileSystem::Find(const std::string& key) const {
  auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : it->second;
}

MemoryFileSystem::Handle* MemoryFileSystem::HandleOf(int fd) {
  auto it = handles_.find(fd);
  return it == handles_.end() ? nullptr : &it->second;
}

IoStatus MemoryFileSystem::CheckFolderOf(const std::string& key) const {
  const std::shared_ptr<Node> parent = Find(ParentOf(key));
  if (!parent) return Error(ENOENT);
  if (parent->kind != FileKind::kFolder) return Error(ENOTDIR);
  if (!Writable(parent->mode)) return Error(EACCES);
  return {};
}

std::shared_ptr<MemoryFileSystem::Node> MemoryFileSystem::NewNode(FileKind kind, uint32_t mode) {
  auto node = std::make_shared<Node>();
  node->kind = kind;
  node->mode = mode;
  node->uid = CallerUserId();
  node->inode = nextInode_++;
  return node;
}

std::string MemoryFileSystem::UniqueName(const std::string& folder, const char* prefix) {
  std::string base = folder;
  if (base.empty() || base.back() != separator_) base += separator_;
  base += prefix;
  for (;;) {
    char unique[16];
    std::snprintf(unique, sizeof unique, "%06d", ++nameCounter_ % 1000000);
    if (!Find(KeyOf(base + unique))) return base + unique;
  }
}

void MemoryFileSystem::AddFolder(const std::string& path) {
  const std::string key = KeyOf(path);
  const std::string parent = ParentOf(key);
  if (!parent.empty() && !Find(parent)) AddFolder(parent);
  entries_[key] = NewNode(FileKind::kFolder, kFolderMode);
}

void MemoryFileSystem::AddFile(const std::string& path, const std::string& content, uint32_t mode) {
  const std::string key = KeyOf(path);
  const std::string parent = ParentOf(key);
  if (!parent.empty() && !Find(parent)) AddFolder(parent);
  std::shared_ptr<Node> file = NewNode(FileKind::kFile, mode);
  file->bytes = content;
  entries_[key] = file;
}

bool MemoryFileSystem::HasFolder(const std::string& path) const {
  const std::shared_ptr<Node> node = Find(KeyOf(path));
  return node && node->kind == FileKind::kFolder;
}

bool MemoryFileSystem::HasFile(const std::string& path) const {
  const std::shared_ptr<Node> node = Find(KeyOf(path));
  return node && node->kind == FileKind::kFile;
}

std::string MemoryFileSystem::Content(const std::string& path) const {
  const std::shared_ptr<Node> node = Find(KeyOf(path));
  return node ? node->bytes : std::string();
}

IoResult<int> MemoryFileSystem::Open(const char* path, OpenMode mode) {
  const std::string key = KeyOf(path);
  std::shared_ptr<Node> node = Find(key);
  if (node && node->kind == FileKind::kFolder) return Error(EISDIR);  // no folder is opened
  const bool creates = mode == OpenMode::kCreateTruncate || mode == OpenMode::kCreate;
  const bool writing = mode != OpenMode::kRead;
  if (!node) {
    if (!creates) return Error(ENOENT);
    if (IoStatus folder = CheckFolderOf(key); !folder) return folder.error();
    node = NewNode(FileKind::kFile, 0644);
    entries_[key] = node;
  } else if (writing && !Writable(node->mode)) {
    return Error(EACCES);  // the read-only attribute stops every writer
  }
  if (mode == OpenMode::kCreateTruncate) node->bytes.clear();
  Handle handle;
  handle.node = node;
  handle.append = mode == OpenMode::kAppend;
  handle.canRead = mode == OpenMode::kRead || mode == OpenMode::kReadWrite;
  handle.canWrite = writing;
  handles_[nextFd_] = handle;
  return nextFd_++;
}

IoResult<size_t> MemoryFileSystem::Read(int fd, void* buffer, size_t count) {
  Handle* handle = HandleOf(fd);
  if (!handle || !handle->canRead) return Error(EBADF);
  const std::string& bytes = handle->node->bytes;
  const int64_t left = static_cast<int64_t>(bytes.size()) - handle->position;
  const size_t n = left <= 0 ? 0 : std::min(count, static_cast<size_t>(left));
  if (n > 0) std::memcpy(buffer, bytes.data() + handle->position, n);
  handle->position += static_cast<int64_t>(n);
  return n;
}

IoResult<size_t> MemoryFileSystem::Write(int fd, const void* buffer, size_t count) {
  Handle* handle = HandleOf(fd);
  if (!handle || !handle->canWrite) return Error(EBADF);
  std::string& bytes = handle->node->bytes;
  if (handle->append) handle->position = static_cast<int64_t>(bytes.size());
  const size_t end = static_cast<size_t>(handle->position) + count;
  if (bytes.size() < end) bytes.resize(end);
  if (count > 0) std::memcpy(bytes.data() + handle->position, buffer, count);
  handle->position += static_cast<int64_t>(count);
  return count;
}

IoResult<int64_t> MemoryFileSystem::Seek(int fd, int64_t offset, int whence) {
  Handle* handle = HandleOf(fd);
  if (!handle) return Error(EBADF);
  int64_t base = 0;
  if (whence == SEEK_CUR) base = handle->position;
  if (whence == SEEK_END) base = static_cast<int64_t>(handle->node->bytes.size());
  if (base + offset < 0) return Error(EINVAL);
  handle->position = base + offset;
  return handle->position;
}

IoStatus MemoryFileSystem::Truncate(int fd, int64_t length) {
  Handle* handle = HandleOf(fd);
  if (!handle || !handle->canWrite || length < 0) return Error(EINVAL);
  handle->node->bytes.resize(static_cast<size_t>(length));
  return {};
}

IoStatus MemoryFileSystem::Sync(int fd) {
  if (!HandleOf(fd)) return Error(EBADF);
  return {};
}

IoStatus MemoryFileSystem::Close(int fd) {
  Handle* handle = HandleOf(fd);
  if (!handle) return Error(EBADF);
  if (handle->node->lockedBy == fd) handle->node->lockedBy = -1;
  handles_.erase(fd);
  return {};
}

FileInfo MemoryFileSystem::InfoOf(const Node& node) {
  FileInfo info;
  info.kind = node.kind;
  info.size = node.kind == FileKind::kFile ? static_cast<int64_t>(node.bytes.size()) : 0;
  info.mode = node.mode;
  info.uid = node.uid;
  info.gid = node.gid;
  info.device = kDevice;
  info.inode = node.inode;
  info.links = 1;
  return info;
}

IoResult<FileInfo> MemoryFileSystem::StatFd(int fd) {
  Handle* handle = HandleOf(fd);
  if (!handle) return Error(EBADF);
  return InfoOf(*handle->node);
}

IoResult<FileInfo> MemoryFileSystem::Stat(const char* path) {
  const std::shared_ptr<Node> node = Find(KeyOf(path));
  if (!node) return Error(ENOENT);
  return InfoOf(*node);
}

IoStatus MemoryFileSystem::MakeFolder(const char* path) {
  const std::string key = KeyOf(path);
  if (Find(key)) return Error(EEXIST);
  if (IoStatus folder = CheckFolderOf(key); !folder) return folder;
  entries_[key] = NewNode(FileKind::kFolder, kFolderMode);
  return {};
}

IoStatus MemoryFileSystem::Remove(const char* path) {
  const std::string key = KeyOf(path);
  const std::shared_ptr<Node> node = Find(key);
  if (!node) return Error(ENOENT);
  if (node->kind == FileKind::kFolder) return Error(EISDIR);
  if (IoStatus folder = CheckFolderOf(key); !folder) return folder;
  entries_.erase(key);
  return {};
}

IoStatus MemoryFileSystem::Rename(const char* from, const char* to) {
  const std::string fromKey = KeyOf(from);
  const std::string toKey = KeyOf(to);
  const std::shared_ptr<Node> node = Find(fromKey);
  if (!node) return Error(ENOENT);
  if (node->kind != FileKind::kFile) return Error(EISDIR);  // files only
  const std::shared_ptr<Node> target = Find(toKey);
  if (target && target->kind == FileKind::kFolder) return Error(EISDIR);
  if (IoStatus folder = CheckFolderOf(fromKey); !folder) return folder;
  if (IoStatus folder = CheckFolderOf(toKey); !folder) return folder;
  entries_.erase(fromKey);
  entries_[toKey] = node;
  return {};
}

IoStatus MemoryFileSystem::SetMode(const char* path, uint32_t mode) {
  const std::shared_ptr<Node> node = Find(KeyOf(path));
  if (!node) return Error(ENOENT);
  node->mode = mode & 07777;
  return {};
}

IoStatus MemoryFileSystem::SetOwner(const char* path, uint32_t uid, uint32_t gid) {
  const std::shared_ptr<Node> node = Find(KeyOf(path));
  if (!node) return Error(ENOENT);
  node->uid = uid;
  node->gid = gid;
  return {};
}

IoResult<std::string> MemoryFileSystem::MakeUnique(const std::string& folder, const char* prefix,
                                                   FileKind kind, uint32_t mode) {
  const std::string made = UniqueName(folder, prefix);
  if (IoStatus parent = CheckFolderOf(KeyOf(made)); !parent) return parent.error();
  entries_[KeyOf(made)] = NewNode(kind, mode);
  return made;
}

IoResult<std::string> MemoryFileSystem::MakeTempFile(const std::string& folder,
                                                     const char* prefix) {
  return MakeUnique(folder, prefix, FileKind::kFile, kTempFileMode);
}

IoStatus MemoryFileSystem::SyncFolder(const char* path) {
  if (!HasFolder(path)) return Error(ENOENT);
  return {};
}

IoStatus MemoryFileSystem::SetModeFd(int fd, uint32_t mode) {
  Handle* handle = HandleOf(fd);
  if (!handle) return Error(EBADF);
  handle->node->mode = mode & 07777;
  return {};
}

IoStatus MemoryFileSystem::SetOwnerFd(int fd, uint32_t uid, uint32_t gid) {
  Handle* handle = HandleOf(fd);
  if (!handle) return Error(EBADF);
  handle->node->uid = uid;
  handle->node->gid = gid;
  return {};
}

IoStatus MemoryFileSystem::LockFd(int fd) {
  Handle* handle = HandleOf(fd);
  if (!handle) return Error(EBADF);
  int& holder = handle->node->lockedBy;
  if (holder != -1 && holder != fd) return Error(EWOULDBLOCK);
  holder = fd;
  return {};
}

IoResult<std::string> MemoryFileSystem::MakePrivateFolder(const std::string& parent,
                                                          const char* prefix) {
  return MakeUnique(parent, prefix, FileKind::kFolder, kPrivateMode);
}

IoStatus MemoryFileSystem::RemoveFolder(const char* path) {
  const std::string key = KeyOf(path);
  const std::shared_ptr<Node> node = Find(key);
  if (!node) return Error(ENOENT);
  if (node->kind != FileKind::kFolder) return Error(ENOTDIR);
  for (const auto& [other, entry] : entries_) {
    if (other != key && ParentOf(other) == key) return Error(ENOTEMPTY);
  }
  if (IoStatus folder = CheckFolderOf(key); !folder) return folder;
  entries_.erase(key);
  return {};
}

}  // namespace tolvo::platform
