// Rewriting a file that other users and processes may touch meanwhile. The file is named once:
// the name is resolved (links followed), opened once, and everything after goes through that
// descriptor. The new content is built in a file of a private folder, and the replacement
// either renames it over the very file that was opened (checked by device and inode just before)
// or copies it over that file through its descriptor, which keeps the file's identity.
#pragma once

#include <cstdint>
#include <string>

#include "core/atomic_replace.h"
#include "tolvo/platform/file_system.h"

namespace tolvo::engine {

enum class RewriteStatus {
  kOk,
  kMissing,        // no file of that name
  kCannotOpen,     // not a regular file, unreadable, or the name changed while it was opened
  kReadOnly,       // the owner's write bit is clear (the read-only attribute, for root too)
  kNotPermitted,   // the caller may not write the file itself
  kLocked,         // an encode holds the file
  kNoTempFile,     // no private folder or file for the new content
  kWriteFailed,    // the new content could not be flushed or copied completely
  kCannotReplace,  // the file could not be replaced; it is as it was
};

class FileRewrite {
 public:
  explicit FileRewrite(platform::FileSystem& fs) : fs_(fs) {}
  FileRewrite(const FileRewrite&) = delete;
  FileRewrite& operator=(const FileRewrite&) = delete;
  // Closes both files; deletes the unfinished output and its private folder.
  ~FileRewrite();

  // Resolves and opens the file for reading and writing, and proves it may be rewritten: a
  // regular file, the one the resolved name still names, writable by the caller, not read-only,
  // not locked by an encode. The lock is held until this object goes away.
  RewriteStatus Open(const char* path);
  platform::File& source() { return source_; }
  const platform::FileInfo& info() const { return info_; }

  // Creates the empty output file in a private folder of tempFolder (a folder path, with or
  // without its trailing separator). The caller writes the complete new content into output().
  RewriteStatus MakeOutput(const std::string& tempFolder);
  platform::File& output() { return output_; }

  // Flushes the output and makes the opened file hold it: by rename when the file is not shared
  // (one link, its owner can be kept), through a flushed sibling when the output lies on
  // another file system, else by copying it over the file in place. On any failure but a broken
  // in-place copy the file is untouched; after a broken copy the complete new file is kept in
  // the private folder.
  RewriteStatus Commit();

 private:
  enum class Replaced { kDone, kFailed, kCopyInstead, kElsewhere };
  Replaced RenameOver(const std::string& from, const platform::File& file);
  Replaced ReplaceThroughSibling(int64_t size);
  bool GiveIdentity(platform::File& file, bool* ownerKept);
  RewriteStatus CopyOver(int64_t size);

  platform::FileSystem& fs_;
  std::string resolved_;
  platform::File source_;
  platform::FileInfo info_;
  std::string privateFolder_;
  TemporaryFile outputPath_;
  platform::File output_;
  bool keepOutput_ = false;
};

}  // namespace tolvo::engine
