// Little-endian fields and the canonical header of a PCM WAV file.
#include "tolvo/wav/wav_layout.h"

#include <cstring>

namespace tolvo::wav {

uint16_t ReadLe16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

uint32_t ReadLe32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
         (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

uint64_t ReadLe64(const uint8_t* at) {
  return static_cast<uint64_t>(ReadLe32(at)) | (static_cast<uint64_t>(ReadLe32(at + 4)) << 32);
}

void WriteLe16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void WriteLe32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool HasId(const uint8_t* at, const char (&id)[5]) { return std::memcmp(at, id, 4) == 0; }

std::array<uint8_t, canonical::kHeaderSize> EncodeCanonicalHeader(uint16_t channels,
                                                                  uint32_t sampleRate,
                                                                  uint16_t bitsPerSample,
                                                                  uint32_t dataBytes) {
  std::array<uint8_t, canonical::kHeaderSize> header{};
  uint8_t* h = header.data();
  const uint16_t blockAlign = static_cast<uint16_t>(channels * (bitsPerSample / 8));
  std::memcpy(h + riff::kId, "RIFF", 4);
  WriteLe32(h + riff::kSize, static_cast<uint32_t>(canonical::kHeaderSize - 8 + dataBytes));
  std::memcpy(h + riff::kFormType, "WAVE", 4);

  std::memcpy(h + canonical::kFormatChunk + chunk::kId, "fmt ", 4);
  WriteLe32(h + canonical::kFormatChunk + chunk::kSize, format_body::kPcmSize);
  uint8_t* body = h + canonical::kFormatBody;
  WriteLe16(body + format_body::kFormatTag, kFormatPcm);
  WriteLe16(body + format_body::kChannels, channels);
  WriteLe32(body + format_body::kSampleRate, sampleRate);
  WriteLe32(body + format_body::kByteRate, sampleRate * blockAlign);
  WriteLe16(body + format_body::kBlockAlign, blockAlign);
  WriteLe16(body + format_body::kBitsPerSample, bitsPerSample);

  std::memcpy(h + canonical::kDataChunk + chunk::kId, "data", 4);
  WriteLe32(h + canonical::kDataChunk + chunk::kSize, dataBytes);
  return header;
}

}  // namespace tolvo::wav
