// Block sizes: (b + 1) times the first block's, up to the longest, in whole padding periods, and
// from the second block on the join frames on top; tail pieces likewise.
#include "block_plan.h"

#include <algorithm>
#include <cmath>

#include "tolvo/mpeg/frame_header.h"

namespace tolvo::encoder {
namespace {

constexpr double kFirstBlockSeconds = 1.25;
constexpr double kLongestBlockSeconds = 3.75;
constexpr double kTailPieceSeconds = 1.0;
// A context that skips k blocks starts (k - 1) join frames early; further back than this, a new
// context is cheaper than the memory every block's input would need.
constexpr int kMostPrerollFrames = 24;
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
  const int64_t joins = std::max<int64_t>(0, block - 1) * joinFrames;
  if (block <= ramp) return first * block * (block + 1) / 2 + joins;
  return first * ramp * (ramp + 1) / 2 + (block - ramp) * int64_t{longestBlockFrames} + joins;
}

int64_t BlockPlan::InputStart(int64_t block) const {
  return std::max<int64_t>(0, Start(block) - prerollFrames) * frameSamples;
}

int64_t BlockPlan::AlignedStart(int64_t start, int64_t fedFrames) const {
  const int64_t behind = ((start - fedFrames) % paddingPeriod + paddingPeriod) % paddingPeriod;
  return start - behind;
}

BlockPlan PlanBlocks(int sampleRate, int paddingPeriod) {
  BlockPlan plan;
  plan.frameSamples = mpeg::SamplesPerFrame(sampleRate);
  plan.paddingPeriod = std::max(1, paddingPeriod);
  plan.warmupFrames = (WarmupSamples(sampleRate) + plan.frameSamples - 1) / plan.frameSamples;
  plan.lookaheadFrames = kLookaheadFrames;
  const int period = plan.paddingPeriod;
  plan.prerollFrames = std::min(period - 1, kMostPrerollFrames);
  plan.joinFrames = (plan.warmupFrames + plan.lookaheadFrames) % period;
  int first = Periods(kFirstBlockSeconds, sampleRate, plan.frameSamples, period);
  // A block must outlast the overlap of its neighbours (preroll, warm-up and lookahead), so that
  // no input belongs to more than two blocks.
  while (first * period <= plan.prerollFrames + plan.warmupFrames + plan.lookaheadFrames) ++first;
  const int longest =
      std::max(first, Periods(kLongestBlockSeconds, sampleRate, plan.frameSamples, period));
  plan.firstBlockFrames = first * period;
  plan.longestBlockFrames = longest * period;
  const int pieces = Periods(kTailPieceSeconds, sampleRate, plan.frameSamples, period);
  plan.tailPieceFrames = std::min(pieces * period, plan.longestBlockFrames) + plan.joinFrames;
  return plan;
}

}  // namespace tolvo::encoder
