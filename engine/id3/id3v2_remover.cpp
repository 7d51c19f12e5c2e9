// The ID3v2 remover: copies everything after the tag into a temporary file and lets that file
// replace the MP3 file whole. A file without a tag is left as it is.
#include "id3/id3v2_remover.h"

#include <string>

#include "core/atomic_replace.h"
#include "core/engine_state.h"
#include "core/file_services.h"
#include "core/trace.h"
#include "id3/id3v2_writer.h"

namespace tolvo::engine {

int32_t RemoveId3v2(const char* path, platform::FileSystem& fs) {
  Trace("RemoveId3v2 %s", path ? path : "(null)");
  if (path && IsReadOnlyFile(path, fs)) return kId3v2RemoveReadOnly;
  std::string tempPath;
  if (MakeTempFileIn(State().tempFolder, &tempPath, fs) != 0) return kId3v2RemoveNoTempFile;
  TemporaryFile temp(fs, tempPath);  // deleted on every way out unless it replaced the file

  id3v2::SourceFile source;
  switch (id3v2::OpenSourceFile(fs, path, &source)) {
    case id3v2::SourceStatus::kOpen:
      break;
    case id3v2::SourceStatus::kMissing:
      return kId3v2RemoveOk;  // no file, so no tag
    case id3v2::SourceStatus::kReadOnly:
      return kId3v2RemoveReadOnly;
    case id3v2::SourceStatus::kUnreadable:
      return kId3v2RemoveCannotReadMp3;
  }
  if (source.tagLength == 0) return kId3v2RemoveOk;  // nothing to remove

  switch (id3v2::AppendAfterTag(fs, source, temp.path())) {
    case id3v2::AppendStatus::kDone:
      break;
    case id3v2::AppendStatus::kTempNotOpened:
      return kId3v2RemoveCannotAppendTemp;
    case id3v2::AppendStatus::kReadFailed:
      return kId3v2RemoveCannotReadMp3;
    case id3v2::AppendStatus::kWriteFailed:
      return kId3v2RemoveWriteFailed;
  }
  source.file.Close();
  if (!ReplaceFileWith(temp, path, source.info, fs)) return kId3v2RemoveCannotReplace;
  return kId3v2RemoveOk;
}

}  // namespace tolvo::engine
