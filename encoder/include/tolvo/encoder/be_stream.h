// The stream interface of libtolvomp3enc1.so: the configuration record and the six functions that
// the engine binds at run time. Shared by the encoder library and the engine.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace tolvo::encoder {

// The configuration record: 331 bytes, packed, little-endian. Offsets are part of the interface.
#pragma pack(push, 1)
struct BeConfig {
  uint32_t configKind;        // 0: 256
  uint32_t recordVersion;     // 4: 1
  uint32_t recordSize;        // 8: 331
  uint32_t inputSampleRate;   // 12
  uint32_t outputSampleRate;  // 16: 0 lets the encoder choose
  uint32_t channelMode;       // 20: kChannel..., below
  uint32_t bitrate;           // 24: kbit/s
  uint32_t vbrMaxBitrate;     // 28
  uint32_t qualityPreset;     // 32: kQuality..., below
  uint32_t mpegVersion;       // 36: 1
  uint32_t psychoModel;       // 40
  uint32_t emphasis;          // 44
  uint32_t privateBit;        // 48
  uint32_t crc;               // 52
  uint32_t copyrightBit;      // 56
  uint32_t originalBit;       // 60: 1
  uint32_t writeVbrHeader;    // 64
  uint32_t enableVbr;         // 68
  uint32_t vbrQuality;        // 72
  uint32_t abrBitrate;        // 76
  uint32_t vbrMethod;         // 80
  uint32_t noBitReservoir;    // 84: 1
  uint32_t strictIso;         // 88
  uint16_t qualityWord;       // 92
  // 94: encoder workers for one stream, our use of the first reserved bytes: 0 one per online
  // core, 1 the sequential encode. A caller that leaves the reserved bytes zero gets every core.
  uint32_t workerCount;
  uint8_t reserved[233];  // 98
};
#pragma pack(pop)

static_assert(sizeof(BeConfig) == 331, "the configuration record is 331 bytes");
static_assert(offsetof(BeConfig, qualityWord) == 92);
static_assert(offsetof(BeConfig, workerCount) == 94);
static_assert(offsetof(BeConfig, reserved) == 98);

// The record is read and written in the machine's own byte order, which must be little-endian.
static_assert(std::endian::native == std::endian::little, "the record is little-endian");

inline constexpr uint32_t kBeConfigKind = 256;
inline constexpr uint32_t kBeRecordVersion = 1;

// Channel modes of the record (channelMode).
inline constexpr uint32_t kChannelStereo = 0;
inline constexpr uint32_t kChannelJointStereo = 1;
inline constexpr uint32_t kChannelDual = 2;
inline constexpr uint32_t kChannelMonoInput = 3;          // one input channel, mono output
inline constexpr uint32_t kChannelStereoInputAsMono = 4;  // two input channels, mono output
inline constexpr uint32_t kChannelModeCount = 5;

// Quality presets of the record (qualityPreset).
inline constexpr uint32_t kQualityNormal = 0;
inline constexpr uint32_t kQualityLow = 1;
inline constexpr uint32_t kQualityHigh = 2;
inline constexpr uint32_t kQualityPresetCount = 3;

using BeStatus = uint32_t;  // 0 success

// Statuses of the six functions. Callers test for nonzero; the values tell a reader why.
inline constexpr BeStatus kBeOk = 0;
inline constexpr BeStatus kBeInvalidConfig = 1;    // record kind/version/size or a setting refused
inline constexpr BeStatus kBeInvalidArgument = 2;  // a null pointer or a sample count refused
inline constexpr BeStatus kBeInvalidStream = 3;    // the handle names no live stream
inline constexpr BeStatus kBeWrongState = 4;       // e.g. encoding after the flush
inline constexpr BeStatus kBeEncoderFailed = 5;    // libmp3lame reported an error
inline constexpr BeStatus kBeFileError = 6;        // the MP3 file could not be read or written
inline constexpr BeStatus kBeOutOfMemory = 7;
using BeStream = uintptr_t;  // opaque stream handle, 0 for none

// The six exported functions, C linkage.
using BeInitStreamFn = BeStatus (*)(const BeConfig* config, uint32_t* samplesPerChunk,
                                    uint32_t* outputBufferSize, BeStream* stream);
using BeEncodeChunkFn = BeStatus (*)(BeStream stream, uint32_t sampleCount, const int16_t* samples,
                                     uint8_t* output, uint32_t* bytesProduced);
using BeDeinitStreamFn = BeStatus (*)(BeStream stream, uint8_t* output, uint32_t* bytesProduced);
using BeCloseStreamFn = BeStatus (*)(BeStream stream);
using BeWriteVbrHeaderFn = BeStatus (*)(const char* mp3Path);
using BeWriteInfoTagFn = BeStatus (*)(BeStream stream, const char* mp3Path);

}  // namespace tolvo::encoder
