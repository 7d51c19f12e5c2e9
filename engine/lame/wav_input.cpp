// WAV header check and the search for the sample data of the encode job's input.
#include "lame/wav_input.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/trace.h"
#include "lame/input_conversion.h"

namespace tolvo::engine {
namespace {

constexpr std::array<int32_t, 9> kAcceptedSampleRates = {8000,  11025, 12000, 16000, 22050,
                                                         24000, 32000, 44100, 48000};

uint16_t Read16(std::span<const uint8_t, kWaveHeaderReadSize> bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

uint32_t Read32(std::span<const uint8_t, kWaveHeaderReadSize> bytes, size_t at) {
  return static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<uint32_t>(bytes[at + 2]) << 16) |
         (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

bool HasId(std::span<const uint8_t, kWaveHeaderReadSize> bytes, size_t at, const char* id) {
  return std::memcmp(bytes.data() + at, id, 4) == 0;
}

}  // namespace

WaveHeader ClassifyWaveHeader(std::span<const uint8_t, kWaveHeaderReadSize> header) {
  using namespace wave_offset;
  WaveHeader result;
  result.channels = Read16(header, kChannels);
  result.sampleRate = static_cast<int32_t>(Read32(header, kSampleRate));
  result.bitsPerSample = Read16(header, kBitsPerSample);
  const bool rateAccepted = std::find(kAcceptedSampleRates.begin(), kAcceptedSampleRates.end(),
                                      result.sampleRate) != kAcceptedSampleRates.end();
  if (!HasId(header, kRiffId, "RIFF") || !HasId(header, kFormType, "WAVE")) {
    result.reason = kWaveNotRiffWave;
  } else if (result.bitsPerSample != 8 && result.bitsPerSample != 16) {
    result.reason = kWaveBadBitsPerSample;
  } else if (result.channels != 1 && result.channels != 2) {
    result.reason = kWaveBadChannelCount;
  } else if (!rateAccepted) {
    result.reason = kWaveBadSampleRate;
  } else if (Read16(header, kFormatTag) != 1) {
    result.reason = kWaveNotPcm;
  }
  return result;
}

int CheckWaveFile(const char* path, int32_t* channels, int32_t* sampleRate,
                  platform::FileSystem& fs) {
  std::array<uint8_t, kWaveHeaderReadSize> header{};
  {
    platform::File file = platform::File::Open(fs, path, platform::OpenMode::kRead);
    if (!file.IsOpen()) {
      Trace("cannot open wave file %s\n", path);
      return kWaveCannotOpen;
    }
    // A short or failed read leaves zeros, which the rules below refuse.
    file.ReadFull(header.data(), header.size());
  }
  const WaveHeader parsed = ClassifyWaveHeader(header);
  *channels = parsed.channels;
  *sampleRate = parsed.sampleRate;
  Trace("wave check %d: %d channels, %d Hz, %d bits\n", parsed.reason, parsed.channels,
        parsed.sampleRate, parsed.bitsPerSample);
  if (parsed.reason == kWaveAccepted && parsed.bitsPerSample == 8 && ConvertToPcm16() != 0) {
    return kWaveNotPcm;
  }
  return parsed.reason;
}

int64_t SampleDataOffset(std::span<const uint8_t> firstBytes) {
  if (firstBytes.size() < kSampleSearchSize) return kFallbackSampleOffset;
  static constexpr char kDataId[] = "data";
  for (size_t p = 0; p + 4 <= kSampleSearchSize; ++p) {
    if (std::memcmp(firstBytes.data() + p, kDataId, 4) == 0) return static_cast<int64_t>(p) + 8;
  }
  return kFallbackSampleOffset;
}

void SeekToSampleData(platform::File& file) {
  std::array<uint8_t, kSampleSearchSize> bytes{};
  int64_t got = file.SeekTo(0) ? file.ReadFull(bytes.data(), bytes.size()) : -1;
  const size_t valid = got > 0 ? static_cast<size_t>(got) : 0;
  const int64_t offset = SampleDataOffset(std::span<const uint8_t>(bytes.data(), valid));
  file.SeekTo(offset);
}

}  // namespace tolvo::engine
