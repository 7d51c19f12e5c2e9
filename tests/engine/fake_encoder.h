// The test-side view of the stand-in encoder library: the plan a test gives it and the log of
// calls it keeps. Both sides include this header; the functions are looked up by name.
#pragma once

#include <cstdint>

#include "tolvo/encoder/be_stream.h"

// What the test sets: a status for each step, 0 meaning success.
struct FakeEncoderPlan {
  tolvo::encoder::BeStatus initStatus = 0;
  tolvo::encoder::BeStatus chunkStatus = 0;  // returned from chunk number failAtChunk on
  uint32_t failAtChunk = 0;                  // 1-based; 0: never
  tolvo::encoder::BeStatus flushStatus = 0;
  uint32_t chunkOutputBytes = 16;  // bytes each chunk claims to have produced
};

// What the test reads back.
struct FakeEncoderLog {
  int initCalls = 0;
  int chunkCalls = 0;
  int flushCalls = 0;
  int infoTagCalls = 0;
  int closeCalls = 0;
  uint64_t samplesSeen = 0;
  tolvo::encoder::BeConfig config{};
  char infoTagPath[512] = "";
};

using FakeEncoderResetFn = void (*)(const FakeEncoderPlan* plan);
using FakeEncoderReadLogFn = void (*)(FakeEncoderLog* log);

// What the stand-in reports from beInitStream.
inline constexpr uint32_t kFakeSamplesPerChunk = 2304;
inline constexpr uint32_t kFakeOutputBufferSize = 8000;
