// The frames of a rewritten ID3v2 tag: the old tag walked from the open MP3 file, the twelve
// fields' new frames put in the places of their old ones, every other frame carried over with its
// content and flags, and the fields that had no place appended in the fixed frame order. Frames
// pass through a bounded buffer; the caller decides where the bytes go and how the file is
// replaced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "id3/id3v2_tag_stream.h"
#include "tolvo/platform/file_system.h"

namespace tolvo::engine::id3v2 {

// Where the new tag's bytes go.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Append(const void* bytes, size_t count) = 0;
};

enum class BuildResult {
  kDone,
  kCannotReadTag,  // the old tag's bytes cannot be read
  kCannotCarry,    // a frame or the tag itself cannot be carried over faithfully
  kWriteFailed,    // the sink refused bytes
};

// The version the new tag is written in: a 2.4 tag stays 2.4; 2.2, 2.3 and no tag give 2.3.
// oldTag is null when the file has no tag.
uint8_t WrittenVersionFor(const TagHeader* oldTag);

// Appends the frames of the new tag (no header, no padding) to out. oldTag is null when the file
// has no tag; then the twelve frames come in the fixed frame order.
BuildResult BuildFrames(platform::File& source, int64_t fileSize, const TagHeader* oldTag,
                        ByteSink& out);

// The new frame of one field in the given version: ISO-8859-1 texts when every character fits,
// else UTF-16 with a byte-order mark. A comment takes the 3 language bytes given, else zeros.
std::string FieldFrame(int fieldIndexInFrameOrder, const std::string& text, uint8_t version,
                       const std::string& language = {});

// The 10-byte tag header: "ID3", version, revision 0, flags 0, the syncsafe size.
void FillTagHeader(uint8_t* header, uint8_t version, uint32_t tagSize);

}  // namespace tolvo::engine::id3v2
