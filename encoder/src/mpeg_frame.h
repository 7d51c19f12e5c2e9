// The few facts of an MPEG audio layer III frame header that the library needs: where a frame
// starts, how long it is, and where a Xing/Info tag lies inside it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolvo::encoder {

inline constexpr size_t kFrameHeaderSize = 4;

// True when the 4 bytes start a layer III frame of a bitrate and sample rate MPEG defines.
bool IsLayer3FrameHeader(const uint8_t* header);
// The frame's length in bytes, padding included; 0 when the header is no layer III header.
size_t Layer3FrameLength(const uint8_t* header);
// Where a Xing/Info tag starts: behind the header, the CRC when present, and the side
// information, whose size depends on the MPEG version and the channel count.
size_t InfoTagOffset(const uint8_t* header);
// True when the header says one channel.
bool IsMonoFrame(const uint8_t* header);
// True when the frame (of `length` bytes) carries a Xing or Info tag.
bool CarriesInfoTag(const uint8_t* frame, size_t length);

// Samples per channel in one frame: 1152 for MPEG-1 (32, 44.1, 48 kHz), 576 below.
int SamplesPerFrame(int sampleRate);
// Bytes of a frame without padding at this bitrate (kbit/s) and sample rate.
int UnpaddedFrameBytes(int bitrate, int sampleRate);
// After how many frames the padding bits of a constant-bitrate stream repeat: a frame holds
// slots x bitrate / rate bytes, and the fractional part is carried as one padding byte now and
// then, so the pattern repeats once slots x bitrate x 1000 x n is a multiple of the rate.
int PaddingPeriod(int bitrate, int sampleRate);

}  // namespace tolvo::encoder
