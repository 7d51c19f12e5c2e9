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

namespace tolvo::engine {
namespace {

using platform::File;
using platform::FileSystem;
using platform::OpenMode;

// How the writer lays out the data of the frames it writes: the encoding byte (8-bit text),
// then for WXXX an empty description, for COMM three zero language bytes and an empty
// description, then the text without its zero.
constexpr uint8_t kTextEncodingByte = 0x00;
constexpr size_t kTextDataPrefix = 1;     // encoding
constexpr size_t kUrlDataPrefix = 2;      // encoding, description's zero
constexpr size_t kCommentDataPrefix = 5;  // encoding, 3 language bytes, description's zero
// TENC asks other software to discard it when the file is altered (ID3v2.3 frame flag).
constexpr uint8_t kEncodedByFlag = 0x40;
// The largest tag size that a syncsafe header can hold.
constexpr int64_t kMaxSyncsafeSize = 0x0FFFFFFF;
// The read-only attribute of this platform: the owner's write bit is clear.
constexpr uint32_t kOwnerWriteBit = 0200;
// Audio is copied through one buffer of whole 4096-byte blocks, never the whole file in memory;
// 64 blocks per call keeps the system calls few enough that a large file costs little more
// than one plain copy of it.
constexpr size_t kAudioBlock = 4096;
constexpr size_t kAudioBlocksPerCopy = 64;

size_t DataPrefixOf(id3v2::TextKind kind) {
  switch (kind) {
    case id3v2::TextKind::kUrl:
      return kUrlDataPrefix;
    case id3v2::TextKind::kComment:
      return kCommentDataPrefix;
    case id3v2::TextKind::kText:
      break;
  }
  return kTextDataPrefix;
}

// The new tag as it grows in the temporary file; counts what it has written, so the header
// can state the size without asking the file system.
class TagAppender {
 public:
  TagAppender(FileSystem& fs, const std::string& path) : fs_(fs), path_(path) {}
  bool Append(const void* bytes, size_t count) {
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

void PutFrameHeader(uint8_t* at, const char* id, uint32_t dataSize, uint8_t firstFlag) {
  std::memcpy(at + id3v2::kFrameIdOffset, id, id3v2::kFrameIdLength);
  id3v2::WriteBigEndian32(dataSize, at + id3v2::kFrameSizeOffset);
  at[id3v2::kFrameFlagsOffset] = firstFlag;
  at[id3v2::kFrameFlagsOffset + 1] = 0;
}

// Appends the new frame of one of the twelve fields, its text taken from the field set.
bool AppendFieldFrame(TagAppender& out, const id3v2::HandledFrame& frame) {
  const char* text = Id3v2Fields()[frame.field].text;
  const size_t length = text ? std::strlen(text) : 0;
  const size_t prefix = DataPrefixOf(frame.kind);
  const size_t dataSize = prefix + length;
  if (dataSize > static_cast<size_t>(kMaxSyncsafeSize)) return false;
  const size_t frameSize = id3v2::kFrameHeaderSize + dataSize;
  CountedBlock block = MakeCountedBlock(frameSize);  // zeroed: the prefix bytes are all 0
  if (!block) return false;
  auto* bytes = reinterpret_cast<uint8_t*>(block.get());
  const bool isEncodedBy = frame.field == Id3v2Field::kEncodedBy;
  PutFrameHeader(bytes, frame.id, static_cast<uint32_t>(dataSize),
                 isEncodedBy ? kEncodedByFlag : 0);
  bytes[id3v2::kFrameHeaderSize] = kTextEncodingByte;
  if (length > 0) std::memcpy(bytes + id3v2::kFrameHeaderSize + prefix, text, length);
  return out.Append(bytes, frameSize);
}

// Appends a frame of another ID as it was, except for its flags, which are cleared.
bool AppendForeignFrame(TagAppender& out, const uint8_t* header, const uint8_t* data,
                        uint32_t dataSize) {
  const size_t frameSize = id3v2::kFrameHeaderSize + dataSize;
  CountedBlock block = MakeCountedBlock(frameSize);
  if (!block) return false;
  auto* bytes = reinterpret_cast<uint8_t*>(block.get());
  PutFrameHeader(bytes, reinterpret_cast<const char*>(header + id3v2::kFrameIdOffset), dataSize, 0);
  std::memcpy(bytes + id3v2::kFrameHeaderSize, data, dataSize);
  return out.Append(bytes, frameSize);
}

// What is left to write: a field is pending until its frame has been written once.
struct WalkState {
  std::array<bool, kId3v2FieldCount> pending;
  bool badFrameSeen = false;
  WalkState() { pending.fill(true); }
  bool& PendingOf(Id3v2Field field) { return pending[static_cast<size_t>(field)]; }
};

// Walks the old tag's frames as the reader does, writing the new frames in the places of the
// old ones and the other frames unchanged. 0, or the operation's failure code.
int32_t RewriteOldFrames(const uint8_t* image, int64_t tagLength, int64_t fileSize,
                         WalkState& state, TagAppender& out) {
  int64_t position = static_cast<int64_t>(id3v2::kHeaderSize);
  for (;;) {
    if (position + static_cast<int64_t>(id3v2::kFrameHeaderSize) >= tagLength) return 0;
    const uint8_t* header = image + position;
    if (header[id3v2::kFrameIdOffset] == 0) return 0;  // padding

    const int64_t dataStart = position + static_cast<int64_t>(id3v2::kFrameHeaderSize);
    int64_t dataSize =
        static_cast<int32_t>(id3v2::ReadBigEndian32(header + id3v2::kFrameSizeOffset));
    bool impossible = dataSize < 0 || dataSize >= fileSize;
    if (impossible) dataSize = 1;  // walked over as an unknown frame of one data byte
    if (dataSize > id3v2::kMaxFrameDataSize) return kId3v2WriteFrameTooLarge;

    const id3v2::HandledFrame* handled =
        impossible ? nullptr : id3v2::FindHandledFrame(header + id3v2::kFrameIdOffset);
    // A frame whose data would run past the tag cannot be copied faithfully: its size
    // disagrees with the tag, as an impossible size does.
    if (!handled && dataStart + dataSize > tagLength) impossible = true;
    if (impossible) state.badFrameSeen = true;

    if (handled) {
      bool& pending = state.PendingOf(handled->field);
      if (pending) {
        if (!AppendFieldFrame(out, *handled)) return kId3v2WriteFailed;
        pending = false;
      }  // a second frame of the same ID is dropped
    } else if (!state.badFrameSeen) {
      if (!AppendForeignFrame(out, header, image + dataStart, static_cast<uint32_t>(dataSize)))
        return kId3v2WriteFailed;
    }
    position = dataStart + dataSize;
  }
}

// Reads the old tag from the open source into a counted block and rewrites its frames.
int32_t RewriteOldTag(id3v2::SourceFile& source, WalkState& state, TagAppender& out) {
  const int64_t tagLength = source.tagLength;
  CountedBlock image = MakeCountedBlock(static_cast<size_t>(tagLength) + id3v2::kImageSlack);
  if (!image) return kId3v2WriteCannotReadTag;
  if (!source.file.SeekTo(0) ||
      source.file.ReadFull(image.get(), static_cast<size_t>(tagLength)) != tagLength) {
    return kId3v2WriteCannotReadTag;
  }
  return RewriteOldFrames(reinterpret_cast<const uint8_t*>(image.get()), tagLength,
                          source.info.size, state, out);
}

bool AppendPendingFrames(WalkState& state, TagAppender& out) {
  for (const id3v2::HandledFrame& frame : id3v2::kFrameOrder) {
    bool& pending = state.PendingOf(frame.field);
    if (!pending) continue;
    if (!AppendFieldFrame(out, frame)) return false;
    pending = false;
  }
  return true;
}

void FillHeader(uint8_t* header, uint32_t tagSize) {
  std::memcpy(header + id3v2::kMarkerOffset, id3v2::kMarkerText, id3v2::kMarkerLength);
  header[id3v2::kVersionOffset] = id3v2::kWrittenVersion;
  header[id3v2::kRevisionOffset] = id3v2::kWrittenRevision;
  header[id3v2::kFlagsOffset] = id3v2::kWrittenFlags;
  id3v2::WriteSyncsafe(tagSize, header + id3v2::kSizeOffset);
}

// Rewrites the first 10 bytes of the temporary file in place with the real tag size.
int32_t WriteFinalHeader(FileSystem& fs, const std::string& tempPath, uint32_t tagSize) {
  File temp = File::Open(fs, tempPath.c_str(), OpenMode::kReadWrite);
  if (!temp.IsOpen()) return kId3v2WriteCannotReopenTemp;
  uint8_t header[id3v2::kHeaderSize] = {};
  FillHeader(header, tagSize);
  if (!temp.SeekTo(0) || temp.WriteFull(header, sizeof header) != sizeof header)
    return kId3v2WriteFailed;
  return temp.Close() ? 0 : kId3v2WriteFailed;
}

// Steps after the temporary file exists; the caller deletes it on every way out.
int32_t BuildAndReplace(FileSystem& fs, const char* path, TemporaryFile& temp) {
  TagAppender out(fs, temp.path());
  uint8_t provisional[id3v2::kHeaderSize] = {};
  FillHeader(provisional, 0);
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

  WalkState state;
  if (source.tagLength > 0) {
    if (int32_t result = RewriteOldTag(source, state, out); result != 0) return result;
  }
  if (!AppendPendingFrames(state, out)) return kId3v2WriteFailed;

  // Header and frames so far; the padding that follows completes the tag size.
  const int64_t tagSize = out.written();
  if (tagSize > kMaxSyncsafeSize) return kId3v2WriteFrameTooLarge;
  if (int32_t result = WriteFinalHeader(fs, temp.path(), static_cast<uint32_t>(tagSize));
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
  if (headerBytes < kHeaderSize) return 0;
  if (std::memcmp(header + kMarkerOffset, kMarkerText, kMarkerLength) != 0) return 0;
  const int64_t tagSize = ReadSyncsafe(header + kSizeOffset);
  if (fileSize < tagSize) return 0;
  return tagSize + static_cast<int64_t>(kHeaderSize);
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
