// Widget lookup, synthesised clicks and the hook-driven script for the GTK box tests.
#include "gtk_box_driver.h"

#include "tolvo/ui/gtk_test_hook.h"

namespace tolvo::test {
namespace {

struct Search {
  const std::string* name;
  GtkWidget* found;
};

void SearchChild(GtkWidget* child, gpointer data) {
  auto* search = static_cast<Search*>(data);
  if (!search->found) search->found = FindWidget(child, *search->name);
}

}  // namespace

BoxDriver::BoxDriver(BoxScript script, int watchdogMs) : script_(std::move(script)) {
  tolvo_ui_set_shown_hook(&BoxDriver::OnShown, this);
  watchdog_ = g_timeout_add(static_cast<guint>(watchdogMs), &BoxDriver::OnWatchdog, this);
}

BoxDriver::~BoxDriver() {
  tolvo_ui_set_shown_hook(nullptr, nullptr);
  if (watchdog_) g_source_remove(watchdog_);
}

void BoxDriver::OnShown(void* window, const char* kind, void* self) {
  auto* driver = static_cast<BoxDriver*>(self);
  ++driver->boxesShown_;
  driver->script_(GTK_WINDOW(window), kind);
}

gboolean BoxDriver::OnWatchdog(gpointer self) {
  auto* driver = static_cast<BoxDriver*>(self);
  driver->watchdogFired_ = true;
  driver->watchdog_ = 0;
  GList* windows = gtk_window_list_toplevels();
  for (GList* item = windows; item; item = item->next) gtk_widget_destroy(GTK_WIDGET(item->data));
  g_list_free(windows);
  return G_SOURCE_REMOVE;
}

GtkWidget* FindWidget(GtkWidget* root, const std::string& name) {
  if (name == gtk_widget_get_name(root)) return root;
  if (!GTK_IS_CONTAINER(root)) return nullptr;
  Search search{&name, nullptr};
  gtk_container_forall(GTK_CONTAINER(root), SearchChild, &search);
  return search.found;
}

Point PositionInFixed(GtkWidget* child) {
  Point at{-1, -1};
  GtkWidget* parent = gtk_widget_get_parent(child);
  if (GTK_IS_FIXED(parent))
    gtk_container_child_get(GTK_CONTAINER(parent), child, "x", &at.x, "y", &at.y, nullptr);
  return at;
}

void ReleaseButtonAt(GtkWidget* widget, double x, double y) {
  GdkEvent* event = gdk_event_new(GDK_BUTTON_RELEASE);
  event->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(widget)));
  event->button.send_event = TRUE;
  event->button.time = GDK_CURRENT_TIME;
  event->button.x = x;
  event->button.y = y;
  event->button.button = GDK_BUTTON_PRIMARY;
  gdk_event_set_device(
      event, gdk_seat_get_pointer(gdk_display_get_default_seat(gtk_widget_get_display(widget))));
  gtk_widget_event(widget, event);
  gdk_event_free(event);
}

std::string LabelText(GtkWidget* widget) {
  if (GTK_IS_BIN(widget)) widget = gtk_bin_get_child(GTK_BIN(widget));
  return GTK_IS_LABEL(widget) ? gtk_label_get_text(GTK_LABEL(widget)) : "";
}

}  // namespace tolvo::test
