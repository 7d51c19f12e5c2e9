// POSIX implementation of the file layer. The only place the engine's file work meets <unistd.h>.
#include "tolvo/platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "folder_handle.h"
#include "tolvo/platform/system_error.h"

namespace tolvo::platform {
namespace {

int OpenFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::kRead:
      return O_RDONLY;
    case OpenMode::kReadWrite:
      return O_RDWR;
    case OpenMode::kCreateTruncate:
      return O_WRONLY | O_CREAT | O_TRUNC;
    case OpenMode::kAppend:
      return O_WRONLY | O_APPEND;
    case OpenMode::kCreate:
      return O_WRONLY | O_CREAT;
  }
  return O_RDONLY;
}

FileInfo InfoFrom(const struct stat& st) {
  FileInfo info;
  if (S_ISREG(st.st_mode))
    info.kind = FileKind::kFile;
  else if (S_ISDIR(st.st_mode))
    info.kind = FileKind::kFolder;
  else if (S_ISLNK(st.st_mode))
    info.kind = FileKind::kLink;
  else
    info.kind = FileKind::kOther;
  info.size = st.st_size;
  info.mode = st.st_mode & 07777;
  info.uid = st.st_uid;
  info.gid = st.st_gid;
  info.device = st.st_dev;
  info.inode = st.st_ino;
  info.links = st.st_nlink;
  return info;
}

// The error of the call that just failed.
IoError LastError() { return ErrorFromNumber(errno); }

IoStatus StatusOf(int rc) {
  if (rc == 0) return {};
  return LastError();
}

IoResult<FileInfo> InfoOf(int rc, const struct stat& st) {
  if (rc != 0) return LastError();
  return InfoFrom(st);
}

// "<folder>/<prefix>XXXXXX" as a writable, terminated template for mkstemp and mkdtemp.
std::vector<char> NameTemplate(const std::string& folder, const char* prefix) {
  const std::string pattern = folder + "/" + prefix + "XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  return buffer;
}

IoStatus RemoveDeadLeftoversIn(const std::string& folder, const char* convertedPrefix);

class PosixFileSystem final : public FileSystem {
 public:
  IoResult<int> Open(const char* path, OpenMode mode) override {
    for (;;) {
      int fd = ::open(path, OpenFlags(mode) | O_CLOEXEC | O_NONBLOCK, 0666);
      if (fd >= 0) return fd;
      if (errno != EINTR) return LastError();
    }
  }
  IoResult<size_t> Read(int fd, void* buffer, size_t count) override {
    for (;;) {
      ssize_t n = ::read(fd, buffer, count);
      if (n >= 0) return static_cast<size_t>(n);
      if (errno != EINTR) return LastError();
    }
  }
  IoResult<size_t> Write(int fd, const void* buffer, size_t count) override {
    for (;;) {
      ssize_t n = ::write(fd, buffer, count);
      if (n >= 0) return static_cast<size_t>(n);
      if (errno != EINTR) return LastError();
    }
  }
  IoResult<int64_t> Seek(int fd, int64_t offset, int whence) override {
    off_t r = ::lseek(fd, offset, whence);
    if (r < 0) return LastError();
    return static_cast<int64_t>(r);
  }
  IoStatus Truncate(int fd, int64_t length) override { return StatusOf(::ftruncate(fd, length)); }
  IoStatus Sync(int fd) override { return StatusOf(::fsync(fd)); }
  IoStatus Close(int fd) override { return StatusOf(::close(fd)); }  // never retried
  IoResult<FileInfo> StatFd(int fd) override {
    struct stat st;
    const int rc = ::fstat(fd, &st);
    return InfoOf(rc, st);
  }
  IoResult<FileInfo> Stat(const char* path) override {
    struct stat st;
    const int rc = ::stat(path, &st);
    return InfoOf(rc, st);
  }
  IoStatus MakeFolder(const char* path) override { return StatusOf(::mkdir(path, 0777)); }
  IoStatus Remove(const char* path) override { return StatusOf(::unlink(path)); }
  IoStatus Rename(const char* from, const char* to) override {
    return StatusOf(::rename(from, to));
  }
  IoStatus SetMode(const char* path, uint32_t mode) override {
    return StatusOf(::chmod(path, mode));
  }
  IoStatus SetOwner(const char* path, uint32_t uid, uint32_t gid) override {
    return StatusOf(::chown(path, uid, gid));
  }
  IoResult<std::string> MakeTempFile(const std::string& folder, const char* prefix) override {
    IoResult<CreatedFile> made = CreateTempFile(folder, prefix);
    if (!made) return made.error();
    ::close(made->fd);
    return std::move(made->path);
  }
  IoResult<FileInfo> LinkStat(const char* path) override {
    struct stat st;
    const int rc = ::lstat(path, &st);
    return InfoOf(rc, st);
  }
  IoStatus SetModeFd(int fd, uint32_t mode) override { return StatusOf(::fchmod(fd, mode)); }
  IoStatus SetOwnerFd(int fd, uint32_t uid, uint32_t gid) override {
    return StatusOf(::fchown(fd, uid, gid));
  }
  IoStatus LockFd(int fd) override {
    for (;;) {
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return {};
      if (errno != EINTR) return LastError();
    }
  }
  IoResult<CreatedFile> CreateTempFile(const std::string& folder, const char* prefix) override {
    std::vector<char> name = NameTemplate(folder, prefix);
    // mkostemp creates with O_EXCL: an existing name or a planted link is never opened.
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return LastError();
    return CreatedFile{fd, name.data()};
  }
  IoResult<std::string> MakePrivateFolder(const std::string& parent, const char* prefix) override {
    std::vector<char> name = NameTemplate(parent, prefix);
    if (!::mkdtemp(name.data())) return LastError();
    // mkdtemp made it 0700; the name is proven to be that folder and this user's before use.
    struct stat st;
    if (::lstat(name.data(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 077) != 0) {
      return ErrorFromNumber(EEXIST);
    }
    return std::string(name.data());
  }
  IoStatus RemoveFolder(const char* path) override { return StatusOf(::rmdir(path)); }
  IoResult<std::string> ResolvePath(const char* path) override {
    char* resolved = ::realpath(path, nullptr);
    if (!resolved) return LastError();
    std::string result = resolved;
    std::free(resolved);
    return result;
  }
  IoStatus RemoveDeadLeftovers(const std::string& folder, const char* convertedPrefix) override {
    return RemoveDeadLeftoversIn(folder, convertedPrefix);
  }
  IoStatus SyncFolder(const char* path) override {
    int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return LastError();
    IoStatus status = StatusOf(::fsync(fd));
    ::close(fd);
    return status;
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static PosixFileSystem fs;  // stateless
  return fs;
}

std::string SystemTempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = "/tmp/";
  if (dir && *dir) {
    struct stat st;
    if (::stat(dir, &st) == 0 && S_ISDIR(st.st_mode)) {
      folder = dir;
      // A relative folder is made absolute, as the callers' path rules accept only absolute
      // paths; without the current folder /tmp stays.
      if (folder.front() != '/') {
        std::vector<char> cwd(PATH_MAX);
        folder =
            ::getcwd(cwd.data(), cwd.size()) ? std::string(cwd.data()) + "/" + folder : "/tmp/";
      }
      if (folder.back() != '/') folder += '/';
    }
  }
  return folder;
}

uint32_t CallerUserId() { return ::geteuid(); }

std::string ProcessTempPrefix() { return "tolvo-" + std::to_string(::getpid()) + "-"; }

namespace {

// The process id a leftover name carries between prefix and suffix, where a suffix of 'X's stands
// for as many characters of any kind (mkstemp's); 0 when the name does not have exactly that form.
pid_t PidInName(std::string_view name, std::string_view prefix, std::string_view suffix) {
  if (name.substr(0, prefix.size()) != prefix) return 0;
  name.remove_prefix(prefix.size());
  pid_t pid = 0;
  auto [rest, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
  if (error != std::errc() || rest == name.data() || pid <= 0) return 0;
  const std::string_view tail(rest, static_cast<size_t>(name.data() + name.size() - rest));
  if (tail.size() != suffix.size()) return 0;
  for (size_t i = 0; i < tail.size(); ++i) {
    if (suffix[i] != 'X' && suffix[i] != tail[i]) return 0;
  }
  return pid;
}

bool ProcessIsGone(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

IoStatus RemoveDeadLeftoversIn(const std::string& folder, const char* convertedPrefix) {
  const DirHandle handle = OpenFolderAt(AT_FDCWD, folder.c_str(), true);
  if (!handle) return LastError();
  DIR* dir = handle.get();
  const std::string converted = std::string(convertedPrefix) + "-";
  const uid_t self = ::geteuid();
  while (dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    pid_t pid = PidInName(name, "tolvo-", "-XXXXXX");
    if (pid == 0) pid = PidInName(name, converted, ".wav");
    if (pid == 0 || pid == ::getpid() || !ProcessIsGone(pid)) continue;
    struct stat st;
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || st.st_uid != self)
      continue;
    RemoveTreeAt(::dirfd(dir), entry->d_name);
  }
  return {};
}

}  // namespace

IoResult<FileInfo> File::Info() const {
  if (fd_ < 0) return ErrorFromNumber(EBADF);
  return fs_->StatFd(fd_);
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fs_ = other.fs_;
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

File File::Open(FileSystem& fs, const char* path, OpenMode mode, IoError* error) {
  IoResult<int> fd = fs.Open(path, mode);
  if (!fd) {
    if (error) *error = fd.error();
    return File();
  }
  if (error) *error = IoError{};
  return File(fs, *fd);
}

int64_t File::ReadFull(void* buffer, size_t count) {
  if (fd_ < 0) return -1;
  auto* bytes = static_cast<unsigned char*>(buffer);
  size_t done = 0;
  while (done < count) {
    IoResult<size_t> n = fs_->Read(fd_, bytes + done, count - done);
    if (!n) return -1;  // the bytes that came before are no whole answer either
    if (*n == 0) break;
    done += *n;
  }
  return static_cast<int64_t>(done);
}

int64_t File::WriteFull(const void* buffer, size_t count) {
  if (fd_ < 0) return 0;
  auto* bytes = static_cast<const unsigned char*>(buffer);
  size_t done = 0;
  while (done < count) {
    IoResult<size_t> n = fs_->Write(fd_, bytes + done, count - done);
    if (!n || *n == 0) break;  // error or no progress (a full disk)
    done += *n;
  }
  return static_cast<int64_t>(done);
}

bool File::SeekTo(int64_t offset) {
  return fd_ >= 0 && static_cast<bool>(fs_->Seek(fd_, offset, SEEK_SET));
}
bool File::SeekFromEnd(int64_t offset) {
  return fd_ >= 0 && static_cast<bool>(fs_->Seek(fd_, offset, SEEK_END));
}
int64_t File::Size() {
  if (fd_ < 0) return -1;
  IoResult<FileInfo> info = fs_->StatFd(fd_);
  return info ? info->size : -1;
}
bool File::Truncate(int64_t length) {
  return fd_ >= 0 && static_cast<bool>(fs_->Truncate(fd_, length));
}
bool File::Sync() { return fd_ >= 0 && static_cast<bool>(fs_->Sync(fd_)); }
bool File::Close() {
  if (fd_ < 0) return true;
  int fd = fd_;
  fd_ = -1;
  return static_cast<bool>(fs_->Close(fd));
}

}  // namespace tolvo::platform
