// A stream encoded in blocks by worker threads with libmp3lame contexts that live on from block to
// block (see block_plan.h), and handed out frame for frame in order through the same calls as the
// sequential stream. Only for streams whose frames stand alone (bit reservoir off) and whose
// output rate is the input rate, so that blocks join on the sequential frame grid.
//
// The caller's thread fills blocks and hands out what the workers finished; it waits while a
// complete block waits for a worker, or while too many finished blocks wait for an earlier one,
// so memory stays bounded however long the stream.
// The workers are started by the opening thread and so run at its scheduling priority.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "block_plan.h"
#include "encoder_stream.h"
#include "lame_stream.h"
#include "seek_points.h"

namespace tolvo::encoder {

class ParallelStream final : public EncoderStream {
 public:
  // `settings` as read from the record, `workers` above 1, `fresh` a libmp3lame context opened
  // with these settings and fed nothing yet: it encodes the first block.
  static BeStatus Open(const StreamSettings& settings, int workers,
                       std::unique_ptr<LameStream> fresh, std::unique_ptr<EncoderStream>* stream);
  ~ParallelStream() override;
  ParallelStream(const ParallelStream&) = delete;
  ParallelStream& operator=(const ParallelStream&) = delete;

  // outputBufferSize is large enough for everything the flush may hand out at once.
  const StreamSettings& settings() const override { return settings_; }
  BeStatus EncodeChunk(uint32_t count, const int16_t* samples, uint8_t* output,
                       uint32_t* bytesProduced) override;
  BeStatus Flush(uint8_t* output, uint32_t* bytesProduced) override;
  bool flushed() const override { return state_ == State::kFlushed; }
  // Block 0's rendered info frame with the whole stream's totals.
  std::vector<uint8_t> InfoFrame() const override;

  const BlockPlan& plan() const { return plan_; }

 private:
  struct Block;
  struct Context;
  enum class State { kEncoding, kFlushed, kFailed };

  ParallelStream(const StreamSettings& settings, int encoderDelay);
  BeStatus StartWorkers(int workers);
  void WorkerLoop();
  // The idle context that encodes `block` at least cost, taken from the idle ones; empty when a
  // new context costs less (or none is idle). Called under lock_.
  std::unique_ptr<Context> TakeContext(const Block& block);
  // True when the context's input runs on into the block's without a seam.
  bool CarriesOn(const Context& context, const Block& block) const;
  // The stream frame from which the context would be fed the block's input; -1 when the block's
  // input does not reach back that far (a new context then starts on the block's start).
  int64_t StartFor(const Context& context, const Block& block) const;
  // Frames of silence a new context is fed first, to start the block in phase where the block's
  // input does not reach back far enough.
  int64_t SilenceFor(const Context& context, const Block& block) const;
  void EncodeBlock(Block& block, std::unique_ptr<Context>& context) const;
  // Keeps the whole frames at the front of `made` that fall in the block's range.
  BeStatus KeepFrames(std::vector<uint8_t>& made, Context& context, Block& block) const;

  std::unique_ptr<Block> NewBlock(int64_t index) const;
  void Feed(const int16_t* values, int64_t samples);
  std::vector<std::unique_ptr<Block>> TakeBackQueued();
  std::vector<std::unique_ptr<Block>> CutIntoPieces(Block& block) const;
  // Room for one more submitted block; called under lock_.
  bool HasRoom() const;
  void Submit(std::unique_ptr<Block> block);
  // Takes the finished blocks at the front, in order, into the pending output; with `all`,
  // waits until every submitted block is finished.
  void Collect(bool all);
  void Take(Block& block);
  uint32_t HandOut(uint8_t* output);
  BeStatus Fail(BeStatus status);

  StreamSettings settings_;       // as reported to the caller
  StreamSettings blockSettings_;  // as each block's context is opened
  BlockPlan plan_;
  int channels_;
  int encoderDelay_;
  size_t mostInFlight_ = 2;
  State state_ = State::kEncoding;
  BeStatus failure_ = kBeOk;

  // The caller's side.
  std::deque<std::unique_ptr<Block>> filling_;  // blocks receiving input, in order (at most 2)
  int64_t nextBlock_ = 1;
  int64_t fed_ = 0;  // samples per channel
  std::vector<uint8_t> pending_;
  size_t pendingAt_ = 0;
  SeekPoints seekPoints_;
  uint64_t bytesTaken_ = 0;
  uint16_t musicCrc_ = 0;
  std::vector<uint8_t> renderedInfo_;  // block 0's
  bool singleBlock_ = false;           // block 0 was the final block: its context saw everything

  // Shared with the workers under lock_.
  std::mutex lock_;
  std::condition_variable workReady_;
  std::condition_variable blockMoved_;           // a worker took a block or finished one
  std::deque<std::unique_ptr<Block>> inFlight_;  // submitted, in stream order
  std::deque<Block*> todo_;                      // submitted, not yet taken by a worker
  std::vector<std::unique_ptr<Context>> idle_;   // contexts between blocks
  size_t contexts_ = 0;                          // alive, idle or at work
  bool stopping_ = false;
  std::atomic<bool> abandon_{false};  // a closing stream: workers stop mid-block
  std::vector<std::thread> workers_;
};

}  // namespace tolvo::encoder
