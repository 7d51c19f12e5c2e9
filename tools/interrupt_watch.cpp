// GLib's Unix signal source: the signal is noted by GLib's own handler and dispatched later as an
// ordinary source of the default main context.
#include "interrupt_watch.h"

#include <glib-unix.h>
#include <glib.h>

#include <csignal>

namespace tolvo::tool {

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt)
    : onInterrupt_(std::move(onInterrupt)) {
  sourceId_ = g_unix_signal_add(SIGINT, &InterruptWatch::OnSignal, this);
}

InterruptWatch::~InterruptWatch() {
  if (sourceId_ != 0) g_source_remove(sourceId_);
}

int InterruptWatch::OnSignal(void* self) {
  auto* watch = static_cast<InterruptWatch*>(self);
  watch->interrupted_ = true;
  if (watch->onInterrupt_) watch->onInterrupt_();
  return G_SOURCE_CONTINUE;
}

}  // namespace tolvo::tool
