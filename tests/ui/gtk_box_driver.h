// Drives the GTK boxes from inside the test process: a script runs when a box is on screen (through
// the module's test hook), finds widgets by name and clicks them; a watchdog closes any box the
// script leaves open, so a failing test cannot hang.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace tolvo::test {

using BoxScript = std::function<void(GtkWindow* window, const std::string& kind)>;

// Installs `script` as the hook for the life of the object; counts the boxes shown.
class BoxDriver {
 public:
  explicit BoxDriver(BoxScript script, int watchdogMs = 5000);
  ~BoxDriver();
  BoxDriver(const BoxDriver&) = delete;
  BoxDriver& operator=(const BoxDriver&) = delete;

  int boxesShown() const { return boxesShown_; }
  bool watchdogFired() const { return watchdogFired_; }

 private:
  static void OnShown(void* window, const char* kind, void* self);
  static gboolean OnWatchdog(gpointer self);

  BoxScript script_;
  int boxesShown_ = 0;
  bool watchdogFired_ = false;
  guint watchdog_ = 0;
};

// The first widget called `name` in the tree under `root` (internal children included).
GtkWidget* FindWidget(GtkWidget* root, const std::string& name);

// Position of a child of a GtkFixed.
struct Point {
  int x, y;
};
Point PositionInFixed(GtkWidget* child);

// Sends a release of the first button at (x, y) in the widget's own coordinates.
void ReleaseButtonAt(GtkWidget* widget, double x, double y);

// The text of a GtkLabel inside `widget` (the widget itself or its child).
std::string LabelText(GtkWidget* widget);

}  // namespace tolvo::test
