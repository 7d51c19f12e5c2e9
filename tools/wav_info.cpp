// The facts tolvo takes from a WAV file, through the shared RIFF chunk walk.
#include "wav_info.h"

#include <algorithm>

#include "tolvo/platform/file_system.h"
#include "tolvo/wav/chunk_walk.h"
#include "tolvo/wav/wav_kind.h"

namespace tolvo::tool {
namespace {

// The header image read from the file; a data chunk further in than this is not looked for.
constexpr size_t kHeaderImageSize = 64 * 1024;

std::optional<std::vector<uint8_t>> ReadImage(const std::string& path, uint64_t* fileSize) {
  platform::File file =
      platform::File::Open(platform::RealFileSystem(), path.c_str(), platform::OpenMode::kRead);
  if (!file.IsOpen()) return {};
  const int64_t size = file.Size();
  if (size < 0) return {};
  std::vector<uint8_t> image(std::min<uint64_t>(static_cast<uint64_t>(size), kHeaderImageSize));
  const int64_t read = file.ReadFull(image.data(), image.size());
  if (read < 0) return {};
  image.resize(static_cast<size_t>(read));
  *fileSize = static_cast<uint64_t>(size);
  return image;
}

wav::WavLayout Walk(const std::vector<uint8_t>& image, uint64_t fileSize) {
  wav::MemorySource source(image.data(), image.size());
  return wav::WalkWav(source, fileSize);
}

}  // namespace

double WavInfo::Seconds() const {
  uint64_t bytesPerSecond = static_cast<uint64_t>(sampleRate) * channels * (bitsPerSample / 8);
  return bytesPerSecond == 0 ? 0.0 : static_cast<double>(dataBytes) / bytesPerSecond;
}

std::optional<WavInfo> ParseWavHeader(const std::vector<uint8_t>& image, uint64_t fileSize) {
  const wav::WavLayout layout = Walk(image, fileSize);
  if (layout.container == wav::Container::kNone || !layout.formatComplete || !layout.hasData) {
    return {};
  }
  WavInfo info;
  info.channels = layout.format.channels;
  info.sampleRate = static_cast<int>(layout.format.sampleRate);
  info.bitsPerSample = layout.format.bitsPerSample;
  info.dataBytes = layout.dataBytes;
  return info;
}

std::optional<WavInfo> ReadWavInfo(const std::string& path) {
  uint64_t fileSize = 0;
  std::optional<std::vector<uint8_t>> image = ReadImage(path, &fileSize);
  if (!image || image->empty()) return {};
  return ParseWavHeader(*image, fileSize);
}

std::string DescribeWavFile(const std::string& path) {
  uint64_t fileSize = 0;
  std::optional<std::vector<uint8_t>> image = ReadImage(path, &fileSize);
  if (!image) return {};
  return wav::DescribeWav(Walk(*image, fileSize));
}

}  // namespace tolvo::tool
