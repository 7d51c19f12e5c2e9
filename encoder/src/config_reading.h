// Reading of the 331-byte configuration record into the settings of one libmp3lame stream, and
// the MPEG bitrate rules that decide which settings an output rate can carry.
#pragma once

#include <cstdint>

#include "tolvo/encoder/be_stream.h"

namespace tolvo::encoder {

enum class OutputChannels { kStereo, kJointStereo, kDualChannel, kMono };

struct StreamSettings {
  int inputChannels = 2;
  int inputSampleRate = 0;
  int outputSampleRate = 0;  // 0: libmp3lame chooses
  OutputChannels outputChannels = OutputChannels::kJointStereo;
  int bitrate = 0;        // CBR rate, or the VBR minimum
  int vbrMaxBitrate = 0;  // VBR only
  bool vbr = false;
  int vbrQuality = 0;   // 0 best .. 9
  int lameQuality = 5;  // libmp3lame's algorithm quality, 0 best .. 9
  bool disableReservoir = false;
  bool crc = false;
  bool copyright = false;
  bool original = false;
  bool privateBit = false;
  bool strictIso = false;
  int emphasis = 0;
  int workers = 1;                // encoder threads for the stream; 1 the sequential encode
  uint32_t samplesPerChunk = 0;   // 16-bit values of all channels together
  uint32_t outputBufferSize = 0;  // bytes one chunk may produce at most
};

// Checks the record and reads it. kBeOk and the settings, or kBeInvalidConfig for a record of
// another kind, version or size, or a value no MPEG stream can carry.
BeStatus ReadConfig(const BeConfig& config, StreamSettings* settings);

// True when the bitrate (kbit/s) is one of the bitrates of MPEG audio layer III at this output
// sample rate (MPEG-1 for 32/44.1/48 kHz, MPEG-2 and 2.5 below).
bool IsCarriedBitrate(int bitrate, int outputSampleRate);
// The highest bitrate carried at this output sample rate; 0 for a rate MPEG does not have.
int HighestCarriedBitrate(int outputSampleRate);
// True for the nine sample rates of MPEG-1, 2 and 2.5.
bool IsMpegSampleRate(int sampleRate);

}  // namespace tolvo::encoder
