// Checking WAV input before an encode and placing an open input at its first sample byte. The
// file's chunks are walked; 16-bit PCM with one or two channels at an MPEG rate is encoded as it
// is, every other PCM or float WAV goes through the converter, and the rest is refused.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tolvo/platform/file_system.h"
#include "tolvo/wav/chunk_walk.h"

namespace tolvo::engine {

// Reasons of CheckWaveFile; 0 means the file can be encoded.
enum WaveReason : int {
  kWaveAccepted = 0,
  kWaveCannotOpen = 1,
  kWaveNotRiffWave = 2,
  kWaveNotPcm = 3,  // also: the conversion failed
  kWaveBadBitsPerSample = 7,
  kWaveBadChannelCount = 8,
  kWaveBadSampleRate = 19,
};

struct WaveHeader {
  int reason = kWaveAccepted;
  int32_t channels = 0;
  int32_t sampleRate = 0;
  int32_t bitsPerSample = 0;
  bool needsConversion = false;  // accepted only through the converter
};

// Decides the reason from a walked file. A file the converter reads is accepted for conversion;
// a file nobody reads gets the first failing rule, in the order RIFF/WAVE, bits per sample,
// channels, sample rate, format tag (fields the file lacks read as zeros).
WaveHeader ClassifyWave(const wav::WavLayout& layout);

// Checks the file at path and hands out its channel count and sample rate (as read, also when
// refused). A file that needs conversion is converted: the engine's input then names the 16-bit
// copy, whose channels and rate are handed out, and a failed conversion is reason 3.
int CheckWaveFile(const char* path, int32_t* channels, int32_t* sampleRate,
                  platform::FileSystem& fs = platform::RealFileSystem());

// Where the samples lie: the data chunk's bytes, or, for a file without a data chunk, everything
// from byte 60 on.
inline constexpr int64_t kFallbackSampleOffset = 60;
struct SampleRange {
  int64_t offset = kFallbackSampleOffset;
  int64_t bytes = -1;  // -1: to the end of the file
};
SampleRange SampleDataRange(const wav::WavLayout& layout);

// Places an input file opened for reading at its first sample byte and returns the range.
SampleRange SeekToSampleData(platform::File& file);

}  // namespace tolvo::engine
