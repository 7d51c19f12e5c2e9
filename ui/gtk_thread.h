// Where GTK may be used: only by the thread that owns GLib's global default main context (GDK's
// events arrive there), and only while it owns it. These helpers take that ownership, hand work
// to the thread that holds it, and run nested loops until a box closes.
#pragma once

#include <glib.h>

#include <functional>

namespace tolvo::ui {

// Owns the global default context for the life of the object, when it can be had within the
// wait (another thread may own it for a moment between two iterations of its loop).
class GtkContextOwnership {
 public:
  explicit GtkContextOwnership(int waitMs);
  ~GtkContextOwnership();
  GtkContextOwnership(const GtkContextOwnership&) = delete;
  GtkContextOwnership& operator=(const GtkContextOwnership&) = delete;
  bool owned() const { return owned_; }

 private:
  bool owned_ = false;
};

// Runs `task` on a thread allowed to use GTK and returns its result: on the calling thread when
// it can take the context, otherwise on the thread whose loop holds it (the call waits). When no
// loop picks the task up and the context cannot be taken in time, returns `notRun`.
int RunWhereGtkLives(const std::function<int()>& task, int notRun);

// Iterates `context` until *closed holds. When `context` is not GTK's own (the thread pushed a
// context of its own), GTK's events are pumped from a short timer on `context` as well.
void RunNestedLoopUntil(GMainContext* context, const bool* closed);

}  // namespace tolvo::ui
