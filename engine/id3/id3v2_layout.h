// Byte layout of the ID3v2 tag at the start of an MP3 file: the 10-byte tag header, the 10-byte
// frame header, the size encodings, and the twelve frames this system reads and writes, in the
// fixed frame order with their field, text decoding and smallest data size worth taking.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "id3/id3v2_fields.h"

namespace tolvo::engine::id3v2 {

// Tag header, the first 10 bytes of the file.
inline constexpr size_t kHeaderSize = 10;
inline constexpr char kMarkerText[] = "ID3";  // compared without its terminating zero
inline constexpr size_t kMarkerOffset = 0;
inline constexpr size_t kMarkerLength = 3;
inline constexpr size_t kVersionOffset = 3;   // written as 3, not looked at on reading
inline constexpr size_t kRevisionOffset = 4;  // written as 0, not looked at on reading
inline constexpr size_t kFlagsOffset = 5;     // written as 0, not interpreted on reading
inline constexpr size_t kSizeOffset = 6;      // syncsafe: bytes after the header
inline constexpr size_t kSizeLength = 4;
inline constexpr uint8_t kWrittenVersion = 3;
inline constexpr uint8_t kWrittenRevision = 0;
inline constexpr uint8_t kWrittenFlags = 0;

// Frame header, repeated after the tag header.
inline constexpr size_t kFrameHeaderSize = 10;
inline constexpr size_t kFrameIdOffset = 0;
inline constexpr size_t kFrameIdLength = 4;
inline constexpr size_t kFrameSizeOffset = 4;   // plain 32-bit big-endian, header not counted
inline constexpr size_t kFrameFlagsOffset = 8;  // two bytes, ignored on reading
inline constexpr size_t kFrameFlagsLength = 2;

// Limits and block slack shared by the reader and the writer.
inline constexpr int64_t kMaxFrameDataSize = 64000;  // larger frames end the walk
inline constexpr size_t kPaddingSize = 10;           // zero bytes written after the frames
inline constexpr size_t kImageSlack = 100;           // tag image block: tag length + 100
inline constexpr size_t kFrameWorkSlack = 10;        // frame work block: data size + 10, zeroed
inline constexpr size_t kFieldTextSlack = 100;       // field text block: length + 100

// The tag size as read: each byte is taken whole (a set top bit is not masked), so a malformed
// size reads as a larger number rather than being silently corrected.
constexpr uint32_t ReadSyncsafe(const uint8_t* bytes) {
  return (uint32_t{bytes[0]} << 21) | (uint32_t{bytes[1]} << 14) | (uint32_t{bytes[2]} << 7) |
         uint32_t{bytes[3]};
}
// The tag size as written: 7 bits per byte, most significant first.
constexpr void WriteSyncsafe(uint32_t size, uint8_t* bytes) {
  bytes[0] = static_cast<uint8_t>((size >> 21) & 0x7F);
  bytes[1] = static_cast<uint8_t>((size >> 14) & 0x7F);
  bytes[2] = static_cast<uint8_t>((size >> 7) & 0x7F);
  bytes[3] = static_cast<uint8_t>(size & 0x7F);
}
constexpr uint32_t ReadBigEndian32(const uint8_t* bytes) {
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
         uint32_t{bytes[3]};
}
constexpr void WriteBigEndian32(uint32_t value, uint8_t* bytes) {
  bytes[0] = static_cast<uint8_t>(value >> 24);
  bytes[1] = static_cast<uint8_t>(value >> 16);
  bytes[2] = static_cast<uint8_t>(value >> 8);
  bytes[3] = static_cast<uint8_t>(value);
}

// How a frame's data turns into a text.
enum class TextKind {
  kText,     // encoding byte, text
  kUrl,      // encoding byte, description, zero, URL (WXXX)
  kComment,  // encoding byte, 3 language bytes, description, zero, comment (COMM)
};

struct HandledFrame {
  char id[kFrameIdLength + 1];
  Id3v2Field field;
  TextKind kind;
  int32_t minimumDataSize;  // a frame with less data leaves its field alone on reading
};

// The twelve handled frames in the fixed frame order: the order IDs are compared in when
// reading, and the order the writer appends frames that had no place in an old tag.
inline constexpr std::array<HandledFrame, kId3v2FieldCount> kFrameOrder{{
    {"TENC", Id3v2Field::kEncodedBy, TextKind::kText, 2},
    {"WXXX", Id3v2Field::kUrl, TextKind::kUrl, 3},
    {"TCOP", Id3v2Field::kCopyright, TextKind::kText, 2},
    {"TOPE", Id3v2Field::kOriginalArtist, TextKind::kText, 2},
    {"TCOM", Id3v2Field::kComposer, TextKind::kText, 2},
    {"TCON", Id3v2Field::kGenre, TextKind::kText, 2},
    {"TRCK", Id3v2Field::kTrack, TextKind::kText, 2},
    {"COMM", Id3v2Field::kComment, TextKind::kComment, 6},
    {"TYER", Id3v2Field::kYear, TextKind::kText, 2},
    {"TALB", Id3v2Field::kAlbum, TextKind::kText, 2},
    {"TPE1", Id3v2Field::kArtist, TextKind::kText, 2},
    {"TIT2", Id3v2Field::kTitle, TextKind::kText, 2},
}};

// The handled frame with this ID (4 bytes, not zero-terminated), or null for any other ID.
inline const HandledFrame* FindHandledFrame(const uint8_t* id) {
  for (const HandledFrame& frame : kFrameOrder) {
    if (std::memcmp(frame.id, id, kFrameIdLength) == 0) return &frame;
  }
  return nullptr;
}

// The decoding kind of any frame ID: unknown frames decode as text.
inline TextKind KindOfFrame(const uint8_t* id) {
  const HandledFrame* frame = FindHandledFrame(id);
  return frame ? frame->kind : TextKind::kText;
}

}  // namespace tolvo::engine::id3v2
