// The ID3v2 writer: builds the new tag in a temporary file (provisional header, the old frames
// walked with the new twelve put in their places, the real header, padding), appends everything
// after the old tag, and lets the finished file replace the MP3 file whole.
#include "id3/id3v2_writer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "core/counted_alloc.h"
#include "core/engine_state.h"
#include "core/file_services.h"
#include "core/trace.h"
#include "id3/id3v2_fields.h"
#include "id3/id3v2_layout.h"
#include "id3/id3v2_tag_builder.h"
#include "id3/mp3_check.h"

namespace tolvo::engine {
namespace {

using platform::File;
using platform::FileSystem;
using platform::OpenMode;

// The read-only attribute of this platform: the owner's write bit is clear.
constexpr uint32_t kOwnerWriteBit = 0200;
// Audio is copied through one buffer of whole 4096-byte blocks, never the whole file in memory;
// 64 blocks per call keeps the system calls few enough that a large file costs little more
// than one plain copy of it.
constexpr size_t kAudioBlock = 4096;
constexpr size_t kAudioBlocksPerCopy = 64;

// The new tag as it grows in the temporary file; counts what it has written, so the header
// can state the size without asking the file system.
class TagAppender : public id3v2::ByteSink {
 public:
  TagAppender(FileSystem& fs, const std::string& path) : fs_(fs), path_(path) {}
  bool Append(const void* bytes, size_t count) override {
    if (WriteBufferToFile(path_, bytes, static_cast<int64_t>(count), 1, 0, fs_) != 0) return false;
    written_ += static_cast<int64_t>(count);
    return true;
  }
  int64_t written() const { return written_; }

 private:
  FileSystem& fs_;
  const std::string& path_;
  int64_t written_ = 0;
};

// Rewrites the first 10 bytes of the temporary file in place with the real tag size.
int32_t WriteFinalHeader(FileSystem& fs, const std::string& tempPath, uint8_t version,
                         uint32_t tagSize) {
  File temp = File::Open(fs, tempPath.c_str(), OpenMode::kReadWrite);
  if (!temp.IsOpen()) return kId3v2WriteCannotReopenTemp;
  uint8_t header[id3v2::kHeaderSize] = {};
  id3v2::FillTagHeader(header, version, tagSize);
  if (!temp.SeekTo(0) || temp.WriteFull(header, sizeof header) != sizeof header)
    return kId3v2WriteFailed;
  return temp.Close() ? 0 : kId3v2WriteFailed;
}

bool ReadOldTagHeader(id3v2::SourceFile& source, id3v2::TagHeader* header) {
  uint8_t bytes[id3v2::kHeaderSize];
  return source.file.SeekTo(0) &&
         source.file.ReadFull(bytes, sizeof bytes) == static_cast<int64_t>(sizeof bytes) &&
         id3v2::ParseTagHeader(bytes, sizeof bytes, source.info.size, header);
}

// The new tag's frames after the provisional header: 0 or the operation's failure code.
int32_t BuildTagFrames(id3v2::SourceFile& source, const id3v2::TagHeader* oldTag,
                       TagAppender& out) {
  switch (id3v2::BuildFrames(source.file, source.info.size, oldTag, out)) {
    case id3v2::BuildResult::kDone:
      return 0;
    case id3v2::BuildResult::kCannotReadTag:
      return kId3v2WriteCannotReadTag;
    case id3v2::BuildResult::kCannotCarry:
      return kId3v2WriteCannotCarry;
    case id3v2::BuildResult::kWriteFailed:
      break;
  }
  return kId3v2WriteFailed;
}

// Steps after the temporary file exists; the caller deletes it on every way out.
int32_t BuildAndReplace(FileSystem& fs, const char* path, TemporaryFile& temp) {
  TagAppender out(fs, temp.path());
  uint8_t provisional[id3v2::kHeaderSize] = {};
  id3v2::FillTagHeader(provisional, id3v2::kWrittenVersion, 0);
  if (!out.Append(provisional, sizeof provisional)) return kId3v2WriteFailed;

  id3v2::SourceFile source;
  switch (id3v2::OpenSourceFile(fs, path, &source)) {
    case id3v2::SourceStatus::kOpen:
      break;
    case id3v2::SourceStatus::kReadOnly:
      return kId3v2WriteReadOnly;
    case id3v2::SourceStatus::kMissing:
    case id3v2::SourceStatus::kUnreadable:
      return kId3v2WriteCannotReadMp3;
  }

  id3v2::TagHeader oldTag;
  const bool hasTag = source.tagLength > 0 && ReadOldTagHeader(source, &oldTag);
  if (source.tagLength > 0 && !hasTag) return kId3v2WriteCannotReadTag;
  if (!LooksLikeMp3(source.file, source.tagLength, source.info.size)) return kId3v2WriteNotMp3;
  if (int32_t result = BuildTagFrames(source, hasTag ? &oldTag : nullptr, out); result != 0)
    return result;

  // Header and frames so far; the padding that follows completes the tag size.
  const int64_t tagSize = out.written();
  if (tagSize > id3v2::kMaxTagSize) return kId3v2WriteCannotCarry;
  const uint8_t version = id3v2::WrittenVersionFor(hasTag ? &oldTag : nullptr);
  if (int32_t result = WriteFinalHeader(fs, temp.path(), version, static_cast<uint32_t>(tagSize));
      result != 0) {
    return result;
  }
  const std::array<uint8_t, id3v2::kPaddingSize> padding{};
  if (!out.Append(padding.data(), padding.size())) return kId3v2WriteFailed;

  switch (id3v2::AppendAfterTag(fs, source, temp.path())) {
    case id3v2::AppendStatus::kDone:
      break;
    case id3v2::AppendStatus::kTempNotOpened:
      return kId3v2WriteCannotAppendTemp;
    case id3v2::AppendStatus::kReadFailed:
      return kId3v2WriteCannotReadMp3;
    case id3v2::AppendStatus::kWriteFailed:
      return kId3v2WriteFailed;
  }
  source.file.Close();
  if (!ReplaceFileWith(temp, path, source.info, fs)) return kId3v2WriteCannotReplace;
  return kId3v2WriteOk;
}

}  // namespace

namespace id3v2 {

int64_t TagLengthFromHeader(const uint8_t* header, size_t headerBytes, int64_t fileSize) {
  TagHeader parsed;
  return ParseTagHeader(header, headerBytes, fileSize, &parsed) ? parsed.length : 0;
}

SourceStatus OpenSourceFile(FileSystem& fs, const char* path, SourceFile* source) {
  if (!path) return SourceStatus::kMissing;
  int error = 0;
  source->file = File::Open(fs, path, OpenMode::kRead, &error);
  if (!source->file.IsOpen())
    return error == ENOENT ? SourceStatus::kMissing : SourceStatus::kUnreadable;
  source->info = fs.StatFd(source->file.fd());
  if (source->info.kind != platform::FileKind::kFile) return SourceStatus::kUnreadable;
  // The read-only test again, on the very file that would be replaced.
  if ((source->info.mode & kOwnerWriteBit) == 0) return SourceStatus::kReadOnly;
  uint8_t header[kHeaderSize] = {};
  const int64_t expected = std::min<int64_t>(source->info.size, kHeaderSize);
  if (source->file.ReadFull(header, static_cast<size_t>(expected)) != expected)
    return SourceStatus::kUnreadable;  // an error, not merely a short file
  source->tagLength = TagLengthFromHeader(header, static_cast<size_t>(expected), source->info.size);
  return SourceStatus::kOpen;
}

AppendStatus AppendAfterTag(FileSystem& fs, SourceFile& source, const std::string& tempPath) {
  File temp = File::Open(fs, tempPath.c_str(), OpenMode::kAppend);
  if (!temp.IsOpen()) return AppendStatus::kTempNotOpened;
  // A tag may claim up to 10 bytes more than the file holds; then nothing follows it.
  const int64_t rest = std::max<int64_t>(source.info.size - source.tagLength, 0);
  if (rest > 0 && !source.file.SeekTo(source.tagLength)) return AppendStatus::kReadFailed;
  std::vector<char> buffer(kAudioBlock * kAudioBlocksPerCopy);
  switch (CopyBytes(source.file, temp, rest, buffer)) {
    case CopyResult::kDone:
      break;
    case CopyResult::kReadFailed:
      return AppendStatus::kReadFailed;
    case CopyResult::kWriteFailed:
      return AppendStatus::kWriteFailed;
  }
  const bool synced = temp.Sync();
  return temp.Close() && synced ? AppendStatus::kDone : AppendStatus::kWriteFailed;
}

}  // namespace id3v2

int32_t WriteId3v2(const char* path, FileSystem& fs) {
  Trace("WriteId3v2 %s", path ? path : "(null)");
  if (path && IsReadOnlyFile(path, fs)) return kId3v2WriteReadOnly;
  std::string tempPath;
  if (MakeTempFileIn(State().tempFolder, &tempPath, fs) != 0) return kId3v2WriteNoTempFile;
  TemporaryFile temp(fs, tempPath);
  return BuildAndReplace(fs, path, temp);
}

}  // namespace tolvo::engine
