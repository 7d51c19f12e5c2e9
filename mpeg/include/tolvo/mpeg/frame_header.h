// The four bytes that start every MPEG audio frame, and what follows from them for layer III: the
// frame's length, its samples, and where a Xing/Info tag lies in the first frame.
//
//   byte 0   sync (all ones)
//   byte 1   sync (3 bits) | version (2) | layer (2) | protection (1, 0 = a CRC follows)
//   byte 2   bitrate index (4) | sample rate index (2) | padding (1) | private (1)
//   byte 3   channel mode (2) | mode extension (2) | copyright | original | emphasis (2)
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tolvo::mpeg {

inline constexpr size_t kFrameHeaderSize = 4;

// One field of the header: `mask` after shifting byte `byte` right by `shift`.
struct HeaderField {
  size_t byte;
  int shift;
  uint8_t mask;
};
inline constexpr HeaderField kSyncHigh{0, 0, 0xFF};  // 0xFF
inline constexpr HeaderField kSyncLow{1, 5, 0x07};   // 0x07
inline constexpr HeaderField kVersion{1, 3, 0x03};
inline constexpr HeaderField kLayer{1, 1, 0x03};
inline constexpr HeaderField kProtection{1, 0, 0x01};
inline constexpr HeaderField kBitrateIndex{2, 4, 0x0F};
inline constexpr HeaderField kSampleRateIndex{2, 2, 0x03};
inline constexpr HeaderField kPadding{2, 1, 0x01};
inline constexpr HeaderField kChannelMode{3, 6, 0x03};

constexpr int ReadField(const uint8_t* header, HeaderField field) {
  return (header[field.byte] >> field.shift) & field.mask;
}

// Values of the version, layer and channel mode fields.
enum class Version { kMpeg25 = 0, kReserved = 1, kMpeg2 = 2, kMpeg1 = 3 };
inline constexpr int kLayerReserved = 0;
inline constexpr int kLayer3 = 1;
inline constexpr int kBitrateFree = 0;
inline constexpr int kBitrateBad = 15;
inline constexpr int kSampleRateReserved = 3;
inline constexpr int kChannelModeMono = 3;

// What a layer III header says.
struct Layer3Header {
  Version version = Version::kMpeg1;
  int bitrate = 0;     // kbit/s
  int sampleRate = 0;  // Hz
  bool padding = false;
  bool mono = false;
  bool crc = false;   // two CRC bytes follow the header
  size_t length = 0;  // bytes of the whole frame, padding included
  int samples = 0;    // samples per channel
};

// True when the four bytes can start an MPEG audio frame of any layer: sync, and no reserved
// version, layer, bitrate or sample rate (free format allowed).
bool IsAudioFrameHeader(const uint8_t* header);

// The header of a layer III frame of a bitrate and sample rate MPEG defines (free format is not
// one); nullopt for anything else.
std::optional<Layer3Header> ReadLayer3Header(const uint8_t* header);
bool IsLayer3FrameHeader(const uint8_t* header);
// The frame's length in bytes, padding included; 0 when the header is no layer III header.
size_t Layer3FrameLength(const uint8_t* header);
// True when the header says one channel.
bool IsMonoFrame(const uint8_t* header);

// Where a Xing/Info tag starts in a layer III frame: right behind the header and the side
// information, whose size depends on the version and the channel count. A CRC is not counted:
// encoders put the tag there and decoders look for it there with or without one.
size_t InfoTagOffset(const uint8_t* header);
// True when the layer III frame (of `length` bytes) carries a Xing or Info tag.
bool CarriesInfoTag(const uint8_t* frame, size_t length);

// Samples per channel in one layer III frame: 1152 for MPEG-1 (32, 44.1, 48 kHz), 576 below.
int SamplesPerFrame(int sampleRate);
// Bytes of a layer III frame without padding at this bitrate (kbit/s) and sample rate.
int UnpaddedFrameBytes(int bitrate, int sampleRate);
// After how many frames the padding bits of a constant-bitrate stream repeat: a frame holds
// slots x bitrate / rate bytes, and the fractional part is carried as one padding byte now and
// then, so the pattern repeats once slots x bitrate x 1000 x n is a multiple of the rate.
int PaddingPeriod(int bitrate, int sampleRate);

}  // namespace tolvo::mpeg
