// The one way to the file system. Every file operation of the engine goes through a FileSystem,
// so tests can hand the code a layer that fails its Nth call or makes a write short.
// RealFileSystem() is the operating system itself; it holds no state.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tolvo::platform {

// errno of a failed call; 0 means success.
struct IoStatus {
  int error = 0;
  explicit operator bool() const { return error == 0; }
};

enum class OpenMode {
  kRead,            // existing file, reading
  kReadWrite,       // existing file, reading and writing, no creation
  kCreateTruncate,  // create or truncate, writing
  kAppend,          // existing file, writing at the end
  kCreate,          // create when missing, writing, nothing truncated
};
// Every open is non-blocking, so a FIFO or a device never holds the caller in open(); callers
// that work on files refuse whatever StatFd does not call a kFile.

enum class FileKind { kMissing, kFile, kFolder, kOther, kLink };  // kLink: LinkStat only

struct FileInfo {
  FileKind kind = FileKind::kMissing;
  int64_t size = 0;
  uint32_t mode = 0;  // permission bits
  uint32_t uid = 0;
  uint32_t gid = 0;
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t links = 0;  // hard links
};

// Both name one existing file (device and inode).
inline bool SameFile(const FileInfo& a, const FileInfo& b) {
  return a.kind != FileKind::kMissing && b.kind != FileKind::kMissing && a.device == b.device &&
         a.inode == b.inode;
}

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Descriptor-level calls; a negative result is -errno.
  virtual int Open(const char* path, OpenMode mode) = 0;
  virtual int64_t Read(int fd, void* buffer, size_t count) = 0;
  virtual int64_t Write(int fd, const void* buffer, size_t count) = 0;
  virtual int64_t Seek(int fd, int64_t offset, int whence) = 0;  // whence: SEEK_SET/CUR/END
  virtual IoStatus Truncate(int fd, int64_t length) = 0;
  virtual IoStatus Sync(int fd) = 0;
  virtual IoStatus Close(int fd) = 0;
  virtual FileInfo StatFd(int fd) = 0;

  // Path-level calls.
  virtual FileInfo Stat(const char* path) = 0;
  virtual IoStatus MakeFolder(const char* path) = 0;
  virtual IoStatus Remove(const char* path) = 0;
  virtual IoStatus Rename(const char* from, const char* to) = 0;
  virtual IoStatus SetMode(const char* path, uint32_t mode) = 0;
  virtual IoStatus SetOwner(const char* path, uint32_t uid, uint32_t gid) = 0;
  // Creates an empty, uniquely named file "<folder>/<prefix>XXXXXX" (folder without trailing '/').
  virtual IoStatus MakeTempFile(const std::string& folder, const char* prefix,
                                std::string* path) = 0;
  virtual IoStatus SyncFolder(const char* path) = 0;
  // The absolute path with every symbolic link resolved; empty when it cannot be told. Layers
  // that know no links answer with the path as given.
  virtual std::string ResolvePath(const char* path) { return path ? path : ""; }

  // The name itself, not what a symbolic link at it points to (kind kOther for a link).
  virtual FileInfo LinkStat(const char* path) { return Stat(path); }
  virtual IoStatus SetModeFd(int fd, uint32_t mode) {
    (void)fd, (void)mode;
    return IoStatus{ENOSYS};
  }
  virtual IoStatus SetOwnerFd(int fd, uint32_t uid, uint32_t gid) {
    (void)fd, (void)uid, (void)gid;
    return IoStatus{ENOSYS};
  }
  // An exclusive advisory lock on the open file, held until the descriptor closes; EWOULDBLOCK
  // at once when another descriptor holds it. Layers without locks always grant it.
  virtual IoStatus LockFd(int fd) {
    (void)fd;
    return IoStatus{};
  }
  // Creates "<folder>/<prefix>XXXXXX" exclusively (never an existing name, never through a link)
  // and returns its descriptor, open for reading and writing; a negative result is -errno.
  virtual int CreateTempFile(const std::string& folder, const char* prefix, std::string* path) {
    IoStatus made = MakeTempFile(folder, prefix, path);
    return made ? Open(path->c_str(), OpenMode::kReadWrite) : -made.error;
  }
  // Creates "<parent>/<prefix>XXXXXX", a folder only this user may enter (0700), and proves it is
  // the caller's own before answering.
  virtual IoStatus MakePrivateFolder(const std::string& parent, const char* prefix,
                                     std::string* path) {
    (void)parent, (void)prefix, (void)path;
    return IoStatus{ENOSYS};
  }
  virtual IoStatus RemoveFolder(const char* path) {
    (void)path;
    return IoStatus{ENOSYS};
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

// Removes, from the folder, what processes of this user that no longer run left behind:
// entries "tolvo-<pid>-..." (files, or private folders with their files) and converted copies
// "<convertedPrefix>-<pid>.wav" whose process is gone and whose owner is the caller. Nothing is
// followed through a link; a process id that is in use again keeps its entries.
void RemoveDeadLeftovers(const std::string& folder, const char* convertedPrefix);

// Removes a private folder made by MakePrivateFolder with the files in it (a program run there
// may have left its own temporary files).
void RemovePrivateFolder(const std::string& path);

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

  static File Open(FileSystem& fs, const char* path, OpenMode mode, int* error = nullptr);

  bool IsOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  // Reads until count bytes or the end; returns the bytes read, -1 on an error.
  int64_t ReadFull(void* buffer, size_t count);
  // Writes all bytes; returns the bytes written (fewer on a short write or error).
  int64_t WriteFull(const void* buffer, size_t count);
  bool SeekTo(int64_t offset);
  bool SeekFromEnd(int64_t offset);
  int64_t Size();
  bool Truncate(int64_t length);
  bool Sync();
  FileInfo Info() const;
  // Closes now; false when the close reported an error (for writers, a lost write).
  bool Close();

 private:
  FileSystem* fs_ = nullptr;
  int fd_ = -1;
};

}  // namespace tolvo::platform
