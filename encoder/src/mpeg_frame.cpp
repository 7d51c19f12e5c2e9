// Layer III frame headers: sync, version, bitrate index, sample rate index, padding, channels.
#include "mpeg_frame.h"

#include <array>
#include <cstring>
#include <numeric>

namespace tolvo::encoder {
namespace {

// Byte 1: version (bits 4-3), layer (bits 2-1), protection (bit 0, 0 = CRC follows).
constexpr uint8_t kVersionMpeg1 = 3;
constexpr uint8_t kVersionReserved = 1;
constexpr uint8_t kLayer3 = 1;
constexpr uint8_t kChannelModeMono = 3;
constexpr size_t kCrcSize = 2;

constexpr std::array<int, 16> kMpeg1Kbps = {0,   32,  40,  48,  56,  64,  80,  96,
                                            112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::array<int, 16> kMpeg2Kbps = {0,  8,  16, 24,  32,  40,  48,  56,
                                            64, 80, 96, 112, 128, 144, 160, 0};
constexpr std::array<int, 3> kMpeg1Rates = {44100, 48000, 32000};

uint8_t Version(const uint8_t* h) { return (h[1] >> 3) & 0x03; }
bool IsMpeg1(const uint8_t* h) { return Version(h) == kVersionMpeg1; }

int SampleRate(const uint8_t* h) {
  const int index = (h[2] >> 2) & 0x03;
  if (index == 3) return 0;
  const int rate = kMpeg1Rates[index];
  switch (Version(h)) {
    case kVersionMpeg1:
      return rate;
    case 2:  // MPEG-2
      return rate / 2;
    case 0:  // MPEG-2.5
      return rate / 4;
    default:
      return 0;
  }
}

int Bitrate(const uint8_t* h) {
  const int index = (h[2] >> 4) & 0x0F;
  return IsMpeg1(h) ? kMpeg1Kbps[index] : kMpeg2Kbps[index];
}

int Slots(int sampleRate) { return sampleRate >= 32000 ? 144 : 72; }

}  // namespace

bool IsLayer3FrameHeader(const uint8_t* h) {
  return h[0] == 0xFF && (h[1] & 0xE0) == 0xE0 && Version(h) != kVersionReserved &&
         ((h[1] >> 1) & 0x03) == kLayer3 && Bitrate(h) != 0 && SampleRate(h) != 0;
}

size_t Layer3FrameLength(const uint8_t* h) {
  if (!IsLayer3FrameHeader(h)) return 0;
  const int padding = (h[2] >> 1) & 0x01;
  return static_cast<size_t>(UnpaddedFrameBytes(Bitrate(h), SampleRate(h)) + padding);
}

bool IsMonoFrame(const uint8_t* h) { return ((h[3] >> 6) & 0x03) == kChannelModeMono; }

size_t InfoTagOffset(const uint8_t* h) {
  const bool mono = IsMonoFrame(h);
  const bool hasCrc = (h[1] & 0x01) == 0;
  const size_t sideInfo = IsMpeg1(h) ? (mono ? 17 : 32) : (mono ? 9 : 17);
  return kFrameHeaderSize + (hasCrc ? kCrcSize : 0) + sideInfo;
}

bool CarriesInfoTag(const uint8_t* frame, size_t length) {
  if (length < kFrameHeaderSize) return false;
  const size_t at = InfoTagOffset(frame);
  if (at + 4 > length) return false;
  return std::memcmp(frame + at, "Xing", 4) == 0 || std::memcmp(frame + at, "Info", 4) == 0;
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

}  // namespace tolvo::encoder
