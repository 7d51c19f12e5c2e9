// What every stream behind a handle offers the six functions: chunks in, bytes out, one flush,
// and the final info frame.
#pragma once

#include <cstdint>
#include <vector>

#include "config_reading.h"

namespace tolvo::encoder {

class EncoderStream {
 public:
  virtual ~EncoderStream() = default;

  // samplesPerChunk and outputBufferSize are what beInitStream reports.
  virtual const StreamSettings& settings() const = 0;
  // Encodes `count` 16-bit values (all channels, interleaved) into `output`, which holds at
  // least settings().outputBufferSize bytes.
  virtual BeStatus EncodeChunk(uint32_t count, const int16_t* samples, uint8_t* output,
                               uint32_t* bytesProduced) = 0;
  // Encodes what is still buffered and ends the stream; only once.
  virtual BeStatus Flush(uint8_t* output, uint32_t* bytesProduced) = 0;
  virtual bool flushed() const = 0;
  // The final info frame that replaces the frame reserved at the start of the stream; empty
  // before the flush.
  virtual std::vector<uint8_t> InfoFrame() const = 0;
};

}  // namespace tolvo::encoder
