// Byte layout of the ID3v2 tag at the start of an MP3 file: the 10-byte tag header with its
// flags, the extended header and the footer, the frame headers of versions 2.2 (6 bytes) and
// 2.3/2.4 (10 bytes) with their flags, the size encodings, and the twelve frames this system
// reads and writes, in the fixed frame order with their field, text decoding and smallest data
// size worth taking.
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
inline constexpr size_t kVersionOffset = 3;   // major version: 2, 3 or 4
inline constexpr size_t kRevisionOffset = 4;  // written as 0
inline constexpr size_t kFlagsOffset = 5;     // written as 0
inline constexpr size_t kSizeOffset = 6;      // syncsafe: bytes after the header (no footer)
inline constexpr size_t kSizeLength = 4;
inline constexpr uint8_t kWrittenVersion = 3;  // for 2.2 and 2.3 tags and files without a tag
inline constexpr uint8_t kVersion22 = 2;
inline constexpr uint8_t kVersion23 = 3;
inline constexpr uint8_t kVersion24 = 4;
inline constexpr uint8_t kWrittenRevision = 0;
inline constexpr uint8_t kWrittenFlags = 0;

// Tag header flags.
inline constexpr uint8_t kTagUnsynchronised = 0x80;  // 2.2/2.3: whole tag; 2.4: every frame
inline constexpr uint8_t kTagCompressed22 = 0x40;    // 2.2 only: no known compression scheme
inline constexpr uint8_t kTagExtendedHeader = 0x40;  // 2.3 and 2.4
inline constexpr uint8_t kTagFooter = 0x10;          // 2.4: a copy of the header after the tag

// Extended header, right after the tag header. 2.3: a plain size that does not count its own 4
// bytes; 2.4: a syncsafe size that counts the whole extended header.
inline constexpr size_t kExtendedSizeLength = 4;
inline constexpr size_t kFooterSize = 10;  // "3DI", then the header's version, flags and size

// Frame header, repeated after the tag header.
inline constexpr size_t kFrameHeaderSize = 10;
inline constexpr size_t kFrameIdOffset = 0;
inline constexpr size_t kFrameIdLength = 4;
inline constexpr size_t kFrameSizeOffset = 4;   // plain 32-bit big-endian, header not counted
inline constexpr size_t kFrameFlagsOffset = 8;  // status byte, then format byte
inline constexpr size_t kFrameFlagsLength = 2;
// Version 2.2 frame header: three-letter ID, 24-bit big-endian size, no flags.
inline constexpr size_t kFrameHeaderSize22 = 6;
inline constexpr size_t kFrameIdLength22 = 3;
inline constexpr size_t kFrameSizeOffset22 = 3;

// Frame format flags (second flag byte) and the bytes they add before the frame's data, in the
// order those bytes appear.
inline constexpr uint8_t kFrame23Compressed = 0x80;  // adds 4 bytes: decompressed size
inline constexpr uint8_t kFrame23Encrypted = 0x40;   // adds 1 byte: method
inline constexpr uint8_t kFrame23Grouped = 0x20;     // adds 1 byte: group
inline constexpr uint8_t kFrame24Grouped = 0x40;     // adds 1 byte: group
inline constexpr uint8_t kFrame24Compressed = 0x08;
inline constexpr uint8_t kFrame24Encrypted = 0x04;  // adds 1 byte: method
inline constexpr uint8_t kFrame24Unsynchronised = 0x02;
inline constexpr uint8_t kFrame24DataLength = 0x01;  // adds 4 bytes: syncsafe data length
// Status flag (first flag byte) that asks other software to discard the frame when the file
// (not the tag) is altered: the writer sets it on TENC.
inline constexpr uint8_t kFrame23DiscardOnFileAlter = 0x40;
inline constexpr uint8_t kFrame24DiscardOnFileAlter = 0x20;

// Limits and block slack shared by the reader and the writer.
inline constexpr size_t kPaddingSize = 10;          // zero bytes written after the frames
inline constexpr size_t kFieldTextSlack = 100;      // field text block: length + 100
inline constexpr int64_t kMaxTagSize = 0x0FFFFFFF;  // the largest size a syncsafe field holds

constexpr bool IsSyncsafe(const uint8_t* bytes) {
  return ((bytes[0] | bytes[1] | bytes[2] | bytes[3]) & 0x80) == 0;
}
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
constexpr uint32_t ReadBigEndian24(const uint8_t* bytes) {
  return (uint32_t{bytes[0]} << 16) | (uint32_t{bytes[1]} << 8) | uint32_t{bytes[2]};
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

// Version 2.4 keeps the year in TDRC (a timestamp that starts with it); the reader takes it when
// a tag has no TYER, and the writer stores the year there in a 2.4 tag.
inline constexpr char kRecordingTimeId[] = "TDRC";

}  // namespace tolvo::engine::id3v2
