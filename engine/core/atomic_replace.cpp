// Replacement of a file by a finished temporary file: rename on the same file system, a flushed
// sibling copy and rename across file systems, and an in-place overwrite only as a last resort.
#include "core/atomic_replace.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "core/trace.h"
#include "tolvo/system_files.h"

namespace tolvo::engine {
namespace {

using platform::File;
using platform::FileInfo;
using platform::FileKind;
using platform::FileSystem;
using platform::OpenMode;

// Large enough that copying a big file costs few calls, small enough for any stack of callers.
constexpr size_t kReplaceCopyBlock = 256 * 1024;

bool IsPermissionError(int error) { return error == EACCES || error == EPERM; }

// Flushes a closed file's content to the disk.
bool SyncPath(FileSystem& fs, const std::string& path) {
  File file = File::Open(fs, path.c_str(), OpenMode::kRead);
  if (!file.IsOpen()) return false;
  bool synced = file.Sync();
  return file.Close() && synced;
}

// Gives a new file the target's mode, and its owner where this process may.
bool ApplyTargetIdentity(FileSystem& fs, const std::string& path, const FileInfo& targetInfo) {
  FileInfo info = fs.Stat(path.c_str());
  if (info.kind != FileKind::kFile) return false;
  if ((info.uid != targetInfo.uid || info.gid != targetInfo.gid) &&
      !fs.SetOwner(path.c_str(), targetInfo.uid, targetInfo.gid)) {
    Trace("replace: owner of %s not kept", path.c_str());  // an ordinary user may not chown
  }
  // After chown, since changing the owner clears set-id bits.
  return static_cast<bool>(fs.SetMode(path.c_str(), targetInfo.mode));
}

// Copies the whole of one file into another that is open for writing, then flushes and closes
// the destination. The destination ends exactly as long as the source.
bool CopyWholeFile(FileSystem& fs, const std::string& from, File& to) {
  File source = File::Open(fs, from.c_str(), OpenMode::kRead);
  if (!source.IsOpen()) return false;
  int64_t size = source.Size();
  if (size < 0) return false;
  std::vector<char> buffer(kReplaceCopyBlock);
  if (CopyBytes(source, to, size, buffer) != CopyResult::kDone) return false;
  if (!to.Truncate(size)) return false;
  bool synced = to.Sync();
  return to.Close() && synced;
}

bool RenameIntoPlace(FileSystem& fs, TemporaryFile& file, const std::string& target, int* error) {
  platform::IoStatus status = fs.Rename(file.path().c_str(), target.c_str());
  if (error) *error = status.error;
  if (!status) return false;
  file.Release();
  // The rename is done; a failed flush of the folder leaves the new name merely less durable.
  if (!fs.SyncFolder(FolderOf(target).c_str()))
    Trace("replace: folder of %s not flushed", target.c_str());
  return true;
}

// Last resort when the target's folder takes no new file: write the content over the target.
bool OverwriteInPlace(FileSystem& fs, const std::string& from, const std::string& target) {
  File destination = File::Open(fs, target.c_str(), OpenMode::kReadWrite);
  if (!destination.IsOpen()) return false;
  return CopyWholeFile(fs, from, destination);
}

// Across file systems: a complete sibling of the target, flushed, then renamed over it.
// *noSibling tells that the folder refused a new file for lack of permission.
bool ReplaceThroughSibling(FileSystem& fs, const std::string& from, const std::string& target,
                           const FileInfo& targetInfo, bool* noSibling) {
  *noSibling = false;
  std::string siblingPath;
  platform::IoStatus made = fs.MakeTempFile(FolderOf(target), kTempFilePrefix, &siblingPath);
  if (!made) {
    *noSibling = IsPermissionError(made.error);
    return false;
  }
  TemporaryFile sibling(fs, siblingPath);
  File destination = File::Open(fs, siblingPath.c_str(), OpenMode::kReadWrite);
  if (!destination.IsOpen()) return false;
  if (!CopyWholeFile(fs, from, destination)) return false;
  if (!ApplyTargetIdentity(fs, siblingPath, targetInfo)) return false;
  return RenameIntoPlace(fs, sibling, target, nullptr);
}

}  // namespace

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : fs_(other.fs_), path_(std::move(other.path_)) {
  other.path_.clear();
}

TemporaryFile& TemporaryFile::operator=(TemporaryFile&& other) noexcept {
  if (this != &other) {
    Delete();
    fs_ = other.fs_;
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

void TemporaryFile::Delete() {
  if (path_.empty() || !fs_) return;
  // A temporary file left behind is the one trace an operation must never leave, so a failed
  // removal is tried once more before giving up.
  for (int attempt = 0; attempt < 2; ++attempt) {
    platform::IoStatus status = fs_->Remove(path_.c_str());
    if (status || status.error == ENOENT) break;
  }
  path_.clear();
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

CopyResult CopyBytes(File& from, File& to, int64_t count, std::span<char> buffer) {
  while (count > 0) {
    size_t chunk =
        static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(buffer.size())));
    int64_t got = from.ReadFull(buffer.data(), chunk);
    if (got != static_cast<int64_t>(chunk)) return CopyResult::kReadFailed;
    if (to.WriteFull(buffer.data(), chunk) != static_cast<int64_t>(chunk)) {
      return CopyResult::kWriteFailed;
    }
    count -= static_cast<int64_t>(chunk);
  }
  return CopyResult::kDone;
}

bool ReplaceFileWith(TemporaryFile& finished, const std::string& target, const FileInfo& targetInfo,
                     FileSystem& fs) {
  // Replace the file a symbolic link names, not the link: renaming over the link would turn it
  // into a file of its own and leave the real file as it was.
  const std::string resolved = fs.ResolvePath(target.c_str());
  const std::string& into = resolved.empty() ? target : resolved;
  FileInfo info = fs.Stat(finished.path().c_str());
  if (info.kind != FileKind::kFile) return false;

  if (info.device == targetInfo.device) {
    if (!SyncPath(fs, finished.path())) return false;
    if (!ApplyTargetIdentity(fs, finished.path(), targetInfo)) return false;
    int error = 0;
    if (RenameIntoPlace(fs, finished, into, &error)) return true;
    // Two mounts of one file system share a device yet refuse the rename; a folder that takes
    // no new name refuses it too. Both are handled below; any other failure is final.
    if (error != EXDEV && !IsPermissionError(error)) return false;
  }

  bool noSibling = false;
  if (ReplaceThroughSibling(fs, finished.path(), into, targetInfo, &noSibling)) return true;
  if (!noSibling) return false;
  Trace("replace: folder of %s not writable, overwriting in place", into.c_str());
  return OverwriteInPlace(fs, finished.path(), into);
}

}  // namespace tolvo::engine
