// The ID3v2 writer: builds the new tag in the rewrite's output file (provisional header, the old
// frames walked with the new twelve put in their places, the real header, padding), appends
// everything after the old tag, and lets the rewrite replace the MP3 file with it.
#include "id3/id3v2_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "core/counted_alloc.h"
#include "core/engine_state.h"
#include "core/file_rewrite.h"
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

// Audio is copied through one buffer of whole 4096-byte blocks, never the whole file in memory;
// 64 blocks per call keeps the system calls few enough that a large file costs little more
// than one plain copy of it.
constexpr size_t kAudioBlock = 4096;
constexpr size_t kAudioBlocksPerCopy = 64;

// The new tag as it grows in the output file, written through its descriptor; counts what it has
// written, so the header can state the size without asking the file system.
class TagAppender : public id3v2::ByteSink {
 public:
  explicit TagAppender(File& out) : out_(out) {}
  bool Append(const void* bytes, size_t count) override {
    if (out_.WriteFull(bytes, count) != static_cast<int64_t>(count)) return false;
    written_ += static_cast<int64_t>(count);
    return true;
  }
  int64_t written() const { return written_; }
  File& file() { return out_; }

 private:
  File& out_;
  int64_t written_ = 0;
};

// Rewrites the first 10 bytes of the output with the real tag size, then goes back to its end.
int32_t WriteFinalHeader(File& out, uint8_t version, uint32_t tagSize) {
  uint8_t header[id3v2::kHeaderSize] = {};
  id3v2::FillTagHeader(header, version, tagSize);
  if (!out.SeekTo(0) || out.WriteFull(header, sizeof header) != sizeof header ||
      !out.SeekFromEnd(0)) {
    return kId3v2WriteFailed;
  }
  return kId3v2WriteOk;
}

bool ReadOldTagHeader(id3v2::SourceFile& source, id3v2::TagHeader* header) {
  uint8_t bytes[id3v2::kHeaderSize];
  return source.file.SeekTo(0) &&
         source.file.ReadFull(bytes, sizeof bytes) == static_cast<int64_t>(sizeof bytes) &&
         id3v2::ParseTagHeader(bytes, sizeof bytes, source.info.size, header);
}

// The new tag's frames after the provisional header: kId3v2WriteOk or the operation's failure
// code.
int32_t BuildTagFrames(id3v2::SourceFile& source, const id3v2::TagHeader* oldTag,
                       TagAppender& out) {
  switch (id3v2::BuildFrames(source.file, source.info.size, oldTag, out)) {
    case id3v2::BuildResult::kDone:
      return kId3v2WriteOk;
    case id3v2::BuildResult::kCannotReadTag:
      return kId3v2WriteCannotReadTag;
    case id3v2::BuildResult::kCannotCarry:
      return kId3v2WriteCannotCarry;
    case id3v2::BuildResult::kWriteFailed:
      break;
  }
  return kId3v2WriteFailed;
}

int32_t WriteCodeOf(RewriteStatus status) {
  switch (status) {
    case RewriteStatus::kOk:
      return kId3v2WriteOk;
    case RewriteStatus::kReadOnly:
      return kId3v2WriteReadOnly;
    case RewriteStatus::kNotPermitted:
      return kTagFileNotPermitted;
    case RewriteStatus::kLocked:
      return kTagFileLocked;
    case RewriteStatus::kNoTempFile:
      return kId3v2WriteNoTempFile;
    case RewriteStatus::kWriteFailed:
      return kId3v2WriteFailed;
    case RewriteStatus::kCannotReplace:
      return kId3v2WriteCannotReplace;
    case RewriteStatus::kMissing:
    case RewriteStatus::kCannotOpen:
      break;
  }
  return kId3v2WriteCannotReadMp3;
}

// Builds the new file in the rewrite's output; the rewrite deletes it on every way out.
int32_t BuildNewFile(id3v2::SourceFile& source, File& output) {
  TagAppender out(output);
  uint8_t provisional[id3v2::kHeaderSize] = {};
  id3v2::FillTagHeader(provisional, id3v2::kWrittenVersion, 0);
  if (!out.Append(provisional, sizeof provisional)) return kId3v2WriteFailed;

  id3v2::TagHeader oldTag;
  const bool hasTag = source.tagLength > 0 && ReadOldTagHeader(source, &oldTag);
  if (source.tagLength > 0 && !hasTag) return kId3v2WriteCannotReadTag;
  if (!LooksLikeMp3(source.file, source.tagLength, source.info.size)) return kId3v2WriteNotMp3;
  if (int32_t result = BuildTagFrames(source, hasTag ? &oldTag : nullptr, out);
      result != kId3v2WriteOk) {
    return result;
  }

  // Header and frames so far; the padding that follows completes the tag size.
  const int64_t tagSize = out.written();
  if (tagSize > id3v2::kMaxTagSize) return kId3v2WriteCannotCarry;
  const uint8_t version = id3v2::WrittenVersionFor(hasTag ? &oldTag : nullptr);
  if (int32_t result = WriteFinalHeader(output, version, static_cast<uint32_t>(tagSize));
      result != kId3v2WriteOk) {
    return result;
  }
  const std::array<uint8_t, id3v2::kPaddingSize> padding{};
  if (!out.Append(padding.data(), padding.size())) return kId3v2WriteFailed;

  switch (id3v2::AppendAfterTag(source, output)) {
    case id3v2::AppendStatus::kDone:
      return kId3v2WriteOk;
    case id3v2::AppendStatus::kReadFailed:
      return kId3v2WriteCannotReadMp3;
    case id3v2::AppendStatus::kWriteFailed:
      break;
  }
  return kId3v2WriteFailed;
}

}  // namespace

namespace id3v2 {

int64_t TagLengthFromHeader(const uint8_t* header, size_t headerBytes, int64_t fileSize) {
  TagHeader parsed;
  return ParseTagHeader(header, headerBytes, fileSize, &parsed) ? parsed.length : 0;
}

bool ReadSource(File& file, const platform::FileInfo& info, SourceFile* source) {
  source->info = info;
  uint8_t header[kHeaderSize] = {};
  const int64_t expected = std::min<int64_t>(info.size, kHeaderSize);
  if (!file.SeekTo(0) || file.ReadFull(header, static_cast<size_t>(expected)) != expected)
    return false;  // an error, not merely a short file
  source->tagLength = TagLengthFromHeader(header, static_cast<size_t>(expected), info.size);
  return true;
}

AppendStatus AppendAfterTag(SourceFile& source, File& out) {
  // A tag may claim up to 10 bytes more than the file holds; then nothing follows it.
  const int64_t rest = std::max<int64_t>(source.info.size - source.tagLength, 0);
  if (rest > 0 && !source.file.SeekTo(source.tagLength)) return AppendStatus::kReadFailed;
  std::vector<char> buffer(kAudioBlock * kAudioBlocksPerCopy);
  switch (CopyBytes(source.file, out, rest, buffer)) {
    case CopyResult::kDone:
      return AppendStatus::kDone;
    case CopyResult::kReadFailed:
      return AppendStatus::kReadFailed;
    case CopyResult::kWriteFailed:
      break;
  }
  return AppendStatus::kWriteFailed;
}

}  // namespace id3v2

int32_t WriteId3v2(const char* path, FileSystem& fs) {
  Trace("WriteId3v2 %s", path ? path : "(null)");
  FileRewrite rewrite(fs);
  if (RewriteStatus opened = rewrite.Open(path); opened != RewriteStatus::kOk)
    return WriteCodeOf(opened);
  id3v2::SourceFile source{rewrite.source(), rewrite.info(), 0};
  if (!id3v2::ReadSource(rewrite.source(), rewrite.info(), &source))
    return kId3v2WriteCannotReadMp3;
  if (RewriteStatus made = rewrite.MakeOutput(State().tempFolder); made != RewriteStatus::kOk)
    return WriteCodeOf(made);
  if (int32_t built = BuildNewFile(source, rewrite.output()); built != kId3v2WriteOk) return built;
  return WriteCodeOf(rewrite.Commit());
}

}  // namespace tolvo::engine
