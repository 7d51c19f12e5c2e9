// Byte layouts of the WAV files the converter reads and writes: the RIFF header, chunk headers,
// the PCM format chunk and the canonical 44-byte header, each with named offsets.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tolvo::converter {

// "RIFF" <size> "WAVE", then chunks of "<id> <size> <body>" padded to an even length.
namespace riff {
inline constexpr size_t kId = 0;
inline constexpr size_t kSize = 4;
inline constexpr size_t kFormType = 8;
inline constexpr size_t kHeaderSize = 12;
}  // namespace riff

namespace chunk {
inline constexpr size_t kId = 0;
inline constexpr size_t kSize = 4;
inline constexpr size_t kHeaderSize = 8;
}  // namespace chunk

// The body of the "fmt " chunk; a PCM body holds at least these 16 bytes.
namespace format_body {
inline constexpr size_t kFormatTag = 0;
inline constexpr size_t kChannels = 2;
inline constexpr size_t kSampleRate = 4;
inline constexpr size_t kByteRate = 8;
inline constexpr size_t kBlockAlign = 12;
inline constexpr size_t kBitsPerSample = 14;
inline constexpr size_t kPcmSize = 16;
}  // namespace format_body

// The canonical header: RIFF header, a 16-byte "fmt " chunk, then the "data" chunk header.
namespace canonical {
inline constexpr size_t kFormatChunk = riff::kHeaderSize;
inline constexpr size_t kFormatBody = kFormatChunk + chunk::kHeaderSize;
inline constexpr size_t kDataChunk = kFormatBody + format_body::kPcmSize;
inline constexpr size_t kHeaderSize = kDataChunk + chunk::kHeaderSize;
static_assert(kHeaderSize == 44);
}  // namespace canonical

inline constexpr uint16_t kPcmFormatTag = 1;
// The largest data chunk a canonical header can describe (the RIFF size must fit 32 bits).
inline constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - (canonical::kHeaderSize - 8);

struct PcmFormat {
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint32_t byteRate = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
};

uint16_t ReadLe16(const uint8_t* at);
uint32_t ReadLe32(const uint8_t* at);
void WriteLe16(uint8_t* at, uint16_t value);
void WriteLe32(uint8_t* at, uint32_t value);
bool HasId(const uint8_t* at, const char (&id)[5]);

// Reads the first 16 bytes of a "fmt " body.
PcmFormat DecodeFormatBody(const uint8_t* body);

// The canonical header of a PCM file; dataBytes must not exceed kMaxDataBytes.
std::array<uint8_t, canonical::kHeaderSize> EncodeCanonicalHeader(uint16_t channels,
                                                                  uint32_t sampleRate,
                                                                  uint16_t bitsPerSample,
                                                                  uint32_t dataBytes);

}  // namespace tolvo::converter
