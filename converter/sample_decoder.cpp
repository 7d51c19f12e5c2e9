// Sample decoding, one loop per width so that each stays a simple, vectorisable pass.
#include "sample_decoder.h"

#include <cstring>

namespace tolvo::converter {
namespace {

int32_t Signed24(const uint8_t* p) {
  // The three bytes into the top of a 32-bit value, then an arithmetic shift back.
  const uint32_t raw = (static_cast<uint32_t>(p[0]) << 8) | (static_cast<uint32_t>(p[1]) << 16) |
                       (static_cast<uint32_t>(p[2]) << 24);
  return static_cast<int32_t>(raw) >> 8;
}

}  // namespace

void DecodeSamples(const uint8_t* in, size_t count, wav::SampleCoding coding, int bits,
                   float* out) {
  if (coding == wav::SampleCoding::kFloat) {
    if (bits == 32) {
      std::memcpy(out, in, count * sizeof(float));  // little-endian IEEE, as the host's
    } else {
      for (size_t i = 0; i < count; ++i) {
        double value;
        std::memcpy(&value, in + 8 * i, sizeof value);
        out[i] = static_cast<float>(value);
      }
    }
    return;
  }
  switch (bits) {
    case 8:
      for (size_t i = 0; i < count; ++i) out[i] = (static_cast<int>(in[i]) - 128) * (1.0f / 128);
      break;
    case 16:
      for (size_t i = 0; i < count; ++i) {
        const int16_t v = static_cast<int16_t>(in[2 * i] | (in[2 * i + 1] << 8));
        out[i] = v * (1.0f / 32768);
      }
      break;
    case 24:
      for (size_t i = 0; i < count; ++i) out[i] = Signed24(in + 3 * i) * (1.0f / 8388608);
      break;
    case 32:
      for (size_t i = 0; i < count; ++i) {
        int32_t v;
        std::memcpy(&v, in + 4 * i, sizeof v);
        out[i] = static_cast<float>(v) * (1.0f / 2147483648.0f);
      }
      break;
    default:
      std::memset(out, 0, count * sizeof(float));
      break;
  }
}

}  // namespace tolvo::converter
