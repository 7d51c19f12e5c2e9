// Block sizes: about two and a half seconds, rounded to whole padding periods.
#include "block_plan.h"

#include <algorithm>
#include <cmath>

#include "mpeg_frame.h"

namespace tolvo::encoder {
namespace {

constexpr double kBlockSeconds = 2.5;
constexpr int kLookaheadFrames = 2;

}  // namespace

int WarmupSamples(int sampleRate) { return sampleRate >= 32000 ? 2304 : 4608; }

BlockPlan PlanBlocks(int sampleRate, int paddingPeriod) {
  BlockPlan plan;
  plan.frameSamples = SamplesPerFrame(sampleRate);
  plan.warmupFrames = (WarmupSamples(sampleRate) + plan.frameSamples - 1) / plan.frameSamples;
  plan.lookaheadFrames = kLookaheadFrames;
  const int period = std::max(1, paddingPeriod);
  const double wanted = kBlockSeconds * sampleRate / plan.frameSamples;
  int periods = std::max(1, static_cast<int>(std::lround(wanted / period)));
  while (periods * period <= plan.warmupFrames + plan.lookaheadFrames) ++periods;
  plan.blockFrames = periods * period;
  return plan;
}

}  // namespace tolvo::encoder
