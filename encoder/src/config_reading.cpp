// Turns the configuration record into stream settings and refuses combinations that no MPEG
// layer III stream can carry, so that a bad setting fails at the start instead of mid-file.
#include "config_reading.h"

#include <algorithm>
#include <array>
#include <thread>

namespace tolvo::encoder {
namespace {

constexpr std::array<int, 14> kMpeg1Bitrates = {32,  40,  48,  56,  64,  80,  96,
                                                112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 14> kMpeg2Bitrates = {8,  16, 24, 32,  40,  48,  56,
                                                64, 80, 96, 112, 128, 144, 160};
constexpr std::array<int, 9> kMpegSampleRates = {8000,  11025, 12000, 16000, 22050,
                                                 24000, 32000, 44100, 48000};

// libmp3lame's algorithm quality for each quality preset of the record.
constexpr std::array<int, kQualityPresetCount> kLameQualityOfPreset = [] {
  std::array<int, kQualityPresetCount> quality{};
  quality[kQualityNormal] = 5;
  quality[kQualityLow] = 7;
  quality[kQualityHigh] = 2;
  return quality;
}();

constexpr int kHighestVbrQuality = 9;
constexpr uint32_t kMostWorkers = 64;
constexpr int kHighestEmphasis = 3;

template <size_t N>
bool Contains(const std::array<int, N>& values, int value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

bool IsAnyMpegBitrate(int bitrate) {
  return Contains(kMpeg1Bitrates, bitrate) || Contains(kMpeg2Bitrates, bitrate);
}

bool IsMpeg1Rate(int sampleRate) { return sampleRate >= 32000; }

}  // namespace

bool IsMpegSampleRate(int sampleRate) { return Contains(kMpegSampleRates, sampleRate); }

bool IsCarriedBitrate(int bitrate, int outputSampleRate) {
  if (!IsMpegSampleRate(outputSampleRate)) return false;
  return IsMpeg1Rate(outputSampleRate) ? Contains(kMpeg1Bitrates, bitrate)
                                       : Contains(kMpeg2Bitrates, bitrate);
}

int HighestCarriedBitrate(int outputSampleRate) {
  if (!IsMpegSampleRate(outputSampleRate)) return 0;
  return IsMpeg1Rate(outputSampleRate) ? kMpeg1Bitrates.back() : kMpeg2Bitrates.back();
}

BeStatus ReadConfig(const BeConfig& config, StreamSettings* settings) {
  if (config.configKind != kBeConfigKind || config.recordVersion != kBeRecordVersion ||
      config.recordSize != sizeof(BeConfig)) {
    return kBeInvalidConfig;
  }
  StreamSettings s;
  // Not read: the MPEG version (it follows the output rate), the psychoacoustic model, the ABR
  // rate, the VBR method and the quality word (libmp3lame's defaults serve), and the
  // write-VBR-header flag (the info frame is always reserved and written).

  // Input rates outside MPEG's nine are resampled by libmp3lame; only nonsense is refused.
  if (config.inputSampleRate < 1000 || config.inputSampleRate > 192000) return kBeInvalidConfig;
  s.inputSampleRate = static_cast<int>(config.inputSampleRate);
  if (config.outputSampleRate != 0 &&
      !IsMpegSampleRate(static_cast<int>(config.outputSampleRate))) {
    return kBeInvalidConfig;
  }
  s.outputSampleRate = static_cast<int>(config.outputSampleRate);

  switch (config.channelMode) {
    case kChannelStereo:
      s.outputChannels = OutputChannels::kStereo;
      break;
    case kChannelJointStereo:
      s.outputChannels = OutputChannels::kJointStereo;
      break;
    case kChannelDual:
      s.outputChannels = OutputChannels::kDualChannel;
      break;
    case kChannelMonoInput:
      s.inputChannels = 1;
      s.outputChannels = OutputChannels::kMono;
      break;
    case kChannelStereoInputAsMono:
      s.outputChannels = OutputChannels::kMono;
      break;
    default:
      return kBeInvalidConfig;
  }

  if (config.qualityPreset >= kLameQualityOfPreset.size()) return kBeInvalidConfig;
  s.lameQuality = kLameQualityOfPreset[config.qualityPreset];

  // Bitrates are checked against every MPEG table here; whether the output rate that
  // libmp3lame settles on carries them is checked once the stream knows that rate.
  const int bitrate = static_cast<int>(config.bitrate);
  if (config.bitrate > 1000 || !IsAnyMpegBitrate(bitrate)) return kBeInvalidConfig;
  s.bitrate = bitrate;
  s.vbr = config.enableVbr != 0;
  if (s.vbr) {
    const int vbrMax = static_cast<int>(config.vbrMaxBitrate);
    if (config.vbrMaxBitrate > 1000 || !IsAnyMpegBitrate(vbrMax)) return kBeInvalidConfig;
    if (config.vbrQuality > kHighestVbrQuality) return kBeInvalidConfig;
    // A ceiling below the floor would leave no room at all: the floor wins.
    s.vbrMaxBitrate = std::max(vbrMax, bitrate);
    s.vbrQuality = static_cast<int>(config.vbrQuality);
  }

  if (config.emphasis > kHighestEmphasis) return kBeInvalidConfig;
  s.emphasis = static_cast<int>(config.emphasis);
  s.disableReservoir = config.noBitReservoir != 0;
  s.crc = config.crc != 0;
  s.copyright = config.copyrightBit != 0;
  s.original = config.originalBit != 0;
  s.privateBit = config.privateBit != 0;
  s.strictIso = config.strictIso != 0;
  // 0 asks for one worker per online core.
  const uint32_t workers =
      config.workerCount != 0 ? config.workerCount : std::thread::hardware_concurrency();
  s.workers = static_cast<int>(std::clamp<uint32_t>(workers, 1, kMostWorkers));

  // One chunk is one MPEG frame's worth of input: 1152 samples per channel at the MPEG-1
  // rates, 576 below. libmp3lame needs 1.25 x samples + 7200 bytes of room for what it returns.
  const uint32_t perChannel = IsMpeg1Rate(s.inputSampleRate) ? 1152 : 576;
  s.samplesPerChunk = perChannel * static_cast<uint32_t>(s.inputChannels);
  s.outputBufferSize = s.samplesPerChunk + s.samplesPerChunk / 4 + 7200;

  *settings = s;
  return kBeOk;
}

}  // namespace tolvo::encoder
