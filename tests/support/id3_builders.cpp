// Builders for ID3 fixtures from literal bytes.
#include "id3_builders.h"

#include <cstdlib>

namespace tolvo::test {

Bytes TextBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes Padded(std::string_view text, size_t width, uint8_t pad) {
  if (text.size() > width) std::abort();  // a fixture that does not fit is a broken test
  Bytes bytes = TextBytes(text);
  bytes.resize(width, pad);
  return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes AudioBytes(size_t count) {
  Bytes bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(0x80 + (i * 7) % 0x7F);
  // The start of an MPEG-1 Layer III frame (128 kbit/s, 44.1 kHz), so the tag code takes the
  // bytes for an MP3 file.
  constexpr uint8_t kFrameHeader[] = {0xFF, 0xFB, 0x90, 0x64};
  for (size_t i = 0; i < count && i < sizeof kFrameHeader; ++i) bytes[i] = kFrameHeader[i];
  return bytes;
}

Bytes Id3v1Record(const Id3v1Parts& parts) {
  if (parts.commentArea.size() != 30) std::abort();
  return Concat({TextBytes("TAG"), Padded(parts.title, 30, parts.pad),
                 Padded(parts.artist, 30, parts.pad), Padded(parts.album, 30, parts.pad),
                 Padded(parts.year, 4, parts.pad), parts.commentArea, Bytes{parts.genre}});
}

Bytes CommentV1(std::string_view comment, uint8_t pad) { return Padded(comment, 30, pad); }

Bytes CommentV11(std::string_view comment, uint8_t track) {
  return Concat({Padded(comment, 28), Bytes{0, track}});
}

Bytes Id3v2HeaderRaw(const Bytes& sizeBytes) {
  if (sizeBytes.size() != 4) std::abort();
  return Concat({TextBytes("ID3"), Bytes{3, 0, 0}, sizeBytes});
}

Bytes Id3v2Header(uint32_t tagSize) {
  return Id3v2HeaderRaw(
      {static_cast<uint8_t>((tagSize >> 21) & 0x7F), static_cast<uint8_t>((tagSize >> 14) & 0x7F),
       static_cast<uint8_t>((tagSize >> 7) & 0x7F), static_cast<uint8_t>(tagSize & 0x7F)});
}

Bytes FrameDeclaring(std::string_view id, uint32_t declaredSize, const Bytes& data) {
  if (id.size() != 4) std::abort();
  return Concat(
      {TextBytes(id),
       Bytes{static_cast<uint8_t>(declaredSize >> 24), static_cast<uint8_t>(declaredSize >> 16),
             static_cast<uint8_t>(declaredSize >> 8), static_cast<uint8_t>(declaredSize)},
       Bytes{0, 0}, data});
}

Bytes Frame(std::string_view id, const Bytes& data, uint16_t flags) {
  Bytes frame = FrameDeclaring(id, static_cast<uint32_t>(data.size()), data);
  frame[8] = static_cast<uint8_t>(flags >> 8);
  frame[9] = static_cast<uint8_t>(flags);
  return frame;
}

Bytes TextData(std::string_view text) { return Concat({Bytes{0}, TextBytes(text)}); }

Bytes Id3v2Tag(const Bytes& frames, size_t padding) {
  return Concat(
      {Id3v2Header(static_cast<uint32_t>(frames.size() + padding)), frames, Bytes(padding, 0)});
}

}  // namespace tolvo::test

namespace tolvo::test {

Bytes Frame24(std::string_view id, const Bytes& data, uint16_t flags) {
  if (id.size() != 4) std::abort();
  const auto size = static_cast<uint32_t>(data.size());
  return Concat(
      {TextBytes(id),
       Bytes{static_cast<uint8_t>((size >> 21) & 0x7F), static_cast<uint8_t>((size >> 14) & 0x7F),
             static_cast<uint8_t>((size >> 7) & 0x7F), static_cast<uint8_t>(size & 0x7F)},
       Bytes{static_cast<uint8_t>(flags >> 8), static_cast<uint8_t>(flags)}, data});
}

Bytes Frame22(std::string_view id, const Bytes& data) {
  if (id.size() != 3) std::abort();
  const auto size = static_cast<uint32_t>(data.size());
  return Concat({TextBytes(id),
                 Bytes{static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 8),
                       static_cast<uint8_t>(size)},
                 data});
}

Bytes Id3v2TagOf(uint8_t version, uint8_t flags, const Bytes& body) {
  Bytes header = Id3v2Header(static_cast<uint32_t>(body.size()));
  header[3] = version;
  header[5] = flags;
  if (version == 4 && (flags & 0x10)) {
    Bytes footer = header;
    footer[0] = '3', footer[1] = 'D', footer[2] = 'I';
    return Concat({header, body, footer});
  }
  return Concat({header, body});
}

Bytes Unsynchronised(const Bytes& bytes) {
  Bytes out;
  for (uint8_t b : bytes) {
    out.push_back(b);
    if (b == 0xFF) out.push_back(0);
  }
  return out;
}

}  // namespace tolvo::test
