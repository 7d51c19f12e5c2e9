// The frames of an ID3v2 tag read from a file that is already open: the header and its flags,
// a byte stream over the tag through one bounded buffer (tag-wide unsynchronisation undone on
// the way), and the walk from frame header to frame header for versions 2.2, 2.3 and 2.4. The
// reader and the writer both walk a tag with it; neither ever holds a tag or a frame whole
// unless it asks for one frame's data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tolvo/platform/file_system.h"

namespace tolvo::engine::id3v2 {

struct TagHeader {
  uint8_t version = 0;  // 2, 3 or 4; any other value is walked as 2.3
  uint8_t flags = 0;
  int64_t size = 0;    // the size field: bytes between the header and the footer
  int64_t length = 0;  // the whole tag in the file: header, size, and a 2.4 footer
  bool HasFooter() const;
  bool Unsynchronised() const;  // 2.2/2.3: the whole tag; 2.4: every frame
  bool HasExtendedHeader() const;
};

// Reads the header from the first count bytes of a file of fileSize bytes. False when they hold
// no usable tag: no "ID3", or a size field larger than the file (the file need only hold the
// size, not the 10 header bytes on top: a short read of the tag reports that case).
bool ParseTagHeader(const uint8_t* bytes, size_t count, int64_t fileSize, TagHeader* header);

// The tag's bytes from `begin` to `end` of the open file.
class TagStream {
 public:
  TagStream(platform::File& file, int64_t begin, int64_t end, bool unsynchronised);
  // Up to count bytes; fewer at the end of the tag; -1 on a read error.
  int64_t Read(uint8_t* out, size_t count);
  // Skips up to count bytes; the number skipped, -1 on a read error.
  int64_t Skip(int64_t count);
  // File bytes of the tag not read yet: an upper bound of what the stream still gives.
  int64_t RawRemaining() const { return end_ - RawPosition(); }
  int64_t RawPosition() const { return bufferStart_ + static_cast<int64_t>(pos_); }

  // A place in the stream to come back to.
  struct Mark {
    int64_t raw;
    bool afterFF;
  };
  Mark Here() const { return {RawPosition(), afterFF_}; }
  bool Rewind(const Mark& mark);
  // The file's bytes at offset (within the tag), without moving the stream; the number read.
  int64_t PeekRaw(int64_t offset, uint8_t* out, size_t count);

 private:
  bool Fill();  // false on an error; at the end of the tag nothing is added
  void MoveTo(int64_t raw);

  platform::File& file_;
  int64_t end_;
  bool unsync_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;
  size_t fill_ = 0;
  int64_t bufferStart_;     // file offset of buffer_[0]
  bool seekNeeded_ = true;  // the file's position is not bufferStart_ + fill_
  bool afterFF_ = false;    // the last byte given was FF: a following 00 is an inserted byte
};

struct FrameHeader {
  char id[5] = {};              // 2.3/2.4 ID; a 2.2 frame's 2.3 name, empty when 2.3 has none
  uint8_t storedId[4] = {};     // as in the file (three bytes in 2.2)
  uint8_t flags[2] = {};        // as in the file; 00 00 for 2.2
  int64_t dataSize = 0;         // data bytes in the stream after the header
  bool impossibleSize = false;  // negative or not smaller than the file: walked over as 1 byte
  bool runsPastTag = false;     // the data claims more bytes than the tag has left
};

class FrameWalker {
 public:
  FrameWalker(platform::File& file, int64_t fileSize, const TagHeader& header);
  enum class Step { kFrame, kEnd, kError };
  // Moves past the rest of the current frame and reads the next frame's header.
  Step Next(FrameHeader* frame);
  // Reads the rest of the current frame's data into out (fewer bytes when the tag ends first);
  // false on a read error.
  bool ReadData(std::string* out);
  // Up to count bytes of the current frame's data; -1 on an error.
  int64_t ReadSome(uint8_t* out, size_t count);
  int64_t DataLeft() const { return dataLeft_; }
  // After the stream was rewound to a mark inside the current frame: the data left from there.
  void RestoreDataLeft(int64_t left) { dataLeft_ = left; }
  TagStream& stream() { return stream_; }
  uint8_t version() const { return header_.version; }

 private:
  Step SkipExtendedHeader();
  int64_t FrameSize24(const uint8_t* sizeBytes, int64_t dataStart);
  bool LandsOnFrame(int64_t offset);

  TagHeader header_;
  int64_t fileSize_;
  int64_t framesEnd_;
  TagStream stream_;
  bool started_ = false;
  int64_t dataLeft_ = 0;
};

// The number of data bytes a frame's format flags put before its content (group, method, data
// length), for the frame's version.
size_t FramePrefixSize(uint8_t version, const uint8_t* flags);
// True when the frame's content is compressed or encrypted: its text cannot be read.
bool IsOpaque(uint8_t version, const uint8_t* flags);
// True when the 2.4 frame's data is unsynchronised (its own flag, or the tag header's).
bool IsFrameUnsynchronised(const TagHeader& header, const uint8_t* flags);
// Undoes unsynchronisation: every 00 that follows an FF is dropped.
std::string Resynchronise(const std::string& data);

}  // namespace tolvo::engine::id3v2
