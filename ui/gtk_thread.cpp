// Taking GTK's context, handing a box to the thread whose loop holds it, and nested loops.
#include "gtk_thread.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace tolvo::ui {
namespace {

using Clock = std::chrono::steady_clock;

// A running loop picks a handed-over task up at its next iteration, within milliseconds. Past
// this the caller tries to take the context itself (nobody may be running a loop at all).
constexpr auto kPickUpGrace = std::chrono::milliseconds(250);
// Past this, with the context still held and the task not picked up, the owner is busy or blocked
// (perhaps waiting for the caller): the caller gives up rather than wait forever.
constexpr auto kGiveUp = std::chrono::seconds(3);
constexpr auto kPollStep = std::chrono::milliseconds(20);
constexpr guint kPumpIntervalMs = 10;
constexpr int kPumpBatch = 100;

enum class HandoffState { kPosted, kTakenByLoop, kTakenByCaller, kAbandoned, kDone };

struct Handoff {
  std::function<int()> task;
  std::mutex mutex;
  std::condition_variable changed;
  HandoffState state = HandoffState::kPosted;
  int result = 0;
};

using HandoffRef = std::shared_ptr<Handoff>;

gboolean RunHandoffOnLoop(gpointer data) {
  const HandoffRef handoff = *static_cast<HandoffRef*>(data);
  {
    std::lock_guard lock(handoff->mutex);
    if (handoff->state != HandoffState::kPosted) return G_SOURCE_REMOVE;
    handoff->state = HandoffState::kTakenByLoop;
  }
  const int result = handoff->task();
  {
    std::lock_guard lock(handoff->mutex);
    handoff->result = result;
    handoff->state = HandoffState::kDone;
  }
  handoff->changed.notify_all();
  return G_SOURCE_REMOVE;
}

void FreeHandoffRef(gpointer data) { delete static_cast<HandoffRef*>(data); }

// An idle source on GTK's context carrying the handoff; destroyed when the caller takes it back.
class PostedHandoff {
 public:
  explicit PostedHandoff(const HandoffRef& handoff) : source_(g_idle_source_new()) {
    g_source_set_priority(source_, G_PRIORITY_DEFAULT);
    g_source_set_callback(source_, RunHandoffOnLoop, new HandoffRef(handoff), FreeHandoffRef);
    g_source_attach(source_, g_main_context_default());
  }
  ~PostedHandoff() {
    g_source_destroy(source_);
    g_source_unref(source_);
  }
  PostedHandoff(const PostedHandoff&) = delete;
  PostedHandoff& operator=(const PostedHandoff&) = delete;

 private:
  GSource* source_;
};

gboolean PumpGtkEvents(gpointer) {
  GMainContext* gtkContext = g_main_context_default();
  for (int i = 0; i < kPumpBatch && g_main_context_iteration(gtkContext, FALSE); ++i) {
  }
  return G_SOURCE_CONTINUE;
}

}  // namespace

GtkContextOwnership::GtkContextOwnership(int waitMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  while (!(owned_ = g_main_context_acquire(g_main_context_default()))) {
    if (Clock::now() >= deadline) return;
    g_usleep(5000);
  }
}

GtkContextOwnership::~GtkContextOwnership() {
  if (owned_) g_main_context_release(g_main_context_default());
}

int RunWhereGtkLives(const std::function<int()>& task, int notRun) {
  {
    GtkContextOwnership ownership(0);
    if (ownership.owned()) return task();
  }
  auto handoff = std::make_shared<Handoff>();
  handoff->task = task;
  PostedHandoff posted(handoff);
  const auto start = Clock::now();
  std::unique_lock lock(handoff->mutex);
  for (;;) {
    switch (handoff->state) {
      case HandoffState::kDone:
        return handoff->result;
      case HandoffState::kTakenByLoop:
        handoff->changed.wait(lock);
        continue;
      default:
        break;
    }
    const auto waited = Clock::now() - start;
    if (waited >= kPickUpGrace) {
      lock.unlock();
      GtkContextOwnership ownership(0);
      lock.lock();
      if (ownership.owned() && handoff->state == HandoffState::kPosted) {
        handoff->state = HandoffState::kTakenByCaller;
        lock.unlock();
        return task();
      }
      if (!ownership.owned() && waited >= kGiveUp && handoff->state == HandoffState::kPosted) {
        handoff->state = HandoffState::kAbandoned;
        return notRun;
      }
    }
    handoff->changed.wait_for(lock, kPollStep);
  }
}

void RunNestedLoopUntil(GMainContext* context, const bool* closed) {
  GSource* pump = nullptr;
  if (context != g_main_context_default()) {
    pump = g_timeout_source_new(kPumpIntervalMs);
    g_source_set_callback(pump, PumpGtkEvents, nullptr, nullptr);
    g_source_attach(pump, context);
  }
  while (!*closed) g_main_context_iteration(context, TRUE);
  if (pump) {
    g_source_destroy(pump);
    g_source_unref(pump);
  }
}

}  // namespace tolvo::ui
