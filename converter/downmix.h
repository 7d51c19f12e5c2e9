// Downmixing more than two channels to stereo with the ITU-R BS.775 coefficients: front left and
// right at 1, centre and surround channels at -3 dB (0.7071) into their side (the centre ones into
// both), the low-frequency channel left out; every output is scaled so that its coefficients add
// up to at most 1 and nothing can clip.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tolvo::converter {

class Downmix {
 public:
  // channelMask as in WAVE_FORMAT_EXTENSIBLE; 0 (unknown) takes the first speaker positions in
  // their order (front left, front right, centre, low frequency, back left, back right, ...).
  Downmix(int channels, uint32_t channelMask);

  int outputChannels() const { return channels_ <= 2 ? channels_ : 2; }
  // Mixes frames of interleaved input into interleaved output (in place is allowed).
  void Apply(const float* in, size_t frames, float* out) const;
  // The coefficient of input channel `input` in output 0 (left) or 1 (right).
  float Coefficient(int output, int input) const;

 private:
  int channels_;
  std::vector<float> left_;
  std::vector<float> right_;
};

}  // namespace tolvo::converter
