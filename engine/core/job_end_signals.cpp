// The engine's list of job-end descriptors, under a lock: callers add and remove them on their
// threads while the job thread signals them.
#include "core/job_end_signals.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <vector>

#include "tolvo/engine/interface1.h"
#include "tolvo/platform/event_descriptor.h"

namespace tolvo::engine {
namespace {

class JobEndSignals {
 public:
  int32_t Open() {
    platform::EventDescriptor made = platform::EventDescriptor::Create();
    if (!made.IsValid()) return -1;
    const int32_t fd = made.Descriptor();
    std::lock_guard<std::mutex> guard(lock_);
    try {
      open_.push_back(std::move(made));
    } catch (const std::bad_alloc&) {
      return -1;
    }
    return fd;
  }

  int32_t Close(int32_t fd) {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = std::find_if(open_.begin(), open_.end(), [fd](const platform::EventDescriptor& d) {
      return d.Descriptor() == fd;
    });
    if (it == open_.end()) return kRefused;
    open_.erase(it);
    return 0;
  }

  void SignalAll() {
    std::lock_guard<std::mutex> guard(lock_);
    for (const platform::EventDescriptor& d : open_) d.Signal();
  }

 private:
  std::mutex lock_;
  std::vector<platform::EventDescriptor> open_;
};

JobEndSignals& Signals() {
  // Never destroyed: a job thread still ending at process exit may signal it.
  static JobEndSignals* signals = new JobEndSignals;
  return *signals;
}

}  // namespace

int32_t OpenJobEndSignal() { return Signals().Open(); }
int32_t CloseJobEndSignal(int32_t descriptor) { return Signals().Close(descriptor); }
void SignalJobEnd() { Signals().SignalAll(); }

}  // namespace tolvo::engine
