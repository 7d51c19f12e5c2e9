// The test hook of the module: one process-wide slot, read when a box has been mapped.
#include "shown_hook.h"

#include <atomic>

#include "tolvo/ui/gtk_test_hook.h"

namespace tolvo::ui {
namespace {

struct HookSlot {
  std::atomic<TolvoUiShownHook> hook{nullptr};
  std::atomic<void*> user{nullptr};
};

HookSlot& Slot() {
  static HookSlot slot;
  return slot;
}

struct PendingCall {
  GtkWidget* window;  // a reference is held until the call
  const char* kind;
  GMainContext* context;
};

gboolean CallHook(gpointer data) {
  auto* pending = static_cast<PendingCall*>(data);
  // Only a window still on screen is handed out; the box may have closed in the meantime.
  if (TolvoUiShownHook hook = Slot().hook.load(); hook && gtk_widget_get_mapped(pending->window)) {
    hook(pending->window, pending->kind, Slot().user.load());
  }
  return G_SOURCE_REMOVE;
}

void FreePendingCall(gpointer data) {
  auto* pending = static_cast<PendingCall*>(data);
  g_object_unref(pending->window);
  delete pending;
}

struct ShownWatch {
  const char* kind;
  GMainContext* context;
};

void FreeShownWatch(gpointer data, GClosure*) { delete static_cast<ShownWatch*>(data); }

gboolean OnFirstMap(GtkWidget* window, GdkEvent*, gpointer data) {
  const ShownWatch watch = *static_cast<ShownWatch*>(data);
  g_signal_handlers_disconnect_by_func(window, reinterpret_cast<gpointer>(OnFirstMap), data);
  // Called from an idle source, outside the map handler, so the hook may close the box.
  auto* pending = new PendingCall{GTK_WIDGET(g_object_ref(window)), watch.kind, watch.context};
  GSource* idle = g_idle_source_new();
  g_source_set_callback(idle, CallHook, pending, FreePendingCall);
  g_source_attach(idle, watch.context);
  g_source_unref(idle);
  return FALSE;
}

}  // namespace

void NotifyWhenShown(GtkWidget* window, const char* kind, GMainContext* context) {
  if (!Slot().hook.load()) return;
  g_signal_connect_data(window, "map-event", G_CALLBACK(OnFirstMap), new ShownWatch{kind, context},
                        FreeShownWatch, GConnectFlags(0));
}

}  // namespace tolvo::ui

extern "C" void tolvo_ui_set_shown_hook(TolvoUiShownHook hook, void* user) {
  tolvo::ui::Slot().user.store(user);
  tolvo::ui::Slot().hook.store(hook);
}
