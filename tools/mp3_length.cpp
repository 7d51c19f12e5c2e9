// A walk over MPEG-1/2/2.5 layer III frame headers.
#include "mp3_length.h"

#include <algorithm>
#include <iterator>

#include "tolvo/platform/file_system.h"

namespace tolvo::tool {
namespace {

constexpr size_t kId3v2HeaderSize = 10;
constexpr size_t kId3v2SizeOffset = 6;  // four syncsafe bytes, 7 bits each
constexpr size_t kFrameHeaderSize = 4;

// Bitrates in kbit/s by bitrate index, for MPEG-1 and for MPEG-2/2.5 layer III.
constexpr int kBitratesV1[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                 112, 128, 160, 192, 224, 256, 320, 0};
constexpr int kBitratesV2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr int kSampleRatesV1[3] = {44100, 48000, 32000};

struct FrameHeader {
  size_t length = 0;
  int sampleRate = 0;
  int samples = 0;
  size_t sideInfoSize = 0;
};

// Reads the four header bytes at `at`; nullopt when they are not a layer III frame header.
std::optional<FrameHeader> ReadFrameHeader(const std::vector<uint8_t>& b, size_t at) {
  if (b.size() - at < kFrameHeaderSize) return {};
  if (b[at] != 0xFF || (b[at + 1] & 0xE0) != 0xE0) return {};
  int version = (b[at + 1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5, 1 reserved
  int layer = (b[at + 1] >> 1) & 3;    // 1 is layer III
  int bitrateIndex = b[at + 2] >> 4;
  int rateIndex = (b[at + 2] >> 2) & 3;
  int padding = (b[at + 2] >> 1) & 1;
  bool mono = (b[at + 3] >> 6) == 3;
  if (version == 1 || layer != 1 || rateIndex == 3) return {};
  bool mpeg1 = version == 3;
  int kbps = mpeg1 ? kBitratesV1[bitrateIndex] : kBitratesV2[bitrateIndex];
  if (kbps == 0) return {};  // free format or a bad index
  FrameHeader h;
  h.sampleRate = kSampleRatesV1[rateIndex] / (mpeg1 ? 1 : version == 2 ? 2 : 4);
  h.samples = mpeg1 ? 1152 : 576;
  h.length = static_cast<size_t>((mpeg1 ? 144000 : 72000) * kbps / h.sampleRate + padding);
  h.sideInfoSize = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  return h;
}

bool IsInformationFrame(const std::vector<uint8_t>& b, size_t at, const FrameHeader& h) {
  size_t tagAt = at + kFrameHeaderSize + h.sideInfoSize;
  if (b.size() < tagAt + 4) return false;
  auto tag = b.begin() + static_cast<std::ptrdiff_t>(tagAt);
  return std::equal(tag, tag + 4, "Xing") || std::equal(tag, tag + 4, "Info");
}

size_t Id3v2TagEnd(const std::vector<uint8_t>& b) {
  if (b.size() < kId3v2HeaderSize || !std::equal(b.begin(), b.begin() + 3, "ID3")) return 0;
  size_t size = 0;
  for (size_t i = 0; i < 4; ++i) size = (size << 7) | (b[kId3v2SizeOffset + i] & 0x7F);
  return kId3v2HeaderSize + size;
}

}  // namespace

Mp3Length MeasureMp3(const std::vector<uint8_t>& image) {
  Mp3Length length;
  size_t at = Id3v2TagEnd(image);
  bool first = true;
  while (at < image.size()) {
    std::optional<FrameHeader> h = ReadFrameHeader(image, at);
    if (!h || h->length > image.size() - at) break;  // not a frame, or one cut short
    if (!(first && IsInformationFrame(image, at, *h))) {
      ++length.frames;
      length.samples += static_cast<uint64_t>(h->samples);
      length.sampleRate = h->sampleRate;
    }
    first = false;
    at += h->length;
  }
  return length;
}

std::optional<Mp3Length> MeasureMp3File(const std::string& path) {
  platform::File file =
      platform::File::Open(platform::RealFileSystem(), path.c_str(), platform::OpenMode::kRead);
  if (!file.IsOpen()) return {};
  const int64_t size = file.Size();
  if (size < 0) return {};
  std::vector<uint8_t> image(static_cast<size_t>(size));
  const int64_t read = file.ReadFull(image.data(), image.size());
  if (read < 0) return {};
  image.resize(static_cast<size_t>(read));
  return MeasureMp3(image);
}

}  // namespace tolvo::tool
