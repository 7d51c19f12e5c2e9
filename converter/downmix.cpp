// The downmix matrix from speaker positions, and its application.
#include "downmix.h"

#include <algorithm>

namespace tolvo::converter {
namespace {

constexpr float kMinus3dB = 0.70710678f;

// Speaker position bits of WAVE_FORMAT_EXTENSIBLE, in their order.
enum Speaker : uint32_t {
  kFrontLeft = 1u << 0,
  kFrontRight = 1u << 1,
  kFrontCentre = 1u << 2,
  kLowFrequency = 1u << 3,
  kBackLeft = 1u << 4,
  kBackRight = 1u << 5,
  kFrontLeftOfCentre = 1u << 6,
  kFrontRightOfCentre = 1u << 7,
  kBackCentre = 1u << 8,
  kSideLeft = 1u << 9,
  kSideRight = 1u << 10,
  kTopCentre = 1u << 11,
  kTopFrontLeft = 1u << 12,
  kTopFrontCentre = 1u << 13,
  kTopFrontRight = 1u << 14,
  kTopBackLeft = 1u << 15,
  kTopBackCentre = 1u << 16,
  kTopBackRight = 1u << 17,
};

constexpr uint32_t kLeftSide =
    kBackLeft | kFrontLeftOfCentre | kSideLeft | kTopFrontLeft | kTopBackLeft;
constexpr uint32_t kRightSide =
    kBackRight | kFrontRightOfCentre | kSideRight | kTopFrontRight | kTopBackRight;
constexpr uint32_t kCentre =
    kFrontCentre | kBackCentre | kTopCentre | kTopFrontCentre | kTopBackCentre;

// The speaker of each channel: the mask's set bits in order; channels beyond them (or all, for a
// mask of 0) take the positions after the last one used.
std::vector<uint32_t> Speakers(int channels, uint32_t mask) {
  std::vector<uint32_t> speakers;
  for (int bit = 0; bit < 32 && static_cast<int>(speakers.size()) < channels; ++bit) {
    if (mask & (1u << bit)) speakers.push_back(1u << bit);
  }
  uint32_t next = speakers.empty() ? 1u : speakers.back() << 1;
  while (static_cast<int>(speakers.size()) < channels) {
    speakers.push_back(next);  // 0 once past bit 31: such a channel is left out
    next <<= 1;
  }
  return speakers;
}

}  // namespace

Downmix::Downmix(int channels, uint32_t channelMask) : channels_(channels) {
  if (channels_ <= 2) return;
  for (uint32_t speaker : Speakers(channels_, channelMask)) {
    float l = 0, r = 0;
    if (speaker == kFrontLeft) {
      l = 1;
    } else if (speaker == kFrontRight) {
      r = 1;
    } else if (speaker & kCentre) {
      l = r = kMinus3dB;
    } else if (speaker & kLeftSide) {
      l = kMinus3dB;
    } else if (speaker & kRightSide) {
      r = kMinus3dB;
    }
    left_.push_back(l);
    right_.push_back(r);
  }
  float leftSum = 0, rightSum = 0;
  for (int c = 0; c < channels_; ++c) {
    leftSum += left_[c];
    rightSum += right_[c];
  }
  const float scale = 1.0f / std::max({1.0f, leftSum, rightSum});
  for (int c = 0; c < channels_; ++c) {
    left_[c] *= scale;
    right_[c] *= scale;
  }
}

float Downmix::Coefficient(int output, int input) const {
  if (channels_ <= 2) return output == input ? 1.0f : 0.0f;
  return output == 0 ? left_[input] : right_[input];
}

void Downmix::Apply(const float* in, size_t frames, float* out) const {
  if (channels_ <= 2) {
    if (in != out) std::copy(in, in + frames * channels_, out);
    return;
  }
  for (size_t f = 0; f < frames; ++f) {
    const float* frame = in + f * channels_;
    float l = 0, r = 0;
    for (int c = 0; c < channels_; ++c) {
      l += left_[c] * frame[c];
      r += right_[c] * frame[c];
    }
    // Output frame f lies at or before input frame f, so mixing in place is safe.
    out[2 * f] = l;
    out[2 * f + 1] = r;
  }
}

}  // namespace tolvo::converter
