// The block pipeline: the caller's thread cuts the input into overlapping blocks, workers encode
// them with the idle context that suits each block best and keep only the block's frames, and
// the caller's thread joins the frames in order, counting them for the info frame.
#include "parallel_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>

#include "info_tag.h"
#include "tolvo/mpeg/frame_header.h"

namespace tolvo::encoder {

struct ParallelStream::Block {
  int64_t index = 0;
  int64_t inputStart = 0;  // samples per channel, preroll included
  int64_t inputEnd = 0;    // exclusive; the stream's end for the final block
  int64_t start = 0;       // audio frames of the stream: the latest start of a context
  int64_t keepFrom = 0;    // audio frames of the stream
  int64_t keepTo = 0;
  bool final = false;
  // Interleaved samples from `bufferStart` (samples per channel) on, shared by the pieces the
  // tail is cut into; the block's own input is [inputStart, inputEnd) of it.
  std::shared_ptr<std::vector<int16_t>> buffer;
  int64_t bufferStart = 0;

  // Written by the worker, read by the caller's thread once `done` is seen under the lock.
  BeStatus status = kBeOk;
  std::vector<uint8_t> bytes;  // block 0: its info frame first, then the kept audio frames
  size_t infoFrameBytes = 0;   // block 0 only
  std::vector<uint16_t> frameSizes;
  std::vector<uint8_t> renderedInfo;  // block 0 only
  bool done = false;
};

// A libmp3lame context and where it stands. Its audio frame c is made from its input frame c, and
// its input since the last seam is the stream's from frame `offset` on: frame c is the stream's
// frame c + offset.
struct ParallelStream::Context {
  std::unique_ptr<LameStream> lame;
  int64_t fed = 0;           // input frames since it was opened
  int64_t made = 0;          // audio frames handed out since it was opened
  bool firstSeen = false;    // it has handed out its first frame (the reserved one, if any)
  int64_t offset = 0;        // stream frame minus context frame, since the last seam
  int64_t segmentFrom = -1;  // the stream frame its input starts at since the last seam
};

namespace {

// Blocks whose input is complete and that no worker has taken yet: one, ready for the next worker
// that finishes. Besides the blocks at work and the queued one, one finished block may wait for an
// earlier one with its frames, so that a worker that finishes first does not wait for the caller.
constexpr size_t kMostQueued = 1;
constexpr int kSpareFrames = 4;  // the flush's last frames beyond a block's input
constexpr size_t kModeByte = 3;  // of a frame header: channel mode and mode extension
// What opening a context costs, in frames of encoding: a fresh context is worth this much
// extra warm-up of an idle one.
constexpr int64_t kOpenCostFrames = 8;

}  // namespace

ParallelStream::ParallelStream(const StreamSettings& settings, int encoderDelay)
    : settings_(settings),
      blockSettings_(settings),
      channels_(settings.inputChannels),
      encoderDelay_(encoderDelay) {
  const int rate = settings.inputSampleRate;
  plan_ = PlanBlocks(rate, settings.vbr ? 1 : mpeg::PaddingPeriod(settings.bitrate, rate));
}

BeStatus ParallelStream::Open(const StreamSettings& settings, int workers,
                              std::unique_ptr<LameStream> fresh,
                              std::unique_ptr<EncoderStream>* stream) {
  std::unique_ptr<ParallelStream> made(new (std::nothrow)
                                           ParallelStream(settings, fresh->encoderDelay()));
  if (!made) return kBeOutOfMemory;
  auto context = std::make_unique<Context>();
  context->lame = std::move(fresh);
  made->idle_.push_back(std::move(context));
  made->contexts_ = 1;
  const int rate = settings.inputSampleRate;
  made->mostInFlight_ = static_cast<size_t>(workers) + kMostQueued + 1;
  // Everything the flush may hand out at once: every block on its way and the final one, each
  // at most a block of frames at the highest bitrate the stream may use.
  const int fastest = settings.vbr ? HighestCarriedBitrate(rate) : settings.bitrate;
  const size_t blockBytes =
      static_cast<size_t>(made->plan_.longestBlockFrames + made->plan_.joinFrames +
                          made->plan_.warmupFrames + made->plan_.lookaheadFrames + kSpareFrames) *
      static_cast<size_t>(mpeg::UnpaddedFrameBytes(fastest, rate) + 1);
  const size_t flushBytes = (made->mostInFlight_ + 2) * blockBytes;
  if (flushBytes > std::numeric_limits<uint32_t>::max() / 2) return kBeInvalidConfig;
  made->settings_.outputBufferSize =
      std::max(settings.outputBufferSize, static_cast<uint32_t>(flushBytes));
  made->filling_.push_back(made->NewBlock(0));
  if (BeStatus status = made->StartWorkers(workers); status != kBeOk) return status;
  *stream = std::move(made);
  return kBeOk;
}

BeStatus ParallelStream::StartWorkers(int workers) {
  for (int i = 0; i < workers; ++i) {
    try {
      workers_.emplace_back([this] { WorkerLoop(); });
    } catch (const std::system_error&) {
      break;  // fewer workers than asked for still encode the stream
    }
  }
  return workers_.empty() ? kBeOutOfMemory : kBeOk;
}

ParallelStream::~ParallelStream() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
  }
  abandon_ = true;
  workReady_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void ParallelStream::WorkerLoop() {
  std::unique_lock<std::mutex> guard(lock_);
  for (;;) {
    workReady_.wait(guard, [this] { return stopping_ || !todo_.empty(); });
    if (stopping_) return;
    Block* block = todo_.front();
    todo_.pop_front();
    blockMoved_.notify_all();  // the caller may queue the next block
    std::unique_ptr<Context> context = TakeContext(*block);
    if (!context) ++contexts_;
    guard.unlock();
    EncodeBlock(*block, context);
    guard.lock();
    // A context that failed, was abandoned or flushed is closed; so is one more than the
    // workers (a new one was opened because no idle one fitted the block): each costs memory.
    if (context && context->lame && contexts_ <= workers_.size()) {
      idle_.push_back(std::move(context));
    } else {
      --contexts_;
    }
    block->done = true;
    blockMoved_.notify_all();
  }
}

bool ParallelStream::CarriesOn(const Context& context, const Block& block) const {
  const int64_t start = block.start;
  const int64_t going = context.offset + context.fed;
  return context.fed > 0 && block.index > 0 && context.segmentFrom <= start && going >= start &&
         going * plan_.frameSamples <= block.inputEnd &&
         context.offset + context.made <= block.keepFrom;
}

int64_t ParallelStream::StartFor(const Context& context, const Block& block) const {
  if (CarriesOn(context, block)) return context.offset + context.fed;
  // Block 0 is the stream's start: only a context fed nothing encodes it.
  if (block.index == 0 && context.fed > 0) return -1;
  const int64_t from = plan_.AlignedStart(block.start, context.fed);
  if (from * plan_.frameSamples >= block.inputStart) return from;
  return context.fed == 0 ? block.start : -1;  // a new context: silence before the start
}

int64_t ParallelStream::SilenceFor(const Context& context, const Block& block) const {
  if (context.fed > 0 || StartFor(context, block) == plan_.AlignedStart(block.start, 0)) return 0;
  return block.start - plan_.AlignedStart(block.start, 0);
}

std::unique_ptr<ParallelStream::Context> ParallelStream::TakeContext(const Block& block) {
  // The cost of a context is the frames it encodes before the block's range.
  int64_t bestCost = std::numeric_limits<int64_t>::max();
  size_t best = idle_.size();
  for (size_t i = 0; i < idle_.size(); ++i) {
    const int64_t from = StartFor(*idle_[i], block);
    if (from >= 0 && block.keepFrom - from < bestCost) {
      bestCost = block.keepFrom - from;
      best = i;
    }
  }
  const Context fresh;
  const int64_t freshFrom = StartFor(fresh, block);
  const bool freshBetter =
      kOpenCostFrames + block.keepFrom - freshFrom + SilenceFor(fresh, block) < bestCost;
  if (best == idle_.size() || (freshBetter && contexts_ < workers_.size())) return nullptr;
  std::unique_ptr<Context> taken = std::move(idle_[best]);
  idle_.erase(idle_.begin() + static_cast<std::ptrdiff_t>(best));
  return taken;
}

// Encodes one block with `context` (a new one when empty) and keeps the frames of its range. The
// context is closed (left empty of libmp3lame) when it cannot go on to another block.
void ParallelStream::EncodeBlock(Block& block, std::unique_ptr<Context>& context) const {
  try {
    if (!context) {
      context = std::make_unique<Context>();
      block.status = LameStream::Open(blockSettings_, &context->lame);
      if (block.status != kBeOk) return;
    }
    Context& c = *context;
    const bool carriesOn = CarriesOn(c, block);
    const int64_t from = StartFor(c, block);
    const int64_t silent = SilenceFor(c, block);
    if (from < 0) {
      block.status = kBeEncoderFailed;  // cannot happen: contexts are taken to fit the block
      c.lame.reset();
      return;
    }
    std::vector<uint8_t> made;
    std::vector<uint8_t> chunk(blockSettings_.outputBufferSize);
    const size_t step = blockSettings_.samplesPerChunk;
    if (!carriesOn) {  // a seam: the context's input is the stream's from `from` on
      c.offset = from - (c.fed + silent);
      c.segmentFrom = from;
    }
    // Takes what libmp3lame made into the block; on a failure the context is closed.
    auto take = [&](BeStatus status, uint32_t produced) {
      if (status == kBeOk) {
        made.insert(made.end(), chunk.begin(), chunk.begin() + produced);
        status = KeepFrames(made, c, block);
      }
      block.status = status;
      if (status != kBeOk) c.lame.reset();
      return status == kBeOk;
    };
    const std::vector<int16_t> silence(silent > 0 ? step : 0);
    for (int64_t i = 0; i < silent; ++i) {
      uint32_t produced = 0;
      const BeStatus status =
          c.lame->EncodeChunk(static_cast<uint32_t>(step), silence.data(), chunk.data(), &produced);
      if (!take(status, produced)) return;
      ++c.fed;
    }
    const size_t first =
        static_cast<size_t>(from * plan_.frameSamples - block.inputStart) * channels_;
    const int16_t* input =
        block.buffer->data() + (block.inputStart - block.bufferStart) * channels_;
    const auto inputSize = static_cast<size_t>((block.inputEnd - block.inputStart) * channels_);
    for (size_t at = first; at < inputSize && !abandon_; at += step) {
      const auto count = static_cast<uint32_t>(std::min(step, inputSize - at));
      uint32_t produced = 0;
      const BeStatus status = c.lame->EncodeChunk(count, input + at, chunk.data(), &produced);
      if (!take(status, produced)) return;
    }
    if (abandon_) {
      c.lame.reset();
      return;
    }
    c.fed += static_cast<int64_t>(inputSize - first) / channels_ / plan_.frameSamples;
    if (block.final) {
      uint32_t produced = 0;
      const BeStatus status = c.lame->Flush(chunk.data(), &produced);
      if (!take(status, produced)) return;
    }
    block.buffer.reset();
    if (block.status == kBeOk && !made.empty()) block.status = kBeEncoderFailed;
    // A block that ends before the stream does must have made every frame of its range.
    const auto wanted = static_cast<size_t>(block.keepTo - block.keepFrom);
    if (block.status == kBeOk && !block.final && block.frameSizes.size() != wanted) {
      block.status = kBeEncoderFailed;
    }
    if (block.index == 0 || block.final) block.renderedInfo = c.lame->RenderedInfoFrame();
    if (block.status != kBeOk || block.final) c.lame.reset();
  } catch (const std::bad_alloc&) {
    block.status = kBeOutOfMemory;
    if (context) context->lame.reset();
  } catch (...) {  // nothing may leave a worker thread
    block.status = kBeEncoderFailed;
    if (context) context->lame.reset();
  }
}

// The first frame a context hands out may be the info frame it reserved: block 0's is the
// stream's reserved frame, the others' go.
BeStatus ParallelStream::KeepFrames(std::vector<uint8_t>& made, Context& context,
                                    Block& block) const {
  size_t at = 0;
  while (made.size() - at >= mpeg::kFrameHeaderSize) {
    const size_t length = mpeg::Layer3FrameLength(made.data() + at);
    if (length == 0) return kBeEncoderFailed;
    if (at + length > made.size()) break;  // the rest comes with the next chunk
    const uint8_t* start = made.data() + at;
    at += length;
    if (!context.firstSeen) {
      context.firstSeen = true;
      if (context.lame->FirstFrameReserved()) {
        if (block.index == 0) {
          block.bytes.insert(block.bytes.end(), start, start + length);
          block.infoFrameBytes = length;
        }
        continue;
      }
    }
    const int64_t frame = context.made + context.offset;
    ++context.made;
    if (frame >= block.keepFrom && frame < block.keepTo) {
      block.bytes.insert(block.bytes.end(), start, start + length);
      block.frameSizes.push_back(static_cast<uint16_t>(length));
    }
  }
  made.erase(made.begin(), made.begin() + static_cast<std::ptrdiff_t>(at));
  return kBeOk;
}

std::unique_ptr<ParallelStream::Block> ParallelStream::NewBlock(int64_t index) const {
  auto block = std::make_unique<Block>();
  block->index = index;
  block->inputStart = plan_.InputStart(index);
  block->inputEnd = plan_.InputEnd(index);
  block->start = plan_.Start(index);
  block->keepFrom = plan_.KeepFrom(index);
  block->keepTo = plan_.KeepTo(index);
  block->bufferStart = block->inputStart;
  block->buffer = std::make_shared<std::vector<int16_t>>();
  block->buffer->reserve(static_cast<size_t>(block->inputEnd - block->inputStart) * channels_);
  return block;
}

// Gives each block receiving input its share of the samples [fed_, fed_ + samples), opens the
// next block where its input starts and submits a block whose input is complete.
void ParallelStream::Feed(const int16_t* values, int64_t samples) {
  while (samples > 0) {
    int64_t take = std::min(samples, plan_.InputStart(nextBlock_) - fed_);
    if (!filling_.empty()) take = std::min(take, filling_.front()->inputEnd - fed_);
    const size_t count = static_cast<size_t>(take) * channels_;
    for (auto& block : filling_)
      block->buffer->insert(block->buffer->end(), values, values + count);
    values += count;
    samples -= take;
    fed_ += take;
    if (fed_ == plan_.InputStart(nextBlock_)) filling_.push_back(NewBlock(nextBlock_++));
    while (!filling_.empty() && filling_.front()->inputEnd <= fed_) {
      Submit(std::move(filling_.front()));
      filling_.pop_front();
    }
  }
}

// Takes back the blocks that no worker has started yet, in stream order: they are cut anew with
// the final block, so that the workers end together.
std::vector<std::unique_ptr<ParallelStream::Block>> ParallelStream::TakeBackQueued() {
  std::vector<std::unique_ptr<Block>> queued;
  std::lock_guard<std::mutex> guard(lock_);
  while (!todo_.empty() && todo_.back() == inFlight_.back().get()) {
    queued.insert(queued.begin(), std::move(inFlight_.back()));
    inFlight_.pop_back();
    todo_.pop_back();
  }
  return queued;
}

// Cuts pieces off the front of a block, which keeps the last piece; they share its input.
std::vector<std::unique_ptr<ParallelStream::Block>> ParallelStream::CutIntoPieces(
    Block& block) const {
  std::vector<std::unique_ptr<Block>> pieces;
  const int64_t piece = plan_.tailPieceFrames;
  // Block 0 starts the stream, and so stays whole.
  if (block.index == 0) return pieces;
  auto end = [&] { return block.final ? block.inputEnd / plan_.frameSamples : block.keepTo; };
  while (end() - block.keepFrom > piece) {
    auto cut = std::make_unique<Block>(block);
    cut->final = false;
    cut->keepTo = block.keepFrom + piece;
    cut->inputEnd = (cut->keepTo + plan_.lookaheadFrames) * plan_.frameSamples;
    // The rest starts a warm-up before its range, reaching back a preroll.
    block.keepFrom = cut->keepTo;
    block.start = block.keepFrom - plan_.warmupFrames;
    block.inputStart =
        std::max(block.inputStart / plan_.frameSamples, block.start - plan_.prerollFrames) *
        plan_.frameSamples;
    pieces.push_back(std::move(cut));
  }
  return pieces;
}

bool ParallelStream::HasRoom() const {
  return todo_.size() < kMostQueued && inFlight_.size() < mostInFlight_;
}

void ParallelStream::Submit(std::unique_ptr<Block> block) {
  while (true) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (HasRoom()) {
        todo_.push_back(block.get());
        inFlight_.push_back(std::move(block));
        break;
      }
    }
    Collect(false);
    std::unique_lock<std::mutex> guard(lock_);
    blockMoved_.wait(
        guard, [this] { return HasRoom() || (!inFlight_.empty() && inFlight_.front()->done); });
  }
  workReady_.notify_one();
}

void ParallelStream::Collect(bool all) {
  std::vector<std::unique_ptr<Block>> ready;
  {
    std::unique_lock<std::mutex> guard(lock_);
    if (all) {
      blockMoved_.wait(guard, [this] {
        return std::all_of(inFlight_.begin(), inFlight_.end(), [](auto& b) { return b->done; });
      });
    }
    while (!inFlight_.empty() && inFlight_.front()->done) {
      ready.push_back(std::move(inFlight_.front()));
      inFlight_.pop_front();
    }
  }
  for (auto& block : ready) Take(*block);
}

// Appends a finished block's frames to the output, unless an earlier block failed: the output
// then ends with the last good block, a valid and contiguous beginning of the stream.
void ParallelStream::Take(Block& block) {
  if (failure_ != kBeOk) return;
  if (block.status != kBeOk) {
    failure_ = block.status;
    return;
  }
  if (pendingAt_ == pending_.size()) {
    pending_.clear();
    pendingAt_ = 0;
  }
  pending_.insert(pending_.end(), block.bytes.begin(), block.bytes.end());
  if (block.index == 0) {
    seekPoints_ = SeekPoints(block.infoFrameBytes);
    renderedInfo_ = block.renderedInfo;
    singleBlock_ = block.final;
  }
  // libmp3lame gives its info frame the channel mode bits of the stream's last frame.
  if (block.final && !renderedInfo_.empty() && block.renderedInfo.size() > kModeByte) {
    renderedInfo_[kModeByte] = block.renderedInfo[kModeByte];
  }
  const uint8_t* audio = block.bytes.data() + block.infoFrameBytes;
  musicCrc_ = Crc16(audio, block.bytes.size() - block.infoFrameBytes, musicCrc_);
  for (uint16_t size : block.frameSizes) seekPoints_.AddFrame(size);
  bytesTaken_ += block.bytes.size();
}

uint32_t ParallelStream::HandOut(uint8_t* output) {
  const size_t count = std::min(pending_.size() - pendingAt_, size_t{settings_.outputBufferSize});
  if (count > 0) std::memcpy(output, pending_.data() + pendingAt_, count);
  pendingAt_ += count;
  return static_cast<uint32_t>(count);
}

BeStatus ParallelStream::Fail(BeStatus status) {
  state_ = State::kFailed;
  return status;
}

BeStatus ParallelStream::EncodeChunk(uint32_t count, const int16_t* samples, uint8_t* output,
                                     uint32_t* bytesProduced) {
  if (!output || !bytesProduced || (count > 0 && !samples)) return kBeInvalidArgument;
  const auto channels = static_cast<uint32_t>(channels_);
  if (count > settings_.samplesPerChunk || count % channels != 0) return kBeInvalidArgument;
  if (state_ != State::kEncoding) return kBeWrongState;
  *bytesProduced = 0;
  try {
    Feed(samples, count / channels);
    Collect(false);
  } catch (const std::bad_alloc&) {
    return Fail(kBeOutOfMemory);
  }
  *bytesProduced = HandOut(output);
  // What was good before the failure is still handed out; the failure ends the stream.
  if (failure_ != kBeOk) return Fail(failure_);
  return kBeOk;
}

BeStatus ParallelStream::Flush(uint8_t* output, uint32_t* bytesProduced) {
  if (!output || !bytesProduced) return kBeInvalidArgument;
  if (state_ != State::kEncoding) return kBeWrongState;
  *bytesProduced = 0;
  try {
    // The first block still receiving input ends the stream; blocks behind it hold only input
    // that it covers itself.
    std::unique_ptr<Block> last = std::move(filling_.front());
    filling_.clear();
    last->final = true;
    last->inputEnd = fed_;
    last->keepTo = std::numeric_limits<int64_t>::max();
    std::vector<std::unique_ptr<Block>> rest = TakeBackQueued();
    rest.push_back(std::move(last));
    for (std::unique_ptr<Block>& block : rest) {
      for (std::unique_ptr<Block>& piece : CutIntoPieces(*block)) Submit(std::move(piece));
      Submit(std::move(block));
    }
    Collect(true);
  } catch (const std::bad_alloc&) {
    return Fail(kBeOutOfMemory);
  }
  *bytesProduced = HandOut(output);
  if (failure_ != kBeOk) return Fail(failure_);
  if (pendingAt_ != pending_.size()) return Fail(kBeEncoderFailed);  // cannot happen: sized
  state_ = State::kFlushed;
  return kBeOk;
}

std::vector<uint8_t> ParallelStream::InfoFrame() const {
  if (state_ != State::kFlushed) return {};
  std::vector<uint8_t> frame = renderedInfo_;
  if (frame.empty() || singleBlock_) return frame;  // one context saw the whole stream
  StreamTotals totals;
  totals.audioFrames = static_cast<uint32_t>(seekPoints_.frames());
  totals.bytes = static_cast<uint32_t>(bytesTaken_);
  totals.delay = encoderDelay_;
  const int64_t coded = static_cast<int64_t>(seekPoints_.frames()) * plan_.frameSamples;
  totals.padding = static_cast<int>(std::max<int64_t>(0, coded - encoderDelay_ - fed_));
  totals.musicCrc = musicCrc_;
  totals.toc = seekPoints_.Table(bytesTaken_);
  if (!PutTotals(totals, &frame)) return {};
  return frame;
}

}  // namespace tolvo::encoder
