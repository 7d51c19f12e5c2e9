// Container signatures, then a scan for an MPEG audio frame header.
#include "id3/mp3_check.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "tolvo/mpeg/frame_header.h"

namespace tolvo::engine {
namespace {

// Signatures at the start of the audio, and the MP4 box type at offset 4.
constexpr const char* kContainerMarks[] = {"RIFF", "RF64", "fLaC", "OggS", "FORM"};
constexpr size_t kMarkLength = 4;
constexpr size_t kMp4TypeOffset = 4;
constexpr char kMp4Type[] = "ftyp";
constexpr size_t kMpegHeaderLength = mpeg::kFrameHeaderSize;

}  // namespace

bool LooksLikeMp3(platform::File& file, int64_t audioStart, int64_t fileSize) {
  const int64_t available = std::min(fileSize - audioStart, kFrameSyncScanLength);
  if (available < static_cast<int64_t>(kMpegHeaderLength)) return false;
  std::vector<uint8_t> bytes(static_cast<size_t>(available));
  if (!file.SeekTo(audioStart) || file.ReadFull(bytes.data(), bytes.size()) != available)
    return false;
  for (const char* mark : kContainerMarks) {
    if (std::memcmp(bytes.data(), mark, kMarkLength) == 0) return false;
  }
  if (bytes.size() >= kMp4TypeOffset + kMarkLength &&
      std::memcmp(bytes.data() + kMp4TypeOffset, kMp4Type, kMarkLength) == 0)
    return false;
  for (size_t i = 0; i + kMpegHeaderLength <= bytes.size(); ++i) {
    if (bytes[i] == 0xFF && mpeg::IsAudioFrameHeader(bytes.data() + i)) return true;
  }
  return false;
}

}  // namespace tolvo::engine
