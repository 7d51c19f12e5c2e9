// The one way to the file system. Every file operation of the engine goes through a FileSystem,
// so tests can hand the code a layer that fails its Nth call or makes a write short.
// RealFileSystem() is the operating system itself; it holds no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tolvo/platform/io_result.h"

namespace tolvo::platform {

enum class OpenMode {
  kRead,            // existing file, reading
  kReadWrite,       // existing file, reading and writing, no creation
  kCreateTruncate,  // create or truncate, writing
  kAppend,          // existing file, writing at the end
  kCreate,          // create when missing, writing, nothing truncated
};
// Every open is non-blocking, so a FIFO or a device never holds the caller in open(); callers
// that work on files refuse whatever StatFd does not call a kFile.

enum class FileKind { kFile, kFolder, kOther, kLink };  // kLink: LinkStat only

struct FileInfo {
  FileKind kind = FileKind::kOther;
  int64_t size = 0;
  uint32_t mode = 0;  // permission bits
  uint32_t uid = 0;
  uint32_t gid = 0;
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t links = 0;  // hard links

  // The read-only attribute of this platform: the owner's write bit is clear. It holds for root
  // too, who may write anything.
  bool IsReadOnly() const { return (mode & kOwnerWrite) == 0; }
  static constexpr uint32_t kOwnerWrite = 0200;
};

// The answer names a regular file, or a folder.
inline bool IsRegularFile(const IoResult<FileInfo>& info) {
  return info && info->kind == FileKind::kFile;
}
inline bool IsFolder(const IoResult<FileInfo>& info) {
  return info && info->kind == FileKind::kFolder;
}

// Both name one existing file (device and inode).
inline bool SameFile(const IoResult<FileInfo>& a, const IoResult<FileInfo>& b) {
  return a && b && a->device == b->device && a->inode == b->inode;
}

// Every call answers an IoResult: the value (a descriptor, a byte count, a position, a file's
// facts, a path) or the error with its kind.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Descriptor-level calls.
  virtual IoResult<int> Open(const char* path, OpenMode mode) = 0;
  virtual IoResult<size_t> Read(int fd, void* buffer, size_t count) = 0;
  virtual IoResult<size_t> Write(int fd, const void* buffer, size_t count) = 0;
  virtual IoResult<int64_t> Seek(int fd, int64_t offset, int whence) = 0;  // SEEK_SET/CUR/END
  virtual IoStatus Truncate(int fd, int64_t length) = 0;
  virtual IoStatus Sync(int fd) = 0;
  virtual IoStatus Close(int fd) = 0;
  virtual IoResult<FileInfo> StatFd(int fd) = 0;

  // Path-level calls.
  virtual IoResult<FileInfo> Stat(const char* path) = 0;
  virtual IoStatus MakeFolder(const char* path) = 0;
  virtual IoStatus Remove(const char* path) = 0;
  virtual IoStatus Rename(const char* from, const char* to) = 0;
  virtual IoStatus SetMode(const char* path, uint32_t mode) = 0;
  virtual IoStatus SetOwner(const char* path, uint32_t uid, uint32_t gid) = 0;
  // Creates an empty, uniquely named file "<folder>/<prefix>XXXXXX" (folder without trailing
  // '/') and answers its path.
  virtual IoResult<std::string> MakeTempFile(const std::string& folder, const char* prefix) = 0;
  virtual IoStatus SyncFolder(const char* path) = 0;
  // The absolute path with every symbolic link resolved. Layers that know no links answer with
  // the path as given.
  virtual IoResult<std::string> ResolvePath(const char* path) {
    return std::string(path ? path : "");
  }

  // The name itself, not what a symbolic link at it points to (kind kLink for a link).
  virtual IoResult<FileInfo> LinkStat(const char* path) { return Stat(path); }
  virtual IoStatus SetModeFd(int fd, uint32_t mode) = 0;
  virtual IoStatus SetOwnerFd(int fd, uint32_t uid, uint32_t gid) = 0;
  // An exclusive advisory lock on the open file, held until the descriptor closes; kBusy at once
  // when another descriptor holds it. Layers without locks always grant it.
  virtual IoStatus LockFd(int fd) {
    (void)fd;
    return {};
  }
  // Creates "<folder>/<prefix>XXXXXX" exclusively (never an existing name, never through a link),
  // open for reading and writing.
  struct CreatedFile {
    int fd = -1;
    std::string path;
  };
  virtual IoResult<CreatedFile> CreateTempFile(const std::string& folder, const char* prefix) {
    IoResult<std::string> made = MakeTempFile(folder, prefix);
    if (!made) return made.error();
    IoResult<int> fd = Open(made->c_str(), OpenMode::kReadWrite);
    if (!fd) return fd.error();
    return CreatedFile{*fd, *made};
  }
  // Creates "<parent>/<prefix>XXXXXX", a folder only this user may enter (0700), proves it is the
  // caller's own before answering, and answers its path.
  virtual IoResult<std::string> MakePrivateFolder(const std::string& parent,
                                                  const char* prefix) = 0;
  virtual IoStatus RemoveFolder(const char* path) = 0;
  // Removes, from the folder, what processes of this user that no longer run left behind:
  // entries "tolvo-<pid>-..." (files, or private folders with their files) and converted copies
  // "<convertedPrefix>-<pid>.wav" whose process is gone and whose owner is the caller. Nothing is
  // followed through a link; a process id that is in use again keeps its entries. Layers that no
  // other process shares have nothing to remove.
  virtual IoStatus RemoveDeadLeftovers(const std::string& folder, const char* convertedPrefix) {
    (void)folder, (void)convertedPrefix;
    return {};
  }
};

// The operating system's file system.
FileSystem& RealFileSystem();

// The effective user id of the caller.
uint32_t CallerUserId();

// The platform's temporary folder with a trailing separator ($TMPDIR when it is a folder, else
// /tmp/).
std::string SystemTempFolder();

// The prefix of every temporary name this process makes: "tolvo-<process id>-".
std::string ProcessTempPrefix();

// An open file descriptor with one owner. Closes on destruction.
class File {
 public:
  File() = default;
  File(FileSystem& fs, int fd) : fs_(&fs), fd_(fd) {}
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept : fs_(other.fs_), fd_(other.fd_) { other.fd_ = -1; }
  File& operator=(File&& other) noexcept;
  ~File() { Close(); }

  // An unopened File when the open fails; *error then says why.
  static File Open(FileSystem& fs, const char* path, OpenMode mode, IoError* error = nullptr);

  bool IsOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  // Reads until count bytes or the end; returns the bytes read, -1 on an error (also after part
  // of the bytes came).
  int64_t ReadFull(void* buffer, size_t count);
  // Writes all bytes; returns the bytes written (fewer on a short write or error).
  int64_t WriteFull(const void* buffer, size_t count);
  bool SeekTo(int64_t offset);
  bool SeekFromEnd(int64_t offset);
  int64_t Size();
  bool Truncate(int64_t length);
  bool Sync();
  IoResult<FileInfo> Info() const;
  // Closes now; false when the close reported an error (for writers, a lost write).
  bool Close();

 private:
  FileSystem* fs_ = nullptr;
  int fd_ = -1;
};

}  // namespace tolvo::platform
