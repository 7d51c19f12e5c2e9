// The tag header, the bounded byte stream over a tag, and the frame walk of all three versions.
#include "id3/id3v2_tag_stream.h"

#include <algorithm>
#include <cstring>

#include "id3/id3v2_frame_ids.h"
#include "id3/id3v2_layout.h"

namespace tolvo::engine::id3v2 {
namespace {

// Room of the stream's buffer: large frames pass through it in pieces of this size.
constexpr size_t kStreamBuffer = 64 * 1024;

}  // namespace

bool TagHeader::HasFooter() const { return version == kVersion24 && (flags & kTagFooter) != 0; }
bool TagHeader::Unsynchronised() const { return (flags & kTagUnsynchronised) != 0; }
bool TagHeader::HasExtendedHeader() const {
  return (version == kVersion23 || version == kVersion24) && (flags & kTagExtendedHeader) != 0;
}

bool ParseTagHeader(const uint8_t* bytes, size_t count, int64_t fileSize, TagHeader* header) {
  if (count < kHeaderSize) return false;
  if (std::memcmp(bytes + kMarkerOffset, kMarkerText, kMarkerLength) != 0) return false;
  TagHeader parsed;
  parsed.version = bytes[kVersionOffset];
  parsed.flags = bytes[kFlagsOffset];
  parsed.size = ReadSyncsafe(bytes + kSizeOffset);
  if (fileSize < parsed.size) return false;
  parsed.length = parsed.size + static_cast<int64_t>(kHeaderSize);
  if (parsed.HasFooter()) parsed.length += static_cast<int64_t>(kFooterSize);
  *header = parsed;
  return true;
}

TagStream::TagStream(platform::File& file, int64_t begin, int64_t end, bool unsynchronised)
    : file_(file), end_(std::max(begin, end)), unsync_(unsynchronised), bufferStart_(begin) {}

void TagStream::MoveTo(int64_t raw) {
  const int64_t inBuffer = raw - bufferStart_;
  if (inBuffer >= 0 && inBuffer <= static_cast<int64_t>(fill_)) {
    pos_ = static_cast<size_t>(inBuffer);
    return;
  }
  bufferStart_ = raw;
  pos_ = fill_ = 0;
  seekNeeded_ = true;
}

bool TagStream::Fill() {
  if (pos_ < fill_) return true;
  bufferStart_ += static_cast<int64_t>(fill_);
  pos_ = fill_ = 0;
  const int64_t left = end_ - bufferStart_;
  if (left <= 0) return true;
  if (buffer_.empty()) buffer_.resize(kStreamBuffer);
  if (seekNeeded_ && !file_.SeekTo(bufferStart_)) return false;
  seekNeeded_ = false;
  const int64_t got =
      file_.ReadFull(buffer_.data(), static_cast<size_t>(std::min<int64_t>(left, kStreamBuffer)));
  if (got < 0) return false;
  fill_ = static_cast<size_t>(got);
  return true;
}

int64_t TagStream::Read(uint8_t* out, size_t count) {
  size_t given = 0;
  while (given < count) {
    if (!Fill()) return -1;
    if (pos_ == fill_) break;  // the end of the tag (or of the file)
    if (!unsync_) {
      const size_t take = std::min(count - given, fill_ - pos_);
      std::memcpy(out + given, buffer_.data() + pos_, take);
      pos_ += take;
      given += take;
      continue;
    }
    const uint8_t byte = buffer_[pos_++];
    if (afterFF_ && byte == 0) {
      afterFF_ = false;
      continue;
    }
    afterFF_ = byte == 0xFF;
    out[given++] = byte;
  }
  return static_cast<int64_t>(given);
}

int64_t TagStream::Skip(int64_t count) {
  if (count <= 0) return 0;
  if (!unsync_) {
    const int64_t step = std::min(count, RawRemaining());
    MoveTo(RawPosition() + step);
    return step;
  }
  uint8_t scratch[4096];
  int64_t skipped = 0;
  while (skipped < count) {
    const int64_t got =
        Read(scratch, static_cast<size_t>(std::min<int64_t>(count - skipped, sizeof scratch)));
    if (got < 0) return -1;
    if (got == 0) break;
    skipped += got;
  }
  return skipped;
}

bool TagStream::Rewind(const Mark& mark) {
  MoveTo(mark.raw);
  afterFF_ = mark.afterFF;
  return true;
}

int64_t TagStream::PeekRaw(int64_t offset, uint8_t* out, size_t count) {
  if (offset >= end_) return 0;
  const int64_t wanted = std::min<int64_t>(static_cast<int64_t>(count), end_ - offset);
  if (!file_.SeekTo(offset)) return -1;
  seekNeeded_ = true;  // the file no longer stands where the buffer left it
  return file_.ReadFull(out, static_cast<size_t>(wanted));
}

FrameWalker::FrameWalker(platform::File& file, int64_t fileSize, const TagHeader& header)
    : header_(header),
      fileSize_(fileSize),
      framesEnd_(static_cast<int64_t>(kHeaderSize) + header.size),
      stream_(file, static_cast<int64_t>(kHeaderSize), framesEnd_,
              header.Unsynchronised() && header.version != kVersion24) {}

FrameWalker::Step FrameWalker::SkipExtendedHeader() {
  uint8_t sizeBytes[kExtendedSizeLength];
  const int64_t got = stream_.Read(sizeBytes, sizeof sizeBytes);
  if (got < 0) return Step::kError;
  if (got < static_cast<int64_t>(sizeof sizeBytes)) return Step::kEnd;
  int64_t rest = 0;
  if (header_.version == kVersion24) {
    rest =
        static_cast<int64_t>(ReadSyncsafe(sizeBytes)) - static_cast<int64_t>(kExtendedSizeLength);
  } else {
    rest = ReadBigEndian32(sizeBytes);
  }
  // A size that does not fit the tag leaves nothing to walk.
  if (rest < 0 || rest > stream_.RawRemaining()) return Step::kEnd;
  const int64_t skipped = stream_.Skip(rest);
  if (skipped < 0) return Step::kError;
  return skipped == rest ? Step::kFrame : Step::kEnd;
}

bool FrameWalker::LandsOnFrame(int64_t offset) {
  if (offset == framesEnd_) return true;
  if (offset > framesEnd_) return false;
  uint8_t id[kFrameIdLength] = {};
  const int64_t got = stream_.PeekRaw(offset, id, sizeof id);
  if (got <= 0) return false;
  if (id[0] == 0) return true;  // padding
  return got == static_cast<int64_t>(sizeof id) && IsFrameId(id, sizeof id);
}

// Version 2.4 sizes are syncsafe, but some programs wrote plain numbers there. A size whose bytes
// cannot be syncsafe is plain; otherwise the syncsafe reading holds unless it lands the walk
// nowhere while the plain one lands on a frame or the padding.
int64_t FrameWalker::FrameSize24(const uint8_t* sizeBytes, int64_t dataStart) {
  const int64_t plain = ReadBigEndian32(sizeBytes);
  if (!IsSyncsafe(sizeBytes)) return plain;
  const int64_t syncsafe = ReadSyncsafe(sizeBytes);
  if (syncsafe == plain) return syncsafe;
  if (LandsOnFrame(dataStart + syncsafe)) return syncsafe;
  if (LandsOnFrame(dataStart + plain)) return plain;
  return syncsafe;
}

FrameWalker::Step FrameWalker::Next(FrameHeader* frame) {
  if (!started_) {
    started_ = true;
    if (header_.version == kVersion22 && (header_.flags & kTagCompressed22) != 0) return Step::kEnd;
    if (header_.HasExtendedHeader()) {
      if (Step step = SkipExtendedHeader(); step != Step::kFrame) return step;
    }
  } else if (dataLeft_ > 0) {
    if (stream_.Skip(dataLeft_) < 0) return Step::kError;
  }
  dataLeft_ = 0;

  const bool v22 = header_.version == kVersion22;
  const size_t headerSize = v22 ? kFrameHeaderSize22 : kFrameHeaderSize;
  const size_t idLength = v22 ? kFrameIdLength22 : kFrameIdLength;
  if (stream_.RawRemaining() <= static_cast<int64_t>(headerSize)) return Step::kEnd;
  uint8_t bytes[kFrameHeaderSize] = {};
  const int64_t got = stream_.Read(bytes, headerSize);
  if (got < 0) return Step::kError;
  if (got < static_cast<int64_t>(headerSize)) return Step::kEnd;
  if (bytes[0] == 0 || !IsFrameId(bytes, idLength)) return Step::kEnd;  // padding or garbage

  FrameHeader parsed;
  std::memcpy(parsed.storedId, bytes, idLength);
  int64_t size;
  if (v22) {
    const char* renamed = FrameIdFrom22(bytes);
    if (renamed) std::memcpy(parsed.id, renamed, kFrameIdLength);
    size = ReadBigEndian24(bytes + kFrameSizeOffset22);
  } else {
    std::memcpy(parsed.id, bytes, kFrameIdLength);
    std::memcpy(parsed.flags, bytes + kFrameFlagsOffset, kFrameFlagsLength);
    size = header_.version == kVersion24
               ? FrameSize24(bytes + kFrameSizeOffset, stream_.RawPosition())
               : static_cast<int32_t>(ReadBigEndian32(bytes + kFrameSizeOffset));
  }
  if (size < 0 || size >= fileSize_) {
    parsed.impossibleSize = true;
    size = 1;
  }
  parsed.dataSize = size;
  parsed.runsPastTag = size > stream_.RawRemaining();
  dataLeft_ = size;
  *frame = parsed;
  return Step::kFrame;
}

int64_t FrameWalker::ReadSome(uint8_t* out, size_t count) {
  const int64_t got = stream_.Read(out, static_cast<size_t>(std::min<int64_t>(dataLeft_, count)));
  if (got < 0) return -1;
  // A stream that ends early ends the frame too.
  dataLeft_ = got == 0 ? 0 : dataLeft_ - got;
  return got;
}

bool FrameWalker::ReadData(std::string* out) {
  out->clear();
  // The data can be no longer than the tag: a larger claim is not believed for the allocation.
  out->resize(static_cast<size_t>(std::min(dataLeft_, stream_.RawRemaining())));
  size_t have = 0;
  while (have < out->size()) {
    const int64_t got =
        ReadSome(reinterpret_cast<uint8_t*>(out->data()) + have, out->size() - have);
    if (got < 0) return false;
    if (got == 0) break;
    have += static_cast<size_t>(got);
  }
  out->resize(have);
  dataLeft_ = 0;
  return true;
}

size_t FramePrefixSize(uint8_t version, const uint8_t* flags) {
  const uint8_t format = flags[1];
  if (version == kVersion24) {
    return ((format & kFrame24Grouped) ? 1 : 0) + ((format & kFrame24Encrypted) ? 1 : 0) +
           ((format & kFrame24DataLength) ? 4 : 0);
  }
  if (version == kVersion22) return 0;
  return ((format & kFrame23Compressed) ? 4 : 0) + ((format & kFrame23Encrypted) ? 1 : 0) +
         ((format & kFrame23Grouped) ? 1 : 0);
}

bool IsOpaque(uint8_t version, const uint8_t* flags) {
  if (version == kVersion24) return (flags[1] & (kFrame24Compressed | kFrame24Encrypted)) != 0;
  if (version == kVersion22) return false;
  return (flags[1] & (kFrame23Compressed | kFrame23Encrypted)) != 0;
}

bool IsFrameUnsynchronised(const TagHeader& header, const uint8_t* flags) {
  return header.version == kVersion24 &&
         ((flags[1] & kFrame24Unsynchronised) != 0 || header.Unsynchronised());
}

std::string Resynchronise(const std::string& data) {
  std::string out;
  out.reserve(data.size());
  for (size_t i = 0; i < data.size(); ++i) {
    out += data[i];
    if (static_cast<uint8_t>(data[i]) == 0xFF && i + 1 < data.size() && data[i + 1] == 0) ++i;
  }
  return out;
}

}  // namespace tolvo::engine::id3v2
