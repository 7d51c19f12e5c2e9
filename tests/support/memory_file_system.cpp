// The Windows-style in-memory file system of the tests: a map from folded path to entry, and a
// table of open handles. Errors are the errno values the real layer would give.
#include "memory_file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tolvo::test {

using platform::FileInfo;
using platform::FileKind;
using platform::IoStatus;
using platform::OpenMode;

MemoryFileSystem::MemoryFileSystem() { AddFolder("C:\\"); }

// Letters folded to lower case; trailing backslashes dropped except the root's ("c:\").
std::string MemoryFileSystem::KeyOf(const std::string& path) {
  std::string key = path;
  std::transform(key.begin(), key.end(), key.begin(), [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  });
  while (key.size() > 3 && key.back() == '\\') key.pop_back();
  if (key.size() == 2 && key[1] == ':') key += '\\';
  return key;
}

std::string MemoryFileSystem::ParentOf(const std::string& key) {
  size_t last = key.rfind('\\');
  if (last == std::string::npos || key.size() <= 3) return "";
  if (last == 2 && key[1] == ':') return key.substr(0, 3);
  if (last < 2) return "";  // "\\server" has no parent
  return key.substr(0, last);
}

const MemoryFileSystem::Node* MemoryFileSystem::Find(const std::string& key) const {
  auto it = nodes_.find(key);
  return it == nodes_.end() ? nullptr : &it->second;
}

MemoryFileSystem::Node* MemoryFileSystem::Find(const std::string& key) {
  auto it = nodes_.find(key);
  return it == nodes_.end() ? nullptr : &it->second;
}

bool MemoryFileSystem::CanCreateIn(const std::string& key) const {
  const Node* parent = Find(ParentOf(key));
  return parent && parent->kind == FileKind::kFolder && parent->writable;
}

FileInfo MemoryFileSystem::InfoOf(const Node& node) const {
  FileInfo info;
  info.kind = node.kind;
  info.size = node.kind == FileKind::kFile ? static_cast<int64_t>(node.bytes.size()) : 0;
  info.mode = node.mode;
  return info;
}

void MemoryFileSystem::AddFolder(const std::string& path) {
  std::string key = KeyOf(path);
  std::string parent = ParentOf(key);
  if (!parent.empty() && !Find(parent)) AddFolder(parent);
  Node folder;
  folder.kind = FileKind::kFolder;
  folder.mode = 0755;
  nodes_[key] = folder;
}

void MemoryFileSystem::AddFile(const std::string& path, const std::string& content, uint32_t mode) {
  std::string key = KeyOf(path);
  std::string parent = ParentOf(key);
  if (!parent.empty() && !Find(parent)) AddFolder(parent);
  Node file;
  file.bytes = content;
  file.mode = mode;
  nodes_[key] = file;
}

void MemoryFileSystem::SetFolderWritable(const std::string& path, bool writable) {
  if (Node* node = Find(KeyOf(path))) node->writable = writable;
}

bool MemoryFileSystem::HasFolder(const std::string& path) const {
  const Node* node = Find(KeyOf(path));
  return node && node->kind == FileKind::kFolder;
}

bool MemoryFileSystem::HasFile(const std::string& path) const {
  const Node* node = Find(KeyOf(path));
  return node && node->kind == FileKind::kFile;
}

std::string MemoryFileSystem::Content(const std::string& path) const {
  const Node* node = Find(KeyOf(path));
  return node ? node->bytes : std::string();
}

int MemoryFileSystem::Open(const char* path, OpenMode mode) {
  std::string key = KeyOf(path);
  Node* node = Find(key);
  if (node && node->kind == FileKind::kFolder) return -EISDIR;  // as Windows refuses a folder
  const bool writing = mode != OpenMode::kRead;
  if (!node) {
    if (mode != OpenMode::kCreateTruncate) return -ENOENT;
    if (!CanCreateIn(key)) return -EACCES;
    nodes_[key] = Node{};
    node = Find(key);
  } else if (writing && (node->mode & 0200) == 0) {
    return -EACCES;  // the read-only attribute stops every writer
  }
  if (mode == OpenMode::kCreateTruncate) node->bytes.clear();
  Handle handle;
  handle.key = key;
  handle.append = mode == OpenMode::kAppend;
  handle.canWrite = writing;
  handles_[nextFd_] = handle;
  return nextFd_++;
}

int64_t MemoryFileSystem::Read(int fd, void* buffer, size_t count) {
  auto it = handles_.find(fd);
  if (it == handles_.end()) return -EBADF;
  Node* node = Find(it->second.key);
  if (!node) return -EIO;
  int64_t size = static_cast<int64_t>(node->bytes.size());
  int64_t n = std::max<int64_t>(
      0, std::min<int64_t>(static_cast<int64_t>(count), size - it->second.position));
  if (n > 0) std::memcpy(buffer, node->bytes.data() + it->second.position, static_cast<size_t>(n));
  it->second.position += n;
  return n;
}

int64_t MemoryFileSystem::Write(int fd, const void* buffer, size_t count) {
  auto it = handles_.find(fd);
  if (it == handles_.end() || !it->second.canWrite) return -EBADF;
  Node* node = Find(it->second.key);
  if (!node) return -EIO;
  int64_t n = static_cast<int64_t>(count);
  if (writeLimit_ >= 0) n = std::min(n, writeLimit_);
  if (n == 0 && count > 0) return -ENOSPC;
  if (writeLimit_ >= 0) writeLimit_ -= n;
  Handle& handle = it->second;
  if (handle.append) handle.position = static_cast<int64_t>(node->bytes.size());
  size_t end = static_cast<size_t>(handle.position + n);
  if (node->bytes.size() < end) node->bytes.resize(end);
  std::memcpy(node->bytes.data() + handle.position, buffer, static_cast<size_t>(n));
  handle.position += n;
  return n;
}

int64_t MemoryFileSystem::Seek(int fd, int64_t offset, int whence) {
  auto it = handles_.find(fd);
  if (it == handles_.end()) return -EBADF;
  const Node* node = Find(it->second.key);
  int64_t base = 0;
  if (whence == SEEK_CUR) base = it->second.position;
  if (whence == SEEK_END) base = node ? static_cast<int64_t>(node->bytes.size()) : 0;
  if (base + offset < 0) return -EINVAL;
  it->second.position = base + offset;
  return it->second.position;
}

IoStatus MemoryFileSystem::Truncate(int fd, int64_t length) {
  auto it = handles_.find(fd);
  if (it == handles_.end() || !it->second.canWrite || length < 0) return IoStatus{EINVAL};
  Node* node = Find(it->second.key);
  if (!node) return IoStatus{EIO};
  node->bytes.resize(static_cast<size_t>(length));
  return IoStatus{};
}

IoStatus MemoryFileSystem::Sync(int fd) { return IoStatus{handles_.count(fd) ? 0 : EBADF}; }

IoStatus MemoryFileSystem::Close(int fd) { return IoStatus{handles_.erase(fd) ? 0 : EBADF}; }

FileInfo MemoryFileSystem::StatFd(int fd) {
  auto it = handles_.find(fd);
  const Node* node = it == handles_.end() ? nullptr : Find(it->second.key);
  return node ? InfoOf(*node) : FileInfo{};
}

FileInfo MemoryFileSystem::Stat(const char* path) {
  const Node* node = Find(KeyOf(path));
  return node ? InfoOf(*node) : FileInfo{};
}

IoStatus MemoryFileSystem::MakeFolder(const char* path) {
  makeFolderRequests_.push_back(path);
  std::string key = KeyOf(path);
  if (Find(key)) return IoStatus{EEXIST};
  if (!CanCreateIn(key)) return IoStatus{Find(ParentOf(key)) ? EACCES : ENOENT};
  Node folder;
  folder.kind = FileKind::kFolder;
  folder.mode = 0755;
  nodes_[key] = folder;
  return IoStatus{};
}

IoStatus MemoryFileSystem::Remove(const char* path) {
  std::string key = KeyOf(path);
  const Node* node = Find(key);
  if (!node) return IoStatus{ENOENT};
  if (node->kind == FileKind::kFolder) return IoStatus{EISDIR};
  nodes_.erase(key);
  return IoStatus{};
}

IoStatus MemoryFileSystem::Rename(const char* from, const char* to) {
  std::string fromKey = KeyOf(from);
  std::string toKey = KeyOf(to);
  const Node* node = Find(fromKey);
  if (!node || node->kind != FileKind::kFile) return IoStatus{ENOENT};
  if (!CanCreateIn(toKey)) return IoStatus{EACCES};
  Node moved = *node;
  nodes_.erase(fromKey);
  nodes_[toKey] = moved;
  return IoStatus{};
}

IoStatus MemoryFileSystem::SetMode(const char* path, uint32_t mode) {
  Node* node = Find(KeyOf(path));
  if (!node) return IoStatus{ENOENT};
  node->mode = mode & 07777;
  return IoStatus{};
}

IoStatus MemoryFileSystem::SetOwner(const char* path, uint32_t, uint32_t) {
  return IoStatus{Find(KeyOf(path)) ? 0 : ENOENT};
}

IoStatus MemoryFileSystem::MakeTempFile(const std::string& folder, const char* prefix,
                                        std::string* path) {
  const Node* parent = Find(KeyOf(folder));
  if (!parent || parent->kind != FileKind::kFolder) return IoStatus{ENOENT};
  if (!parent->writable) return IoStatus{EACCES};
  char unique[16];
  std::snprintf(unique, sizeof unique, "%06d", ++tempCounter_);
  std::string made = folder;
  if (made.empty() || made.back() != '\\') made += '\\';
  made += std::string(prefix) + unique;
  nodes_[KeyOf(made)] = Node{};
  *path = made;
  return IoStatus{};
}

IoStatus MemoryFileSystem::SyncFolder(const char* path) {
  return IoStatus{HasFolder(path) ? 0 : ENOENT};
}

}  // namespace tolvo::test
