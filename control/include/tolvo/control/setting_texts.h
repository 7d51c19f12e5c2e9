// The texts MP3Encode takes for its StereoMode and MP3Quality, for hosts that offer the choice.
// Each text stands at the index of the number the encoder is sent for it; any other text (and a
// different case) counts as the first.
#pragma once

#include <array>

namespace tolvo::control {

inline constexpr std::array<const char*, 4> kStereoModeTexts = {"stereo", "joint", "dual", "mono"};
inline constexpr std::array<const char*, 3> kMp3QualityTexts = {"normal", "low", "high"};

}  // namespace tolvo::control
