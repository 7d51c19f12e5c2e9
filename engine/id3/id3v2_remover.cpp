// The ID3v2 remover: copies everything after the tag into the rewrite's output and lets the
// rewrite replace the MP3 file with it. A file without a tag is left as it is.
#include "id3/id3v2_remover.h"

#include <string>

#include "core/engine_state.h"
#include "core/file_rewrite.h"
#include "core/file_services.h"
#include "core/trace.h"
#include "id3/id3v2_writer.h"

namespace tolvo::engine {
namespace {

int32_t RemoveCodeOf(RewriteStatus status) {
  switch (status) {
    case RewriteStatus::kOk:
    case RewriteStatus::kMissing:  // no file, so no tag
      return kId3v2RemoveOk;
    case RewriteStatus::kReadOnly:
      return kId3v2RemoveReadOnly;
    case RewriteStatus::kNotPermitted:
      return kTagFileNotPermitted;
    case RewriteStatus::kLocked:
      return kTagFileLocked;
    case RewriteStatus::kNoTempFile:
      return kId3v2RemoveNoTempFile;
    case RewriteStatus::kWriteFailed:
      return kId3v2RemoveWriteFailed;
    case RewriteStatus::kCannotReplace:
      return kId3v2RemoveCannotReplace;
    case RewriteStatus::kCannotOpen:
      break;
  }
  return kId3v2RemoveCannotReadMp3;
}

}  // namespace

int32_t RemoveId3v2(const char* path, platform::FileSystem& fs) {
  Trace("RemoveId3v2 %s", path ? path : "(null)");
  FileRewrite rewrite(fs);
  if (RewriteStatus opened = rewrite.Open(path); opened != RewriteStatus::kOk)
    return RemoveCodeOf(opened);
  id3v2::SourceFile source{rewrite.source(), rewrite.info(), 0};
  if (!id3v2::ReadSource(rewrite.source(), rewrite.info(), &source))
    return kId3v2RemoveCannotReadMp3;
  if (source.tagLength == 0) return kId3v2RemoveOk;  // nothing to remove
  if (RewriteStatus made = rewrite.MakeOutput(State().tempFolder); made != RewriteStatus::kOk)
    return RemoveCodeOf(made);

  switch (id3v2::AppendAfterTag(source, rewrite.output())) {
    case id3v2::AppendStatus::kDone:
      break;
    case id3v2::AppendStatus::kReadFailed:
      return kId3v2RemoveCannotReadMp3;
    case id3v2::AppendStatus::kWriteFailed:
      return kId3v2RemoveWriteFailed;
  }
  return RemoveCodeOf(rewrite.Commit());
}

}  // namespace tolvo::engine
