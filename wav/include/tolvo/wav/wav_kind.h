// What a walked WAV file holds, in the terms its readers decide by: the sample coding, whether
// the engine encodes it as it is, whether the converter can read it, and a description in words.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "tolvo/wav/chunk_walk.h"

namespace tolvo::wav {

enum class SampleCoding { kOther, kInteger, kFloat };
SampleCoding CodingOf(const WavFormat& format);

// The sample rates of MPEG audio, which the encoder takes.
inline constexpr std::array<uint32_t, 9> kMpegSampleRates = {8000,  11025, 12000, 16000, 22050,
                                                             24000, 32000, 44100, 48000};
bool IsMpegSampleRate(uint32_t rate);
// The MPEG rate closest to rate (the higher one of two equally close).
uint32_t NearestMpegSampleRate(uint32_t rate);

// A RIFF file of plain 16-bit PCM (format tag 1) with one or two channels at an MPEG rate: the
// form the encoder reads without conversion.
bool IsEncodableAsIs(const WavLayout& layout);

// Empty when the converter can read the file's samples, else why not ("no data chunk",
// "16-bit float samples cannot be read (32 or 64 bits)", ...).
std::string ConversionProblem(const WavLayout& layout);

// The file in words: "24-bit PCM WAV, 6 channels, 96000 Hz" for a file the converter reads, and
// "<what it is>: <why it cannot be read>" for one it does not, for example
// "16-bit float WAV, 1 channel, 44100 Hz: 16-bit float samples cannot be read (32 or 64 bits)"
// or "not a WAV file: starts with 'ID3'".
std::string DescribeWav(const WavLayout& layout);

}  // namespace tolvo::wav
