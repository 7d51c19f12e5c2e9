// The engine's run-time binding of the encoder library. Bound at the start of each job, kept for
// the life of the engine.
#pragma once

#include "tolvo/encoder/be_stream.h"

namespace tolvo::engine {

struct EncoderFunctions {
  encoder::BeInitStreamFn initStream = nullptr;
  encoder::BeEncodeChunkFn encodeChunk = nullptr;
  encoder::BeDeinitStreamFn deinitStream = nullptr;
  encoder::BeCloseStreamFn closeStream = nullptr;
  encoder::BeWriteVbrHeaderFn writeVbrHeader = nullptr;
  encoder::BeWriteInfoTagFn writeInfoTag = nullptr;
};

// true when a complete binding exists (made now or earlier).
bool BindEncoder();
// The bound functions; valid after BindEncoder returned true.
const EncoderFunctions& Encoder();

struct EncoderRecordValues {
  uint32_t inputSampleRate;
  uint32_t channelMode;
  int32_t bitrate;
  int32_t vbrMaxBitrate;
  int32_t quality;
  bool useVbr;
  int32_t vbrQuality = 0;
  int32_t encoderThreads = 0;  // 0 one per online core
};
// Fills the 331-byte configuration record with the job's values and the fixed ones.
void FillEncoderConfig(const EncoderRecordValues& values, encoder::BeConfig* config);

}  // namespace tolvo::engine
