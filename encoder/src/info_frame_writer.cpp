// Writes and recognises the info frame at the start of an MP3 file.
#include "info_frame_writer.h"

#include <cstring>

namespace tolvo::encoder {
namespace {

// MPEG audio frame header, 4 bytes: 11 sync bits, version (2), layer (2), protection (1) ...
constexpr size_t kFrameHeaderSize = 4;
constexpr size_t kCrcSize = 2;
constexpr uint8_t kVersionMpeg1 = 3;
constexpr uint8_t kChannelModeMono = 3;

bool IsFrameSync(const uint8_t* header) { return header[0] == 0xFF && (header[1] & 0xE0) == 0xE0; }

bool IsMono(const uint8_t* header) { return ((header[3] >> 6) & 0x03) == kChannelModeMono; }

// Same version, layer, protection, bitrate, sample rate, padding and channel count: a frame of
// the same length and layout. The stereo mode and its extension may differ, as libmp3lame
// settles them for the final frame only.
bool IsSameFrameKind(const uint8_t* a, const uint8_t* b) {
  return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && IsMono(a) == IsMono(b);
}

// Where a Xing/Info tag starts in a layer III frame: behind the header, the CRC when present,
// and the side information, whose size depends on the MPEG version and the channel count.
size_t TagOffset(const uint8_t* header) {
  const bool mpeg1 = ((header[1] >> 3) & 0x03) == kVersionMpeg1;
  const bool mono = IsMono(header);
  const bool hasCrc = (header[1] & 0x01) == 0;
  const size_t sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  return kFrameHeaderSize + (hasCrc ? kCrcSize : 0) + sideInfo;
}

}  // namespace

BeStatus WriteInfoFrame(const std::string& mp3Path, const std::vector<uint8_t>& frame,
                        platform::FileSystem& fs) {
  if (frame.size() < kFrameHeaderSize || !IsFrameSync(frame.data())) return kBeFileError;
  platform::File file = platform::File::Open(fs, mp3Path.c_str(), platform::OpenMode::kReadWrite);
  if (!file.IsOpen()) return kBeFileError;

  std::vector<uint8_t> present(frame.size());
  if (file.ReadFull(present.data(), present.size()) != static_cast<int64_t>(present.size())) {
    return kBeFileError;
  }
  // The reserved frame is of the final frame's kind; anything else is not our stream's start.
  if (!IsSameFrameKind(present.data(), frame.data())) return kBeFileError;

  if (!file.SeekTo(0)) return kBeFileError;
  if (file.WriteFull(frame.data(), frame.size()) != static_cast<int64_t>(frame.size())) {
    return kBeFileError;
  }
  return file.Close() ? kBeOk : kBeFileError;
}

bool StartsWithInfoFrame(const std::string& mp3Path, platform::FileSystem& fs) {
  platform::File file = platform::File::Open(fs, mp3Path.c_str(), platform::OpenMode::kRead);
  if (!file.IsOpen()) return false;
  uint8_t start[64] = {};
  const int64_t got = file.ReadFull(start, sizeof start);
  if (got < static_cast<int64_t>(kFrameHeaderSize) || !IsFrameSync(start)) return false;
  const size_t at = TagOffset(start);
  if (static_cast<int64_t>(at + 4) > got) return false;
  return std::memcmp(start + at, "Xing", 4) == 0 || std::memcmp(start + at, "Info", 4) == 0;
}

}  // namespace tolvo::encoder
