// The rewrite of one opened file: the checks at the open, the private output, and the three ways
// of replacing (rename, flushed sibling and rename, copy over in place).
#include "core/file_rewrite.h"

#include <vector>

#include "core/file_services.h"
#include "core/trace.h"
#include "tolvo/system_files.h"

namespace tolvo::engine {
namespace {

using platform::File;
using platform::FileInfo;
using platform::FileKind;
using platform::IoErrorKind;
using platform::IoResult;
using platform::OpenMode;
// Large enough that copying a big file costs few calls, small enough for any caller's memory.
constexpr size_t kRewriteCopyBlock = 256 * 1024;

// A folder text as the file system takes it: no trailing blanks, no trailing separator.
std::string PlainFolder(std::string folder) {
  TrimTrailingSpaces(folder);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// Copies the whole of one file over the start of another (both through their descriptors).
bool CopyWhole(File& from, File& to, int64_t size) {
  if (!from.SeekTo(0) || !to.SeekTo(0)) return false;
  std::vector<char> buffer(kRewriteCopyBlock);
  return CopyBytes(from, to, size, buffer) == CopyResult::kDone;
}

}  // namespace

FileRewrite::~FileRewrite() {
  output_.Close();
  if (keepOutput_) {
    outputPath_.Release();  // the only complete copy of the new content: it stays
  } else {
    outputPath_.Delete();
    // Tried twice, as the file's removal is: a folder left behind is a trace of the operation.
    for (int attempt = 0; attempt < 2 && !privateFolder_.empty(); ++attempt) {
      if (fs_.RemoveFolder(privateFolder_.c_str())) break;
    }
  }
  source_.Close();
}

RewriteStatus FileRewrite::Open(const char* path) {
  if (!path) return RewriteStatus::kMissing;
  const IoResult<FileInfo> named = fs_.LinkStat(path);
  // Resolved once: an edit through a symbolic link changes the file the link names, and every
  // later look at the name uses this resolved text. Whether the file exists is the open's to
  // tell.
  const IoResult<std::string> resolved = fs_.ResolvePath(path);
  resolved_ = resolved ? *resolved : std::string(path);
  platform::IoError error;
  source_ = File::Open(fs_, resolved_.c_str(), OpenMode::kReadWrite, &error);
  if (!source_.IsOpen()) {
    if (error.kind == IoErrorKind::kMissing) return RewriteStatus::kMissing;
    if (error.kind == IoErrorKind::kPermission) {
      const IoResult<FileInfo> target = fs_.Stat(resolved_.c_str());
      if (!platform::IsRegularFile(target)) return RewriteStatus::kCannotOpen;
      return target->IsReadOnly() ? RewriteStatus::kReadOnly : RewriteStatus::kNotPermitted;
    }
    return RewriteStatus::kCannotOpen;  // a folder, a busy device, ...
  }
  const IoResult<FileInfo> opened = source_.Info();
  if (!platform::IsRegularFile(opened)) return RewriteStatus::kCannotOpen;
  info_ = *opened;
  // The resolved name must still be this very file (not a link put there since), and the name
  // given must still be what it was when it was resolved.
  if (!platform::SameFile(fs_.LinkStat(resolved_.c_str()), info_))
    return RewriteStatus::kCannotOpen;
  const IoResult<FileInfo> namedNow = fs_.LinkStat(path);
  if (named && named->kind == FileKind::kLink) {
    if (!platform::SameFile(namedNow, named)) return RewriteStatus::kCannotOpen;
    // A link leads only to files of its own owner (or is the caller's or root's own): one user
    // cannot point another's edit at a third party's file.
    const uint32_t caller = platform::CallerUserId();
    if (named->uid != caller && named->uid != 0 && named->uid != info_.uid)
      return RewriteStatus::kNotPermitted;
  } else if (!platform::SameFile(namedNow, info_)) {
    return RewriteStatus::kCannotOpen;
  }
  // Root opens anything for writing; the read-only attribute holds for root too.
  if (info_.IsReadOnly()) return RewriteStatus::kReadOnly;
  const platform::IoStatus locked = fs_.LockFd(source_.fd());
  if (!locked)
    return locked.Failed(IoErrorKind::kBusy) ? RewriteStatus::kLocked : RewriteStatus::kCannotOpen;
  return RewriteStatus::kOk;
}

RewriteStatus FileRewrite::MakeOutput(const std::string& tempFolder) {
  const std::string folder = PlainFolder(tempFolder);
  if (folder.empty()) return RewriteStatus::kNoTempFile;  // names no place
  fs_.RemoveDeadLeftovers(folder, kConvertedCopyPrefix);
  const std::string prefix = platform::ProcessTempPrefix();
  const IoResult<std::string> made = fs_.MakePrivateFolder(folder, prefix.c_str());
  if (!made) return RewriteStatus::kNoTempFile;
  privateFolder_ = *made;
  const IoResult<platform::FileSystem::CreatedFile> created =
      fs_.CreateTempFile(privateFolder_, prefix.c_str());
  if (!created) return RewriteStatus::kNoTempFile;
  outputPath_ = TemporaryFile(fs_, created->path);
  output_ = File(fs_, created->fd);
  return RewriteStatus::kOk;
}

bool FileRewrite::GiveIdentity(File& file, bool* ownerKept) {
  const IoResult<FileInfo> now = file.Info();
  if (!platform::IsRegularFile(now)) return false;
  *ownerKept = true;
  if ((now->uid != info_.uid || now->gid != info_.gid) &&
      !fs_.SetOwnerFd(file.fd(), info_.uid, info_.gid)) {
    *ownerKept = false;  // an ordinary user may not give a file away
  }
  // After the owner, since a change of owner clears the set-id bits.
  return static_cast<bool>(fs_.SetModeFd(file.fd(), info_.mode));
}

FileRewrite::Replaced FileRewrite::RenameOver(const std::string& from, const File& file) {
  // Just before the rename: the name still gives the opened file, and the new file is still
  // the one written. Otherwise the rename would replace (or bring in) something else.
  if (!platform::SameFile(fs_.LinkStat(resolved_.c_str()), info_) ||
      !platform::SameFile(fs_.LinkStat(from.c_str()), file.Info())) {
    Trace("rewrite: %s changed during the rewrite", resolved_.c_str());
    return Replaced::kFailed;
  }
  const platform::IoStatus renamed = fs_.Rename(from.c_str(), resolved_.c_str());
  if (renamed) {
    // The rename is done; a failed flush of the folder leaves the new name merely less durable.
    if (!fs_.SyncFolder(FolderOf(resolved_).c_str()))
      Trace("rewrite: folder of %s not flushed", resolved_.c_str());
    return Replaced::kDone;
  }
  if (renamed.Failed(IoErrorKind::kCrossDevice)) return Replaced::kElsewhere;
  // A folder that takes no new name (or a sticky one) leaves the copy over the file.
  if (renamed.Failed(IoErrorKind::kPermission)) return Replaced::kCopyInstead;
  return Replaced::kFailed;
}

FileRewrite::Replaced FileRewrite::ReplaceThroughSibling(int64_t size) {
  const std::string folder = FolderOf(resolved_);
  fs_.RemoveDeadLeftovers(folder, kConvertedCopyPrefix);
  const IoResult<platform::FileSystem::CreatedFile> created =
      fs_.CreateTempFile(folder, platform::ProcessTempPrefix().c_str());
  if (!created)
    return created.Failed(IoErrorKind::kPermission) ? Replaced::kCopyInstead : Replaced::kFailed;
  TemporaryFile sibling(fs_, created->path);
  File copy(fs_, created->fd);
  // The sibling is written, flushed and given its identity through its descriptor only.
  if (!CopyWhole(output_, copy, size) || !copy.Truncate(size) || !copy.Sync())
    return Replaced::kFailed;
  bool ownerKept = true;
  if (!GiveIdentity(copy, &ownerKept)) return Replaced::kFailed;
  if (!ownerKept) return Replaced::kCopyInstead;
  const Replaced replaced = RenameOver(created->path, copy);
  if (replaced == Replaced::kDone) sibling.Release();
  return replaced == Replaced::kElsewhere ? Replaced::kFailed : replaced;
}

RewriteStatus FileRewrite::CopyOver(int64_t size) {
  // From the first byte written the new file is the only complete copy: it is kept unless the
  // copy completes.
  keepOutput_ = true;
  if (!CopyWhole(output_, source_, size) || !source_.Truncate(size) || !source_.Sync()) {
    Trace("rewrite: copy over %s broke; the new content stays in %s", resolved_.c_str(),
          outputPath_.path().c_str());
    return RewriteStatus::kCannotReplace;
  }
  keepOutput_ = false;
  return RewriteStatus::kOk;
}

RewriteStatus FileRewrite::Commit() {
  if (!output_.IsOpen() || !source_.IsOpen()) return RewriteStatus::kCannotReplace;
  const int64_t size = output_.Size();
  if (size < 0 || !output_.Sync()) return RewriteStatus::kWriteFailed;
  bool ownerKept = true;
  if (!GiveIdentity(output_, &ownerKept)) return RewriteStatus::kWriteFailed;
  // A file with other names, or one whose owner a new file cannot get, keeps its identity: the
  // new content goes over it in place.
  if (info_.links > 1 || !ownerKept) return CopyOver(size);

  Replaced replaced = Replaced::kElsewhere;
  const IoResult<FileInfo> output = output_.Info();
  if (output && output->device == info_.device) replaced = RenameOver(outputPath_.path(), output_);
  if (replaced == Replaced::kDone) {
    outputPath_.Release();
    return RewriteStatus::kOk;
  }
  if (replaced == Replaced::kElsewhere) replaced = ReplaceThroughSibling(size);
  switch (replaced) {
    case Replaced::kDone:
      return RewriteStatus::kOk;
    case Replaced::kCopyInstead:
      Trace("rewrite: no new name in the folder of %s, copying over", resolved_.c_str());
      return CopyOver(size);
    case Replaced::kElsewhere:
    case Replaced::kFailed:
      break;
  }
  return RewriteStatus::kCannotReplace;
}

}  // namespace tolvo::engine
