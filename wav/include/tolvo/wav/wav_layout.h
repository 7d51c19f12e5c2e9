// Byte layouts of WAV files: the RIFF and RF64 headers, chunk headers, the format chunk with its
// extensible form, the ds64 chunk and the canonical 44-byte header, each with named offsets.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tolvo::wav {

// "RIFF" <size> "WAVE" (or "RF64" with size 0xFFFFFFFF), then chunks of "<id> <size> <body>",
// each body padded to an even length.
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

// The body of the "fmt " chunk: 16 bytes of every PCM format, the extension size, and the
// fields of WAVE_FORMAT_EXTENSIBLE.
namespace format_body {
inline constexpr size_t kFormatTag = 0;
inline constexpr size_t kChannels = 2;
inline constexpr size_t kSampleRate = 4;
inline constexpr size_t kByteRate = 8;
inline constexpr size_t kBlockAlign = 12;
inline constexpr size_t kBitsPerSample = 14;
inline constexpr size_t kPcmSize = 16;
inline constexpr size_t kExtensionSize = 16;
inline constexpr size_t kValidBits = 18;
inline constexpr size_t kChannelMask = 20;
inline constexpr size_t kSubFormat = 24;  // a GUID whose first two bytes are a format tag
inline constexpr size_t kExtensibleSize = 40;
}  // namespace format_body

// The body of RF64's "ds64" chunk, which holds the 64-bit sizes the 32-bit fields cannot.
namespace ds64_body {
inline constexpr size_t kRiffSize = 0;
inline constexpr size_t kDataSize = 8;
inline constexpr size_t kSampleCount = 16;
inline constexpr size_t kMinimumSize = 24;
}  // namespace ds64_body

// The canonical header: RIFF header, a 16-byte "fmt " chunk, then the "data" chunk header.
namespace canonical {
inline constexpr size_t kFormatChunk = riff::kHeaderSize;
inline constexpr size_t kFormatBody = kFormatChunk + chunk::kHeaderSize;
inline constexpr size_t kDataChunk = kFormatBody + format_body::kPcmSize;
inline constexpr size_t kHeaderSize = kDataChunk + chunk::kHeaderSize;
static_assert(kHeaderSize == 44);
}  // namespace canonical

inline constexpr uint16_t kFormatPcm = 1;
inline constexpr uint16_t kFormatFloat = 3;
inline constexpr uint16_t kFormatExtensible = 0xFFFE;
// The sub-format GUID of an extensible format is its format tag followed by these 14 bytes.
inline constexpr std::array<uint8_t, 14> kSubFormatGuidTail = {
    0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// A 32-bit size field that a streaming writer left unknown, and the value RF64 puts there.
inline constexpr uint32_t kUnknownSize32 = 0xFFFFFFFF;
// The largest data chunk a canonical header can describe (the RIFF size must fit 32 bits).
inline constexpr uint64_t kMaxCanonicalDataBytes = 0xFFFFFFFFull - (canonical::kHeaderSize - 8);

uint16_t ReadLe16(const uint8_t* at);
uint32_t ReadLe32(const uint8_t* at);
uint64_t ReadLe64(const uint8_t* at);
void WriteLe16(uint8_t* at, uint16_t value);
void WriteLe32(uint8_t* at, uint32_t value);
bool HasId(const uint8_t* at, const char (&id)[5]);

// The canonical header of a PCM file; dataBytes must not exceed kMaxCanonicalDataBytes.
std::array<uint8_t, canonical::kHeaderSize> EncodeCanonicalHeader(uint16_t channels,
                                                                  uint32_t sampleRate,
                                                                  uint16_t bitsPerSample,
                                                                  uint32_t dataBytes);

}  // namespace tolvo::wav
