// GLib's Unix signal source for SIGWINCH, like InterruptWatch for SIGINT.
#include "resize_watch.h"

#include <glib-unix.h>
#include <glib.h>

#include <csignal>

#include "tolvo/platform/terminal.h"

namespace tolvo::tool {

ResizeWatch::ResizeWatch(std::function<void(int)> onResize) : onResize_(std::move(onResize)) {
  sourceId_ = g_unix_signal_add(SIGWINCH, &ResizeWatch::OnSignal, this);
}

ResizeWatch::~ResizeWatch() {
  if (sourceId_ != 0) g_source_remove(sourceId_);
}

int ResizeWatch::OnSignal(void* self) {
  auto* watch = static_cast<ResizeWatch*>(self);
  int columns = platform::TerminalColumns(platform::StandardStream::kError);
  if (columns > 0 && watch->onResize_) watch->onResize_(columns);
  return G_SOURCE_CONTINUE;
}

}  // namespace tolvo::tool
