// Layer III frame headers: the bitrate and sample rate tables, frame lengths, the info tag.
#include "tolvo/mpeg/frame_header.h"

#include <array>
#include <cstring>
#include <numeric>

namespace tolvo::mpeg {
namespace {

// Layer III bitrates in kbit/s by bitrate index: MPEG-1, and MPEG-2/2.5.
constexpr std::array<int, 16> kMpeg1Kbps = {0,   32,  40,  48,  56,  64,  80,  96,
                                            112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::array<int, 16> kMpeg2Kbps = {0,  8,  16, 24,  32,  40,  48,  56,
                                            64, 80, 96, 112, 128, 144, 160, 0};
// Sample rates of MPEG-1 by index; MPEG-2 halves them, MPEG-2.5 quarters them.
constexpr std::array<int, 3> kMpeg1Rates = {44100, 48000, 32000};

// Bytes of side information after the header: MPEG-1 and MPEG-2/2.5, one and two channels.
constexpr size_t kSideInfoMpeg1Mono = 17;
constexpr size_t kSideInfoMpeg1Stereo = 32;
constexpr size_t kSideInfoMpeg2Mono = 9;
constexpr size_t kSideInfoMpeg2Stereo = 17;

constexpr size_t kInfoTagIdSize = 4;

bool HasSync(const uint8_t* h) {
  return ReadField(h, kSyncHigh) == kSyncHigh.mask && ReadField(h, kSyncLow) == kSyncLow.mask;
}

Version VersionOf(const uint8_t* h) { return static_cast<Version>(ReadField(h, kVersion)); }

int SampleRate(Version version, int index) {
  if (index == kSampleRateReserved) return 0;
  switch (version) {
    case Version::kMpeg1:
      return kMpeg1Rates[index];
    case Version::kMpeg2:
      return kMpeg1Rates[index] / 2;
    case Version::kMpeg25:
      return kMpeg1Rates[index] / 4;
    default:
      return 0;
  }
}

// Bytes per kbit/s and sample rate: 144 for MPEG-1 layer III, 72 below (half the samples).
int Slots(int sampleRate) { return sampleRate >= 32000 ? 144 : 72; }

}  // namespace

bool IsAudioFrameHeader(const uint8_t* h) {
  return HasSync(h) && VersionOf(h) != Version::kReserved &&
         ReadField(h, kLayer) != kLayerReserved && ReadField(h, kBitrateIndex) != kBitrateBad &&
         ReadField(h, kSampleRateIndex) != kSampleRateReserved;
}

std::optional<Layer3Header> ReadLayer3Header(const uint8_t* h) {
  if (!HasSync(h) || ReadField(h, kLayer) != kLayer3) return {};
  Layer3Header header;
  header.version = VersionOf(h);
  header.sampleRate = SampleRate(header.version, ReadField(h, kSampleRateIndex));
  if (header.sampleRate == 0) return {};
  const int index = ReadField(h, kBitrateIndex);
  header.bitrate = header.version == Version::kMpeg1 ? kMpeg1Kbps[index] : kMpeg2Kbps[index];
  if (header.bitrate == 0) return {};  // free format or the bad index
  header.padding = ReadField(h, kPadding) != 0;
  header.mono = ReadField(h, kChannelMode) == kChannelModeMono;
  header.crc = ReadField(h, kProtection) == 0;
  header.length =
      static_cast<size_t>(UnpaddedFrameBytes(header.bitrate, header.sampleRate) + header.padding);
  header.samples = SamplesPerFrame(header.sampleRate);
  return header;
}

bool IsLayer3FrameHeader(const uint8_t* h) { return ReadLayer3Header(h).has_value(); }

size_t Layer3FrameLength(const uint8_t* h) {
  const std::optional<Layer3Header> header = ReadLayer3Header(h);
  return header ? header->length : 0;
}

bool IsMonoFrame(const uint8_t* h) { return ReadField(h, kChannelMode) == kChannelModeMono; }

size_t InfoTagOffset(const uint8_t* h) {
  const bool mono = IsMonoFrame(h);
  const size_t sideInfo = VersionOf(h) == Version::kMpeg1
                              ? (mono ? kSideInfoMpeg1Mono : kSideInfoMpeg1Stereo)
                              : (mono ? kSideInfoMpeg2Mono : kSideInfoMpeg2Stereo);
  return kFrameHeaderSize + sideInfo;
}

bool CarriesInfoTag(const uint8_t* frame, size_t length) {
  if (length < kFrameHeaderSize || !IsLayer3FrameHeader(frame)) return false;
  const size_t at = InfoTagOffset(frame);
  if (at + kInfoTagIdSize > length) return false;
  return std::memcmp(frame + at, "Xing", kInfoTagIdSize) == 0 ||
         std::memcmp(frame + at, "Info", kInfoTagIdSize) == 0;
}

int SamplesPerFrame(int sampleRate) { return sampleRate >= 32000 ? 1152 : 576; }

int UnpaddedFrameBytes(int bitrate, int sampleRate) {
  return Slots(sampleRate) * bitrate * 1000 / sampleRate;
}

int PaddingPeriod(int bitrate, int sampleRate) {
  const long long remainder =
      static_cast<long long>(Slots(sampleRate)) * bitrate * 1000 % sampleRate;
  if (remainder == 0) return 1;
  return static_cast<int>(sampleRate / std::gcd(static_cast<long long>(sampleRate), remainder));
}

}  // namespace tolvo::mpeg
