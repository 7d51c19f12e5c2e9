// Writing a canonical 16-bit PCM WAV with one or two channels at an MPEG rate from any PCM or
// float WAV, streamed in blocks so that memory stays flat. The result appears at the output path
// only when it is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tolvo/platform/file_system.h"
#include "tolvo/wav/chunk_walk.h"

namespace tolvo::converter {

struct ConversionSummary {
  wav::WavLayout input;
  uint64_t inputFrames = 0;
  int outputChannels = 0;
  uint32_t outputRate = 0;
  uint64_t outputFrames = 0;
};

// What the output of an input format is: two channels at most, the nearest MPEG rate.
struct OutputFormat {
  int channels = 0;
  uint32_t sampleRate = 0;
};
OutputFormat OutputFormatFor(const wav::WavFormat& input);

// Unsigned 8-bit samples to signed 16-bit: (x - 128) * 256, little-endian; out holds 2 * count
// bytes.
void WidenPcm8(const uint8_t* in, size_t count, uint8_t* out);

// true with a summary; false with a reason, and no file at outputPath made or changed.
bool ConvertWavToPcm16(const std::string& inputPath, const std::string& outputPath,
                       ConversionSummary* summary, std::string* problem,
                       platform::FileSystem& fs = platform::RealFileSystem());

}  // namespace tolvo::converter
