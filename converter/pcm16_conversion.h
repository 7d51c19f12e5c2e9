// Writing a canonical 16-bit PCM WAV from an 8-bit or 16-bit PCM WAV, streamed in blocks. The
// result appears at the output path only when it is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tolvo/platform/file_system.h"
#include "wav_layout.h"

namespace tolvo::converter {

struct ConversionSummary {
  PcmFormat input;
  uint64_t frames = 0;
};

// Unsigned 8-bit samples to signed 16-bit: (x - 128) * 256, little-endian; out holds 2 * count
// bytes.
void WidenPcm8(const uint8_t* in, size_t count, uint8_t* out);

// true with a summary; false with a reason, and no file at outputPath made or changed.
bool ConvertWavToPcm16(const std::string& inputPath, const std::string& outputPath,
                       ConversionSummary* summary, std::string* problem,
                       platform::FileSystem& fs = platform::RealFileSystem());

}  // namespace tolvo::converter
