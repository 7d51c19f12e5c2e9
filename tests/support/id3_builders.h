// Builders for ID3 fixtures: ID3v1 records and ID3v2 tags assembled from literal bytes, so that a
// test shows exactly what lies in the file it reads.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "test_support.h"

namespace tolvo::test {

// The bytes of a text, without a terminating zero.
Bytes TextBytes(std::string_view text);
// A text padded with pad bytes to width (the text must fit).
Bytes Padded(std::string_view text, size_t width, uint8_t pad = 0);
Bytes Concat(std::initializer_list<Bytes> parts);
// Bytes that stand for audio: an MPEG frame header, then a repeating, non-zero pattern, so a
// cut or a shift shows.
Bytes AudioBytes(size_t count);

// An ID3v1 record: "TAG", the texts padded with pad, then 30 raw comment-area bytes (offsets
// 97 to 126, so a test sets bytes 125 and 126 itself) and the genre byte.
struct Id3v1Parts {
  std::string title, artist, album, year;
  Bytes commentArea = Bytes(30, 0);
  uint8_t genre = 255;
  uint8_t pad = 0;
};
Bytes Id3v1Record(const Id3v1Parts& parts);
// The 30-byte comment area of the two forms.
Bytes CommentV1(std::string_view comment, uint8_t pad = 0);
Bytes CommentV11(std::string_view comment, uint8_t track);

// A 10-byte ID3v2 header "ID3" 03 00 00 with the syncsafe tag size.
Bytes Id3v2Header(uint32_t tagSize);
// A header with four raw size bytes, for sizes a writer would never produce.
Bytes Id3v2HeaderRaw(const Bytes& sizeBytes);
// A frame whose size field is the data's length.
Bytes Frame(std::string_view id, const Bytes& data, uint16_t flags = 0);
// A frame whose size field says declaredSize, whatever data follows.
Bytes FrameDeclaring(std::string_view id, uint32_t declaredSize, const Bytes& data);
// Text frame data: encoding byte 00 and the text.
Bytes TextData(std::string_view text);
// A whole tag: header, frames, padding zeros; the size field counts frames and padding.
Bytes Id3v2Tag(const Bytes& frames, size_t padding = 0);

// Other versions. A 2.4 frame has a syncsafe size; a 2.2 frame a 3-letter ID and a 3-byte size.
Bytes Frame24(std::string_view id, const Bytes& data, uint16_t flags = 0);
Bytes Frame22(std::string_view id, const Bytes& data);
// A tag of any version and flags around body (extended header and frames as given); with the
// footer flag (2.4: 0x10) a footer "3DI" follows the body.
Bytes Id3v2TagOf(uint8_t version, uint8_t flags, const Bytes& body);
// Inserts a zero after every FF, as unsynchronisation does (also after a final FF).
Bytes Unsynchronised(const Bytes& bytes);

}  // namespace tolvo::test
