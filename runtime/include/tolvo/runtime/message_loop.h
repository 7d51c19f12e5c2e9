// The apartment's message loop: GLib's main loop on the thread-default GMainContext of the thread
// (the global default context on a thread that has not pushed one, which is also GTK's). Timers
// tick, events are raised and modal boxes run on that loop; everything here belongs to the
// thread that created it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "tolvo/runtime/export.h"

typedef struct _GMainContext GMainContext;

namespace tolvo::runtime {

namespace detail {
struct TimerState;
struct ModalLoopState;
struct DescriptorWatchState;
}  // namespace detail

// A repeating timer on the creating thread's context; created disabled. Ticks come only while
// the thread runs its loop (RunLoopUntil, a ModalLoop, ProcessPendingEvents, or GTK's loop). A
// tick never starts inside another tick of the same timer, even when a tick runs a nested loop.
// The callback may disable, re-enable or destroy its own timer.
class TOLVO_RUNTIME_API Timer {
 public:
  Timer(uint32_t intervalMs, std::function<void()> onTick);
  // A timer on `context` (an object's ApartmentTie::Context()), which it keeps a reference to.
  Timer(GMainContext* context, uint32_t intervalMs, std::function<void()> onTick);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  // Starts counting a fresh interval; no effect when already enabled.
  void Enable();
  void Disable();
  bool IsEnabled() const;
  uint32_t IntervalMs() const;

 private:
  friend class DescriptorWatch;
  std::shared_ptr<detail::TimerState> state_;
};

// Calls `onReadable` on the loop of a timer's context whenever a descriptor is readable, until
// destroyed; the callback must drain the descriptor. It runs before a tick of that timer that is
// due at the same moment, so that a timer woken early by it can finish its work first. The
// callback may destroy the watch. The descriptor stays the caller's.
class TOLVO_RUNTIME_API DescriptorWatch {
 public:
  DescriptorWatch(const Timer& sameContextAs, int descriptor, std::function<void()> onReadable);
  ~DescriptorWatch();
  DescriptorWatch(const DescriptorWatch&) = delete;
  DescriptorWatch& operator=(const DescriptorWatch&) = delete;

 private:
  std::shared_ptr<detail::DescriptorWatchState> state_;
};

// Runs the thread's loop until `done` holds (checked before waiting and after each dispatched
// event) or `timeoutMs` has passed (negative: no limit). Returns done() at the end.
TOLVO_RUNTIME_API bool RunLoopUntil(const std::function<bool()>& done, int timeoutMs = -1);

// Dispatches what is ready now without waiting.
TOLVO_RUNTIME_API void ProcessPendingEvents();

// A nested loop for a modal box: Run() dispatches the thread's events (ticks go on) until Quit().
// Quit() may be called from a callback of the loop or from any other thread.
class TOLVO_RUNTIME_API ModalLoop {
 public:
  ModalLoop();
  ~ModalLoop();
  ModalLoop(const ModalLoop&) = delete;
  ModalLoop& operator=(const ModalLoop&) = delete;

  void Run();
  void Quit();
  bool IsRunning() const;

 private:
  std::shared_ptr<detail::ModalLoopState> state_;  // shared with a running Run()
};

}  // namespace tolvo::runtime
