// One encoding stream over libmp3lame: set up from the stream settings, fed 16-bit interleaved
// chunks, flushed once, and able to render its final info frame (Xing for VBR, Info for CBR).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "config_reading.h"

struct lame_global_struct;

namespace tolvo::encoder {

class LameStream {
 public:
  // kBeOk and a ready stream, or the reason it could not be made.
  static BeStatus Open(const StreamSettings& settings, std::unique_ptr<LameStream>* stream);

  LameStream(const LameStream&) = delete;
  LameStream& operator=(const LameStream&) = delete;
  ~LameStream();

  const StreamSettings& settings() const { return settings_; }

  // Encodes `count` 16-bit values (all channels, interleaved) into `output`, which holds at
  // least settings().outputBufferSize bytes.
  BeStatus EncodeChunk(uint32_t count, const int16_t* samples, uint8_t* output,
                       uint32_t* bytesProduced);
  // Encodes what is still buffered and ends the stream; only once.
  BeStatus Flush(uint8_t* output, uint32_t* bytesProduced);
  bool flushed() const { return state_ == State::kFlushed; }

  // The final info frame that replaces the frame reserved at the start of the stream; empty
  // before the flush, and for a stream whose frames are too small to carry one (libmp3lame then
  // reserves none, e.g. CBR at 32 kbit/s resampled to 16 kHz).
  std::vector<uint8_t> InfoFrame() const;

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
