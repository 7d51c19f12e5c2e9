// A walk over MPEG-1/2/2.5 layer III frame headers.
#include "mp3_length.h"

#include <algorithm>

#include "tolvo/mpeg/frame_header.h"
#include "tolvo/platform/file_system.h"

namespace tolvo::tool {
namespace {

constexpr size_t kId3v2HeaderSize = 10;
constexpr size_t kId3v2SizeOffset = 6;  // four syncsafe bytes, 7 bits each

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
  while (at < image.size() && image.size() - at >= mpeg::kFrameHeaderSize) {
    const uint8_t* frame = image.data() + at;
    std::optional<mpeg::Layer3Header> h = mpeg::ReadLayer3Header(frame);
    if (!h || h->length > image.size() - at) break;  // not a frame, or one cut short
    if (!(first && mpeg::CarriesInfoTag(frame, h->length))) {
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
