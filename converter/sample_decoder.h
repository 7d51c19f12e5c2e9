// Turning the sample bytes of a PCM or float WAV into float samples, full scale at +-1.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tolvo/wav/wav_kind.h"

namespace tolvo::converter {

// Decodes count little-endian samples of the given coding and width (8-bit PCM unsigned, 16-,
// 24- and 32-bit PCM signed, 32- and 64-bit float) into out. Integers are scaled by 2^(bits-1),
// so the most negative value is exactly -1; floats are copied as they are.
void DecodeSamples(const uint8_t* in, size_t count, wav::SampleCoding coding, int bits, float* out);

}  // namespace tolvo::converter
