// One encoding stream over libmp3lame: set up from the stream settings, fed 16-bit interleaved
// chunks, flushed once, and able to render its final info frame (Xing for VBR, Info for CBR).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "encoder_stream.h"

struct lame_global_struct;

namespace tolvo::encoder {

class LameStream final : public EncoderStream {
 public:
  // kBeOk and a ready stream, or the reason it could not be made.
  static BeStatus Open(const StreamSettings& settings, std::unique_ptr<LameStream>* stream);

  LameStream(const LameStream&) = delete;
  LameStream& operator=(const LameStream&) = delete;
  ~LameStream() override;

  const StreamSettings& settings() const override { return settings_; }
  BeStatus EncodeChunk(uint32_t count, const int16_t* samples, uint8_t* output,
                       uint32_t* bytesProduced) override;
  BeStatus Flush(uint8_t* output, uint32_t* bytesProduced) override;
  bool flushed() const override { return state_ == State::kFlushed; }
  // Empty too for a stream whose frames are too small to carry an info frame (libmp3lame then
  // reserves none, e.g. CBR at 32 kbit/s resampled to 16 kHz).
  std::vector<uint8_t> InfoFrame() const override;

  // The info frame as libmp3lame renders it from what it has encoded so far, flushed or not.
  std::vector<uint8_t> RenderedInfoFrame() const;
  // Once the stream has handed out a frame: true when its first frame is the reserved info frame.
  bool FirstFrameReserved() const;
  // The sample rate libmp3lame settled on, and its encoder delay in samples.
  int outputSampleRate() const;
  int encoderDelay() const;

 private:
  enum class State { kEncoding, kFlushed, kFailed };
  struct LameCloser {
    void operator()(lame_global_struct* flags) const;
  };

  explicit LameStream(const StreamSettings& settings) : settings_(settings) {}
  BeStatus Configure();

  StreamSettings settings_;
  std::unique_ptr<lame_global_struct, LameCloser> lame_;
  State state_ = State::kEncoding;
  std::vector<int16_t> left_, right_;  // one chunk of a two-channel input, de-interleaved
};

}  // namespace tolvo::encoder
