// How many seconds of sound an MP3 file holds, counted from its frame headers; used to tell the
// user how much of a cancelled encode was kept.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tolvo::tool {

struct Mp3Length {
  uint64_t frames = 0;   // audio frames (an information frame of Xing/Info is not counted)
  uint64_t samples = 0;  // samples per channel in those frames
  int sampleRate = 0;

  double Seconds() const { return sampleRate == 0 ? 0.0 : double(samples) / sampleRate; }
};

// Counts the MPEG audio layer III frames of a whole file image: skips an ID3v2 tag at the start
// and stops at the first place that is not a frame. An image without frames gives frames 0.
Mp3Length MeasureMp3(const std::vector<uint8_t>& image);
std::optional<Mp3Length> MeasureMp3File(const std::string& path);

}  // namespace tolvo::tool
