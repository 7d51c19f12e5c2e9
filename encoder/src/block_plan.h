// How a stream is cut into blocks that separate libmp3lame contexts encode at the same time.
//
// Block b keeps the audio frames [KeepFrom(b), KeepTo(b)) of the stream. Its context starts on
// the stream's frame grid, a few frames of warm-up before KeepFrom(b), so that the filter bank
// and the psychoacoustic model have settled when the first kept frame is made, and it is fed a
// frame past KeepTo(b), because libmp3lame hands out a frame only once it has seen the input
// that follows. Every context except block 0's starts on a multiple of the padding period of a
// constant-bitrate stream, so its frames get the padding bits, and so the lengths, of the
// sequential encode. Block 0 starts at the stream's start, exactly like the sequential encode.
//
// Blocks grow from about 1.3 s to about 5 s: short files still spread over the cores, and long
// ones pay for few contexts (each costs a set-up and its warm-up).
#pragma once

#include <cstdint>

namespace tolvo::encoder {

struct BlockPlan {
  int frameSamples = 1152;  // per channel
  int warmupFrames = 2;
  int lookaheadFrames = 1;
  int firstBlockFrames = 49;     // a multiple of the padding period
  int longestBlockFrames = 196;  // a multiple of the padding period

  // The block's own range starts here (its context starts here too, except for its warm-up).
  int64_t Start(int64_t block) const;
  int64_t KeepFrom(int64_t block) const { return block == 0 ? 0 : Start(block) + warmupFrames; }
  int64_t KeepTo(int64_t block) const { return KeepFrom(block + 1); }
  // The block's input in samples per channel: [InputStart, InputEnd).
  int64_t InputStart(int64_t block) const { return Start(block) * frameSamples; }
  int64_t InputEnd(int64_t block) const {
    return (KeepTo(block) + lookaheadFrames) * int64_t{frameSamples};
  }
};

// The plan for a stream at this sample rate (input and output alike). `paddingPeriod` is 1 for
// a VBR stream, whose frame lengths follow no fixed pattern.
BlockPlan PlanBlocks(int sampleRate, int paddingPeriod);

// Warm-up that settles libmp3lame, in samples per channel: measured as the least after which
// blocks came out byte-identical to the sequential encode.
int WarmupSamples(int sampleRate);

}  // namespace tolvo::encoder
