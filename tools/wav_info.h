// The few facts tolvo needs from a WAV file's header: its format and how many seconds of sound it
// holds, so that progress can be shown as speed relative to real time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tolvo::tool {

struct WavInfo {
  int channels = 0;
  int sampleRate = 0;
  int bitsPerSample = 0;
  uint64_t dataBytes = 0;  // sample bytes present in the file (the data chunk, cut to the file)

  double Seconds() const;
};

// Walks the RIFF chunks of a header image (the first bytes of the file) whose whole file is
// `fileSize` bytes long. nullopt when it is not a RIFF/WAVE image with "fmt " and "data".
std::optional<WavInfo> ParseWavHeader(const std::vector<uint8_t>& image, uint64_t fileSize);

// Reads the start of the file and parses it.
std::optional<WavInfo> ReadWavInfo(const std::string& path);

// The file in words, for messages: "24-bit PCM WAV, 2 channels, 96000 Hz", or what it is and why
// it cannot be read ("not a WAV file: starts with 'ID3'"). Empty when the file cannot be read.
std::string DescribeWavFile(const std::string& path);

}  // namespace tolvo::tool
