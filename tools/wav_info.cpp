// RIFF chunk walk over the start of a WAV file, with every offset of the layout named once.
#include "wav_info.h"

#include <algorithm>
#include <fstream>

namespace tolvo::tool {
namespace {

// RIFF header: "RIFF", size, "WAVE", then chunks of id(4) + little-endian size(4) + data.
constexpr size_t kRiffIdOffset = 0;
constexpr size_t kWaveIdOffset = 8;
constexpr size_t kFirstChunkOffset = 12;
constexpr size_t kChunkHeaderSize = 8;
// Offsets inside the data of the "fmt " chunk.
constexpr size_t kFmtChannels = 2;
constexpr size_t kFmtSampleRate = 4;
constexpr size_t kFmtBitsPerSample = 14;
constexpr size_t kFmtMinimumSize = 16;
// The header image read from the file; a data chunk further in than this is not looked for.
constexpr size_t kHeaderImageSize = 64 * 1024;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
bool IdAt(const std::vector<uint8_t>& b, size_t at, const char* id) {
  return b.size() >= at + 4 && std::equal(id, id + 4, b.begin() + at);
}

}  // namespace

double WavInfo::Seconds() const {
  uint64_t bytesPerSecond = static_cast<uint64_t>(sampleRate) * channels * (bitsPerSample / 8);
  return bytesPerSecond == 0 ? 0.0 : static_cast<double>(dataBytes) / bytesPerSecond;
}

std::optional<WavInfo> ParseWavHeader(const std::vector<uint8_t>& image, uint64_t fileSize) {
  if (!IdAt(image, kRiffIdOffset, "RIFF") || !IdAt(image, kWaveIdOffset, "WAVE")) return {};
  WavInfo info;
  bool haveFormat = false;
  size_t at = kFirstChunkOffset;
  while (image.size() >= kChunkHeaderSize && at <= image.size() - kChunkHeaderSize) {
    uint32_t size = Le32(image, at + 4);
    size_t data = at + kChunkHeaderSize;
    if (IdAt(image, at, "fmt ")) {
      if (size < kFmtMinimumSize || image.size() < data + kFmtMinimumSize) return {};
      info.channels = Le16(image, data + kFmtChannels);
      info.sampleRate = static_cast<int>(Le32(image, data + kFmtSampleRate));
      info.bitsPerSample = Le16(image, data + kFmtBitsPerSample);
      haveFormat = true;
    } else if (IdAt(image, at, "data")) {
      if (!haveFormat) return {};
      // The encoder reads to the end of the file, so a size that overstates it is cut.
      uint64_t present = fileSize > data ? fileSize - data : 0;
      info.dataBytes = std::min<uint64_t>(size, present);
      return info;
    }
    at = data + size + (size & 1);  // chunks are padded to an even length
    if (at < data) return {};       // the size wrapped around
  }
  return {};
}

std::optional<WavInfo> ReadWavInfo(const std::string& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return {};
  std::streamoff size = file.tellg();
  if (size <= 0) return {};
  file.seekg(0);
  std::vector<uint8_t> image(std::min<uint64_t>(static_cast<uint64_t>(size), kHeaderImageSize));
  file.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()));
  image.resize(static_cast<size_t>(file.gcount()));
  return ParseWavHeader(image, static_cast<uint64_t>(size));
}

}  // namespace tolvo::tool
