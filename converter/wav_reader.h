// Finding the samples of a PCM WAV file by walking its RIFF chunks, whatever their order, sizes
// and padding, and refusing files that are not PCM, end early or contradict themselves.
#pragma once

#include <cstdint>
#include <string>

#include "tolvo/platform/file_system.h"
#include "wav_layout.h"

namespace tolvo::converter {

struct PcmData {
  PcmFormat format;
  int64_t offset = 0;      // first sample byte in the file
  uint32_t byteCount = 0;  // whole frames only
  uint64_t FrameCount() const { return format.blockAlign ? byteCount / format.blockAlign : 0; }
};

// true with the format and the data chunk's place; false with a short reason in *problem.
bool LocatePcmData(platform::File& file, PcmData* data, std::string* problem);

}  // namespace tolvo::converter
