// Ctrl-C as an event of the main loop: while an InterruptWatch exists, SIGINT no longer ends the
// process; it sets a flag that the loop's next iteration sees. Nothing runs inside the handler.
#pragma once

#include <functional>

namespace tolvo::tool {

class InterruptWatch {
 public:
  // `onInterrupt` runs on the main loop (never in the signal handler) for each SIGINT.
  explicit InterruptWatch(std::function<void()> onInterrupt);
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  bool Interrupted() const { return interrupted_; }

 private:
  static int OnSignal(void* self);

  std::function<void()> onInterrupt_;
  bool interrupted_ = false;
  unsigned sourceId_ = 0;
};

}  // namespace tolvo::tool
