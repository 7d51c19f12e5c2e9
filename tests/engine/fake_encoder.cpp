// A stand-in for libtolvomp3enc1.so (same SONAME) that the job tests load by full path before the
// first job. It records every call and the configuration it got, and fails where a test tells it.
#include "fake_encoder.h"

#include <cstring>

using namespace tolvo::encoder;

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
constexpr BeStream kFakeStream = 0x5eed;
FakeEncoderPlan currentPlan;
FakeEncoderLog callLog;
}  // namespace

FAKE_EXPORT void FakeEncoderReset(const FakeEncoderPlan* newPlan) {
  currentPlan = *newPlan;
  callLog = FakeEncoderLog{};
}

FAKE_EXPORT void FakeEncoderReadLog(FakeEncoderLog* out) { *out = callLog; }

FAKE_EXPORT BeStatus beInitStream(const BeConfig* config, uint32_t* samplesPerChunk,
                                  uint32_t* outputBufferSize, BeStream* stream) {
  ++callLog.initCalls;
  callLog.config = *config;
  if (currentPlan.initStatus != 0) return currentPlan.initStatus;
  *samplesPerChunk = kFakeSamplesPerChunk;
  *outputBufferSize = kFakeOutputBufferSize;
  *stream = kFakeStream;
  return 0;
}

FAKE_EXPORT BeStatus beEncodeChunk(BeStream, uint32_t sampleCount, const int16_t*, uint8_t* output,
                                   uint32_t* bytesProduced) {
  ++callLog.chunkCalls;
  callLog.samplesSeen += sampleCount;
  if (currentPlan.failAtChunk != 0 &&
      static_cast<uint32_t>(callLog.chunkCalls) >= currentPlan.failAtChunk) {
    return currentPlan.chunkStatus;
  }
  const uint32_t bytes = currentPlan.chunkOutputBytes;
  // Only what fits is written; a claim beyond the buffer is the fault a test provokes.
  std::memset(output, 0xAB, bytes < 2 * kFakeOutputBufferSize ? bytes : 2 * kFakeOutputBufferSize);
  *bytesProduced = bytes;
  return 0;
}

FAKE_EXPORT BeStatus beDeinitStream(BeStream, uint8_t* output, uint32_t* bytesProduced) {
  ++callLog.flushCalls;
  if (currentPlan.flushStatus != 0) return currentPlan.flushStatus;
  std::memset(output, 0xCD, 4);
  *bytesProduced = 4;
  return 0;
}

FAKE_EXPORT BeStatus beCloseStream(BeStream) {
  ++callLog.closeCalls;
  return 0;
}

FAKE_EXPORT BeStatus beWriteVBRHeader(const char*) { return 0; }

FAKE_EXPORT BeStatus beWriteInfoTag(BeStream, const char* mp3Path) {
  ++callLog.infoTagCalls;
  std::strncpy(callLog.infoTagPath, mp3Path, sizeof callLog.infoTagPath - 1);
  return 0;
}
