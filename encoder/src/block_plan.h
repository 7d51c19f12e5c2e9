// How a stream is cut into blocks that libmp3lame contexts encode at the same time.
//
// Block b keeps the audio frames [KeepFrom(b), KeepTo(b)) of the stream. A context encoding it
// starts on the stream's frame grid at least a few frames of warm-up before KeepFrom(b), so that
// the filter bank and the psychoacoustic model have settled when the first kept frame is made,
// and it is fed a frame past KeepTo(b), because libmp3lame hands out a frame only once it has
// seen the input that follows.
//
// Contexts live on from block to block. A context carries on without a seam into the block
// after its last one; otherwise it starts the block at the latest point on or before Start(b)
// where its padding phase is the stream's, so that at constant bitrate its frames get the padding
// bits, and so the lengths, of the sequential encode. The input of a block reaches a little
// further back (its preroll) for that; a new context that would have to start before it is fed
// silence first instead, as it would have started on a silent stream. Block lengths are chosen so
// that the usual case, a context that skips one block, needs no preroll: each block after the first
// is (warm-up + lookahead) frames longer than a whole number of padding periods, the length of the
// input it overlaps with its neighbour.
//
// Blocks grow from about 1.3 s to about 4 s: short files still spread over the cores, and long
// ones pay for few joins (each costs a warm-up).
#pragma once

#include <cstdint>

namespace tolvo::encoder {

struct BlockPlan {
  int frameSamples = 1152;  // per channel
  int paddingPeriod = 1;    // frames; 1 when frame lengths follow no pattern (VBR)
  int warmupFrames = 2;
  int lookaheadFrames = 1;
  int prerollFrames = 0;         // the most a context may start before Start(b)
  int firstBlockFrames = 49;     // a multiple of the padding period
  int longestBlockFrames = 147;  // a multiple of the padding period
  int joinFrames = 0;            // added to every block after the first
  // The final block is cut into pieces of this length (the last one shorter), so that the workers
  // end together: a whole number of padding periods plus the join frames, about a second.
  int tailPieceFrames = 52;

  // The latest frame at which a context may start to encode block b (its warm-up begins there).
  int64_t Start(int64_t block) const;
  int64_t KeepFrom(int64_t block) const { return block == 0 ? 0 : Start(block) + warmupFrames; }
  int64_t KeepTo(int64_t block) const { return KeepFrom(block + 1); }
  // The block's input in samples per channel: [InputStart, InputEnd).
  int64_t InputStart(int64_t block) const;
  int64_t InputEnd(int64_t block) const {
    return (KeepTo(block) + lookaheadFrames) * int64_t{frameSamples};
  }
  // The latest frame on or before `start` where a context that has been fed `fedFrames` frames
  // since it was opened is in the stream's padding phase.
  int64_t AlignedStart(int64_t start, int64_t fedFrames) const;
};

// The plan for a stream at this sample rate (input and output alike). `paddingPeriod` is 1 for
// a VBR stream, whose frame lengths follow no fixed pattern.
BlockPlan PlanBlocks(int sampleRate, int paddingPeriod);

// Warm-up that settles libmp3lame, in samples per channel: measured as the least after which
// blocks came out byte-identical to the sequential encode.
int WarmupSamples(int sampleRate);

}  // namespace tolvo::encoder
