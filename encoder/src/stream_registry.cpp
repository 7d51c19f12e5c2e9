// Handles of live streams: numbers handed out in turn and looked up under a lock.
#include "stream_registry.h"

#include <new>

namespace tolvo::encoder {

StreamRegistry& StreamRegistry::Instance() {
  static StreamRegistry registry;
  return registry;
}

BeStream StreamRegistry::Add(std::unique_ptr<EncoderStream> stream) {
  try {
    auto live = std::make_shared<LiveStream>();
    live->stream = std::move(stream);
    std::lock_guard<std::mutex> guard(lock_);
    BeStream handle = ++lastHandle_;
    if (handle == 0) handle = ++lastHandle_;  // 0 means "no stream"
    streams_.emplace(handle, std::move(live));
    return handle;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

std::shared_ptr<LiveStream> StreamRegistry::Find(BeStream handle) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = streams_.find(handle);
  return it == streams_.end() ? nullptr : it->second;
}

std::shared_ptr<LiveStream> StreamRegistry::Remove(BeStream handle) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = streams_.find(handle);
  if (it == streams_.end()) return nullptr;
  std::shared_ptr<LiveStream> live = std::move(it->second);
  streams_.erase(it);
  return live;
}

}  // namespace tolvo::encoder
