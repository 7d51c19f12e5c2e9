// Temporary files with one owner, and the bounded copy between two open files.
#include "core/atomic_replace.h"

#include <algorithm>

namespace tolvo::engine {
using platform::File;

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
    const platform::IoStatus status = fs_->Remove(path_.c_str());
    if (status || status.Failed(platform::IoErrorKind::kMissing)) break;
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

}  // namespace tolvo::engine
