// Writes and recognises the info frame at the start of an MP3 file.
#include "info_frame_writer.h"

#include <cstring>

#include "tolvo/mpeg/frame_header.h"

namespace tolvo::encoder {
namespace {

// Same version, layer, protection, bitrate, sample rate, padding and channel count: a frame of
// the same length and layout. The stereo mode and its extension may differ, as libmp3lame
// settles them for the final frame only.
bool IsSameFrameKind(const uint8_t* a, const uint8_t* b) {
  return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] &&
         mpeg::IsMonoFrame(a) == mpeg::IsMonoFrame(b);
}

}  // namespace

BeStatus WriteInfoFrame(const std::string& mp3Path, const std::vector<uint8_t>& frame,
                        platform::FileSystem& fs) {
  if (frame.size() < mpeg::kFrameHeaderSize || !mpeg::IsLayer3FrameHeader(frame.data()))
    return kBeFileError;
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
  return got > 0 && mpeg::CarriesInfoTag(start, static_cast<size_t>(got));
}

}  // namespace tolvo::encoder
