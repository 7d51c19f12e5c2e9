// Block sizes: (b + 1) times the first block's, up to the longest, in whole padding periods.
#include "block_plan.h"

#include <algorithm>
#include <cmath>

#include "mpeg_frame.h"

namespace tolvo::encoder {
namespace {

constexpr double kFirstBlockSeconds = 1.25;
constexpr double kLongestBlockSeconds = 3.75;
constexpr int kLookaheadFrames = 1;

// Whole padding periods nearest to `seconds`, at least one.
int Periods(double seconds, int sampleRate, int frameSamples, int period) {
  const double frames = seconds * sampleRate / frameSamples;
  return std::max(1, static_cast<int>(std::lround(frames / period)));
}

}  // namespace

int WarmupSamples(int sampleRate) { return sampleRate >= 32000 ? 2304 : 4608; }

int64_t BlockPlan::Start(int64_t block) const {
  // Blocks 0 .. ramp - 1 grow by the first block's size; later ones are the longest.
  const int64_t first = firstBlockFrames;
  const int64_t ramp = (longestBlockFrames + first - 1) / first - 1;
  if (block <= ramp) return first * block * (block + 1) / 2;
  return first * ramp * (ramp + 1) / 2 + (block - ramp) * int64_t{longestBlockFrames};
}

BlockPlan PlanBlocks(int sampleRate, int paddingPeriod) {
  BlockPlan plan;
  plan.frameSamples = SamplesPerFrame(sampleRate);
  plan.warmupFrames = (WarmupSamples(sampleRate) + plan.frameSamples - 1) / plan.frameSamples;
  plan.lookaheadFrames = kLookaheadFrames;
  const int period = std::max(1, paddingPeriod);
  int first = Periods(kFirstBlockSeconds, sampleRate, plan.frameSamples, period);
  // A block must outlast the overlap of its neighbours (warm-up and lookahead).
  while (first * period <= plan.warmupFrames + plan.lookaheadFrames) ++first;
  const int longest =
      std::max(first, Periods(kLongestBlockSeconds, sampleRate, plan.frameSamples, period));
  plan.firstBlockFrames = first * period;
  plan.longestBlockFrames = longest * period;
  return plan;
}

}  // namespace tolvo::encoder
