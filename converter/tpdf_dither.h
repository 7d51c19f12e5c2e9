// Reducing float samples to 16 bits with TPDF dither: before rounding, each sample gets the sum
// of two independent uniform values of half a step each, so the rounding error becomes a steady
// noise floor instead of distortion that follows the signal.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolvo::converter {

class TpdfQuantizer {
 public:
  explicit TpdfQuantizer(uint64_t seed = 0x9E3779B97F4A7C15ull) : state_(seed | 1) {}
  // Full scale +-1 maps to +-32768; values beyond the 16-bit range are clipped. out is
  // little-endian 16-bit, 2 * count bytes.
  void Quantize(const float* in, size_t count, uint8_t* out);

 private:
  float NextUniform();  // in [-0.5, 0.5)
  uint64_t state_;
};

}  // namespace tolvo::converter
