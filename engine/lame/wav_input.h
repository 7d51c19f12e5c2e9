// Checking WAV input before an encode and placing an open input at its first sample byte. Only the
// canonical layout (format chunk at byte 12) of 8- or 16-bit PCM is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "tolvo/platform/file_system.h"

namespace tolvo::engine {

// Reasons of CheckWaveFile; 0 means the file can be encoded.
enum WaveReason : int {
  kWaveAccepted = 0,
  kWaveCannotOpen = 1,
  kWaveNotRiffWave = 2,
  kWaveNotPcm = 3,  // also: the 8-bit conversion failed
  kWaveBadBitsPerSample = 7,
  kWaveBadChannelCount = 8,
  kWaveBadSampleRate = 19,
};

// The header bytes that are read, zero-filled where the file is shorter, and the fields looked at.
inline constexpr size_t kWaveHeaderReadSize = 136;
namespace wave_offset {
inline constexpr size_t kRiffId = 0;          // "RIFF"
inline constexpr size_t kFormType = 8;        // "WAVE"
inline constexpr size_t kFormatTag = 20;      // 16-bit, 1 = PCM
inline constexpr size_t kChannels = 22;       // 16-bit
inline constexpr size_t kSampleRate = 24;     // 32-bit, Hz
inline constexpr size_t kBitsPerSample = 34;  // 16-bit
}  // namespace wave_offset

struct WaveHeader {
  int reason = kWaveAccepted;
  int32_t channels = 0;
  int32_t sampleRate = 0;
  int32_t bitsPerSample = 0;
};

// Decides the reason from the first header bytes; the first failing rule wins, in the order
// RIFF, WAVE, bits per sample, channels, sample rate, format tag.
WaveHeader ClassifyWaveHeader(std::span<const uint8_t, kWaveHeaderReadSize> header);

// Checks the file at path and hands out its channel count and sample rate (as read, also when
// refused). An accepted 8-bit file is converted: the engine's input then names the 16-bit copy,
// and a failed conversion is reason 3.
int CheckWaveFile(const char* path, int32_t* channels, int32_t* sampleRate,
                  platform::FileSystem& fs = platform::RealFileSystem());

// Where the samples start: just behind the first "data" id with its size that lies wholly inside
// the first 100 bytes, else byte 60 (also for a file shorter than 100 bytes).
inline constexpr size_t kSampleSearchSize = 100;
inline constexpr int64_t kFallbackSampleOffset = 60;
int64_t SampleDataOffset(std::span<const uint8_t> firstBytes);

// Places an input file opened for reading at its first sample byte.
void SeekToSampleData(platform::File& file);

}  // namespace tolvo::engine
