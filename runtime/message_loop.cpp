// Timers, loop runs and modal loops over GLib's thread-default main context.
#include "tolvo/runtime/message_loop.h"

#include <glib-unix.h>
#include <glib.h>

#include <atomic>

namespace tolvo::runtime {
namespace detail {

// One reference to the calling thread's thread-default context.
struct ContextRef {
  ContextRef() : context(g_main_context_ref_thread_default()) {}
  explicit ContextRef(GMainContext* given) : context(g_main_context_ref(given)) {}
  ~ContextRef() { g_main_context_unref(context); }
  ContextRef(const ContextRef&) = delete;
  ContextRef& operator=(const ContextRef&) = delete;
  GMainContext* context;
};

struct TimerState {
  explicit TimerState(GMainContext* given) : context(given) {}
  ContextRef context;
  uint32_t intervalMs;
  std::function<void()> onTick;
  GSource* source = nullptr;  // non-null while enabled

  void Stop() {
    if (!source) return;
    g_source_destroy(source);
    g_source_unref(source);
    source = nullptr;
  }
};

struct DescriptorWatchState {
  GMainContext* context;  // the timer's, referenced
  std::function<void()> onReadable;
  GSource* source = nullptr;

  ~DescriptorWatchState() { g_main_context_unref(context); }
  void Stop() {
    if (!source) return;
    g_source_destroy(source);
    g_source_unref(source);
    source = nullptr;
  }
};

struct ModalLoopState {
  ContextRef context;
  std::atomic<bool> quitRequested{false};
  std::atomic<bool> running{false};
};

}  // namespace detail

namespace {

using detail::ContextRef;
using TimerState = std::shared_ptr<detail::TimerState>;

// Does nothing; its dispatch only ends a blocking iteration.
gboolean WakeOnce(gpointer) { return G_SOURCE_REMOVE; }

gboolean TimerTick(gpointer data) {
  // A copy: the Timer may be destroyed by its own callback, and the state must outlive the call.
  TimerState state = *static_cast<TimerState*>(data);
  if (state->source != g_main_current_source()) return G_SOURCE_REMOVE;  // disabled meanwhile
  state->onTick();
  return G_SOURCE_CONTINUE;
}

void FreeTimerState(gpointer data) { delete static_cast<TimerState*>(data); }

using WatchState = std::shared_ptr<detail::DescriptorWatchState>;

gboolean DescriptorReadable(gint, GIOCondition, gpointer data) {
  WatchState state = *static_cast<WatchState*>(data);  // outlives a callback that ends the watch
  if (state->source != g_main_current_source()) return G_SOURCE_REMOVE;
  state->onReadable();
  return G_SOURCE_CONTINUE;
}

void FreeWatchState(gpointer data) { delete static_cast<WatchState*>(data); }

}  // namespace

Timer::Timer(uint32_t intervalMs, std::function<void()> onTick)
    : Timer(ContextRef().context, intervalMs, std::move(onTick)) {}

Timer::Timer(GMainContext* context, uint32_t intervalMs, std::function<void()> onTick)
    : state_(std::make_shared<detail::TimerState>(context)) {
  state_->intervalMs = intervalMs;
  state_->onTick = std::move(onTick);
}

Timer::~Timer() { state_->Stop(); }

void Timer::Enable() {
  if (state_->source) return;
  GSource* source = g_timeout_source_new(state_->intervalMs);
  g_source_set_callback(source, TimerTick, new TimerState(state_), FreeTimerState);
  g_source_attach(source, state_->context.context);
  state_->source = source;  // the reference from g_timeout_source_new, dropped by Stop
}

void Timer::Disable() { state_->Stop(); }
bool Timer::IsEnabled() const { return state_->source != nullptr; }
uint32_t Timer::IntervalMs() const { return state_->intervalMs; }

DescriptorWatch::DescriptorWatch(const Timer& sameContextAs, int descriptor,
                                 std::function<void()> onReadable)
    : state_(std::make_shared<detail::DescriptorWatchState>()) {
  state_->context = g_main_context_ref(sameContextAs.state_->context.context);
  state_->onReadable = std::move(onReadable);
  GSource* source = g_unix_fd_source_new(descriptor, G_IO_IN);
  // Ahead of the timers of the default priority: an end reported here is not polled again.
  g_source_set_priority(source, G_PRIORITY_DEFAULT - 1);
  g_source_set_callback(source, G_SOURCE_FUNC(DescriptorReadable), new WatchState(state_),
                        FreeWatchState);
  g_source_attach(source, state_->context);
  state_->source = source;
}

DescriptorWatch::~DescriptorWatch() { state_->Stop(); }

bool RunLoopUntil(const std::function<bool()>& done, int timeoutMs) {
  ContextRef context;
  GSource* deadline = nullptr;
  gint64 deadlineUs = 0;
  if (timeoutMs >= 0) {
    deadlineUs = g_get_monotonic_time() + gint64{timeoutMs} * 1000;
    deadline = g_timeout_source_new(static_cast<guint>(timeoutMs));
    g_source_set_callback(deadline, WakeOnce, nullptr, nullptr);
    g_source_attach(deadline, context.context);
  }
  while (!done()) {
    if (deadline && g_get_monotonic_time() >= deadlineUs) break;
    g_main_context_iteration(context.context, TRUE);
  }
  if (deadline) {
    g_source_destroy(deadline);
    g_source_unref(deadline);
  }
  return done();
}

void ProcessPendingEvents() {
  ContextRef context;
  // Bounded, so that a source that is always ready cannot hold the caller forever.
  for (int i = 0; i < 10000 && g_main_context_iteration(context.context, FALSE); ++i) {
  }
}

ModalLoop::ModalLoop() : state_(std::make_shared<detail::ModalLoopState>()) {}
ModalLoop::~ModalLoop() = default;

void ModalLoop::Run() {
  // A copy: a callback may destroy this ModalLoop after asking it to quit.
  std::shared_ptr<detail::ModalLoopState> state = state_;
  state->running = true;
  // A Quit that comes between the check and the wait leaves the context woken, so it is not lost.
  while (!state->quitRequested.load()) g_main_context_iteration(state->context.context, TRUE);
  state->quitRequested = false;
  state->running = false;
}

void ModalLoop::Quit() {
  state_->quitRequested = true;
  g_main_context_wakeup(state_->context.context);
}

bool ModalLoop::IsRunning() const { return state_->running.load(); }

}  // namespace tolvo::runtime
