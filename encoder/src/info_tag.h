// The totals an info frame carries (Xing/Info tag with its LAME extension) and how they are put
// into a frame that libmp3lame rendered, when the stream was encoded in blocks by several
// libmp3lame contexts and none of them saw the whole stream.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tolvo::encoder {

// Byte offsets inside the tag, counted from its "Xing"/"Info" marker.
namespace info_tag {
inline constexpr size_t kFlags = 4;       // 32-bit big-endian
inline constexpr size_t kFrameCount = 8;  // audio frames, the info frame not counted
inline constexpr size_t kByteCount = 12;  // the whole stream, the info frame included
inline constexpr size_t kToc = 16;        // 100 bytes
inline constexpr size_t kTocSize = 100;
inline constexpr size_t kExtension = 120;     // "LAME" and the encoder version, 9 bytes
inline constexpr size_t kDelayPadding = 141;  // 12 bits delay, 12 bits padding
inline constexpr size_t kMusicLength = 148;   // 32-bit: the stream's bytes, info frame included
inline constexpr size_t kMusicCrc = 152;      // 16-bit: CRC-16 of every audio frame's bytes
inline constexpr size_t kTagCrc = 154;        // 16-bit: CRC-16 of the frame up to here
inline constexpr size_t kEnd = 156;
inline constexpr uint32_t kTocFlag = 0x04;
inline constexpr uint32_t kFrameCountFlag = 0x01;
inline constexpr uint32_t kByteCountFlag = 0x02;
}  // namespace info_tag

struct StreamTotals {
  uint32_t audioFrames = 0;
  uint32_t bytes = 0;  // info frame included
  int delay = 0;       // samples before the input's first sample
  int padding = 0;     // samples after its last
  uint16_t musicCrc = 0;
  std::array<uint8_t, info_tag::kTocSize> toc{};
};

// CRC-16 with the polynomial 0x8005 in its reflected form, starting from `crc` (0 at first).
uint16_t Crc16(const uint8_t* data, size_t size, uint16_t crc = 0);

// Writes the totals into a rendered info frame. False, and the frame untouched, when it carries
// no Xing/Info tag. The LAME extension, when present, gets delay, padding, length and both CRCs.
bool PutTotals(const StreamTotals& totals, std::vector<uint8_t>* frame);

}  // namespace tolvo::encoder
