// The quantizer with its own small generator (xorshift64*), so runs are repeatable.
#include "tpdf_dither.h"

#include <cmath>

namespace tolvo::converter {

float TpdfQuantizer::NextUniform() {
  state_ ^= state_ >> 12;
  state_ ^= state_ << 25;
  state_ ^= state_ >> 27;
  const uint64_t bits = state_ * 0x2545F4914F6CDD1Dull;
  return static_cast<float>(bits >> 40) * (1.0f / 16777216.0f) - 0.5f;
}

void TpdfQuantizer::Quantize(const float* in, size_t count, uint8_t* out) {
  for (size_t i = 0; i < count; ++i) {
    const float dither = NextUniform() + NextUniform();
    float value = std::nearbyint(in[i] * 32768.0f + dither);
    if (std::isnan(value)) value = 0.0f;
    if (value > 32767.0f) value = 32767.0f;
    if (value < -32768.0f) value = -32768.0f;
    const auto sample = static_cast<uint16_t>(static_cast<int16_t>(value));
    out[2 * i] = static_cast<uint8_t>(sample);
    out[2 * i + 1] = static_cast<uint8_t>(sample >> 8);
  }
}

}  // namespace tolvo::converter
