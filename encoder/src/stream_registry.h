// The table of live streams. A handle is a number this table gave out, never a pointer, so a
// stale or made-up handle is recognised and refused instead of being followed.
#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>

#include "encoder_stream.h"

namespace tolvo::encoder {

// A stream with the lock that serialises calls on it.
struct LiveStream {
  std::mutex lock;
  std::unique_ptr<EncoderStream> stream;
};

class StreamRegistry {
 public:
  // The library's one table.
  static StreamRegistry& Instance();

  // A new handle for the stream; 0 when it could not be registered.
  BeStream Add(std::unique_ptr<EncoderStream> stream);
  // The live stream of a handle, or null. Holding the result keeps the stream alive even when
  // another thread closes the handle meanwhile.
  std::shared_ptr<LiveStream> Find(BeStream handle);
  // Takes the stream out of the table; null when the handle names no live stream.
  std::shared_ptr<LiveStream> Remove(BeStream handle);

 private:
  std::mutex lock_;
  std::unordered_map<BeStream, std::shared_ptr<LiveStream>> streams_;
  BeStream lastHandle_ = 0;
};

}  // namespace tolvo::encoder
