// The temporary files a rebuild goes through, and the bounded copy between two open files.
// How a rebuilt file replaces the original is FileRewrite's (core/file_rewrite.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "tolvo/platform/file_system.h"

namespace tolvo::engine {

// A temporary file with one owner: it is deleted when the owner goes away, unless it was
// renamed into place (Release). Every path of an operation that makes one therefore cleans up.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(platform::FileSystem& fs, std::string path) : fs_(&fs), path_(std::move(path)) {}
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  TemporaryFile(TemporaryFile&& other) noexcept;
  TemporaryFile& operator=(TemporaryFile&& other) noexcept;
  ~TemporaryFile() { Delete(); }

  const std::string& path() const { return path_; }
  bool Owns() const { return !path_.empty(); }
  // The file has been renamed away; nothing is left to delete.
  void Release() { path_.clear(); }
  // Deletes the file now (if it still exists).
  void Delete();

 private:
  platform::FileSystem* fs_ = nullptr;
  std::string path_;
};

// The folder part of a path ("/a/b.mp3" gives "/a", "/b.mp3" gives "/", "b.mp3" gives ".").
std::string FolderOf(const std::string& path);

enum class CopyResult { kDone, kReadFailed, kWriteFailed };

// Copies exactly count bytes from the current position of one file to the current position of
// the other through the given buffer. A file that ends early counts as a failed read.
CopyResult CopyBytes(platform::File& from, platform::File& to, int64_t count,
                     std::span<char> buffer);

}  // namespace tolvo::engine
