// Terminal resizes as an event of the main loop: while a ResizeWatch exists, SIGWINCH is noted by
// GLib and `onResize` runs on the loop with the new width of standard error's terminal.
#pragma once

#include <functional>

namespace tolvo::tool {

class ResizeWatch {
 public:
  explicit ResizeWatch(std::function<void(int columns)> onResize);
  ~ResizeWatch();
  ResizeWatch(const ResizeWatch&) = delete;
  ResizeWatch& operator=(const ResizeWatch&) = delete;

 private:
  static int OnSignal(void* self);

  std::function<void(int)> onResize_;
  unsigned sourceId_ = 0;
};

}  // namespace tolvo::tool
